// The GDI drawing context: paints into a window's client area through a DC that its owner supplies (a paint or
// owner-draw DC) or that Begin gets for the window. Font, pen and brush are selected lazily between Begin and End
// and follow their changes at once; End puts back whatever it found in the DC.
#pragma once

#include "gui/DrawingContext.h"
#include "gui/windows/GdiObjects.h"

#include <memory>

namespace gui::Windows {

class GdiDrawingContext : public DrawingContext {
public:
    explicit GdiDrawingContext(HWND window = nullptr) : window(window) {}
    // Lets go of everything still selected and of a DC it got itself.
    ~GdiDrawingContext() override;
    GdiDrawingContext(const GdiDrawingContext&) = delete;
    GdiDrawingContext& operator=(const GdiDrawingContext&) = delete;

    void OnFontChanged(uint32_t mask) override;
    void OnPenChanged(uint32_t mask) override;
    void OnBrushChanged(uint32_t mask) override;

    Font* GetFont() override;
    Pen* GetPen() override;
    Brush* GetBrush() override;

    // False without a target window, or when no DC can be had for it.
    bool Begin() override;
    void End() override;
    bool IsActive() const override { return active; }

    void SetBounds(const Rect& newBounds) override;
    bool GetBounds(Rect& out) const override;
    void ClearBounds() override { hasBounds = false; }
    bool CanDraw(const void*) override { return true; }

    bool MoveTo(int32_t x, int32_t y) override;
    bool LineTo(int32_t x, int32_t y) override;
    bool DrawPolyline(const int32_t* points, int32_t count) override;
    bool GetTextExtent(const common::String& text, int32_t* width, int32_t* height) override;
    void DrawText(const common::String& text, int32_t x, int32_t y) override;
    void DrawTextInRect(const common::String& text, const Rect& rect, uint32_t alignment) override;
    bool DrawRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    bool DrawFrame(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    bool FillRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    // A mask of another size than the image is refused (false, nothing drawn).
    bool DrawImage(common::Image& image, const Rect* source, const Rect* destination, common::Image* mask) override;

    // The window drawn into; its owner sets it.
    HWND GetWindow() const { return window; }
    void SetWindow(HWND target) { window = target; }
    // A DC given before Begin is used as it is and left to its owner by End.
    HDC GetDc() const { return dc; }
    void SetDc(HDC supplied) { dc = supplied; }
    // A context bound to a fixed target is never pointed elsewhere by the windows that borrow it.
    bool IsFixedTarget() const { return fixedTarget; }
    void SetFixedTarget(bool fixed) { fixedTarget = fixed; }
    // Points the context at a window unless it is fixed or drawing.
    void Retarget(HWND target);

private:
    // Selects an object's handle when the object asks for one; a deselection lets go of its use.
    template <typename Object, typename Handle>
    void Select(Object* object, Handle& selected, HGDIOBJ& previous);
    template <typename Object, typename Handle>
    void Deselect(Object* object, Handle& selected, HGDIOBJ previous);
    void SelectFont();
    void DeselectFont();
    void SelectPen();
    void DeselectPen();
    void SelectBrush();
    void DeselectBrush();

    Rect bounds;
    bool hasBounds = false;
    std::unique_ptr<GdiFont> font;
    std::unique_ptr<GdiPen> pen;
    std::unique_ptr<GdiBrush> brush;
    HWND window;
    HDC dc = nullptr;
    bool ownsDc = false;
    HFONT selectedFont = nullptr;
    HGDIOBJ previousFont = nullptr;
    COLORREF savedTextColour = 0;
    int savedRop = 0;
    HPEN selectedPen = nullptr;
    HGDIOBJ previousPen = nullptr;
    HBRUSH selectedBrush = nullptr;
    HGDIOBJ previousBrush = nullptr;
    int savedBkMode = 0;
    bool active = false;
    bool fixedTarget = false;
};

// The picture control's own context, bound for each paint to the DC that paint uses.
class OffscreenSurface : public GdiDrawingContext {
public:
    using GdiDrawingContext::GdiDrawingContext;
};

// The DrawTextW flags of an alignment bit set: 0 to 12, contradictory sets and larger values top-left.
UINT DrawTextFlagsOf(uint32_t alignment);

} // namespace gui::Windows
