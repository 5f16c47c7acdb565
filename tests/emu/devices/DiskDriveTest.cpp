#include "emu/devices/DiskDrive.h"

#include "DeviceStateBytes.h"
#include "FloppyMachine.h"
#include "emu/core/ForwardingImageStream.h"
#include "emu/core/Notification.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Log = std::vector<std::string>;

std::string SectorOf(const std::string& image, uint64_t linearSector, size_t from = 0, size_t count = 512) {
    return image.substr(static_cast<size_t>(linearSector) * 512 + from, count);
}

TEST(DiskDriveTest, TheDefaultControllerTakesOnlyTheFloppySize) {
    FloppyMachine floppy;
    ASSERT_TRUE(floppy.machine.PowerOnAndClock());
    const DiskDrive& drive = floppy.Drive(0);
    EXPECT_EQ(drive.Name().View(), "drive0");
    EXPECT_EQ(floppy.Drive(1).Name().View(), "drive1");
    EXPECT_TRUE(drive.IsSupported());
    EXPECT_FALSE(drive.HasFixedGeometry());
    EXPECT_EQ(drive.Cylinders(), 80u);
    EXPECT_EQ(drive.Heads(), 2u);
    EXPECT_EQ(drive.Sectors(), 18u);
    EXPECT_EQ(drive.SectorSize(), 512u);
    EXPECT_TRUE(drive.IsReady());
    EXPECT_TRUE(drive.IsWritable());
    EXPECT_TRUE(floppy.Slot(0)->mediaReady);
    EXPECT_FALSE(floppy.Slot(0)->changed);

    FloppyMachine odd(DiskController::kFloppyImageSize + 1);
    ASSERT_TRUE(odd.machine.PowerOnAndClock());
    EXPECT_FALSE(odd.Drive(0).IsSupported());
    EXPECT_FALSE(odd.Drive(0).IsReady());
    EXPECT_EQ(odd.Drive(0).Cylinders(), 0u);
    EXPECT_FALSE(odd.Slot(0)->mediaReady);
    EXPECT_TRUE(odd.Slot(0)->changeSeen);
    uint8_t byte = 0;
    EXPECT_EQ(odd.Drive(0).ReadByte(&byte, 0), 0);
}

// An image that reports 80 x 2 x 18 x 512 itself and keeps each track's sectors in reverse order.
class ReversedTracks : public ForwardingImageStream {
public:
    explicit ReversedTracks(common::ByteStream& inner) : ForwardingImageStream(inner) {}

    bool Open(const common::String&) override { return false; }
    void Close() override {}
    bool GetGeometry(int64_t& cylinders, int64_t& heads, int64_t& sectors, int64_t& sectorSize) override {
        cylinders = 80, heads = 2, sectors = 18, sectorSize = 512;
        return true;
    }
    int64_t ReadSectorAt(void* buffer, int64_t cylinder, int64_t head, int64_t sector, int64_t count) override {
        return ReadAt(buffer, Offset(cylinder, head, sector), count);
    }
    int64_t WriteSectorAt(const void* buffer, int64_t cylinder, int64_t head, int64_t sector, int64_t count) override {
        return WriteAt(buffer, Offset(cylinder, head, sector), count);
    }

private:
    static int64_t Offset(int64_t cylinder, int64_t head, int64_t sector) {
        return ((cylinder * 2 + head) * 18 + 17 - sector) * 512;
    }
};

class ReversedTracksDrive : public DiskDrive {
public:
    ReversedTracksDrive(DriveSlot* slot, DiskController* controller, int32_t index)
        : DiskDrive(slot, controller, index), image(slot->Image()) {
        AttachSlot(slot);
    }

protected:
    ImageStream* Medium() const override { return &image; }

private:
    mutable ReversedTracks image;
};

class ReversedTracksController : public LoggingController {
public:
    std::unique_ptr<DiskDrive> CreateDrive(DriveSlot* slot, int32_t index) override {
        return std::make_unique<ReversedTracksDrive>(slot, this, index);
    }
    bool GeometryFromSize(int32_t index, bool detected, uint64_t& cylinders, uint64_t& heads, uint64_t& sectors,
                          uint64_t& sectorSize) override {
        // A controller that changes a reported geometry loses the medium.
        heads = index == 1 ? 1 : heads;
        return DiskController::GeometryFromSize(index, detected, cylinders, heads, sectors, sectorSize);
    }
};

TEST(DiskDriveTest, AnImageWithAGeometryOfItsOwnIsReadBySectorAddress) {
    FloppyMachine floppy(DiskController::kFloppyImageSize + 1000, std::make_unique<ReversedTracksController>());
    ASSERT_TRUE(floppy.machine.PowerOnAndClock());
    DiskDrive& drive = floppy.Drive(0);
    EXPECT_TRUE(drive.IsSupported());
    EXPECT_TRUE(drive.HasFixedGeometry());
    EXPECT_EQ(drive.Heads(), 2u);
    const std::string image = floppy.Image(0);
    std::string sector(512, '\0');
    ASSERT_TRUE(drive.CheckPosition(1, 1, 2));
    EXPECT_EQ(drive.ReadSector(reinterpret_cast<uint8_t*>(sector.data()), 512, 0), 512);
    EXPECT_EQ(sector, SectorOf(image, (1 * 2 + 1) * 18 + 15));
    ASSERT_EQ(drive.WriteByte(0xA5, 3), 1);
    ASSERT_TRUE(drive.NextSector());
    EXPECT_EQ(floppy.Image(0)[((1 * 2 + 1) * 18 + 15) * 512 + 3], static_cast<char>(0xA5));

    EXPECT_FALSE(floppy.Drive(1).IsSupported());
    EXPECT_FALSE(floppy.Slot(1)->mediaReady);
}

TEST(DiskDriveTest, SectorBytesAreReadFromTheBytePositionOrAnOffset) {
    FloppyMachine floppy;
    ASSERT_TRUE(floppy.machine.PowerOnAndClock());
    DiskDrive& drive = floppy.Drive(0);
    const std::string image = floppy.Image(0);
    std::string bytes(600, '\0');
    auto* buffer = reinterpret_cast<uint8_t*>(bytes.data());
    ASSERT_TRUE(drive.CheckPosition(2, 1, 5));
    const uint64_t linear = (2 * 2 + 1) * 18 + 5;
    EXPECT_EQ(drive.ReadSector(buffer, 100, 0), 100);
    EXPECT_EQ(drive.BytePosition(), 100);
    EXPECT_EQ(drive.ReadSector(buffer, 600, -1), 412);
    EXPECT_EQ(bytes.substr(0, 412), SectorOf(image, linear, 100, 412));
    EXPECT_EQ(drive.BytePosition(), 512);
    EXPECT_EQ(drive.ReadSector(buffer, 10, 512), 0);
    EXPECT_EQ(drive.BytePosition(), 512);
    // At the sector's end, the byte position starts over.
    EXPECT_EQ(drive.ReadByte(buffer, -1), 1);
    EXPECT_EQ(bytes[0], SectorOf(image, linear, 0, 1)[0]);
    EXPECT_EQ(drive.ReadSector(buffer, 0, 0), 0);
    EXPECT_TRUE(floppy.Slot(0)->readActivity);
}

TEST(DiskDriveTest, PositionsStayWithinTheGeometryAndNextSectorStopsAtTheEnd) {
    FloppyMachine floppy;
    ASSERT_TRUE(floppy.machine.PowerOnAndClock());
    DiskDrive& drive = floppy.Drive(0);
    EXPECT_FALSE(drive.CheckPosition(80, 0, 0));
    EXPECT_FALSE(drive.SetHeadIndex(2));
    EXPECT_FALSE(drive.SetSectorIndex(18));
    ASSERT_TRUE(drive.CheckPosition(0, 0, 17));
    ASSERT_TRUE(drive.NextSector());
    EXPECT_EQ(drive.HeadIndex(), 1u);
    EXPECT_EQ(drive.SectorIndex(), 0u);
    ASSERT_TRUE(drive.CheckPosition(0, 1, 17));
    ASSERT_TRUE(drive.NextSector());
    EXPECT_EQ(drive.CylinderIndex(), 1u);
    EXPECT_EQ(drive.HeadIndex(), 0u);
    ASSERT_TRUE(drive.CheckPosition(79, 1, 17));
    uint8_t byte = 0;
    drive.ReadByte(&byte, 7);
    EXPECT_FALSE(drive.NextSector());
    EXPECT_EQ(drive.CylinderIndex(), 79u);
    EXPECT_EQ(drive.SectorIndex(), 17u);
    EXPECT_EQ(drive.BytePosition(), 8);
    EXPECT_TRUE(drive.SetCylinderIndex(79));
    EXPECT_EQ(drive.BytePosition(), 0);
}

TEST(DiskDriveTest, WrittenBytesReachTheImageOnlyWhenTheSectorMustGo) {
    const std::vector<std::pair<const char*, std::function<void(FloppyMachine&)>>> cases{
        {"the position changes", [](FloppyMachine& floppy) { floppy.Drive(0).SetSectorIndex(1); }},
        {"the machine stops", [](FloppyMachine& floppy) { floppy.machine.Stop(); }},
        {"the state is saved", [](FloppyMachine& floppy) { SavedState(floppy.machine); }},
        {"a media change is announced",
         [](FloppyMachine& floppy) { floppy.machine.Notify(notification::kMediaChangePending); }},
    };
    const std::string written = "ZOV!";
    for (const auto& [name, action] : cases) {
        SCOPED_TRACE(name);
        FloppyMachine floppy;
        ASSERT_TRUE(floppy.machine.PowerOnAndClock());
        const std::string image = floppy.Image(0);
        EXPECT_EQ(floppy.Drive(0).WriteSector(reinterpret_cast<const uint8_t*>(written.data()), 4, 10), 4);
        EXPECT_EQ(floppy.Drive(0).WriteSector(reinterpret_cast<const uint8_t*>(written.data()), 1, -1), 1);
        EXPECT_EQ(floppy.Image(0), image);
        EXPECT_FALSE(floppy.Slot(0)->written);
        action(floppy);
        EXPECT_EQ(floppy.Image(0).substr(10, 5), "ZOV!Z");
        EXPECT_EQ(floppy.Image(0).substr(15), image.substr(15));
        EXPECT_TRUE(floppy.Slot(0)->written);
    }
}

TEST(DiskDriveTest, ADrivesDestructionWritesItsSectorBackOrSaysItCouldNot) {
    auto floppy = std::make_unique<FloppyMachine>();
    ASSERT_TRUE(floppy->machine.PowerOnAndClock());
    floppy->Drive(0).WriteByte('*', 0);
    floppy->Drive(1).WriteByte('*', 0);
    floppy->Slot(1)->writeLocked = true;
    test_support::RecordingConsole console;
    floppy->machine.SetConsole(&console);
    const std::string original = floppy->Image(1);
    floppy->machine.DeleteChildren();
    EXPECT_EQ(floppy->Image(0)[0], '*');
    EXPECT_EQ(floppy->Image(1), original);
    EXPECT_EQ(console.Texts(),
              std::vector<std::string>{"[ERROR] drive1: a changed sector could not be written back to its disk image"});
}

// The move that finds the write-back refused fails and keeps the position; the sector is dropped, so the next move
// goes on and the image never gets it later.
TEST(DiskDriveTest, ARefusedWriteBackFailsOnceAndDropsTheSector) {
    FloppyMachine floppy;
    ASSERT_TRUE(floppy.machine.PowerOnAndClock());
    DiskDrive& drive = floppy.Drive(0);
    const std::string image = floppy.Image(0);
    drive.WriteByte(1, 0);
    floppy.Slot(0)->writeLocked = true;
    EXPECT_FALSE(drive.SetSectorIndex(3));
    EXPECT_EQ(drive.SectorIndex(), 0u);
    EXPECT_FALSE(drive.IsBufferDirty());
    EXPECT_FALSE(drive.IsBufferValid());
    EXPECT_TRUE(drive.SetSectorIndex(3));
    floppy.Slot(0)->writeLocked = false;
    EXPECT_TRUE(drive.SetSectorIndex(0));
    uint8_t first = 0;
    EXPECT_EQ(drive.ReadByte(&first, 0), 1);
    EXPECT_EQ(first, static_cast<uint8_t>(image[0])) << "the image's own byte";
    floppy.machine.Stop();
    EXPECT_EQ(floppy.Image(0), image);
}

TEST(DiskDriveTest, SeeksOneCylinderAMillisecondAndTellsTheController) {
    FloppyMachine floppy;
    ASSERT_TRUE(floppy.machine.PowerOnAndClock());
    DiskDrive& drive = floppy.Drive(0);
    ASSERT_TRUE(drive.CheckPosition(5, 1, 3));
    // Past the first tick after the rate was set, which fires only the events added to fire on it.
    floppy.machine.Run(1);
    floppy.controller->log.clear();
    ASSERT_TRUE(drive.StartSeek(2));
    EXPECT_EQ(drive.SeekState(), 3);
    EXPECT_FALSE(drive.StartSeek(7));
    // A 1000 Hz event on a 4000 Hz bus: every fourth tick.
    std::vector<uint64_t> cylinders;
    for (int32_t event = 0; event < 4; ++event) {
        floppy.machine.Run(4);
        cylinders.push_back(drive.CylinderIndex());
    }
    EXPECT_EQ(cylinders, (std::vector<uint64_t>{4, 3, 2, 2}));
    EXPECT_EQ(floppy.controller->log, Log{"seek 0 arrived"});
    EXPECT_EQ(drive.SeekState(), 0);

    ASSERT_TRUE(drive.StartSeek(80));
    EXPECT_EQ(drive.SeekState(), 4);
    floppy.machine.Run(4 * 80);
    EXPECT_EQ(drive.CylinderIndex(), 79u);
    EXPECT_EQ(floppy.controller->log, (Log{"seek 0 arrived", "seek 0 failed"}));
}

TEST(DiskDriveTest, TimedReadOffersEachSectorAndWaitsForTheControllerToTakeIt) {
    FloppyMachine floppy;
    ASSERT_TRUE(floppy.machine.PowerOnAndClock());
    DiskDrive& drive = floppy.Drive(0);
    ASSERT_TRUE(drive.CheckPosition(0, 0, 17));
    floppy.controller->log.clear();
    floppy.controller->answers = {100, 0};
    ASSERT_TRUE(drive.StartRead(600));
    EXPECT_FALSE(drive.StartRead(10));
    floppy.machine.Run(4 * 6);
    EXPECT_EQ(floppy.controller->log, (Log{"read 0: 512 at 0/600", "read 0: 412 at 100/600", "read 0: 412 at 100/600",
                                           "read 0: 88 at 512/600", "read 0: 0 at 600/600"}));
    EXPECT_EQ(floppy.controller->received, floppy.Image(0).substr(17 * 512, 600));
    EXPECT_EQ(drive.ReadRequested(), 0u);
    EXPECT_EQ(drive.HeadIndex(), 1u);
    EXPECT_EQ(drive.BytePosition(), 88);
}

TEST(DiskDriveTest, FollowsTheMediaChangesOfItsSlot) {
    FloppyMachine floppy;
    ASSERT_TRUE(floppy.machine.PowerOnAndClock());
    DiskDrive& drive = floppy.Drive(1);
    drive.WriteByte('#', 0);
    floppy.controller->log.clear();
    floppy.Slot(1)->EjectImage();
    EXPECT_EQ(floppy.Image(1)[0], '#');
    EXPECT_FALSE(drive.IsReady());
    EXPECT_EQ(drive.ImageSize(), 0u);
    ASSERT_TRUE(floppy.Slot(1)->OpenImage(common::PathString(floppy.folder.PathOf(u"a.img").c_str())));
    EXPECT_TRUE(drive.IsReady());
    floppy.Slot(1)->SetLatch(false);
    EXPECT_TRUE(drive.IsSupported());
    EXPECT_FALSE(drive.IsReady());
    EXPECT_FALSE(drive.IsWritable());
    EXPECT_EQ(floppy.controller->log, (Log{"changed 1", "changed 1", "changed 1"}));
}

// The "_DDRV" values of a drive on a floppy image, at rest.
struct DriveChunk {
    uint8_t version = 0;
    uint64_t imageSize = DiskController::kFloppyImageSize;
    bool detected = true;
    bool supported = true;
    bool fixedGeometry = false;
    uint64_t heads = 2;
    uint64_t cylinders = 80;
    uint64_t sectors = 18;
    uint64_t sectorSize = 512;
    uint64_t headIndex = 0;
    uint64_t cylinderIndex = 0;
    uint64_t sectorIndex = 0;
    int32_t bytePosition = 0;
    bool motorOn = false;
    uint8_t seekState = 0;
    uint64_t seekTarget = 0;
    int64_t seekGeneration = 0;
    uint64_t readRequested = 0;
    uint64_t readDone = 0;
    int64_t readGeneration = 0;
};

Bytes DriveChunkBytes(const DriveChunk& c) {
    return Concat({kDevicePart,
                   U8Value("VER", c.version),
                   ChunkBegin("_DDRV"),
                   U64Value("DSZ", c.imageSize),
                   BoolValue("DTCT", c.detected),
                   BoolValue("SPRT", c.supported),
                   BoolValue("FXED", c.fixedGeometry),
                   U64Value("HDS", c.heads),
                   U64Value("CYS", c.cylinders),
                   U64Value("SES", c.sectors),
                   U64Value("SSZ", c.sectorSize),
                   U64Value("HDI", c.headIndex),
                   U64Value("CYI", c.cylinderIndex),
                   U64Value("SEI", c.sectorIndex),
                   I32Value("SCP", c.bytePosition),
                   BoolValue("MTON", c.motorOn),
                   U8Value("SEKS", c.seekState),
                   U64Value("SEKT", c.seekTarget),
                   I64Value("SKTG", c.seekGeneration),
                   U64Value("SRDS", c.readRequested),
                   U64Value("DRDS", c.readDone),
                   I64Value("RDTG", c.readGeneration),
                   ChunkEnd("_DDRV")});
}

TEST(DiskDriveTest, StateChunkIsRefusedUnlessItFitsTheMediumAndChangesNothingThen) {
    FloppyMachine floppy;
    ASSERT_TRUE(floppy.machine.PowerOnAndClock());
    DiskDrive& drive = floppy.Drive(0);
    EXPECT_EQ(Archived(SavingOwnData(drive)), DriveChunkBytes({}));

    const auto with = [](auto change) {
        DriveChunk chunk;
        chunk.headIndex = 1, chunk.cylinderIndex = 40, chunk.sectorIndex = 3, chunk.bytePosition = 12;
        chunk.motorOn = true, chunk.seekState = 4, chunk.seekTarget = 44, chunk.seekGeneration = 3;
        chunk.readRequested = 10, chunk.readDone = 4, chunk.readGeneration = 2;
        change(chunk);
        return DriveChunkBytes(chunk);
    };
    const std::vector<std::pair<const char*, Bytes>> refused{
        {"version 1", with([](DriveChunk& c) { c.version = 1; })},
        {"another image size", with([](DriveChunk& c) { c.imageSize += 512; })},
        {"sector size 0", with([](DriveChunk& c) { c.sectorSize = 0; })},
        {"sector size 65537", with([](DriveChunk& c) { c.sectorSize = 65537; })},
        {"geometry larger than the image", with([](DriveChunk& c) { c.cylinders = 81; })},
        {"geometry overflowing 64 bits",
         with([](DriveChunk& c) { c.cylinders = uint64_t{1} << 40, c.heads = uint64_t{1} << 30; })},
        {"cylinder outside", with([](DriveChunk& c) { c.cylinderIndex = 80; })},
        {"head outside", with([](DriveChunk& c) { c.headIndex = 2; })},
        {"sector outside", with([](DriveChunk& c) { c.sectorIndex = 18; })},
        {"byte position past the sector", with([](DriveChunk& c) { c.bytePosition = 513; })},
        {"negative byte position", with([](DriveChunk& c) { c.bytePosition = -1; })},
        {"seek state 5", with([](DriveChunk& c) { c.seekState = 5; })},
        {"more read than asked", with([](DriveChunk& c) { c.readDone = 11; })},
        {"a position without a geometry",
         with([](DriveChunk& c) { c.heads = c.cylinders = c.sectors = c.sectorSize = 0, c.bytePosition = 0; })},
    };
    ASSERT_TRUE(ReadsWhole(with([](DriveChunk&) {}), LoadingOwnData(drive)));
    ASSERT_TRUE(drive.CheckPosition(3, 0, 1));
    for (const auto& [name, bytes] : refused) {
        SCOPED_TRACE(name);
        const Bytes before = Archived(SavingOwnData(drive));
        EXPECT_FALSE(ReadsWhole(bytes, LoadingOwnData(drive)));
        EXPECT_EQ(Archived(SavingOwnData(drive)), before);
    }
    // A finished read keeps the bytes it delivered.
    EXPECT_TRUE(ReadsWhole(with([](DriveChunk& c) { c.readRequested = 0, c.readDone = 3; }), LoadingOwnData(drive)));
    // A drive without a medium saves and loads its empty geometry.
    FloppyMachine odd(1000);
    ASSERT_TRUE(odd.machine.PowerOnAndClock());
    const Bytes empty = Archived(SavingOwnData(odd.Drive(0)));
    EXPECT_TRUE(ReadsWhole(empty, LoadingOwnData(odd.Drive(0))));
}

TEST(DiskDriveTest, AFreshMachineGoesOnSeekingAndReadingWhereTheSavedOneWas) {
    FloppyMachine first;
    ASSERT_TRUE(first.machine.PowerOnAndClock());
    first.Drive(0).WriteByte('!', 5);
    ASSERT_TRUE(first.Drive(0).StartSeek(10));
    ASSERT_TRUE(first.Drive(1).CheckPosition(0, 0, 0));
    ASSERT_TRUE(first.Drive(1).StartRead(3000));
    first.machine.Run(4 * 3 + 2);
    ASSERT_EQ(first.Drive(1).ReadDone(), 1536u);
    ASSERT_EQ(first.Drive(0).CylinderIndex(), 3u);
    const Bytes saved = SavedState(first.machine);

    FloppyMachine second;
    ASSERT_TRUE(second.machine.PowerOnAndClock());
    ASSERT_TRUE(LoadState(second.machine, saved)) << testing::PrintToString(second.console.Texts());
    first.controller->log.clear();
    second.controller->log.clear();
    first.controller->received.clear();
    for (FloppyMachine* floppy : {&first, &second}) {
        floppy->machine.Run(4 * 10);
        EXPECT_EQ(floppy->Drive(0).CylinderIndex(), 10u);
        EXPECT_EQ(floppy->Drive(1).ReadDone(), 3000u);
        EXPECT_EQ(floppy->Drive(1).ReadRequested(), 0u);
    }
    EXPECT_EQ(second.controller->log, first.controller->log);
    EXPECT_EQ(second.controller->received, first.controller->received);
    EXPECT_EQ(second.controller->received, first.Image(1).substr(1536, 3000 - 1536));
    EXPECT_EQ(second.Drive(1).SectorIndex(), 5u);
    // The saved machine wrote its sector back before it saved; the images it names are the first machine's.
    EXPECT_EQ(first.Image(0)[5], '!');
    EXPECT_EQ(second.Slot(0)->ImagePath().Compare(first.Slot(0)->ImagePath()), 0);
}

} // namespace
} // namespace emu
