// The core's waits for its emulation thread (core files only).
#pragma once

#include "app/EmulatorCore.h"

namespace emu {

template <typename Condition>
bool EmulatorCore::AwaitThread(Condition holds) {
    if (answer.WaitUntil(holds, requestLimitMs)) {
        return true;
    }
    ReportNoResponse();
    return false;
}

// Takes a pause of the emulation thread and gives it back at the end of the block, or at Release. A pause taken
// around a state operation also marks the parked thread's wait when the machine stands at a break.
class EmulatorCore::PauseGuard {
public:
    explicit PauseGuard(EmulatorCore& core, bool markWaitAtBreak = false)
        : core(core), markWaitAtBreak(markWaitAtBreak), holds(core.WaitPaused()) {}
    ~PauseGuard() { Release(); }
    PauseGuard(const PauseGuard&) = delete;
    PauseGuard& operator=(const PauseGuard&) = delete;

    // Whether the thread stands parked (or runs no loop).
    bool Holds() const { return holds; }
    void Release() {
        if (released) {
            return;
        }
        released = true;
        core.ReleasePause();
        if (markWaitAtBreak && core.breakPending) {
            core.waitMarked = true;
        }
    }

private:
    EmulatorCore& core;
    bool markWaitAtBreak;
    bool holds;
    bool released = false;
};

} // namespace emu
