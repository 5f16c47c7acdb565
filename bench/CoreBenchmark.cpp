// How fast the emulator core runs a BK-like machine (the 1801BM1 at 3 MHz looping in RAM) on its emulation thread:
// emulated seconds per host second, kept in step with real time (about 1.00, and the status line's speed figure
// 100) and with Synchronization off.
#include "app/EmulatorConfig.h"
#include "app/EmulatorCore.h"
#include "common/WideString.h"
#include "common/platform/Clock.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/NullRenderer.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/TemporaryFolder.h"
#include "support/TestMachine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <thread>

namespace {

constexpr int32_t kFrequency = 3000000;
constexpr double kHostSeconds = 3.0;

// Writes a loop of moves, arithmetic, a call and SOB at 01000 into the fresh memory of every start.
class ProgramDevice : public emu::Device {
public:
    ProgramDevice() : Device("PROGRAM") {}
    bool Start(int32_t& rate) override {
        if (!Device::Start(rate)) {
            return false;
        }
        constexpr uint16_t kProgram[] = {
            012700, 020000, // MOV #20000,R0
            012705, 000100, // MOV #100,R5
            012001,         // loop: MOV (R0)+,R1
            060102,         // ADD R1,R2
            004767, 000004, // JSR PC,subroutine
            077505,         // SOB R5,loop
            000766,         // BR start
            006302,         // subroutine: ASL R2
            000207,         // RTS PC
        };
        uint32_t address = 01000;
        for (const uint16_t word : kProgram) {
            Memory()->WriteWord(address, word);
            address += 2;
        }
        return true;
    }
};

class BenchModel : public test_support::TestMachine {
public:
    BenchModel() : TestMachine("BK-BENCH") {
        auto cpu = std::make_unique<emu::Cpu1801BM1>();
        cpu->SetFrequency(kFrequency);
        cpu->SetStartWord(01000);
        AddChild(std::move(cpu));
        AddChild(std::make_unique<ProgramDevice>());
    }
    std::unique_ptr<emu::Computer> NewInstance() const override { return std::make_unique<BenchModel>(); }
    const char* ModelId() const override { return "bench"; }
};

std::unique_ptr<emu::Computer> MakeModel() {
    return std::make_unique<BenchModel>();
}

constexpr emu::EmulatorConfig::MachineListEntry kModels[] = {{&MakeModel, false}};

uint64_t CyclesOf(emu::EmulatorCore& core) {
    core.HoldThread(true);
    const uint64_t cycles = core.Machine()->FirstCpu()->Cycles();
    core.HoldThread(false);
    return cycles;
}

struct Figures {
    // Emulated seconds per host second.
    double ratio = 0;
    // The lowest and highest speed figure the status line showed.
    int32_t lowestSpeed = 0;
    int32_t highestSpeed = 0;
};

// kHostSeconds of the core running, its status line read every kStatusPeriod as the window reads it (every
// read pauses the loop a moment).
Figures Measure(emu::EmulatorCore& core) {
    constexpr auto kStatusPeriod = std::chrono::milliseconds(500);
    Figures figures;
    figures.lowestSpeed = std::numeric_limits<int32_t>::max();
    const uint64_t startCycles = CyclesOf(core);
    const uint64_t started = common::platform::CounterNow();
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(kHostSeconds);
    common::WideString status;
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(kStatusPeriod);
        core.GetStatusText(status);
        const int32_t speed = core.SpeedPercent();
        if (speed > 0) {
            figures.lowestSpeed = std::min(figures.lowestSpeed, speed);
            figures.highestSpeed = std::max(figures.highestSpeed, speed);
        }
    }
    const uint64_t cycles = CyclesOf(core) - startCycles;
    const double seconds = static_cast<double>(common::platform::CounterNow() - started) /
                           static_cast<double>(common::platform::CounterFrequency());
    figures.ratio = static_cast<double>(cycles) / kFrequency / seconds;
    figures.lowestSpeed = std::min(figures.lowestSpeed, figures.highestSpeed);
    return figures;
}

} // namespace

int main() {
    const test_support::TemporaryFolder folder;
    emu::EmulatorConfig::Environment environment;
    environment.folders = common::ProgramFolders(folder.PathOf(u"zovbk"), std::u16string());
    emu::EmulatorConfig config(std::move(environment), kModels, emu::EmulatorConfig::HostMedia());
    emu::EmulatorCore* core = config.CreateCore(0);
    if (core == nullptr || !core->SetRunState(false, false)) {
        std::puts("The core did not start.");
        return 1;
    }
    const Figures synced = Measure(*core);
    core->DetachMachine();
    core->SetSynchronization(false);
    if (!core->SetRunState(false, false)) {
        std::puts("The core did not start again.");
        return 1;
    }
    const Figures unsynced = Measure(*core);
    std::printf("Emulator core, 1801BM1 at 3 MHz: %.3f emulated seconds per host second synchronised (Speed=%d to "
                "%d), %.2f with Synchronization off\n",
                synced.ratio, synced.lowestSpeed, synced.highestSpeed, unsynced.ratio);
    return 0;
}
