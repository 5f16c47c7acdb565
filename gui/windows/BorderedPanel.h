// A panel: a container control on a "STATIC" window, painted in the button face with a 3-D edge on the sides
// asked for. Its children sit inside its margins and inside the edge.
#pragma once

#include "gui/BorderedPanel.h"
#include "gui/windows/NativeControl.h"

namespace gui::Windows {

class BorderedPanel : public BorderedPanelBase, public NativeContainerControl {
public:
    BorderedPanel(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dockMode, int32_t borderStyle, bool visible);
    BorderedPanel(const Bounds& bounds, int32_t dockMode, int32_t borderStyle, bool visible, int32_t unit);
    ~BorderedPanel() override;

    bool Create() override;
    bool Draw(DrawingContext* context, const Rect& bounds, const Rect& clip, Rect* extent) override;
    // The client area less the margins and the edge.
    bool GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool painting = false;
    bool closing = false;
};

} // namespace gui::Windows
