// What every control paints through: lines, rectangles, fills, text and images in pixels of the target window's
// client area, between Begin and End. Rectangle corners are inclusive. The context owns one font, pen and brush,
// made on first request; callers never delete them.
#pragma once

#include "gui/Geometry.h"

#include "common/WideString.h"

#include <cstdint>

namespace common {
class Image;
}

namespace gui {

class Brush;
class Font;
class Pen;

// Alignment bits of DrawTextInRect; a missing side centres the text on that axis, contradictory sets (5, 7, 10,
// 11) and values above 12 draw top-left.
enum TextAlignment : uint32_t { kAlignLeft = 1, kAlignTop = 2, kAlignRight = 4, kAlignBottom = 8 };

class DrawingContext {
public:
    virtual ~DrawingContext() = default;

    // The owned objects report their changes here.
    virtual void OnFontChanged(uint32_t mask) = 0;
    virtual void OnPenChanged(uint32_t mask) = 0;
    virtual void OnBrushChanged(uint32_t mask) = 0;

    virtual Font* GetFont() = 0;
    virtual Pen* GetPen() = 0;
    virtual Brush* GetBrush() = 0;

    virtual bool Begin() = 0;
    virtual void End() = 0;
    virtual bool IsActive() const = 0;

    // A rectangle the painters record (the redraw walk keeps its clip here); stored normalised.
    virtual void SetBounds(const Rect& bounds) = 0;
    // False (bounds untouched) when none is recorded.
    virtual bool GetBounds(Rect& bounds) const = 0;
    virtual void ClearBounds() = 0;
    virtual bool CanDraw(const void* what) = 0;

    virtual bool MoveTo(int32_t x, int32_t y) = 0;
    // The end point itself is not drawn.
    virtual bool LineTo(int32_t x, int32_t y) = 0;
    // Pairs of x and y; false for a count below 1.
    virtual bool DrawPolyline(const int32_t* points, int32_t count);
    // 0 x 0 and true for an empty text; 0 x 0 and false when it cannot be measured.
    virtual bool GetTextExtent(const common::String& text, int32_t* width, int32_t* height) = 0;
    // One line whose top-left corner is (x, y).
    virtual void DrawText(const common::String& text, int32_t x, int32_t y) = 0;
    virtual void DrawTextInRect(const common::String& text, const Rect& rect, uint32_t alignment) = 0;
    // Outline with the pen, interior with the brush.
    virtual bool DrawRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;
    virtual bool DrawFrame(int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;
    // False when no brush is selected.
    virtual bool FillRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;
    // Null rectangles take the whole image and the whole client area. The mask, a 1-bit image of the image's size,
    // shows the image where its bits are 1. True without drawing when a rectangle lies wholly outside.
    virtual bool DrawImage(common::Image& image, const Rect* source, const Rect* destination, common::Image* mask) = 0;
    // DrawImage at once; done gets false.
    virtual bool DrawImageNow(bool* done, common::Image& image, const Rect* source, const Rect* destination,
                              common::Image* mask);
};

} // namespace gui
