// The Win32 application object: COM on the GUI thread, a main window (a plain top-level window unless the program
// brings its own) with a menu bar, and the message loop, which keeps a manual-reset event signalled exactly while
// the GUI thread waits for messages with nothing queued, so the emulation thread can let it catch up.
#pragma once

#include "gui/Application.h"
#include "gui/windows/TopLevelWindow.h"
#include "gui/windows/Win32.h"

#include <atomic>
#include <memory>

namespace gui::Windows {

class Win32Application : public gui::Application {
public:
    // Keeps the window only when it is a Win32 top-level window.
    explicit Win32Application(FrameWindow* mainWindow = nullptr);
    ~Win32Application() override;
    Win32Application(const Win32Application&) = delete;
    Win32Application& operator=(const Win32Application&) = delete;

    // Stores the start-up values, initialises COM and runs Init.
    bool Start(int32_t& exitCode, HINSTANCE instance, HINSTANCE previousInstance, LPWSTR* arguments,
               int32_t showCommand);

    bool Init(int32_t& exitCode) override;
    int32_t Run() override;
    void Exit() override;
    bool DestroyMainWindow() override;
    FrameWindow* GetMainWindow() override;
    bool WaitForIdle(int32_t timeout) override;

    HINSTANCE GetInstance() const { return instance; }

protected:
    TopLevelWindow* TopWindow() const { return mainWindow.get(); }
    void SetMainWindow(std::unique_ptr<TopLevelWindow> window) { mainWindow = std::move(window); }

private:
    // Translates and dispatches what is queued; false when a quit message came (its code in exitCode).
    bool Drain(MSG& message);

    HINSTANCE instance = nullptr;
    HINSTANCE previousInstance = nullptr;
    LPWSTR* arguments = nullptr;
    int32_t showCommand = 0;
    // Read afresh by the waiting thread before every wait.
    std::atomic<HANDLE> idleEvent{nullptr};
    // Messages drained after the first of a burst; the waiting thread clears it and looks again.
    std::atomic<uint32_t> messageCounter{0};
    std::unique_ptr<TopLevelWindow> mainWindow;
};

} // namespace gui::Windows
