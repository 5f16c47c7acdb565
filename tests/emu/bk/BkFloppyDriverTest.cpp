// The floppy ROM's sector routine served directly: a program calls 0160372 with R3 at its parameter block, and the
// fetch of that word moves the sectors, sets the carry and returns at once.
#include "FloppyRun.h"
#include "emu/core/FakeFolderDisk.h"
#include "emu/devices/DiskDrive.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

constexpr uint16_t kFlag = 01100;
constexpr uint16_t kCalls = 01102;
constexpr uint16_t kReturn = 01020;
constexpr uint16_t kBlock = 02000;
constexpr uint16_t kBuffer = 010000;
// What the RAM standing in for the ROM holds at the routine's entry.
constexpr uint16_t kRomWord = 0000777;

struct Request {
    int16_t words = 256;
    uint8_t sector = 1;
    uint8_t track = 0;
    uint8_t head = 0;
    uint8_t drive = 0;
    uint16_t block = kBlock;
};

// The caller waits for a flag (1: call with the carry set, 2: with it clear), calls the routine and counts the
// returns.
struct DriverRun : FloppyRun {
    DriverRun() {
        EXPECT_TRUE(PowerOn());
        machine.Load(01000, {
                                0013700, kFlag,                            // MOV @#flag, R0
                                0001775,                                   // BEQ .-4
                                0005037, kFlag,                            // CLR @#flag
                                0006200,                                   // ASR R0: the carry
                                0004737, BkFloppyController::kDriverEntry, // JSR PC, @#160372
                                0005237, kCalls,                           // INC @#calls
                                0000765,                                   // BR 01000
                            });
        machine.SetWord(BkFloppyController::kDriverEntry, kRomWord);
        machine.Enter(01000);
    }

    // Asks for the call with the carry as given and runs until it returned; answers the carry after.
    bool Call(const Request& request, bool carryBefore) {
        for (uint16_t offset = 0; offset < 54; offset += 2) {
            machine.SetWord(static_cast<uint16_t>(kBlock + offset), 0125252);
        }
        machine.SetWord(kBlock + 22, kBuffer);
        machine.SetWord(kBlock + 24, static_cast<uint16_t>(request.words));
        machine.SetWord(kBlock + 26, static_cast<uint16_t>(request.head | request.track << 8));
        machine.SetWord(kBlock + 28, static_cast<uint16_t>(request.drive | request.sector << 8));
        Cpu().SetRegister(3, request.block);
        machine.SetWord(kFlag, carryBefore ? 1 : 2);
        RunToReturn();
        return (Cpu().Psw() & 1) != 0;
    }
    // One instruction at a time until the next return from the routine.
    void RunToReturn() {
        const uint16_t calls = machine.Word(kCalls);
        for (int32_t step = 0; step < 1000 && machine.Word(kCalls) == calls; ++step) {
            Cpu().Execute(0);
        }
        EXPECT_EQ(machine.Word(kCalls), calls + 1);
        EXPECT_EQ(Cpu().Register(7), kReturn + 4) << "the caller goes on after the call";
    }
    std::string MemoryBytes(uint16_t address, size_t count) const {
        std::string bytes(count, '\0');
        Memory().ReadBytes(address, reinterpret_cast<uint8_t*>(bytes.data()), static_cast<uint32_t>(count), 0);
        return bytes;
    }
    void FillBuffer(size_t count, uint8_t seed) const {
        for (size_t index = 0; index < count; ++index) {
            Memory().WriteByte(static_cast<uint32_t>(kBuffer + index), static_cast<uint8_t>(seed + index * 7));
        }
    }
};

// The image bytes of count sectors from (cylinder, head, sector index) on, in the drive's order.
std::string ImageSectors(const std::string& image, size_t cylinder, size_t head, size_t sector, size_t count) {
    const size_t linear = (cylinder * 2 + head) * 10 + sector;
    return image.substr(linear * kSectorBytes, count * kSectorBytes);
}

TEST(BkFloppyDriverTest, ReadsLandInMemoryAndTheCallerGoesOn) {
    struct ReadCase {
        const char* name;
        Request request;
        size_t cylinder, head, sector, sectors;
        int32_t imageIndex;
    };
    const ReadCase cases[] = {
        {"one sector", {256, 1, 0, 0, 0}, 0, 0, 0, 1, 0},
        {"the whole track", {2560, 1, 0, 0, 0}, 0, 0, 0, 10, 0},
        {"on into the next head", {2816, 1, 0, 0, 0}, 0, 0, 0, 11, 0},
        {"a sector in the middle", {256, 7, 12, 1, 0}, 12, 1, 6, 1, 0},
        {"the last of a head into the next cylinder", {512, 10, 3, 1, 0}, 3, 1, 9, 2, 0},
        {"drive 1, by bit 0 of the drive byte", {256, 2, 39, 1, 3}, 39, 1, 1, 1, 1},
    };
    for (const ReadCase& test : cases) {
        SCOPED_TRACE(test.name);
        DriverRun run;
        const std::string image = run.Image(test.imageIndex);
        EXPECT_FALSE(run.Call(test.request, true));
        EXPECT_TRUE(SameBytes(run.MemoryBytes(kBuffer, test.sectors * kSectorBytes),
                              ImageSectors(image, test.cylinder, test.head, test.sector, test.sectors)));
        EXPECT_TRUE(run.machine.Slot(test.imageIndex)->accessBlink);
        EXPECT_EQ(run.Cpu().Register(3), kBlock) << "no register but the status word changes";
    }
}

TEST(BkFloppyDriverTest, PartSectorsAndRefusedRequests) {
    struct RefusedCase {
        const char* name;
        Request request;
        bool carry;
        // Bytes of the image moved into memory from the request's first sector on.
        size_t moved;
    };
    const RefusedCase cases[] = {
        {"no words", {0, 1}, false, 0},
        {"half a sector", {128, 1}, false, 256},
        {"sector 0", {256, 0}, true, 0},
        {"sector 11", {256, 11}, true, 0},
        {"cylinder 80", {256, 1, 80}, true, 0},
        {"cylinder 40 of 40", {256, 1, 40, 0, 1}, true, 0},
        {"head 2", {256, 1, 0, 2}, true, 0},
        {"past the last cylinder", {512, 10, 79, 1}, true, 512},
        {"R3 past 0177711", {256, 1, 0, 0, 0, 0177712}, true, 0},
    };
    for (const RefusedCase& test : cases) {
        SCOPED_TRACE(test.name);
        DriverRun run;
        run.FillBuffer(1024, 0x11);
        const std::string before = run.MemoryBytes(kBuffer, 1024);
        const std::string image = run.Image(test.request.drive);
        EXPECT_EQ(run.Call(test.request, !test.carry), test.carry);
        const size_t linear = (test.request.track * 2u + test.request.head) * 10u + test.request.sector - 1u;
        std::string expected = before;
        if (test.moved != 0) {
            expected.replace(0, test.moved, image.substr(linear * kSectorBytes, test.moved));
        }
        EXPECT_TRUE(SameBytes(run.MemoryBytes(kBuffer, 1024), expected));
    }
}

TEST(BkFloppyDriverTest, WritesReachTheImageFileBeforeTheCallReturns) {
    DriverRun run;
    run.FillBuffer(1024, 0x31);
    const std::string data = run.MemoryBytes(kBuffer, 1024);
    std::string expected = run.Image(0);
    EXPECT_FALSE(run.Call({-512, 10, 5, 0}, true));
    expected.replace(((5 * 2 + 0) * 10 + 9) * kSectorBytes, 1024, data);
    EXPECT_TRUE(SameBytes(run.Image(0), expected)) << "the file as read from disk, the machine still running";

    // A part sector keeps the rest of its old bytes.
    run.FillBuffer(200, 0x77);
    EXPECT_FALSE(run.Call({-100, 3, 2, 1}, true));
    expected.replace(((2 * 2 + 1) * 10 + 2) * kSectorBytes, 200, run.MemoryBytes(kBuffer, 200));
    EXPECT_TRUE(SameBytes(run.Image(0), expected));
}

TEST(BkFloppyDriverTest, AWriteToAReadOnlyDiskFails) {
    DriverRun run;
    run.machine.Slot(1)->EjectImage();
    run.machine.Slot(1)->writeLocked = true;
    run.Mount(1, RawImage(kHalfImage));
    const std::string image = run.Image(1);
    EXPECT_TRUE(run.Call({-256, 1, 0, 0, 1}, false));
    EXPECT_TRUE(SameBytes(run.Image(1), image));
    EXPECT_FALSE(run.Call({256, 1, 0, 0, 1}, true)) << "reading it works";
}

// An image mounted for reading only (as a state brings one in): the guest's writes fail, and the console says why
// once for each mount, not for every sector.
TEST(BkFloppyDriverTest, AWriteToAReadOnlyMountIsToldOnceAMount) {
    DriverRun run;
    DriveSlot& slot = *run.machine.Slot(1);
    const common::PathString path = slot.ImagePath();
    const std::string line =
        "[FDD_1 ERROR] Can not write to file \"" + std::string(path.GetNarrow()) + "\": it is read-only!";
    slot.EjectImage();
    ASSERT_TRUE(slot.OpenImage(path, false));
    const std::string image = run.Image(1);
    EXPECT_TRUE(run.Call({-256, 1, 0, 0, 1}, false));
    EXPECT_TRUE(run.Call({-512, 3, 2, 1, 1}, false));
    EXPECT_FALSE(run.Call({256, 1, 0, 0, 1}, true)) << "reading it works";
    EXPECT_TRUE(SameBytes(run.Image(1), image));
    EXPECT_EQ(run.Lines("[FDD_"), std::vector<std::string>{line});

    slot.EjectImage();
    ASSERT_TRUE(slot.OpenImage(path, false));
    EXPECT_TRUE(run.Call({-256, 1, 0, 0, 1}, false));
    EXPECT_EQ(run.Lines("[FDD_"), (std::vector<std::string>{line, line})) << "a new mount is told again";
    EXPECT_FALSE(run.Call({-256, 1, 0, 0, 0}, true)) << "the writable drive";
    EXPECT_EQ(run.Lines("[FDD_").size(), 2u);
}

// A write the image refuses fails the call and is gone: other sectors still read, and once the disk has room again
// the refused sector never lands in the image, which still holds its old bytes.
TEST(BkFloppyDriverTest, AWriteAFullDiskRefusesIsDropped) {
    DriverRun run;
    DriveSlot& slot = *run.machine.Slot(0);
    const std::string original = RawImage(kFullImage);
    auto made = std::make_unique<FakeFolderDisk>(original);
    FakeFolderDisk& disk = *made;
    disk.full = true;
    slot.EjectImage();
    ASSERT_TRUE(slot.Image().AttachFolderDisk(std::move(made)));
    ASSERT_TRUE(slot.OpenImage(common::PathString(run.folder.Path().u16string().c_str())));
    ASSERT_TRUE(run.Drive(0).IsWritable());

    run.FillBuffer(512, 0x21);
    EXPECT_TRUE(run.Call({-256, 6, 3, 0, 0}, false)) << "the write fails";
    EXPECT_FALSE(run.Call({256, 3, 10, 1, 0}, true)) << "another sector reads";
    EXPECT_TRUE(SameBytes(run.MemoryBytes(kBuffer, 512), SectorPattern(10, 1, 2)));

    disk.full = false;
    EXPECT_FALSE(run.Call({256, 1, 0, 0, 0}, true));
    EXPECT_FALSE(run.Call({256, 6, 3, 0, 0}, true));
    EXPECT_TRUE(SameBytes(run.MemoryBytes(kBuffer, 512), SectorPattern(3, 0, 5))) << "the image's own bytes";
    EXPECT_TRUE(SameBytes(disk.Bytes(), original));

    run.FillBuffer(512, 0x43);
    EXPECT_FALSE(run.Call({-256, 6, 3, 0, 0}, true)) << "with room, the next write of that sector lands";
    EXPECT_TRUE(
        SameBytes(disk.Bytes().substr(((3 * 2 + 0) * 10 + 5) * kSectorBytes, 512), run.MemoryBytes(kBuffer, 512)));
}

TEST(BkFloppyDriverTest, TheHookAnswersOnlyTheFetchAtTheEntry) {
    DriverRun run;
    run.FillBuffer(512, 0x42);
    const std::string buffer = run.MemoryBytes(kBuffer, 512);
    EXPECT_EQ(run.Memory().ReadWord(BkFloppyController::kDriverEntry, 1), kRomWord) << "the processor is elsewhere";
    EXPECT_EQ(run.Memory().ReadWord(BkFloppyController::kDriverEntry, 0), kRomWord) << "a data read elsewhere";
    run.Cpu().SetRegister(7, BkFloppyController::kDriverEntry);
    run.Cpu().SetRegister(3, kBlock);
    run.machine.SetWord(kBlock + 24, 256);
    run.machine.SetWord(kBlock + 28, 1 << 8);
    EXPECT_EQ(run.Memory().ReadWord(BkFloppyController::kDriverEntry, 1), 0000207);
    EXPECT_TRUE(SameBytes(run.MemoryBytes(kBuffer, 512), buffer)) << "a peek moves nothing";
    EXPECT_EQ(run.Memory().ReadByte(BkFloppyController::kDriverEntry, 0), kRomWord & 0xFF) << "a byte is the ROM's";
    EXPECT_EQ(run.Memory().ReadWord(BkFloppyController::kDriverEntry + 2, 1), 0) << "another word is the ROM's";
}

TEST(BkFloppyDriverTest, CallsAreTraced) {
    DriverRun run;
    run.SetSwitch("TraceReadSectors", true);
    run.SetSwitch("TraceWriteSectors", true);
    run.Call({512, 3, 7, 1, 1}, false);
    run.Call({-256, 1, 2, 0, 0}, false);
    run.Call({0, 1, 2, 0, 0}, false);
    const std::vector<std::string> expected = {
        "[FDC] Read Sectors (Drive=1, Track=7, Head=1, Sector=3, Bytes=1024) to [010000]",
        "[FDC] Write Sectors (Drive=0, Track=2, Head=0, Sector=1, Bytes=512) from [010000]",
        "[FDC] Write Sectors (Drive=0, Track=2, Head=0, Sector=1, Bytes=0) from [010000]",
    };
    EXPECT_EQ(run.Lines("[FDC"), expected);
}

// A break on the routine abandons the fetch; on resuming it runs again and moves the sectors once.
TEST(BkFloppyDriverTest, ABreakMovesTheSectorsOnceAfterResuming) {
    for (const bool write : {false, true}) {
        SCOPED_TRACE(write ? "write" : "read");
        DriverRun run;
        run.SetSwitch(write ? "BreakWriteSectors" : "BreakReadSectors", true);
        run.FillBuffer(512, 0x5A);
        const std::string buffer = run.MemoryBytes(kBuffer, 512);
        const std::string image = run.Image(0);
        run.machine.SetWord(kBlock + 22, kBuffer);
        run.machine.SetWord(kBlock + 24, static_cast<uint16_t>(write ? -256 : 256));
        run.machine.SetWord(kBlock + 26, 1 << 8);
        run.machine.SetWord(kBlock + 28, 2 << 8);
        run.Cpu().SetRegister(3, kBlock);
        run.machine.SetWord(kFlag, 1);
        for (int32_t step = 0; step < 100 && run.host.breaks == 0; ++step) {
            run.Cpu().Execute(0);
        }
        ASSERT_EQ(run.host.breaks, 1);
        EXPECT_EQ(run.Cpu().Register(7), BkFloppyController::kDriverEntry) << "the fetch is abandoned";
        EXPECT_EQ(run.Cpu().Psw() & 1, 1) << "the carry keeps its value";
        EXPECT_TRUE(SameBytes(run.MemoryBytes(kBuffer, 512), buffer));
        EXPECT_TRUE(SameBytes(run.Image(0), image));

        run.RunToReturn();
        EXPECT_EQ(run.host.breaks, 1);
        EXPECT_EQ(run.Cpu().Psw() & 1, 0);
        const size_t offset = ((1 * 2 + 0) * 10 + 1) * kSectorBytes;
        if (write) {
            EXPECT_TRUE(SameBytes(run.Image(0).substr(offset, 512), buffer));
        } else {
            EXPECT_TRUE(SameBytes(run.MemoryBytes(kBuffer, 512), image.substr(offset, 512)));
        }
        const std::vector<std::string> lines = run.Lines("[FDC");
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].rfind("[FDC BREAK] ", 0), 0u) << lines[0];
        EXPECT_EQ(lines[0].substr(12), lines[1].substr(lines[1].find(']') + 2));
    }
}

// The register view goes on over a track the routine has written: it is encoded anew, its position kept.
TEST(BkFloppyDriverTest, AWriteOverTheTrackInViewEncodesItAnew) {
    DriverRun run;
    run.Control(0x0011);
    for (int32_t word = 0; word < 10; ++word) {
        run.Data();
    }
    run.FillBuffer(512, 0x60);
    EXPECT_FALSE(run.Call({-256, 2, 0, 0, 0}, false));
    const std::vector<uint16_t>& track = run.Fdc().Track();
    EXPECT_EQ(track[308 + 52], 0x6067);
    EXPECT_EQ(run.Fdc().TrackPosition(), 10);
    EXPECT_EQ(run.Drive(0).CylinderIndex(), 0u);

    // A write elsewhere leaves the track in view as it is, until the next control write.
    EXPECT_FALSE(run.Call({-256, 1, 4, 1, 0}, false));
    EXPECT_EQ(run.Fdc().TrackPosition(), 10);
    EXPECT_EQ(run.Fdc().Track()[308 + 52], 0x6067);
    EXPECT_EQ(run.Drive(0).CylinderIndex(), 4u) << "the routine moved the head";
    run.Control(0x0011);
    EXPECT_EQ(run.Fdc().Track()[26], 0x0400) << "the next control write encodes where the head is";
    EXPECT_EQ(run.State() & 0x0001, 0);
}

} // namespace
} // namespace emu
