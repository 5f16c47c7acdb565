// How fast the 1801BM1 runs an instruction mix from RAM: emulated cycles per host second, and that against a
// real BK's 3 MHz clock.
#include "common/platform/Clock.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/RamTestMachine.h"

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

} // namespace

int main() {
    test_support::RamTestMachine machine;
    emu::Cpu1801BM1 cpu;
    machine.Attach(cpu);
    int32_t rate = 0;
    if (!cpu.Start(rate)) {
        std::puts("The processor did not start.");
        return 1;
    }
    LoadProgram(machine);
    cpu.SetRegister(6, 01000);
    cpu.SetRegister(7, 010000);
    cpu.SetPsw(0340);

    const uint64_t started = common::platform::CounterNow();
    int64_t cycles = 0;
    while (cycles < kEmulatedCycles) {
        cycles += cpu.Execute(kSlice);
    }
    const double seconds = static_cast<double>(common::platform::CounterNow() - started) /
                           static_cast<double>(common::platform::CounterFrequency());
    // A trap would leave the loop for the vectors (all zeros, so HALT) and measure something else.
    if (cpu.Register(7) < 010000 || cpu.Register(7) > 010046 || (cpu.Register(6) != 01000 && cpu.Register(6) != 0776)) {
        std::printf("The instruction mix left its loop (PC %06o, SP %06o).\n", cpu.Register(7), cpu.Register(6));
        return 1;
    }
    const double perSecond = static_cast<double>(cycles) / seconds;
    std::printf("1801BM1 instruction mix: %lld cycles in %.3f s: %.0f cycles per second, %.1f times a real 3 MHz BK\n",
                static_cast<long long>(cycles), seconds, perSecond, perSecond / static_cast<double>(kBkClock));
    return 0;
}
