#include "emu/core/DriveSet.h"

#include "TreeHelpers.h"
#include "support/RecordingDevice.h"
#include "support/TemporaryFolder.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace emu {
namespace {

// What the host was told: the slot (null for the drive lists) and whether the change was still pending.
using Note = std::pair<const DriveSlot*, bool>;
using Notes = std::vector<Note>;

class DriveSetTest : public ::testing::Test {
protected:
    DriveSetTest() { drives->SetHostCallback(&Record, &notes); }

    static bool Record(void* context, DriveSlot* slot, bool pending) {
        static_cast<Notes*>(context)->emplace_back(slot, pending);
        return true;
    }

    common::PathString Image(const char16_t* name, std::string_view content = "image") const {
        return common::PathString(folder.WriteFile(name, content).c_str());
    }
    // Notes from here on.
    Notes Taken() { return std::exchange(notes, {}); }

    test_support::TemporaryFolder folder;
    Notes notes;
    std::unique_ptr<DriveSet> drives = std::make_unique<DriveSet>();
};

TEST_F(DriveSetTest, ACountChangeIsAnnouncedOnceAroundIt) {
    EXPECT_TRUE(drives->SetFloppyCount(2));
    EXPECT_EQ(Taken(), (Notes{{nullptr, true}, {nullptr, false}}));
    EXPECT_EQ(drives->Count(DriveKind::Floppy), 2);
    EXPECT_EQ(drives->AllDrives(),
              (std::vector<DriveSlot*>{drives->DriveAt(DriveKind::Floppy, 0), drives->DriveAt(DriveKind::Floppy, 1)}));

    EXPECT_FALSE(drives->SetFloppyCount(2));
    EXPECT_FALSE(drives->SetFloppyCount(-1));
    EXPECT_EQ(Taken(), Notes{});
    EXPECT_EQ(drives->Count(DriveKind::Floppy), 2);
}

TEST_F(DriveSetTest, AllDrivesKeepTheOrderTheyWereMadeIn) {
    drives->SetFloppyCount(1);
    drives->SetCartridgeCount(1);
    drives->SetHardDiskCount(1);
    drives->SetFloppyCount(2);
    DriveSlot* floppy0 = drives->DriveAt(DriveKind::Floppy, 0);
    DriveSlot* floppy1 = drives->DriveAt(DriveKind::Floppy, 1);
    DriveSlot* cartridge = drives->DriveAt(DriveKind::Cartridge, 0);
    DriveSlot* hardDisk = drives->DriveAt(DriveKind::HardDisk, 0);
    EXPECT_EQ(drives->AllDrives(), (std::vector<DriveSlot*>{floppy0, cartridge, hardDisk, floppy1}));
    EXPECT_TRUE(hardDisk->hardDisk);
    EXPECT_FALSE(floppy0->hardDisk || floppy1->hardDisk || cartridge->hardDisk);
    EXPECT_EQ(drives->DriveAt(DriveKind::Floppy, 2), nullptr);
    EXPECT_EQ(drives->DriveAt(DriveKind::CdRom, 0), nullptr);

    EXPECT_FALSE(drives->RemoveSlot(DriveKind::Floppy, cartridge));
    EXPECT_TRUE(drives->RemoveSlot(DriveKind::Floppy, floppy0));
    EXPECT_EQ(drives->AllDrives(), (std::vector<DriveSlot*>{cartridge, hardDisk, floppy1}));
    EXPECT_EQ(drives->DriveAt(DriveKind::Floppy, 0), floppy1);
}

TEST_F(DriveSetTest, RemovedDrivesAreEjectedAndDetachedLastFirst) {
    drives->SetFloppyCount(2);
    DriveSlot* first = drives->DriveAt(DriveKind::Floppy, 0);
    DriveSlot* second = drives->DriveAt(DriveKind::Floppy, 1);
    ASSERT_TRUE(first->OpenImage(Image(u"a.img")));
    ASSERT_TRUE(second->OpenImage(Image(u"b.img")));
    Taken();

    EXPECT_TRUE(drives->SetFloppyCount(0));
    EXPECT_EQ(Taken(), (Notes{{nullptr, true},
                              {second, true},
                              {second, false}, // ejected
                              {second, true},
                              {second, false}, // detached
                              {first, true},
                              {first, false},
                              {first, true},
                              {first, false},
                              {nullptr, false}}));
    EXPECT_TRUE(drives->AllDrives().empty());
    // The images were closed: the files can go.
    EXPECT_TRUE(std::filesystem::remove(folder.Path() / "a.img"));
}

TEST_F(DriveSetTest, ADriveSetGoingAwayTellsTheHostNothing) {
    drives->SetFloppyCount(1);
    ASSERT_TRUE(drives->DriveAt(DriveKind::Floppy, 0)->OpenImage(Image(u"a.img")));
    Taken();
    drives.reset();
    EXPECT_EQ(Taken(), Notes{});
}

TEST_F(DriveSetTest, OpeningAnImageStartsANewMedium) {
    drives->SetFloppyCount(1);
    DriveSlot& slot = *drives->DriveAt(DriveKind::Floppy, 0);
    slot.accessBlink = slot.mediaReady = slot.changeSeen = slot.written = true;
    slot.writeActivity = slot.readActivity = true;
    Taken();

    const common::PathString path = Image(u"disk.img");
    ASSERT_TRUE(slot.OpenImage(path));
    EXPECT_EQ(Taken(), (Notes{{&slot, false}})); // no pending note before an open
    EXPECT_EQ(slot.ImagePath().Compare(path), 0);
    EXPECT_TRUE(slot.Image().IsOpen());
    EXPECT_TRUE(slot.latched && slot.changed && slot.imageUsable);
    EXPECT_FALSE(slot.accessBlink || slot.mediaReady || slot.changeSeen || slot.written || slot.writeActivity ||
                 slot.readActivity);

    // An occupied drive takes no other image, though the folder is remembered.
    drives->SetLastImageFolder(common::PathString("elsewhere"));
    EXPECT_FALSE(slot.OpenImage(Image(u"other.img")));
    EXPECT_EQ(slot.ImagePath().Compare(path), 0);
    EXPECT_EQ(drives->LastImageFolder().Compare(common::PathString(folder.PathOf(u"").c_str())), 0);
    EXPECT_EQ(Taken(), Notes{});
}

TEST_F(DriveSetTest, EjectingEndsTheMediumButKeepsTheLatch) {
    drives->SetFloppyCount(1);
    DriveSlot& slot = *drives->DriveAt(DriveKind::Floppy, 0);
    Taken();
    slot.EjectImage();
    EXPECT_EQ(Taken(), Notes{});
    EXPECT_FALSE(slot.changed);

    ASSERT_TRUE(slot.OpenImage(Image(u"disk.img")));
    slot.changed = false;
    slot.mediaReady = slot.readActivity = true;
    Taken();
    slot.EjectImage();
    EXPECT_EQ(Taken(), (Notes{{&slot, true}, {&slot, false}}));
    EXPECT_FALSE(slot.Image().IsOpen());
    EXPECT_TRUE(slot.ImagePath().IsEmpty());
    EXPECT_TRUE(slot.latched && slot.changed);
    EXPECT_FALSE(slot.mediaReady || slot.readActivity);
}

TEST_F(DriveSetTest, LatchChangesAreAnnouncedAroundThem) {
    drives->SetCartridgeCount(1);
    DriveSlot& slot = *drives->DriveAt(DriveKind::Cartridge, 0);
    Taken();
    slot.SetLatch(false);
    EXPECT_EQ(Taken(), Notes{});
    slot.SetLatch(true);
    EXPECT_EQ(Taken(), (Notes{{&slot, true}, {&slot, false}}));
    EXPECT_TRUE(slot.latched && slot.changed);

    slot.changed = false;
    slot.NotifyOwner(true);
    EXPECT_FALSE(slot.changed);
    slot.NotifyOwner(false);
    EXPECT_TRUE(slot.changed);
    EXPECT_EQ(Taken(), (Notes{{&slot, true}, {&slot, false}}));
}

TEST_F(DriveSetTest, TheImageFolderIsCutAfterTheLastSlashOrElseBackslash) {
    drives->SetFloppyCount(1);
    DriveSlot& slot = *drives->DriveAt(DriveKind::Floppy, 0);
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {
        {"C:\\games\\disk.img", "C:\\games\\"},
        {"a/b\\c.img", "a/"},
        {"disk.img", "disk.img"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.path);
        EXPECT_FALSE(slot.OpenImage(common::PathString(testCase.path)));
        EXPECT_EQ(drives->LastImageFolder().Compare(testCase.folder), 0);
    }
    // A folder is remembered as the mount folder; without a virtual disk it does not open.
    const common::PathString games(folder.PathOf(u"games").c_str());
    std::filesystem::create_directory(folder.Path() / "games");
    EXPECT_FALSE(slot.OpenImage(games));
    EXPECT_EQ(drives->LastMountFolder().Compare(games), 0);
    EXPECT_EQ(slot.GetLastMountFolder().Compare(games), 0);
    EXPECT_EQ(slot.GetLastImageFolder().Compare("disk.img"), 0);
    EXPECT_FALSE(slot.OpenImage(common::PathString()));
    EXPECT_EQ(slot.GetLastImageFolder().Compare("disk.img"), 0);
}

TEST_F(DriveSetTest, DrivesAreFoundByTheirKindName) {
    drives->SetFloppyCount(2);
    drives->SetCdRomCount(1);
    const struct {
        const char* name;
        DriveSlot* drive;
    } cases[] = {
        {"fdd", drives->DriveAt(DriveKind::Floppy, 0)},
        {"FDD", drives->DriveAt(DriveKind::Floppy, 0)},
        {"CdRom", drives->DriveAt(DriveKind::CdRom, 0)},
        {"FD", nullptr},
        {"HDD", nullptr},
        {"CART", nullptr},
        {"FLOPPY", nullptr},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(drives->GetDriveOfKind(common::NarrowString(testCase.name)), testCase.drive) << testCase.name;
    }
}

TEST_F(DriveSetTest, ActivityIsClearedAtStartAndOnRequest) {
    drives->SetFloppyCount(1);
    drives->SetHardDiskCount(1);
    EXPECT_FALSE(drives->AnyDriveActivity());
    drives->DriveAt(DriveKind::HardDisk, 0)->writeActivity = true;
    EXPECT_TRUE(drives->AnyDriveActivity());
    int32_t rate = 0;
    EXPECT_TRUE(drives->Start(rate));
    EXPECT_FALSE(drives->AnyDriveActivity());
    drives->DriveAt(DriveKind::Floppy, 0)->readActivity = true;
    EXPECT_TRUE(drives->AnyDriveActivity());
    drives->ClearDriveActivity();
    EXPECT_FALSE(drives->AnyDriveActivity());
}

TEST_F(DriveSetTest, NamesAndFileTypes) {
    drives->SetCartridgeCount(1);
    DriveSlot& slot = *drives->DriveAt(DriveKind::Cartridge, 0);
    slot.SetNames("Binary File", "BIN:");
    EXPECT_EQ(slot.Name().Compare("Binary File"), 0);
    EXPECT_EQ(slot.ShortLabel().Compare("BIN:"), 0);
    slot.SetNames("Binary File", nullptr);
    EXPECT_EQ(slot.ShortLabel().Compare("Binary File"), 0);
    slot.SetNames(nullptr, nullptr);
    EXPECT_TRUE(slot.Name().IsEmpty() && slot.ShortLabel().IsEmpty());

    slot.AddFileType(common::NarrowString("bin"), common::NarrowString("BK Binary Files"));
    slot.AddFileType(common::NarrowString(""), common::NarrowString("ignored"));
    slot.AddFileType(common::NarrowString("exe"), common::NarrowString(""));
    EXPECT_EQ(slot.FileTypeCount(), 2);
    common::NarrowString extension;
    common::NarrowString description;
    ASSERT_TRUE(slot.GetFileType(0, extension, description));
    EXPECT_EQ(extension.Compare("bin"), 0);
    EXPECT_EQ(description.Compare("BK Binary Files"), 0);
    ASSERT_TRUE(slot.GetFileType(1, extension, description));
    EXPECT_EQ(description.Compare("exe"), 0);
    EXPECT_FALSE(slot.GetFileType(2, extension, description));
    EXPECT_FALSE(slot.GetFileType(-1, extension, description));
}

TEST(DriveSetServiceTest, TheMachineTellsItsDevicesOfEveryChangeOfAMedium) {
    test_support::TemporaryFolder folder;
    std::vector<std::string> log;
    test_support::TestMachine machine;
    test_support::RecordingDevice* controller = Add<test_support::RecordingDevice>(machine, "FDC", log);
    DriveSet& drives = *machine.Drives();
    EXPECT_EQ(drives.Name().Compare("_DRIVES"), 0);
    ASSERT_TRUE(drives.SetFloppyCount(1));
    ASSERT_TRUE(machine.PowerOn());
    EXPECT_EQ(controller->Drives(), &drives);

    log.clear();
    DriveSlot& slot = *drives.DriveAt(DriveKind::Floppy, 0);
    ASSERT_TRUE(slot.OpenImage(common::PathString(folder.WriteFile(u"disk.img", "image").c_str())));
    slot.EjectImage();
    EXPECT_EQ(log, (std::vector<std::string>{"FDC Notify 0x40", "FDC Notify 0x200", "FDC Notify 0x40"}));
}

} // namespace
} // namespace emu
