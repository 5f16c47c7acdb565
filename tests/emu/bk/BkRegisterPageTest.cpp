#include "BkRun.h"
#include "emu/bk/Bk0010FloppyMachine.h"
#include "emu/bk/Bk0010Machine.h"
#include "emu/bk/Bk0011mMachine.h"
#include "emu/bk/BkFloppyController.h"
#include "emu/bk/BkKeyboard.h"
#include "emu/bk/BkSpeaker.h"
#include "emu/bk/BkSystemTimer.h"
#include "emu/bk/BkVideo.h"
#include "emu/bk/CovoxDac.h"
#include "emu/core/MemoryMap.h"
#include "support/BkModelRun.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include "common/SettingsTree.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

enum class Op { ReadByte, ReadWord, PeekByte, PeekWord, WriteByte, WriteWord };

// One access of the register page as the processor (or the debugger) makes it, through the memory map.
struct Access {
    Op op;
    uint16_t address;
    uint16_t value = 0;
};

uint16_t Perform(MemoryMap& memory, const Access& access) {
    switch (access.op) {
    case Op::ReadByte:
        return memory.ReadByte(access.address, 0);
    case Op::ReadWord:
        return memory.ReadWord(access.address, 0);
    case Op::PeekByte:
        return memory.ReadByte(access.address, 1);
    case Op::PeekWord:
        return memory.ReadWord(access.address, 1);
    case Op::WriteByte:
        memory.WriteByte(access.address, static_cast<uint8_t>(access.value));
        return 0;
    case Op::WriteWord:
        memory.WriteWord(access.address, access.value);
        return 0;
    }
    return 0;
}

// A machine whose every traced event is printed.
struct TracedRun : BkRun {
    TracedRun() {
        machine.SetTraceAll(&traceAll);
        EXPECT_TRUE(PowerOn());
        console.ClearLines();
    }
    uint16_t Do(const Access& access) { return Perform(*machine.Memory(), access); }
    bool Trapped() const { return machine.Cpu()->PendingVector() == 4; }

    std::atomic<int32_t> traceAll{1};
};

TEST(BkRegisterPageTest, EachAddressReachesItsRegisterOrTraps) {
    struct Case {
        const char* what;
        Access access;
        uint16_t result; // of a read
        bool trap;
        std::vector<std::string> trace; // the machine's lines
        std::function<bool(BkMachine&)> reached = nullptr;
    };
    const std::vector<Case> cases = {
        {"state register, word", {Op::ReadWord, 0177660}, 0, false, {"[MBOARD] <=SYSREG16 [0177660] = 00"}},
        {"state register, odd byte", {Op::ReadByte, 0177661}, 0, false, {"[MBOARD] <=SYSREG8 [0177661] = 00"}},
        {"state register written",
         {Op::WriteWord, 0177660, 0100},
         0,
         false,
         {"[MBOARD] =>SYSREG16 [0177660] = 0100"},
         [](BkMachine& m) { return m.Keyboard()->State() == 0100; }},
        {"data register written traps",
         {Op::WriteWord, 0177662, 1},
         0,
         true,
         {"[MBOARD] =>SYSREG16 [0177662] = 01 (unknown, TRAP4)"}},
        {"SCROLL written",
         {Op::WriteWord, 0177664, 01330},
         0,
         false,
         {"[MBOARD] =>SYSREG16 [0177664] = 01330"},
         [](BkMachine& m) { return m.Video()->Scroll() == 01330; }},
        {"a register that reads 0", {Op::ReadWord, 0177702}, 0, false, {"[MBOARD] <=SYSREG16 [0177702] = 00"}},
        {"0177715 reads 0", {Op::ReadByte, 0177715}, 0, false, {"[MBOARD] <=SYSREG8 [0177715] = 00"}},
        {"0177715 written traps",
         {Op::WriteByte, 0177715, 7},
         0,
         true,
         {"[MBOARD] =>SYSREG8 [0177715] = 07 (unknown, TRAP4)"}},
        {"0177756 reads 0", {Op::ReadWord, 0177756}, 0, false, {"[MBOARD] <=SYSREG16 [0177756] = 00"}},
        {"INIT", {Op::ReadWord, 0177706}, 0177777, false, {"[MBOARD] <=SYSREG16 [0177706] = 0177777"}},
        {"INIT's high byte", {Op::ReadByte, 0177707}, 0377, false, {"[MBOARD] <=SYSREG8 [0177707] = 0377"}},
        {"COUNT", {Op::ReadWord, 0177710}, 011000, false, {"[MBOARD] <=SYSREG16 [0177710] = 011000"}},
        {"MODE", {Op::ReadWord, 0177712}, 0177400, false, {"[MBOARD] <=SYSREG16 [0177712] = 0177400"}},
        {"INIT written",
         {Op::WriteWord, 0177706, 0123},
         0,
         false,
         {"[MBOARD] =>SYSREG16 [0177706] = 0123"},
         [](BkMachine& m) { return m.Timer()->Init() == 0123; }},
        {"COVOX written",
         {Op::WriteWord, 0177714, 0177412},
         0,
         false,
         {"[MBOARD] =>SYSREG16 [0177714] = 0177412"},
         [](BkMachine& m) { return m.Covox()->LastValue() == 012; }},
        {"joystick port", {Op::ReadWord, 0177714}, 0, false, {"[MBOARD] <=SYSREG16 [0177714] = 00"}},
        {"SYSREG", {Op::ReadWord, 0177716}, 0100300, false, {"[MBOARD] <=SYSREG16 [0177716] = 0100300"}},
        {"SYSREG's high byte", {Op::ReadByte, 0177717}, 0200, false, {"[MBOARD] <=SYSREG8 [0177717] = 0200"}},
        {"SYSREG peeked, untraced", {Op::PeekWord, 0177716}, 0100300, false, {}},
        {"an unknown register: the page's bytes",
         {Op::ReadWord, 0177600},
         0111111,
         true,
         {"[MBOARD] <=SYSREG16 [0177600] = ??? (unknown, TRAP4)"}},
        {"an unknown register's odd byte",
         {Op::ReadByte, 0177757},
         0,
         true,
         {"[MBOARD] <=SYSREG8 [0177757] = ??? (unknown, TRAP4)"}},
        {"an unknown register peeked", {Op::PeekWord, 0177600}, 0111111, false, {}},
        {"ROM below the registers", {Op::ReadWord, 0177000}, 0123456, false, {"[MBOARD] <=RegROM16 [0177000]"}},
        {"ROM peeked", {Op::PeekByte, 0177001}, 0247, false, {}},
        {"ROM written traps", {Op::WriteWord, 0177000, 5}, 0, true, {"[MBOARD] >=RegROM16 [0177000] = 05"}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        TracedRun run;
        run.machine.SetWord(0177000, 0123456);
        run.machine.SetWord(0177600, 0111111);
        const uint16_t result = run.Do(each.access);
        const Op op = each.access.op;
        if (op != Op::WriteByte && op != Op::WriteWord) {
            EXPECT_EQ(result, each.result);
        }
        EXPECT_EQ(run.Trapped(), each.trap);
        EXPECT_EQ(run.Lines("MBOARD"), each.trace);
        if (each.reached) {
            EXPECT_TRUE(each.reached(run.machine));
        }
        // A write never reaches the page's own bytes.
        EXPECT_EQ(run.machine.Word(0177000), 0123456);
    }
}

TEST(BkRegisterPageTest, AnUnknownRegisterReadsThePageOnceAndBreaksInsteadOfTrapping) {
    TracedRun run;
    run.machine.SetWord(0177600, 0111111);
    EXPECT_EQ(run.Do({Op::ReadWord, 0177600}), 0111111);
    EXPECT_EQ(run.Lines("MBOARD").size(), 1u);

    TracedRun breaking;
    breaking.machine.SetHostCallback(
        [](void*, uint8_t* request, uint8_t* show, int32_t) -> int32_t {
            *show = 1;
            return *request;
        },
        nullptr);
    common::SettingsTree settings;
    // The break switch of SYSREG is element 9 of the array.
    ASSERT_TRUE(breaking.machine.ExchangeSettings(&settings, false));
    ASSERT_TRUE(settings.FindValue(common::NarrowString("BreakReadSysReg[9]"))->SetBool(true));
    breaking.Do({Op::ReadWord, 0177600});
    EXPECT_FALSE(breaking.Trapped());
    EXPECT_EQ(breaking.Lines("MBOARD BREAK"),
              std::vector<std::string>{"[MBOARD BREAK] <=SYSREG16 [0177600] = ??? (unknown, TRAP4)"});
}

TEST(BkRegisterPageTest, SysRegWriteFlagIsSetByWritesClearedByReadsKeptByPeeks) {
    BkRun run;
    ASSERT_TRUE(run.PowerOn());
    MemoryMap& memory = *run.machine.Memory();
    EXPECT_EQ(run.Cpu().Sel1(), 0100200);
    memory.WriteWord(0177716, 0177777);
    EXPECT_EQ(run.Cpu().Sel1(), 0100204) << "bits 0-6 cleared, bit 2 set, the rest kept";
    EXPECT_EQ(memory.ReadWord(0177716, 1) & 4, 4);
    EXPECT_EQ(run.Cpu().Sel1() & 4, 4) << "a peek keeps the flag";
    EXPECT_EQ(memory.ReadWord(0177716, 0) & 4, 4);
    EXPECT_EQ(memory.ReadWord(0177716, 0) & 4, 0);
    memory.WriteByte(0177717, 0);
    EXPECT_EQ(memory.ReadByte(0177716, 0) & 4, 4);
    EXPECT_EQ(memory.ReadByte(0177717, 0), 0200) << "the high byte alone leaves the flag";
    EXPECT_EQ(memory.ReadByte(0177716, 0) & 4, 0);
}

TEST(BkRegisterPageTest, SysRegBit6ShowsAHeldKeyAndBit5TheTapeInput) {
    BkRun run;
    ASSERT_TRUE(run.PowerOn());
    MemoryMap& memory = *run.machine.Memory();
    EXPECT_EQ(memory.ReadWord(0177716, 0), 0100300);
    run.runner.Key(0x41, true);
    EXPECT_EQ(memory.ReadWord(0177716, 0), 0100200);
    run.runner.Key(0x41, false);
    EXPECT_EQ(memory.ReadWord(0177716, 0), 0100300);
    run.machine.SetTapeNoise([](uint64_t) { return true; });
    EXPECT_EQ(memory.ReadWord(0177716, 0), 0100340);
}

// The bit 5 of SYSREG peeked at a run of moments of the processor's clock.
std::vector<bool> TapeInputSamples() {
    BkRun run;
    EXPECT_TRUE(run.PowerOn());
    run.machine.SetTapeNoise(nullptr);
    std::vector<bool> bits;
    for (int32_t read = 0; read < 2000; ++read) {
        run.runner.RunCycles(1 + read % 7);
        bits.push_back((run.machine.Memory()->ReadWord(0177716, 1) & 040) != 0);
    }
    return bits;
}

TEST(BkRegisterPageTest, TapeNoiseIsHalfOfTheReadsAndRepeatsWithTheClock) {
    const std::vector<bool> first = TapeInputSamples();
    const auto high = std::count(first.begin(), first.end(), true);
    EXPECT_GT(high, 900);
    EXPECT_LT(high, 1100);
    EXPECT_EQ(TapeInputSamples(), first);
}

TEST(BkRegisterPageTest, SpeakerTakesBit6OfSysRegWritesOnly) {
    BkRun run;
    ASSERT_TRUE(run.PowerOn());
    MemoryMap& memory = *run.machine.Memory();
    BkSpeaker& speaker = *run.machine.Speaker();
    memory.WriteByte(0177717, 0377);
    EXPECT_FALSE(speaker.Level()) << "the high byte alone is no edge";
    memory.WriteWord(0177716, 0100);
    EXPECT_TRUE(speaker.Level());
    memory.WriteWord(0177716, 0160);
    EXPECT_TRUE(speaker.Level());
    memory.WriteByte(0177716, 0);
    EXPECT_FALSE(speaker.Level());
}

// Stand-ins for the rows of a table test: each answers its own value, or counts its writes.
uint16_t ReadOne(BkMachine&, uint16_t, RegisterAccess, bool) {
    return 1;
}
uint16_t ReadTwo(BkMachine&, uint16_t, RegisterAccess, bool) {
    return 2;
}
int32_t writesSeen = 0;
void CountWrite(BkMachine&, uint16_t, RegisterAccess, uint16_t) {
    ++writesSeen;
}

TEST(BkRegisterPageTest, ARowReplacesOnlyTheHandlersItNamesAndABadRowChangesNothing) {
    BkRegisterTable table;
    ASSERT_TRUE(table.Add({0177660, 2, ReadOne, CountWrite}));
    ASSERT_TRUE(table.Add({0177661, 1, ReadTwo, nullptr}));
    EXPECT_EQ(table.At(0177660).read, &ReadOne);
    EXPECT_EQ(table.At(0177661).read, &ReadTwo) << "the later row wins on its own bytes";
    EXPECT_EQ(table.At(0177661).write, &CountWrite) << "a handler the row leaves out is kept";
    EXPECT_EQ(table.At(0177662).read, nullptr);

    struct Bad {
        const char* what;
        BkRegister row;
    };
    const Bad bad[] = {
        {"no bytes", {0177700, 0, ReadTwo, CountWrite}},
        {"below the page", {0175776, 4, ReadTwo, CountWrite}},
        {"past the page's end", {0177776, 4, ReadTwo, CountWrite}},
    };
    for (const Bad& each : bad) {
        SCOPED_TRACE(each.what);
        EXPECT_FALSE(table.Add({{0177700, 2, ReadTwo, CountWrite}, each.row}));
        EXPECT_EQ(table.At(0177700).read, nullptr) << "no row of a refused list is taken";
        EXPECT_EQ(table.At(0175776).read, nullptr);
        EXPECT_EQ(table.At(0177776).read, nullptr);
    }
    EXPECT_TRUE(table.Add({0176000, 02000, ReadTwo, nullptr})) << "the whole page is one row";
    EXPECT_EQ(table.At(0177777).read, &ReadTwo);
}

// Every model's register page with its ROMs stood in by synthetic files, its processor not run, each traced event
// printed.
class ModelPage {
public:
    ModelPage(const Computer& prototype, const test_support::TemporaryFolder& roms)
        : run(prototype, roms.Path().u16string()) {
        run.Machine().SetTraceAll(&traceAll);
        run.Machine().SetTapeNoise([](uint64_t) { return false; });
    }
    bool PowerOn() {
        const bool on = run.PowerOn();
        run.console.ClearLines();
        return on;
    }
    BkMachine& Machine() const { return run.Machine(); }
    uint16_t Do(const Access& access) { return Perform(*Machine().Memory(), access); }
    bool Trapped() const { return Machine().Cpu()->PendingVector() == 4; }

    test_support::BkModelRun run;
    std::atomic<int32_t> traceAll{1};
};

void WriteRomFolder(test_support::TemporaryFolder& folder) {
    for (const char16_t* name :
         {u"monit10.rom", u"Focal.rom", u"Tests.rom", u"Basic10first.rom", u"Basic10second.rom", u"Basic10third.rom",
          u"disk_326.bin", u"B11M_BOS.ROM", u"BAS11M_1.ROM", u"B11M_MSTD.ROM", u"B11M_EXT.ROM"}) {
        folder.WriteFile(name, std::string(8192, '\0'));
    }
    folder.WriteFile(u"BAS11M_0.ROM", std::string(16384, '\0'));
}

enum Models : uint32_t {
    kTapeModels = 1 << 0 | 1 << 1,
    kBk0010Fdd = 1 << 2,
    kBk0011m = 1 << 3,
    kBk0011mFdd = 1 << 4,
    kFloppyModels = kBk0010Fdd | kBk0011mFdd,
    kAll = 037,
};

// The family's rows reach every model, and each model answers its own rows (the one chain of registers that a
// model used to put in front of the family's could hide a family register from it).
TEST(BkRegisterPageTest, EveryModelAnswersTheFamilysRowsAndItsOwn) {
    struct Case {
        const char* what;
        uint32_t models;
        Access access;
        bool trap;
        std::vector<std::string> trace; // the machine's lines
        std::function<bool(BkMachine&)> reached = nullptr;
    };
    const std::vector<Case> cases = {
        {"SCROLL written",
         kAll,
         {Op::WriteWord, 0177664, 01330},
         false,
         {"[MBOARD] =>SYSREG16 [0177664] = 01330"},
         [](BkMachine& m) { return m.Video()->Scroll() == 01330; }},
        {"INIT written",
         kAll,
         {Op::WriteWord, 0177706, 0123},
         false,
         {"[MBOARD] =>SYSREG16 [0177706] = 0123"},
         [](BkMachine& m) { return m.Timer()->Init() == 0123; }},
        {"a register that reads 0", kAll, {Op::ReadWord, 0177704}, false, {"[MBOARD] <=SYSREG16 [0177704] = 00"}},
        {"an unknown register",
         kAll,
         {Op::ReadWord, 0177600},
         true,
         {"[MBOARD] <=SYSREG16 [0177600] = ??? (unknown, TRAP4)"}},
        {"the keyboard's data read through the screen register's address",
         kAll,
         {Op::ReadByte, 0177662},
         false,
         {"[MBOARD] <=SYSREG8 [0177662] = 00"}},
        {"the screen register's word, the BK-0011M's own and untraced",
         kBk0011m | kBk0011mFdd,
         {Op::WriteWord, 0177662, 040000},
         false,
         {},
         [](BkMachine& m) { return !static_cast<Bk0011mMachineBase&>(m).TimerInterruptEnabled(); }},
        {"the screen register's word on the BK-0010 traps",
         kTapeModels | kBk0010Fdd,
         {Op::WriteWord, 0177662, 040000},
         true,
         {"[MBOARD] =>SYSREG16 [0177662] = 040000 (unknown, TRAP4)"}},
        {"the Covox written through the parallel port",
         kTapeModels | kBk0010Fdd,
         {Op::WriteWord, 0177714, 012},
         false,
         {"[MBOARD] =>SYSREG16 [0177714] = 012"},
         [](BkMachine& m) { return m.Covox()->LastValue() == 012; }},
        {"the sound port's Covox word, untraced",
         kBk0011m | kBk0011mFdd,
         {Op::WriteWord, 0177714, 0177412},
         false,
         {},
         [](BkMachine& m) { return m.Covox()->LastValue() == 0365; }},
        {"SYSREG written",
         kAll,
         {Op::WriteWord, 0177716, 0100},
         false,
         {"[MBOARD] =>SYSREG16 [0177716] = 0100"},
         [](BkMachine& m) { return m.Speaker()->Level(); }},
        {"the memory-map register, untraced",
         kBk0011m | kBk0011mFdd,
         {Op::WriteWord, 0177716, 04000},
         false,
         {},
         [](BkMachine& m) { return static_cast<Bk0011mMachineBase&>(m).Window1Page() == 1; }},
        {"the floppy controller's control register",
         kFloppyModels,
         {Op::WriteWord, 0177130, BkFloppyController::kMotorOn},
         false,
         {},
         [](BkMachine& m) { return m.FloppyController()->Control() == BkFloppyController::kMotorOn; }},
        {"the floppy controller's data latch",
         kFloppyModels,
         {Op::WriteWord, 0177132, 0123},
         false,
         {},
         [](BkMachine& m) { return m.FloppyController()->DataLatch() == 0123; }},
        {"the BK-0011M without a controller takes writes of 0177130", kBk0011m, {Op::WriteWord, 0177130, 1}, false, {}},
        {"ROM at 0177132 without a controller",
         kTapeModels | kBk0011m,
         {Op::WriteWord, 0177132, 1},
         true,
         {"[MBOARD] >=RegROM16 [0177132] = 01"}},
    };
    test_support::TemporaryFolder roms;
    WriteRomFolder(roms);
    const Bk0010Machine bk0010;
    const Bk0010_01Machine bk0010_01;
    const Bk0010FddMachine bk0010Fdd;
    const Bk0011mMachine bk0011m;
    const Bk0011mFddMachine bk0011mFdd;
    const Computer* const models[] = {&bk0010, &bk0010_01, &bk0010Fdd, &bk0011m, &bk0011mFdd};
    for (const Case& each : cases) {
        for (size_t model = 0; model < std::size(models); ++model) {
            if ((each.models & 1u << model) == 0) {
                continue;
            }
            SCOPED_TRACE(std::string(each.what) + ", model " + std::to_string(model + 1));
            ModelPage page(*models[model], roms);
            ASSERT_TRUE(page.PowerOn());
            page.Do(each.access);
            EXPECT_EQ(page.Trapped(), each.trap);
            EXPECT_EQ(page.run.Lines("[MBOARD"), each.trace);
            if (each.reached) {
                EXPECT_TRUE(each.reached(page.Machine()));
            }
        }
    }
}

} // namespace
} // namespace emu
