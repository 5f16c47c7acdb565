// A window that holds child controls, owns them and lays them out in its client area.
#pragma once

#include "gui/Control.h"

#include <memory>

namespace gui {

class Font;

class Container : public virtual Window {
public:
    // ApplyBounds on every child.
    virtual void ForEachChild() = 0;
    // The container takes the child over. A refused child is deleted, unless another container already holds it:
    // that one keeps it.
    virtual bool AddChild(std::unique_ptr<Control> child) = 0;
    // Takes the child out and hands it back; null when it is not a child of this container.
    virtual std::unique_ptr<Control> RemoveChild(Control* child) = 0;
    virtual bool DeleteChild(Control* child) = 0;
    virtual void DeleteAllChildren() = 0;
    virtual int32_t ChildCount() const = 0;
    // Null for an index outside the list.
    virtual Control* ChildAt(int32_t index) const = 0;
    virtual void LayoutChildren() = 0;
    // The last visible child whose bounds hold the client point.
    virtual Control* ChildAtPoint(int32_t x, int32_t y) = 0;
    virtual Font* GetFont() = 0;
    virtual void SetMargins(const Margins& margins) = 0;
    // Passed up the container chain; it ends at the top without effect.
    virtual void NotifyParent(uintptr_t argument) = 0;
};

class ContainerControl : public virtual Control, public virtual Container {};

// Adds the child (see Container::AddChild); the child, now the container's, on success, else null.
template <typename Child>
Child* AddOwned(Container& parent, std::unique_ptr<Child> child) {
    Child* added = child.get();
    return parent.AddChild(std::move(child)) ? added : nullptr;
}

} // namespace gui
