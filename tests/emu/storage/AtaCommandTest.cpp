#include "AtaMachine.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace emu {
namespace {

using Blocks = std::vector<std::string>;

// Reads a transfer as the host does: each time DRQ is up after BSY dropped, everything until DRQ drops again.
Blocks ReadTransfer(AtaMachine& ata, uint32_t width = 2) {
    Blocks blocks;
    while (ata.WaitFor(0, 0) && (ata.AltStatus() & 0x08) != 0) {
        std::string block;
        while ((ata.Read(kControlPort, 1, true) & 0x88) == 0x08) {
            block += ata.ReadData(width, width);
        }
        blocks.push_back(block);
    }
    return blocks;
}

// Writes a transfer: each time DRQ is up, the next block of blockBytes.
void WriteTransfer(AtaMachine& ata, const std::string& data, size_t blockBytes) {
    for (size_t at = 0; at < data.size() && ata.WaitFor(0, 0) && (ata.AltStatus() & 0x08) != 0; at += blockBytes) {
        ata.WriteData(data.substr(at, blockBytes));
    }
    ata.WaitFor(0, 0);
}

// The three address registers as (cylinder, head, sector) in CHS mode, or the address in LBA mode.
uint32_t Lba(AtaMachine& ata) {
    return ata.Read(kSectorIndexPort) | ata.Read(kCylinderLowPort) << 8 | ata.Read(kCylinderHighPort) << 16 |
           (ata.Read(kDriveHeadPort) & 0x0F) << 24;
}

std::string ImageSectors(AtaMachine& ata, uint64_t lba, uint32_t count) {
    return ata.ImageBytes(0, lba * 512, count * 512u);
}

std::string Pattern(uint8_t seed, size_t bytes) {
    std::string data(bytes, '\0');
    for (size_t at = 0; at < bytes; ++at) {
        data[at] = static_cast<char>(seed + at * 3);
    }
    return data;
}

class AtaCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ata.PowerUp(); }

    // A command to its end, and the interrupt that an abort sends a millisecond later.
    void Complete(uint8_t command) {
        ata.Write(kCommandPort, command);
        ASSERT_TRUE(ata.WaitFor(0, 0));
        ata.RunMilliseconds(2);
    }

    AtaMachine ata;
};

TEST_F(AtaCommandTest, ReadSectorsByCylinderHeadAndSector) {
    ata.AddressChs(1, 2, 3, 2);
    ata.Write(kCommandPort, 0x20);
    const Blocks blocks = ReadTransfer(ata);
    // (1 x 8 + 2) x 17 + 3 - 1.
    EXPECT_EQ(blocks, (Blocks{SectorBytes(172), SectorBytes(173)}));
    EXPECT_EQ(ata.Raises(), 2);
    EXPECT_EQ(ata.Status(), 0x50);
    EXPECT_EQ(ata.Read(kSectorIndexPort), 5u);
    EXPECT_EQ(ata.Read(kDriveHeadPort) & 0x0F, 2u);
    EXPECT_EQ(ata.Read(kCylinderLowPort), 1u);
    EXPECT_EQ(ata.Read(kSectorCountPort), 0u);

    // Over the end of a track and of a cylinder.
    ata.AddressChs(0, 7, 17, 2);
    ata.Write(kCommandPort, 0x20);
    EXPECT_EQ(ReadTransfer(ata, 4), (Blocks{SectorBytes(135), SectorBytes(136)}));
    EXPECT_EQ(ata.Read(kSectorIndexPort), 2u);
    EXPECT_EQ(ata.Read(kDriveHeadPort) & 0x0F, 0u);
    EXPECT_EQ(ata.Read(kCylinderLowPort), 1u);
}

TEST_F(AtaCommandTest, ReadSectorsByLogicalAddressAndACountOfZeroReads256) {
    ata.AddressLba(1000, 2);
    ata.Write(kCommandPort, 0x20);
    EXPECT_EQ(ReadTransfer(ata, 1), (Blocks{SectorBytes(1000), SectorBytes(1001)}));
    EXPECT_EQ(Lba(ata), 1002u);

    ata.requests.clear();
    ata.AddressLba(0, 0);
    ata.Write(kCommandPort, 0x20);
    const Blocks blocks = ReadTransfer(ata, 4);
    ASSERT_EQ(blocks.size(), 256u);
    EXPECT_EQ(blocks.back(), SectorBytes(255));
    EXPECT_EQ(ata.Raises(), 256);
    EXPECT_EQ(Lba(ata), 256u);
}

TEST_F(AtaCommandTest, WrittenSectorsAreInTheImageAtTheirInterrupt) {
    const std::string data = Pattern(7, 3 * 512);
    std::vector<std::string> seen;
    ata.onRaise = [&] { seen.push_back(ImageSectors(ata, 300, 3)); };
    ata.AddressLba(300, 3);
    ata.Write(kCommandPort, 0x30);
    EXPECT_EQ(ata.AltStatus(), 0x58);
    WriteTransfer(ata, data, 512);
    ASSERT_EQ(seen.size(), 3u);
    for (size_t sector = 0; sector < 3; ++sector) {
        EXPECT_EQ(seen[sector].substr(0, (sector + 1) * 512), data.substr(0, (sector + 1) * 512)) << sector;
        EXPECT_EQ(seen[sector].substr((sector + 1) * 512), SectorBytes(301 + sector, static_cast<uint32_t>(2 - sector)))
            << sector;
    }
    EXPECT_EQ(ata.Status(), 0x50);
    EXPECT_EQ(Lba(ata), 303u);
    EXPECT_EQ(ImageSectors(ata, 303, 1), SectorBytes(303));
}

TEST_F(AtaCommandTest, WithImmediateWritesTheDataWriteCompletesTheSector) {
    ata.Controller().SetImmediateWrite(true);
    const std::string data = Pattern(9, 2 * 512);
    ata.AddressLba(400, 2);
    ata.Write(kCommandPort, 0x30);
    ata.WriteData(data.substr(0, 512));
    EXPECT_EQ(ata.Raises(), 1);
    EXPECT_EQ(ata.AltStatus(), 0x58);
    ata.WriteData(data.substr(512));
    EXPECT_EQ(ata.Raises(), 2);
    EXPECT_EQ(ata.AltStatus(), 0x50);
    EXPECT_EQ(ImageSectors(ata, 400, 2), data);
}

TEST_F(AtaCommandTest, ReadMultipleDeliversBlocksOfTheBlockSize) {
    ata.Write(kSectorCountPort, 4);
    Complete(0xC6);
    ata.requests.clear();
    ata.AddressLba(100, 10);
    ata.Write(kCommandPort, 0xC4);
    const Blocks blocks = ReadTransfer(ata);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0], SectorBytes(100, 4));
    EXPECT_EQ(blocks[1], SectorBytes(104, 4));
    EXPECT_EQ(blocks[2], SectorBytes(108, 2));
    EXPECT_EQ(ata.Raises(), 3);
    EXPECT_EQ(Lba(ata), 110u);
}

TEST_F(AtaCommandTest, ReadMultipleAfterStartUsesBlocksOf128) {
    ata.AddressLba(0, 0);
    ata.Write(kCommandPort, 0xC4);
    const Blocks blocks = ReadTransfer(ata);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1], SectorBytes(128, 128));
}

TEST_F(AtaCommandTest, WriteMultipleTakesOneBlockPerInterrupt) {
    ata.Write(kSectorCountPort, 4);
    Complete(0xC6);
    ata.requests.clear();
    const std::string data = Pattern(1, 10 * 512);
    ata.AddressLba(100, 10);
    ata.Write(kCommandPort, 0xC5);
    size_t written = 0;
    for (int32_t block = 0; block < 3; ++block) {
        ASSERT_TRUE(ata.WaitFor(0x08, 0x08)) << block;
        const size_t bytes = std::min<size_t>(4 * 512, data.size() - written);
        ata.WriteData(data.substr(written, bytes));
        written += bytes;
        ASSERT_TRUE(ata.WaitFor(0, 0));
        EXPECT_EQ(ata.Raises(), block + 1);
        EXPECT_EQ(ImageSectors(ata, 100, 10).substr(0, written), data.substr(0, written));
    }
    EXPECT_EQ(ata.Status(), 0x50);
    EXPECT_EQ(ImageSectors(ata, 110, 2), SectorBytes(110, 2));
    EXPECT_EQ(Lba(ata), 110u);
}

TEST_F(AtaCommandTest, SetMultipleTakesUpTo128AndZeroTurnsMultipleModeOff) {
    ata.Write(kSectorCountPort, 0x81);
    Complete(0xC6);
    EXPECT_EQ(ata.Status(), 0x51);
    EXPECT_EQ(ata.Error(), 0x04);
    EXPECT_EQ(ata.Raises(), 1);

    ata.Write(kSectorCountPort, 0);
    Complete(0xC6);
    EXPECT_EQ(ata.Status(), 0x50);
    ata.requests.clear();
    ata.AddressLba(0, 1);
    ata.Write(kCommandPort, 0xC4);
    EXPECT_EQ(ata.AltStatus(), 0x51);
    ata.RunMilliseconds(2);
    EXPECT_EQ(ata.Raises(), 1);
    EXPECT_EQ(ata.Error(), 0x04);
    ata.Write(kCommandPort, 0xC5);
    EXPECT_EQ(ata.AltStatus(), 0x51);
}

struct FailureCase {
    const char* name;
    bool lba;
    uint32_t address;
    uint8_t count;
    size_t sectorsDelivered;
};

TEST_F(AtaCommandTest, AnAddressOutsideTheDiskEndsTheReadWithIdNotFound) {
    const FailureCase cases[] = {
        {"cylinder 306", false, 306 << 16 | 0 << 8 | 1, 1, 0}, {"sector 18", false, 0 << 16 | 0 << 8 | 18, 1, 0},
        {"sector 0", false, 0 << 16 | 0 << 8 | 0, 1, 0},       {"address 41616", true, 41616, 1, 0},
        {"the next address past the end", true, 41615, 2, 1},
    };
    for (const FailureCase& test : cases) {
        SCOPED_TRACE(test.name);
        ata.requests.clear();
        ata.Write(kDriveHeadPort, 0xA0);
        if (test.lba) {
            ata.AddressLba(test.address, test.count);
        } else {
            ata.AddressChs(test.address >> 16, test.address >> 8 & 0xFF, test.address & 0xFF, test.count);
        }
        ata.Write(kCommandPort, 0x20);
        EXPECT_EQ(ReadTransfer(ata).size(), test.sectorsDelivered);
        EXPECT_EQ(ata.Status(), 0x51);
        EXPECT_EQ(ata.Error() & 0x10, 0x10);
        EXPECT_EQ(ata.Raises(), static_cast<int32_t>(test.sectorsDelivered + 1));
        // Nothing more comes of it.
        ata.RunMilliseconds(2);
        EXPECT_EQ(ata.Raises(), static_cast<int32_t>(test.sectorsDelivered + 1));
        EXPECT_EQ(ata.Drive(0).FifoSize(), 0);
    }
}

TEST_F(AtaCommandTest, RefusedCommandsAbortWithAnInterrupt) {
    Complete(0xFF);
    EXPECT_EQ(ata.Status(), 0x51);
    EXPECT_EQ(ata.Error(), 0x05);
    EXPECT_EQ(ata.Raises(), 1);

    ata.Write(kSectorCountPort, 1);
    Complete(0xA0);
    EXPECT_EQ(ata.Status(), 0x51);
    EXPECT_EQ(ata.Read(kSectorCountPort), 3u);
    EXPECT_EQ(ata.Raises(), 2);

    // ATA data commands on the CD drive leave its signature.
    ata.Select(1);
    for (const uint8_t command : {0x20, 0x30, 0x40, 0xC4, 0xC5, 0xEC}) {
        ata.Write(kCylinderLowPort, 0);
        ata.Write(kSectorCountPort, 9);
        Complete(command);
        EXPECT_EQ(ata.Status(), 0x51) << int{command};
        EXPECT_EQ(ata.Error() & 0x04, 0x04) << int{command};
        EXPECT_EQ(ata.Read(kCylinderLowPort), 0x14u) << int{command};
        EXPECT_EQ(ata.Read(kCylinderHighPort), 0xEBu) << int{command};
        EXPECT_EQ(ata.Read(kSectorCountPort), 1u) << int{command};
    }
}

TEST_F(AtaCommandTest, TimedCommandsCompleteWithAnInterrupt) {
    struct TimedCase {
        uint8_t command;
        uint8_t sectorCount;
    };
    const TimedCase cases[] = {{0x10, 5}, {0x1F, 5}, {0x70, 5}, {0x7A, 5},    {0x91, 5},
                               {0xDA, 5}, {0xE7, 5}, {0xEF, 5}, {0xE5, 0xFF}, {0x98, 0xFF}};
    for (const TimedCase& test : cases) {
        ata.requests.clear();
        ata.Write(kSectorCountPort, 5);
        ata.Write(kCommandPort, test.command);
        EXPECT_EQ(ata.AltStatus(), 0xD0) << int{test.command};
        ASSERT_TRUE(ata.WaitFor(0, 0)) << int{test.command};
        EXPECT_EQ(ata.Status(), 0x50) << int{test.command};
        EXPECT_EQ(ata.Raises(), 1) << int{test.command};
        EXPECT_EQ(ata.Read(kSectorCountPort), test.sectorCount) << int{test.command};
    }
}

TEST_F(AtaCommandTest, ReadVerifyChecksEverySectorAndInterruptsOnce) {
    ata.AddressLba(20, 5);
    ata.Write(kCommandPort, 0x40);
    for (int32_t step = 0; step < 1000 && (ata.Read(kControlPort, 1, true) & 0x80) != 0; ++step) {
        EXPECT_EQ(ata.Read(kControlPort, 1, true) & 0x08, 0u);
        ata.Run(20);
    }
    EXPECT_EQ(ata.Status(), 0x50);
    EXPECT_EQ(ata.Raises(), 1);
    EXPECT_EQ(Lba(ata), 25u);
    EXPECT_EQ(ata.Drive(0).FifoSize(), 0);
}

TEST_F(AtaCommandTest, AWriteTheImageRefusesAbortsAndLeavesTheImage) {
    ata.Slot(0)->writeLocked = true;
    ata.AddressLba(50, 2);
    ata.Write(kCommandPort, 0x30);
    ata.WriteData(Pattern(3, 512));
    ASSERT_TRUE(ata.WaitFor(0, 0));
    EXPECT_EQ(ata.Status(), 0x51);
    EXPECT_EQ(ata.Error() & 0x04, 0x04);
    EXPECT_EQ(ata.Raises(), 1);
    EXPECT_EQ(ImageSectors(ata, 50, 1), SectorBytes(50));
    // The drive goes on reading.
    ata.AddressLba(60, 1);
    ata.Write(kCommandPort, 0x20);
    EXPECT_EQ(ReadTransfer(ata), Blocks{SectorBytes(60)});
}

TEST_F(AtaCommandTest, AnImageCutShortAfterMountingGivesUncorrectableData) {
    std::filesystem::resize_file(ata.ImagePath(0), 100 * 512);
    ata.AddressLba(200, 1);
    ata.Write(kCommandPort, 0x20);
    EXPECT_TRUE(ReadTransfer(ata).empty());
    EXPECT_EQ(ata.Status(), 0x51);
    EXPECT_EQ(ata.Error() & 0x40, 0x40);
    EXPECT_EQ(ata.Raises(), 1);
}

// Two characters a word, the first in the high byte.
void PutText(std::array<uint16_t, 256>& words, size_t first, const std::string& text) {
    for (size_t index = 0; index < text.size() / 2; ++index) {
        words[first + index] = static_cast<uint16_t>(static_cast<uint8_t>(text[2 * index]) << 8 |
                                                     static_cast<uint8_t>(text[2 * index + 1]));
    }
}

std::string AsBytes(const std::array<uint16_t, 256>& words) {
    std::string bytes;
    for (const uint16_t word : words) {
        bytes.push_back(static_cast<char>(word & 0xFF));
        bytes.push_back(static_cast<char>(word >> 8));
    }
    return bytes;
}

TEST_F(AtaCommandTest, IdentifyDescribesTheDisk) {
    std::array<uint16_t, 256> words{};
    words[0] = 0x0442;
    words[1] = words[54] = 306;
    words[3] = words[55] = 8;
    words[4] = 512 * 17;
    words[5] = 512;
    words[6] = words[56] = 17;
    PutText(words, 10, "21307392            ");
    words[20] = 1;
    words[21] = 0x0100;
    PutText(words, 23, "12-08-13");
    PutText(words, 27, "ZOV_DISK_IMAGE_20MB                     ");
    words[47] = 0x0080;
    words[48] = 1;
    words[51] = 0x0200;
    words[53] = 1;
    words[57] = words[60] = static_cast<uint16_t>(306 * 8 * 17);
    words[59] = 0x0180;
    words[80] = 0x001E;
    ata.Write(kCommandPort, 0xEC);
    EXPECT_EQ(ReadTransfer(ata), Blocks{AsBytes(words)});
    EXPECT_EQ(ata.Raises(), 1);
    EXPECT_EQ(ata.Status(), 0x50);
}

TEST_F(AtaCommandTest, IdentifyPacketDescribesTheCdDrive) {
    std::array<uint16_t, 256> words{};
    words[0] = 0x8580;
    PutText(words, 23, "12-08-13");
    PutText(words, 27, "ZOV_DISK_IMAGE_1MB                      ");
    words[49] = words[51] = 0x0200;
    words[64] = 1;
    words[65] = words[66] = words[67] = words[68] = 5;
    words[80] = 0x001E;
    ata.Select(1);
    ata.Write(kCommandPort, 0xA1);
    EXPECT_EQ(ReadTransfer(ata), Blocks{AsBytes(words)});
    // A CD drive tells the host once more that the data is through.
    EXPECT_EQ(ata.Raises(), 2);
    EXPECT_EQ(ata.Read(kSectorCountPort), 3u);
    ata.Select(0);
    Complete(0xA1);
    EXPECT_EQ(ata.Status(), 0x51);
    EXPECT_EQ(ata.Read(kCylinderLowPort), 0u);
}

TEST(AtaIdentifyTest, LargeDisksSayTheyTakeLogicalAddresses) {
    for (const auto& [size, word49] : {std::pair<uint64_t, uint16_t>{528482304, 0}, {528998400, 0x0200}}) {
        AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::None, .diskSize = size});
        ata.PowerUp();
        ata.Write(kCommandPort, 0xEC);
        const Blocks blocks = ReadTransfer(ata);
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(static_cast<uint8_t>(blocks[0][98]) | static_cast<uint8_t>(blocks[0][99]) << 8, word49) << size;
    }
}

TEST(AtaIdentifyTest, TheSerialIsTheSizesLow28Bits) {
    AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::None, .diskSize = 314572800});
    EXPECT_EQ(ata.Drive(0).Serial().View(), "46137344            ");
    EXPECT_EQ(ata.Drive(0).Model().View(), "ZOV_DISK_IMAGE_300MB                    ");
}

TEST_F(AtaCommandTest, TheTraceSwitchOfACommandTracesIt) {
    ata.Drive(0).CommandTraces().traceAta[11] = true;
    Complete(0xEC);
    Complete(0xE7);
    EXPECT_EQ(ata.console.Texts(), std::vector<std::string>{"[HDD ATA] =>COMMAND = ECh (identify drive)"});
}

} // namespace
} // namespace emu
