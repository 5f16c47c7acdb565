// BIN program files in the BIN slot of a BK-0010, on a synthetic monitor that jumps to 0120000 and a synthetic
// FOCAL that loops there.
#include "emu/bk/Bk0010Machine.h"

#include "common/BasicOptionNode.h"
#include "emu/core/DriveSet.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"
#include "support/StateBytes.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace emu {
namespace {

using test_support::BkModelRun;

constexpr uint16_t kBranchToSelf = 0000777;
constexpr uint16_t kRomLoop = 0120000;

std::string Words(std::initializer_list<uint16_t> words) {
    std::string bytes;
    for (const uint16_t word : words) {
        bytes.push_back(static_cast<char>(word & 0xFF));
        bytes.push_back(static_cast<char>(word >> 8));
    }
    return bytes;
}

// A BIN file: address, length, then the data (which may be shorter or longer than the length says).
std::string BinFile(uint16_t address, uint16_t length, const std::string& data) {
    return Words({address, length}) + data;
}

// A program of length bytes, all BR . so that wherever it starts it stays.
std::string Loops(uint32_t length) {
    std::string bytes;
    while (bytes.size() < length) {
        bytes += Words({kBranchToSelf});
    }
    bytes.resize(length);
    return bytes;
}

class BkBinFileTest : public ::testing::Test {
protected:
    BkBinFileTest() {
        // JMP @#120000, as the monitor starts its language ROM.
        roms.WriteFile(u"monit10.rom", Words({000137, 0120000}) + std::string(8188, '\0'));
        roms.WriteFile(u"Focal.rom", Words({kBranchToSelf}) + std::string(8190, '\0'));
    }

    // A BK-0010 over the synthetic ROMs with the file (if any) in its BIN slot, powered on.
    std::unique_ptr<BkModelRun> Run(const std::string* file) {
        auto run = std::make_unique<BkModelRun>(prototype, roms.Path().u16string());
        if (file != nullptr) {
            EXPECT_TRUE(run->MountBin(roms.WriteFile(u"prog.bin", *file)));
        }
        EXPECT_TRUE(run->PowerOn());
        return run;
    }

    static uint16_t Word(BkModelRun& run, uint16_t address) {
        const uint8_t* ram = run.Machine().Memory()->RamBase();
        return static_cast<uint16_t>(ram[address] | ram[address + 1] << 8);
    }
    static uint16_t Pc(BkModelRun& run) { return run.Machine().Cpu()->Register(7); }

    test_support::TemporaryFolder roms;
    const Bk0010Machine prototype;
};

TEST_F(BkBinFileTest, AFileInTheSlotIsLoadedAndStartedWhereItSays) {
    struct Case {
        const char* what;
        std::string file;
        // RAM words set before the start.
        std::vector<std::pair<uint16_t, uint16_t>> before;
        uint16_t start;
        uint16_t address;
        uint16_t length;
    };
    const std::vector<Case> cases = {
        {"at 01000", BinFile(01000, 4, Loops(4)), {}, 01000, 01000, 4},
        {"at 02000", BinFile(02000, 0100, Loops(0100)), {}, 02000, 02000, 0100},
        {"at 0, 0774 inside the program",
         BinFile(0, 02000, Loops(0774) + Words({01000}) + Loops(02000 - 0776)),
         {},
         01000,
         0,
         02000},
        {"at 0, 0774 beyond the program",
         BinFile(0, 0400, Words({0200}) + Loops(0376)),
         {{0774, 01000}},
         0200,
         0,
         0400},
        {"at 0400, 0774 below it", BinFile(0400, 0200, Words({0402}) + Loops(0176)), {{0774, 0100}}, 0402, 0400, 0200},
        {"up to 077777", BinFile(070000, 010000, Loops(010000)), {}, 070000, 070000, 010000},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        const std::unique_ptr<BkModelRun> run = Run(&each.file);
        for (const auto& [address, word] : each.before) {
            uint8_t* ram = run->Machine().Memory()->RamBase();
            ram[address] = static_cast<uint8_t>(word);
            ram[address + 1] = static_cast<uint8_t>(word >> 8);
        }
        run->RunFrames(1);
        EXPECT_EQ(Pc(*run), each.start) << std::oct << Pc(*run);
        for (const uint16_t cell : {0264, 0346}) {
            EXPECT_EQ(Word(*run, cell), each.address);
        }
        for (const uint16_t cell : {0266, 0350}) {
            EXPECT_EQ(Word(*run, cell), each.length);
        }
        char line[100];
        std::snprintf(line, sizeof line, "[BIN] File \"prog.bin\" loaded at offset=%oo (size=%d)", each.address,
                      each.length);
        EXPECT_EQ(run->Lines("[BIN]"), std::vector<std::string>{line});
        EXPECT_EQ(run->Machine().AutostartStep(), -1);
        // The ROM runs in place again.
        const PageDescriptor* hookPage = run->Machine().Memory()->PageAt(40);
        EXPECT_TRUE(hookPage->FetchesInPlace());
        const DriveSlot* slot = run->Machine().Drives()->DriveAt(DriveKind::Cartridge, 0);
        EXPECT_TRUE(slot->mediaReady);
        EXPECT_TRUE(slot->accessBlink);
        EXPECT_TRUE(slot->readActivity);
    }
}

// A file that cannot be taken loads nothing, and the console says why: the ROM boots as without a file.
TEST_F(BkBinFileTest, ABadFileLeavesTheRomToBoot) {
    struct Case {
        const char* what;
        std::string file;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"3 bytes", std::string(3, '\0'), "is too small to be loaded (<4)!"},
        {"32769 bytes", BinFile(01000, 4, Loops(32765)), "is too big to be loaded (>32768)!"},
        {"shorter than its length", BinFile(01000, 0100, Loops(010)), "is shorter than its size=64!"},
        {"no data", BinFile(01000, 0, ""), "holds no data (size=0)!"},
        {"at 0100000", BinFile(0100000, 2, Loops(2)), "at offset=100000o (size=2) runs past the RAM's end (100000o)!"},
        {"above 0100000", BinFile(0100002, 2, Loops(2)),
         "at offset=100002o (size=2) runs past the RAM's end (100000o)!"},
        {"into the ROM", BinFile(077000, 02000, Loops(02000)),
         "at offset=77000o (size=1024) runs past the RAM's end (100000o)!"},
        {"in the I/O page", BinFile(0177600, 2, Loops(2)),
         "at offset=177600o (size=2) runs past the RAM's end (100000o)!"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        const std::unique_ptr<BkModelRun> run = Run(&each.file);
        run->RunFrames(1);
        EXPECT_EQ(Pc(*run), kRomLoop) << std::oct << Pc(*run);
        EXPECT_TRUE(run->Lines("[BIN]").empty());
        EXPECT_EQ(run->Lines("[BIN ERROR]"), std::vector<std::string>{"[BIN ERROR] File \"prog.bin\" " + each.line});
        for (const uint16_t cell : {0264, 0266, 01000}) {
            EXPECT_EQ(Word(*run, cell), 0);
        }
        EXPECT_FALSE(run->Machine().Drives()->DriveAt(DriveKind::Cartridge, 0)->mediaReady);
        EXPECT_EQ(run->Machine().Memory()->ReadWord(0120002, 0), 0);
    }
}

TEST_F(BkBinFileTest, WithoutAFileThePageIsPlainRom) {
    const std::unique_ptr<BkModelRun> run = Run(nullptr);
    EXPECT_TRUE(run->Machine().Memory()->PageAt(40)->FetchesInPlace());
    run->RunFrames(1);
    EXPECT_EQ(Pc(*run), kRomLoop);
}

// Peeks and byte reads see the ROM and leave the autostart armed; after the jump the page reads as ROM.
TEST_F(BkBinFileTest, OnlyTheProcessorsWordReadsStartTheFile) {
    const std::string file = BinFile(01000, 2, Loops(2));
    const std::unique_ptr<BkModelRun> run = Run(&file);
    MemoryMap& memory = *run->Machine().Memory();
    EXPECT_EQ(memory.ReadWord(0120000, 1), kBranchToSelf);
    EXPECT_EQ(memory.ReadByte(0120000, 0), kBranchToSelf & 0xFF);
    EXPECT_EQ(run->Machine().AutostartStep(), 0);
    EXPECT_EQ(memory.ReadWord(0120000, 0), 000167);
    EXPECT_EQ(memory.ReadWord(0120000, 1), kBranchToSelf);
    EXPECT_EQ(memory.ReadWord(0120002, 0), static_cast<uint16_t>(01000 - 0120004));
    EXPECT_EQ(memory.ReadWord(0120000, 0), kBranchToSelf);
    EXPECT_EQ(memory.ReadWord(0120002, 0), 0);
    EXPECT_EQ(run->Lines("[MBOARD]"), std::vector<std::string>{"[MBOARD] Binary file started at 1000o"});
}

// The jump begun before a state was saved ends in the machine that loads it.
TEST_F(BkBinFileTest, AStateSavedBetweenTheTwoReadsEndsTheJumpAfterLoading) {
    const std::string file = BinFile(02000, 2, Loops(2));
    const std::unique_ptr<BkModelRun> saving = Run(&file);
    ASSERT_EQ(saving->Machine().Memory()->ReadWord(0120000, 0), 000167);
    const test_support::Bytes state = test_support::SavedState(saving->Machine());

    const std::unique_ptr<BkModelRun> loading = Run(nullptr);
    ASSERT_TRUE(test_support::LoadState(loading->Machine(), state));
    EXPECT_EQ(loading->Machine().AutostartStep(), 1);
    EXPECT_EQ(loading->Machine().Memory()->ReadWord(0120002, 0), static_cast<uint16_t>(02000 - 0120004));
    EXPECT_EQ(Word(*loading, 02000), kBranchToSelf);
    EXPECT_TRUE(loading->Machine().Memory()->PageAt(40)->FetchesInPlace());
}

// A state taken after the jump leaves the ROM in place in a machine that has a file mounted.
TEST_F(BkBinFileTest, AStateAfterTheJumpKeepsTheRomInPlace) {
    const std::string file = BinFile(01000, 2, Loops(2));
    const std::unique_ptr<BkModelRun> saving = Run(&file);
    saving->RunFrames(1);
    const test_support::Bytes state = test_support::SavedState(saving->Machine());

    const std::unique_ptr<BkModelRun> loading = Run(&file);
    EXPECT_FALSE(loading->Machine().Memory()->PageAt(40)->FetchesInPlace());
    ASSERT_TRUE(test_support::LoadState(loading->Machine(), state));
    EXPECT_TRUE(loading->Machine().Memory()->PageAt(40)->FetchesInPlace());
    loading->RunFrames(1);
    EXPECT_EQ(Pc(*loading), 01000);
    EXPECT_TRUE(loading->Lines("[BIN]").empty());
}

// A state taken before the first read brings its file back into the slot and arms the autostart again.
TEST_F(BkBinFileTest, AStateBeforeTheJumpArmsTheAutostartAgain) {
    const std::string file = BinFile(01000, 2, Loops(2));
    const std::unique_ptr<BkModelRun> saving = Run(&file);
    const test_support::Bytes state = test_support::SavedState(saving->Machine());

    const std::unique_ptr<BkModelRun> loading = Run(nullptr);
    ASSERT_TRUE(loading->Machine().Memory()->PageAt(40)->FetchesInPlace());
    ASSERT_TRUE(test_support::LoadState(loading->Machine(), state));
    EXPECT_TRUE(loading->Machine().Drives()->DriveAt(DriveKind::Cartridge, 0)->Image().IsOpen());
    EXPECT_FALSE(loading->Machine().Memory()->PageAt(40)->FetchesInPlace());
    loading->RunFrames(1);
    EXPECT_EQ(Pc(*loading), 01000);
    EXPECT_EQ(loading->Lines("[BIN]").size(), 1U);
}

int32_t BreakAlways(void* context, uint8_t* request, uint8_t* show, int32_t code) {
    if (code != 0) {
        *show = 1;
        return 0;
    }
    ++*static_cast<int32_t*>(context);
    *show = 0;
    return *request != 0 ? *request : 1;
}

TEST_F(BkBinFileTest, BreakOnBinStartBreaksWhenTheProgramStarts) {
    const std::string file = BinFile(01000, 2, Loops(2));
    const std::unique_ptr<BkModelRun> run = Run(&file);
    int32_t breaks = 0;
    run->Machine().SetHostCallback(BreakAlways, &breaks);
    common::BasicOptionNode debug;
    run->Machine().FillSettingsTree(&debug, OptionKind::Break);
    ASSERT_TRUE(debug.ChildAt(0)->Activate());
    run->Runner().RunCycles(100);
    EXPECT_EQ(breaks, 1);
    EXPECT_EQ(run->Lines("[MBOARD"), std::vector<std::string>{"[MBOARD BREAK] Binary file started at 1000o"});
}

} // namespace
} // namespace emu
