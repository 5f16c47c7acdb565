#include "emu/core/RomFileLoader.h"

#include "common/ProgramFolders.h"
#include "common/SystemUtilities.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/Report.h"
#include "support/RecordingConsole.h"
#include "support/TemporaryFolder.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace emu {
namespace {

using test_support::RecordingConsole;

// A BK-0011M as the file search sees it.
class Bk11Model : public test_support::TestMachine {
public:
    const char* ModelId() const override { return "bk_11m"; }
    const char* FamilyId() const override { return "bk_0011"; }
};

std::string Narrow(const std::filesystem::path& path) {
    return common::NarrowText(path.u16string());
}

std::string HexText(const common::Sha1Digest& digest) {
    common::NarrowString text;
    for (const uint32_t word : digest) {
        text.AppendFormat("%08x", word);
    }
    return text.GetNarrow();
}

// A program installed under "Program Files" keeps its data in the application-data folder; here the program's
// folder is "program" and the application-data folder "appdata" of a temporary folder.
class RomFileLoaderTest : public ::testing::Test {
protected:
    RomFileLoaderTest() {
        std::filesystem::create_directories(program);
        common::PathString programFolder((program.u16string() + u"/").c_str());
        folders.SetProgramFolder(programFolder, common::PathString(), false);
        machine.SetFolders(folders);
        machine.SetConsole(&console);
        machine.Memory()->Create(0x10000, 0177777, 0);
    }

    // Writes a file of the given size below the temporary folder.
    std::filesystem::path Put(const std::filesystem::path& relative, size_t size, char fill = 'x') const {
        std::filesystem::create_directories((root.Path() / relative).parent_path());
        root.WriteFile(relative.u16string(), std::string(size, fill));
        return root.Path() / relative;
    }
    std::vector<uint8_t> MemoryAt(uint32_t position, size_t count) const {
        const uint8_t* ram = machine.Memory()->RamBase() + position;
        return std::vector<uint8_t>(ram, ram + count);
    }

    test_support::TemporaryFolder root;
    const std::filesystem::path program = root.Path() / "program";
    const std::filesystem::path settings = root.Path() / "appdata" / "ZOVTarvoEmu";
    common::ProgramFolders folders{u"/Program Files/ZOV/zovbk.exe", (root.Path() / "appdata").u16string()};
    RecordingConsole console;
    Bk11Model machine;
    RomFileLoader loader{machine};
};

TEST_F(RomFileLoaderTest, ANameIsLookedForInTheModelFamilyConfigsAndProgramFoldersThenInTheSettingsFolder) {
    const std::vector<std::filesystem::path> places = {
        Put("program/configs/bk_11m/x.rom", 1),
        Put("program/configs/bk_0011/x.rom", 1),
        Put("program/configs/x.rom", 1),
        Put("program/x.rom", 1),
        Put("appdata/ZOVTarvoEmu/configs/bk_11m/x.rom", 1),
        Put("appdata/ZOVTarvoEmu/configs/bk_0011/x.rom", 1),
        Put("appdata/ZOVTarvoEmu/configs/x.rom", 1),
        Put("appdata/ZOVTarvoEmu/x.rom", 1),
    };
    for (const std::filesystem::path& place : places) {
        common::PathString found;
        ASSERT_TRUE(loader.LocateConfigFiles(common::PathString("x.rom"), found)) << Narrow(place);
        EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(found.View()), place)) << found.GetNarrow();
        std::filesystem::remove(place);
    }
    common::PathString found("stale");
    EXPECT_FALSE(loader.LocateConfigFiles(common::PathString("x.rom"), found));
    EXPECT_TRUE(found.IsEmpty());
    EXPECT_FALSE(loader.LocateConfigFiles(common::PathString(), found));
    EXPECT_TRUE(console.Lines().empty());
}

TEST_F(RomFileLoaderTest, WithoutASettingsFolderOnlyTheProgramFolderIsSearchedAndNothingIsMade) {
    Put("program/configs/monit10.rom", 1);
    common::PathString found;
    EXPECT_TRUE(loader.LocateConfigFiles(common::PathString("monit10.rom"), found));
    EXPECT_FALSE(loader.LocateConfigFiles(common::PathString("Focal.rom"), found));
    EXPECT_FALSE(std::filesystem::exists(settings));
}

TEST_F(RomFileLoaderTest, NamesAreFoundInAnyLetterCase) {
    const std::filesystem::path bos = Put("program/configs/bk_0011/B11M_BOS.ROM", 1);
    common::PathString found;
    ASSERT_TRUE(loader.LocateConfigFiles(common::PathString("b11m_bos.rom"), found));
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(found.View()), bos));
}

TEST_F(RomFileLoaderTest, WhatWasNotFoundIsListed) {
    const std::string error = "[ERROR] ";
    const struct {
        FileAlternatives names;
        std::vector<std::string> lines;
    } cases[] = {
        {{"a.rom"}, {"[ERROR] File \"a.rom\" (Floppy Driver) not found!"}},
        {{"a.rom", "", "c.rom"}, {"[ERROR] File \"a.rom\" (Floppy Driver) not found!"}},
        {{"a.rom", "b.rom", "c.rom"},
         {"[ERROR] No one of files found (Floppy Driver): ", "   \"a.rom\" or ", "   \"b.rom\" or ", "   \"c.rom\""}},
        {{"1", "2", "3", "4", "5"},
         {"[ERROR] No one of files found (Floppy Driver): ", "   \"1\" or ", "   \"2\" or ", "   \"3\" or ",
          "   \"4\" or ", "   \"5\""}},
        {{""}, {}},
    };
    for (const auto& testCase : cases) {
        common::FileStream stream;
        EXPECT_EQ(loader.FindOneOfFiles(stream, "Floppy Driver", testCase.names), 0);
        EXPECT_FALSE(stream.IsOpen());
        std::vector<RecordingConsole::Line> expected;
        for (const std::string& line : testCase.lines) {
            expected.push_back({line, kErrorColour});
        }
        EXPECT_EQ(console.Lines(), expected);
        console.ClearLines();
    }
}

TEST_F(RomFileLoaderTest, AnEmptyFileHidesTheOthersOfItsNameAndTheNextNameIsTried) {
    Put("program/configs/disk_326.bin", 0);
    Put("appdata/ZOVTarvoEmu/disk_326.bin", 10);
    Put("appdata/ZOVTarvoEmu/disk_327.rom", 20);
    common::FileStream stream;
    EXPECT_EQ(loader.FindOneOfFiles(stream, "Floppy Driver", {"disk_326.bin", "disk_327.rom"}, true), 2);
    EXPECT_TRUE(stream.IsOpen());
    EXPECT_EQ(stream.Size(), 20);
    EXPECT_EQ(console.Lines(),
              (std::vector<RecordingConsole::Line>{
                  {"[INIT] Loaded file \"disk_327.rom\" (Floppy Driver)", common::Console::kPlainColour}}));
}

// A file that is there but cannot be taken is named with its reason, not reported missing.
TEST_F(RomFileLoaderTest, AnEmptyOrUnreadableFileIsToldSo) {
    const std::string empty = Narrow(Put("program/configs/monit10.rom", 0));
    const std::string heading = "[ERROR] No one of files found (System Monitor): ";
    struct Case {
        FileAlternatives names;
        std::vector<std::string> lines;
    };
    std::vector<Case> cases = {
        {{"monit10.rom"}, {"[ERROR] File \"" + empty + "\" (System Monitor) is empty!"}},
        {{"monit10.rom", "basic10.rom"}, {heading, "   \"" + empty + "\" is empty or ", "   \"basic10.rom\""}},
    };
    // Without read permission, unless this user reads anything.
    const std::filesystem::path locked = Put("program/configs/Focal.rom", 10);
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    if (!std::ifstream(locked).is_open()) {
        cases.push_back({{"Focal.rom"}, {"[ERROR] File \"" + Narrow(locked) + "\" (System Monitor) can not be read!"}});
    }
#ifndef _WIN32
    // A FIFO in a file's place is no file to read.
    const std::filesystem::path fifo = program / "configs" / "bos.rom";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    cases.push_back({{"bos.rom"}, {"[ERROR] File \"" + Narrow(fifo) + "\" (System Monitor) can not be read!"}});
    cases.push_back({{"disk_327.rom", "bos.rom"},
                     {heading, "   \"disk_327.rom\" or ", "   \"" + Narrow(fifo) + "\" can not be read"}});
#endif
    for (const Case& test : cases) {
        SCOPED_TRACE(test.names[0].GetNarrow());
        EXPECT_EQ(loader.LoadFileToMemory(0, 0, 0, "System Monitor", test.names), 0);
        std::vector<RecordingConsole::Line> expected;
        for (const std::string& line : test.lines) {
            expected.push_back({line, kErrorColour});
        }
        EXPECT_EQ(console.Lines(), expected);
        console.ClearLines();
    }
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

TEST_F(RomFileLoaderTest, TheSizeMustLieWithinTheLimits) {
    const struct {
        size_t size;
        int32_t result;
        RecordingConsole::Line line;
    } cases[] = {
        {8191, 0, {"[ERROR] File \"monit10.rom\" is too small to be loaded (<8192)!", kErrorColour}},
        {8193, 0, {"[ERROR] File \"monit10.rom\" is too big to be loaded (>8192)!", kErrorColour}},
        {8192,
         1,
         {"[INIT] File \"monit10.rom\" loaded to memory at position 8000h (System Monitor)",
          common::Console::kPlainColour}},
    };
    for (const auto& testCase : cases) {
        Put("program/configs/monit10.rom", testCase.size, 'm');
        EXPECT_EQ(loader.LoadFileToMemory(0x8000, 8192, 8192, "System Monitor", {"monit10.rom"}), testCase.result);
        EXPECT_EQ(console.Lines(), (std::vector<RecordingConsole::Line>{testCase.line}));
        EXPECT_EQ(MemoryAt(0x8000, 8192), std::vector<uint8_t>(8192, testCase.result != 0 ? 'm' : 0));
        console.ClearLines();
    }
}

TEST_F(RomFileLoaderTest, AFileMustFitTheMemoryLeft) {
    Put("program/configs/big.rom", 0x2001, 'b');
    EXPECT_EQ(loader.LoadFileToMemory(0xE000, 0, 0, "Extended ROM", {"big.rom"}), 0);
    EXPECT_EQ(loader.LoadFileToMemory(0x10000, 0, 0, "Extended ROM", {"big.rom"}), 0);
    EXPECT_EQ(console.Texts(), (std::vector<std::string>{
                                   "[ERROR] File \"big.rom\" is too big to be loaded (>8192)!",
                                   "[ERROR] Can not load file \"big.rom\" to memory at position 10000h (Extended ROM)!",
                               }));
    EXPECT_EQ(MemoryAt(0xE000, 0x2000), std::vector<uint8_t>(0x2000, 0));
    EXPECT_EQ(loader.LoadFileToMemoryWithSize(0xDFFF, 0, 0, "Extended ROM", {"big.rom"}), 0x2001);
    EXPECT_EQ(MemoryAt(0xDFFF, 0x2001), std::vector<uint8_t>(0x2001, 'b'));
}

TEST_F(RomFileLoaderTest, AFileCanEndWhereTheCallerSays) {
    Put("program/configs/bos.rom", 0x2000, 'e');
    EXPECT_EQ(loader.LoadFileToMemoryEnd(0x10000, 0, 0, "BOS", {"none.rom", "bos.rom"}), 2);
    EXPECT_EQ(MemoryAt(0xE000, 0x2000), std::vector<uint8_t>(0x2000, 'e'));
    EXPECT_EQ(console.Texts().back(), "[INIT] File \"bos.rom\" loaded to memory at position E000h (BOS)");
    console.ClearLines();

    Put("program/configs/bos.rom", 0x1001, 'f');
    EXPECT_EQ(loader.LoadFileToMemoryEnd(0x1000, 0, 0, "BOS", {"bos.rom"}), 0);
    EXPECT_EQ(console.Texts(), (std::vector<std::string>{"[ERROR] File \"bos.rom\" is too big to be loaded (>4096)!"}));
    EXPECT_EQ(MemoryAt(0, 0x1000), std::vector<uint8_t>(0x1000, 0));
}

TEST_F(RomFileLoaderTest, APairIsInterleavedEvenBytesFirst) {
    root.WriteFile(u"program/even.rom", "\xE0\xE1\xE2\xE3");
    root.WriteFile(u"program/odd.rom", std::string("\x00\x01\x02\x03", 4));
    root.WriteFile(u"program/longer.rom", std::string("\x00\x01\x02\x03\x04", 5));
    EXPECT_FALSE(loader.LoadFilePairToMemory(0x100, "Pair", "even.rom", "longer.rom"));
    EXPECT_EQ(MemoryAt(0x100, 8), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(console.Texts(),
              (std::vector<std::string>{"[ERROR] Files \"even.rom\" and \"longer.rom\" should have equal sizes!"}));
    console.ClearLines();

    EXPECT_TRUE(loader.LoadFilePairToMemory(0x100, "Pair", "missing.rom", "odd.rom", "even.rom"));
    EXPECT_EQ(MemoryAt(0x100, 8), (std::vector<uint8_t>{0xE0, 0x00, 0xE1, 0x01, 0xE2, 0x02, 0xE3, 0x03}));
    EXPECT_EQ(console.Texts(),
              (std::vector<std::string>{
                  "[INIT] Files \"missing.rom\" and \"odd.rom\" loaded to memory at position 100h (Pair)",
              }));
    console.ClearLines();

    EXPECT_TRUE(loader.LoadFilePairToMemoryEnd(0x10000, "Pair", "even.rom", "odd.rom"));
    EXPECT_EQ(MemoryAt(0xFFF8, 8), (std::vector<uint8_t>{0xE0, 0x00, 0xE1, 0x01, 0xE2, 0x02, 0xE3, 0x03}));
    EXPECT_EQ(console.Texts().back(),
              "[INIT] Files \"even.rom\" and \"odd.rom\" loaded to memory at position FFF8h (Pair)");
    console.ClearLines();

    EXPECT_FALSE(loader.LoadFilePairToMemoryEnd(7, "Pair", "even.rom", "odd.rom"));
    EXPECT_FALSE(loader.LoadFilePairToMemory(0xFFFA, "Pair", "even.rom", "odd.rom"));
    EXPECT_EQ(console.Texts(), (std::vector<std::string>{
                                   "[ERROR] Files \"even.rom\" and \"odd.rom\" are too big to be loaded (>7)!",
                                   "[ERROR] Files \"even.rom\" and \"odd.rom\" are too big to be loaded (>6)!",
                               }));
}

TEST_F(RomFileLoaderTest, ABufferTakesOnlyAFileThatFitsIt) {
    Put("program/font.bin", 16, 'f');
    std::vector<uint8_t> buffer(15, 0);
    EXPECT_EQ(loader.LoadFileToBuffer(buffer, 0x100, 0, 0, "Font", {"font.bin"}), 0);
    EXPECT_EQ(buffer, std::vector<uint8_t>(15, 0));
    EXPECT_EQ(console.Texts(), (std::vector<std::string>{"[ERROR] File \"font.bin\" is too big to be loaded (>15)!"}));
    console.ClearLines();

    buffer.resize(16);
    EXPECT_EQ(loader.LoadFileToBuffer(buffer, 0x110, 0, 16, "Font", {"font.bin"}), 16);
    EXPECT_EQ(buffer, std::vector<uint8_t>(16, 'f'));
    EXPECT_EQ(console.Texts(),
              (std::vector<std::string>{"[INIT] File \"font.bin\" loaded to memory at position 100h (Font)"}));
    console.ClearLines();

    EXPECT_EQ(loader.LoadFileToBuffer({}, 0, 0, 0, "Font", {"font.bin"}), 0);
    EXPECT_TRUE(console.Lines().empty());
}

// The real ROM images, found by the names the machine models search for (the BK-0011M's in lower case too).
TEST_F(RomFileLoaderTest, TheRealRomImagesLoadByTheirNames) {
    const char* romFolder = std::getenv("BK_ROM_DIR");
    if (romFolder == nullptr) {
        GTEST_SKIP() << "BK_ROM_DIR is not set";
    }
    common::PathString romProgramFolder(romFolder);
    romProgramFolder.Append("/");
    folders.SetProgramFolder(romProgramFolder, common::PathString(), false);
    machine.SetFolders(folders);
    machine.Memory()->Create(0x3C000, 0177777, 0);
    const RomFileLoader romLoader(machine);
    const struct {
        const char* name;
        uint32_t position;
        uint32_t size;
        const char* sha1;
    } roms[] = {
        {"monit10.rom", 0x8000, 8192, "4e83a94ae5155bbea14d7331a5a8db82457bd5ae"},
        {"Focal.rom", 0xA000, 8192, "75df26f81ebd281bcb5c55ba81a7d97f31e388b2"},
        {"Tests.rom", 0xE000, 8192, "367612d6e494a4da1e8037d60964d63e9f2f45a5"},
        {"Basic10first.rom", 0xA000, 8192, "908b136df4da885e8f766aaa924eeaa726e6f439"},
        {"Basic10second.rom", 0xC000, 8192, "acf068925e4052989b05dd5cf736a1dab5438011"},
        {"Basic10third.rom", 0xE000, 8192, "0f2f824296cc188c4ff876400dd0d6832b5f31f7"},
        {"disk_327.rom", 0xE000, 4096, "28eefbb63047b26e4aec104aeeca74e2f9d0276c"},
        {"B11M_BOS.ROM", 0xC000, 8192, "7e9a30e38d7b78981999821640a68a201bb6df01"},
        {"b11m_bos.rom", 0xC000, 8192, "7e9a30e38d7b78981999821640a68a201bb6df01"},
        {"BAS11M_0.ROM", 0x10000, 16384, "9d76f3eefd64e032c763fa1ebf9cd3d9bd22317a"},
        {"BAS11M_1.ROM", 0x14000, 8192, "34fa37599f2f9eb607390ef2458a3c22d87f09a9"},
        {"B11M_EXT.ROM", 0x16000, 8192, "f087af69044432a1ef2431a72ac06946e32f2dd3"},
        {"B11M_MSTD.ROM", 0xE000, 8192, "eb261132ec99ff9e142ef6f985e96c870c2f24d7"},
    };
    for (const auto& rom : roms) {
        SCOPED_TRACE(rom.name);
        ASSERT_EQ(romLoader.LoadFileToMemory(rom.position, rom.size, rom.size, "ROM", {"missing.rom", rom.name}), 2);
        const common::Sha1Digest digest = common::ComputeSha1(machine.Memory()->RamBase() + rom.position, rom.size);
        EXPECT_EQ(HexText(digest), rom.sha1);
    }
}

} // namespace
} // namespace emu
