// The tape calls served from host files in a temporary folder: reads with their reply, system cells and autostart,
// writes that never replace a file, and names that could leave the folder refused before anything is touched.
#include "emu/bk/BkTapeFileService.h"

#include "common/PathString.h"
#include "emu/core/Device.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkTestMachine.h"
#include "support/RecordingConsole.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

constexpr uint16_t kBlock = 0500;
constexpr uint16_t kPc = 01234;

// A BIN file's bytes: address, length, data.
std::string BinFile(uint16_t address, uint16_t length, const std::string& data) {
    std::string bytes{static_cast<char>(address), static_cast<char>(address >> 8), static_cast<char>(length),
                      static_cast<char>(length >> 8)};
    return bytes + data;
}

std::string Pattern(size_t size, uint8_t seed) {
    std::string data(size, '\0');
    for (size_t index = 0; index < size; ++index) {
        data[index] = static_cast<char>(seed + index * 3);
    }
    return data;
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

struct TapeRun {
    TapeRun() : machine(false) {
        machine.SetConsole(&console);
        machine.Drives()->SetCartridgeCount(1);
        auto made = std::make_unique<Device>("BIOS BK", "BIOS");
        reporter = made.get();
        machine.AddChild(std::move(made));
        service = std::make_unique<BkTapeFileService>(*reporter);
        EXPECT_TRUE(machine.PowerOn());
        machine.Drives()->DriveAt(DriveKind::Cartridge, 0)->mediaReady = true;
        const std::u16string folderPath = folder.Path().u16string() + u"/";
        machine.Drives()->SetLastImageFolder(common::PathString(folderPath.c_str()));
        machine.Cpu()->SetRegister(1, kBlock);
        machine.Cpu()->SetRegister(7, kPc);
        console.ClearLines();
    }

    // The request block: command, answer 0377, address, length, the name padded with NULs to 16 bytes.
    void Request(uint8_t command, uint16_t address, uint16_t length, const std::string& name) {
        MemoryMap& memory = *machine.Memory();
        memory.WriteByte(kBlock, command);
        memory.WriteByte(kBlock + 1, 0377);
        machine.SetWord(kBlock + 2, address);
        machine.SetWord(kBlock + 4, length);
        for (uint16_t index = 0; index < 16; ++index) {
            memory.WriteByte(kBlock + 6 + index, index < name.size() ? static_cast<uint8_t>(name[index]) : 0);
        }
        for (uint16_t index = 0; index < 20; ++index) {
            memory.WriteByte(kBlock + 22 + index, 0252);
        }
    }
    bool Serve() { return service->Serve(*machine.Cpu(), *machine.Memory(), *machine.Drives()); }
    uint8_t Answer() const { return machine.Memory()->ReadByte(kBlock + 1, 1); }
    std::string Bytes(uint16_t address, size_t count) const {
        std::string bytes(count, '\0');
        for (size_t index = 0; index < count; ++index) {
            bytes[index] = static_cast<char>(machine.Memory()->ReadByte(static_cast<uint32_t>(address + index), 1));
        }
        return bytes;
    }
    std::vector<std::string> Lines() { return console.Texts(); }
    // Every file of the folder.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            names.push_back(entry.path().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test_support::TemporaryFolder folder;
    test_support::RecordingConsole console;
    test_support::BkTestMachine machine;
    Device* reporter = nullptr;
    std::unique_ptr<BkTapeFileService> service;
};

struct ReadCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    uint16_t requestAddress;
    std::string requestName;
    // Expected: load address and length, the file named in the line; answer 1 and no line when length < 0.
    uint16_t address;
    int32_t length;
    std::string line;
};

TEST(BkTapeFileServiceTest, ReadsLoadTheFileAndReply) {
    const std::string data = Pattern(0400, 7);
    const ReadCase cases[] = {
        {"the name as it stands",
         {{"GAME", BinFile(02000, 0400, data)}, {"GAME.bin", BinFile(03000, 2, "xx")}},
         0,
         "GAME",
         02000,
         0400,
         "File \"GAME\" loaded at offset=2000o (size=256)"},
        {"then with bin",
         {{"GAME.bin", BinFile(02000, 0400, data)}, {"GAME.ovl", BinFile(03000, 2, "xx")}},
         0,
         "GAME",
         02000,
         0400,
         "File \"GAME.bin\" loaded at offset=2000o (size=256)"},
        {"then with ovl",
         {{"GAME.ovl", BinFile(02000, 0400, data)}},
         0,
         "GAME",
         02000,
         0400,
         "File \"GAME.ovl\" loaded at offset=2000o (size=256)"},
        {"at the request's address",
         {{"GAME", BinFile(02000, 0400, data)}},
         01000,
         "GAME",
         01000,
         0400,
         "File \"GAME\" loaded at offset=1000o (size=256)"},
        {"length 0: the whole file",
         {{"GAME", BinFile(02000, 0, data)}},
         0,
         "GAME",
         02000,
         0400,
         "File \"GAME\" loaded at offset=2000o (size=256)"},
        {"cut at 0100000",
         {{"GAME", BinFile(077700, 0400, data)}},
         0,
         "GAME",
         077700,
         0100,
         "File \"GAME\" loaded at offset=77700o (size=64)"},
        {"a blank ends the name",
         {{"AB", BinFile(02000, 0400, data)}},
         0,
         "AB CD",
         02000,
         0400,
         "File \"AB\" loaded at offset=2000o (size=256)"},
        {"at 0100000", {{"GAME", BinFile(0100000, 0400, data)}}, 0, "GAME", 0, -1, ""},
        {"shorter than its length", {{"GAME", BinFile(02000, 0500, data)}}, 0, "GAME", 02000, -1, ""},
        {"no address word", {{"GAME", std::string(1, '\001')}}, 0, "GAME", 0, -1, ""},
        {"not there",
         {{"GAMES", BinFile(02000, 0400, data)}},
         0,
         "GAME",
         0,
         -1,
         "File \"GAME\" not exists, so can not load it!"},
    };
    for (const ReadCase& test : cases) {
        SCOPED_TRACE(test.name);
        TapeRun run;
        for (const auto& [file, content] : test.files) {
            run.folder.WriteFile(Wide(file), content);
        }
        const std::string before = run.Bytes(02000, 0400);
        run.Request(3, test.requestAddress, 0, test.requestName);
        EXPECT_TRUE(run.Serve());
        std::string name(16, '\0');
        name.replace(0, test.requestName.size(), test.requestName);
        if (test.length < 0) {
            EXPECT_EQ(run.Answer(), 1);
            EXPECT_EQ(run.Bytes(kBlock + 22, 20), std::string(20, '\0')) << "the reply is cleared";
            if (!test.line.empty()) {
                EXPECT_EQ(run.Lines(), std::vector<std::string>{"[BIOS] ERROR: " + test.line});
            }
            continue;
        }
        const auto length = static_cast<uint16_t>(test.length);
        EXPECT_EQ(run.Answer(), 0);
        EXPECT_EQ(run.Bytes(test.address, length), data.substr(0, length));
        EXPECT_EQ(run.machine.Word(kBlock + 22), test.address);
        EXPECT_EQ(run.machine.Word(kBlock + 24), length);
        EXPECT_EQ(run.Bytes(kBlock + 26, 16), name);
        EXPECT_EQ(run.machine.Word(kBlock + 18), test.address) << "inside the request's name";
        EXPECT_EQ(run.machine.Word(kBlock + 20), length);
        for (const uint16_t cell : {0264, 0346}) {
            EXPECT_EQ(run.machine.Word(cell), test.address);
        }
        for (const uint16_t cell : {0266, 0350}) {
            EXPECT_EQ(run.machine.Word(cell), length);
        }
        EXPECT_EQ(run.machine.Cpu()->Register(7), kPc) << "no autostart above 0777";
        EXPECT_EQ(run.Lines(), std::vector<std::string>{"[BIOS] " + test.line});
    }
}

TEST(BkTapeFileServiceTest, AFileLoadedBelow01000StartsThroughTheWordAt0774) {
    struct StartCase {
        const char* name;
        uint16_t address;
        uint16_t startWord;
        uint16_t firstWord;
        uint16_t pc;
    };
    const StartCase cases[] = {
        {"0774 inside the data", 0, 0600, 01000, 0600},
        {"0774 beyond the data: the first word", 0, 03000, 0700, 0700},
        {"first word below the address: no start", 0400, 03000, 0200, kPc},
    };
    for (const StartCase& test : cases) {
        SCOPED_TRACE(test.name);
        TapeRun run;
        // The file covers 0774 when it loads at 0: the start word comes from the data.
        std::string data = Pattern(02000, 1);
        data[0] = static_cast<char>(test.firstWord);
        data[1] = static_cast<char>(test.firstWord >> 8);
        if (test.address == 0) {
            data[0774] = static_cast<char>(test.startWord);
            data[0775] = static_cast<char>(test.startWord >> 8);
        } else {
            run.machine.SetWord(0774, test.startWord);
        }
        run.folder.WriteFile(u"BOOT", BinFile(test.address, static_cast<uint16_t>(test.address == 0 ? 02000 : 0100),
                                              data.substr(0, test.address == 0 ? 02000 : 0100)));
        run.Request(3, 0, 0, "BOOT");
        run.machine.Cpu()->SetRegister(7, kPc);
        EXPECT_TRUE(run.Serve());
        EXPECT_EQ(run.Answer(), 0);
        EXPECT_EQ(run.machine.Cpu()->Register(7), test.pc);
    }
}

TEST(BkTapeFileServiceTest, WritesMakeNewFilesOnly) {
    TapeRun run;
    const std::string data = Pattern(0300, 9);
    for (size_t index = 0; index < data.size(); ++index) {
        run.machine.Memory()->WriteByte(static_cast<uint32_t>(03000 + index), static_cast<uint8_t>(data[index]));
    }
    run.Request(2, 03000, 0300, "AB CD");
    EXPECT_TRUE(run.Serve());
    EXPECT_EQ(run.Answer(), 0);
    EXPECT_EQ(run.folder.ReadFile(u"AB CD"), BinFile(03000, 0300, data));
    EXPECT_EQ(run.Lines().back(), "[BIOS] File \"AB CD\" written from offset=3000o (size=192)");

    run.Request(2, 04000, 0, "EMPTY");
    EXPECT_TRUE(run.Serve());
    EXPECT_EQ(run.Answer(), 0);
    EXPECT_EQ(run.folder.ReadFile(u"EMPTY"), BinFile(04000, 0, ""));
    EXPECT_EQ(run.Lines().back(), "[BIOS] File \"EMPTY\" written from offset=4000o (size=0)");

    run.folder.WriteFile(u"KEPT", "old");
    run.Request(2, 03000, 0300, "KEPT");
    EXPECT_TRUE(run.Serve());
    EXPECT_EQ(run.Answer(), 1);
    EXPECT_EQ(run.folder.ReadFile(u"KEPT"), "old");
    EXPECT_EQ(run.Lines().back(), "[BIOS] ERROR: File \"KEPT\" already exists, so rewrite denied!");
}

TEST(BkTapeFileServiceTest, CallsThatAreNotServed) {
    {
        TapeRun run;
        run.machine.Drives()->DriveAt(DriveKind::Cartridge, 0)->mediaReady = false;
        run.folder.WriteFile(u"GAME", BinFile(02000, 2, "xx"));
        run.Request(3, 0, 0, "GAME");
        EXPECT_FALSE(run.Serve()) << "no BIN loaded";
        EXPECT_EQ(run.Answer(), 0377);
    }
    for (const uint8_t command : {4, 0377}) {
        TapeRun run;
        run.Request(command, 0, 0, "GAME");
        EXPECT_FALSE(run.Serve());
    }
    for (const uint8_t command : {0, 1}) {
        TapeRun run;
        run.Request(command, 0, 0, "GAME");
        EXPECT_TRUE(run.Serve());
        EXPECT_EQ(run.Answer(), 0377) << "accepted, nothing done";
        EXPECT_TRUE(run.Lines().empty());
    }
}

TEST(BkTapeFileServiceTest, NamesThatCouldLeaveTheFolderTouchNothing) {
    for (const std::string& name : std::initializer_list<std::string>{
             "../x", "..", "/abs/x", "a\\b", "C:x", "CON", "nul.bin", "COM1", "LPT9.txt", std::string("A\001B")}) {
        for (const uint8_t command : {2, 3}) {
            SCOPED_TRACE(name + (command == 2 ? " written" : " read"));
            TapeRun run;
            run.folder.WriteFile(u"x", BinFile(02000, 2, "xx"));
            const std::vector<std::string> files = run.Files();
            const std::filesystem::path above = run.folder.Path().parent_path() / "x";
            const bool aboveExisted = std::filesystem::exists(above);
            const std::string memory = run.Bytes(02000, 2);
            run.Request(command, 02000, 2, name);
            EXPECT_TRUE(run.Serve());
            EXPECT_EQ(run.Answer(), 1);
            std::string shown = name;
            std::replace(shown.begin(), shown.end(), '\001', '?');
            EXPECT_EQ(run.Lines(), std::vector<std::string>{"[BIOS] ERROR: File name \"" + shown +
                                                            "\" is not allowed, so access denied!"});
            EXPECT_EQ(run.Files(), files);
            EXPECT_EQ(std::filesystem::exists(above), aboveExisted);
            EXPECT_EQ(run.Bytes(02000, 2), memory);
        }
    }
}

#ifndef _WIN32
// Only regular files are read or written: a FIFO or a folder of the name is never opened (a FIFO would block the
// emulation thread) and never replaced.
TEST(BkTapeFileServiceTest, OnlyRegularFilesAreUsed) {
    TapeRun run;
    ASSERT_EQ(::mkfifo((run.folder.Path() / "PIPE").c_str(), 0600), 0);
    std::filesystem::create_directory(run.folder.Path() / "DIR");
    run.folder.WriteFile(u"DIR.bin", BinFile(02000, 2, "ok"));
    run.Request(3, 0, 0, "PIPE");
    EXPECT_TRUE(run.Serve());
    EXPECT_EQ(run.Answer(), 1);
    EXPECT_EQ(run.Lines().back(), "[BIOS] ERROR: File \"PIPE\" not exists, so can not load it!");
    run.Request(3, 0, 0, "DIR");
    EXPECT_TRUE(run.Serve());
    EXPECT_EQ(run.Answer(), 0);
    EXPECT_EQ(run.Bytes(02000, 2), "ok") << "the folder is passed over for DIR.bin";
    for (const char* name : {"PIPE", "DIR"}) {
        run.Request(2, 02000, 2, name);
        EXPECT_TRUE(run.Serve());
        EXPECT_EQ(run.Answer(), 1);
    }
    EXPECT_EQ(std::filesystem::status(run.folder.Path() / "PIPE").type(), std::filesystem::file_type::fifo);
    EXPECT_TRUE(std::filesystem::is_directory(run.folder.Path() / "DIR"));
}
#endif

} // namespace
} // namespace emu
