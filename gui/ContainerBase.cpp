#include "gui/ContainerBase.h"

#include "gui/Control.h"
#include "gui/DrawingContext.h"
#include "gui/Redraw.h"
#include "gui/Units.h"

#include <algorithm>

namespace gui {

namespace {

constexpr int32_t kGroupCount = 4;

bool IsGroupHideable(int32_t mode) {
    return mode != kDockNone && mode != kDockCentre && mode != kDockFill;
}

} // namespace

struct ContainerBase::Arrangement {
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    DrawingContext* context = nullptr;
    bool measured = false;
    bool groupUsed[kGroupCount + 1] = {};
    // The edges, the free size and the excess still to be absorbed by fitted children.
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t freeWidth = 0;
    int32_t freeHeight = 0;
    int32_t excess = 0;

    void Start(int32_t newExcess) {
        left = 0;
        top = 0;
        right = clientWidth;
        bottom = clientHeight;
        freeWidth = clientWidth;
        freeHeight = clientHeight;
        excess = newExcess;
    }
    void TakeWidth(int32_t width) { freeWidth = std::max(freeWidth - width, 0); }
    void TakeHeight(int32_t height) { freeHeight = std::max(freeHeight - height, 0); }
};

ContainerBase::~ContainerBase() {
    MarkDestroying();
    ReleaseChildren();
}

void ContainerBase::ReleaseChildren() {
    closing = true;
    for (const auto& child : children) {
        if (child->IsCreated()) {
            child->Destroy();
        }
    }
    while (!children.empty()) {
        std::unique_ptr<Control> child = std::move(children.front());
        children.erase(children.begin());
        child->Destroy();
        child->SetParent(nullptr);
    }
}

Control* ContainerBase::ChildAt(int32_t index) const {
    if (index < 0 || index >= ChildCount()) {
        return nullptr;
    }
    return children[static_cast<size_t>(index)].get();
}

void ContainerBase::ForEachChild() {
    for (const auto& child : children) {
        child->ApplyBounds();
    }
}

bool ContainerBase::AddChild(std::unique_ptr<Control> child) {
    if (child == nullptr) {
        return false;
    }
    Control* added = child.get();
    if (static_cast<Window*>(added) == static_cast<Window*>(this)) {
        // The container is owned elsewhere; it is never its own child.
        child.release();
        return false;
    }
    Window* currentParent = added->GetParent();
    if (currentParent != nullptr) {
        // A child already belongs to its container: the pointer handed in does not own it.
        child.release();
        return currentParent == static_cast<Window*>(this) && (!IsCreated() || added->Create());
    }
    children.push_back(std::move(child));
    added->SetParent(this);
    if (IsCreated() && !added->Create()) {
        RemoveChild(added);
        return false;
    }
    LayoutChildren();
    return true;
}

std::unique_ptr<Control> ContainerBase::RemoveChild(Control* child) {
    auto found = std::find_if(children.begin(), children.end(),
                              [child](const std::unique_ptr<Control>& entry) { return entry.get() == child; });
    if (child == nullptr || found == children.end()) {
        return nullptr;
    }
    std::unique_ptr<Control> removed = std::move(*found);
    children.erase(found);
    removed->Destroy();
    removed->SetParent(nullptr);
    LayoutChildren();
    return removed;
}

bool ContainerBase::DeleteChild(Control* child) {
    return RemoveChild(child) != nullptr;
}

void ContainerBase::DeleteAllChildren() {
    if (children.empty()) {
        return;
    }
    for (const auto& child : children) {
        child->Destroy();
        child->SetParent(nullptr);
    }
    children.clear();
    LayoutChildren();
}

Control* ContainerBase::ChildAtPoint(int32_t x, int32_t y) {
    for (auto entry = children.rbegin(); entry != children.rend(); ++entry) {
        if (HoldsPoint(**entry, x, y)) {
            return entry->get();
        }
    }
    return nullptr;
}

Window* ContainerBase::ChildFromPoint(int32_t& pointX, int32_t& pointY) {
    if (!TakePoint(*this, pointX, pointY)) {
        return nullptr;
    }
    if (children.empty()) {
        return this;
    }
    int32_t clientX = pointX;
    int32_t clientY = pointY;
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    if (GetClientRect(x, y, w, h)) {
        clientX -= x;
        clientY -= y;
    }
    Control* child = ChildAtPoint(clientX, clientY);
    if (child == nullptr) {
        return this;
    }
    pointX = clientX;
    pointY = clientY;
    return child->ChildFromPoint(pointX, pointY);
}

void ContainerBase::SetMargins(const Margins& newMargins) {
    if (newMargins == margins) {
        return;
    }
    margins = newMargins;
    LayoutChildren();
}

void ContainerBase::NotifyParent(uintptr_t argument) {
    auto* parent = dynamic_cast<Container*>(GetParent());
    if (parent != nullptr) {
        parent->NotifyParent(argument);
    }
}

bool ContainerBase::Redraw(int32_t x, int32_t y, int32_t w, int32_t h, Rect* painted) {
    RedrawArea area;
    if (!PrepareRedraw(*this, x, y, w, h, area)) {
        return false;
    }
    SavedClip saved;
    Rect out;
    bool anyPainted = PaintFace(*this, area, false, saved, &out);
    if (!children.empty()) {
        int32_t clientX = 0;
        int32_t clientY = 0;
        int32_t clientWidth = 0;
        int32_t clientHeight = 0;
        if (!GetClientRect(clientX, clientY, clientWidth, clientHeight)) {
            clientX = 0;
            clientY = 0;
        }
        Rect clip;
        if (area.context != nullptr && area.context->GetBounds(clip)) {
            const Rect client{area.originX + clientX, area.originY + clientY, area.originX + clientX + clientWidth - 1,
                              area.originY + clientY + clientHeight - 1};
            if (client.Overlaps(clip)) {
                area.context->SetBounds(client.Intersect(clip));
            }
        }
        for (const auto& entry : children) {
            Control* child = entry.get();
            int32_t childX = 0;
            int32_t childY = 0;
            int32_t childWidth = 0;
            int32_t childHeight = 0;
            child->GetBounds(childX, childY, childWidth, childHeight);
            if (!child->IsVisible(false) || childWidth == 0 || childHeight == 0) {
                continue;
            }
            const int32_t left = std::max(area.x, clientX + childX);
            const int32_t top = std::max(area.y, clientY + childY);
            const int32_t right = std::min(area.x + area.width, clientX + childX + childWidth);
            const int32_t bottom = std::min(area.y + area.height, clientY + childY + childHeight);
            if (left >= right || top >= bottom) {
                continue;
            }
            Rect childPainted;
            if (!child->Redraw(std::max(area.x - (clientX + childX), 0), std::max(area.y - (clientY + childY), 0),
                               right - left, bottom - top, &childPainted)) {
                continue;
            }
            out = anyPainted ? out.Union(childPainted) : childPainted;
            anyPainted = true;
        }
    }
    if (area.context != nullptr) {
        saved.Restore(*area.context);
    }
    if (anyPainted && painted != nullptr) {
        *painted = out;
    }
    return anyPainted;
}

bool ContainerBase::HideGroup(int32_t group) {
    bool hidden = false;
    for (const auto& child : children) {
        if (child->GetGroup() == group && child->IsVisible(false) && IsGroupHideable(child->GetAlignment())) {
            child->Show(false);
            hidden = true;
        }
    }
    return hidden;
}

bool ContainerBase::Arrange(Arrangement& state, bool first, int32_t excess, int32_t pass) {
    state.Start(excess);
    std::vector<Control*> fillChildren;
    for (const auto& entry : children) {
        Control* child = entry.get();
        if (!child->IsVisible(false)) {
            continue;
        }
        int32_t x = 0;
        int32_t y = 0;
        int32_t w = 0;
        int32_t h = 0;
        child->GetBounds(x, y, w, h);
        const int32_t mode = child->GetAlignment();
        int32_t newX = 0;
        int32_t newY = 0;
        int32_t newWidth = w;
        int32_t newHeight = h;
        switch (mode) {
        case kDockLeft:
        case kDockLeftFitted:
            newX = state.left;
            newY = state.top;
            newHeight = state.freeHeight;
            break;
        case kDockRight:
            newX = state.right - w;
            newY = state.top;
            newHeight = state.freeHeight;
            break;
        case kDockTop:
            newX = state.left;
            newY = state.top;
            newWidth = state.freeWidth;
            break;
        case kDockBottom:
            newX = state.left;
            newY = state.bottom - h;
            newWidth = state.freeWidth;
            break;
        case kDockCentre:
            if (first) {
                child->SetBounds((state.clientWidth - w) / 2, (state.clientHeight - h) / 2, w, h, kPixels);
            }
            continue;
        case kDockFill:
            fillChildren.push_back(child);
            continue;
        case kDockLeftCentred:
            newX = state.left;
            newY = state.top + (state.freeHeight - h) / 2;
            break;
        case kDockRightCentred:
            newX = state.right - w;
            newY = state.top + (state.freeHeight - h) / 2;
            break;
        case kDockTopCentred:
            newX = state.left + (state.freeWidth - w) / 2;
            newY = state.top;
            break;
        case kDockBottomCentred:
            newX = state.left + (state.freeWidth - w) / 2;
            newY = state.bottom - h;
            break;
        case kDockLeftTop:
            newX = state.left;
            newY = state.top;
            break;
        case kDockRightTop:
            newX = state.right - w;
            newY = state.top;
            break;
        case kDockLeftBottom:
            newX = state.left;
            newY = state.bottom - h;
            break;
        case kDockRightBottom:
            newX = state.right - w;
            newY = state.bottom - h;
            break;
        default: // not docked
            if (first && mode == kDockNone) {
                child->Refresh(this);
            }
            continue;
        }

        if (mode == kDockLeftFitted) {
            int32_t initialX = 0;
            int32_t initialY = 0;
            int32_t initialWidth = 0;
            int32_t initialHeight = 0;
            child->GetInitialBounds(initialX, initialY, initialWidth, initialHeight);
            int32_t wanted = first ? initialWidth : w;
            Rect extent;
            if (state.context != nullptr && (first || state.excess > 0) &&
                child->Draw(state.context, Rect{}, Rect{}, &extent)) {
                state.measured = true;
                if (first) {
                    wanted = std::max(initialWidth, extent.right);
                } else {
                    wanted = pass <= 3 ? extent.right : extent.left;
                }
            }
            newWidth = std::max(wanted, initialX);
        }

        child->SetBounds(newX, newY, newWidth, newHeight, kPixels);
        int32_t placedX = 0;
        int32_t placedY = 0;
        int32_t placedWidth = 0;
        int32_t placedHeight = 0;
        child->GetBounds(placedX, placedY, placedWidth, placedHeight);
        switch (mode) {
        case kDockLeft:
        case kDockLeftCentred:
        case kDockLeftTop:
        case kDockLeftBottom:
            state.left += placedWidth;
            state.TakeWidth(placedWidth);
            break;
        case kDockLeftFitted:
            state.left += placedWidth;
            state.TakeWidth(placedWidth);
            state.excess += placedWidth - w;
            break;
        case kDockRight:
        case kDockRightCentred:
        case kDockRightTop:
        case kDockRightBottom:
            state.right -= placedWidth;
            state.TakeWidth(placedWidth);
            break;
        case kDockTop:
        case kDockTopCentred:
            state.top += placedHeight;
            state.TakeHeight(placedHeight);
            break;
        default: // bottom edge
            state.bottom -= placedHeight;
            state.TakeHeight(placedHeight);
            break;
        }
    }

    for (Control* child : fillChildren) {
        child->SetBounds(state.left, state.top, state.freeWidth, state.freeHeight, kPixels);
        int32_t placedX = 0;
        int32_t placedY = 0;
        int32_t placedWidth = 0;
        int32_t placedHeight = 0;
        child->GetBounds(placedX, placedY, placedWidth, placedHeight);
        state.right -= placedWidth;
        state.bottom -= placedHeight;
    }
    return state.right >= state.left && state.bottom >= state.top;
}

void ContainerBase::LayoutChildren() {
    if (closing || inLayout) {
        return;
    }
    int32_t clientX = 0;
    int32_t clientY = 0;
    Arrangement state;
    if (!GetClientRect(clientX, clientY, state.clientWidth, state.clientHeight)) {
        return;
    }
    inLayout = true;
    int32_t originX = 0;
    int32_t originY = 0;
    state.context = GetGraphics(originX, originY);
    Lock(true);
    for (const auto& child : children) {
        child->Lock(true);
    }

    for (const auto& child : children) {
        const int32_t group = child->GetGroup();
        if (group != 0 && IsGroupHideable(child->GetAlignment())) {
            child->Show(true);
            if (group >= 1 && group <= kGroupCount) {
                state.groupUsed[group] = true;
            }
        }
    }
    bool fits = Arrange(state, true, 0, -1);
    // Passes 0 to 7: hide a group, or shrink the fitted children by the excess, until the children fit.
    for (int32_t pass = 0; pass <= 7 && !fits; ++pass) {
        switch (pass) {
        case 0:
        case 3:
        case 6:
        case 7: {
            const int32_t group = pass == 0 ? 1 : pass == 3 ? 2 : pass == 6 ? 3 : 4;
            if (state.groupUsed[group] && HideGroup(group)) {
                fits = Arrange(state, false, 0, pass);
            }
            break;
        }
        case 2:
            if (state.left > state.right && state.measured) {
                fits = Arrange(state, false, state.left - state.right, pass);
            }
            break;
        case 4:
        case 5:
            if (state.left > state.right && state.measured) {
                fits = Arrange(state, false, state.left - state.right, pass);
            } else if (!state.groupUsed[3] && !state.groupUsed[4]) {
                pass = 7; // nothing left to hide
            }
            break;
        default:
            break;
        }
    }

    for (const auto& child : children) {
        child->Lock(false);
    }
    Lock(false);
    inLayout = false;
}

} // namespace gui
