// The drive commands' work on a core whose thread runs: mounts, ejects and latches by drive index, the file types a
// drive's dialog offers, the drive labels by index, and the pause a dialog holds.
#include "frontend/DriveCommands.h"

#include "app/CoreTestMachines.h"
#include "common/Paths.h"
#include "emu/core/DriveSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A stand-in with two floppy drives (taking "img") and a hard disk.
class DriveMachine : public app_test::StandInModel {
public:
    DriveMachine() : StandInModel(1) {}
    bool CreateServices() override {
        if (!StandInModel::CreateServices() || !Drives()->SetFloppyCount(2) || !Drives()->SetHardDiskCount(1)) {
            return false;
        }
        Drives()
            ->DriveAt(emu::DriveKind::Floppy, 0)
            ->AddFileType(common::NarrowString("img"), common::NarrowString("Raw Disk Images"));
        return true;
    }
    std::unique_ptr<emu::Computer> NewInstance() const override { return std::make_unique<DriveMachine>(); }
};

std::unique_ptr<emu::Computer> MakeDriveMachine() {
    return std::make_unique<DriveMachine>();
}
constexpr emu::EmulatorConfig::MachineListEntry kDriveList[] = {{&MakeDriveMachine, false}};

class DriveCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        config = app_test::MakeConfig(program.Folders(), kDriveList);
        core = config->CreateCore(0);
        ASSERT_NE(core, nullptr);
        ASSERT_TRUE(core->Run());
        image.Assign(program.Folder().WriteFile(u"disk.img", std::string(1024, 'a')).c_str());
    }
    void TearDown() override {
        if (core != nullptr) {
            core->Shutdown();
        }
    }

    std::string PathOf(int32_t index) const { return core->GetDrive(index)->ImagePath().GetNarrow(); }
    bool Latched(int32_t index) const { return core->GetDrive(index)->latched; }

    app_test::TemporaryProgram program;
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore* core = nullptr;
    common::PathString image;
};

TEST_F(DriveCommandsTest, AMountNeedsAnExistingFileOrFolderAndAnExistingDrive) {
    ASSERT_TRUE(emu::MountDriveImage(*core, 1, image, false));
    EXPECT_EQ(PathOf(1), std::string(image.GetNarrow()));
    EXPECT_TRUE(core->GetDrive(1)->Image().IsOpen());

    // A missing file, a folder as a file, a file as a folder, an empty path and a drive that is not there leave the
    // mounted image in place.
    const common::PathString folder = common::GetPathPart(image, -1);
    const struct {
        common::PathString path;
        bool folder;
        int32_t index;
    } refused[] = {
        {common::PathString(program.Folder().PathOf(u"missing.img").c_str()), false, 1},
        {folder, false, 1},
        {image, true, 1},
        {common::PathString(), false, 1},
        {image, false, 3},
        {image, false, -1},
    };
    for (const auto& each : refused) {
        EXPECT_FALSE(emu::MountDriveImage(*core, each.index, each.path, each.folder)) << each.path.GetNarrow();
        EXPECT_EQ(PathOf(1), std::string(image.GetNarrow()));
    }

    // A folder passes the check; without a folder disk behind the slot the drive ends empty.
    EXPECT_TRUE(emu::MountDriveImage(*core, 2, folder, true));
    EXPECT_FALSE(core->GetDrive(2)->Image().IsOpen());
}

TEST_F(DriveCommandsTest, LatchTogglesAndUnloadEjectsAndOpensTheLatch) {
    ASSERT_TRUE(emu::MountDriveImage(*core, 0, image, false));
    const bool initial = Latched(0);
    ASSERT_TRUE(emu::ToggleDriveLatch(*core, 0));
    EXPECT_EQ(Latched(0), !initial);
    ASSERT_TRUE(emu::ToggleDriveLatch(*core, 0));
    EXPECT_EQ(Latched(0), initial);
    if (!Latched(0)) {
        ASSERT_TRUE(emu::ToggleDriveLatch(*core, 0));
    }

    ASSERT_TRUE(emu::UnloadDrive(*core, 0));
    EXPECT_FALSE(core->GetDrive(0)->Image().IsOpen());
    EXPECT_TRUE(PathOf(0).empty());
    EXPECT_FALSE(Latched(0));

    EXPECT_FALSE(emu::ToggleDriveLatch(*core, 5));
    EXPECT_FALSE(emu::UnloadDrive(*core, 5));
}

TEST_F(DriveCommandsTest, TheDialogOffersTheDrivesTypesThenEveryFile) {
    const auto texts = [](const std::vector<emu::FileFilter>& filters) {
        std::vector<std::string> out;
        for (const emu::FileFilter& filter : filters) {
            out.push_back(std::string(filter.extension.GetNarrow()) + "|" +
                          std::string(filter.description.GetNarrow()));
        }
        return out;
    };
    EXPECT_EQ(texts(emu::DriveFileFilters(core->GetDrive(0))),
              (std::vector<std::string>{"img|Raw Disk Images", "*|All Files"}));
    EXPECT_EQ(texts(emu::DriveFileFilters(core->GetDrive(1))), std::vector<std::string>{"*|All Files"});
    EXPECT_EQ(texts(emu::DriveFileFilters(nullptr)), std::vector<std::string>{"*|All Files"});
}

TEST_F(DriveCommandsTest, AnIndicatorFindsItsDrive) {
    int marker = 0;
    core->GetDrive(2)->indicator = &marker;
    EXPECT_EQ(emu::DriveIndexOfIndicator(*core, &marker), 2);
    EXPECT_EQ(emu::DriveIndexOfIndicator(*core, nullptr), -1);
    int other = 0;
    EXPECT_EQ(emu::DriveIndexOfIndicator(*core, &other), -1);
    core->GetDrive(2)->indicator = nullptr;
}

TEST_F(DriveCommandsTest, ADialogPausesOnlyARunningMachineAndResumesOnlyWhatItPaused) {
    {
        emu::DialogPause stopped(core);
        EXPECT_FALSE(core->IsBreakPending());
    }
    ASSERT_TRUE(core->Start(false, false));
    {
        emu::DialogPause running(core);
        EXPECT_TRUE(core->IsBreakPending());
    }
    EXPECT_FALSE(core->IsBreakPending());
    core->Pause(false);
    { emu::DialogPause paused(core); }
    EXPECT_TRUE(core->IsBreakPending());
    core->Stop();
}

TEST(DriveLabelTest, EachDriveIsLabelledByItsKindAndPlace) {
    struct Case {
        emu::DriveCounts counts;
        std::vector<int32_t> ids;
    };
    const Case cases[] = {
        {{2, 0, 0, 0, 2}, {50, 51}},
        {{4, 0, 0, 0, 4}, {50, 51, 52, 53}},
        {{2, 2, 0, 0, 4}, {50, 51, 55, 56}},
        {{0, 0, 1, 0, 1}, {45}},
        {{2, 0, 1, 0, 3}, {50, 51, 45}},
        {{0, 1, 0, 2, 3}, {55, 60, 61}},
        {{5, 0, 0, 0, 5}, {50, 51, 52, 53, -1}},
        {{}, {}},
    };
    for (const Case& each : cases) {
        std::vector<int32_t> ids;
        for (int32_t i = 0; i < each.counts.total; ++i) {
            ids.push_back(emu::DriveLabelTextId(i, each.counts));
        }
        EXPECT_EQ(ids, each.ids);
        EXPECT_EQ(emu::DriveLabelTextId(-1, each.counts), -1);
        EXPECT_EQ(emu::DriveLabelTextId(each.counts.total, each.counts), -1);
    }
}

} // namespace
