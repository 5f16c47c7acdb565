#pragma once

#include "emu/core/CpuInterface.h"
#include "emu/core/Machine.h"
#include "emu/core/SliceRun.h"
#include "emu/core/SliceSchedule.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>

namespace test_support {

// Runs a machine as the emulator core's synchronised run loop does: the bus at 88200 Hz ticked once a slice, 1764
// slices a frame, each slice's cycles from the core's own schedule (emu::SyncedSliceSchedule: every frame exactly
// frequency / 50 cycles, what a slice overran taken from the next, at least one cycle a slice), the first processor
// running them in pieces no longer than its next timed event, which are dispatched when due, and going on by
// itself through the slice ends that need nothing else (emu::SliceRun). Host keys and anything else the test does
// happen between slices.
class SliceRunner {
public:
    static constexpr int32_t kBusRate = 88200;
    static constexpr int32_t kFramesPerSecond = 50;

    explicit SliceRunner(emu::Machine& machine);

    // After the machine's start: the bus's rate, the processor's events timed, and the bus's first tick. False
    // without a processor or when the bus refuses the rate.
    bool Start();
    void RunSlices(int64_t count);
    void RunFrames(int64_t count) { RunSlices(count * schedule.SlicesPerFrame()); }
    // Runs slices until done answers true (checked before each) or maxSlices ran; answers done's last answer.
    bool RunUntil(const std::function<bool()>& done, int64_t maxSlices);
    // Runs that many processor cycles, dispatching events when due, without ticking the bus; answers the cycles
    // left, below 0 when the last instruction ran past them.
    int64_t RunCycles(int64_t cycles);
    // A host key, between slices.
    void Key(uint8_t code, bool down) { machine.KeyEvent(code, down); }
    // Called after the last slice of every frame (its bus tick included), for tests that follow the run frame by
    // frame.
    void SetFrameObserver(std::function<void()> observer) { frameObserver = std::move(observer); }

    int64_t Slices() const { return slices; }
    int32_t SlicesPerFrame() const { return schedule.SlicesPerFrame(); }
    emu::CpuInterface& Cpu() const { return *machine.FirstCpu(); }

private:
    emu::Machine& machine;
    emu::SyncedSliceSchedule schedule;
    int64_t slices = 0;
    // The next slice's cycles (between calls the whole slice, the processor's countdown untouched by it).
    emu::SlicePiece piece;
    emu::SliceRun run;
    // Nobody else asks for the runner's loop.
    std::atomic<bool> noAttention{false};
    std::function<void()> frameObserver;
};

} // namespace test_support
