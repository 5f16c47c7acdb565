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
    piece = emu::SlicePiece{schedule.Start(cpu->Frequency(), slicesPerFrame), 0};
    run.schedule = &schedule;
    run.piece = &piece;
    run.bus = machine.Bus();
    run.attention = &noAttention;
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
    if (count <= 0) {
        return;
    }
    emu::CpuInterface& cpu = Cpu();
    // As the core's loop: the piece is taken off the event countdown before it runs and settled after it.
    piece.SplitAgainst(cpu.cyclesToNextEvent);
    int64_t left = count;
    while (left > 0) {
        // The processor may take every slice end but the last of the call.
        const int64_t ends = run.bus != nullptr ? left - 1 : 0;
        run.endsLeft = ends;
        const int32_t used = run.endsLeft > 0 ? cpu.ExecuteSlices(piece.budget, run) : cpu.Execute(piece.budget);
        left -= ends - run.endsLeft;
        slices += ends - run.endsLeft;
        piece.budget -= used;
        if (piece.Settle(cpu.cyclesToNextEvent)) {
            cpu.DispatchEvents();
        }
        if (used <= 0) {
            // An aborted instruction: the host breaks, and the slice ends with it.
            piece.budget = 0;
        } else if (piece.budget > 0) {
            piece.SplitAgainst(cpu.cyclesToNextEvent);
            continue;
        }
        piece.budget = schedule.EndSlice(piece.budget);
        const bool frameEnded = schedule.FrameEnded();
        if (frameEnded) {
            schedule.NextFrame();
        }
        piece.SplitAgainst(cpu.cyclesToNextEvent);
        machine.TickBus();
        --left;
        ++slices;
        if (frameEnded && frameObserver) {
            frameObserver();
        }
    }
    // Between calls the countdown is the processor's own again: what the tests run with RunCycles keeps to it.
    piece.Settle(cpu.cyclesToNextEvent);
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
