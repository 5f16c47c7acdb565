// The program's entry: the system timer at its finest period for the whole run, then the application object.
#include "app/ProgramStartup.h"
#include "frontend/win32/EmulatorApplication.h"

#include <mmsystem.h>
#include <shellapi.h>

namespace {

class MultimediaTimer : public emu::TimerResolution {
public:
    bool QueryMinimumPeriod(uint32_t& period) override {
        TIMECAPS caps{};
        if (timeGetDevCaps(&caps, sizeof(caps)) != MMSYSERR_NOERROR) {
            return false;
        }
        period = caps.wPeriodMin;
        return true;
    }
    bool BeginPeriod(uint32_t period) override { return timeBeginPeriod(period) == TIMERR_NOERROR; }
    void EndPeriod(uint32_t period) override { timeEndPeriod(period); }
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int showCommand) {
    // The program takes no options; the vector is handed on as it is.
    int argumentCount = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    MultimediaTimer timer;
    emu::EmulatorApplication application;
    application.SetStartValues(instance, previousInstance, arguments, showCommand);
    const int exitCode = emu::RunProgram(timer, application);
    LocalFree(arguments);
    return exitCode;
}
