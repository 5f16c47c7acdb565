// The host-time side of the run loops, apart from the threads: the frame and statistics deadlines, the speed
// figure of a second, the maximum-speed loop's slicing of host time and the synchronised loop's sleep to the frame
// deadline. Every step takes the host time as an argument, or reads it through a HostClock that tests replace.
#pragma once

#include <cstdint>

namespace emu {

class ThreadSignal;

// Host time in ticks of the performance counter.
class HostClock {
public:
    virtual ~HostClock() = default;
    virtual uint64_t Frequency() const;
    virtual uint64_t Now() const;
    // Now() in microseconds.
    uint64_t Microseconds() const;
    virtual void SleepMs(uint32_t milliseconds);
    // Sleeps up to milliseconds, ending early once signal's count has moved past seen; true when it did. This
    // sleeps through SleepMs, looking at the signal before and after; the host's own clock waits on the signal.
    virtual bool SleepUnless(ThreadSignal& signal, uint64_t seen, uint32_t milliseconds);

    // The host's own counter and sleep.
    static HostClock& Real();
};

// Deadlines both loops keep: the end of the running frame of 1/50 s and of the statistics second.
struct FrameClock {
    static constexpr int32_t kFramesPerSecond = 50;

    uint64_t ticksPerSecond = 1;
    uint64_t ticksPerFrame = 1;
    uint64_t frameDeadline = 0;
    uint64_t secondEnd = 0;
    // Frames ended in the running statistics second, 0 to 49.
    int32_t frames = 0;
    // Where the running pause began (or the clock last started).
    uint64_t parkedAt = 0;

    void Start(uint64_t frequency, uint64_t now);
    // The loop parks at now: host time stops counting for it until Resume.
    void Park(uint64_t now) { parkedAt = now; }
    // The loop runs again at now: both deadlines move on by the pause, so that the running frame keeps the time it
    // had left and the statistics second counts none of the pause (a state loaded meanwhile started afresh).
    void Resume(uint64_t now);
    // The 50th frame of a second ended.
    bool SecondEnded() const { return frames >= kFramesPerSecond; }
};

// The speed of the statistics second that ends at now, in percent of real time: the second was due to end at
// secondEnd. The maximum-speed loop shows at most 100 (from 99.2 % on); the synchronised loop shows 100 from
// 99.2 % to 101.8 % and its own figure outside. A figure of 0 keeps previous.
int32_t SpeedPercent(uint64_t now, uint64_t secondEnd, uint64_t ticksPerSecond, int32_t previous, bool synced);

// The maximum-speed loop cuts every frame into slices of host time and fills each with as many cycles as fit:
// a slice starts with a quarter of the last slice's cycles and goes on in pieces sized to 75 % of the time left,
// estimated from the cycles done so far. A speed factor shortens the slices while frames end late.
class MaxSpeedSlicer {
public:
    // Pieces of this many cycles or fewer are not worth another pass: the slice ends.
    static constexpr int32_t kSmallestPiece = 20;

    // The first frame of a processor at frequency in slicesPerFrame slices, on the clock's deadlines; answers the
    // first slice's budget.
    int32_t Start(int32_t frequency, int32_t slicesPerFrame, const FrameClock& clock, uint64_t now);
    // The slice's last piece left leftover cycles (0 or below: it overran). Answers the next piece while the
    // slice's deadline is ahead and the piece is worth it, else 0: the slice ends.
    int32_t NextPiece(int32_t leftover, uint64_t now);
    // The slice ends at now: one slice fewer left in the frame; answers the next slice's first piece.
    int32_t EndSlice(uint64_t now);
    // The frame ends at now: the speed factor follows how late it ended, and the slices and deadlines start
    // again from now. True when it ended more than 1.5 frames late on a host with more than one processor.
    bool EndFrame(uint64_t now, FrameClock& clock, bool multiProcessor);
    // After a pause: the slice's deadline at now.
    void RestartAt(uint64_t now);

    bool FrameEnded() const { return slicesLeft == 0; }
    bool AtHalfFrame() const { return slicesLeft == slicesPerFrame / 2; }
    void NextFrame() { slicesLeft = slicesPerFrame; }

    int32_t SlicesPerFrame() const { return slicesPerFrame; }
    int32_t SlicesLeft() const { return slicesLeft; }
    double SpeedFactor() const { return speedFactor; }
    uint64_t SliceTicks() const { return sliceTicks; }
    // A loaded state: its slices, and the speed factor back to 1.
    void Restore(int32_t newSlicesPerFrame, int32_t newSlicesLeft, const FrameClock& clock, uint64_t now);

private:
    uint64_t NominalSliceTicks(const FrameClock& clock) const;

    int32_t slicesPerFrame = 1;
    int32_t slicesLeft = 1;
    double speedFactor = 1.0;
    uint64_t sliceTicks = 1;
    uint64_t sliceStart = 0;
    uint64_t sliceDeadline = 0;
    // Cycles done in the running slice.
    int64_t sliceCycles = 0;
};

// What ends a frame wait early: a request for the loop. The loop notes the signal's count before it looks at its
// request flag; requested says the flag was already up, so the frame does not wait at all.
struct FrameWake {
    ThreadSignal* signal = nullptr;
    uint64_t seen = 0;
    bool requested = false;
};

// The synchronised loop's wait for the frame deadline: it sleeps a millisecond at a time while twice the host's
// sleep granularity still fits before the deadline, learning the granularity from every sleep. A request (the
// wake) cuts the wait short and leaves the deadline where it is: the loop serves the request and waits again, so
// requests never make the machine run ahead of real time. Deadlines follow
// one another a frame apart, whenever a frame ended: the time a sleep or a stalled frame took too much is made
// up by the next frames running without a wait, so late frames do not slow the machine down.
class FramePacer {
public:
    // A frame later than this many frames gives up the time it lost: the next deadline is a frame from now, so a
    // long stall is not raced through afterwards.
    static constexpr int32_t kCatchUpFrames = 5;

    // Measures one sleep of 1 ms.
    void Start(HostClock& clock);
    // Waits for the frame deadline when synchronised, then moves the deadline one frame on (to a frame from now
    // when the frame ended more than kCatchUpFrames late or the loop does not synchronise). Woken, it answers at
    // once with the deadline unmoved (Woken() tells): the caller waits again later. Answers the time after the wait.
    uint64_t WaitForFrame(HostClock& clock, FrameClock& frame, bool synchronised, const FrameWake& wake = {});
    uint64_t Granularity() const { return granularity; }
    // The last wait was cut short by a request: it is still owed.
    bool Woken() const { return woken; }

private:
    uint64_t floor = 1;
    uint64_t granularity = 1;
    bool woken = false;
};

} // namespace emu
