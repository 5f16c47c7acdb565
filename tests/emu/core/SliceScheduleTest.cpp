#include "emu/core/SliceSchedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace emu {
namespace {

TEST(SlicePieceTest, BudgetIsCutWhereTheNextEventIsDue) {
    struct Case {
        int32_t budget;
        int32_t untilEvent;
        int32_t piece;
        int32_t carry;
        int32_t leftUntilEvent;
    };
    const Case cases[] = {
        {100, 30, 30, 70, 0}, {20, 30, 20, 0, 10}, {30, 30, 30, 0, 0}, {5, 0x7FFFFFFF, 5, 0, 0x7FFFFFFA},
        {7, 0, 0, 7, 0},
    };
    for (const Case& test : cases) {
        SlicePiece piece{test.budget, 99};
        int32_t untilEvent = test.untilEvent;
        piece.SplitAgainst(untilEvent);
        EXPECT_EQ(piece.budget, test.piece) << test.budget << " against " << test.untilEvent;
        EXPECT_EQ(piece.carry, test.carry) << test.budget << " against " << test.untilEvent;
        EXPECT_EQ(untilEvent, test.leftUntilEvent) << test.budget << " against " << test.untilEvent;
    }
}

TEST(SlicePieceTest, SettlingGivesBackWhatThePieceLeftAndTakesWhatItOverran) {
    struct Case {
        int32_t leftover;
        int32_t carry;
        int32_t untilEvent;
        int32_t budget;
        int32_t settledUntilEvent;
        bool due;
    };
    const Case cases[] = {
        {0, 70, 0, 70, 0, true},   // the piece ran to the event: it is due, and the rest of the slice follows
        {-3, 0, 10, -3, 7, false}, // overran by 3: three cycles nearer the event
        {5, 0, 10, 5, 15, false},  // stopped early (a break): the unspent cycles count again
        {-4, 2, 0, -2, -4, true},  // overran past the event
        {10, 0, 0x7FFFFFFF, 10, 0x7FFFFFFF, false}, // no event pending stays so, without overflow
    };
    for (const Case& test : cases) {
        SlicePiece piece{test.leftover, test.carry};
        int32_t untilEvent = test.untilEvent;
        EXPECT_EQ(piece.Settle(untilEvent), test.due) << test.leftover;
        EXPECT_EQ(piece.budget, test.budget) << test.leftover;
        EXPECT_EQ(piece.carry, 0) << test.leftover;
        EXPECT_EQ(untilEvent, test.settledUntilEvent) << test.leftover;
    }
}

// The cycles and slices of each frame when a processor runs the synchronised schedule, as the loop does: every
// piece cut at a timed event of the period, the processor running each piece and overrunning it by up to overrun
// cycles.
struct FrameRun {
    std::vector<int64_t> cycles;
    std::vector<int32_t> slices;
};

FrameRun RunFrames(int32_t frequency, int32_t slicesPerFrame, int32_t frames, int32_t eventPeriod, int32_t overrun) {
    SyncedSliceSchedule schedule;
    SlicePiece piece;
    int32_t untilEvent = eventPeriod;
    piece.budget = schedule.Start(frequency, slicesPerFrame);
    piece.SplitAgainst(untilEvent);
    FrameRun run;
    int64_t frameCycles = 0;
    int32_t frameSlices = 0;
    int32_t step = 0;
    while (static_cast<int32_t>(run.cycles.size()) < frames) {
        // A budget of 0 runs one instruction.
        const int32_t executed = (piece.budget == 0 ? 1 : piece.budget) + (overrun > 0 ? step++ % (overrun + 1) : 0);
        frameCycles += executed;
        piece.budget -= executed;
        if (piece.Settle(untilEvent)) {
            while (untilEvent <= 0) {
                untilEvent += eventPeriod;
            }
        }
        if (piece.budget > 0) {
            piece.SplitAgainst(untilEvent);
            continue;
        }
        piece.budget = schedule.EndSlice(piece.budget);
        ++frameSlices;
        EXPECT_GE(piece.budget, 1);
        piece.SplitAgainst(untilEvent);
        if (schedule.FrameEnded()) {
            run.cycles.push_back(frameCycles);
            run.slices.push_back(frameSlices);
            frameCycles = 0;
            frameSlices = 0;
            schedule.NextFrame();
        }
    }
    return run;
}

TEST(SyncedSliceScheduleTest, EveryFrameGetsItsCyclesInOneSlicePerBusTick) {
    struct Case {
        int32_t frequency;
        int32_t slicesPerFrame;
        int32_t eventPeriod;
    };
    const Case cases[] = {
        {3000000, 1764, 1000}, {4000000, 1764, 77}, {1000000, 1764, 100000}, {3000000, 80, 3}, {3000000, 882, 1},
    };
    for (const Case& test : cases) {
        const FrameRun run = RunFrames(test.frequency, test.slicesPerFrame, 60, test.eventPeriod, 0);
        for (size_t frame = 0; frame < run.cycles.size(); ++frame) {
            ASSERT_EQ(run.cycles[frame], test.frequency / 50) << test.frequency << " Hz, frame " << frame;
            ASSERT_EQ(run.slices[frame], test.slicesPerFrame) << test.frequency << " Hz, frame " << frame;
        }
    }
}

TEST(SyncedSliceScheduleTest, WhatSlicesOverrunIsTakenFromTheNextOnes) {
    const int32_t frames = 100;
    const FrameRun run = RunFrames(3000000, 1764, frames, 1000, 7);
    int64_t total = 0;
    for (const int64_t cycles : run.cycles) {
        total += cycles;
    }
    // Over many frames the clock holds within one overrun.
    EXPECT_NEAR(static_cast<double>(total), 3000000.0 / 50 * frames, 8.0);
}

TEST(SyncedSliceScheduleTest, SlowProcessorGetsAtLeastOneCyclePerSlice) {
    SyncedSliceSchedule schedule;
    EXPECT_EQ(schedule.Start(10000, 1764), 1);
    EXPECT_EQ(schedule.EndSlice(0), 1);
    EXPECT_LT(schedule.Owed(), 200.0);
}

TEST(SyncedSliceScheduleTest, RestoredScheduleGoesOnWhereItStood) {
    SyncedSliceSchedule schedule;
    schedule.Start(3000000, 1764);
    schedule.Restore(120.5, 60000, 1764, 2);
    EXPECT_EQ(schedule.EndSlice(0), 121) << "the last slice takes what the frame still owes";
    EXPECT_FALSE(schedule.FrameEnded());
    EXPECT_EQ(schedule.EndSlice(0), 34) << "the next frame's first share";
    EXPECT_TRUE(schedule.FrameEnded());
}

// The schedule's shares in floating point, as every frequency once had them: the whole-cycle arithmetic of a
// frequency that is a multiple of 50 must hand out the same budgets and owe the same.
class FractionalSchedule {
public:
    FractionalSchedule(double owed, double perFrame, int32_t slicesPerFrame, int32_t slicesLeft)
        : owed(owed), perFrame(perFrame), slicesPerFrame(slicesPerFrame), slicesLeft(slicesLeft) {}

    int32_t EndSlice(int32_t leftover) {
        --slicesLeft;
        owed += leftover;
        int32_t budget = 0;
        if (slicesLeft > 0) {
            if (owed > 0) {
                budget = Share(owed, slicesLeft);
                owed -= budget;
            }
        } else {
            budget = Clamped(std::trunc(owed));
            owed = perFrame;
            const int32_t share = Share(perFrame, slicesPerFrame);
            budget = Clamped(static_cast<double>(budget) + share);
            owed -= share;
            slicesLeft = slicesPerFrame;
        }
        if (budget <= 0) {
            owed -= 1 - static_cast<double>(budget);
            budget = 1;
        }
        return budget;
    }
    double Owed() const { return owed; }

private:
    static int32_t Clamped(double value) {
        return static_cast<int32_t>(
            std::clamp<double>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }
    static int32_t Share(double cycles, int32_t parts) { return Clamped(std::floor(cycles / parts + 0.5)); }

    double owed;
    double perFrame;
    int32_t slicesPerFrame;
    int32_t slicesLeft;
};

TEST(SyncedSliceScheduleTest, WholeCycleSharesAreThoseOfTheFractions) {
    struct Case {
        int32_t frequency;
        int32_t slicesPerFrame;
        // Overruns up to this many cycles, and now and then a slice that overran far (a break, a long stall).
        int32_t overrun;
    };
    const Case cases[] = {{3000000, 1764, 120}, {4000000, 1764, 1200}, {1000000, 80, 40}, {10000, 1764, 3}};
    for (const Case& test : cases) {
        SyncedSliceSchedule schedule;
        int32_t budget = schedule.Start(test.frequency, test.slicesPerFrame);
        FractionalSchedule reference(schedule.Owed(), test.frequency / 50.0, test.slicesPerFrame, test.slicesPerFrame);
        std::mt19937 random(static_cast<uint32_t>(test.frequency));
        for (int32_t slice = 0; slice < 200000; ++slice) {
            int32_t leftover = -static_cast<int32_t>(random() % static_cast<uint32_t>(test.overrun + 1));
            if (random() % 5000 == 0) {
                leftover = -static_cast<int32_t>(random() % 2000000);
            }
            budget = schedule.EndSlice(leftover);
            ASSERT_EQ(budget, reference.EndSlice(leftover)) << test.frequency << " Hz, slice " << slice;
            ASSERT_EQ(schedule.Owed(), reference.Owed()) << test.frequency << " Hz, slice " << slice;
            if (schedule.FrameEnded()) {
                schedule.NextFrame();
            }
        }
        EXPECT_GE(budget, 1);
    }
}

TEST(SyncedSliceScheduleTest, DebtBeyondWholeCyclesGoesOnInFractions) {
    SyncedSliceSchedule schedule;
    schedule.Start(3000000, 1764);
    FractionalSchedule reference(-1125899906842600.0, 60000, 1764, 1764);
    schedule.Restore(-1125899906842600.0, 60000, 1764, 1764);
    for (int32_t slice = 0; slice < 100; ++slice) {
        ASSERT_EQ(schedule.EndSlice(-1000000000), reference.EndSlice(-1000000000)) << "slice " << slice;
        ASSERT_EQ(schedule.Owed(), reference.Owed()) << "slice " << slice;
    }
}

} // namespace
} // namespace emu
