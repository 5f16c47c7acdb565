// How fast a whole BK-0010 runs on one core: each model on its real ROMs (BK_ROM_DIR), the video drawing every
// scanline into the offscreen renderer, the speaker and the Covox mixed into null outputs, the keyboard and the
// timer in place. Prints emulated seconds per host second for 60 emulated seconds at the prompt and, on the
// BK-0010.01, in a BASIC loop printing to the screen; with the bus at the synchronised loop's 88200 Hz and at the
// maximum-speed loop's 4000 Hz.
#include "common/platform/Clock.h"
#include "emu/bk/Bk0010Machine.h"
#include "emu/core/CpuInterface.h"
#include "support/BkModelRun.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int64_t kEmulatedSeconds = 60;
constexpr int32_t kFramesPerSecond = 50;
constexpr int32_t kMaxSpeedBusRate = 4000;
// The ROMs' start, before measuring.
constexpr int64_t kBootFrames = 100;

// Host time, on the wall clock and on the process's processor clock (the fairer figure on a busy host).
struct HostTime {
    uint64_t wall = common::platform::CounterNow();
    std::clock_t processor = std::clock();
};

struct Speed {
    double wall = 0;
    double processor = 0;
};

Speed SpeedSince(const HostTime& started) {
    const double wall = static_cast<double>(common::platform::CounterNow() - started.wall) /
                        static_cast<double>(common::platform::CounterFrequency());
    const double processor = static_cast<double>(std::clock() - started.processor) / CLOCKS_PER_SEC;
    return {static_cast<double>(kEmulatedSeconds) / wall, static_cast<double>(kEmulatedSeconds) / processor};
}

// The synchronised loop: the slice runner's 88200 Hz bus, one tick a slice.
Speed RunSynchronised(test_support::BkModelRun& run) {
    const HostTime started;
    run.RunFrames(kEmulatedSeconds * kFramesPerSecond);
    return SpeedSince(started);
}

// The maximum-speed loop: the bus at 4000 Hz, each slice the cycles of one bus tick.
Speed RunAtMaximumSpeed(test_support::BkModelRun& run) {
    emu::BkMachine& machine = run.Machine();
    if (machine.SetBusRate(kMaxSpeedBusRate, -1, false) <= 0) {
        return {};
    }
    emu::CpuInterface& cpu = *machine.FirstCpu();
    cpu.RebuildEvents();
    const int64_t cyclesPerSlice = cpu.Frequency() / kMaxSpeedBusRate;
    const int64_t slices = kEmulatedSeconds * kMaxSpeedBusRate;
    int64_t carried = 0;
    const HostTime started;
    for (int64_t slice = 0; slice < slices; ++slice) {
        carried = run.Runner().RunCycles(cyclesPerSlice + carried);
        machine.TickBus();
    }
    return SpeedSince(started);
}

// A machine of the model booted to its prompt, and what it is then given to do.
std::unique_ptr<test_support::BkModelRun> Boot(const emu::Computer& prototype, const std::u16string& roms,
                                               const char* typed) {
    auto run = std::make_unique<test_support::BkModelRun>(prototype, roms);
    if (!run->PowerOn()) {
        return nullptr;
    }
    run->RunFrames(kBootFrames);
    run->Type(typed);
    return run;
}

bool Report(const char* what, const emu::Computer& prototype, const std::u16string& roms, const char* typed) {
    std::unique_ptr<test_support::BkModelRun> synchronised = Boot(prototype, roms, typed);
    std::unique_ptr<test_support::BkModelRun> fastest = Boot(prototype, roms, typed);
    if (synchronised == nullptr || fastest == nullptr) {
        std::printf("%s: the machine did not start\n", what);
        return false;
    }
    const Speed atSyncRate = RunSynchronised(*synchronised);
    const Speed atMaxSpeedRate = RunAtMaximumSpeed(*fastest);
    std::printf("%-32s bus 88200 Hz %7.1f (%7.1f)   bus 4000 Hz %7.1f (%7.1f)\n", what, atSyncRate.wall,
                atSyncRate.processor, atMaxSpeedRate.wall, atMaxSpeedRate.processor);
    return true;
}

} // namespace

// With a number, only that case runs (1 to 3).
int main(int argc, char** argv) {
    const int only = argc > 1 ? std::atoi(argv[1]) : 0;
    const std::optional<std::u16string> roms = test_support::BkModelRun::RealRomFolder();
    if (!roms) {
        std::puts("BK_ROM_DIR is not set.");
        return 1;
    }
    const emu::Bk0010Machine bk0010;
    const emu::Bk0010_01Machine bk0010_01;
    struct Case {
        const char* what;
        const emu::Computer* model;
        const char* typed;
    };
    const Case cases[] = {
        {"BK-0010, FOCAL prompt", &bk0010, ""},
        {"BK-0010.01, BASIC prompt", &bk0010_01, ""},
        {"BK-0010.01, BASIC loop printing", &bk0010_01, "10 PRINT I;\n20 I=I+1\n30 GOTO 10\nRUN\n"},
    };
    std::puts("Emulated seconds per host second on the wall clock (and per second of processor time):");
    bool all = true;
    for (size_t index = 0; index < std::size(cases); ++index) {
        if (only == 0 || only == static_cast<int>(index) + 1) {
            all = Report(cases[index].what, *cases[index].model, *roms, cases[index].typed) && all;
        }
    }
    return all ? 0 : 1;
}
