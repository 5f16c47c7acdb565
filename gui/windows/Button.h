// The push button: a "BUTTON" window drawn wholly by the toolkit. Raised or flat (with a hover highlight),
// pressed and latched looks, an image shown through a mask keyed on its top-left pixel, an embossed look when
// disabled, and a click on left-button or space release.
#pragma once

#include "gui/Button.h"
#include "gui/windows/GdiDrawingContext.h"
#include "gui/windows/NativeControl.h"

#include "common/IndexedImage.h"

namespace gui::Windows {

class Button : public ButtonBase, public NativeControl {
public:
    // The rectangle in the unit given.
    Button(const Bounds& bounds, const common::String& caption, int32_t kind, int32_t dockMode, bool visible,
           int32_t unit);
    ~Button() override;

    bool Create() override;
    void SetText(const common::String& text) override;
    // Also derives the mask: every pixel of the top-left pixel's colour is transparent.
    void SetImage(common::Image* image) override;
    void SetKind(int32_t kind) override;
    Font* GetFont() override { return context.GetFont(); }
    // Repaints the button's window over the part asked for; it does not measure itself.
    bool Draw(DrawingContext* context, const Rect& window, const Rect& dirty, Rect* extent) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    const common::IndexedImage1Bit& GetMask() const { return mask; }

private:
    void DrawItem(const DRAWITEMSTRUCT& item);
    // The flat look's hover state, asked of the pointer while it is not known.
    bool IsHovering();

    bool closing = false;
    bool inDraw = false;
    bool pressed = false;
    int32_t hover = 0; // 1 over the button, -1 left it, 0 not known
    common::IndexedImage1Bit mask;
    GdiDrawingContext context;
};

} // namespace gui::Windows
