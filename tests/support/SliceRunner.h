#pragma once

#include "emu/core/CpuInterface.h"
#include "emu/core/Machine.h"

#include <cstdint>
#include <functional>

namespace test_support {

// The cycles of a frame cut into slices as the emulator core's synchronised run loop cuts them, one bus tick a
// slice: a frame holds N = frequency / 50 cycles (whole cycles), and slice k of the frame's S slices runs
// floor((k + 1) * N / S) - floor(k * N / S) of them, so every slice gets its share within one cycle and the
// slices of a frame add up to exactly N.
class FrameSlices {
public:
    FrameSlices(int32_t frequency, int32_t slicesPerFrame);

    // The cycles of the next slice.
    int32_t Next();
    int32_t SlicesPerFrame() const { return slices; }
    int64_t CyclesPerFrame() const { return cyclesPerFrame; }
    // The slice Next answers next, 0 .. slices per frame - 1.
    int32_t Index() const { return index; }

private:
    int64_t cyclesPerFrame;
    int32_t slices;
    int32_t index = 0;
};

// Runs a machine as the emulator core's synchronised run loop does: the bus at 88200 Hz ticked once a slice, 1764
// slices a frame, the first processor running each slice's cycles in pieces no longer than its next timed event,
// which are dispatched when due. An instruction that runs past its slice's end (a trap's cycles) is paid for by the
// next slice, which runs at least one cycle. Host keys and anything else the test does happen between slices.
class SliceRunner {
public:
    static constexpr int32_t kBusRate = 88200;
    static constexpr int32_t kFramesPerSecond = 50;

    explicit SliceRunner(emu::Machine& machine);

    // After the machine's start: the bus's rate, the processor's events timed, and the bus's first tick. False
    // without a processor or when the bus refuses the rate.
    bool Start();
    void RunSlices(int64_t count);
    void RunFrames(int64_t count) { RunSlices(count * frames.SlicesPerFrame()); }
    // Runs slices until done answers true (checked before each) or maxSlices ran; answers done's last answer.
    bool RunUntil(const std::function<bool()>& done, int64_t maxSlices);
    // Runs that many processor cycles, dispatching events when due, without ticking the bus; answers the cycles
    // left, below 0 when the last instruction ran past them.
    int64_t RunCycles(int64_t cycles);
    // A host key, between slices.
    void Key(uint8_t code, bool down) { machine.KeyEvent(code, down); }

    int64_t Slices() const { return slices; }
    int32_t SlicesPerFrame() const { return frames.SlicesPerFrame(); }
    emu::CpuInterface& Cpu() const { return *machine.FirstCpu(); }

private:
    emu::Machine& machine;
    FrameSlices frames;
    int64_t slices = 0;
    // Cycles already run of the slices to come (0 or below).
    int64_t carry = 0;
};

} // namespace test_support
