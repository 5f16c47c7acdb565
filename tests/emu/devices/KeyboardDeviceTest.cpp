#include "emu/devices/KeyboardDevice.h"

#include "DeviceStateBytes.h"
#include "DeviceTestMachine.h"
#include "common/BasicOptionNode.h"
#include "common/SettingsTree.h"
#include "emu/core/MouseService.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Log = std::vector<std::string>;

class LoggingKeyboard : public KeyboardDevice {
public:
    void OnKey(uint8_t code, bool down) override { log.push_back(std::to_string(code) + (down ? " down" : " up")); }

    Log log;
};

// A machine with the keyboard, and the mouse events it sends as "<buttons> <moveX>,<moveY> <stepX>,<stepY>".
struct KeyboardMachine {
    explicit KeyboardMachine(bool numpadMouse = true, int32_t mode = 1) {
        auto made = std::make_unique<LoggingKeyboard>();
        keyboard = made.get();
        keyboard->SetNumpadMouseAvailable(numpadMouse);
        keyboard->SetNumpadMode(mode);
        machine.AddChild(std::move(made));
    }

    // Powered on and past the bus's first tick: the 50 Hz event fires every 80 ticks from here.
    bool Start() {
        if (!machine.PowerOnAndClock()) {
            return false;
        }
        machine.Mouse()->AddListener(this, OnMouse);
        machine.Run(1);
        return true;
    }
    void Key(int32_t code, bool down) { machine.KeyEvent(code, down); }

    static void OnMouse(void* context, const MouseEventRecord& event) {
        static_cast<KeyboardMachine*>(context)->mouse.push_back(
            std::to_string(event.buttons) + " " + std::to_string(static_cast<int>(event.moveX)) + "," +
            std::to_string(static_cast<int>(event.moveY)) + " " + std::to_string(event.stepX) + "," +
            std::to_string(event.stepY));
    }

    DeviceTestMachine machine;
    LoggingKeyboard* keyboard = nullptr;
    Log mouse;
};

TEST(KeyboardDeviceTest, WithThePadAsKeysEveryKeyReachesTheKeyboard) {
    KeyboardMachine test(true, 0);
    ASSERT_TRUE(test.Start());
    for (const int32_t code : {0x41, 0x61, 0x65, 0x66, 0x6C}) {
        test.Key(code, true);
        test.Key(code, false);
    }
    test.machine.Run(DeviceTestMachine::kTicksPerBlock * 10);
    EXPECT_EQ(test.keyboard->log, (Log{"65 down", "65 up", "97 down", "97 up", "101 down", "101 up", "102 down",
                                       "102 up", "108 down", "108 up"}));
    EXPECT_EQ(test.mouse, Log{});
}

TEST(KeyboardDeviceTest, PadDirectionsMoveTheMouseInStepsOfTen) {
    KeyboardMachine test;
    ASSERT_TRUE(test.Start());
    for (int32_t code = 0x61; code <= 0x69; ++code) {
        test.Key(code, true);
        test.Key(code, false);
    }
    EXPECT_EQ(test.mouse, (Log{"0 -10,10 -10,10", "0 0,10 0,10", "0 10,10 10,10", "0 -10,0 -10,0", "1 0,0 0,0",
                               "0 0,0 0,0", "0 10,0 10,0", "0 -10,-10 -10,-10", "0 0,-10 0,-10", "0 10,-10 10,-10"}));
    // Releases of the directions reach the keyboard; the buttons' do not.
    EXPECT_EQ(test.keyboard->log, (Log{"97 up", "98 up", "99 up", "100 up", "102 up", "103 up", "104 up", "105 up"}));
}

TEST(KeyboardDeviceTest, PadFiveAndTheSeparatorAreTheButtons) {
    KeyboardMachine test;
    ASSERT_TRUE(test.Start());
    test.Key(0x65, true);
    test.Key(0x6C, true);
    test.Key(0x65, false);
    test.Key(0x6C, false);
    test.Key(0x41, true);
    EXPECT_EQ(test.mouse, (Log{"1 0,0 0,0", "3 0,0 0,0", "2 0,0 0,0", "0 0,0 0,0"}));
    EXPECT_EQ(test.keyboard->log, Log{"65 down"});
}

TEST(KeyboardDeviceTest, AHeldDirectionRepeatsOnTheFifthEventThenOnEveryOne) {
    KeyboardMachine test;
    ASSERT_TRUE(test.Start());
    test.Key(0x66, true);
    std::vector<size_t> moves;
    for (int32_t event = 0; event < 7; ++event) {
        test.machine.Run(DeviceTestMachine::kTicksPerBlock);
        moves.push_back(test.mouse.size());
    }
    EXPECT_EQ(moves, (std::vector<size_t>{1, 1, 1, 1, 2, 3, 4}));
    test.Key(0x66, false);
    test.machine.Run(DeviceTestMachine::kTicksPerBlock * 3);
    EXPECT_EQ(test.mouse.size(), 4u);
    EXPECT_EQ(test.keyboard->log, Log{"102 up"});

    // Another direction starts its own delay; going back to the pad as keys stops the repeat.
    test.Key(0x62, true);
    test.Key(0x68, true);
    test.machine.Run(DeviceTestMachine::kTicksPerBlock * 5);
    EXPECT_EQ(test.mouse.back(), "0 0,-10 0,-10");
    EXPECT_EQ(test.mouse.size(), 7u);
    test.keyboard->SetNumpadMode(0);
    test.machine.Run(DeviceTestMachine::kTicksPerBlock * 3);
    EXPECT_EQ(test.mouse.size(), 7u);
}

TEST(KeyboardDeviceTest, TheNumpadMouseRunsOnlyWhereTheKeyboardOffersIt) {
    KeyboardMachine without(false, 0);
    ASSERT_TRUE(without.Start());
    EXPECT_EQ(without.machine.Bus()->EventCount(), 0);
    EXPECT_FALSE(without.keyboard->SetNumpadMouseAvailable(true));
    common::BasicOptionNode none;
    without.keyboard->FillSettingsTree(&none, OptionKind::Input);
    EXPECT_EQ(none.ChildCount(), 0);

    KeyboardMachine with;
    ASSERT_TRUE(with.Start());
    ASSERT_EQ(with.machine.Bus()->EventCount(), 1);
    EXPECT_STREQ(with.machine.Bus()->EventAt(0)->name, "NumpadMouse");
    EXPECT_EQ(with.machine.Bus()->EventAt(0)->frequency, 50);
    common::BasicOptionNode menu;
    with.keyboard->FillSettingsTree(&menu, OptionKind::Input);
    ASSERT_EQ(menu.ChildCount(), 1);
    const common::OptionNode* usage = menu.ChildAt(0);
    EXPECT_EQ(usage->TextId(), 99);
    ASSERT_EQ(usage->ChildCount(), 2);
    EXPECT_EQ(usage->ChildAt(0)->TextId(), 100);
    EXPECT_FALSE(usage->ChildAt(0)->IsChecked());
    EXPECT_EQ(usage->ChildAt(1)->TextId(), 101);
    EXPECT_TRUE(usage->ChildAt(1)->IsChecked());
}

TEST(KeyboardDeviceTest, ResetTakesBackAModeTheKeyboardCannotPlay) {
    struct Case {
        bool numpadMouse;
        int32_t mode;
        bool result;
        int32_t after;
    };
    for (const Case& each : {Case{true, 1, true, 1}, Case{false, 1, false, 0}, Case{true, 2, false, 0},
                             Case{false, -1, false, 0}, Case{false, 0, true, 0}}) {
        SCOPED_TRACE(std::to_string(each.mode) + (each.numpadMouse ? " with the pad mouse" : ""));
        LoggingKeyboard keyboard;
        keyboard.SetNumpadMouseAvailable(each.numpadMouse);
        keyboard.SetNumpadMode(each.mode);
        EXPECT_EQ(keyboard.Reset(false), each.result);
        EXPECT_EQ(keyboard.NumpadMode(), each.after);
    }
}

TEST(KeyboardDeviceTest, TheModeIsASettingAndTheChunkHoldsOnlyItsVersion) {
    LoggingKeyboard keyboard;
    EXPECT_EQ(keyboard.Name().View(), "Keyboard");
    EXPECT_EQ(keyboard.Tag().View(), "KEYB");
    common::SettingsTree settings;
    ASSERT_TRUE(keyboard.ExchangeSettings(&settings, false));
    EXPECT_NE(settings.FindValue(common::NarrowString("NumpadMode")), nullptr);

    const Bytes chunk = Concat({kDevicePart, ChunkBegin("_KEYBD"), U8Value("VER", 0), ChunkEnd("_KEYBD")});
    EXPECT_EQ(Archived(SavingOwnData(keyboard)), chunk);
    EXPECT_TRUE(ReadsWhole(chunk, LoadingOwnData(keyboard)));
    EXPECT_FALSE(ReadsWhole(Concat({kDevicePart, ChunkBegin("_KEYBD"), U8Value("VER", 1), ChunkEnd("_KEYBD")}),
                            LoadingOwnData(keyboard)));
}

} // namespace
} // namespace emu
