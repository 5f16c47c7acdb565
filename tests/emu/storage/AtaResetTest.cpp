#include "AtaMachine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

using Lines = std::vector<std::string>;

// The registers a drive shows once its reset or diagnostic is over.
struct Signature {
    uint8_t status;
    uint8_t error;
    uint8_t sectorCount;
    uint8_t sectorIndex;
    uint8_t cylinderLow;
    uint8_t cylinderHigh;
    uint8_t driveHead;
    bool operator==(const Signature&) const = default;
};

Signature ReadSignature(AtaMachine& ata, int32_t index) {
    ata.Select(index);
    Signature read{};
    read.status = ata.Status();
    read.error = ata.Error();
    read.sectorCount = static_cast<uint8_t>(ata.Read(kSectorCountPort));
    read.sectorIndex = static_cast<uint8_t>(ata.Read(kSectorIndexPort));
    read.cylinderLow = static_cast<uint8_t>(ata.Read(kCylinderLowPort));
    read.cylinderHigh = static_cast<uint8_t>(ata.Read(kCylinderHighPort));
    // Without the drive bit that selecting it just wrote.
    read.driveHead = static_cast<uint8_t>(ata.Read(kDriveHeadPort) & ~0x10u);
    return read;
}

// The lines about the drives' reset.
Lines ResetLines(AtaMachine& ata) {
    Lines found;
    for (const std::string& line : ata.console.Texts()) {
        if (line.find("RESET") != std::string::npos || line.find("CONTROL") != std::string::npos) {
            found.push_back(line);
        }
    }
    return found;
}

constexpr Signature kDiskSignature{0x50, 0x01, 0x01, 0x01, 0x00, 0x00, 0xA0};
constexpr Signature kCdSignature{0x50, 0x01, 0x01, 0x01, 0x14, 0xEB, 0xA0};

TEST(AtaResetTest, EveryStartResetsBothDrivesForTwoMilliseconds) {
    AtaMachine ata;
    ata.traceAll = 1;
    EXPECT_EQ(ata.AltStatus(), 0x80);
    ata.Run(1500);
    EXPECT_EQ(ata.AltStatus(), 0x80);
    EXPECT_TRUE(ata.Drive(1).IsBusy());
    ata.Run(1500);
    EXPECT_EQ(ata.AltStatus(), 0x50);
    EXPECT_EQ(ata.Controller().SelectedIndex(), 0);
    EXPECT_EQ(ResetLines(ata), (Lines{"[HDC ATA] STOP RESET DRIVES"}));
    ata.traceAll = 0;
    EXPECT_EQ(ReadSignature(ata, 0), kDiskSignature);
    EXPECT_EQ(ReadSignature(ata, 1), kCdSignature);
    EXPECT_EQ(ata.Raises(), 0);
}

TEST(AtaResetTest, SoftResetEndsWhenTheHostReleasesItOrAfterTwoMilliseconds) {
    AtaMachine ata;
    ata.PowerUp();
    ata.Write(kSectorCountPort, 9);
    ata.traceAll = 1;
    ata.Write(kControlPort, 0x04);
    EXPECT_EQ(ata.AltStatus(), 0x80);
    ata.Select(1);
    EXPECT_EQ(ata.AltStatus(), 0x80);
    ata.Run(500);
    ata.Write(kControlPort, 0x00);
    EXPECT_EQ(ReadSignature(ata, 0), kDiskSignature);
    ata.RunMilliseconds(5);
    // The event of the released reset is stale: nothing more happens.
    EXPECT_EQ(ResetLines(ata),
              (Lines{"[HDD ATA] =>CONTROL = 04h (soft reset:1, disable irq:0)", "[HDC ATA] START RESET DRIVES",
                     "[HDD ATA] =>CONTROL = 00h (soft reset:0, disable irq:0)", "[HDC ATA] STOP RESET DRIVES"}));
    ata.console.ClearLines();
    ata.traceAll = 0;

    ata.Write(kControlPort, 0x04);
    ata.Run(1500);
    EXPECT_EQ(ata.AltStatus(), 0x80);
    ata.RunMilliseconds(10);
    EXPECT_EQ(ReadSignature(ata, 1), kCdSignature);
    ata.traceAll = 1;
    ata.Write(kControlPort, 0x00);
    EXPECT_EQ(ResetLines(ata), Lines{"[HDD ATA] =>CONTROL = 00h (soft reset:0, disable irq:0)"});
    EXPECT_EQ(ata.AltStatus(), 0x50);
}

TEST(AtaResetTest, InterruptDisableReachesBothDrivesAndDefersTheRequest) {
    AtaMachine ata;
    ata.PowerUp();
    ata.Write(kControlPort, 0x02);
    // Drive 1 heard it too: its completion waits.
    ata.Select(1);
    ata.Write(kCommandPort, 0xA1);
    ata.RunMilliseconds(5);
    EXPECT_EQ(ata.Raises(), 0);
    EXPECT_EQ(ata.AltStatus(), 0x58);
    ata.Write(kControlPort, 0x00);
    EXPECT_EQ(ata.Raises(), 0);
    ata.Run(300);
    EXPECT_EQ(ata.Raises(), 1);
    ata.RunMilliseconds(5);
    EXPECT_EQ(ata.Raises(), 1);
}

TEST(AtaResetTest, DiagnosticWithoutDrivesDoesNothing) {
    AtaMachine ata({.drive0 = Media::None, .drive1 = Media::None});
    ata.PowerUp();
    ata.traceAll = 1;
    ata.Write(kCommandPort, 0x90);
    ata.RunMilliseconds(200);
    EXPECT_TRUE(ata.console.Texts().empty());
    EXPECT_EQ(ata.Raises(), 0);
}

struct DiagnosticCase {
    const char* name;
    AtaLayout layout;
    int32_t selectedBefore;
    int32_t selectedAfter;
};

TEST(AtaResetTest, DiagnosticEndsOnThePresentDrivesAndSelectsALoneOne) {
    const DiagnosticCase cases[] = {
        {"both", {}, 1, 1},
        {"only drive 1", {.drive0 = Media::Empty, .drive1 = Media::Disk}, 0, 1},
        {"only drive 0, drive 1 selected", {.drive0 = Media::Disk, .drive1 = Media::Empty}, 1, 0},
    };
    for (const DiagnosticCase& test : cases) {
        SCOPED_TRACE(test.name);
        AtaMachine ata(test.layout);
        ata.PowerUp();
        ata.Select(test.selectedBefore);
        ata.Write(kErrorPort, 0);
        ata.Write(kSectorCountPort, 0x33);
        ata.traceAll = 1;
        ata.Write(kCommandPort, 0x90);
        ata.traceAll = 0;
        ata.RunMilliseconds(30);
        EXPECT_EQ(ata.Raises(), 0);
        ata.RunMilliseconds(60);
        EXPECT_EQ(ata.Raises(), 1);
        EXPECT_EQ(ata.Controller().SelectedIndex(), test.selectedAfter);
        for (int32_t index = 0; index < 2; ++index) {
            if (ata.Drive(index).IsPresent()) {
                EXPECT_EQ(ata.Drive(index).Status(), 0x50) << index;
                EXPECT_EQ(ata.Drive(index).Error(), 0x01) << index;
            }
        }
        const std::vector<std::string> lines = ata.console.Texts();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "[HDC ATA] START DIAGNOSE DRIVES");
    }
}

TEST(AtaResetTest, DiagnosticDuringTheStartResetEndsItInstead) {
    AtaMachine ata;
    ata.traceAll = 1;
    ata.Write(kCommandPort, 0x90);
    ata.RunMilliseconds(100);
    EXPECT_EQ(ata.console.Texts(),
              (Lines{"[HDD ATA] =>COMMAND = 90h (drives diagnostic)", "[HDD ATA] =>COMMAND = 90h (drives diagnostic)",
                     "[HDC ATA] START DIAGNOSE DRIVES", "[HDC ATA] STOP DIAGNOSE DRIVES"}));
    ata.traceAll = 0;
    EXPECT_EQ(ReadSignature(ata, 0), kDiskSignature);
    EXPECT_EQ(ReadSignature(ata, 1), kCdSignature);
    EXPECT_EQ(ata.Raises(), 1);
}

TEST(AtaResetTest, StatusWithdrawsTheRequestAndMakesAPendingOneStale) {
    AtaMachine ata;
    ata.PowerUp();
    // An unknown command aborts with an interrupt a millisecond later.
    ata.Write(kCommandPort, 0xFF);
    EXPECT_EQ(ata.Status(), 0x51);
    ata.RunMilliseconds(3);
    EXPECT_EQ(ata.Raises(), 0);

    ata.requests.clear();
    ata.Write(kCommandPort, 0xFF);
    EXPECT_EQ(ata.Read(kControlPort), 0x51u);
    EXPECT_EQ(ata.Read(kStatusPort, 1, true), 0x51u);
    ata.RunMilliseconds(3);
    EXPECT_EQ(ata.requests, (std::vector<uint8_t>{0, 1}));
    ata.Status();
    EXPECT_EQ(ata.requests, (std::vector<uint8_t>{0, 1, 0}));
    // ABRT beside the reset's 01h.
    EXPECT_EQ(ata.Error(), 0x05);
}

TEST(AtaResetTest, ADriveThatIsNotSelectedNeverRaises) {
    AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::Disk});
    ata.PowerUp();
    ata.Write(kCommandPort, 0x10);
    ata.Select(1);
    ASSERT_EQ(ata.Controller().SelectedIndex(), 1);
    ata.RunMilliseconds(100);
    EXPECT_FALSE(ata.Drive(0).IsBusy());
    EXPECT_EQ(ata.Raises(), 0);
}

TEST(AtaResetTest, DeviceResetOfTheCdDriveLoadsItsSignatureAndInterrupts) {
    AtaMachine ata;
    ata.PowerUp();
    ata.Select(1);
    ata.Write(kCylinderLowPort, 0x00);
    ata.Write(kCommandPort, 0xA0);
    EXPECT_EQ(ata.AltStatus(), 0x58);
    ata.Write(kCommandPort, 0x08);
    EXPECT_EQ(ata.AltStatus(), 0x50);
    EXPECT_EQ(ata.Drive(1).FifoSize(), 0);
    ata.RunMilliseconds(2);
    EXPECT_EQ(ata.Raises(), 1);
    EXPECT_EQ(ReadSignature(ata, 1), kCdSignature);
    // A hard disk refuses it.
    ata.Select(0);
    ata.Write(kCommandPort, 0x08);
    EXPECT_EQ(ata.Status(), 0x51);
    EXPECT_EQ(ata.Error(), 0x05);
}

} // namespace
} // namespace emu
