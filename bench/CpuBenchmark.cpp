// How fast the 1801BM1 runs an instruction mix from RAM: emulated cycles per host second, and that against a
// real BK's 3 MHz clock. Twice: in long slices, and in the real loop's shape, slices cut at the processor's next
// event with the bus ticked by its event every 1/44100 s.
#include "common/platform/Clock.h"
#include "emu/core/BusService.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/RamTestMachine.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int64_t kBkClock = 3000000;
constexpr int64_t kEmulatedCycles = 3000000000LL;
constexpr int32_t kSlice = 20000;

// Loads a loop of moves, arithmetic, a byte store, a branch, a subroutine call and SOB.
void LoadProgram(test_support::RamTestMachine& machine) {
    machine.Load(010000, {
                             012700,  020000, // MOV #20000,R0
                             012704,  030000, // MOV #30000,R4
                             012705,  000100, // MOV #100,R5
                             012001,          // loop: MOV (R0)+,R1
                             060102,          // ADD R1,R2
                             020203,          // CMP R2,R3
                             001001,          // BNE .+4
                             005203,          // INC R3
                             0110364, 000002, // MOVB R3,2(R4)
                             004767,  000006, // JSR PC,subroutine
                             077512,          // SOB R5,loop
                             000137,  010000, // JMP @#10000
                             006302,          // subroutine: ASL R2
                             000207,          // RTS PC
                         });
}

// Runs the mix on a fresh machine and prints its figure; false when the processor did not start or the mix left
// its loop. With shortSlices the bus is ticked at 44100 Hz and every slice ends at the next event.
bool Measure(const char* shape, bool shortSlices) {
    test_support::RamTestMachine machine;
    emu::Cpu1801BM1 cpu;
    machine.Attach(cpu);
    int32_t rate = 0;
    if (!cpu.Start(rate)) {
        std::puts("The processor did not start.");
        return false;
    }
    LoadProgram(machine);
    cpu.SetRegister(6, 01000);
    cpu.SetRegister(7, 010000);
    cpu.SetPsw(0340);
    if (shortSlices) {
        machine.Bus().SetRate(44100, &cpu, false);
        cpu.RebuildEvents();
    }

    const uint64_t started = common::platform::CounterNow();
    int64_t cycles = 0;
    while (cycles < kEmulatedCycles) {
        if (shortSlices) {
            cycles += cpu.Execute(std::max(1, std::min(cpu.cyclesToNextEvent, kSlice)));
            cpu.DispatchEvents();
        } else {
            cycles += cpu.Execute(kSlice);
        }
    }
    const double seconds = static_cast<double>(common::platform::CounterNow() - started) /
                           static_cast<double>(common::platform::CounterFrequency());
    // A trap would leave the loop for the vectors (all zeros, so HALT) and measure something else.
    if (cpu.Register(7) < 010000 || cpu.Register(7) > 010046 || (cpu.Register(6) != 01000 && cpu.Register(6) != 0776)) {
        std::printf("The instruction mix left its loop (PC %06o, SP %06o).\n", cpu.Register(7), cpu.Register(6));
        return false;
    }
    const double perSecond = static_cast<double>(cycles) / seconds;
    std::printf("1801BM1 instruction mix, %s: %lld cycles in %.3f s: %.0f cycles per second, %.1f times a real 3 MHz "
                "BK\n",
                shape, static_cast<long long>(cycles), seconds, perSecond, perSecond / static_cast<double>(kBkClock));
    return true;
}

} // namespace

int main() {
    return Measure("long slices", false) && Measure("short slices, bus ticked at 44100 Hz", true) ? 0 : 1;
}
