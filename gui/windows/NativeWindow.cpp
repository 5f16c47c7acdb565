#include "gui/windows/NativeWindow.h"

#include "gui/KeyInput.h"
#include "gui/TitledWindow.h"
#include "gui/Units.h"
#include "gui/windows/GdiDrawingContext.h"

#include "common/ProgramFolders.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace gui::Windows {

namespace {

// The toolkit's mouse events by message.
int32_t MouseEventOf(UINT message) {
    switch (message) {
    case WM_LBUTTONDBLCLK:
        return kLeftDoubleClick;
    case WM_LBUTTONDOWN:
        return kLeftDown;
    case WM_LBUTTONUP:
        return kLeftUp;
    case WM_RBUTTONDBLCLK:
        return kRightDoubleClick;
    case WM_RBUTTONDOWN:
        return kRightDown;
    case WM_RBUTTONUP:
        return kRightUp;
    case WM_MOUSEMOVE:
        return kMouseMove;
    case WM_MBUTTONDBLCLK:
        return kMiddleDoubleClick;
    case WM_MBUTTONDOWN:
        return kMiddleDown;
    case WM_MBUTTONUP:
        return kMiddleUp;
    default:
        return -1;
    }
}

// The left and right virtual keys of Shift, Ctrl and Alt.
void SidesOf(UINT virtualKey, int& left, int& right) {
    switch (virtualKey) {
    case VK_SHIFT:
        left = VK_LSHIFT;
        right = VK_RSHIFT;
        break;
    case VK_CONTROL:
        left = VK_LCONTROL;
        right = VK_RCONTROL;
        break;
    default:
        left = VK_LMENU;
        right = VK_RMENU;
        break;
    }
}

bool IsKeyHeld(int virtualKey) {
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

} // namespace

LRESULT CALLBACK ToolkitWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    NativeWindow* bound = NativeWindow::FromHandle(window);
    if (bound != nullptr) {
        return bound->HandleMessage(message, wParam, lParam);
    }
    return CallWindowProcW(DefWindowProcW, window, message, wParam, lParam);
}

bool IsPrimaryMouseButtonDown() {
    const int button = GetSystemMetrics(SM_SWAPBUTTON) > 0 ? VK_RBUTTON : VK_LBUTTON;
    const auto state = static_cast<int16_t>(GetAsyncKeyState(button));
    return std::abs(static_cast<int>(state)) > 2;
}

common::WideString RegisterUniqueWindowClass(HINSTANCE instance, uint32_t iconId) {
    static bool seeded = false;
    if (!seeded) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        seeded = true;
    }
    const common::PathString& programName = common::ProgramFolders::Host().GetProgramName();
    common::WideString name;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int first = std::rand();
        const int second = std::rand();
        // Each number spread over 32 bits and printed signed, the second drawn first.
        auto spread = [](int value) {
            const auto wide = static_cast<int64_t>(static_cast<long double>(value) / 32767.0L * 4294967295.0L);
            return static_cast<int32_t>(static_cast<uint32_t>(wide));
        };
        name.Assign(programName);
        name.AppendFormat("_%d_%d", spread(second), spread(first));

        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_VREDRAW | CS_HREDRAW;
        windowClass.lpfnWndProc = ToolkitWindowProc;
        windowClass.hInstance = instance;
        if (iconId != 0) {
            windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId & 0xFFFF));
        }
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        windowClass.lpszClassName = reinterpret_cast<const wchar_t*>(name.GetWide());
        if (RegisterClassExW(&windowClass) != 0) {
            return name;
        }
    }
    name.Clear();
    return name;
}

void FixProcessDpi() {
    if (ProcessDpi().IsFixed()) {
        return;
    }
    int32_t x = 0;
    int32_t y = 0;
    if (HDC screen = GetDC(nullptr)) {
        x = GetDeviceCaps(screen, LOGPIXELSX);
        y = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    ProcessDpi().Fix(x, y);
}

NativeWindow* NativeWindow::FromHandle(HWND handle) {
    auto* bound = reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
    return bound != nullptr && bound->window == handle ? bound : nullptr;
}

NativeWindow::~NativeWindow() {
    MarkDestroying();
    if (window == nullptr) {
        return;
    }
    HWND going = window;
    Unbind();
    DestroyWindow(going);
}

bool NativeWindow::Bind() {
    if (window == nullptr) {
        return false;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)) != this) {
        return false;
    }
    if (previousProcedure == nullptr) {
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == ToolkitWindowProc) {
            previousProcedure = DefWindowProcW;
        } else {
            previousProcedure = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ToolkitWindowProc)));
            subclassed = true;
        }
    }
    return true;
}

void NativeWindow::Unbind() {
    if (window == nullptr) {
        return;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // A native control gets its own procedure back for the messages that still come (WM_NCDESTROY).
    if (subclassed && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == ToolkitWindowProc) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProcedure));
    }
    subclassed = false;
    window = nullptr;
}

bool NativeWindow::Create() {
    if (IsCreated()) {
        return true;
    }
    if (!Bind()) {
        Destroy();
        return false;
    }
    return WindowBase::Create();
}

void NativeWindow::Destroy() {
    if (window != nullptr && !inDestroy) {
        if (DestroyWindow(window)) {
            return; // its WM_DESTROY came back here and unbound it
        }
    }
    Unbind();
    inDestroy = false;
    previousProcedure = nullptr;
    cursor.reset();
    WindowBase::Destroy();
    detached = true;
}

bool NativeWindow::ReadNativeBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    RECT rect{};
    if (window == nullptr || !GetWindowRect(window, &rect)) {
        return false;
    }
    SplitRect(rect, x, y, w, h);
    return true;
}

bool NativeWindow::Update(bool position, bool size, bool visibility) {
    if (window == nullptr || !IsWindow(window) || (!position && !size && !visibility)) {
        return false;
    }
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    GetBounds(x, y, w, h);
    if (position || size) {
        ReadNativeBounds(x, y, w, h);
    }
    const bool visible = visibility ? (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0 : IsVisible(false);
    return StoreGeometry(x, y, w, h, visible);
}

DrawingContext* NativeWindow::GetGraphics(int32_t& x, int32_t& y) {
    DrawingContext* context = WindowBase::GetGraphics(x, y);
    if (auto* gdi = dynamic_cast<GdiDrawingContext*>(context); gdi != nullptr && window != nullptr) {
        gdi->Retarget(window);
    }
    return context;
}

void NativeWindow::Invalidate(int32_t, int32_t, int32_t, int32_t) {
    if (window != nullptr) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

bool NativeWindow::Close() {
    if (window == nullptr) {
        return false;
    }
    SendMessageW(window, WM_CLOSE, 0, 0);
    return true;
}

bool NativeWindow::GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    if (window != nullptr) {
        RECT rect{};
        if (!::GetClientRect(window, &rect)) {
            return false;
        }
        SplitRect(rect, x, y, w, h);
        return true;
    }
    if (!IsWindowless()) {
        return false;
    }
    GetBounds(x, y, w, h);
    x = 0;
    y = 0;
    return true;
}

bool NativeWindow::SetBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit) {
    ConvertUnitsToPixels(x, y, unit);
    ConvertUnitsToPixels(w, h, unit);
    int32_t oldX = 0;
    int32_t oldY = 0;
    int32_t oldWidth = 0;
    int32_t oldHeight = 0;
    GetBounds(oldX, oldY, oldWidth, oldHeight);
    {
        SilencedCallbacks silenced(*this);
        WindowBase::SetBounds(x, y, w, h, kPixels);
    }
    GetBounds(x, y, w, h);
    int32_t nativeX = 0;
    int32_t nativeY = 0;
    int32_t nativeWidth = 0;
    int32_t nativeHeight = 0;
    if (window != nullptr && ReadNativeBounds(nativeX, nativeY, nativeWidth, nativeHeight) &&
        (nativeX != x || nativeY != y || nativeWidth != w || nativeHeight != h)) {
        MoveOwn([&] { MoveNative(x, y, w, h); });
        Update(true, true, false);
        GetBounds(x, y, w, h);
    }
    if (x != oldX || y != oldY) {
        OnMove();
    }
    if (w != oldWidth || h != oldHeight) {
        OnResize();
    }
    return true;
}

void NativeWindow::MoveNative(int32_t x, int32_t y, int32_t w, int32_t h) {
    MoveWindow(window, x, y, w, h, TRUE);
}

void NativeWindow::Show(bool visible) {
    if (IsVisible(false) == visible) {
        return;
    }
    WindowBase::Show(visible);
    if (!IsCreated() || window == nullptr) {
        return;
    }
    if (visible) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    } else {
        ShowWindow(window, SW_HIDE);
    }
}

Cursor* NativeWindow::GetCursor() {
    if (!cursor) {
        cursor = std::make_unique<NativeCursor>(ApplyCursor, this);
    }
    return cursor.get();
}

void NativeWindow::ApplyCursor(void* context, NativeCursor* changed, int changing) {
    auto* self = static_cast<NativeWindow*>(context);
    if (self->window == nullptr || IsIconic(self->window)) {
        return;
    }
    POINT point{};
    RECT client{};
    if (!GetCursorPos(&point) || !ScreenToClient(self->window, &point) || !::GetClientRect(self->window, &client) ||
        !PtInRect(&client, point)) {
        return;
    }
    // Hidden while the handle changes, then the new one.
    SetCursor(changing != 0 ? nullptr : changed->GetHandle());
}

Colour NativeWindow::GetSystemColour(int32_t kind) {
    auto* frame = dynamic_cast<NativeWindow*>(GetFrameWindow());
    if (frame != nullptr && frame != this) {
        return frame->GetSystemColour(kind);
    }
    return Colour::Of(common::kDefaultColour);
}

bool NativeWindow::TakeMouseDelta(int32_t& x, int32_t& y) {
    RECT rect{};
    if (window == nullptr || !GetWindowRect(window, &rect)) {
        return false;
    }
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    POINT centreClient = centre;
    if (!ScreenToClient(window, &centreClient)) {
        return false;
    }
    x -= centreClient.x;
    y -= centreClient.y;
    if (x == 0 && y == 0) {
        return true;
    }
    return SetCursorPos(centre.x, centre.y) != FALSE;
}

bool NativeWindow::HandleNotify(NMHDR*, LRESULT*) {
    return false;
}

LRESULT NativeWindow::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
    if (previousProcedure == nullptr) {
        return 0;
    }
    return CallWindowProcW(previousProcedure, window, message, wParam, lParam);
}

LRESULT NativeWindow::HandleKey(WPARAM wParam, LPARAM lParam, bool down, UINT message) {
    const auto virtualKey = static_cast<uint32_t>(wParam & 0xFFFF);
    if (IsModifierKey(virtualKey)) {
        int left = 0;
        int right = 0;
        SidesOf(virtualKey, left, right);
        // A side applies when it is held on a press and released on a release.
        const bool leftApplies = IsKeyHeld(left) == down;
        const bool rightApplies = IsKeyHeld(right) == down;
        if (DeliverModifierKey(*this, virtualKey, down, leftApplies, rightApplies)) {
            return 0;
        }
        return DefaultProcessing(message, wParam, lParam);
    }
    const int32_t code = KeyCodeOf(virtualKey, (lParam & (1 << 24)) != 0);
    if (code > 0 && OnKey(code, down) != 0) {
        return 0;
    }
    return DefaultProcessing(message, wParam, lParam);
}

LRESULT NativeWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY: {
        const WNDPROC own = subclassed ? previousProcedure : nullptr;
        HWND going = window;
        inDestroy = true;
        Destroy();
        // A native control does its own clean-up as well.
        if (own != nullptr) {
            CallWindowProcW(own, going, message, wParam, lParam);
        }
        return 0;
    }
    case WM_MOVE:
    case WM_SIZE: {
        int32_t x = 0;
        int32_t y = 0;
        int32_t w = 0;
        int32_t h = 0;
        if (!ownMove && ReadNativeBounds(x, y, w, h)) {
            SetBounds(x, y, w, h, kPixels);
        }
        return DefaultProcessing(message, wParam, lParam);
    }
    case WM_PAINT: {
        if (IsLocked()) {
            return 0;
        }
        const LRESULT result = DefaultProcessing(message, wParam, lParam);
        Redraw(0, 0, -1, -1, nullptr);
        return result;
    }
    case WM_SETCURSOR:
        if (cursor && cursor->HasHandle() && window != nullptr && !IsIconic(window)) {
            SetCursor(cursor->GetHandle());
            return 1;
        }
        return DefaultProcessing(message, wParam, lParam);
    case WM_GETMINMAXINFO: {
        if (lParam == 0) {
            return DefaultProcessing(message, wParam, lParam);
        }
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        int32_t minWidth = 0;
        int32_t minHeight = 0;
        int32_t maxWidth = 0;
        int32_t maxHeight = 0;
        GetMinMax(minWidth, minHeight, maxWidth, maxHeight);
        // Only ever raised: a limit below the system's leaves the system's.
        auto raise = [](LONG& field, int32_t value) {
            if (value > 0 && value > field) {
                field = value;
            }
        };
        raise(info->ptMinTrackSize.x, minWidth);
        raise(info->ptMinTrackSize.y, minHeight);
        raise(info->ptMaxTrackSize.x, maxWidth);
        raise(info->ptMaxTrackSize.y, maxHeight);
        return 0;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header != nullptr && header->hwndFrom != nullptr) {
            if (NativeWindow* from = FromHandle(header->hwndFrom)) {
                LRESULT result = 0;
                if (from->HandleNotify(header, &result)) {
                    return result;
                }
            }
        }
        return DefaultProcessing(message, wParam, lParam);
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        return HandleKey(wParam, lParam, true, message);
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return HandleKey(wParam, lParam, false, message);
    default:
        break;
    }
    const int32_t event = MouseEventOf(message);
    if (event >= 0) {
        const auto x = static_cast<int32_t>(static_cast<int16_t>(lParam & 0xFFFF));
        const auto y = static_cast<int32_t>(static_cast<int16_t>((lParam >> 16) & 0xFFFF));
        if (OnMouse(x, y, event) != 0) {
            return 0;
        }
    }
    return DefaultProcessing(message, wParam, lParam);
}

} // namespace gui::Windows
