// The emulation screen: painting the core's frame, the main window's keys with their hot keys, the mouse with its
// capture mode, and the idle hook through which the emulation thread lets the GUI thread catch up.
#include "app/EmulatorCore.h"
#include "frontend/win32/EmulatorApplication.h"
#include "frontend/win32/MainMenuBar.h"
#include "frontend/win32/MainWindow.h"
#include "gui/Cursor.h"
#include "gui/DrawingContext.h"
#include "gui/DrawingObjects.h"
#include "gui/windows/PictureControl.h"

#include <algorithm>

namespace emu {
namespace {

constexpr int32_t kLeftCtrl = 0xE2;
constexpr int32_t kRightCtrl = 0xE3;
constexpr int32_t kEnter = 0x0D;
constexpr int32_t kF4 = 0x73;
constexpr int32_t kF11 = 0x7A;
constexpr int32_t kF12 = 0x7B;
constexpr int32_t kCaptureCursor = 2;
// Message ages are taken up to this: an older time (or one that is no key message's) counts as this old.
constexpr DWORD kLongestMessageAgeMs = 10000;

// The core's mouse codes.
enum CoreMouse : int32_t { kLeftPress = 0, kLeftRelease = 1, kRightPress = 2, kRightRelease = 3, kMoveOnly = 4 };

void FillBlack(gui::Window& control, gui::DrawingContext* context) {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    if (context == nullptr || !control.GetClientRect(x, y, w, h)) {
        return;
    }
    context->GetBrush()->SetSolidColour(gui::Colour::Of(0xFF000000));
    context->FillRectangle(x, y, x + w - 1, y + h - 1);
}

void HideCursor() {
    int count = ShowCursor(FALSE);
    if (count < -1) {
        ShowCursor(TRUE);
    }
    while (count >= 0) {
        count = ShowCursor(FALSE);
    }
}

// How long ago the message being handled was sent, in milliseconds: the machine gets keys that the GUI thread
// takes late as far apart as they were typed.
uint32_t MessageAgeMs() {
    return std::min<DWORD>(GetTickCount() - static_cast<DWORD>(GetMessageTime()), kLongestMessageAgeMs);
}

} // namespace

void ShowCursorAgain() {
    int count = ShowCursor(TRUE);
    if (count > 0) {
        ShowCursor(FALSE);
    }
    while (count < 0) {
        count = ShowCursor(TRUE);
    }
}

bool OnEmulatorIdleWait(int32_t timeout) {
    gui::Application* application = EmulatorApplication::Running();
    return application == nullptr || application->WaitForIdle(timeout);
}

int32_t OnScreenKey(gui::Window* window, int32_t key, bool down) {
    MainWindow* main = MainWindow::Of(window);
    if (main == nullptr) {
        return 0;
    }
    if (key == kLeftCtrl || key == kRightCtrl) {
        main->ctrlHeld = down;
    }
    if (main->core == nullptr) {
        return 0;
    }
    // Alt+F4 is the system's: it closes the window as its close button does. F4 alone goes to the machine.
    if (key == kF4 && down && GetKeyState(VK_MENU) < 0) {
        return 0;
    }
    const bool taken = main->core->OnKeyChar(key, down, MessageAgeMs());
    if (!taken && (key == kF11 || key == kF12)) {
        if (main->fullscreen) {
            main->SetFullscreen(false, true);
        }
        MainMenuBar* bar = main->Menu();
        gui::MenuItem* item = bar == nullptr ? nullptr : key == kF11 ? bar->saveStateItem : bar->loadStateItem;
        if (item != nullptr) {
            item->OnMenuCommand(-1);
        }
        if (main->fullscreen) {
            main->SetFullscreen(true, true);
        }
        return 1;
    }
    // After the core: the machine gets the Enter key as well.
    if (key == kEnter && down && (GetAsyncKeyState(VK_LMENU) < 0 || GetAsyncKeyState(VK_RMENU) < 0)) {
        if (main->SetFullscreen(!main->fullscreen, false)) {
            main->fullscreen = !main->fullscreen;
        }
    }
    return 1;
}

bool OnScreenPaint(gui::Window* control, gui::DrawingContext* context) {
    auto* picture = dynamic_cast<gui::Windows::PictureControl*>(control);
    if (picture == nullptr || picture->GetHandle() == nullptr) {
        return false;
    }
    MainWindow* main = MainWindow::Of(control);
    EmulatorCore* core = main != nullptr ? main->core : nullptr;
    const bool hasSource = core != nullptr && core->Machine() != nullptr &&
                           (core->ConsoleMode() ? core->ConsoleSurface() : core->Renderer()) != nullptr;
    if (!hasSource) {
        FillBlack(*picture, context);
        return true;
    }
    if (main->clearOnPaint) {
        FillBlack(*picture, context);
        main->clearOnPaint = false;
    }
    core->PresentFrame(false, true);
    main->SetEraseBackground(false);
    return true;
}

int32_t OnScreenMouse(gui::Window* control, int32_t x, int32_t y, int32_t event) {
    MainWindow* main = MainWindow::Of(control);
    if (main == nullptr || main->core == nullptr) {
        return 0;
    }
    EmulatorCore& core = *main->core;
    if (!core.IsPowered()) {
        if (!main->mouseCaptured) {
            return 0;
        }
        main->DropMouseCapture();
        return 0;
    }
    auto* native = dynamic_cast<gui::Windows::NativeWindow*>(control);
    if (native == nullptr) {
        return 0;
    }
    const bool captured = main->ScreenHoldsCapture();
    if (event != gui::kLeftDoubleClick && !captured) {
        return 0;
    }
    int32_t dx = x;
    int32_t dy = y;
    switch (event) {
    case gui::kLeftDoubleClick:
        if (captured) {
            if (native->TakeMouseDelta(dx, dy)) {
                core.OnMouseEvent(dx, dy, kLeftPress);
                core.OnMouseEvent(dx, dy, kLeftRelease);
            }
            return 1;
        }
        if (!main->config.EmuCaptureMouseOnDblClick) {
            return 0;
        }
        main->mouseCaptured = true;
        core.OnKeyEvent(false, true);
        SetCapture(native->GetHandle());
        ClipCursor(nullptr);
        HideCursor();
        native->TakeMouseDelta(dx, dy);
        return 1;
    case gui::kLeftDown:
    case gui::kLeftUp:
    case gui::kRightDown:
    case gui::kRightUp:
        if (native->TakeMouseDelta(dx, dy)) {
            static constexpr int32_t kCodes[] = {0, kLeftPress, kLeftRelease, 0, kRightPress, kRightRelease};
            core.OnMouseEvent(dx, dy, kCodes[event]);
        }
        return 1;
    case gui::kRightDoubleClick:
        if (native->TakeMouseDelta(dx, dy)) {
            core.OnMouseEvent(dx, dy, kRightPress);
            core.OnMouseEvent(dx, dy, kRightRelease);
        }
        return 1;
    case gui::kMouseMove:
        if (native->TakeMouseDelta(dx, dy) && (dx != 0 || dy != 0)) {
            core.OnMouseEvent(dx, dy, kMoveOnly);
        }
        return 1;
    case gui::kMiddleDown:
    case gui::kMiddleUp:
        core.OnKeyEvent(false, true);
        if (captured) {
            ReleaseCapture();
            ClipCursor(nullptr);
        }
        ShowCursorAgain();
        return 1;
    default:
        return 0;
    }
}

void MainWindow::RepaintScreen() {
    if (screen != nullptr) {
        screen->Invalidate(0, 0, -1, -1);
    }
}

void SetScreenCursor(MainWindow& window, bool captureShape) {
    if (window.screen != nullptr) {
        if (gui::Cursor* cursor = window.screen->GetCursor()) {
            cursor->LoadStandard(captureShape ? kCaptureCursor : 0);
        }
    }
}

} // namespace emu
