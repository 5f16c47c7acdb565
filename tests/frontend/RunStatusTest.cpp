#include "frontend/RunStatus.h"

#include "emu/core/DriveSet.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <vector>

namespace emu {
namespace {

class DriveLightTest : public ::testing::Test {
protected:
    DriveLightTest() {
        drives.SetFloppyCount(1);
        slot = drives.DriveAt(DriveKind::Floppy, 0);
        slot->indicatorNumber = 3;
    }

    void Mount() { ASSERT_TRUE(slot->OpenImage(common::PathString(folder.WriteFile(u"disk.img", "image").c_str()))); }

    test_support::TemporaryFolder folder;
    DriveSet drives;
    DriveSlot* slot = nullptr;
};

TEST_F(DriveLightTest, TheImageIndexCoversEveryState) {
    struct Case {
        bool open;
        bool latched;
        bool running;
        bool accepted;
        bool usable;
        bool examined;
        bool light;
        int32_t index;
    };
    const Case cases[] = {
        {false, false, false, false, false, false, false, 3}, {false, true, false, false, false, false, false, 2},
        {false, false, true, false, false, false, true, 7},   {false, true, true, false, false, true, true, 6},
        {true, false, false, false, false, false, false, 1},  {true, false, true, false, false, false, false, 1},
        {true, false, true, true, true, true, true, 5},       {true, true, false, false, false, false, false, 0},
        {true, true, false, false, false, false, true, 4},    {true, true, true, true, true, false, false, 0},
        {true, true, true, true, true, true, true, 4},        {true, true, true, true, false, true, false, 8},
        {true, true, true, false, true, true, false, 8},      {true, true, true, false, true, false, false, 9},
        {true, true, true, true, false, true, true, 10},      {true, true, true, false, false, false, true, 11},
    };
    Mount();
    for (const Case& c : cases) {
        if (c.open != slot->Image().IsOpen()) {
            if (c.open) {
                Mount();
            } else {
                slot->EjectImage();
            }
        }
        slot->latched = c.latched;
        slot->mediaReady = c.accepted;
        slot->imageUsable = c.usable;
        slot->changeSeen = c.examined;
        slot->indicatorNumber = c.light ? 3 - 1000 : 3;
        EXPECT_EQ(GetDriveImageIndex(*slot, c.running), c.index)
            << c.open << c.latched << c.running << c.accepted << c.usable << c.examined << c.light;
    }
}

TEST_F(DriveLightTest, ADriveAccessedAllTheTimeBlinksEveryDriveStep) {
    UiTimerCadence cadence(1 << 20);
    const uint64_t millisecond = (1 << 20) / 1000;
    std::vector<bool> lights;
    std::vector<uint64_t> changes;
    bool lastLight = false;
    const uint64_t start = 10 << 20;
    for (uint64_t now = start; now < start + (3 << 20); now += millisecond) {
        slot->accessBlink = true;
        if (cadence.OnCall(now, false).drives) {
            EXPECT_TRUE(StepDriveLight(*slot, false));
            if (IsDriveLightOn(*slot) != lastLight) {
                changes.push_back(now);
                lastLight = IsDriveLightOn(*slot);
            }
        }
    }
    // On for one drive step of 375 ms, off for the next: a blink of 750 ms.
    ASSERT_GE(changes.size(), 4u);
    EXPECT_NEAR(static_cast<double>(changes[0] - start) / (1 << 20), 0.375, 0.01);
    for (size_t i = 0; i + 1 < changes.size(); i += 2) {
        EXPECT_NEAR(static_cast<double>(changes[i + 1] - changes[i]) / (1 << 20), 0.375, 0.01) << i;
    }
    EXPECT_TRUE(slot->indicatorNumber == 3 || slot->indicatorNumber == 3 - 1000);
}

TEST_F(DriveLightTest, OneAccessLightsForOneStepAndAQuietDriveIsOnlyRedrawnWhenAllAreAsked) {
    slot->accessBlink = true;
    EXPECT_TRUE(StepDriveLight(*slot, false));
    EXPECT_TRUE(IsDriveLightOn(*slot));
    EXPECT_FALSE(slot->accessBlink);
    EXPECT_TRUE(StepDriveLight(*slot, false));
    EXPECT_FALSE(IsDriveLightOn(*slot));
    EXPECT_EQ(slot->indicatorNumber, 3);
    EXPECT_FALSE(StepDriveLight(*slot, false));
    EXPECT_TRUE(StepDriveLight(*slot, true));
    EXPECT_EQ(slot->indicatorNumber, 3);
}

TEST(UiTimerCadenceTest, StepsComeAtTheirShiftedIntervals) {
    const uint64_t f = 1 << 20;
    UiTimerCadence cadence(f);
    const uint64_t start = 10 * f;
    EXPECT_TRUE(cadence.OnCall(start, false).worked);
    EXPECT_FALSE(cadence.OnCall(start + (f >> 10) - 1, false).worked) << "too soon after the last working call";
    int fast = 0;
    int drives = 0;
    int slow = 0;
    for (uint64_t now = start + (f >> 10); now <= start + f; now += f >> 10) {
        const UiTimerCadence::Steps steps = cadence.OnCall(now, false);
        EXPECT_TRUE(steps.worked);
        EXPECT_FALSE(steps.lagging) << "a call every 1/1024 s keeps up";
        fast += steps.fast;
        drives += steps.drives;
        slow += steps.slow;
    }
    EXPECT_EQ(fast, 16);
    EXPECT_EQ(drives, 2);
    EXPECT_EQ(slow, 1);
}

TEST(UiTimerCadenceTest, FewCallsCountAsLagAndAMachineSwitchHoldsTheWorkBack) {
    const uint64_t f = 1 << 20;
    const uint64_t start = 10 * f;
    UiTimerCadence cadence(f);
    cadence.OnCall(start, false);
    for (int i = 1; i < 13; ++i) {
        EXPECT_FALSE(cadence.OnCall(start + i * (f >> 9), true).worked);
    }
    const UiTimerCadence::Steps late = cadence.OnCall(start + (f >> 4), false);
    EXPECT_TRUE(late.fast);
    EXPECT_TRUE(late.lagging) << "14 calls in 1/16 s, switched ones counted too";
    UiTimerCadence steady(f);
    steady.OnCall(start, false);
    for (int i = 1; i < 14; ++i) {
        steady.OnCall(start + i * (f >> 9), false);
    }
    const UiTimerCadence::Steps kept = steady.OnCall(start + (f >> 4), false);
    EXPECT_TRUE(kept.fast);
    EXPECT_FALSE(kept.lagging);
}

// The lag check scales with the tick: at 8 ms, two calls in 1/16 s keep up and one lags; the step after a change
// of tick reports no lag, whichever way it went.
TEST(UiTimerCadenceTest, LagIsJudgedByTheTickInUse) {
    const uint64_t f = 1 << 20;
    const uint64_t start = 10 * f;
    struct Case {
        int32_t calls;
        bool lagging;
    };
    for (const Case& c : {Case{1, true}, Case{2, false}, Case{8, false}}) {
        UiTimerCadence cadence(f);
        cadence.SetTickPeriod(UiTimerCadence::kAheadTickMs);
        cadence.OnCall(start, false);
        const UiTimerCadence::Steps changed = cadence.OnCall(start + (f >> 4), false);
        ASSERT_TRUE(changed.fast);
        EXPECT_FALSE(changed.lagging) << "the step after the change";
        for (int32_t call = 1; call < c.calls; ++call) {
            cadence.OnCall(start + (f >> 4) + call * (f >> 7), false);
        }
        const UiTimerCadence::Steps step = cadence.OnCall(start + 2 * (f >> 4), false);
        ASSERT_TRUE(step.fast);
        EXPECT_EQ(step.lagging, c.lagging) << c.calls << " calls";
    }
    UiTimerCadence back(f);
    back.SetTickPeriod(UiTimerCadence::kAheadTickMs);
    back.OnCall(start, false);
    back.OnCall(start + (f >> 4), false);
    back.SetTickPeriod(UiTimerCadence::kRealTimeTickMs);
    EXPECT_FALSE(back.OnCall(start + 2 * (f >> 4), false).lagging) << "one call, but the tick just changed";
    EXPECT_TRUE(back.OnCall(start + 3 * (f >> 4), false).lagging) << "one call at the millisecond tick";
    back.SetTickPeriod(0);
    EXPECT_EQ(back.TickPeriod(), 1) << "clamped";
}

// Only a machine running unpaced in the synchronised loop gets the long tick.
TEST(UiTimerCadenceTest, TheLongTickIsForAMachineRunningAheadOfRealTime) {
    struct Case {
        bool powered;
        bool parked;
        bool synchronisedLoop;
        bool pacing;
        int32_t tick;
    };
    const Case cases[] = {
        {true, false, true, false, UiTimerCadence::kAheadTickMs},
        {true, false, true, true, UiTimerCadence::kRealTimeTickMs},
        {true, true, true, false, UiTimerCadence::kRealTimeTickMs},
        {true, false, false, false, UiTimerCadence::kRealTimeTickMs},
        {false, false, true, false, UiTimerCadence::kRealTimeTickMs},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UiTimerCadence::TickFor(c.powered, c.parked, c.synchronisedLoop, c.pacing), c.tick)
            << c.powered << c.parked << c.synchronisedLoop << c.pacing;
    }
}

// Presents at the long tick: one every tick, about 125 a second.
TEST(UiTimerCadenceTest, TheLongTickStillPresentsEveryTick) {
    const uint64_t f = 1 << 20;
    UiTimerCadence cadence(f);
    cadence.SetTickPeriod(UiTimerCadence::kAheadTickMs);
    int32_t presents = 0;
    const uint64_t tick = f * UiTimerCadence::kAheadTickMs / 1000;
    int32_t ticks = 0;
    for (uint64_t now = 10 * f; now < 11 * f; now += tick) {
        ++ticks;
        EXPECT_TRUE(cadence.OnCall(now, false).worked);
        if (cadence.PresentDue(now)) {
            ++presents;
            cadence.PresentTook(now, now + (f >> 12));
        }
    }
    EXPECT_EQ(presents, ticks);
    EXPECT_GE(presents, 125);
}

TEST(UiTimerCadenceTest, ASlowPresentHoldsTheNextOneBack) {
    const uint64_t f = 1 << 20;
    UiTimerCadence cadence(f);
    EXPECT_TRUE(cadence.PresentDue(0));
    EXPECT_FALSE(cadence.PresentTook(100, 100 + (f >> 7))) << "exactly 1/128 s is not slow";
    EXPECT_TRUE(cadence.PresentDue(200 + (f >> 7)));
    EXPECT_TRUE(cadence.PresentTook(100, 101 + (f >> 7)));
    EXPECT_FALSE(cadence.PresentDue(101 + (f >> 7) + (f >> 8) - 1));
    EXPECT_TRUE(cadence.PresentDue(101 + (f >> 7) + (f >> 8)));
}

// However fast the machine makes frames, the screen is presented at most 128 times a second of host time; at real
// time (a frame every 1/50 s) every frame still is.
TEST(UiTimerCadenceTest, PresentsStartAtMost128TimesASecond) {
    const uint64_t f = 1 << 20;
    UiTimerCadence cadence(f);
    int32_t presents = 0;
    for (uint64_t now = 0; now < f; now += f >> 10) {
        if (cadence.PresentDue(now)) {
            ++presents;
            EXPECT_FALSE(cadence.PresentTook(now, now + (f >> 12)));
        }
    }
    EXPECT_EQ(presents, 128);
    UiTimerCadence realTime(f);
    for (uint64_t frame = 1; frame <= 50; ++frame) {
        EXPECT_TRUE(realTime.PresentDue(frame * f / 50)) << frame;
        realTime.PresentTook(frame * f / 50, frame * f / 50 + (f >> 12));
    }
}

TEST(WindowTitleTest, TheStatusAndTheHintJoinTheBaseTitle) {
    const common::NarrowString base("ZOV/BK Emulator");
    const common::WideString hint(u"   [hint]");
    EXPECT_EQ(ComposeWindowTitle(base, common::WideString(""), true, hint).View(), u"ZOV/BK Emulator");
    EXPECT_EQ(ComposeWindowTitle(base, common::WideString("Speed 100%"), false, hint).View(),
              u"ZOV/BK Emulator - Speed 100%");
    EXPECT_EQ(ComposeWindowTitle(base, common::WideString("Speed 100%"), true, hint).View(),
              u"ZOV/BK Emulator - Speed 100%   [hint]");
    // A translated status keeps its letters.
    EXPECT_EQ(ComposeWindowTitle(base, common::WideString(u"BK (Скорость=100)"), false, hint).View(),
              u"ZOV/BK Emulator - BK (Скорость=100)");
}

} // namespace
} // namespace emu
