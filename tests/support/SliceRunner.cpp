#include "support/SliceRunner.h"

#include <algorithm>

namespace test_support {

FrameSlices::FrameSlices(int32_t frequency, int32_t slicesPerFrame)
    : cyclesPerFrame(frequency / SliceRunner::kFramesPerSecond), slices(std::max(slicesPerFrame, 1)) {}

int32_t FrameSlices::Next() {
    const int64_t begin = index * cyclesPerFrame / slices;
    const int64_t end = (index + 1) * cyclesPerFrame / slices;
    index = index + 1 == slices ? 0 : index + 1;
    return static_cast<int32_t>(end - begin);
}

SliceRunner::SliceRunner(emu::Machine& machine) : machine(machine), frames(0, 1) {}

bool SliceRunner::Start() {
    emu::CpuInterface* cpu = machine.FirstCpu();
    if (cpu == nullptr) {
        return false;
    }
    const int32_t slicesPerFrame = machine.SetBusRate(kBusRate, -1, true);
    if (slicesPerFrame != kBusRate / kFramesPerSecond) {
        return false;
    }
    frames = FrameSlices(cpu->Frequency(), slicesPerFrame);
    slices = 0;
    carry = 0;
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
        int64_t budget = frames.Next() + carry;
        carry = 0;
        if (budget < 1) {
            carry = budget - 1;
            budget = 1;
        }
        carry += std::min<int64_t>(RunCycles(budget), 0);
        machine.TickBus();
        ++slices;
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
