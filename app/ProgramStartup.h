// The program's start-up, as WinMain runs it: raise the system timer's resolution for the whole run (the run
// loops sleep in 1 ms steps), start the application object, run its message loop, end it, and give the timer's
// resolution back. The host's parts come in through the two interfaces, so the order is testable anywhere.
#pragma once

#include <cstdint>

namespace emu {

// The system timer's resolution.
class TimerResolution {
public:
    virtual ~TimerResolution() = default;
    // The finest period the host offers, in milliseconds; false when it cannot tell.
    virtual bool QueryMinimumPeriod(uint32_t& period) = 0;
    virtual bool BeginPeriod(uint32_t period) = 0;
    virtual void EndPeriod(uint32_t period) = 0;
};

// What start-up asks of the application object.
class StartableApplication {
public:
    virtual ~StartableApplication() = default;
    // Sets exitCode (-1 on failure); false when the application could not start.
    virtual bool StartApplication(int32_t& exitCode) = 0;
    // The message loop; the exit code of its quit message.
    virtual int32_t RunApplication() = 0;
    virtual void ExitApplication() = 0;
};

// The exit code: the loop's after a run, -1 when the application did not start (the timer's period is then left
// as it is: the process ends anyway).
int32_t RunProgram(TimerResolution& timer, StartableApplication& application);

} // namespace emu
