#include "emu/bk/BkKeyboard.h"

#include "BkRun.h"
#include "emu/core/BusService.h"
#include "emu/core/MemoryMap.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

constexpr uint8_t kShift = 0xE0;
constexpr uint8_t kRightShift = 0xE1;
constexpr uint8_t kAlt = 0xE4;
constexpr uint16_t kStateRegister = 0177660;
constexpr uint16_t kDataRegister = 0177662;
constexpr int64_t kRequestPeriod = test_support::SliceRunner::kBusRate / BkKeyboard::kRequestFrequency;

struct KeyboardRun : KeyRun {
    BkKeyboard& Keyboard() const { return *machine.Keyboard(); }
    MemoryMap& Memory() const { return *machine.Memory(); }
    // A key typed with the modifiers held, all of them released after it.
    void Type(uint8_t code, const std::vector<uint8_t>& modifiers = {}) {
        for (const uint8_t modifier : modifiers) {
            runner.Key(modifier, true);
        }
        runner.Key(code, true);
        runner.Key(code, false);
        for (const uint8_t modifier : modifiers) {
            runner.Key(modifier, false);
        }
    }
    uint16_t SysReg() const { return Memory().ReadWord(0177716, 1); }
};

TEST(BkKeyboardTest, HostKeysBecomeBkCodes) {
    struct Case {
        const char* what;
        uint8_t code;
        std::vector<uint8_t> modifiers;
        int32_t bkCode; // -1: ignored
        bool ar2;
    };
    const std::vector<Case> cases = {
        {"A", 0x41, {}, 0101, false},
        {"Shift+A", 0x41, {kShift}, 0141, false},
        {"right Shift+Z", 0x5A, {kRightShift}, 0172, false},
        {"Alt+A", 0x41, {kAlt}, 0101, true},
        {"right Alt+Shift+B", 0x42, {0xE5, kShift}, 0142, true},
        {"0", 0x30, {}, 060, false},
        {"Shift+0", 0x30, {kShift}, 051, false},
        {"Shift+2", 0x32, {kShift}, 0100, false},
        {"Shift+6", 0x36, {kShift}, 0136, false},
        {"Shift+9", 0x39, {kShift}, 050, false},
        {"Backspace", 0x08, {kShift}, 030, false},
        {"Tab", 0x09, {}, 011, false},
        {"Enter", 0x0D, {}, 012, false},
        {"Space", 0x20, {}, 040, false},
        {"Home", 0x24, {}, 023, false},
        {"Left", 0x25, {}, 010, false},
        {"Up", 0x26, {}, 032, false},
        {"Right", 0x27, {}, 031, false},
        {"Down", 0x28, {}, 033, false},
        {"Insert", 0x2D, {}, 026, false},
        {"Delete", 0x2E, {}, 027, false},
        {"minus", 0xE6, {}, 055, false},
        {"Shift+minus", 0xE6, {kShift}, 0137, false},
        {"Shift+equals", 0xE7, {kShift}, 053, false},
        {"left bracket", 0xE8, {}, 0133, false},
        {"Shift+right bracket", 0xE9, {kShift}, 0175, false},
        {"Shift+semicolon", 0xEA, {kShift}, 072, false},
        {"comma", 0xEB, {}, 054, false},
        {"Shift+full stop", 0xEC, {kShift}, 076, false},
        {"backslash", 0xEE, {}, 0134, false},
        {"Shift+slash", 0xEF, {kShift}, 077, false},
        {"Shift+apostrophe", 0xF0, {kShift}, 042, false},
        {"Shift+grave accent", 0xF1, {kShift}, 0176, false},
        {"F1", 0x70, {}, 061, true},
        {"Alt+F1", 0x70, {kAlt}, 026, false},
        {"F2", 0x71, {kShift}, 062, true},
        {"Alt+F2", 0x71, {kAlt}, 027, false},
        {"F3", 0x72, {}, 063, true},
        {"Alt+F9", 0x78, {kAlt}, 071, true},
        {"F10", 0x79, {}, 060, true},
        {"Shift", kShift, {}, -1, false},
        {"Ctrl", 0xE2, {}, -1, false},
        {"Alt", kAlt, {}, -1, false},
        {"Caps Lock", 0x14, {}, -1, false},
        {"F11", 0x7A, {}, -1, false},
        {"F12", 0x7B, {}, -1, false},
        {"Print Screen", 0x2C, {}, -1, false},
        {"pad 0", 0x60, {}, -1, false},
        {"pad Enter", 0x6C, {}, -1, false},
        {"pad 9", 0x69, {}, -1, false},
        {"a code outside the table", 0xED, {}, -1, false},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        KeyboardRun run;
        run.Type(each.code, each.modifiers);
        if (each.bkCode < 0) {
            EXPECT_EQ(run.Keyboard().State() & BkKeyboard::kReady, 0);
            continue;
        }
        EXPECT_EQ(run.Memory().ReadWord(kStateRegister, 0), BkKeyboard::kReady);
        EXPECT_EQ(run.Keyboard().AltMode(), each.ar2);
        EXPECT_EQ(run.Memory().ReadWord(kDataRegister, 0), each.bkCode);
        EXPECT_EQ(run.Keyboard().State() & BkKeyboard::kReady, 0) << "reading the data takes the key";
    }
}

TEST(BkKeyboardTest, ASecondKeyIsLostUntilTheFirstIsReadButShowsAsHeld) {
    KeyboardRun run;
    run.runner.Key(0x41, true);
    run.runner.Key(0x41, false);
    run.runner.Key(0x42, true);
    EXPECT_EQ(run.SysReg() & 0100, 0) << "B held";
    EXPECT_EQ(run.Memory().ReadWord(kDataRegister, 1), 0101) << "a peek";
    EXPECT_EQ(run.Keyboard().State() & BkKeyboard::kReady, BkKeyboard::kReady);
    EXPECT_EQ(run.Memory().ReadWord(kDataRegister, 0), 0101);
    EXPECT_EQ(run.Memory().ReadWord(kDataRegister, 0), 0101) << "read again: the last code, no key";
    EXPECT_EQ(run.Keyboard().State() & BkKeyboard::kReady, 0);
    run.runner.Key(0x42, false);
    EXPECT_EQ(run.SysReg() & 0100, 0100);
    EXPECT_EQ(run.Memory().ReadByte(kDataRegister + 1, 0), 0);
    EXPECT_EQ(run.Memory().ReadByte(kStateRegister + 1, 0), 0);
}

TEST(BkKeyboardTest, OnlyBit6OfTheStateRegisterIsWritten) {
    KeyboardRun run;
    run.Memory().WriteWord(kStateRegister, 0200);
    EXPECT_EQ(run.Keyboard().State(), 0) << "no key is faked";
    run.Memory().WriteWord(kStateRegister, 0177577);
    EXPECT_EQ(run.Keyboard().State(), 0100);
    run.Type(0x41);
    run.Memory().WriteWord(kStateRegister, 0100);
    EXPECT_EQ(run.Keyboard().State(), 0300) << "a latched key stays";
    run.Memory().WriteByte(kStateRegister, 0);
    EXPECT_EQ(run.Keyboard().State(), 0200);
    run.Memory().WriteByte(kStateRegister + 1, 0100);
    EXPECT_EQ(run.Keyboard().State(), 0200) << "the odd byte is not written";
}

TEST(BkKeyboardTest, Bit6HoldsTheRequestBackAndClearingItRaisesItAtOnce) {
    KeyboardRun run;
    run.Memory().WriteWord(kStateRegister, 0100);
    run.Type(0x41);
    run.runner.RunFrames(2);
    EXPECT_EQ(run.Pc(), kMainLoop);
    EXPECT_TRUE(run.Keyboard().IrqPending());
    EXPECT_FALSE(run.machine.IsLineRaised(BkMachine::kKeyboardLine));
    run.Memory().WriteWord(kStateRegister, 0);
    EXPECT_TRUE(run.machine.IsLineRaised(BkMachine::kKeyboardLine));
    EXPECT_FALSE(run.Keyboard().IrqPending());
    run.runner.RunSlices(1);
    EXPECT_EQ(run.Pc(), kKeyLoop);
    // The request the bus still holds is stale and raises nothing more.
    run.Memory().ReadWord(kDataRegister, 0);
    run.runner.RunFrames(1);
    EXPECT_FALSE(run.machine.IsLineRaised(BkMachine::kKeyboardLine));
}

TEST(BkKeyboardTest, ReadingTheKeyBeforeItsInterruptWithdrawsTheRequest) {
    KeyboardRun run;
    run.Type(0x41);
    run.runner.RunSlices(kRequestPeriod / 2);
    EXPECT_EQ(run.Memory().ReadWord(kDataRegister, 0), 0101);
    run.runner.RunFrames(1);
    EXPECT_EQ(run.Pc(), kMainLoop);
    EXPECT_FALSE(run.machine.IsLineRaised(BkMachine::kKeyboardLine));

    // Read after the line went up, the key lowers it.
    KeyboardRun late;
    late.Cpu().SetPsw(0200);
    late.Type(0x41);
    late.runner.RunSlices(kRequestPeriod + 1);
    ASSERT_TRUE(late.machine.IsLineRaised(BkMachine::kKeyboardLine));
    late.Memory().ReadWord(kDataRegister, 0);
    EXPECT_FALSE(late.machine.IsLineRaised(BkMachine::kKeyboardLine));
}

TEST(BkKeyboardTest, WithoutItsInterruptAKeyIsOnlyLatched) {
    BkRun run;
    ASSERT_TRUE(run.machine.Keyboard()->SetIrq(-1, false, false));
    ASSERT_TRUE(run.PowerOn());
    const int32_t events = run.machine.Bus()->EventCount();
    run.runner.Key(0x41, true);
    EXPECT_EQ(run.machine.Bus()->EventCount(), events);
    run.runner.RunFrames(1);
    EXPECT_FALSE(run.machine.IsLineRaised(BkMachine::kKeyboardLine));
    EXPECT_EQ(run.machine.Memory()->ReadWord(kStateRegister, 0), BkKeyboard::kReady);
}

TEST(BkKeyboardTest, TheNumericPadIsAJoystickWhenAllowed) {
    struct Case {
        std::vector<uint8_t> keys;
        uint16_t bits;
    };
    const std::vector<Case> cases = {
        {{}, 0},         {{0x65}, 01},    {{0x6C}, 02},  {{0x6B}, 04},    {{0x6D}, 010},
        {{0x69}, 02020}, {{0x61}, 01040}, {{0x63}, 060}, {{0x67}, 03000}, {{0x64, 0x68, 0x62, 0x66}, 03060},
    };
    for (const bool allowed : {true, false}) {
        for (const Case& each : cases) {
            SCOPED_TRACE(testing::Message() << "bits " << std::oct << each.bits << (allowed ? "" : ", not allowed"));
            KeyboardRun run;
            run.Keyboard().SetAllowJoystick(allowed);
            for (const uint8_t key : each.keys) {
                run.runner.Key(key, true);
            }
            EXPECT_EQ(run.Memory().ReadWord(0177714, 0), allowed ? each.bits : 0);
            EXPECT_EQ(run.Memory().ReadByte(0177714, 0), allowed ? each.bits & 0377 : 0);
        }
    }
}

TEST(BkKeyboardTest, OneKeyAtATimeUnlessSeveralAreAllowed) {
    KeyboardRun single;
    single.Keyboard().SetAllowSeveralKeys(false);
    single.runner.Key(0x41, true);
    single.runner.Key(0x42, true);
    EXPECT_EQ(single.Keyboard().HeldKey(), 0x41) << "a second key is ignored";
    single.runner.Key(0x42, false);
    EXPECT_EQ(single.Keyboard().HeldKey(), 0x41) << "and so is its release";
    single.runner.Key(0x1B, true);
    EXPECT_EQ(single.Cpu().PendingVector(), -1) << "STOP too";
    single.runner.Key(0x41, false);
    EXPECT_EQ(single.Keyboard().HeldKey(), BkKeyboard::kNoKey);

    KeyboardRun several;
    several.runner.Key(0x41, true);
    several.runner.Key(0x42, true);
    EXPECT_EQ(several.Keyboard().HeldKey(), 0x42);
    several.runner.Key(kShift, true);
    EXPECT_EQ(several.Keyboard().HeldKey(), BkKeyboard::kNoKey) << "any event clears it";
}

TEST(BkKeyboardTest, APendingRequestGoesOnInAFreshMachine) {
    KeyboardRun saved;
    saved.Type(0x41, {kAlt});
    saved.runner.RunSlices(100);
    const Bytes state = SavedState(saved.machine);

    KeyboardRun loaded;
    ASSERT_TRUE(LoadState(loaded.machine, state));
    EXPECT_TRUE(loaded.Keyboard().IrqPending());
    EXPECT_TRUE(loaded.Keyboard().AltMode());
    EXPECT_EQ(loaded.Keyboard().IrqTag(), saved.Keyboard().IrqTag());
    EXPECT_EQ(loaded.Keyboard().Data(), 0101);
    loaded.runner.RunSlices(kRequestPeriod - 100);
    EXPECT_EQ(loaded.Pc(), kMainLoop);
    loaded.runner.RunSlices(1);
    EXPECT_EQ(loaded.Pc(), kAr2KeyLoop);
}

TEST(BkKeyboardTest, AStateWithImpossibleRegistersIsRefusedWhole) {
    KeyboardRun source;
    source.Type(0x41);
    const Bytes good = Archived(SavingOwnData(source.Keyboard()));
    const Bytes data = U8Value("DTA", 0101);
    const auto at = std::search(good.begin(), good.end(), data.begin(), data.end());
    ASSERT_NE(at, good.end());
    const size_t dataValue = static_cast<size_t>(at - good.begin()) + data.size() - 1;
    const size_t stateValue = dataValue + U8Value("STS", 0).size();
    for (const auto& [position, value] :
         {std::pair<size_t, uint8_t>{dataValue, 0200}, {stateValue, 0201}, {dataValue - data.size(), 1}}) {
        SCOPED_TRACE(position);
        Bytes bad = good;
        bad[position] = value;
        KeyboardRun target;
        target.Type(0x42);
        EXPECT_FALSE(ReadsWhole(bad, LoadingOwnData(target.Keyboard())));
        EXPECT_EQ(target.Keyboard().Data(), 0102);
        EXPECT_EQ(target.Keyboard().IrqTag(), 1u);
    }
}

} // namespace
} // namespace emu
