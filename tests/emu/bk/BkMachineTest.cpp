#include "emu/bk/BkMachine.h"

#include "BkRun.h"
#include "emu/bk/BkKeyboard.h"
#include "emu/core/InterruptController.h"
#include "emu/core/MemoryMap.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

constexpr uint32_t kNone = 0xFFFFFFFF;

TEST(BkMachineTest, BuildsTheStandardDevicesUnderTheirDisplayNames) {
    test_support::BkTestMachine machine;
    EXPECT_EQ(machine.Name().View(), "BK");
    EXPECT_EQ(machine.Tag().View(), "MBOARD");
    EXPECT_STREQ(machine.FamilyId(), "bk_001x");
    std::vector<std::string> names;
    for (int32_t index = 0; index < machine.ChildCount(); ++index) {
        names.push_back(std::string(machine.ChildAt(index)->Name().View()));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"CPU 1801BM1", "Video Device", "Keyboard", "Timer (undoc)", "BK Speaker",
                                               "Covox DAC"}));
    EXPECT_EQ(machine.ChildAt(1)->Tag().View(), "VID");
    EXPECT_EQ(machine.ChildAt(2)->Tag().View(), "KEYB");
    EXPECT_EQ(machine.ChildAt(3)->Tag().View(), "TIMER");
    EXPECT_EQ(machine.ChildAt(4)->Tag().View(), "SPEAKER");
    EXPECT_EQ(machine.ChildAt(5)->Tag().View(), "COVOX");
    EXPECT_EQ(machine.FirstCpu(), machine.Cpu());
    const ConfigParam* line = machine.Keyboard()->Params().Find("IRQ");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->First(), 12u);
}

// The interrupt an arbitration answers, or "none".
struct Answer {
    bool taken = false;
    uint32_t line = kNone;
    uint32_t number = 0;
    uint32_t address = 0;
    bool operator==(const Answer&) const = default;
};

void PrintTo(const Answer& answer, std::ostream* out) {
    *out << (answer.taken ? "taken" : "not taken") << " line " << static_cast<int32_t>(answer.line) << " vector "
         << answer.number << "/" << std::oct << answer.address << std::dec;
}

Answer Arbitrate(BkMachine& machine, bool acknowledge) {
    Answer answer;
    answer.taken = machine.Arbitrate(acknowledge, answer.line, answer.number, answer.address);
    if (!answer.taken) {
        answer.number = answer.address = 0;
    }
    return answer;
}

TEST(BkMachineTest, LowerLinesWinAndPswBit7HoldsOffTheKeyboardAndFrameLines) {
    struct Case {
        const char* what;
        std::vector<uint32_t> raised;
        bool alternateKeyboard;
        uint16_t psw;
        Answer asked;
        Answer acknowledged;
        int32_t pendingAfter;
    };
    const Answer none;
    const std::vector<Case> cases = {
        {"nothing raised", {}, false, 0, none, none, 0},
        {"line 3 before line 12", {3, 12}, false, 0, {true, 3, 3, 014}, {true, 3, 3, 014}, 1},
        {"line 12", {12}, false, 0, {true, 12, 12, 060}, {true, 12, 12, 060}, 0},
        {"line 12 in AR2 mode", {12}, true, 0, {true, 47, 47, 0274}, {true, 47, 47, 0274}, 0},
        {"line 12 held off, line 13 behind it", {12, 13}, false, 0200, none, {true, 12, 12, 060}, 1},
        {"line 3 not held off", {3}, false, 0200, {true, 3, 3, 014}, {true, 3, 3, 014}, 0},
        {"line 16 without the timer interrupt", {16}, false, 0, none, none, 1},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        BkRun run;
        ASSERT_TRUE(run.PowerOn());
        if (each.alternateKeyboard) {
            run.runner.Key(0xE4, true);
            run.runner.Key(0x41, true);
            ASSERT_TRUE(run.machine.Keyboard()->AltMode());
        }
        for (const uint32_t line : each.raised) {
            ASSERT_TRUE(run.machine.SetLine(line, true));
        }
        run.Cpu().SetPsw(each.psw);
        EXPECT_EQ(Arbitrate(run.machine, false), each.asked);
        EXPECT_EQ(Arbitrate(run.machine, true), each.acknowledged);
        EXPECT_EQ(run.machine.PendingCount(), each.pendingAfter);
    }
}

TEST(BkMachineTest, LinesChangeOnlyWhenTheyDifferAndStopAt16) {
    BkRun run;
    ASSERT_TRUE(run.PowerOn());
    BkMachine& machine = run.machine;
    EXPECT_TRUE(machine.SetLine(5, false));
    EXPECT_EQ(machine.PendingCount(), 0);
    EXPECT_TRUE(machine.SetLine(5, true));
    EXPECT_TRUE(machine.SetLine(5, true));
    EXPECT_EQ(machine.PendingCount(), 1);
    EXPECT_EQ(machine.LineValue(5), 1);
    EXPECT_FALSE(machine.SetLine(17, true));
    EXPECT_FALSE(machine.IsLineRaised(17));
    EXPECT_EQ(machine.PendingCount(), 1);
    // Through the interrupt service, as the devices raise them.
    EXPECT_TRUE(machine.Interrupts()->SetRequest(16, 1));
    EXPECT_TRUE(machine.Interrupts()->FirstQuerySource(16));
    EXPECT_TRUE(machine.Interrupts()->SetRequest(5, 0));
    EXPECT_EQ(machine.PendingCount(), 1);
}

TEST(BkMachineTest, UnmappedPagesReadAllOnesAndTrapUnlessPeeked) {
    BkRun run;
    ASSERT_TRUE(run.PowerOn());
    MemoryMap& memory = *run.machine.Memory();
    memory.SetPageMapping(MemoryMap::Access::None, 40, 1);
    memory.SetPageMapping(MemoryMap::Access::ReadOnly, 41, 1);
    EXPECT_EQ(memory.ReadWord(0120000, 1), 0177777);
    EXPECT_EQ(run.Cpu().PendingVector(), -1);
    EXPECT_EQ(memory.ReadByte(0120001, 0), 0377);
    EXPECT_EQ(run.Cpu().PendingVector(), 4);

    BkRun writing;
    ASSERT_TRUE(writing.PowerOn());
    writing.machine.Memory()->SetPageMapping(MemoryMap::Access::ReadOnly, 41, 1);
    writing.machine.Memory()->WriteWord(0122000, 1);
    EXPECT_EQ(writing.Cpu().PendingVector(), 4);
    EXPECT_EQ(writing.machine.Word(0122000), 0);
}

TEST(BkMachineTest, AKeyIsTakenOnePeriodOfA200HzBusEventAfterItWasPressed) {
    struct Case {
        const char* what;
        uint8_t code;
        int32_t modifier;
        uint16_t loop;
    };
    const std::vector<Case> cases = {
        {"A", 0x41, -1, kKeyLoop},
        {"F1", 0x70, -1, kAr2KeyLoop},
        {"Alt+F1", 0x70, 0xE4, kKeyLoop},
        {"Alt+A", 0x41, 0xE5, kAr2KeyLoop},
    };
    // 88200 bus ticks a second, one a slice: the request's event fires at the 441st.
    constexpr int64_t kPeriod = test_support::SliceRunner::kBusRate / BkKeyboard::kRequestFrequency;
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        KeyRun run;
        run.runner.RunSlices(10);
        run.Press(each.code, each.modifier);
        run.runner.RunSlices(kPeriod);
        EXPECT_EQ(run.Pc(), kMainLoop);
        EXPECT_TRUE(run.machine.IsLineRaised(BkMachine::kKeyboardLine));
        run.runner.RunSlices(1);
        EXPECT_EQ(run.Pc(), each.loop);
        EXPECT_FALSE(run.machine.IsLineRaised(BkMachine::kKeyboardLine));
    }
}

TEST(BkMachineTest, PswBit7HoldsTheKeyOffUntilItDrops) {
    KeyRun run;
    run.Cpu().SetPsw(0200);
    run.Press(0x41);
    run.runner.RunFrames(2);
    EXPECT_EQ(run.Pc(), kMainLoop);
    EXPECT_TRUE(run.machine.IsLineRaised(BkMachine::kKeyboardLine));
    run.Cpu().SetPswLow(0);
    run.runner.RunSlices(1);
    EXPECT_EQ(run.Pc(), kKeyLoop);
}

TEST(BkMachineTest, EscapeTrapsTo4WithTheWriteFlagOfSel1) {
    KeyRun run;
    run.Press(0x1B);
    EXPECT_EQ(run.Cpu().Sel1(), 0100204);
    EXPECT_EQ(run.machine.Keyboard()->State() & BkKeyboard::kReady, 0);
    run.runner.RunSlices(1);
    EXPECT_EQ(run.Pc(), kBusErrorLoop);
}

TEST(BkMachineTest, StateKeepsTheLinesAndRefusesAnotherModelOrABadLine) {
    BkRun run;
    ASSERT_TRUE(run.PowerOn());
    run.runner.Key(0xE4, true);
    run.runner.Key(0x41, true);
    ASSERT_TRUE(run.machine.SetLine(12, true));
    ASSERT_TRUE(run.machine.SetLine(2, true));
    const Bytes saved = Archived(SavingOwnData(run.machine));

    BkRun fresh;
    ASSERT_TRUE(fresh.PowerOn());
    ASSERT_TRUE(ReadsWhole(saved, LoadingOwnData(fresh.machine)));
    EXPECT_EQ(fresh.machine.LineValue(12), -1);
    EXPECT_EQ(fresh.machine.LineValue(2), 1);
    EXPECT_EQ(fresh.machine.PendingCount(), 2);

    // The records follow the computer's own: the model index, then the lines.
    const Bytes model = U8Value("MKND", 0);
    const auto at = std::search(saved.begin(), saved.end(), model.begin(), model.end());
    ASSERT_NE(at, saved.end());
    const size_t modelValue = static_cast<size_t>(at - saved.begin()) + model.size() - 1;
    const size_t firstLine = modelValue + 1 + BlobValue("IRQA", {}).size();
    for (const auto& [position, value] :
         {std::pair<size_t, uint8_t>{modelValue, 1}, {firstLine, 2}, {firstLine + 4 * 3, 0xFF}}) {
        Bytes bad = saved;
        bad[position] = value;
        BkRun other;
        ASSERT_TRUE(other.PowerOn());
        ASSERT_TRUE(other.machine.SetLine(7, true));
        EXPECT_FALSE(ReadsWhole(bad, LoadingOwnData(other.machine))) << position;
        EXPECT_EQ(other.machine.PendingCount(), 1);
        EXPECT_TRUE(other.machine.IsLineRaised(7));
    }
}

} // namespace
} // namespace emu
