// A window that holds child controls, owns them and lays them out in its client area.
#pragma once

#include "gui/Control.h"

namespace gui {

class Font;

class Container : public virtual Window {
public:
    // ApplyBounds on every child.
    virtual void ForEachChild() = 0;
    // On success the container owns the child; on failure the caller keeps it.
    virtual bool AddChild(Control* child) = 0;
    // Takes the child out; the caller owns it again.
    virtual bool RemoveChild(Control* child) = 0;
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

// Adds the child, or deletes it when the container refuses it; the child on success, else null.
template <typename Child>
Child* AddOrDelete(Container& parent, Child* child) {
    if (!parent.AddChild(child)) {
        delete child;
        return nullptr;
    }
    return child;
}

} // namespace gui
