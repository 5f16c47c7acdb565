#include "gui/windows/Win32Application.h"

#include "gui/MenuBar.h"
#include "gui/windows/TopLevelWindow.h"

#include <objbase.h>

namespace gui::Windows {

Win32Application::Win32Application(FrameWindow* window) {
    if (auto* topLevel = dynamic_cast<TopLevelWindow*>(window)) {
        mainWindow.reset(topLevel);
    }
}

Win32Application::~Win32Application() {
    Exit();
}

bool Win32Application::Start(int32_t& exitCode, HINSTANCE newInstance, HINSTANCE previous, LPWSTR* argumentVector,
                             int32_t show) {
    instance = newInstance;
    previousInstance = previous;
    arguments = argumentVector;
    showCommand = show;
    // Already initialised on this thread is as good.
    (void)CoInitialize(nullptr);
    return Init(exitCode);
}

bool Win32Application::Init(int32_t& exitCode) {
    exitCode = -1;
    if (instance == nullptr) {
        return false;
    }
    if (mainWindow == nullptr) {
        mainWindow = std::make_unique<TopLevelWindow>(0, 0, 320, 200, 0);
    }
    if (mainWindow->GetMenuBar() == nullptr) {
        auto* bar = new MenuBar(nullptr);
        if (!mainWindow->SetMenuBar(bar)) {
            delete bar;
            Exit();
            return false;
        }
    }
    if (!mainWindow->CreateOnInstance(instance)) {
        Exit();
        return false;
    }
    exitCode = 0;
    return true;
}

bool Win32Application::Drain(MSG& message) {
    for (;;) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
            return true;
        }
        if (message.message == WM_QUIT) {
            return false;
        }
        ++messageCounter;
    }
}

int32_t Win32Application::Run() {
    if (mainWindow == nullptr) {
        return -1;
    }
    mainWindow->Show(true);
    HANDLE event = idleEvent.load();
    if (event == nullptr) {
        event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
        idleEvent.store(event);
    } else {
        SetEvent(event);
    }
    MSG message{};
    if (event == nullptr) {
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    } else {
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            ResetEvent(event);
            const bool going = Drain(message);
            SetEvent(event);
            if (!going) {
                break;
            }
        }
    }
    if (HANDLE ended = idleEvent.exchange(nullptr)) {
        CloseHandle(ended);
    }
    return static_cast<int32_t>(message.wParam);
}

void Win32Application::Exit() {
    if (HANDLE event = idleEvent.exchange(nullptr)) {
        // A waiter wakes with true before the handle goes.
        SetEvent(event);
        CloseHandle(event);
    }
    mainWindow.reset();
}

bool Win32Application::DestroyMainWindow() {
    return mainWindow != nullptr && DestroyWindow(mainWindow->GetHandle()) != FALSE;
}

FrameWindow* Win32Application::GetMainWindow() {
    return mainWindow.get();
}

bool Win32Application::WaitForIdle(int32_t timeout) {
    if (timeout == 0) {
        return true;
    }
    // The loop has not made its event yet (or has ended): a few quick looks, then no wait at all.
    int32_t misses = 0;
    for (;;) {
        HANDLE event = idleEvent.load();
        if (event == nullptr) {
            if (++misses < 4) {
                continue;
            }
            break;
        }
        Sleep(0);
        if (WaitForSingleObject(event, 1) != WAIT_TIMEOUT) {
            return true;
        }
        if (timeout != -1 && --timeout < 1) {
            return false;
        }
    }
    if (idleEvent.load() == nullptr) {
        return true;
    }
    for (;;) {
        HANDLE event = idleEvent.load();
        if (event == nullptr) {
            return true;
        }
        messageCounter.store(0);
        Sleep(0);
        if (WaitForSingleObject(event, 1) != WAIT_TIMEOUT || messageCounter.load() == 0) {
            return true;
        }
        if (timeout != -1 && --timeout < 1) {
            return false;
        }
    }
}

} // namespace gui::Windows
