// The property layer of a child control: its container, dock mode, hide group, enabled flag and tooltip.
#pragma once

#include "gui/Control.h"
#include "gui/WindowBase.h"

namespace gui {

class ControlBase : public virtual Control, public virtual WindowBase {
public:
    // Paints the control through its ancestor's drawing context, unless hidden or locked.
    bool Redraw(int32_t x, int32_t y, int32_t w, int32_t h, Rect* painted) override;
    bool IsWindowless() const override { return windowless; }
    Window* GetParent() override;
    // The control itself when it is visible and holds the point; the point becomes control-local.
    Window* ChildFromPoint(int32_t& x, int32_t& y) override;

    void SetParent(Container* newParent) override;
    void ApplyBounds() override;
    void Refresh(Container*) override {}
    Font* FindAncestor() override;
    int32_t GetAlignment() const override { return dockMode; }
    // A group is dropped with a mode that cannot hide (0, 5, 6); the parent lays out again.
    void SetAlignment(int32_t mode) override;
    int32_t GetGroup() const override { return group; }
    // A non-zero group is taken only by a mode that can hide.
    void SetGroup(int32_t newGroup) override;
    // With ancestors, every ancestor control up to the top-level window must be enabled; the top-level window's
    // own state does not count.
    bool IsEnabled(bool withAncestors) override;
    void SetEnabled(bool newEnabled) override { enabled = newEnabled; }
    const common::WideString& GetTooltip() const override { return tooltip; }
    void SetTooltip(const common::String& text) override { tooltip.Assign(text); }

    Container* GetParentContainer() const { return parent; }

protected:
    ControlBase() = default;
    ~ControlBase() override { MarkDestroying(); }

    void SetWindowless(bool value) { windowless = value; }
    // The dock mode a control is constructed with; nothing is laid out.
    void InitAlignment(int32_t mode) { dockMode = mode; }
    // Whether a mode keeps a group (a docked mode that the layout may hide).
    static bool CanHide(int32_t mode);

private:
    Container* parent = nullptr;
    int32_t dockMode = kDockNone;
    int32_t group = 0;
    bool enabled = true;
    common::WideString tooltip;
    bool windowless = false;
};

} // namespace gui
