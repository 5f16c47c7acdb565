// How fast the BK models run on their real ROM images (BK_ROM_DIR) without the emulator core: each model built as
// the machine list builds it, its frame drawn by the offscreen renderer, its sound into the null output, run
// frame by frame at full speed. Prints emulated seconds per host second.
#include "common/platform/Clock.h"
#include "emu/bk/Bk0010Machine.h"
#include "emu/bk/Bk0011mMachine.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace {

// Frames run before the clock starts (the ROMs clear the memory), then measured: ten emulated seconds.
constexpr int64_t kWarmUpFrames = 150;
constexpr int64_t kMeasuredFrames = 500;

double Measure(const emu::Computer& prototype, const std::u16string& folder) {
    test_support::BkModelRun run(prototype, folder);
    if (!run.PowerOn()) {
        return -1;
    }
    run.RunFrames(kWarmUpFrames);
    const uint64_t startCycles = run.Machine().Cpu()->Cycles();
    const uint64_t started = common::platform::CounterNow();
    run.RunFrames(kMeasuredFrames);
    const double seconds = static_cast<double>(common::platform::CounterNow() - started) /
                           static_cast<double>(common::platform::CounterFrequency());
    const double emulated = static_cast<double>(run.Machine().Cpu()->Cycles() - startCycles) /
                            static_cast<double>(run.Machine().Cpu()->Frequency());
    return emulated / seconds;
}

} // namespace

int main() {
    const std::optional<std::u16string> folder = test_support::BkModelRun::RealRomFolder();
    if (!folder) {
        std::puts("BK_ROM_DIR is not set.");
        return 1;
    }
    const emu::Bk0010Machine bk0010;
    const emu::Bk0010_01Machine bk0010_01;
    const emu::Bk0011mMachine bk0011m;
    const emu::Bk0011mFddMachine bk0011mFdd;
    for (const emu::BkMachine* model :
         {static_cast<const emu::BkMachine*>(&bk0010), static_cast<const emu::BkMachine*>(&bk0010_01),
          static_cast<const emu::BkMachine*>(&bk0011m), static_cast<const emu::BkMachine*>(&bk0011mFdd)}) {
        std::printf("%-16s %8.1f emulated seconds per host second\n", model->Name().GetNarrow(),
                    Measure(*model, *folder));
    }
    return 0;
}
