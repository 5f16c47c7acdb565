#include "emu/core/DriveSet.h"

#include "common/FileStream.h"
#include "common/MemoryStream.h"
#include "common/ProgramFolders.h"
#include "common/SettingsTree.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace emu {
namespace {

class DriveSetSettingsTest : public ::testing::Test {
protected:
    DriveSetSettingsTest() {
        for (DriveSet* drives : {&source, &target}) {
            drives->SetFloppyCount(2);
            drives->SetCartridgeCount(1);
        }
    }

    common::PathString PathOf(const char16_t* name) const { return common::PathString(folder.PathOf(name).c_str()); }
    common::PathString Image(const char16_t* name) const {
        return common::PathString(folder.WriteFile(name, "image").c_str());
    }
    static bool Holds(const DriveSet& drives, DriveKind kind, int32_t number, const common::PathString& path) {
        return drives.DriveAt(kind, number)->ImagePath().Compare(path) == 0;
    }

    test_support::TemporaryFolder folder;
    const common::PathString settingsFile = PathOf(u"bk_0010.drv");
    DriveSet source;
    DriveSet target;
};

TEST_F(DriveSetSettingsTest, TheFileHoldsTheFoldersAndTheDrivesInUse) {
    common::PathString floppy = Image(u"a.img");
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 0)->OpenImage(floppy));
    source.SetLastMountFolder(common::PathString("games/"));
    ASSERT_TRUE(source.SaveDriveSettings(settingsFile));

    // The same keys, bound to what they should hold, saved the same way.
    common::PathString lastPath(folder.PathOf(u"").c_str());
    common::PathString lastFolder("games/");
    common::PathString empty;
    uint8_t floppies = 2;
    uint8_t cartridges = 1;
    uint8_t none = 0;
    bool latched = true;
    bool open = false;
    common::SettingsTree expected;
    expected.BindString(common::NarrowString("lastPath"), &lastPath);
    expected.BindString(common::NarrowString("lastFolder"), &lastFolder);
    expected.BindU8(common::NarrowString("fddMax"), &floppies);
    expected.BindBool(common::NarrowString("fdd0Latch"), &latched);
    expected.BindString(common::NarrowString("fdd0Path"), &floppy);
    expected.BindBool(common::NarrowString("fdd1Latch"), &open);
    expected.BindString(common::NarrowString("fdd1Path"), &empty);
    expected.BindU8(common::NarrowString("hddMax"), &none);
    expected.BindU8(common::NarrowString("cartMax"), &cartridges);
    expected.BindBool(common::NarrowString("cart0Latch"), &open);
    expected.BindString(common::NarrowString("cart0Path"), &empty);
    expected.BindU8(common::NarrowString("cddMax"), &none);
    common::MemoryStream bytes;
    bytes.Create(0, -1);
    ASSERT_TRUE(expected.Save(bytes, "ZOVINI"));
    EXPECT_EQ(folder.ReadFile(u"bk_0010.drv"),
              std::string(reinterpret_cast<const char*>(bytes.GetBuffer()), static_cast<size_t>(bytes.Size())));
}

TEST_F(DriveSetSettingsTest, LoadingRemountsTheRememberedImages) {
    const common::PathString floppy = Image(u"a.img");
    const common::PathString cartridge = Image(u"game.bin");
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 0)->OpenImage(floppy));
    source.DriveAt(DriveKind::Floppy, 0)->SetLatch(false);
    ASSERT_TRUE(source.DriveAt(DriveKind::Cartridge, 0)->OpenImage(cartridge));
    source.SetLastMountFolder(PathOf(u"gone"));
    ASSERT_TRUE(source.SaveDriveSettings(settingsFile));

    ASSERT_TRUE(target.DriveAt(DriveKind::Floppy, 1)->OpenImage(Image(u"b.img")));
    ASSERT_TRUE(target.LoadDriveSettings(settingsFile));
    EXPECT_TRUE(Holds(target, DriveKind::Floppy, 0, floppy));
    EXPECT_FALSE(target.DriveAt(DriveKind::Floppy, 0)->latched);
    EXPECT_TRUE(Holds(target, DriveKind::Floppy, 1, common::PathString()));
    EXPECT_TRUE(Holds(target, DriveKind::Cartridge, 0, cartridge));
    // The image folder exists and stays; the mount folder does not and falls back to the program's folder.
    EXPECT_EQ(target.LastImageFolder().Compare(PathOf(u"")), 0);
    EXPECT_EQ(target.LastMountFolder().Compare(common::GetProgramFolder()), 0);
}

// An image a state brought in is never written: the next run would mount it writable, so it is not remembered.
TEST_F(DriveSetSettingsTest, AReadOnlyMountIsNotRemembered) {
    const common::PathString mine = Image(u"a.img");
    const common::PathString broughtIn = Image(u"b.img");
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 0)->OpenImage(mine));
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 1)->OpenImage(broughtIn, false));
    ASSERT_TRUE(source.SaveDriveSettings(settingsFile));

    ASSERT_TRUE(target.LoadDriveSettings(settingsFile));
    EXPECT_TRUE(Holds(target, DriveKind::Floppy, 0, mine));
    EXPECT_TRUE(target.DriveAt(DriveKind::Floppy, 0)->Image().CanWrite());
    EXPECT_TRUE(Holds(target, DriveKind::Floppy, 1, common::PathString()));
    EXPECT_FALSE(target.DriveAt(DriveKind::Floppy, 1)->Image().IsOpen());
}

TEST_F(DriveSetSettingsTest, AMissingOrDamagedFileLeavesTheDrivesAsTheyAre) {
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 1)->OpenImage(Image(u"a.img")));
    ASSERT_TRUE(source.SaveDriveSettings(settingsFile));
    const std::string whole = folder.ReadFile(u"bk_0010.drv");
    const common::PathString other = Image(u"other.img");
    ASSERT_TRUE(target.DriveAt(DriveKind::Floppy, 0)->OpenImage(other));

    const struct {
        const char* what;
        std::string content;
    } cases[] = {
        {"cut before its end marker", whole.substr(0, whole.size() - 1)},
        {"without its magic", "ZOVINX" + whole.substr(6)},
        {"empty", ""},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.what);
        folder.WriteFile(u"bk_0010.drv", testCase.content);
        EXPECT_FALSE(target.LoadDriveSettings(settingsFile));
        EXPECT_TRUE(Holds(target, DriveKind::Floppy, 0, other));
        EXPECT_TRUE(Holds(target, DriveKind::Floppy, 1, common::PathString()));
        EXPECT_EQ(target.LastImageFolder().Compare(common::GetProgramFolder()), 0);
    }
    EXPECT_FALSE(target.LoadDriveSettings(PathOf(u"missing.drv")));
    EXPECT_FALSE(target.LoadDriveSettings(common::PathString()));
    EXPECT_TRUE(Holds(target, DriveKind::Floppy, 0, other));
}

TEST_F(DriveSetSettingsTest, RecentFoldersFallBackToTheGivenProgramFolder) {
    const std::u16string program = folder.PathOf(u"ZovBk.exe");
    const common::ProgramFolders folders(program, u"");
    target.SetLastImageFolder(common::PathString("elsewhere/"));
    EXPECT_FALSE(target.LoadDriveSettings(PathOf(u"missing.drv"), folders));
    EXPECT_EQ(target.LastImageFolder().Compare(folders.GetProgramFolder()), 0);
    EXPECT_EQ(target.LastMountFolder().Compare(folders.GetProgramFolder()), 0);
    EXPECT_NE(folders.GetProgramFolder().Compare(common::GetProgramFolder()), 0);
}

TEST_F(DriveSetSettingsTest, RememberedDrivesOutliveSmallerMachinesAndAreCappedAtEight) {
    // A file of a machine with three floppy drives, and a count beyond the limit.
    uint8_t floppies = 12;
    common::PathString third = Image(u"c.img");
    common::SettingsTree stored;
    stored.BindU8(common::NarrowString("fddMax"), &floppies);
    stored.BindString(common::NarrowString("fdd2Path"), &third);
    common::FileStream file;
    ASSERT_TRUE(file.Create(settingsFile, true));
    ASSERT_TRUE(stored.Save(file, "ZOVINI"));
    file.Close();

    ASSERT_TRUE(target.LoadDriveSettings(settingsFile));
    const common::PathString rewritten = PathOf(u"again.drv");
    ASSERT_TRUE(target.SaveDriveSettings(rewritten));

    floppies = 0;
    third.Clear();
    common::PathString eighth("unread");
    stored.BindString(common::NarrowString("fdd7Path"), &eighth);
    common::FileStream again;
    ASSERT_TRUE(again.Open(rewritten, false));
    ASSERT_TRUE(stored.Load(again, "ZOVINI"));
    EXPECT_EQ(floppies, 8);
    EXPECT_EQ(third.Compare(PathOf(u"c.img")), 0);
    EXPECT_TRUE(eighth.IsEmpty());
}

TEST_F(DriveSetSettingsTest, AFailedSaveKeepsTheOldFile) {
    ASSERT_TRUE(source.SaveDriveSettings(settingsFile));
    const std::string old = folder.ReadFile(u"bk_0010.drv");

    // A folder name too long for the file's records: the file cannot be made.
    const std::u16string tooLong(70000, u'x');
    EXPECT_FALSE(source.DriveAt(DriveKind::Floppy, 0)->OpenImage(common::PathString((tooLong + u"/a.img").c_str())));
    EXPECT_FALSE(source.SaveDriveSettings(settingsFile));
    EXPECT_EQ(folder.ReadFile(u"bk_0010.drv"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
    EXPECT_FALSE(source.SaveDriveSettings(common::PathString()));
}

TEST_F(DriveSetSettingsTest, AFolderThatCannotBeWrittenKeepsTheOldFile) {
    ASSERT_TRUE(source.SaveDriveSettings(settingsFile));
    const std::string old = folder.ReadFile(u"bk_0010.drv");
    ASSERT_TRUE(source.DriveAt(DriveKind::Floppy, 0)->OpenImage(Image(u"a.img")));

    std::filesystem::permissions(folder.Path(),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool writable = std::ofstream(folder.Path() / "probe").is_open();
    if (!writable) {
        EXPECT_FALSE(source.SaveDriveSettings(settingsFile));
    }
    std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_all);
    if (writable) {
        GTEST_SKIP() << "this user may write to read-only folders";
    }
    EXPECT_EQ(folder.ReadFile(u"bk_0010.drv"), old);
}

} // namespace
} // namespace emu
