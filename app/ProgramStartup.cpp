#include "app/ProgramStartup.h"

namespace emu {

int32_t RunProgram(TimerResolution& timer, StartableApplication& application) {
    uint32_t period = 0;
    // A host that refuses runs at its default resolution; nothing to report.
    const bool periodBegun = timer.QueryMinimumPeriod(period) && timer.BeginPeriod(period);
    int32_t exitCode = -1;
    if (!application.StartApplication(exitCode)) {
        return -1;
    }
    exitCode = application.RunApplication();
    application.ExitApplication();
    if (periodBegun) {
        timer.EndPeriod(period);
    }
    return exitCode;
}

} // namespace emu
