#include "emu/storage/AtaController.h"

#include "AtaMachine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

using Lines = std::vector<std::string>;

struct GeometryCase {
    uint64_t size;
    uint64_t cylinders;
    uint64_t heads;
    uint64_t sectors;
};

TEST(AtaControllerTest, HardDiskImagesTakeTheGeometryOfTheirSize) {
    const GeometryCase cases[] = {
        {10653696, 306, 4, 17},
        {21307392, 306, 8, 17},
        {21411840, 615, 4, 17},
        {31900160, 733, 5, 17},
        {32117760, 615, 6, 17},
        {32169984, 462, 8, 17},
        {33546240, 65, 16, 63},
        {37209600, 855, 5, 17},
        {49090560, 940, 6, 17},
        {52093440, 855, 7, 17},
        {64339968, 924, 8, 17},
        {65454080, 940, 8, 17},
        {67092480, 130, 16, 63},
        {101941248, 732, 16, 17},
        {104767488, 203, 16, 63},
        {117504000, 900, 15, 17},
        {268369920, 520, 16, 63},
        {314302464, 609, 16, 63},
        {528482304, 1024, 16, 63},
        // From 504 MiB on, any whole number of 16 x 63 cylinders.
        {1056964608, 2048, 16, 63},
    };
    for (const GeometryCase& expected : cases) {
        AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::None, .diskSize = expected.size});
        const AtaDrive& drive = ata.Drive(0);
        EXPECT_TRUE(drive.IsPresent()) << expected.size;
        EXPECT_EQ(drive.Cylinders(), expected.cylinders) << expected.size;
        EXPECT_EQ(drive.Heads(), expected.heads) << expected.size;
        EXPECT_EQ(drive.Sectors(), expected.sectors) << expected.size;
        EXPECT_EQ(drive.SectorSize(), 512u) << expected.size;
    }
}

TEST(AtaControllerTest, OtherSizesAreRefusedAndCdImagesTakeOneByte) {
    for (const uint64_t size : {uint64_t{528482305}, uint64_t{100000000}, uint64_t{512}}) {
        AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::None, .diskSize = size});
        ata.PowerUp();
        EXPECT_FALSE(ata.Drive(0).IsPresent()) << size;
        EXPECT_EQ(ata.Status(), 0x00) << size;
    }
    AtaMachine cd({.drive0 = Media::Cd, .drive1 = Media::None, .cdSize = 1000000});
    EXPECT_TRUE(cd.Drive(0).IsPresent());
    EXPECT_EQ(cd.Drive(0).Cylinders() * cd.Drive(0).Heads() * cd.Drive(0).Sectors() * cd.Drive(0).SectorSize(), 1u);
    AtaMachine empty({.drive0 = Media::Cd, .drive1 = Media::None, .cdSize = 0});
    EXPECT_FALSE(empty.Drive(0).IsPresent());
}

TEST(AtaControllerTest, WithoutDrivesEveryRegisterReadsZeroAndDriveHeadItsShadow) {
    AtaMachine ata({.drive0 = Media::None, .drive1 = Media::None});
    ata.PowerUp();
    for (const uint32_t port : {kData, kErrorPort, kSectorCountPort, kSectorIndexPort, kCylinderLowPort,
                                kCylinderHighPort, kStatusPort, kControlPort, kDriveAddressPort}) {
        EXPECT_EQ(ata.Read(port, 2), 0u) << port;
    }
    EXPECT_EQ(ata.Read(kDriveHeadPort, 4), 0xA0u);
    ata.Write(kDriveHeadPort, 0x10);
    EXPECT_EQ(ata.Read(kDriveHeadPort), 0xB0u);
    EXPECT_EQ(ata.Controller().SelectedIndex(), 1);
    ata.Write(kCommandPort, 0xEC);
    ata.Write(kData, 0x1234, 2);
    EXPECT_EQ(ata.Read(kStatusPort), 0u);
}

TEST(AtaControllerTest, ReadsAnswerOnlyTheWidthsOfOneTwoAndFourBytes) {
    AtaMachine ata;
    ata.PowerUp();
    auto* controller = static_cast<Device*>(&ata.Controller());
    uint8_t value[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_TRUE(AtaController::ReadPort(controller, kErrorPort, 2, value, 0));
    EXPECT_EQ(value[0], 0x01);
    EXPECT_EQ(value[1], 0x00);
    EXPECT_EQ(value[2], 0xEE);
    for (const uint32_t size : {3u, 8u}) {
        EXPECT_FALSE(AtaController::ReadPort(controller, kErrorPort, size, value, 0)) << size;
        EXPECT_FALSE(AtaController::ReadPort(controller, kStatusPort, size, value, 0)) << size;
        EXPECT_FALSE(AtaController::ReadControlBlock(controller, kControlPort, size, value, 0)) << size;
    }
    EXPECT_FALSE(AtaController::WritePort(controller, kSectorCountPort, 8, value));
    // The control block answers two ports; a write to the second is taken and does nothing.
    EXPECT_FALSE(AtaController::ReadControlBlock(controller, kControlPort + 2, 1, value, 0));
    const uint8_t reset = 0x04;
    EXPECT_TRUE(AtaController::WriteControlPort(controller, kDriveAddressPort, 1, &reset));
    EXPECT_EQ(ata.Status(), 0x50);
}

TEST(AtaControllerTest, DriveHeadMovesTheSelectionEvenToAMissingDrive) {
    AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::None});
    ata.PowerUp();
    ata.Write(kDriveHeadPort, 0xF3);
    EXPECT_EQ(ata.Controller().SelectedIndex(), 1);
    EXPECT_EQ(ata.Status(), 0x00);
    EXPECT_EQ(ata.Read(kDriveHeadPort), 0xF3);
    ata.Write(kSectorCountPort, 7);
    ata.Write(kDriveHeadPort, 0xE5);
    EXPECT_EQ(ata.Status(), 0x50);
    EXPECT_EQ(ata.Read(kDriveHeadPort), 0xE5);
    // The missing drive's write still reached the other one, silently.
    EXPECT_EQ(ata.Read(kSectorCountPort), 7u);
}

TEST(AtaControllerTest, ParameterWritesReachBothDrivesUnlessBusy) {
    AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::Disk});
    ata.PowerUp();
    ata.traceAll = 1;
    ata.Write(kSectorCountPort, 0x05);
    ata.Write(kCylinderLowPort, 0x34);
    ata.Write(kCylinderHighPort, 0x12);
    EXPECT_EQ(ata.console.Texts(), (Lines{"[HDD ATA] =>SECTOR_COUNT = 05h (process 5 sectors)",
                                          "[HDD ATA] =>CYLINDER_LOW = 34h (cylinder=52)",
                                          "[HDD ATA] =>CYLINDER_HIGH = 12h (cylinder=4660)"}));
    EXPECT_EQ(ata.Drive(1).Cylinder(), 0x1234);
    ata.traceAll = 0;
    ata.Select(1);
    EXPECT_EQ(ata.Read(kSectorCountPort), 5u);

    // RECALIBRATE keeps drive 1 busy for 1/15 s.
    ata.Write(kCommandPort, 0x10);
    EXPECT_TRUE(ata.Drive(1).IsBusy());
    ata.Write(kSectorCountPort, 0x09);
    ata.Write(kCylinderLowPort, 0x77);
    for (const uint32_t port :
         {kErrorPort, kSectorCountPort, kSectorIndexPort, kCylinderLowPort, kCylinderHighPort, kDriveHeadPort}) {
        EXPECT_EQ(ata.Read(port), 0xD0u) << port;
    }
    EXPECT_EQ(ata.Drive(0).Cylinder(), 0x1277);
    ASSERT_TRUE(ata.WaitFor(0, 0));
    EXPECT_EQ(ata.Read(kSectorCountPort), 5u);
    EXPECT_EQ(ata.Drive(1).Cylinder(), 0x1234);
    ata.Select(0);
    EXPECT_EQ(ata.Read(kSectorCountPort), 9u);
}

TEST(AtaControllerTest, AWriteWhoseLineBreaksIsDroppedForBothDrives) {
    AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::Disk});
    ata.PowerUp();
    ata.ram.BreakOnReports(true);
    ata.Controller().RegisterTraces(0).writeBreak[ata::kSectorCount] = true;
    ata.Write(kSectorCountPort, 0x05);
    EXPECT_EQ(ata.console.Texts(), Lines{"[HDD ATA BREAK] =>SECTOR_COUNT = 05h (process 5 sectors)"});
    EXPECT_EQ(ata.Read(kSectorCountPort), 1u);
    ata.Select(1);
    EXPECT_EQ(ata.Read(kSectorCountPort), 1u);
    // A break on DRIVE_HEAD keeps the selection.
    ata.Controller().RegisterTraces(0).writeBreak[ata::kDriveHead] = true;
    ata.Select(0);
    EXPECT_EQ(ata.Controller().SelectedIndex(), 1);
}

TEST(AtaControllerTest, RegisterLinesNameTheirFields) {
    AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::None});
    ata.PowerUp();
    ata.traceAll = 1;
    ata.Write(kSectorCountPort, 0x00);
    ata.Read(kSectorCountPort);
    ata.Write(kSectorIndexPort, 0x00);
    ata.Read(kSectorIndexPort);
    ata.Write(kDriveHeadPort, 0xE5);
    ata.Read(kDriveHeadPort);
    ata.Read(kErrorPort);
    ata.Read(kCylinderHighPort);
    ata.Read(kStatusPort);
    ata.Read(kControlPort);
    ata.Read(kDriveAddressPort);
    ata.Write(kErrorPort, 0x1234, 2);
    ata.Write(kErrorPort, 0x89ABCDEF, 4);
    ata.Write(kControlPort, 0x00);
    ata.Write(kDriveHeadPort, 0x10);
    ata.Read(kStatusPort);
    ata.Read(kControlPort);
    ata.Read(kErrorPort);
    ata.Write(kSectorCountPort, 0x03);
    ata.Write(kCommandPort, 0x20);
    ata.Write(kData, 0x41);
    ata.Write(kErrorPort, 0x02);
    ata.Write(kControlPort, 0x02);
    const Lines expected = {
        "[HDD ATA] =>SECTOR_COUNT = 00h (process 256 sectors)",
        "[HDD ATA] <=SECTOR_COUNT = 00h (process 256 sectors)",
        "[HDD ATA] =>SECTOR_INDEX = 00h (start from 0 sector)",
        "[HDD ATA] <=SECTOR_INDEX = 00h (start from 0 sectors)",
        "[HDD ATA] =>DRIVE_HEAD = E5h (drive=0, head=5, LBA)",
        "[HDD ATA] <=DRIVE_HEAD = E5h (drive=0, head=5, LBA)",
        "[HDD ATA] <=ERROR = 01h (MarkErr )",
        "[HDD ATA] <=CYLINDER_HIGH = 00h (cylinder=0)",
        "[HDD ATA] <=STATUS = 50h (Error:0,RotIdx:0,RdCorr:0,Data:0,SeekRdy:1,WrFault:0,Ready:1,Busy:0)",
        "[HDD ATA] <=ALT_STATUS = 50h (Error:0,RotIdx:0,RdCorr:0,Data:0,SeekRdy:1,WrFault:0,Ready:1,Busy:0)",
        "[HDD ATA] <=DRIVE_ADDRESS = 00h (TODO)",
        "[HDD ATA] =>PRECOMP = 1234h (features to set)",
        "[HDD ATA] =>PRECOMP = 89ABCDEFh (features to set)",
        "[HDD ATA] =>CONTROL = 00h (soft reset:0, disable irq:0)",
        "[HDC ATA] =>DRIVE_HEAD = 10h (no drive 1)",
        "[HDC ATA] <=STATUS = 00h (no drive 1)",
        "[HDC ATA] <=ALT_STATUS = 00h (no drive 1)",
        "[HDC ATA] <=ERROR = 00h (no drive 1)",
        "[HDC ATA] =>SECTOR_COUNT = 03h (no drive 1)",
        "[HDC ATA] =>COMMAND = 20h (no drive 1)",
        "[HDC ATA] =>DATA = 41h (no drive 1)",
        "[HDC ATA] =>PRECOMP = 02h (no drive 1)",
        // CONTROL goes to the drive that is there.
        "[HDD ATA] =>CONTROL = 02h (soft reset:0, disable irq:1)",
    };
    EXPECT_EQ(ata.console.Texts(), expected);
}

TEST(AtaControllerTest, BusyLinesShowTheStatusAndDropTheWrite) {
    AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::None});
    ata.PowerUp();
    ata.Write(kCommandPort, 0x10);
    ata.traceAll = 1;
    ata.Read(kCylinderLowPort);
    ata.Write(kSectorIndexPort, 0x05);
    ata.Write(kDriveHeadPort, 0xE0);
    ata.Write(kCommandPort, 0x20);
    ata.Write(kData, 0x1234, 2);
    EXPECT_EQ(
        ata.console.Texts(),
        (Lines{"[HDD ATA] <=CYLINDER_LOW = D0h (busy, <status)", "[HDD ATA] =>SECTOR_INDEX = 05h (busy, no write)",
               "[HDD ATA] =>DRIVE_HEAD = E0h (busy, no write)", "[HDD ATA] =>COMMAND = 20h (busy, no write)"}));
    ASSERT_TRUE(ata.WaitFor(0, 0));
    EXPECT_EQ(ata.Read(kSectorIndexPort), 1u);
    EXPECT_EQ(ata.Read(kDriveHeadPort), 0xA0u);
}

TEST(AtaControllerTest, QuietReadsLeaveActivityAndRequestsAlone) {
    AtaMachine ata({.drive0 = Media::Disk, .drive1 = Media::None});
    ata.PowerUp();
    ata.Slot(0)->accessBlink = false;
    ata.traceAll = 1;
    EXPECT_EQ(ata.Read(kStatusPort, 1, true), 0x50u);
    EXPECT_EQ(ata.Read(kErrorPort, 1, true), 0x01u);
    EXPECT_FALSE(ata.Slot(0)->accessBlink);
    EXPECT_TRUE(ata.console.Texts().empty());
    EXPECT_EQ(ata.Read(kErrorPort), 0x01u);
    EXPECT_TRUE(ata.Slot(0)->accessBlink);
}

} // namespace
} // namespace emu
