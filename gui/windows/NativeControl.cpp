#include "gui/windows/NativeControl.h"

#include "gui/Units.h"

namespace gui::Windows {

namespace {

void InitialiseCommonControls() {
    static const bool initialised = [] {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_WIN95_CLASSES;
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)initialised;
}

} // namespace

NativeControl::NativeControl(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dockMode, bool visible) {
    InitAlignment(dockMode);
    Place(x, y, w, h, kPixels, visible);
}

NativeControl::NativeControl(const Bounds& bounds, int32_t dockMode, bool visible, int32_t unit) {
    InitAlignment(dockMode);
    Place(bounds.x, bounds.y, bounds.width, bounds.height, unit, visible);
}

void NativeControl::Place(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit, bool visible) {
    ConvertUnitsToPixels(x, y, unit);
    ConvertUnitsToPixels(w, h, unit);
    SetInitialBounds(x, y, w, h);
    // No window, parent or limits yet: placing is storing. Nothing virtual is called while the object is built.
    WindowBase::StoreGeometry(x, y, w, h, visible);
}

HWND NativeControl::GetParentHandle() {
    auto* parent = dynamic_cast<NativeWindow*>(GetParent());
    return parent != nullptr ? parent->GetHandle() : nullptr;
}

HINSTANCE NativeControl::GetInstance() {
    auto* parent = dynamic_cast<NativeWindow*>(GetParent());
    return parent != nullptr ? parent->GetInstance() : nullptr;
}

bool NativeControl::CanMakeWindow() {
    Window* parent = GetParent();
    return parent != nullptr && parent->IsCreated() && GetParentHandle() != nullptr && GetInstance() != nullptr;
}

void NativeControl::ParentOrigin(int32_t& x, int32_t& y) {
    x = 0;
    y = 0;
    int32_t w = 0;
    int32_t h = 0;
    Window* parent = GetParent();
    if (parent == nullptr || !parent->GetClientRect(x, y, w, h)) {
        x = 0;
        y = 0;
    }
}

bool NativeControl::MakeWindow(const wchar_t* className, DWORD style) {
    if (IsCreated() || GetHandle() != nullptr || !CanMakeWindow()) {
        return false;
    }
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    GetBounds(x, y, w, h);
    int32_t originX = 0;
    int32_t originY = 0;
    ParentOrigin(originX, originY);
    SetHandle(CreateWindowExW(0, className, L"", style, x + originX, y + originY, w, h, GetParentHandle(), nullptr,
                              GetInstance(), nullptr));
    return GetHandle() != nullptr;
}

bool NativeControl::Create() {
    if (IsCreated()) {
        return true;
    }
    Window* parent = GetParent();
    if (parent == nullptr || !parent->IsCreated()) {
        NativeWindow::Destroy();
        return false;
    }
    if (IsWindowless()) {
        SetDetached(false);
        return WindowBase::Create();
    }
    if (GetHandle() == nullptr) {
        NativeWindow::Destroy();
        return false;
    }
    UpdateTooltip();
    return NativeWindow::Create();
}

bool NativeControl::ReadNativeBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    RECT rect{};
    if (GetHandle() == nullptr || !GetWindowRect(GetHandle(), &rect)) {
        return false;
    }
    if (HWND parent = GetParentHandle()) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    }
    int32_t originX = 0;
    int32_t originY = 0;
    ParentOrigin(originX, originY);
    SplitRect(rect, x, y, w, h);
    x -= originX;
    y -= originY;
    return true;
}

bool NativeControl::Update(bool position, bool size, bool visibility) {
    if (IsWindowless()) {
        return false;
    }
    return NativeWindow::Update(position, size, visibility);
}

void NativeControl::OnMove() {
    WindowBase::OnMove();
    Container* parent = GetParentContainer();
    if (parent != nullptr && GetAlignment() != kDockNone) {
        parent->LayoutChildren();
    }
}

void NativeControl::OnResize() {
    WindowBase::OnResize();
    Container* parent = GetParentContainer();
    if (parent != nullptr && GetAlignment() != kDockNone) {
        parent->LayoutChildren();
    }
}

void NativeControl::Invalidate(int32_t, int32_t, int32_t, int32_t) {
    Container* parent = GetParentContainer();
    if (IsWindowless()) {
        if (parent != nullptr) {
            int32_t x = 0;
            int32_t y = 0;
            int32_t w = 0;
            int32_t h = 0;
            GetBounds(x, y, w, h);
            parent->Invalidate(x, y, w, h);
        }
        return;
    }
    NativeWindow::Invalidate(0, 0, -1, -1);
}

bool NativeControl::SetBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit) {
    int32_t oldX = 0;
    int32_t oldY = 0;
    int32_t oldWidth = 0;
    int32_t oldHeight = 0;
    GetBounds(oldX, oldY, oldWidth, oldHeight);
    NativeWindow::SetBounds(x, y, w, h, unit);
    GetBounds(x, y, w, h);
    // The parent paints a windowless control: it repaints where the control was and is.
    if (IsWindowless() && (x != oldX || y != oldY || w != oldWidth || h != oldHeight)) {
        Invalidate(0, 0, -1, -1);
    }
    return true;
}

void NativeControl::MoveNative(int32_t x, int32_t y, int32_t w, int32_t h) {
    int32_t originX = 0;
    int32_t originY = 0;
    ParentOrigin(originX, originY);
    MoveWindow(GetHandle(), x + originX, y + originY, w, h, TRUE);
}

void NativeControl::Show(bool visible) {
    if (IsVisible(false) == visible) {
        return;
    }
    WindowBase::Show(visible);
    HWND window = GetHandle();
    if (IsCreated() && window != nullptr) {
        if (visible) {
            ShowWindow(window, SW_SHOW);
            UpdateWindow(window);
        } else {
            ShowWindow(window, SW_HIDE);
        }
    }
    Container* parent = GetParentContainer();
    if (parent != nullptr && GetAlignment() != kDockNone) {
        parent->LayoutChildren();
    }
    if (IsWindowless() && GetGroup() == 0) {
        Invalidate(0, 0, -1, -1);
    }
}

void NativeControl::SetEnabled(bool enabled) {
    if (enabled == IsEnabled(false)) {
        return;
    }
    ControlBase::SetEnabled(enabled);
    if (!IsCreated()) {
        return;
    }
    if (IsWindowless()) {
        Invalidate(0, 0, -1, -1);
    } else if (GetHandle() != nullptr) {
        EnableWindow(GetHandle(), enabled);
    }
}

void NativeControl::SetTooltip(const common::String& text) {
    if (GetTooltip().Compare(text) == 0) {
        return;
    }
    ControlBase::SetTooltip(text);
    UpdateTooltip();
}

void NativeControl::UpdateTooltip() {
    HWND window = GetHandle();
    if (window == nullptr) {
        return;
    }
    const common::WideString& text = GetTooltip();
    if (tooltip == nullptr) {
        if (text.IsEmpty()) {
            return;
        }
        InitialiseCommonControls();
        tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, GetInstance(), nullptr);
        if (tooltip == nullptr) {
            return;
        }
        SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    TOOLINFOW tool{};
    // The size every version of the common controls takes.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text.GetWide()));
    if (text.IsEmpty()) {
        if (toolAdded) {
            SendMessageW(tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        toolAdded = false;
    } else if (toolAdded) {
        // A second TTM_ADDTOOLW would add a second tool and leave the old text showing.
        SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    } else {
        toolAdded = SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
    }
}

bool NativeContainerControl::Create() {
    return NativeControl::Create() && CreateChildren();
}

void NativeContainerControl::SetEnabled(bool enabled) {
    if (enabled == IsEnabled(false)) {
        return;
    }
    NativeControl::SetEnabled(enabled);
    ForEachChild();
}

} // namespace gui::Windows
