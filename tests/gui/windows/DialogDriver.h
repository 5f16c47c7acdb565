// Drives a modal dialog from inside its own message loop. The steps are queued before the run on a hidden helper
// window; the dialog's loop dispatches the helper's messages once it is up, and each step runs from there. A
// step that finds nothing to act on yet is tried again a little later. When the time runs out, every dialog of
// the thread is ended and the driver says so: a test fails instead of hanging.
#pragma once

#include "gui/windows/Label.h"
#include "gui/windows/Win32.h"

#include <deque>
#include <functional>
#include <string>

namespace gui::Windows::testing {

class DialogDriver {
public:
    // True when the step is done; false to be tried again.
    using Step = std::function<bool()>;

    explicit DialogDriver(DWORD timeoutMs = 8000) : timeout(timeoutMs) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass); // fails harmlessly when registered already
        helper =
            CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrW(helper, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~DialogDriver() {
        KillTimer(helper, kRetry);
        DestroyWindow(helper);
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    DialogDriver& Then(Step step) {
        steps.push_back(std::move(step));
        return *this;
    }
    // Posts the first try; called right before the run.
    void Start() {
        deadline = GetTickCount64() + timeout;
        timedOut = false;
        PostMessageW(helper, WM_APP, 0, 0);
        SetTimer(helper, kRetry, 10, nullptr);
    }

    bool TimedOut() const { return timedOut; }
    // Every step done, in time.
    bool Finished() const { return steps.empty() && !timedOut; }

private:
    static constexpr const wchar_t* kClassName = L"ZovDialogDriver";
    static constexpr UINT_PTR kRetry = 1;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* driver = reinterpret_cast<DialogDriver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (driver != nullptr && (message == WM_APP || (message == WM_TIMER && wParam == kRetry))) {
            driver->Advance();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    void Advance() {
        if (inStep)
            return; // a step that runs a loop of its own
        if (GetTickCount64() >= deadline) {
            timedOut = true;
            steps.clear();
            EnumThreadWindows(GetCurrentThreadId(), EndDialogWindow, 0);
        }
        inStep = true;
        while (!steps.empty() && steps.front()())
            steps.pop_front();
        inStep = false;
        if (steps.empty())
            KillTimer(helper, kRetry);
    }

    static BOOL CALLBACK EndDialogWindow(HWND window, LPARAM) {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (std::wstring(className) == L"#32770")
            EndDialog(window, 0xFFFF);
        return TRUE;
    }

    HWND helper = nullptr;
    std::deque<Step> steps;
    DWORD timeout;
    ULONGLONG deadline = 0;
    bool timedOut = false;
    bool inStep = false;
};

// A control that cannot be made: a dialog holding it cannot be bound.
class RefusingControl : public Label {
public:
    RefusingControl() : Label(0, 0, 10, 10, common::WideString(""), kDockNone, true) {}
    bool Create() override { return false; }
};

} // namespace gui::Windows::testing
