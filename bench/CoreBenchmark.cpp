// How fast the emulator core runs a BK-like machine (the 1801BM1 at 3 MHz looping in RAM) on its emulation thread:
// emulated seconds per host second, kept in step with real time (about 1.00) and with Synchronization off.
#include "app/EmulatorConfig.h"
#include "app/EmulatorCore.h"
#include "common/platform/Clock.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/NullRenderer.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/TemporaryFolder.h"
#include "support/TestMachine.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
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

// Emulated seconds per host second over kHostSeconds of the core running.
double Measure(emu::EmulatorCore& core) {
    const uint64_t startCycles = CyclesOf(core);
    const uint64_t started = common::platform::CounterNow();
    std::this_thread::sleep_for(std::chrono::duration<double>(kHostSeconds));
    const uint64_t cycles = CyclesOf(core) - startCycles;
    const double seconds = static_cast<double>(common::platform::CounterNow() - started) /
                           static_cast<double>(common::platform::CounterFrequency());
    return static_cast<double>(cycles) / kFrequency / seconds;
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
    const double synced = Measure(*core);
    core->DetachMachine();
    core->SetSynchronization(false);
    if (!core->SetRunState(false, false)) {
        std::puts("The core did not start again.");
        return 1;
    }
    const double unsynced = Measure(*core);
    std::printf("Emulator core, 1801BM1 at 3 MHz: %.3f emulated seconds per host second synchronised, %.2f with "
                "Synchronization off\n",
                synced, unsynced);
    return 0;
}
