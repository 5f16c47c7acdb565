#include "support/SliceRunner.h"

#include <algorithm>
#include <cstdint>

namespace test_support {

SliceRunner::SliceRunner(emu::Machine& machine) : machine(machine) {}

bool SliceRunner::Start() {
    emu::CpuInterface* cpu = machine.FirstCpu();
    if (cpu == nullptr) {
        return false;
    }
    const int32_t slicesPerFrame = machine.SetBusRate(kBusRate, -1, true);
    if (slicesPerFrame != kBusRate / kFramesPerSecond) {
        return false;
    }
    budget = schedule.Start(cpu->Frequency(), slicesPerFrame);
    slices = 0;
    cpu->RebuildEvents();
    machine.TickBus();
    return true;
}

int64_t SliceRunner::RunCycles(int64_t cycles) {
    emu::CpuInterface& cpu = Cpu();
    while (cycles > 0) {
        if (cpu.cyclesToNextEvent <= 0) {
            cpu.DispatchEvents();
        }
        const auto piece = static_cast<int32_t>(std::min<int64_t>(cycles, std::max(cpu.cyclesToNextEvent, 1)));
        const int32_t used = cpu.Execute(piece);
        if (used <= 0) {
            break; // an aborted instruction: the host breaks
        }
        cycles -= used;
        cpu.cyclesToNextEvent -= used;
    }
    if (cpu.cyclesToNextEvent <= 0) {
        cpu.DispatchEvents();
    }
    return cycles;
}

void SliceRunner::RunSlices(int64_t count) {
    for (int64_t slice = 0; slice < count; ++slice) {
        const int64_t left = RunCycles(budget);
        budget = schedule.EndSlice(static_cast<int32_t>(std::clamp<int64_t>(left, INT32_MIN, 0)));
        const bool frameEnded = schedule.FrameEnded();
        if (frameEnded) {
            schedule.NextFrame();
        }
        machine.TickBus();
        ++slices;
        if (frameEnded && frameObserver) {
            frameObserver();
        }
    }
}

bool SliceRunner::RunUntil(const std::function<bool()>& done, int64_t maxSlices) {
    for (int64_t slice = 0; slice < maxSlices; ++slice) {
        if (done()) {
            return true;
        }
        RunSlices(1);
    }
    return done();
}

} // namespace test_support
