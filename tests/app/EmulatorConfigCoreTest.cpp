// Cores made by the configuration: which model they run, new machines for a core, removal, and each model of the
// list run headless from start to a state file and the settings file.
#include "CoreTestMachines.h"

#include "common/MemoryStream.h"
#include "common/WideString.h"
#include "emu/core/DriveSet.h"
#include "emu/core/NullRenderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace app_test {
namespace {

using namespace std::chrono_literals;

// A stand-in with two floppy drives.
class DriveModel : public StandInModel {
public:
    DriveModel() : StandInModel(2) { Drives()->SetCount(emu::DriveKind::Floppy, 2); }
    std::unique_ptr<emu::Computer> NewInstance() const override { return std::make_unique<DriveModel>(); }
    bool CreateServices() override {
        return StandInModel::CreateServices() && Drives()->SetCount(emu::DriveKind::Floppy, 2);
    }
};

class ConfigCoreTest : public testing::Test {
protected:
    ConfigCoreTest() : config(MakeConfig(program.Folders(), kStandInList)) {}

    static std::string ModelOf(const emu::EmulatorCore* core) {
        return core != nullptr ? core->Machine()->ModelId() : "none";
    }

    Watchdog watchdog{120s};
    TemporaryProgram program;
    std::unique_ptr<emu::EmulatorConfig> config;
};

TEST_F(ConfigCoreTest, CoreRunsTheModelAtItsIndexOrTheDefaultOne) {
    struct Case {
        const char* defaultConfig;
        int32_t index;
        const char* model;
        int32_t machineIndex;
    };
    const Case cases[] = {
        {"", 1, "bk_10_01", 1},          {"", 3, "bk_0010", 0},       {"", 5, "bk_11m_f", 5},
        {"", -1, "bk_0010", 0},          {"bk_11m", -1, "bk_11m", 4}, {"bk_9999", -1, "bk_0010", 0},
        {"bk_10_fd", -7, "bk_10_fd", 2},
    };
    for (const Case& test : cases) {
        config->EmuDefaultConfig.Assign(test.defaultConfig);
        config->EmuFastInit = test.index == 1;
        emu::EmulatorCore* core = config->CreateCore(test.index);
        ASSERT_NE(core, nullptr) << test.index;
        EXPECT_EQ(ModelOf(core), test.model) << test.index;
        EXPECT_EQ(core->MachineIndex(), test.machineIndex) << test.index;
        EXPECT_STREQ(config->EmuDefaultConfig.GetNarrow(), test.model) << test.index;
        EXPECT_EQ(core->FastInitialization(), test.index == 1);
        EXPECT_TRUE(core->IsThreadActive());
        config->RemoveCore(core);
    }
    EXPECT_EQ(config->CreateCore(6), nullptr);
    EXPECT_TRUE(config->Cores.empty());
}

TEST_F(ConfigCoreTest, OpenMachineMakesACoreOrGivesItAnotherMachine) {
    emu::EmulatorCore* core = nullptr;
    ASSERT_TRUE(config->OpenMachine(core, 1));
    EXPECT_EQ(ModelOf(core), "bk_10_01");
    ASSERT_TRUE(core->SetRunState(false, false));

    EXPECT_TRUE(config->OpenMachine(core, 4));
    EXPECT_EQ(ModelOf(core), "bk_11m");
    EXPECT_FALSE(core->IsPowered()) << "the running machine was stopped first";
    EXPECT_EQ(core->MachineIndex(), 4);
    EXPECT_FALSE(config->OpenMachine(core, 3));
    EXPECT_FALSE(config->OpenMachine(core, 9));
    EXPECT_EQ(ModelOf(core), "bk_11m");
    EXPECT_EQ(config->Cores.size(), 1U);
    EXPECT_TRUE(core->SetRunState(false, false));
}

TEST_F(ConfigCoreTest, CoreNotInTheListIsStillShutDownAndDeleted) {
    auto* core =
        new emu::EmulatorCore(config.get(), std::make_unique<StandInModel>(0), std::make_unique<emu::NullRenderer>(),
                              std::make_unique<emu::HostSoundOutput>(), nullptr);
    ASSERT_TRUE(core->Run());
    ASSERT_TRUE(core->SetRunState(false, false));
    config->RemoveCore(core);
    EXPECT_TRUE(config->Cores.empty());
}

TEST_F(ConfigCoreTest, DrivesAreCountedAndHandedOutByIndex) {
    static constexpr emu::EmulatorConfig::MachineListEntry kList[] = {
        {[] { return std::unique_ptr<emu::Computer>(std::make_unique<DriveModel>()); }, false}};
    config = MakeConfig(program.Folders(), kList);
    emu::EmulatorCore* core = config->CreateCore(0);
    ASSERT_NE(core, nullptr);
    int32_t floppies = -1;
    int32_t hardDisks = -1;
    int32_t cartridges = -1;
    int32_t cdRoms = -1;
    EXPECT_EQ(core->GetDriveInfo(floppies, hardDisks, cartridges, cdRoms), 2);
    EXPECT_EQ(floppies, 2);
    EXPECT_EQ(hardDisks + cartridges + cdRoms, 0);
    EXPECT_NE(core->GetDrive(1), nullptr);
    EXPECT_EQ(core->GetDrive(2), nullptr);
    EXPECT_EQ(core->GetDrive(-1), nullptr);
    EXPECT_EQ(core->GetDriveSet(), core->Machine()->Drives());
}

// The window title shows the status line: a translated speed label must reach it letter for letter.
TEST_F(ConfigCoreTest, StatusLineKeepsATranslatedSpeedLabel) {
    constexpr int32_t kSpeedText = 88;
    config = MakeConfig(program.Folders(), kStandInList, 20000,
                        [](int32_t id) { return common::WideString(id == kSpeedText ? u"Скорость" : u""); });
    emu::EmulatorCore* core = config->CreateCore(0);
    ASSERT_NE(core, nullptr);
    ASSERT_TRUE(core->SetRunState(false, false));
    common::WideString status;
    core->GetStatusText(status);
    const std::u16string text(status.GetWide());
    EXPECT_NE(text.find(u", Скорость="), std::u16string::npos) << status.GetNarrow();
}

// What the program does with each model of the list, headless: pick it, start its core and power it on, run it in
// step with real time and at full speed, type a key, save its state into a file that a fresh core loads and saves
// again to the same bytes, and keep the settings file.
TEST_F(ConfigCoreTest, EveryModelRunsHeadlessFromStartToItsStateFile) {
    for (const int32_t index : {0, 1, 2, 4, 5}) {
        config = MakeConfig(program.Folders(), kStandInList);
        config->SelectMachine(index);
        emu::EmulatorCore* core = config->CreateCore(-1);
        ASSERT_NE(core, nullptr) << index;
        auto& machine = *static_cast<StandInModel*>(core->Machine());
        ASSERT_TRUE(core->SetRunState(false, false)) << index;
        EXPECT_TRUE(core->SyncActive());
        EXPECT_EQ(core->RunMode(), emu::LoopMode::Synced);
        common::WideString status;
        core->GetStatusText(status);
        const std::string expected = std::string(machine.Name().GetNarrow()) + " (CPU PDP-11=3.00 MHz, Speed=";
        EXPECT_EQ(std::string(status.GetNarrow()).substr(0, expected.size()), expected) << status.GetNarrow();

        core->OnKeyChar(0x20, true);
        EXPECT_TRUE(Eventually([&] { return machine.Probe().lastKey == 0x20 && machine.Probe().lastKeyDown; }));

        // Full speed: Synchronization off at the next power-on.
        core->DetachMachine();
        core->SetSynchronization(false);
        ASSERT_TRUE(core->SetRunState(false, false));
        EXPECT_FALSE(core->SyncActive());
        core->BreakEmulation(false);
        ASSERT_TRUE(Eventually([&] { return core->IsBreakPending() && core->IsParked(); }));

        common::PathString folder;
        ASSERT_TRUE(core->SaveStateToFile(folder, false));
        common::MemoryStream saved;
        saved.Create(0, -1);
        ASSERT_TRUE(core->SaveStateToMemory(saved, false, false));
        config->RemoveCore(core);

        emu::EmulatorCore* fresh = config->CreateCore(index);
        ASSERT_NE(fresh, nullptr);
        ASSERT_TRUE(fresh->SetRunState(true, true));
        common::PathString again;
        ASSERT_TRUE(fresh->LoadStateFromFile(again, false)) << index;
        EXPECT_TRUE(fresh->IsBreakPending());
        common::MemoryStream resaved;
        resaved.Create(0, -1);
        ASSERT_TRUE(fresh->SaveStateToMemory(resaved, false, false));
        ASSERT_EQ(resaved.Size(), saved.Size()) << index;
        EXPECT_EQ(std::memcmp(resaved.GetBuffer(), saved.GetBuffer(), static_cast<size_t>(saved.Size())), 0) << index;

        ASSERT_TRUE(config->SaveSettings());
        const auto reread = MakeConfig(program.Folders(), kStandInList);
        EXPECT_TRUE(reread->LoadSettings());
        EXPECT_STREQ(reread->EmuDefaultConfig.GetNarrow(),
                     kModels[static_cast<size_t>(index < 3 ? index : index - 1)].id);
    }
}

} // namespace
} // namespace app_test
