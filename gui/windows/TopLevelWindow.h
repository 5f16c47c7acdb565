// The Win32 top-level window: an overlapped window with a window class of its own, a title, a menu bar, a full
// screen mode, and the clocks that run the frame's timer tasks. Destroying its native window ends the message
// loop.
//
// Placement modes: 0 the system's default position, 1 the stored position, 2 centred on the work area, 3 centred
// and maximised, 4 centred and minimised. Modes 0 and 2 become 1 at creation, 3 and 4 at the first Show.
//
// Two clocks run the tasks, both on the GUI thread: a 1 ms SetTimer, and a timer-queue timer (every millisecond
// unless the owner sets a longer period) whose pool thread posts a tick only when the last one it posted has been
// handled, so that a busy GUI thread finds no backlog of ticks.
#pragma once

#include "gui/TitledWindowBase.h"
#include "gui/windows/NativeContainerWindow.h"

#include <atomic>

namespace gui::Windows {

class TopLevelWindow : public FrameWindowBase, public NativeTitledWindow {
public:
    // Fixes the process's DPI from the screen the first time a top-level window is made.
    TopLevelWindow(int32_t x, int32_t y, int32_t w, int32_t h, int32_t placementMode);
    ~TopLevelWindow() override;
    TopLevelWindow(const TopLevelWindow&) = delete;
    TopLevelWindow& operator=(const TopLevelWindow&) = delete;

    // Creates the native window with the instance; made already: whether it was made with the same instance.
    bool CreateOnInstance(HINSTANCE instance);

    bool Create() override;
    void Destroy() override;
    void Show(bool visible) override;
    FrameWindow* GetFrameWindow() override { return this; }
    TitledWindow* GetTopLevelWindow() override { return this; }
    bool OnCreate() override { return true; }
    // Starts the two clocks; false only when neither runs.
    bool StartTimers(bool resync) override;
    // The timer-queue clock's period, 1 to 1000 ms (1 at first); kept for a clock started later. False, with the
    // period unchanged, for one out of range or a running clock that refuses it.
    bool SetClockPeriod(int32_t milliseconds);
    int32_t ClockPeriod() const { return clockPeriod; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void OnActivate(bool active);
    HINSTANCE GetInstance() override { return instance; }
    Colour GetSystemColour(int32_t kind) override;
    // A borderless topmost window over the whole monitor, and back; force leaves the mode alone.
    virtual bool SetFullscreen(bool on, bool force);

    bool IsFullscreen() const { return fullscreen; }
    void SetIconId(uint32_t id) { iconId = id; }
    const common::WideString& GetWindowClassName() const { return className; }

private:
    // What the timer-queue thread reads: the window to post to, and whether its last tick is still unhandled.
    struct TickTarget {
        std::atomic<HWND> window{nullptr};
        std::atomic<bool> posted{false};
    };

    static void CALLBACK WindowTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
    static void CALLBACK TimerQueueTick(void* parameter, BOOLEAN fired);
    void StopTimers();
    bool EnterFullscreen();
    void LeaveFullscreen();

    HINSTANCE instance = nullptr;
    uint32_t iconId = 0;
    common::WideString className;
    LONG savedStyle = 0;
    bool fullscreen = false;
    int32_t savedX = 0;
    int32_t savedY = 0;
    int32_t savedWidth = 0;
    int32_t savedHeight = 0;
    WINDOWPLACEMENT savedPlacement{};
    HMENU savedMenu = nullptr;
    UINT_PTR timerId = 0;
    HANDLE timerQueue = nullptr;
    HANDLE queueTimer = nullptr;
    TickTarget tickTarget;
    int32_t clockPeriod = 1;
    bool firstCreate = true;
};

} // namespace gui::Windows
