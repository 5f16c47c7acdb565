// A control that is itself a container (a panel): it paints, hit-tests and lays out as a container and sits in
// its parent as a control.
#pragma once

#include "gui/ContainerBase.h"
#include "gui/ControlBase.h"

namespace gui {

class ContainerControlBase : public virtual ContainerControl, public virtual ControlBase, public virtual ContainerBase {
public:
    bool Redraw(int32_t x, int32_t y, int32_t w, int32_t h, Rect* painted) override {
        return ContainerBase::Redraw(x, y, w, h, painted);
    }
    Window* ChildFromPoint(int32_t& x, int32_t& y) override { return ContainerBase::ChildFromPoint(x, y); }

protected:
    // ControlBase is a virtual base: the most derived class gives the dock mode.
    ContainerControlBase() = default;
};

} // namespace gui
