// The portable font, pen and brush: plain properties that tell their owner (the drawing context that made them,
// or nobody) what changed. Every setter compares first and sends nothing when nothing changes.
#pragma once

#include "gui/DrawingObjects.h"

namespace gui {

class DrawingContext;

class FontProperties : public Font {
public:
    explicit FontProperties(DrawingContext* owner = nullptr) : owner(owner) {}

    // Tells the owner.
    void OnChanged(uint32_t mask) override;

    void Assign(const Font* other) override;
    int32_t GetFace() const override { return face; }
    void SetFace(int32_t newFace) override;
    int32_t GetSize() const override { return size; }
    void SetSize(int32_t newSize) override;
    bool GetStyle(uint32_t* out) const override;
    void SetStyle(const uint32_t* newStyle) override;
    void SetBoldItalic(bool bold, bool italic) override;
    bool GetColour(Colour* out) const override;
    void SetColour(const Colour& newColour) override;
    void SetFaceAndSize(int32_t newFace, int32_t newSize) override;
    void SetFaceSizeColour(int32_t newFace, int32_t newSize, const Colour& newColour) override;
    bool IsDefault() const override;
    void Reset() override;

private:
    struct Values {
        int32_t face = kDefaultFace;
        int32_t size = 0;
        bool hasStyle = false;
        uint32_t style = 0;
        Colour colour;
    };
    Values Current() const { return {face, size, hasStyle, style, colour}; }
    // Stores the values and sends one notification with the bits of what changed.
    void Apply(Values values);

    DrawingContext* owner;
    int32_t face = kDefaultFace;
    int32_t size = 0;
    uint32_t style = 0;
    bool hasStyle = false;
    Colour colour;
};

class PenProperties : public Pen {
public:
    explicit PenProperties(DrawingContext* owner = nullptr) : owner(owner) {}

    void OnChanged(uint32_t mask) override;

    void Assign(const Pen* other) override;
    int32_t GetStyle() const override { return style; }
    void SetStyle(int32_t newStyle) override;
    int32_t GetMode() const override { return mode; }
    void SetMode(int32_t newMode) override;
    int32_t GetWidth() const override { return width; }
    void SetWidth(int32_t newWidth) override;
    bool GetColour(Colour* out) const override;
    void SetColour(const Colour& newColour) override;
    void Set(const Colour& newColour, int32_t newWidth, int32_t newStyle, int32_t newMode) override;
    bool IsDefault() const override;
    void Reset() override;

private:
    DrawingContext* owner;
    int32_t style = kDefaultPen;
    int32_t mode = kDefaultMode;
    int32_t width = 0;
    Colour colour;
};

class BrushProperties : public Brush {
public:
    explicit BrushProperties(DrawingContext* owner = nullptr) : owner(owner) {}

    void OnChanged(uint32_t mask) override;

    void Assign(const Brush* other) override;
    int32_t GetStyle() const override { return style; }
    void SetStyle(int32_t newStyle) override;
    bool GetColour(Colour* out) const override;
    void SetColour(const Colour& newColour) override;
    void SetSolidColour(const Colour& newColour) override;
    bool IsDefault() const override;
    void Reset() override;

private:
    void Apply(int32_t newStyle, const Colour& newColour);

    DrawingContext* owner;
    int32_t style = kDefaultBrush;
    Colour colour;
};

} // namespace gui
