// The portable container: owned children in layout and painting order, margins, hit testing, the container's
// Redraw and the dock layout.
//
// The dock layout places the visible children in index order by their dock modes, each docked child taking its
// edge of the space still free. When the children do not fit, the members of hide groups 1 to 4 are hidden
// group by group (fitted children shrink first) until they do; the next layout shows them again.
#pragma once

#include "gui/Container.h"
#include "gui/WindowBase.h"

#include <memory>
#include <vector>

namespace gui {

class ContainerBase : public virtual Container, public virtual WindowBase {
public:
    ContainerBase(const ContainerBase&) = delete;
    ContainerBase& operator=(const ContainerBase&) = delete;

    // Paints the container's face (its lock is not asked), then every visible child that meets the part.
    bool Redraw(int32_t x, int32_t y, int32_t w, int32_t h, Rect* painted) override;
    // The deepest visible window under the point.
    Window* ChildFromPoint(int32_t& x, int32_t& y) override;

    void ForEachChild() override;
    // Refuses null, the container itself and a child of another container; a child that cannot be created is
    // taken out again and deleted. A child that is already its own stays as it is.
    bool AddChild(std::unique_ptr<Control> child) override;
    std::unique_ptr<Control> RemoveChild(Control* child) override;
    bool DeleteChild(Control* child) override;
    void DeleteAllChildren() override;
    int32_t ChildCount() const override { return static_cast<int32_t>(children.size()); }
    Control* ChildAt(int32_t index) const override;
    void LayoutChildren() override;
    Control* ChildAtPoint(int32_t x, int32_t y) override;
    void SetMargins(const Margins& newMargins) override;
    void NotifyParent(uintptr_t argument) override;

    const Margins& GetMargins() const { return margins; }

protected:
    ContainerBase() = default;
    ~ContainerBase() override;

    // Destroys and deletes every child, laying out nothing; the most derived container calls it first in its
    // destructor, while its children can still reach a whole parent.
    void ReleaseChildren();

private:
    struct Arrangement; // the working state of one arrangement of the layout
    bool Arrange(Arrangement& state, bool first, int32_t excess, int32_t pass);
    // Hides the group's members that the layout may hide; true when it hid any.
    bool HideGroup(int32_t group);

    std::vector<std::unique_ptr<Control>> children;
    bool inLayout = false;
    bool closing = false;
    Margins margins;
};

} // namespace gui
