// The BK-0011M models on their real ROM images (BK_ROM_DIR), run headless as the core runs them.
#include "emu/bk/Bk0011mMachine.h"

#include "emu/bk/AySoundChip.h"
#include "emu/bk/BkVideo.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"
#include "support/BkRealRomTest.h"
#include "support/StateBytes.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace emu {
namespace {

using test_support::BkModelRun;

// The BOS tests the memory, then the tests ROM draws its menu.
constexpr int64_t kBootFrames = 300;

using Bk0011mRealRomTest = test_support::BkRealRomTest;

TEST_F(Bk0011mRealRomTest, Bk0011mShowsTheTestRomsMenu) {
    const Bk0011mMachine prototype;
    const std::unique_ptr<BkModelRun> run = Boot(prototype, kBootFrames, {{"TraceWriteMemMapReg", true}});
    EXPECT_TRUE(run->Shows("Мониторная")) << run->Describe(TestName());
    EXPECT_TRUE(run->Shows("Тестовой Диагностики")) << run->Describe(TestName());
    EXPECT_TRUE(run->Shows("T7 -ПАЛИТРА")) << run->Describe(TestName());
    const std::vector<std::string> maps = run->Lines("[MBOARD] >MEMMAPReg");
    ASSERT_FALSE(maps.empty());
    EXPECT_EQ(maps.front(), "[MBOARD] >MEMMAPReg = 054002 ([040000]=RAM7 \"System Page\", [0100000]=ROM1 "
                            "\"Basic+BosExt\") at 140304");
}

// The BOS's call of 0160000 starts the file in the BIN slot instead of the tests ROM.
TEST_F(Bk0011mRealRomTest, Bk0011mStartsABinFile) {
    const uint16_t program[] = {01000, 010, 012737, 0123456, 002000, 000777};
    std::string file;
    for (const uint16_t word : program) {
        file.push_back(static_cast<char>(word & 0xFF));
        file.push_back(static_cast<char>(word >> 8));
    }
    const test_support::TemporaryFolder folder;
    const std::u16string path = folder.WriteFile(u"mark.bin", file);
    const Bk0011mMachine prototype;
    BkModelRun run(prototype, romFolder);
    ASSERT_TRUE(run.MountBin(path));
    ASSERT_TRUE(run.PowerOn());
    run.RunFrames(kBootFrames);
    EXPECT_EQ(run.Lines("[BIN]"), std::vector<std::string>{"[BIN] File \"mark.bin\" loaded at offset=1000o (size=8)"});
    EXPECT_EQ(run.Machine().Memory()->ReadWord(02000, 1), 0123456);
    EXPECT_EQ(run.Machine().Cpu()->Register(7), 01006);
}

// The floppy driver in its place finds no controller.
TEST_F(Bk0011mRealRomTest, Bk0011mWithoutTheTestsRomRunsTheBosAndTheFloppyDriver) {
    const Bk0011mMachine prototype;
    const std::unique_ptr<BkModelRun> run = Boot(prototype, kBootFrames, {{"LoadMSTD", false}});
    EXPECT_TRUE(run->Shows("Монитор БК-0011 В1.8")) << run->Describe(TestName());
    EXPECT_TRUE(run->Shows("FDD/HDD BIOS 327")) << run->Describe(TestName());
}

TEST_F(Bk0011mRealRomTest, Bk0011mFddWithoutADiskReachesTheFirmwaresScreen) {
    const Bk0011mFddMachine prototype;
    const std::unique_ptr<BkModelRun> run = Boot(prototype, kBootFrames);
    EXPECT_TRUE(run->Shows("Ok")) << run->Describe(TestName());
}

// A disk whose boot sector marks 02000 and loops: the BOS hands the boot to the floppy driver, which loads the
// sector at 01000 and runs it.
TEST_F(Bk0011mRealRomTest, Bk0011mFddBootsFromADisk) {
    constexpr uint16_t kBootProgram[] = {
        0000240,                   // NOP
        0012737, 0123456, 0002000, // MOV #123456, @#2000
        0000777,                   // BR .
    };
    std::string image(819200, '\0');
    for (size_t index = 0; index < std::size(kBootProgram); ++index) {
        image[2 * index] = static_cast<char>(kBootProgram[index] & 0xFF);
        image[2 * index + 1] = static_cast<char>(kBootProgram[index] >> 8);
    }
    const test_support::TemporaryFolder folder;
    const std::u16string path = folder.WriteFile(u"boot.img", image);
    const Bk0011mFddMachine prototype;
    BkModelRun run(prototype, romFolder);
    ASSERT_TRUE(run.Machine().Drives()->DriveAt(DriveKind::Floppy, 0)->OpenImage(common::PathString(path.c_str())));
    ASSERT_TRUE(run.PowerOn());
    run.RunFrames(kBootFrames);
    EXPECT_EQ(run.Machine().Memory()->ReadWord(02000, 1), 0123456) << run.Describe(TestName());
}

// 200 frames straight, and 100 frames, a state saved and loaded into a fresh machine, then 100 more, end alike.
TEST_F(Bk0011mRealRomTest, AStateRoundTripGoesOnAsTheMachineWould) {
    const Bk0011mMachine prototype;
    const std::unique_ptr<BkModelRun> straight = Boot(prototype, 100);
    const std::unique_ptr<BkModelRun> saved = Boot(prototype, 100);
    // The windows switched away from the start's.
    ASSERT_GE(dynamic_cast<Bk0011mMachineBase&>(saved->Machine()).Window1Page(), 0);

    BkModelRun loaded(prototype, romFolder);
    ASSERT_TRUE(loaded.PowerOn());
    ASSERT_TRUE(test_support::LoadState(loaded.Machine(), test_support::SavedState(saved->Machine())));

    straight->RunFrames(100);
    loaded.RunFrames(100);
    const BkMachine& expected = straight->Machine();
    const BkMachine& actual = loaded.Machine();
    ASSERT_EQ(actual.Memory()->Size(), expected.Memory()->Size());
    EXPECT_TRUE(std::equal(expected.Memory()->RamBase(), expected.Memory()->RamBase() + expected.Memory()->Size(),
                           actual.Memory()->RamBase()));
    for (int32_t page = 0; page < 2; ++page) {
        const uint8_t* screen = expected.Video()->Page(page)->Buffer();
        EXPECT_TRUE(std::equal(screen, screen + BkVideo::kScreenBytes, actual.Video()->Page(page)->Buffer())) << page;
    }
    const auto& expectedPsg = *dynamic_cast<const Bk0011mMachineBase&>(expected).Psg();
    const auto& actualPsg = *dynamic_cast<const Bk0011mMachineBase&>(actual).Psg();
    for (int32_t reg = 0; reg < AySoundChip::kRegisterCount; ++reg) {
        EXPECT_EQ(actualPsg.RegisterValue(reg), expectedPsg.RegisterValue(reg)) << reg;
    }
    EXPECT_EQ(loaded.Screen(), straight->Screen());
    EXPECT_TRUE(std::equal(straight->Frame().Row(0), straight->Frame().Row(0) + 512 * 256, loaded.Frame().Row(0)));
    EXPECT_EQ(actual.Cpu()->Cycles(), expected.Cpu()->Cycles());
    EXPECT_TRUE(loaded.Lines("[ERROR]").empty());
}

} // namespace
} // namespace emu
