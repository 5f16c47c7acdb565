#include "emu/core/DriveSet.h"

#include "FakeFolderDisk.h"
#include "emu/core/Report.h"
#include "support/RecordingConsole.h"
#include "support/StateBytes.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

Bytes Saved(DriveSet& drives) {
    return Archived([&](common::RecordArchive& archive) { return drives.SaveOwnData(archive); });
}

bool Load(DriveSet& drives, const Bytes& bytes, common::NarrowString* note = nullptr) {
    return ReadsWhole(bytes, [&](common::RecordArchive& archive) { return drives.LoadOwnData(archive, note); });
}

class DriveSetStateTest : public ::testing::Test {
protected:
    DriveSetStateTest() {
        target.SetConsole(&console);
        for (DriveSet* drives : {&source, &target}) {
            drives->SetFloppyCount(2);
            drives->SetHardDiskCount(1);
            drives->SetCartridgeCount(1);
        }
    }

    common::PathString Image(const char16_t* name, std::string_view content) const {
        return common::PathString(folder.WriteFile(name, content).c_str());
    }
    static std::string MountedIn(const DriveSet& drives, DriveKind kind, int32_t number) {
        return drives.DriveAt(kind, number)->ImagePath().GetNarrow();
    }

    test_support::TemporaryFolder folder;
    test_support::RecordingConsole console;
    DriveSet source;
    DriveSet target;
};

TEST_F(DriveSetStateTest, EmptyDrivesSaveTheirCountsEmptyPathsAndStreamSizes) {
    DriveSet drives;
    drives.SetFloppyCount(1);
    drives.SetHardDiskCount(1);
    const Bytes emptyStream = Concat({U8Value("VER", 0), I64Value("SIZE", 0)}); // no position
    EXPECT_EQ(Saved(drives), Concat({U8Value("VER", 0),
                                     ChunkBegin("_DRIVES"),
                                     I32Value("DCNT", 2),
                                     I32Value("FDCNT", 1),
                                     WideValue("FDFLE0", ""),
                                     U64Value("FDSIZ0", 0),
                                     BoolValue("FDLCH0", false),
                                     BoolValue("FDRDD0", false),
                                     I32Value("HDCNT", 1),
                                     WideValue("HDFLE0", ""),
                                     U64Value("HDSIZ0", 0),
                                     BoolValue("HDLCH0", false),
                                     BoolValue("HDRDD0", false),
                                     ChunkBegin("_HDD0"),
                                     emptyStream, // the file
                                     emptyStream, // the memory copy
                                     ChunkEnd("_HDD0"),
                                     I32Value("CRCNT", 0),
                                     I32Value("CDCNT", 0),
                                     ChunkEnd("_DRIVES")}));
}

TEST_F(DriveSetStateTest, LoadingRemountsTheSavedImagesWithTheirLatchesAndPositions) {
    const common::PathString floppy = Image(u"a.img", "floppy");
    const common::PathString hardDisk = Image(u"hdd.img", "hard disk image");
    DriveSlot& sourceFloppy = *source.DriveAt(DriveKind::Floppy, 0);
    ASSERT_TRUE(sourceFloppy.OpenImage(floppy));
    sourceFloppy.SetLatch(false);
    sourceFloppy.readActivity = true;
    ASSERT_TRUE(source.DriveAt(DriveKind::HardDisk, 0)->OpenImage(hardDisk));
    ASSERT_TRUE(source.DriveAt(DriveKind::HardDisk, 0)->Image().Seek(5));
    ASSERT_TRUE(source.DriveAt(DriveKind::Cartridge, 0)->OpenImage(Image(u"game.bin", "bin")));
    const Bytes state = Saved(source);

    // The target holds another image in the second floppy drive, which the state has empty.
    ASSERT_TRUE(target.DriveAt(DriveKind::Floppy, 1)->OpenImage(Image(u"b.img", "other")));
    target.SetLastImageFolder(common::PathString("images/"));
    target.SetLastMountFolder(common::PathString("folders/"));

    ASSERT_TRUE(Load(target, state));
    const DriveSlot& floppy0 = *target.DriveAt(DriveKind::Floppy, 0);
    EXPECT_EQ(floppy0.ImagePath().Compare(floppy), 0);
    EXPECT_FALSE(floppy0.latched);
    EXPECT_TRUE(floppy0.readActivity);
    EXPECT_FALSE(target.DriveAt(DriveKind::Floppy, 1)->Image().IsOpen());
    EXPECT_EQ(MountedIn(target, DriveKind::HardDisk, 0), MountedIn(source, DriveKind::HardDisk, 0));
    EXPECT_EQ(target.DriveAt(DriveKind::HardDisk, 0)->Image().Tell(), 5);
    EXPECT_EQ(MountedIn(target, DriveKind::Cartridge, 0), MountedIn(source, DriveKind::Cartridge, 0));
    EXPECT_EQ(target.LastImageFolder().Compare("images/"), 0);
    EXPECT_EQ(target.LastMountFolder().Compare("folders/"), 0);
    EXPECT_TRUE(console.Lines().empty());
    // What was loaded saves the same again.
    EXPECT_EQ(Saved(target), state);
}

TEST_F(DriveSetStateTest, AnImageAStateBringsInIsNeverWritten) {
    const common::PathString floppy = Image(u"a.img", "floppy");
    const common::PathString other = Image(u"b.img", "floppy");
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 0)->OpenImage(floppy));
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 1)->OpenImage(other));
    const Bytes state = Saved(source);
    // The image already in the drive stays as the user mounted it.
    ASSERT_TRUE(target.DriveAt(DriveKind::Floppy, 1)->OpenImage(other));

    ASSERT_TRUE(Load(target, state));
    DriveSlot& broughtIn = *target.DriveAt(DriveKind::Floppy, 0);
    EXPECT_EQ(broughtIn.ImagePath().Compare(floppy), 0);
    EXPECT_FALSE(broughtIn.Image().CanWrite());
    EXPECT_EQ(broughtIn.Image().WriteAt("X", 0, 1), 0);
    EXPECT_TRUE(target.DriveAt(DriveKind::Floppy, 1)->Image().CanWrite());
    EXPECT_EQ(folder.ReadFile(u"a.img"), "floppy");
}

// After a refused state load the drives get back what they held, each image opened as it was; a drive that holds
// its image so already keeps it open.
TEST_F(DriveSetStateTest, RestoredMountsReopenTheImagesAsTheyWereOpened) {
    const common::PathString mine = Image(u"a.img", "floppy");
    const common::PathString broughtIn = Image(u"b.img", "floppy");
    const common::PathString game = Image(u"game.bin", "bin");
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 1)->OpenImage(broughtIn));
    const Bytes state = Saved(source);
    ASSERT_TRUE(target.DriveAt(DriveKind::Floppy, 0)->OpenImage(broughtIn, false));
    ASSERT_TRUE(target.DriveAt(DriveKind::Floppy, 1)->OpenImage(mine));
    target.DriveAt(DriveKind::Floppy, 1)->SetLatch(false);
    ASSERT_TRUE(target.DriveAt(DriveKind::Cartridge, 0)->OpenImage(game));
    target.SetLastImageFolder(common::PathString("images/"));
    const std::vector<DriveSet::Mount> before = target.Mounts();

    ASSERT_TRUE(Load(target, state));
    EXPECT_FALSE(target.DriveAt(DriveKind::Floppy, 1)->Image().CanWrite());
    const ImageStream* cartridge = &target.DriveAt(DriveKind::Cartridge, 0)->Image();
    target.RestoreMounts(before);
    for (size_t index = 0; index < before.size(); ++index) {
        const DriveSlot& slot = *target.AllDrives()[index];
        EXPECT_EQ(slot.ImagePath().Compare(before[index].path), 0) << index;
        EXPECT_EQ(slot.IsReadOnlyMount(), before[index].readOnly) << index;
        EXPECT_EQ(slot.latched, before[index].latched) << index;
    }
    EXPECT_TRUE(target.DriveAt(DriveKind::Floppy, 1)->Image().CanWrite());
    EXPECT_FALSE(target.DriveAt(DriveKind::Floppy, 0)->Image().CanWrite());
    EXPECT_EQ(&target.DriveAt(DriveKind::Cartridge, 0)->Image(), cartridge);
    EXPECT_TRUE(target.DriveAt(DriveKind::Cartridge, 0)->Image().IsOpen());
    EXPECT_EQ(target.LastImageFolder().Compare("images/"), 0);
}

// A state that names a file on another host is refused before anything looks at the file (which would contact the
// host); a path the user mounted there stays.
TEST_F(DriveSetStateTest, AStateThatNamesANetworkPathIsRefused) {
    const std::string share = "\\\\host\\share\\b.img";
    // The empty drives' state, with the share's image in the second floppy drive.
    Bytes state = Saved(source);
    const Bytes empty = Concat({WideValue("FDFLE1", ""), U64Value("FDSIZ1", 0)});
    const auto at = std::search(state.begin(), state.end(), empty.begin(), empty.end());
    ASSERT_NE(at, state.end());
    const Bytes named = Concat({WideValue("FDFLE1", share), U64Value("FDSIZ1", 6)});
    state.insert(state.erase(at, at + static_cast<ptrdiff_t>(empty.size())), named.begin(), named.end());
    const common::PathString mine = Image(u"a.img", "floppy");
    ASSERT_TRUE(target.DriveAt(DriveKind::Floppy, 1)->OpenImage(mine));
    EXPECT_FALSE(Load(target, state));
    EXPECT_EQ(console.Lines(), (std::vector<RecordingConsole::Line>{{"[FDD_1 ERROR] Can not load file \"" + share +
                                                                         "\": a state may not name a network path!",
                                                                     kErrorColour}}));
    EXPECT_EQ(target.DriveAt(DriveKind::Floppy, 1)->ImagePath().Compare(mine), 0);
}

TEST_F(DriveSetStateTest, AStateThatDoesNotFitChangesNoDrive) {
    const common::PathString first = Image(u"a.img", "floppy");
    const common::PathString second = Image(u"b.img", "second");
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 0)->OpenImage(first));
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 1)->OpenImage(second));
    const Bytes state = Saved(source);
    source.RemoveAllSlots();

    const std::string firstPath = first.GetNarrow();
    const std::string secondPath = second.GetNarrow();
    const struct {
        const char* what;
        std::function<void(DriveSet&)> spoil;
        std::vector<test_support::RecordingConsole::Line> lines;
    } cases[] = {
        {"the second image is gone",
         [&](DriveSet&) { std::filesystem::remove(folder.Path() / "b.img"); },
         {{"[FDD_1 ERROR] Can not load file \"" + secondPath + "\"!", kErrorColour}}},
        {"the first image grew by a byte",
         [&](DriveSet&) { folder.WriteFile(u"a.img", "floppy!"); },
         {{"[FDD_0 ERROR] Incorrect file \"" + firstPath + "\" size (need 6)!", kErrorColour}}},
        {"one floppy drive less, one CD-ROM drive more",
         [](DriveSet& drives) {
             drives.SetFloppyCount(1);
             drives.SetCdRomCount(1);
         },
         {}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.what);
        Image(u"a.img", "floppy");
        Image(u"b.img", "second");
        DriveSet drives;
        drives.SetConsole(&console);
        drives.SetFloppyCount(2);
        drives.SetHardDiskCount(1);
        drives.SetCartridgeCount(1);
        const common::PathString other = Image(u"other.img", "other");
        ASSERT_TRUE(drives.DriveAt(DriveKind::Floppy, 0)->OpenImage(other));
        testCase.spoil(drives);
        console.ClearLines();

        EXPECT_FALSE(Load(drives, state));
        EXPECT_EQ(console.Lines(), testCase.lines);
        EXPECT_EQ(drives.DriveAt(DriveKind::Floppy, 0)->ImagePath().Compare(other), 0);
        EXPECT_TRUE(drives.DriveAt(DriveKind::Floppy, 0)->latched);
        for (const DriveSlot* slot : drives.AllDrives()) {
            EXPECT_EQ(slot->Image().IsOpen(), slot == drives.DriveAt(DriveKind::Floppy, 0));
        }
    }
}

TEST_F(DriveSetStateTest, ACutStateFailsWithoutChangingAnything) {
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 0)->OpenImage(Image(u"a.img", "floppy")));
    ASSERT_TRUE(source.DriveAt(DriveKind::HardDisk, 0)->OpenImage(Image(u"hdd.img", "hard disk")));
    const Bytes state = Saved(source);
    const common::PathString other = Image(u"other.img", "other");
    ASSERT_TRUE(target.DriveAt(DriveKind::Floppy, 0)->OpenImage(other));
    for (size_t length = 0; length < state.size(); ++length) {
        ASSERT_FALSE(Load(target, Bytes(state.begin(), state.begin() + static_cast<ptrdiff_t>(length)))) << length;
    }
    EXPECT_EQ(target.DriveAt(DriveKind::Floppy, 0)->ImagePath().Compare(other), 0);
    EXPECT_FALSE(target.DriveAt(DriveKind::HardDisk, 0)->Image().IsOpen());
    EXPECT_TRUE(console.Lines().empty());
}

TEST_F(DriveSetStateTest, AHardDiskWhoseStreamsChangedIsRefusedWithANote) {
    const common::PathString hardDisk = Image(u"hdd.img", "hard disk");
    DriveSlot& sourceDisk = *source.DriveAt(DriveKind::HardDisk, 0);
    ASSERT_TRUE(sourceDisk.OpenImage(hardDisk));
    // A memory copy that the target's drive does not have.
    ASSERT_TRUE(sourceDisk.Image().ImageMemory().Create(16, 0));
    ASSERT_TRUE(sourceDisk.Image().ImageMemory().Resize(16));
    const Bytes state = Saved(source);

    common::NarrowString note;
    EXPECT_FALSE(Load(target, state, &note));
    EXPECT_EQ(note.Compare("Size of image size was changed!"), 0);
    EXPECT_FALSE(target.DriveAt(DriveKind::HardDisk, 0)->Image().IsOpen());
}

TEST_F(DriveSetStateTest, AVirtualDiskKeepsItsOwnStateInsideTheHardDisk) {
    std::filesystem::create_directory(folder.Path() / "games");
    const common::PathString games(folder.PathOf(u"games").c_str());
    auto sourceDisk = std::make_unique<FakeFolderDisk>(1024);
    FakeFolderDisk& sourceLog = *sourceDisk;
    ASSERT_TRUE(source.DriveAt(DriveKind::HardDisk, 0)->Image().AttachFolderDisk(std::move(sourceDisk)));
    ASSERT_TRUE(source.DriveAt(DriveKind::HardDisk, 0)->OpenImage(games));
    const Bytes state = Saved(source);
    EXPECT_EQ(sourceLog.log.back(), "Save");

    for (const uint8_t marker : {7, 8}) {
        DriveSet drives;
        drives.SetFloppyCount(2);
        drives.SetHardDiskCount(1);
        drives.SetCartridgeCount(1);
        auto disk = std::make_unique<FakeFolderDisk>(1024);
        disk->marker = marker;
        FakeFolderDisk& targetLog = *disk;
        ASSERT_TRUE(drives.DriveAt(DriveKind::HardDisk, 0)->Image().AttachFolderDisk(std::move(disk)));
        EXPECT_EQ(Load(drives, state), marker == 7) << int{marker};
        EXPECT_EQ(targetLog.log.front(), "Load");
        EXPECT_EQ(drives.DriveAt(DriveKind::HardDisk, 0)->Image().IsOpen(), marker == 7);
    }
}

} // namespace
} // namespace emu
