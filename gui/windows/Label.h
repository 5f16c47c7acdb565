// A text label without a native window: its parent paints it, greyed and embossed when it is disabled.
#pragma once

#include "gui/Label.h"
#include "gui/windows/NativeControl.h"

namespace gui::Windows {

class Label : public LabelBase, public NativeControl {
public:
    Label(int32_t x, int32_t y, int32_t w, int32_t h, const common::String& caption, int32_t dockMode, bool visible);
    ~Label() override;

    // The text in the rectangle given, aligned; it does not measure itself.
    bool Draw(DrawingContext* context, const Rect& window, const Rect& dirty, Rect* extent) override;

private:
    bool closing = false;
    bool inDraw = false;
};

} // namespace gui::Windows
