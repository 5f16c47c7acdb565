#include "gui/ControlBase.h"

#include "gui/Container.h"
#include "gui/DrawingObjects.h"
#include "gui/Redraw.h"
#include "gui/TitledWindow.h"
#include "gui/Units.h"

namespace gui {

bool ControlBase::CanHide(int32_t mode) {
    return mode != kDockNone && mode != kDockCentre && mode != kDockFill;
}

bool ControlBase::Redraw(int32_t x, int32_t y, int32_t w, int32_t h, Rect* painted) {
    if (IsLocked()) {
        return false;
    }
    RedrawArea area;
    if (!PrepareRedraw(*this, x, y, w, h, area)) {
        return false;
    }
    SavedClip saved;
    return PaintFace(*this, area, true, saved, painted);
}

Window* ControlBase::GetParent() {
    return parent;
}

Window* ControlBase::ChildFromPoint(int32_t& pointX, int32_t& pointY) {
    return TakePoint(*this, pointX, pointY) ? this : nullptr;
}

void ControlBase::SetParent(Container* newParent) {
    if (!IsCreated()) {
        parent = newParent;
    }
}

void ControlBase::ApplyBounds() {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    GetBounds(x, y, w, h);
    SetBounds(x, y, w, h, kPixels);
}

Font* ControlBase::FindAncestor() {
    TitledWindow* topLevel = GetTopLevelWindow();
    Window* topLevelWindow = topLevel;
    for (Container* ancestor = parent; ancestor != nullptr;
         ancestor = dynamic_cast<Container*>(ancestor->GetParent())) {
        Font* font = ancestor->GetFont();
        if (font != nullptr && !font->IsDefault()) {
            return font;
        }
        if (static_cast<Window*>(ancestor) == topLevelWindow) {
            return nullptr;
        }
    }
    return nullptr;
}

void ControlBase::SetAlignment(int32_t mode) {
    if (mode == dockMode) {
        return;
    }
    dockMode = mode;
    if (group != 0 && !CanHide(mode)) {
        group = 0;
    }
    if (parent != nullptr) {
        parent->LayoutChildren();
    }
}

void ControlBase::SetGroup(int32_t newGroup) {
    if (newGroup == group || (newGroup != 0 && !CanHide(dockMode))) {
        return;
    }
    group = newGroup;
    if (parent != nullptr) {
        parent->LayoutChildren();
    }
}

bool ControlBase::IsEnabled(bool withAncestors) {
    if (!enabled || !withAncestors || parent == nullptr) {
        return enabled;
    }
    Window* topLevel = GetTopLevelWindow();
    for (Window* ancestor = parent; ancestor != nullptr && ancestor != topLevel; ancestor = ancestor->GetParent()) {
        auto* control = dynamic_cast<Control*>(ancestor);
        if (control != nullptr && !control->IsEnabled(false)) {
            return false;
        }
    }
    return enabled;
}

} // namespace gui
