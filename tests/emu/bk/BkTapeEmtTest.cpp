// A BIN program on "BK-0010.01" whose tape calls (EMT 036) read and write files beside it through the BIOS
// tracer, on the real ROMs.
#include "emu/bk/Bk0010Machine.h"

#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

using test_support::BkModelRun;

constexpr uint16_t kProgram = 02000;
constexpr uint16_t kReadBlock = 02100;
constexpr uint16_t kWriteBlock = 02200;
constexpr uint16_t kData = 04000;
constexpr uint16_t kLoop = 02014;

// A BIN file's bytes: address, length, data.
std::string BinFile(uint16_t address, const std::string& data) {
    const auto length = static_cast<uint16_t>(data.size());
    return std::string{static_cast<char>(address), static_cast<char>(address >> 8), static_cast<char>(length),
                       static_cast<char>(length >> 8)} +
           data;
}

// A tape request: command, answer, address, length, the name padded to 16 bytes, an empty reply.
std::string Request(uint8_t command, uint16_t address, uint16_t length, const std::string& name) {
    std::string block{static_cast<char>(command), '\377',
                      static_cast<char>(address), static_cast<char>(address >> 8),
                      static_cast<char>(length),  static_cast<char>(length >> 8)};
    block += name + std::string(16 - name.size(), '\0');
    return block + std::string(20, '\0');
}

// Reads DATA to its own address, then writes what it read as OUT, then waits.
std::string Program() {
    const std::vector<uint16_t> code = {
        0012701, kReadBlock,  // MOV #read, R1
        0104036,              // EMT 36
        0012701, kWriteBlock, // MOV #write, R1
        0104036,              // EMT 36
        0000777,              // BR .
    };
    std::string bytes(kWriteBlock + 42 - kProgram, '\0');
    for (size_t index = 0; index < code.size(); ++index) {
        bytes[2 * index] = static_cast<char>(code[index]);
        bytes[2 * index + 1] = static_cast<char>(code[index] >> 8);
    }
    bytes.replace(kReadBlock - kProgram, 42, Request(3, 0, 0, "DATA"));
    bytes.replace(kWriteBlock - kProgram, 42, Request(2, kData, 4, "OUT"));
    return bytes;
}

TEST(BkTapeEmtTest, ABinProgramReadsAndWritesFilesBesideIt) {
    const std::optional<std::u16string> roms = BkModelRun::RealRomFolder();
    if (!roms) {
        GTEST_SKIP() << "BK_ROM_DIR is not set";
    }
    test_support::TemporaryFolder folder;
    folder.WriteFile(u"DATA", BinFile(kData, "ABCD"));
    const Bk0010_01Machine prototype;
    BkModelRun run(prototype, *roms);
    ASSERT_TRUE(run.MountBin(folder.WriteFile(u"prog.bin", BinFile(kProgram, Program()))));
    ASSERT_TRUE(run.PowerOn());
    run.RunFrames(100);
    const MemoryMap& memory = *run.Machine().Memory();
    EXPECT_EQ(run.Machine().Cpu()->Register(7), kLoop);
    EXPECT_EQ(memory.RamBase()[kReadBlock + 1], 0) << "read";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(memory.RamBase()) + kData, 4), "ABCD");
    EXPECT_EQ(memory.RamBase()[kWriteBlock + 1], 0) << "written";
    EXPECT_EQ(folder.ReadFile(u"OUT"), BinFile(kData, "ABCD"));
    const std::vector<std::string> lines = {"[BIOS] File \"DATA\" loaded at offset=4000o (size=4)",
                                            "[BIOS] File \"OUT\" written from offset=4000o (size=4)"};
    EXPECT_EQ(run.Lines("[BIOS]"), lines);
    EXPECT_TRUE(run.Lines("[ERROR]").empty());
}

} // namespace
} // namespace emu
