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
