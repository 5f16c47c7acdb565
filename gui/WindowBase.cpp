#include "gui/WindowBase.h"

#include "gui/Container.h"
#include "gui/TitledWindow.h"
#include "gui/Units.h"

#include <algorithm>
#include <utility>

namespace gui {

bool WindowBase::Create() {
    created = true;
    const int32_t askedX = x;
    const int32_t askedY = y;
    const int32_t askedWidth = width;
    const int32_t askedHeight = height;
    const bool askedVisible = visible;
    if (Update(true, true, true)) {
        SetBounds(askedX, askedY, askedWidth, askedHeight, kPixels);
        Show(askedVisible);
    }
    return true;
}

void WindowBase::Destroy() {
    created = false;
}

bool WindowBase::StoreGeometry(int32_t newX, int32_t newY, int32_t newWidth, int32_t newHeight, bool newVisible) {
    if (newX == x && newY == y && newWidth == width && newHeight == height && newVisible == visible) {
        return false;
    }
    x = newX;
    y = newY;
    width = newWidth;
    height = newHeight;
    visible = newVisible;
    return true;
}

DrawingContext* WindowBase::GetGraphics(int32_t& originX, int32_t& originY) {
    Window* parent = GetParent();
    if (parent == nullptr) {
        return nullptr;
    }
    DrawingContext* context = parent->GetGraphics(originX, originY);
    if (context == nullptr || !IsWindowless()) {
        return context;
    }
    originX += x;
    originY += y;
    int32_t clientX = 0;
    int32_t clientY = 0;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    if (parent->GetClientRect(clientX, clientY, clientWidth, clientHeight)) {
        originX += clientX;
        originY += clientY;
    }
    return context;
}

void WindowBase::Lock(bool lock) {
    if (lock) {
        ++updateLock;
    } else if (updateLock > 0) {
        --updateLock;
    }
}

int32_t WindowBase::GetCachedBounds(int32_t& outX, int32_t& outY, int32_t& outWidth, int32_t& outHeight) {
    GetBounds(outX, outY, outWidth, outHeight);
    return 0;
}

void WindowBase::OnMove() {
    if (moveCallback != nullptr && !destroying) {
        moveCallback(this);
    }
}

void WindowBase::OnResize() {
    if (resizeCallback != nullptr && !destroying) {
        resizeCallback(this);
    }
}

int32_t WindowBase::OnMouse(int32_t mouseX, int32_t mouseY, int32_t event) {
    if (mouseCallback == nullptr || destroying) {
        return 0;
    }
    return mouseCallback(this, mouseX, mouseY, event);
}

int32_t WindowBase::OnKey(int32_t keyCode, bool down) {
    if (keyCallback == nullptr || destroying) {
        return 0;
    }
    return keyCallback(this, keyCode, down);
}

void WindowBase::GetBounds(int32_t& outX, int32_t& outY, int32_t& outWidth, int32_t& outHeight) const {
    outX = x;
    outY = y;
    outWidth = width;
    outHeight = height;
}

bool WindowBase::SetBounds(int32_t newX, int32_t newY, int32_t newWidth, int32_t newHeight, int32_t unit) {
    ConvertUnitsToPixels(newX, newY, unit);
    ConvertUnitsToPixels(newWidth, newHeight, unit);
    const bool moved = newX != x || newY != y;
    x = newX;
    y = newY;
    bool resized = false;
    if (newWidth >= 0) {
        newWidth = std::max(newWidth, minWidth);
        if (maxWidth >= 1) {
            newWidth = std::min(newWidth, maxWidth);
        }
        resized |= newWidth != width;
        width = newWidth;
    }
    if (newHeight >= 0) {
        newHeight = std::max(newHeight, minHeight);
        if (maxHeight >= 1) {
            newHeight = std::min(newHeight, maxHeight);
        }
        resized |= newHeight != height;
        height = newHeight;
    }
    if (moved) {
        OnMove();
    }
    if (resized) {
        OnResize();
    }
    return moved || resized;
}

void WindowBase::GetMinMax(int32_t& outMinWidth, int32_t& outMinHeight, int32_t& outMaxWidth,
                           int32_t& outMaxHeight) const {
    outMinWidth = minWidth;
    outMinHeight = minHeight;
    outMaxWidth = maxWidth;
    outMaxHeight = maxHeight;
}

bool WindowBase::SetMinMax(int32_t newMinWidth, int32_t newMinHeight, int32_t newMaxWidth, int32_t newMaxHeight) {
    const bool valid = newMinWidth >= 0 && newMinHeight >= 0 && newMaxWidth >= 0 && newMaxHeight >= 0;
    newMinWidth = std::max(newMinWidth, 0);
    newMinHeight = std::max(newMinHeight, 0);
    newMaxWidth = std::max(newMaxWidth, 0);
    newMaxHeight = std::max(newMaxHeight, 0);
    if (newMaxWidth > 0 && newMaxWidth < newMinWidth) {
        std::swap(newMinWidth, newMaxWidth);
    }
    if (newMaxHeight > 0 && newMaxHeight < newMinHeight) {
        std::swap(newMinHeight, newMaxHeight);
    }
    minWidth = newMinWidth;
    minHeight = newMinHeight;
    maxWidth = newMaxWidth;
    maxHeight = newMaxHeight;

    int32_t newWidth = width;
    int32_t newHeight = height;
    if (minWidth > 0 && newWidth < minWidth) {
        newWidth = minWidth;
    }
    if (maxWidth > 0 && newWidth > maxWidth) {
        newWidth = maxWidth;
    }
    if (minHeight > 0 && newHeight < minHeight) {
        newHeight = minHeight;
    }
    if (maxHeight > 0 && newHeight > maxHeight) {
        newHeight = maxHeight;
    }
    if (newWidth != width || newHeight != height) {
        SetBounds(x, y, newWidth, newHeight, kPixels);
    }
    return valid;
}

bool WindowBase::IsVisible(bool withAncestors) {
    Window* parent = GetParent();
    if (!visible || !withAncestors || parent == nullptr) {
        return visible;
    }
    Window* topLevel = GetTopLevelWindow();
    for (Window* ancestor = parent; ancestor != nullptr; ancestor = ancestor->GetParent()) {
        if (!ancestor->IsVisible(false)) {
            return false;
        }
        if (ancestor == topLevel) {
            return true;
        }
    }
    return true;
}

TitledWindow* WindowBase::GetTopLevelWindow() {
    Window* parent = GetParent();
    return parent != nullptr ? parent->GetTopLevelWindow() : nullptr;
}

FrameWindow* WindowBase::GetFrameWindow() {
    TitledWindow* topLevel = GetTopLevelWindow();
    return topLevel != nullptr ? topLevel->GetFrameWindow() : nullptr;
}

void WindowBase::SetBackground(const Colour& colour) {
    const bool differs = !(colour == background);
    background = colour;
    if (differs) {
        Invalidate(0, 0, -1, -1);
    }
}

bool WindowBase::GetBackground(Colour& colour) const {
    if (background.unset != 0) {
        return false;
    }
    colour = background;
    return true;
}

bool WindowBase::SetPosition(int32_t newX, int32_t newY) {
    const int32_t oldX = x;
    const int32_t oldY = y;
    SetBounds(newX, newY, width, height, kPixels);
    return x != oldX || y != oldY;
}

bool WindowBase::SetSize(int32_t newWidth, int32_t newHeight) {
    const int32_t oldWidth = width;
    const int32_t oldHeight = height;
    SetBounds(x, y, newWidth, newHeight, kPixels);
    return width != oldWidth || height != oldHeight;
}

bool HoldsPoint(Window& window, int32_t pointX, int32_t pointY) {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    window.GetBounds(x, y, w, h);
    return window.IsVisible(false) && pointX >= x && pointX < x + w && pointY >= y && pointY < y + h;
}

bool TakePoint(Window& window, int32_t& pointX, int32_t& pointY) {
    if (!HoldsPoint(window, pointX, pointY)) {
        return false;
    }
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    window.GetBounds(x, y, w, h);
    pointX -= x;
    pointY -= y;
    return true;
}

SilencedCallbacks::SilencedCallbacks(Window& window)
    : window(window), move(window.MoveCallback()), resize(window.ResizeCallback()) {
    window.MoveCallback() = nullptr;
    window.ResizeCallback() = nullptr;
}

SilencedCallbacks::~SilencedCallbacks() {
    window.MoveCallback() = move;
    window.ResizeCallback() = resize;
}

} // namespace gui
