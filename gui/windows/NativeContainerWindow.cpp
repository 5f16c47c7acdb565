#include "gui/windows/NativeContainerWindow.h"

#include "gui/Control.h"

#include <algorithm>

namespace gui::Windows {

NativeContainerWindow::~NativeContainerWindow() {
    MarkDestroying();
    // Unbound first: nothing the children's going sends to this window reaches a half-destroyed object.
    HWND own = GetHandle();
    Unbind();
    ReleaseChildren();
    if (own != nullptr) {
        DestroyWindow(own);
    }
}

bool NativeContainerWindow::Create() {
    return NativeWindow::Create() && CreateChildren();
}

bool NativeContainerWindow::CreateChildren() {
    context.Retarget(GetHandle());
    for (int32_t index = 0; index < ChildCount(); ++index) {
        Control* child = ChildAt(index);
        if (child != nullptr && !child->IsCreated() && !child->Create()) {
            Destroy();
            return false;
        }
    }
    Update(true, true, true);
    LayoutChildren();
    return true;
}

void NativeContainerWindow::Destroy() {
    for (int32_t index = 0; index < ChildCount(); ++index) {
        Control* child = ChildAt(index);
        if (child != nullptr && child->IsCreated()) {
            child->Destroy();
        }
    }
    NativeWindow::Destroy();
}

DrawingContext* NativeContainerWindow::GetGraphics(int32_t& x, int32_t& y) {
    if (GetHandle() == nullptr) {
        return nullptr;
    }
    context.Retarget(GetHandle());
    x = 0;
    y = 0;
    return &context;
}

void NativeContainerWindow::OnMove() {
    LayoutChildren();
    WindowBase::OnMove();
}

void NativeContainerWindow::OnResize() {
    LayoutChildren();
    WindowBase::OnResize();
}

bool NativeContainerWindow::GetWindowClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    return NativeWindow::GetClientRect(x, y, w, h);
}

bool NativeContainerWindow::GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    if (!GetWindowClientRect(x, y, w, h)) {
        return false;
    }
    const Margins& margins = GetMargins();
    x += margins.left;
    y += margins.top;
    w = std::max(w - margins.left - margins.right, 0);
    h = std::max(h - margins.top - margins.bottom, 0);
    return true;
}

Control* NativeContainerWindow::WindowlessChildAt(int32_t& x, int32_t& y) {
    // The children live in the area inside the margins.
    int32_t clientX = 0;
    int32_t clientY = 0;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    if (GetClientRect(clientX, clientY, clientWidth, clientHeight)) {
        x -= clientX;
        y -= clientY;
    }
    Control* child = ChildAtPoint(x, y);
    return child != nullptr && child->IsWindowless() ? child : nullptr;
}

int32_t NativeContainerWindow::OnMouse(int32_t x, int32_t y, int32_t event) {
    int32_t childX = x;
    int32_t childY = y;
    Control* child = WindowlessChildAt(childX, childY);
    if (child == nullptr) {
        return WindowBase::OnMouse(x, y, event);
    }
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    child->GetBounds(left, top, width, height);
    childX -= left;
    childY -= top;
    if (child->GetClientRect(left, top, width, height)) {
        childX -= left;
        childY -= top;
    }
    return child->OnMouse(childX, childY, event);
}

LRESULT NativeContainerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR: {
        HWND window = GetHandle();
        if (window == nullptr || IsIconic(window)) {
            break;
        }
        POINT point{};
        if (GetCursorPos(&point) && ScreenToClient(window, &point)) {
            int32_t x = point.x;
            int32_t y = point.y;
            if (Control* child = WindowlessChildAt(x, y)) {
                auto* cursor = dynamic_cast<NativeCursor*>(child->GetCursor());
                if (cursor != nullptr && cursor->HasHandle()) {
                    SetCursor(cursor->GetHandle());
                    return 1;
                }
            }
        }
        break;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item == nullptr || item->CtlType == ODT_MENU) {
            break;
        }
        for (int32_t index = 0; index < ChildCount(); ++index) {
            auto* child = dynamic_cast<NativeWindow*>(ChildAt(index));
            if (child != nullptr && child->GetHandle() == item->hwndItem) {
                SendMessageW(child->GetHandle(), WM_DRAWITEM, wParam, lParam);
            }
        }
        return 1;
    }
    default:
        break;
    }
    return NativeWindow::HandleMessage(message, wParam, lParam);
}

bool NativeTitledWindow::Create() {
    if (!NativeContainerWindow::Create()) {
        return false;
    }
    if (GetHandle() != nullptr && !Title().IsEmpty()) {
        SetWindowTextW(GetHandle(), reinterpret_cast<const wchar_t*>(Title().GetWide()));
    }
    return true;
}

void NativeTitledWindow::SetTitle(const common::String& title) {
    if (Title().Compare(title) == 0) {
        return;
    }
    TitledWindowBase::SetTitle(title);
    if (GetHandle() != nullptr) {
        SetWindowTextW(GetHandle(), reinterpret_cast<const wchar_t*>(Title().GetWide()));
    }
}

} // namespace gui::Windows
