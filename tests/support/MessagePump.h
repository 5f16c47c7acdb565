// The Windows tests' message pump: the thread's queued messages dispatched, once or until a condition holds.
#pragma once

#include <windows.h>

#include <functional>

namespace test_support {

// Dispatches what is queued now; a quit message left by a destroyed top-level window is taken out.
inline void PumpPending() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Pumps until the condition holds; false when the time runs out first.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpPending();
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

} // namespace test_support
