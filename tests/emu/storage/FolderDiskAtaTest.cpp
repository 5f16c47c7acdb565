#include "AtaMachine.h"
#include "FolderDisk.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace emu {
namespace {

using namespace test_support;

// A folder disk on the hard-disk slot of the ATA machine's drive 0, as the host reads and writes it.
class FolderDiskAtaTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseUtc();
        tree.File("DATA.BIN", content);
        tree.FixFolderTimes();
        Mount(ata);
        ata.PowerUp();
    }

    void Mount(AtaMachine& machine) {
        auto made = std::make_unique<FolderDiskImage>(1 << 20);
        disk = made.get();
        ASSERT_TRUE(machine.Slot(0)->Image().AttachFolderDisk(std::move(made)));
        ASSERT_TRUE(machine.Slot(0)->OpenImage(tree.RootPath()));
    }

    std::string ReadSectors(AtaMachine& machine, uint32_t lba, uint8_t count) {
        machine.AddressLba(lba, count);
        machine.Write(kCommandPort, 0x20);
        std::string data;
        while (machine.WaitFor(0, 0) && (machine.AltStatus() & 0x08) != 0) {
            data += machine.ReadData(512);
        }
        return data;
    }

    void WriteSectors(uint32_t lba, const std::string& data) {
        ata.AddressLba(lba, static_cast<uint8_t>(data.size() / 512));
        ata.Write(kCommandPort, 0x30);
        for (size_t at = 0; at < data.size() && ata.WaitFor(0, 0) && (ata.AltStatus() & 0x08) != 0; at += 512) {
            ata.WriteData(data.substr(at, 512));
        }
        ASSERT_TRUE(ata.WaitFor(0, 0));
    }

    uint32_t FileSector() { return static_cast<uint32_t>(Layout(*disk).ClusterAt(2) / 512); }

    const std::string content = Pattern(3000, 7);
    FolderTree tree;
    AtaMachine ata{AtaLayout{Media::Empty, Media::None}};
    FolderDiskImage* disk = nullptr;
};

TEST_F(FolderDiskAtaTest, TheDriveHasTheClassGeometry) {
    ata.Write(kCommandPort, 0xEC);
    std::string identify;
    while (ata.WaitFor(0, 0) && (ata.AltStatus() & 0x08) != 0) {
        identify += ata.ReadData(512);
    }
    ASSERT_EQ(identify.size(), 512u);
    EXPECT_EQ(Little(identify, 2, 2), 65u);
    EXPECT_EQ(Little(identify, 6, 2), 16u);
    EXPECT_EQ(Little(identify, 12, 2), 63u);
    EXPECT_TRUE(ata.Slot(0)->imageUsable);
}

TEST_F(FolderDiskAtaTest, SectorsReadAsTheImageAndTheHostFile) {
    EXPECT_EQ(ReadSectors(ata, 63, 1), ReadImage(*disk, kPartitionOffset, 512));
    EXPECT_EQ(ReadSectors(ata, 0, 1).substr(510), "\x55\xAA");
    EXPECT_EQ(ReadSectors(ata, FileSector(), 6), content + std::string(72, '\0'));
    EXPECT_EQ(ata.Status(), 0x50);
}

TEST_F(FolderDiskAtaTest, WrittenSectorsReadBackWhileTheHostFileStays) {
    const std::string written = Pattern(1024, 9);
    WriteSectors(FileSector() + 1, written);
    EXPECT_EQ(ata.Status(), 0x50);
    EXPECT_EQ(ReadSectors(ata, FileSector(), 4), content.substr(0, 512) + written + content.substr(1536, 512));
    EXPECT_EQ(std::filesystem::file_size(tree / "DATA.BIN"), 3000u);
    std::ifstream host(tree / "DATA.BIN", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(host), {}), content);
}

TEST_F(FolderDiskAtaTest, AFailedHostReadIsAnUncorrectableError) {
    std::filesystem::remove(tree / "DATA.BIN");
    ata.AddressLba(FileSector(), 1);
    ata.Write(kCommandPort, 0x20);
    ASSERT_TRUE(ata.WaitFor(0, 0));
    EXPECT_EQ(ata.Status() & 0x01, 0x01);
    EXPECT_EQ(ata.Error() & 0x40, 0x40);
}

TEST_F(FolderDiskAtaTest, AMachineStateWithTheFolderLoadsIntoAFreshMachine) {
    const std::string written = Pattern(512, 3);
    WriteSectors(FileSector(), written);
    const Bytes state = Archived([this](common::RecordArchive& archive) { return ata.Machine().SaveState(archive); });

    AtaMachine fresh{AtaLayout{Media::Empty, Media::None}};
    auto made = std::make_unique<FolderDiskImage>(1 << 20);
    FolderDiskImage& freshDisk = *made;
    ASSERT_TRUE(fresh.Slot(0)->Image().AttachFolderDisk(std::move(made)));
    fresh.PowerUp();
    ASSERT_TRUE(ReadsWhole(
        state, [&fresh](common::RecordArchive& archive) { return fresh.Machine().LoadState(archive, nullptr); }));
    EXPECT_TRUE(freshDisk.IsOpen());
    EXPECT_EQ(ReadImage(freshDisk, Layout(freshDisk).ClusterAt(2), 1024), written + content.substr(512, 512));
    EXPECT_EQ(ReadSectors(fresh, FileSector(), 2), written + content.substr(512, 512));
}

TEST_F(FolderDiskAtaTest, AMachineStateOfAChangedFolderChangesNothing) {
    const std::string written = Pattern(512, 3);
    WriteSectors(FileSector(), written);
    const Bytes state = Archived([this](common::RecordArchive& archive) { return ata.Machine().SaveState(archive); });
    tree.File("DATA.BIN", content + "more");

    AtaMachine fresh{AtaLayout{Media::Empty, Media::None}};
    auto made = std::make_unique<FolderDiskImage>(1 << 20);
    FolderDiskImage& freshDisk = *made;
    ASSERT_TRUE(fresh.Slot(0)->Image().AttachFolderDisk(std::move(made)));
    ASSERT_TRUE(fresh.Slot(0)->OpenImage(tree.RootPath()));
    fresh.PowerUp();
    const std::string before = ReadImage(freshDisk, 0, 1 << 20);
    common::NarrowString note;
    EXPECT_FALSE(
        ReadsWhole(state, [&](common::RecordArchive& archive) { return fresh.Machine().LoadState(archive, &note); }));
    EXPECT_STREQ(note.GetNarrow(), "Mounted folder was changed!");
    EXPECT_EQ(ReadImage(freshDisk, 0, 1 << 20), before);
}

TEST(FolderDiskTwoDrivesTest, OneDiskRefusingItsStateLeavesTheOtherUnchanged) {
    UseUtc();
    FolderTree first;
    FolderTree second;
    first.File("ONE.BIN", Pattern(2048, 1));
    second.File("TWO.BIN", Pattern(2048, 2));
    first.FixFolderTimes();
    second.FixFolderTimes();
    const auto mount = [](AtaMachine& machine, int32_t drive, const FolderTree& tree) {
        auto made = std::make_unique<FolderDiskImage>(1 << 20);
        FolderDiskImage* disk = made.get();
        EXPECT_TRUE(machine.Slot(drive)->Image().AttachFolderDisk(std::move(made)));
        EXPECT_TRUE(machine.Slot(drive)->OpenImage(tree.RootPath()));
        return disk;
    };
    AtaMachine ata{AtaLayout{Media::Empty, Media::Empty}};
    FolderDiskImage* firstDisk = mount(ata, 0, first);
    FolderDiskImage* secondDisk = mount(ata, 1, second);
    const int64_t cluster = Layout(*firstDisk).ClusterAt(2);
    ASSERT_EQ(firstDisk->WriteAt("guest", cluster, 5), 5);
    ASSERT_EQ(secondDisk->WriteAt("guest", cluster, 5), 5);
    const Bytes state = Archived([&ata](common::RecordArchive& archive) { return ata.Machine().SaveState(archive); });
    second.File("TWO.BIN", Pattern(2049, 3));

    AtaMachine fresh{AtaLayout{Media::Empty, Media::Empty}};
    FolderDiskImage* freshFirst = mount(fresh, 0, first);
    mount(fresh, 1, second);
    common::NarrowString note;
    EXPECT_FALSE(
        ReadsWhole(state, [&](common::RecordArchive& archive) { return fresh.Machine().LoadState(archive, &note); }));
    EXPECT_STREQ(note.GetNarrow(), "Mounted folder was changed!");
    EXPECT_EQ(ReadImage(*freshFirst, cluster, 5), Pattern(2048, 1).substr(0, 5));
}

} // namespace
} // namespace emu
