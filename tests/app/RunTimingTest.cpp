#include "app/RunTiming.h"

#include "app/ThreadSignal.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace emu {
namespace {

// A host clock of 1,000,000 ticks a second whose sleeps take sleepTicks per millisecond asked; with
// oversleepEvery set, every such sleep takes oversleepTicks more.
class FakeClock : public HostClock {
public:
    explicit FakeClock(uint64_t sleepTicks = 1000) : sleepTicks(sleepTicks) {}

    uint64_t Frequency() const override { return 1000000; }
    uint64_t Now() const override { return now; }
    void SleepMs(uint32_t milliseconds) override {
        ++sleeps;
        if (milliseconds == 0) {
            return;
        }
        now += sleepTicks * milliseconds;
        if (oversleepEvery > 0 && sleeps % oversleepEvery == 0) {
            now += oversleepTicks;
        }
    }

    uint64_t now = 5000000;
    uint64_t sleepTicks;
    int32_t sleeps = 0;
    int32_t oversleepEvery = 0;
    uint64_t oversleepTicks = 0;
};

TEST(SpeedPercentTest, SecondsFigureByHowLateTheyEnded) {
    struct Case {
        int64_t lateTicks; // of 10000 a second
        int32_t synced;
        int32_t maxSpeed;
    };
    const Case cases[] = {
        {0, 100, 100},     // on time
        {90, 99, 99},      // 99.1 %
        {80, 100, 100},    // 99.2 %: shown as 100
        {-186, 100, 100},  // 101.8 %: still 100 when synchronised
        {-187, 101, 100},  // 101.9 %: the synchronised loop shows its own figure, the other never more than 100
        {-5000, 200, 100}, // twice real time
        {10000, 50, 50},   // half
        {-10000, 7, 7},    // no time at all: the previous figure stays
        {9990000, 7, 7},   // a figure of 0 keeps the previous one
    };
    for (const Case& test : cases) {
        const uint64_t secondEnd = 1000000;
        const uint64_t now = static_cast<uint64_t>(static_cast<int64_t>(secondEnd) + test.lateTicks);
        EXPECT_EQ(SpeedPercent(now, secondEnd, 10000, 7, true), test.synced) << test.lateTicks;
        EXPECT_EQ(SpeedPercent(now, secondEnd, 10000, 7, false), test.maxSpeed) << test.lateTicks;
    }
}

// Runs the maximum-speed slicing on a host that does hostRate cycles a tick, for one frame; answers the slices.
int32_t SlicesOfOneFrame(int32_t slicesPerFrame, FakeClock& clock, MaxSpeedSlicer& slicer, FrameClock& frame,
                         double cyclesPerTick) {
    int32_t slices = 0;
    int32_t budget = slicer.Start(3000000, slicesPerFrame, frame, clock.now);
    EXPECT_EQ(budget, 3000000 / (slicesPerFrame * 50));
    while (!slicer.FrameEnded()) {
        clock.now += static_cast<uint64_t>(budget / cyclesPerTick) + 1;
        const int32_t piece = slicer.NextPiece(0, clock.now);
        if (piece > 0) {
            budget = piece;
            continue;
        }
        budget = slicer.EndSlice(clock.now);
        ++slices;
    }
    return slices;
}

TEST(MaxSpeedSlicerTest, FrameHasOneSlicePerBusTickWhateverTheHostsSpeed) {
    for (const int32_t slicesPerFrame : {80, 160, 320, 441, 882}) {
        for (const double cyclesPerTick : {0.5, 3.0, 50.0}) {
            FakeClock clock;
            FrameClock frame;
            frame.Start(clock.Frequency(), clock.now);
            MaxSpeedSlicer slicer;
            EXPECT_EQ(SlicesOfOneFrame(slicesPerFrame, clock, slicer, frame, cyclesPerTick), slicesPerFrame);
            EXPECT_EQ(slicer.SliceTicks(), static_cast<uint64_t>(1000000.0 / (slicesPerFrame * 50) + 0.5));
        }
    }
}

TEST(MaxSpeedSlicerTest, SlicesFillTheirTimeInPiecesOfThreeQuartersOfWhatIsLeft) {
    FakeClock clock;
    FrameClock frame;
    frame.Start(clock.Frequency(), clock.now);
    MaxSpeedSlicer slicer;
    // 80 slices of 250 ticks; 37500 cycles in the first slice.
    EXPECT_EQ(slicer.Start(3000000, 80, frame, clock.now), 750);
    clock.now += 50;
    // 750 cycles in 50 ticks: 15 a tick, 200 ticks left: 0.75 * 200 * 15.
    EXPECT_EQ(slicer.NextPiece(0, clock.now), 2250);
    clock.now += 150;
    // 3000 in 200: 50 ticks left, 0.75 * 50 * 15 = 562.5.
    EXPECT_EQ(slicer.NextPiece(-2, clock.now), 563);
    clock.now += 60;
    EXPECT_EQ(slicer.NextPiece(0, clock.now), 0) << "past the slice's deadline";
    // The next slice starts with a quarter of the 3565 cycles done.
    EXPECT_EQ(slicer.EndSlice(clock.now), 891);
    EXPECT_EQ(slicer.SlicesLeft(), 79);
}

TEST(MaxSpeedSlicerTest, SpeedFactorShortensSlicesWhileFramesEndLate) {
    FakeClock clock;
    FrameClock frame;
    frame.Start(clock.Frequency(), clock.now);
    MaxSpeedSlicer slicer;
    slicer.Start(3000000, 80, frame, clock.now);
    // Early: the factor stays below 1.
    clock.now = frame.frameDeadline - 1000;
    EXPECT_FALSE(slicer.EndFrame(clock.now, frame, true));
    EXPECT_DOUBLE_EQ(slicer.SpeedFactor(), 0.99);
    // Two frames late: counted on a host of several processors, and the factor shrinks.
    clock.now = frame.frameDeadline + 40000;
    EXPECT_TRUE(slicer.EndFrame(clock.now, frame, true));
    EXPECT_DOUBLE_EQ(slicer.SpeedFactor(), 0.99 * 20000 / (20000 + 20000.0));
    EXPECT_EQ(slicer.SliceTicks(), static_cast<uint64_t>(250 * slicer.SpeedFactor() + 0.5));
    EXPECT_EQ(frame.frameDeadline, clock.now + 20000);
    // Not counted with one processor; the factor never drops below 0.2.
    for (int32_t late = 0; late < 10; ++late) {
        clock.now = frame.frameDeadline + 200000;
        EXPECT_FALSE(slicer.EndFrame(clock.now, frame, false));
    }
    EXPECT_DOUBLE_EQ(slicer.SpeedFactor(), 0.2);
}

TEST(FramePacerTest, SynchronisedFramesEndAtTheirDeadlines) {
    FakeClock clock(1300);
    FramePacer pacer;
    pacer.Start(clock);
    EXPECT_EQ(pacer.Granularity(), 1300U);
    FrameClock frame;
    frame.Start(clock.Frequency(), clock.now);
    for (int32_t index = 0; index < 100; ++index) {
        const uint64_t deadline = frame.frameDeadline;
        clock.now += 3000; // the frame's emulation
        const uint64_t ended = pacer.WaitForFrame(clock, frame, true);
        EXPECT_LE(ended, deadline);
        EXPECT_LT(deadline - ended, 2 * clock.sleepTicks) << "it sleeps while two sleeps still fit";
        EXPECT_EQ(frame.frameDeadline, deadline + 20000);
    }
    // A frame that ends late keeps the schedule: the next one is due a frame after its own deadline.
    uint64_t deadline = frame.frameDeadline;
    clock.now = deadline + 5000;
    const int32_t sleeps = clock.sleeps;
    EXPECT_EQ(pacer.WaitForFrame(clock, frame, true), clock.now);
    EXPECT_EQ(frame.frameDeadline, deadline + 20000);
    // So late by a whole frame, the next one runs without a sleep.
    deadline = frame.frameDeadline;
    clock.now = deadline + 20000;
    EXPECT_EQ(pacer.WaitForFrame(clock, frame, true), clock.now);
    EXPECT_EQ(frame.frameDeadline, deadline + 20000);
    EXPECT_EQ(pacer.WaitForFrame(clock, frame, true), clock.now);
    EXPECT_EQ(clock.sleeps, sleeps);
    // A frame later than the catching up covers gives the time up: the next one is due a frame from now.
    clock.now = frame.frameDeadline + (FramePacer::kCatchUpFrames + 1) * 20000;
    EXPECT_EQ(pacer.WaitForFrame(clock, frame, true), clock.now);
    EXPECT_EQ(frame.frameDeadline, clock.now + 20000);
}

TEST(FramePacerTest, TimeSleepsTakeTooMuchIsMadeUpNotAddedUp) {
    struct Case {
        const char* name;
        uint64_t sleepTicks;
        int32_t oversleepEvery;
        uint64_t oversleepTicks;
    };
    const Case cases[] = {
        {"exact sleeps", 1000, 0, 0},
        {"sleeps a tenth long", 1100, 0, 0},
        {"a coarse system timer", 15625, 0, 0},
        {"every fifth sleep 8 ms over", 1000, 5, 8000},
        {"every third sleep a frame over", 1000, 3, 21000},
    };
    constexpr int32_t kFrames = 500;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        FakeClock clock(test.sleepTicks);
        clock.oversleepEvery = test.oversleepEvery;
        clock.oversleepTicks = test.oversleepTicks;
        FramePacer pacer;
        pacer.Start(clock);
        FrameClock frame;
        frame.Start(clock.Frequency(), clock.now);
        const uint64_t started = clock.now;
        uint64_t ended = 0;
        for (int32_t index = 0; index < kFrames; ++index) {
            clock.now += 3000; // the frame's emulation
            ended = pacer.WaitForFrame(clock, frame, true);
        }
        // The last frame ends at its place in the schedule, give or take one sleep: nothing was lost on the way.
        const uint64_t longestSleep = test.sleepTicks + test.oversleepTicks;
        const auto drift = static_cast<int64_t>(ended - (started + kFrames * frame.ticksPerFrame));
        EXPECT_LE(drift, static_cast<int64_t>(longestSleep));
        EXPECT_GT(drift, -2 * static_cast<int64_t>(longestSleep));
    }
}

TEST(FrameClockTest, PauseCountsNeitherInTheFrameNorInTheSecond) {
    FakeClock clock;
    FramePacer pacer;
    pacer.Start(clock);
    FrameClock frame;
    frame.Start(clock.Frequency(), clock.now);
    // A second of frames with a pause of half a second inside the 21st.
    int32_t speed = 0;
    for (int32_t index = 0; index < FrameClock::kFramesPerSecond; ++index) {
        clock.now += 3000; // the frame's emulation
        if (index == 20) {
            const uint64_t left = frame.frameDeadline - clock.now;
            frame.Park(clock.now);
            clock.now += 500000;
            frame.Resume(clock.now);
            EXPECT_EQ(frame.frameDeadline - clock.now, left) << "the frame keeps the time it had left";
        }
        const uint64_t now = pacer.WaitForFrame(clock, frame, true);
        if (++frame.frames == FrameClock::kFramesPerSecond) {
            speed = SpeedPercent(now, frame.secondEnd, frame.ticksPerSecond, speed, true);
        }
    }
    EXPECT_EQ(speed, 100);
    // A state loaded during a pause starts the clock afresh: only the rest of the pause moves it on.
    frame.Park(clock.now);
    clock.now += 300000;
    frame.Start(clock.Frequency(), clock.now);
    clock.now += 1000;
    frame.Resume(clock.now);
    EXPECT_EQ(frame.frameDeadline, clock.now + 20000);
    EXPECT_EQ(frame.secondEnd, clock.now + 1000000);
}

// A request arrives while the frame waits for its deadline: a signal sent after the loop noted the count (here
// during the third sleep), one sent before it, or the request flag already up. The wait ends at once, without
// further sleeps, and the deadline stays for the wait the loop owes; the wait taken again ends at the deadline
// and moves it a frame on.
TEST(FramePacerTest, RequestEndsTheWaitForTheDeadline) {
    struct Case {
        const char* name;
        int32_t signalAtSleep;
        bool signalBefore;
        bool requested;
        int32_t sleeps;
        bool woken;
    };
    const Case cases[] = {
        {"signal during the wait", 3, false, false, 3, true},
        {"signal before the wait", 0, true, false, 0, true},
        {"request flag up", 0, false, true, 0, true},
        {"no request: the whole wait", 0, false, false, 18, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ThreadSignal signal;
        // Sleeps go through the clock's own SleepMs, so the fake counts them and can signal in one.
        class SignallingClock : public FakeClock {
        public:
            explicit SignallingClock(ThreadSignal& signal) : signal(signal) {}
            void SleepMs(uint32_t milliseconds) override {
                FakeClock::SleepMs(milliseconds);
                if (++frameSleeps == signalAtSleep) {
                    signal.Signal();
                }
            }
            ThreadSignal& signal;
            int32_t frameSleeps = 0;
            int32_t signalAtSleep = 0;
        } clock(signal);
        FramePacer pacer;
        pacer.Start(clock);
        FrameClock frame;
        frame.Start(clock.Frequency(), clock.now);
        clock.frameSleeps = 0;
        clock.signalAtSleep = test.signalAtSleep;
        clock.now += 1000; // the frame's emulation: 19 ms left
        const uint64_t deadline = frame.frameDeadline;
        FrameWake wake{&signal, signal.Count(), test.requested};
        if (test.signalBefore) {
            signal.Signal();
        }
        pacer.WaitForFrame(clock, frame, true, wake);
        EXPECT_EQ(clock.frameSleeps, test.sleeps);
        EXPECT_EQ(pacer.Woken(), test.woken);
        if (test.woken) {
            EXPECT_EQ(frame.frameDeadline, deadline) << "the wait is owed";
            const uint64_t ended = pacer.WaitForFrame(clock, frame, true, FrameWake{&signal, signal.Count(), false});
            EXPECT_FALSE(pacer.Woken());
            EXPECT_LE(ended, deadline);
            EXPECT_LT(deadline - ended, 2 * clock.sleepTicks);
        }
        EXPECT_EQ(frame.frameDeadline, deadline + 20000);
    }
}

TEST(FramePacerTest, UnsynchronisedFramesNeverSleep) {
    FakeClock clock;
    FramePacer pacer;
    pacer.Start(clock);
    FrameClock frame;
    frame.Start(clock.Frequency(), clock.now);
    const int32_t sleeps = clock.sleeps;
    EXPECT_EQ(pacer.WaitForFrame(clock, frame, false), clock.now);
    EXPECT_EQ(clock.sleeps, sleeps);
    EXPECT_EQ(frame.frameDeadline, clock.now + 20000);
}

} // namespace
} // namespace emu
