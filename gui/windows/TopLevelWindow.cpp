#include "gui/windows/TopLevelWindow.h"

#include "gui/MenuBar.h"
#include "gui/PopupMenu.h"
#include "gui/Units.h"
#include "gui/windows/Win32Menus.h"

#include "common/SystemUtilities.h"

#include <algorithm>

namespace gui::Windows {

namespace {

constexpr UINT_PTR kClockTimer = 1;
constexpr UINT_PTR kQueueTick = 2; // a tick posted by the timer-queue thread
constexpr DWORD kOverlapped = WS_OVERLAPPEDWINDOW;

} // namespace

TopLevelWindow::TopLevelWindow(int32_t x, int32_t y, int32_t w, int32_t h, int32_t placementMode)
    : FrameWindowBase(placementMode) {
    FixProcessDpi();
    UseWin32Menus();
    // Nothing virtual is called while the object is built: with no window yet, placing is storing.
    WindowBase::StoreGeometry(x, y, w, h, false);
}

TopLevelWindow::~TopLevelWindow() {
    MarkDestroying();
    StopTimers();
}

bool TopLevelWindow::CreateOnInstance(HINSTANCE newInstance) {
    if (GetHandle() != nullptr) {
        return instance == newInstance;
    }
    instance = newInstance;
    return Create();
}

bool TopLevelWindow::Create() {
    if (IsCreated()) {
        return true;
    }
    if (instance == nullptr) {
        return false;
    }
    if (firstCreate) {
        firstCreate = false;
        if (!OnCreate()) {
            return false;
        }
    }
    className = RegisterUniqueWindowClass(instance, iconId);
    if (className.IsEmpty()) {
        return false;
    }

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int dx = screenWidth - GetSystemMetrics(SM_CXMAXIMIZED);
    const int dy = screenHeight - GetSystemMetrics(SM_CYMAXIMIZED);
    int availableWidth = screenWidth;
    int availableHeight = screenHeight;
    int minimumX = 0;
    int minimumY = 0;
    if (dx > 0) {
        availableWidth = screenWidth - 3 * dx;
        minimumX = dx + (dx >> 1);
    }
    if (dy > 0) {
        availableHeight = screenHeight - 3 * dy;
        minimumY = dy + (dy >> 1);
    }
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    GetBounds(x, y, w, h);
    SetSize(std::min(w, availableWidth), std::min(h, availableHeight));
    GetBounds(x, y, w, h);
    const int32_t centreX = std::max(availableWidth / 2 - w / 2, minimumX);
    const int32_t centreY = std::max(availableHeight / 2 - h / 2, minimumY);

    DWORD style = kOverlapped;
    switch (GetPlacementMode()) {
    case 0:
        x = CW_USEDEFAULT;
        y = CW_USEDEFAULT;
        SetPlacementMode(1);
        break;
    case 2:
        SetPosition(centreX, centreY);
        GetBounds(x, y, w, h);
        SetPlacementMode(1);
        break;
    case 3:
        SetPosition(centreX, centreY);
        GetBounds(x, y, w, h);
        style |= WS_MAXIMIZE;
        break;
    case 4:
        SetPosition(centreX, centreY);
        GetBounds(x, y, w, h);
        style |= WS_MINIMIZE;
        break;
    default:
        break;
    }

    HMENU menu = nullptr;
    if (MenuBar* bar = GetMenuBar()) {
        menu = static_cast<HMENU>(bar->EnsureHandle());
    }
    HWND window = CreateWindowExW(0, reinterpret_cast<const wchar_t*>(className.GetWide()),
                                  reinterpret_cast<const wchar_t*>(Title().GetWide()), style, x, y, w, h, nullptr, menu,
                                  instance, nullptr);
    SetHandle(window);
    tickTarget.window = window;
    Update(true, true, true);
    if (!NativeTitledWindow::Create()) {
        return false;
    }
    return StartTimers(true);
}

void TopLevelWindow::StopTimers() {
    if (timerId != 0 && GetHandle() != nullptr) {
        KillTimer(GetHandle(), timerId);
    }
    timerId = 0;
    if (timerQueue != nullptr) {
        // Both wait for a tick that is running, so that the window is not read after it has gone.
        if (queueTimer != nullptr) {
            DeleteTimerQueueTimer(timerQueue, queueTimer, INVALID_HANDLE_VALUE);
        }
        DeleteTimerQueueEx(timerQueue, INVALID_HANDLE_VALUE);
    }
    queueTimer = nullptr;
    timerQueue = nullptr;
    tickTarget.window = nullptr;
}

void TopLevelWindow::Destroy() {
    fullscreen = false;
    StopTimers();
    NativeTitledWindow::Destroy();
}

void TopLevelWindow::Show(bool visible) {
    if (IsVisible(false) == visible) {
        return;
    }
    WindowBase::Show(visible);
    HWND window = GetHandle();
    if (!IsCreated() || window == nullptr) {
        return;
    }
    if (!visible) {
        ShowWindow(window, SW_HIDE);
    } else {
        switch (GetPlacementMode()) {
        case 3:
            ShowWindow(window, SW_MAXIMIZE);
            SetPlacementMode(1);
            break;
        case 4:
            ShowWindow(window, SW_SHOWMINIMIZED);
            SetPlacementMode(1);
            break;
        case 0:
        case 1:
        case 2:
            ShowWindow(window, SW_SHOW);
            break;
        default:
            break;
        }
    }
    UpdateWindow(window);
}

bool TopLevelWindow::StartTimers(bool resync) {
    HWND window = GetHandle();
    if (window == nullptr) {
        return true;
    }
    if (resync) {
        FrameWindowBase::StartTimers(true);
    }
    if (timerId == 0) {
        timerId = SetTimer(window, kClockTimer, 1, WindowTimerProc);
    }
    if (timerQueue == nullptr) {
        timerQueue = CreateTimerQueue();
        if (timerQueue != nullptr && queueTimer == nullptr &&
            !CreateTimerQueueTimer(&queueTimer, timerQueue, TimerQueueTick, &tickTarget,
                                   static_cast<DWORD>(clockPeriod), static_cast<DWORD>(clockPeriod), 0)) {
            queueTimer = nullptr;
        }
    }
    return timerId != 0 || queueTimer != nullptr;
}

bool TopLevelWindow::SetClockPeriod(int32_t milliseconds) {
    if (milliseconds < 1 || milliseconds > 1000) {
        return false;
    }
    if (milliseconds == clockPeriod) {
        return true;
    }
    const auto period = static_cast<ULONG>(milliseconds);
    if (queueTimer != nullptr && !ChangeTimerQueueTimer(timerQueue, queueTimer, period, period)) {
        return false;
    }
    clockPeriod = milliseconds;
    return true;
}

void CALLBACK TopLevelWindow::TimerQueueTick(void* parameter, BOOLEAN) {
    auto* target = static_cast<TickTarget*>(parameter);
    HWND window = target->window.load();
    if (window == nullptr || target->posted.exchange(true)) {
        return;
    }
    if (!PostMessageW(window, WM_TIMER, kQueueTick, reinterpret_cast<LPARAM>(WindowTimerProc))) {
        target->posted = false;
    }
}

void CALLBACK TopLevelWindow::WindowTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
    auto* frame = dynamic_cast<TopLevelWindow*>(NativeWindow::FromHandle(window));
    if (frame == nullptr) {
        return;
    }
    if (id == kQueueTick) {
        frame->tickTarget.posted = false;
    }
    frame->RunTimerTasks();
}

void TopLevelWindow::OnActivate(bool) {}

LRESULT TopLevelWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = GetHandle();
    switch (message) {
    case WM_ERASEBKGND:
        if (!GetEraseBackground()) {
            return -1;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            // Whoever hid the cursor, it shows outside the window.
            int count = ShowCursor(TRUE);
            if (count > 0) {
                ShowCursor(FALSE);
            }
            while (count < 0) {
                count = ShowCursor(TRUE);
            }
            if (fullscreen) {
                SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
            }
            OnActivate(false);
        } else {
            if (fullscreen) {
                SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
            }
            OnActivate(true);
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_KEYMENU) {
            return 0;
        }
        break;
    case WM_MENUCOMMAND: {
        MENUINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = MIM_MENUDATA;
        if (GetMenuInfo(reinterpret_cast<HMENU>(lParam), &info) && info.dwMenuData != 0) {
            const auto position =
                static_cast<int32_t>(common::GetOsPlatform() == 1 ? HIWORD(wParam) : static_cast<UINT>(wParam));
            reinterpret_cast<PopupMenu*>(info.dwMenuData)->OnMenuCommand(position);
        }
        break;
    }
    case WM_DESTROY: {
        const LRESULT result = NativeTitledWindow::HandleMessage(message, wParam, lParam);
        // Its native window is gone: the message loop ends.
        PostQuitMessage(0);
        return result;
    }
    default:
        break;
    }
    return NativeTitledWindow::HandleMessage(message, wParam, lParam);
}

Colour TopLevelWindow::GetSystemColour(int32_t kind) {
    static constexpr int kIndexes[] = {COLOR_BTNTEXT, COLOR_GRAYTEXT, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
    if (kind < 0 || kind > 3) {
        return Colour::Of(common::kDefaultColour);
    }
    return Colour::FromColorRef(GetSysColor(kIndexes[kind]));
}

bool TopLevelWindow::SetFullscreen(bool on, bool force) {
    if (GetHandle() == nullptr) {
        fullscreen = false;
        return false;
    }
    if (force || on == fullscreen) {
        return true;
    }
    if (on) {
        return EnterFullscreen();
    }
    LeaveFullscreen();
    return true;
}

bool TopLevelWindow::EnterFullscreen() {
    HWND window = GetHandle();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return false;
    }
    savedPlacement = WINDOWPLACEMENT{};
    savedPlacement.length = sizeof(savedPlacement);
    if (!GetWindowPlacement(window, &savedPlacement)) {
        return false;
    }
    MoveOwn([&] {
        GetBounds(savedX, savedY, savedWidth, savedHeight);
        savedMenu = GetMenu(window);
        SetMenu(window, nullptr);
        savedStyle = GetWindowLongW(window, GWL_STYLE);
        SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(WS_POPUP));
        const RECT& area = monitor.rcMonitor;
        SetWindowPos(window, HWND_TOPMOST, area.left, area.top, area.right - area.left + 1, area.bottom - area.top,
                     SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    });
    Update(true, true, false);
    OnMove();
    OnResize();
    fullscreen = true;
    return true;
}

void TopLevelWindow::LeaveFullscreen() {
    HWND window = GetHandle();
    MoveOwn([&] {
        SetMenu(window, savedMenu);
        SetWindowLongW(window, GWL_STYLE, savedStyle);
        SetWindowPos(window, HWND_NOTOPMOST, savedX, savedY, savedWidth, savedHeight,
                     SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        SetWindowPlacement(window, &savedPlacement);
    });
    Update(true, true, false);
    OnMove();
    OnResize();
    fullscreen = false;
}

} // namespace gui::Windows
