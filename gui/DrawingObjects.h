// Font, pen and brush interfaces: property holders that tell their drawing context what changed, so that a change made
// while drawing reaches the device at once. The bits of a change mask are each object's own (FontChange, ...).
#pragma once

#include "gui/Colour.h"

#include <cstdint>

namespace gui {

enum FontFace : int32_t { kDefaultFace = 0, kArial = 1, kCourierNew = 2, kTimesNewRoman = 3, kMicrosoftSansSerif = 4 };
enum FontStyle : uint32_t { kBold = 1, kItalic = 2 };
// The colour needs no new font handle: it is device state.
enum FontChange : uint32_t { kFontFace = 1, kFontStyle = 2, kFontSize = 4, kFontColour = 8 };

class Font {
public:
    virtual ~Font() = default;
    virtual void OnChanged(uint32_t mask) = 0;

    // Copies every property that differs, with one notification; null resets.
    virtual void Assign(const Font* other) = 0;
    virtual int32_t GetFace() const = 0;
    virtual void SetFace(int32_t face) = 0;
    // In points; 0 is the default size.
    virtual int32_t GetSize() const = 0;
    virtual void SetSize(int32_t size) = 0;
    // False (style untouched) when no style is given.
    virtual bool GetStyle(uint32_t* style) const = 0;
    // Null gives no style.
    virtual void SetStyle(const uint32_t* style) = 0;
    virtual void SetBoldItalic(bool bold, bool italic) = 0;
    // False (colour untouched) when the colour is unset.
    virtual bool GetColour(Colour* colour) const = 0;
    virtual void SetColour(const Colour& colour) = 0;
    virtual void SetFaceAndSize(int32_t face, int32_t size) = 0;
    virtual void SetFaceSizeColour(int32_t face, int32_t size, const Colour& colour) = 0;
    // Default face and size, no style, unset colour.
    virtual bool IsDefault() const = 0;
    virtual void Reset() = 0;
};

enum PenStyle : int32_t { kDefaultPen = 0, kSolidPen = 1, kDottedPen = 2 };
enum PenMode : int32_t { kDefaultMode = 0, kCopyMode = 1, kXorMode = 2 };
// The mix mode needs no new pen handle: it is device state.
enum PenChange : uint32_t { kPenStyle = 1, kPenWidth = 2, kPenColour = 4, kPenMode = 8 };

class Pen {
public:
    virtual ~Pen() = default;
    virtual void OnChanged(uint32_t mask) = 0;

    virtual void Assign(const Pen* other) = 0;
    virtual int32_t GetStyle() const = 0;
    virtual void SetStyle(int32_t style) = 0;
    virtual int32_t GetMode() const = 0;
    virtual void SetMode(int32_t mode) = 0;
    virtual int32_t GetWidth() const = 0;
    virtual void SetWidth(int32_t width) = 0;
    virtual bool GetColour(Colour* colour) const = 0;
    virtual void SetColour(const Colour& colour) = 0;
    virtual void Set(const Colour& colour, int32_t width, int32_t style, int32_t mode) = 0;
    virtual bool IsDefault() const = 0;
    virtual void Reset() = 0;
};

enum BrushStyle : int32_t { kDefaultBrush = 0, kSolidBrush = 1, kHollowBrush = 2 };
enum BrushChange : uint32_t { kBrushStyle = 1, kBrushColour = 2 };

class Brush {
public:
    virtual ~Brush() = default;
    virtual void OnChanged(uint32_t mask) = 0;

    virtual void Assign(const Brush* other) = 0;
    virtual int32_t GetStyle() const = 0;
    virtual void SetStyle(int32_t style) = 0;
    virtual bool GetColour(Colour* colour) const = 0;
    virtual void SetColour(const Colour& colour) = 0;
    // Solid style and the colour, with one notification.
    virtual void SetSolidColour(const Colour& colour) = 0;
    virtual bool IsDefault() const = 0;
    virtual void Reset() = 0;
};

// The colour of a font or pen or brush, unset when it has none.
template <typename Object>
Colour ColourOf(const Object& object) {
    Colour colour;
    if (!object.GetColour(&colour)) {
        colour = Colour{};
    }
    return colour;
}

} // namespace gui
