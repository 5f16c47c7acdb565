#include "AtaMachine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace emu {
namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

// What the host saw of one packet command: the data of each DRQ phase with the byte count it announced, and the
// registers at the status phase.
struct Outcome {
    std::vector<Bytes> chunks;
    std::vector<uint32_t> byteCounts;
    uint8_t status = 0;
    uint8_t error = 0;
    uint8_t reason = 0;
    int32_t raises = 0;

    Bytes Data() const {
        Bytes all;
        for (const Bytes& chunk : chunks) {
            all.insert(all.end(), chunk.begin(), chunk.end());
        }
        return all;
    }
};

Bytes AsBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class AtapiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ata.PowerUp();
        ata.Select(1);
    }

    // PACKET with the byte count limit, the 12 bytes through DATA in accesses of the width, then every data
    // phase read out word by word, as the byte count says.
    Outcome Run(const Bytes& packet, uint32_t byteCount = 0, uint32_t width = 2) {
        Outcome outcome;
        ata.Write(kCylinderLowPort, byteCount & 0xFF);
        ata.Write(kCylinderHighPort, byteCount >> 8 & 0xFF);
        ata.requests.clear();
        ata.Write(kCommandPort, 0xA0);
        EXPECT_EQ(ata.AltStatus(), 0x58);
        EXPECT_EQ(ata.Read(kSectorCountPort), 1u);
        Bytes padded = packet;
        padded.resize(12);
        for (size_t at = 0; at < padded.size(); at += width) {
            // Nothing runs before the twelfth byte.
            EXPECT_EQ(ata.Drive(1).FifoSize(), static_cast<int64_t>(at));
            uint32_t value = 0;
            for (uint32_t byte = 0; byte < width; ++byte) {
                value |= static_cast<uint32_t>(padded[at + byte]) << (8 * byte);
            }
            ata.Write(kData, value, width);
        }
        while (ata.WaitFor(0, 0) && (ata.AltStatus() & 0x08) != 0) {
            EXPECT_EQ(ata.Read(kSectorCountPort), 2u);
            const uint32_t count = ata.Read(kCylinderLowPort) | ata.Read(kCylinderHighPort) << 8;
            outcome.byteCounts.push_back(count);
            Bytes chunk;
            while (chunk.size() < count) {
                const uint32_t word = ata.Read(kData, 2);
                chunk.push_back(static_cast<uint8_t>(word));
                chunk.push_back(static_cast<uint8_t>(word >> 8));
            }
            chunk.resize(count);
            outcome.chunks.push_back(chunk);
        }
        outcome.reason = static_cast<uint8_t>(ata.Read(kSectorCountPort));
        outcome.error = ata.Error();
        outcome.raises = ata.Raises();
        outcome.status = ata.Status();
        return outcome;
    }

    void ExpectStatusPhase(const Outcome& outcome) {
        EXPECT_TRUE(outcome.chunks.empty());
        EXPECT_EQ(outcome.status, 0x50);
        EXPECT_EQ(outcome.error, 0x00);
        EXPECT_EQ(outcome.reason, 3);
        EXPECT_EQ(outcome.raises, 1);
    }

    void ExpectFailure(const Outcome& outcome) {
        EXPECT_EQ(outcome.status, 0x51);
        EXPECT_EQ(outcome.error, 0x04);
        EXPECT_EQ(outcome.reason, 3);
        EXPECT_EQ(ata.Drive(1).FifoSize(), 0);
        const Outcome sense = Run({0x03});
        EXPECT_EQ(sense.Data(), (Bytes{0x70, 0, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0, 0, 0, 0, 0}));
    }

    // One reply whose every byte came in a single data phase, and then the status phase.
    void ExpectReply(const Outcome& outcome, const Bytes& reply) {
        ASSERT_EQ(outcome.chunks.size(), 1u);
        EXPECT_EQ(outcome.chunks[0], reply);
        EXPECT_EQ(outcome.byteCounts[0], reply.size());
        EXPECT_EQ(outcome.status, 0x50);
        EXPECT_EQ(outcome.reason, 3);
        EXPECT_EQ(outcome.raises, 2);
    }

    AtaMachine ata;
};

TEST_F(AtapiTest, CommandsWithoutDataGoStraightToStatus) {
    for (const uint8_t opcode : {0x00, 0x01, 0x1B, 0x1E, 0x2B}) {
        SCOPED_TRACE(int{opcode});
        ExpectStatusPhase(Run({opcode}));
    }
}

TEST_F(AtapiTest, APacketRunsOnItsLastWordOrDoubleWord) {
    ExpectReply(Run({0x12, 0, 0, 0, 5}, 0, 4), {0x05, 0x80, 0x00, 0x21, 0x1F});
    ExpectReply(Run({0x12, 0, 0, 0, 5}, 0, 2), {0x05, 0x80, 0x00, 0x21, 0x1F});
}

TEST_F(AtapiTest, InquiryNamesTheDriveWithinTheAllocation) {
    const Bytes full = {0x05, 0x80, 0x00, 0x21, 0x1F, 0x00, 0x00, 0x00, 'Z', 'O', 'V', '/',
                        'B',  'K',  ' ',  ' ',  'Z',  'O',  'V',  '/',  'A', 'T', ' ', 'C',
                        'D',  '-',  'D',  'R',  'I',  'V',  'E',  ' ',  '1', '.', '0', '0'};
    ExpectReply(Run({0x12, 0, 0, 0, 0xFF}), full);
    ExpectStatusPhase(Run({0x12, 0, 0, 0, 0}));
}

TEST_F(AtapiTest, AFailedPacketLeavesItsSenseForOneRequestSense) {
    const Outcome failed = Run({0x55});
    EXPECT_TRUE(failed.chunks.empty());
    EXPECT_EQ(failed.raises, 1);
    ExpectFailure(failed);
    // The sense went with the REQUEST SENSE that read it.
    ExpectReply(Run({0x03}), Bytes(18, 0));
}

TEST_F(AtapiTest, ReadCapacityAnswersTheNumberOfBlocks) {
    ExpectReply(Run({0x25}), {0x00, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x08, 0x00});
}

TEST(AtapiSizeTest, ReadCapacityRoundsAPartBlockDown) {
    AtaMachine ata({.drive0 = Media::Cd, .drive1 = Media::None, .cdSize = 1000000});
    ata.PowerUp();
    ata.Write(kCylinderLowPort, 0);
    ata.Write(kCommandPort, 0xA0);
    ata.WriteData(std::string("\x25\0\0\0\0\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(ata.ReadData(8), std::string("\x00\x00\x01\xE8\x00\x00\x08\x00", 8));
}

TEST_F(AtapiTest, ReadDeliversChunksOfTheByteCountEachWithAnInterrupt) {
    const Outcome small = Run({0x28, 0, 0, 0, 0, 5, 0, 0, 10});
    EXPECT_EQ(small.chunks.size(), 20u);
    EXPECT_EQ(small.byteCounts, std::vector<uint32_t>(20, 1024));
    EXPECT_EQ(small.Data(), AsBytes(BlockBytes(5, 10)));
    EXPECT_EQ(small.raises, 21);
    EXPECT_EQ(small.status, 0x50);
    EXPECT_EQ(small.reason, 3);

    const Outcome large = Run({0x28, 0, 0, 0, 0, 5, 0, 0, 10}, 0xFFFF);
    EXPECT_EQ(large.byteCounts, (std::vector<uint32_t>{16384, 4096}));
    EXPECT_EQ(large.Data(), AsBytes(BlockBytes(5, 10)));
    EXPECT_EQ(large.raises, 3);

    const Outcome odd = Run({0x28, 0, 0, 0, 0, 0, 0, 0, 3}, 3000);
    EXPECT_EQ(odd.byteCounts, (std::vector<uint32_t>{3000, 3000, 144}));
    EXPECT_EQ(odd.Data(), AsBytes(BlockBytes(0, 3)));
}

TEST_F(AtapiTest, ReadTwelveAndReadCdTakeTheirOwnCountFields) {
    const Outcome twelve = Run({0xA8, 0, 0, 0, 0x03, 0xE0, 0, 0, 0, 8}, 0x4000);
    EXPECT_EQ(twelve.Data(), AsBytes(BlockBytes(992, 8)));
    const Outcome cd = Run({0xBE, 0, 0, 0, 0, 1, 0, 0, 2, 0xF8}, 0x4000);
    EXPECT_EQ(cd.Data(), AsBytes(BlockBytes(1, 2)));
    ExpectStatusPhase(Run({0x28, 0, 0, 0, 0, 1, 0, 0, 0}));
}

TEST_F(AtapiTest, ReadsPastTheMediumFailAtOnce) {
    const Bytes packets[] = {
        {0x28, 0, 0, 0, 0x03, 0xE0, 0, 0, 9},
        {0x28, 0, 0x00, 0x20, 0x00, 0x00, 0, 0, 1},
        {0xA8, 0, 0, 0, 0, 0, 0x00, 0x20, 0x00, 0x00},
        {0xA8, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 1},
    };
    for (const Bytes& packet : packets) {
        const Outcome outcome = Run(packet, 0x4000);
        EXPECT_TRUE(outcome.chunks.empty());
        EXPECT_EQ(outcome.raises, 1);
        ExpectFailure(outcome);
    }
}

TEST_F(AtapiTest, AnImageCutShortDuringAReadEndsItWithAnError) {
    ata.Write(kCylinderLowPort, 0x00);
    ata.Write(kCylinderHighPort, 0x08);
    ata.Write(kCommandPort, 0xA0);
    ata.WriteData(std::string("\x28\0\0\0\0\0\0\0\x04\0\0\0", 12));
    EXPECT_EQ(ata.ReadData(2048), BlockBytes(0));
    std::filesystem::resize_file(ata.ImagePath(1), 3000);
    ata.requests.clear();
    ata.ReadData(2048);
    EXPECT_EQ(ata.Raises(), 1);
    EXPECT_EQ(ata.AltStatus(), 0x51);
    EXPECT_EQ(ata.Read(kSectorCountPort), 3u);
    EXPECT_EQ(ata.Error(), 0x04);
    EXPECT_EQ(ata.Drive(1).FifoSize(), 0);
}

TEST_F(AtapiTest, ReadTocOfEveryFormat) {
    struct TocCase {
        const char* name;
        Bytes packet;
        Bytes reply;
    };
    const TocCase cases[] = {
        {"tracks, MSF", {0x43, 0x02, 0, 0, 0, 0, 0, 0, 0xFF, 0x00}, {0x00, 0x12, 0x01, 0x01, 0x00, 0x14, 0x01,
                                                                     0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x14,
                                                                     0xAA, 0x00, 0x00, 0x00, 0x0F, 0x19}},
        {"tracks, LBA", {0x43, 0x00, 0, 0, 0, 0, 0, 0, 0xFF, 0x00}, {0x00, 0x12, 0x01, 0x01, 0x00, 0x14, 0x01,
                                                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14,
                                                                     0xAA, 0x00, 0x00, 0x00, 0x03, 0xE8}},
        {"from track 2", {0x43, 0x00, 0, 0, 0, 0, 2, 0, 0xFF, 0x00}, {0x00, 0x12, 0x01, 0x01, 0x00, 0x14, 0x02,
                                                                      0x00, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x14,
                                                                      0xAA, 0x00, 0x00, 0x00, 0x03, 0xE8}},
        {"from track 65", {0x43, 0x00, 0, 0, 0, 0, 65, 0, 0xFF, 0x00}, {0x00, 0x12, 0x01, 0x01, 0x00, 0x14, 0x41,
                                                                        0x00, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x14,
                                                                        0xAA, 0x00, 0x00, 0x00, 0x03, 0xE8}},
        {"lead-out only",
         {0x43, 0x00, 0, 0, 0, 0, 0xAA, 0, 0xFF, 0x00},
         {0x00, 0x0A, 0x01, 0x01, 0x00, 0x14, 0xAA, 0x00, 0x00, 0x00, 0x03, 0xE8}},
        {"session", {0x43, 0x00, 0, 0, 0, 0, 0, 0, 0xFF, 0x40}, {0x00, 0x0A, 0x01, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"full, LBA",
         {0x43, 0x00, 0, 0, 0, 0, 0, 0, 0xFF, 0x80},
         {0x00, 0x2E, 0x01, 0x01, 0x01, 0x14, 0x00, 0xA0, 0,    0, 0,    0,    0,    0,    0, 0x01,
          0x14, 0x00, 0xA1, 0,    0,    0,    0,    0,    0,    0, 0x01, 0x14, 0x00, 0xA2, 0, 0,
          0,    0,    0,    0x03, 0xE8, 0x01, 0x14, 0x00, 0x01, 0, 0,    0,    0,    0,    0, 0}},
        {"full, MSF",
         {0x43, 0x02, 0, 0, 0, 0, 0, 0, 0xFF, 0x80},
         {0x00, 0x2E, 0x01, 0x01, 0x01, 0x14, 0x00, 0xA0, 0,    0, 0,    0,    0,    0,    0, 0x01,
          0x14, 0x00, 0xA1, 0,    0,    0,    0,    0,    0,    0, 0x01, 0x14, 0x00, 0xA2, 0, 0,
          0,    0,    0,    0x0F, 0x19, 0x01, 0x14, 0x00, 0x01, 0, 0,    0,    0,    0,    0, 0}},
        {"header only", {0x43, 0x00, 0, 0, 0, 0, 0, 0, 0xFF, 0xC0}, {0x00, 0x02, 0x01, 0x01}},
        {"cut to the allocation", {0x43, 0x02, 0, 0, 0, 0, 0, 0, 6, 0x00}, {0x00, 0x12, 0x01, 0x01, 0x00, 0x14}},
    };
    for (const TocCase& test : cases) {
        SCOPED_TRACE(test.name);
        ExpectReply(Run(test.packet), test.reply);
    }
    ExpectFailure(Run({0x43, 0x00, 0, 0, 0, 0, 100, 0, 0xFF, 0x00}));
}

TEST_F(AtapiTest, ModeSenseGivesEachPageBehindItsHeader) {
    const Bytes recovery = {0x00, 0x0E, 0x11, 0, 0, 0, 0, 0, 0x01, 0x06, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00};
    const Bytes cdrom = {0x00, 0x0E, 0x11, 0, 0, 0, 0, 0, 0x0D, 0x06, 0x00, 0x01, 0x00, 0x3C, 0x00, 0x4B};
    const Bytes audio = {0x00, 0x16, 0x11, 0,    0,    0,    0,    0,    0x0E, 0x0E, 0x04, 0x00,
                         0x00, 0x00, 0x00, 0x4B, 0x01, 0xFF, 0x02, 0xFF, 0x00, 0x00, 0x00, 0x00};
    const Bytes capabilities = {0x00, 0x1A, 0x11, 0,    0,    0,    0,    0,    0x2A, 0x12, 0x3B, 0x00, 0x30, 0x00,
                                0x00, 0x00, 0x0B, 0x08, 0x00, 0x02, 0x00, 0x00, 0x0B, 0x08, 0x00, 0x00, 0x00, 0x00};
    const Bytes vendor = {0x00, 0x0D, 0x11, 0, 0, 0, 0, 0, 0x00, 0x05, 'Z', 'O', 'V', 'B', 'K'};
    Bytes all;
    for (const Bytes* page : {&recovery, &cdrom, &audio, &capabilities, &vendor}) {
        all.insert(all.end(), page->begin(), page->end());
    }
    ASSERT_EQ(all.size(), 99u);
    ata.traceAll = 1;
    ExpectReply(Run({0x5A, 0, 0x3F, 0, 0, 0, 0, 0xFF, 0xFF}), all);
    ExpectReply(Run({0x1A, 0, 0x81, 0, 0xFF}), recovery);
    ExpectReply(Run({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 10}), Bytes(capabilities.begin(), capabilities.begin() + 10));
    ExpectReply(Run({0x1A, 0, 0x0E, 0, 0xFF}), audio);
    ExpectReply(Run({0x1A, 0, 0x0D, 0, 0xFF}), cdrom);
    ExpectReply(Run({0x1A, 0, 0x00, 0, 0xFF}), vendor);
    ata.console.ClearLines();
    const Outcome failed = Run({0x1A, 0, 0x05, 0, 0xFF});
    Lines packetLines;
    for (const std::string& line : ata.console.Texts()) {
        if (line.find("ATAPI_CMD") != std::string::npos) {
            packetLines.push_back(line);
        }
    }
    EXPECT_EQ(packetLines,
              Lines{"[HDD ATA] ATAPI_CMD = 5Ah (MODE SENSE - get current values from Reserved page size=255)"});
    ata.traceAll = 0;
    ExpectFailure(failed);
}

TEST_F(AtapiTest, SubChannelConfigurationAndEventsHaveFixedReplies) {
    ExpectReply(Run({0x42, 0, 0x40, 0x01, 0, 0, 0, 0, 16}), {0x00, 0x15, 0x00, 0x00});
    ExpectReply(Run({0x42, 0, 0x40, 0x01, 0, 0, 0, 0, 2}), {0x00, 0x15});
    ExpectReply(Run({0x46, 0, 0, 0, 0, 0, 0, 0, 0xFF}),
                {0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x03, 0x00});
    ExpectStatusPhase(Run({0x46, 0, 0, 1, 0, 0, 0, 0, 0xFF}));
    ExpectReply(Run({0x4A, 1, 0, 0, 0x10, 0, 0, 0, 2}), {0x00, 0x06, 0x04, 0x00, 0x00, 0x02, 0x00, 0x00});
}

TEST_F(AtapiTest, PacketLinesNameTheCommandAndItsFields) {
    ata.traceAll = 1;
    Run({0x00});
    Run({0x03});
    Run({0x25});
    Run({0x28, 0, 0, 0, 0, 5, 0, 0, 2}, 0x800);
    Run({0xBE, 0, 0, 0, 0, 7, 0, 0, 0});
    Run({0x2B, 0, 0, 0, 1, 0});
    Run({0x42, 0, 0x40, 0x02, 0, 0, 0, 0, 16});
    Run({0x43, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x80});
    Run({0x46, 0, 0, 2});
    Run({0x4A});
    Run({0x5A, 0, 0x7F, 0, 0, 0, 0, 0x01, 0x00});
    Run({0x12, 0, 0, 0, 0});
    Run({0x1B});
    Run({0x01});
    Run({0x1E});
    Run({0x55});
    Lines packetLines;
    for (const std::string& line : ata.console.Texts()) {
        if (line.find("ATAPI") != std::string::npos) {
            packetLines.push_back(line);
        }
    }
    const Lines expected = {
        "[HDD ATA] ATAPI_CMD = 00h (TEST UNIT READY - check if ready)",
        "[HDD ATA] ATAPI_CMD = 03h (REQUEST SENSE, last error code=00h)",
        "[HDD ATA] ATAPI_CMD = 25h (READ drive CAPACITY, sect.count=1000, sect.size=2048)",
        "[HDD ATA] ATAPI_CMD = 28h (READ DATA, sect.index=5, sect.count=2)",
        "[HDD ATA] <=NEXT ATAPI CHUNK (todo count=0)",
        "[HDD ATA] ATAPI_CMD = BEh (READ CD, sect.index=7, sect.count=0)",
        "[HDD ATA] ATAPI_CMD = 2Bh (SEEK to sector 256)",
        "[HDD ATA] ATAPI_CMD = 42h (READ SUB-CHANNEL, Media catalog number data)",
        "[HDD ATA] ATAPI_CMD = 43h (READ TOC, format=2)",
        "[HDD ATA] ATAPI_CMD = 46h (GET CONFIGURATION, feature=2)",
        "[HDD ATA] ATAPI_CMD = 4Ah (GET EVENT/STATUS Notification)",
        "[HDD ATA] ATAPI_CMD = 5Ah (MODE SENSE - get changable values from ALL page size=256)",
        "[HDD ATA] ATAPI_CMD = 12h (INQUIRY drive configuration)",
        "[HDD ATA] ATAPI_CMD = 1Bh (START/STOP UNIT - start/stop/eject/load)",
        "[HDD ATA] ATAPI_CMD = 01h (REZERO UNIT - seek to zero)",
        "[HDD ATA] ATAPI_CMD = 1Eh (PREVENT/ALLOW MEDIA REMOVAL)",
        "[HDD ATA] ATAPI_CMD = 55h (unknown command, aborted)",
    };
    EXPECT_EQ(packetLines, expected);
}

TEST_F(AtapiTest, TheCommandsSwitchesTraceOnlyTheirRows) {
    ata.Drive(1).CommandTraces().traceAtapi[7] = true;
    Run({0x28, 0, 0, 0, 0, 1, 0, 0, 1}, 0x800);
    Run({0xA8, 0, 0, 0, 0, 1, 0, 0, 0, 0});
    Run({0xBE, 0, 0, 0, 0, 1, 0, 0, 0});
    Run({0x25});
    EXPECT_EQ(ata.console.Texts(), (Lines{"[HDD ATA] ATAPI_CMD = 28h (READ DATA, sect.index=1, sect.count=1)",
                                          "[HDD ATA] ATAPI_CMD = 28h (READ DATA, sect.index=1, sect.count=0)"}));
}

TEST_F(AtapiTest, DataWritesOutsideAPacketOrWhileBusyAreIgnored) {
    ata.Write(kData, 0x1234, 2);
    EXPECT_EQ(ata.Drive(1).FifoSize(), 0);
    EXPECT_EQ(ata.Read(kData, 2), 0x50u);
}

} // namespace
} // namespace emu
