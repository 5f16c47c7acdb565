#include "emu/core/Computer.h"

#include "TreeHelpers.h"
#include "common/FileStream.h"
#include "common/MemoryStream.h"
#include "common/SettingsTree.h"
#include "emu/core/DriveSet.h"
#include "emu/core/SettingsFile.h"
#include "support/StateBytes.h"
#include "support/TemporaryFolder.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

// A device with one setting of each of two kinds.
class SettingDevice : public Device {
public:
    using Device::Device;
    uint8_t volume = 0;
    common::NarrowString label;

    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override {
        if (settings != nullptr) {
            settings->BindU8(common::NarrowString("Volume"), &volume);
            settings->BindString(common::NarrowString("Label"), &label);
        }
        return Device::ExchangeSettings(settings, enabledOnly);
    }
};

// A model of the BK-0010 family with one sound device and one floppy drive.
class FamilyModel : public test_support::TestMachine {
public:
    explicit FamilyModel(const char* modelId) : modelId(modelId) {
        sound = Add<SettingDevice>(*this, "SND");
        Drives()->SetFloppyCount(1);
    }
    const char* ModelId() const override { return modelId; }
    const char* FamilyId() const override { return "bk_0010"; }

    SettingDevice* sound;

private:
    const char* modelId;
};

// A program installed under "Program Files": its data folder lies under "appdata", its own folder is "program".
class ComputerSettingsTest : public ::testing::Test {
protected:
    ComputerSettingsTest() {
        std::filesystem::create_directories(root.Path() / "program");
        std::filesystem::create_directories(root.Path() / "appdata");
        common::PathString programFolder((root.Path() / "program").u16string().c_str());
        folders.SetProgramFolder(programFolder, common::PathString(), false);
        for (FamilyModel* model : {&first, &second}) {
            model->SetFolders(folders);
        }
    }

    std::string Read(const std::filesystem::path& relative) const { return root.ReadFile(relative.u16string()); }

    test_support::TemporaryFolder root;
    common::ProgramFolders folders{u"/Program Files/ZOV/zovbk.exe", (root.Path() / "appdata").u16string()};
    const std::filesystem::path settings = std::filesystem::path("appdata") / "ZOVTarvoEmu" / "settings";
    FamilyModel first{"bk_10_01"};
    FamilyModel second{"bk_0010"};
};

TEST_F(ComputerSettingsTest, ModelsOfAFamilyShareTheirSettingsFiles) {
    first.sound->volume = 5;
    const common::PathString image(root.WriteFile(u"disk.img", "image").c_str());
    ASSERT_TRUE(first.Drives()->DriveAt(DriveKind::Floppy, 0)->OpenImage(image));
    ASSERT_TRUE(first.SaveSettings());

    const std::string file = Read(settings / "bk_0010.ini");
    const Bytes start = Concat({{'Z', 'O', 'V', 'I', 'N', 'I', 0, 0, 0, 0, 0x80}, Name("bk_0010")});
    ASSERT_GT(file.size(), start.size());
    EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(start.size())), start);
    EXPECT_EQ(static_cast<uint8_t>(file.back()), 0xFF);
    EXPECT_FALSE(Read(settings / "bk_0010.drv").empty());

    ASSERT_TRUE(second.LoadSettings());
    EXPECT_EQ(second.sound->volume, 5);
    EXPECT_EQ(second.Drives()->DriveAt(DriveKind::Floppy, 0)->ImagePath().Compare(image), 0);
}

TEST_F(ComputerSettingsTest, FilesBesideTheProgramAreReadWhenTheDataFolderHasNone) {
    first.sound->volume = 7;
    ASSERT_TRUE(first.SaveSettings());
    std::filesystem::rename(root.Path() / settings, root.Path() / "program" / "settings");

    ASSERT_TRUE(second.LoadSettings());
    EXPECT_EQ(second.sound->volume, 7);
    second.sound->volume = 8;
    ASSERT_TRUE(second.SaveSettings());
    EXPECT_FALSE(Read(settings / "bk_0010.ini").empty());
    ASSERT_TRUE(first.LoadSettings());
    EXPECT_EQ(first.sound->volume, 8);
}

TEST_F(ComputerSettingsTest, ASectionOfAnotherModelLoadsNothing) {
    uint8_t volume = 9;
    auto section = std::make_unique<common::SettingsTree>();
    section->BindU8(common::NarrowString("Volume"), &volume);
    common::SettingsTree other;
    other.AddSection(common::NarrowString("bk_0011"), std::move(section));
    std::filesystem::create_directories(root.Path() / settings);
    common::FileStream file;
    ASSERT_TRUE(file.Create(common::PathString((root.Path() / settings / "bk_0010.ini").u16string().c_str()), true));
    ASSERT_TRUE(other.Save(file, "ZOVINI"));
    file.Close();

    EXPECT_TRUE(first.LoadSettings());
    EXPECT_EQ(first.sound->volume, 0);
}

TEST_F(ComputerSettingsTest, ADamagedFileFailsAndChangesNothing) {
    first.sound->volume = 5;
    ASSERT_TRUE(first.SaveSettings());
    const std::string whole = Read(settings / "bk_0010.ini");
    const struct {
        const char* what;
        std::string content;
    } cases[] = {
        {"a header without an end marker", std::string("ZOVINI\0\0\0\0", 10)},
        {"a whole section without the file's end marker", whole.substr(0, whole.size() - 1)},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.what);
        root.WriteFile((settings / "bk_0010.ini").u16string(), testCase.content);
        EXPECT_FALSE(second.LoadSettings());
        EXPECT_EQ(second.sound->volume, 0);
    }
    std::filesystem::remove(root.Path() / settings / "bk_0010.ini");
    EXPECT_FALSE(second.LoadSettings());
}

TEST_F(ComputerSettingsTest, ASaveThatFailsKeepsTheOldFile) {
    first.sound->volume = 5;
    ASSERT_TRUE(first.SaveSettings());
    const std::string old = Read(settings / "bk_0010.ini");
    // A setting too long for the file's records.
    first.sound->label.Assign(std::string(70000, 'x').c_str());
    EXPECT_FALSE(first.SaveSettings());
    EXPECT_EQ(Read(settings / "bk_0010.ini"), old);
}

// Another saver's temporary file (here one that cannot be replaced at all) must not stand in the way, and a save
// leaves no temporary file of its own behind.
TEST(ReplaceFileContentTest, EachSaveWritesATemporaryFileOfItsOwn) {
    test_support::TemporaryFolder folder;
    const common::PathString path(folder.WriteFile(u"bk_0010.ini", "old").c_str());
    std::filesystem::create_directory(folder.Path() / "bk_0010.ini.tmp");
    common::MemoryStream content;
    ASSERT_TRUE(content.Create(0, -1));
    ASSERT_EQ(content.Write("new", 3), 3);
    ASSERT_TRUE(ReplaceFileContent(path, content));
    EXPECT_EQ(folder.ReadFile(u"bk_0010.ini"), "new");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"bk_0010.ini", "bk_0010.ini.tmp"}));
}

TEST(ReplaceFileContentTest, AFileStreamFlushesOnlyWhatItMayWrite) {
    test_support::TemporaryFolder folder;
    const common::PathString path(folder.WriteFile(u"state.sav", "state").c_str());
    common::FileStream stream;
    EXPECT_FALSE(stream.Flush());
    ASSERT_TRUE(stream.Open(path, false));
    EXPECT_EQ(stream.Write("S", 1), 1);
    EXPECT_TRUE(stream.Flush());
    stream.Close();
    ASSERT_TRUE(stream.OpenForReading(path));
    EXPECT_FALSE(stream.Flush());
}

TEST_F(ComputerSettingsTest, AStateCarriesTheSettingsAndTellsWhetherTheyDiffered) {
    first.sound->volume = 5;
    const Bytes chunk = Archived([&](common::RecordArchive& archive) { return first.SaveInitData(archive); });
    // "_EMUINIT": SIZE, then DATA of that many bytes.
    const Bytes begin = Concat({ChunkBegin("_EMUINIT"), {0xF8}, Name("SIZE"), {0x07}});
    ASSERT_GT(chunk.size(), begin.size());
    EXPECT_EQ(Bytes(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(begin.size())), begin);
    const Bytes end = ChunkEnd("_EMUINIT");
    EXPECT_TRUE(std::equal(end.rbegin(), end.rend(), chunk.rbegin()));

    bool changed = true;
    const auto load = [&](FamilyModel& model, const Bytes& bytes) {
        return ReadsWhole(bytes, [&](common::RecordArchive& archive) { return model.LoadInitData(archive, changed); });
    };
    EXPECT_TRUE(load(first, chunk));
    EXPECT_FALSE(changed);
    EXPECT_TRUE(load(second, chunk));
    EXPECT_TRUE(changed);
    EXPECT_EQ(second.sound->volume, 5);
}

TEST_F(ComputerSettingsTest, InitDataThatIsMissingOrBrokenChangesNothing) {
    bool changed = true;
    const auto load = [&](const Bytes& bytes) {
        return ReadsWhole(bytes, [&](common::RecordArchive& archive) { return second.LoadInitData(archive, changed); });
    };
    EXPECT_TRUE(load(Concat({ChunkBegin("_EMUINIT"), U64Value("SIZE", 0), ChunkEnd("_EMUINIT")})));
    EXPECT_FALSE(changed);

    first.sound->volume = 5;
    auto section = std::make_unique<common::SettingsTree>();
    first.BuildSettingsSections(section.get(), true);
    common::SettingsTree tree;
    tree.AddSection(common::NarrowString("bk_0010"), std::move(section));
    common::MemoryStream data;
    data.Create(0, -1);
    ASSERT_TRUE(tree.Save(data));
    const Bytes cut(data.GetBuffer(), data.GetBuffer() + data.Size() - 1); // without its end marker
    EXPECT_TRUE(load(
        Concat({ChunkBegin("_EMUINIT"), U64Value("SIZE", cut.size()), BlobValue("DATA", cut), ChunkEnd("_EMUINIT")})));
    EXPECT_TRUE(changed);
    EXPECT_EQ(second.sound->volume, 0);

    // A size beyond what the stream holds is refused before anything is made for it.
    EXPECT_FALSE(load(Concat({ChunkBegin("_EMUINIT"), U64Value("SIZE", uint64_t{1} << 40), ChunkEnd("_EMUINIT")})));
}

} // namespace
} // namespace emu
