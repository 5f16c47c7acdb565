// The state dialogs' choices carried out on a core whose thread runs: what each dialog offers, the snapshot kept
// until a whole new one replaces it, the model's state file, refused loads that change nothing, and a real
// "BK-0010.01" whose screen memory comes back from the snapshot.
#include "frontend/StateChoices.h"

#include "app/CoreTestMachines.h"
#include "common/MemoryStream.h"
#include "emu/core/Computer.h"
#include "emu/core/MemoryMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using app_test::Eventually;
using app_test::StandInModel;
using app_test::WhileHeld;

std::vector<uint8_t> Bytes(common::MemoryStream& stream) {
    const uint8_t* data = stream.GetBuffer();
    return data == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(data, data + stream.Size());
}

class StateChoicesTest : public testing::Test {
protected:
    void SetUp() override {
        config = app_test::MakeConfig(program.Folders(), app_test::kStandInList);
        core = config->CreateCore(1);
        ASSERT_NE(core, nullptr);
        ASSERT_TRUE(core->Run());
    }
    void TearDown() override {
        if (core != nullptr) {
            core->Shutdown();
        }
    }

    void PowerOn() {
        ASSERT_TRUE(core->Start(false, false));
        ASSERT_TRUE(Eventually([this] { return Counter() > 100; }));
    }
    void Pause() {
        core->Pause(false);
        ASSERT_TRUE(Eventually([this] { return core->IsBreakPending() && core->IsParked(); }));
    }
    // The stand-in's program counts in R0 while it runs.
    uint16_t Counter() {
        return WhileHeld(*core, [this] { return static_cast<StandInModel*>(core->Machine())->Cpu().Register(0); });
    }
    bool Running() const { return core->IsPowered() && !core->IsBreakPending(); }
    std::vector<std::filesystem::path> StateFiles() const { return app_test::StateFilesUnder(program.Folder().Path()); }

    app_test::TemporaryProgram program;
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore* core = nullptr;
};

TEST_F(StateChoicesTest, WhatTheDialogsOfferFollowsTheMachineAndTheSnapshot) {
    // Stopped, no snapshot: no save dialog, and the load dialog gives way to the file.
    EXPECT_FALSE(emu::CanSaveState(core));
    EXPECT_FALSE(emu::CanSaveState(nullptr));
    EXPECT_TRUE(emu::OffersSaveToMemory(*core));
    EXPECT_FALSE(emu::HasMemorySnapshot(*core));
    EXPECT_FALSE(emu::LoadDialogOpens(*core));

    ASSERT_NO_FATAL_FAILURE(PowerOn());
    EXPECT_TRUE(emu::CanSaveState(core));
    EXPECT_TRUE(emu::LoadDialogOpens(*core));
    EXPECT_FALSE(emu::HasMemorySnapshot(*core)) << "\"from Memory\" stays grey until a save to memory";

    const emu::StateOutcome saved = emu::SaveStateChoice(*core, emu::kStateChoiceMemory);
    EXPECT_TRUE(saved.attempted);
    EXPECT_TRUE(saved.succeeded);
    EXPECT_TRUE(emu::HasMemorySnapshot(*core));
    EXPECT_TRUE(Running());

    // Stopped with a snapshot: the load dialog opens, to offer it.
    core->Stop();
    ASSERT_FALSE(core->IsPowered());
    EXPECT_FALSE(emu::CanSaveState(core));
    EXPECT_TRUE(emu::LoadDialogOpens(*core));
}

TEST_F(StateChoicesTest, ToMemoryThenFromMemoryRestoresTheSavedMachine) {
    ASSERT_NO_FATAL_FAILURE(PowerOn());
    ASSERT_NO_FATAL_FAILURE(Pause());
    const uint16_t atSave = Counter();
    ASSERT_TRUE(emu::SaveStateChoice(*core, emu::kStateChoiceMemory).succeeded);
    EXPECT_TRUE(core->IsBreakPending()) << "a paused machine stays paused";
    EXPECT_TRUE(StateFiles().empty()) << "the snapshot is no file";

    core->Resume();
    ASSERT_TRUE(Eventually([&] { return Counter() != atSave; }));
    ASSERT_NO_FATAL_FAILURE(Pause());
    ASSERT_NE(Counter(), atSave);

    const emu::StateOutcome loaded = emu::LoadStateChoice(*core, emu::kStateChoiceMemory);
    EXPECT_TRUE(loaded.attempted);
    EXPECT_TRUE(loaded.succeeded);
    EXPECT_EQ(Counter(), atSave);
    EXPECT_TRUE(core->IsBreakPending());
    EXPECT_TRUE(emu::HasMemorySnapshot(*core)) << "a load keeps the snapshot for the next one";
}

TEST_F(StateChoicesTest, CancelAndUnknownResultsDoNothing) {
    ASSERT_NO_FATAL_FAILURE(PowerOn());
    ASSERT_TRUE(emu::SaveStateChoice(*core, emu::kStateChoiceMemory).succeeded);
    const std::vector<uint8_t> snapshot = Bytes(core->Snapshot());
    ASSERT_NO_FATAL_FAILURE(Pause());
    const uint16_t counter = Counter();

    for (const int32_t result : {0, 1, 2, 3, 6, -1}) {
        SCOPED_TRACE(result);
        const emu::StateOutcome save = emu::SaveStateChoice(*core, result);
        const emu::StateOutcome load = emu::LoadStateChoice(*core, result);
        EXPECT_FALSE(save.attempted);
        EXPECT_FALSE(load.attempted);
    }
    EXPECT_EQ(Bytes(core->Snapshot()), snapshot);
    EXPECT_EQ(Counter(), counter);
    EXPECT_TRUE(StateFiles().empty());
}

TEST_F(StateChoicesTest, AFailedSaveToMemoryKeepsTheSnapshotThereWas) {
    ASSERT_NO_FATAL_FAILURE(PowerOn());
    ASSERT_TRUE(emu::SaveStateChoice(*core, emu::kStateChoiceMemory).succeeded);
    const std::vector<uint8_t> snapshot = Bytes(core->Snapshot());
    ASSERT_FALSE(snapshot.empty());

    // A stopped machine has no state to save: the save is refused and says so.
    core->Stop();
    const emu::StateOutcome refused = emu::SaveStateChoice(*core, emu::kStateChoiceMemory);
    EXPECT_TRUE(refused.attempted);
    EXPECT_FALSE(refused.succeeded);
    // The core printed nothing this time: the reason is no leftover of the save before.
    EXPECT_EQ(std::string(refused.reason.GetNarrow()), "[ERROR] Error while saving state to memory");
    EXPECT_EQ(Bytes(core->Snapshot()), snapshot);
    EXPECT_TRUE(emu::HasMemorySnapshot(*core));

    // Loading it powers the machine on with the saved state, and the machine runs.
    ASSERT_TRUE(emu::LoadStateChoice(*core, emu::kStateChoiceMemory).succeeded);
    EXPECT_TRUE(Eventually([this] { return Running(); }));
}

TEST_F(StateChoicesTest, ToFileWritesTheModelsStateFileAndAStoppedMachineLoadsIt) {
    ASSERT_NO_FATAL_FAILURE(PowerOn());
    const emu::StateOutcome saved = emu::SaveStateChoice(*core, emu::kStateChoiceFile);
    EXPECT_TRUE(saved.attempted);
    EXPECT_TRUE(saved.succeeded);
    const std::vector<std::filesystem::path> files = StateFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.front().filename(), "bk_10_01.sav");
    EXPECT_EQ(files.front().parent_path().filename(), "states");
    EXPECT_FALSE(emu::HasMemorySnapshot(*core)) << "the file is no snapshot";
    EXPECT_TRUE(Running());

    // Stopped without a snapshot, the file is what the load dialog loads at once.
    core->Stop();
    ASSERT_FALSE(emu::LoadDialogOpens(*core));
    const emu::StateOutcome loaded = emu::LoadStateChoice(*core, emu::kStateChoiceFile);
    EXPECT_TRUE(loaded.attempted);
    EXPECT_TRUE(loaded.succeeded);
    EXPECT_TRUE(Eventually([this] { return Running(); }));
}

TEST_F(StateChoicesTest, ARefusedLoadLeavesTheMachineAsItWasAndNamesTheReason) {
    // No snapshot: "from Memory" loads nothing.
    ASSERT_NO_FATAL_FAILURE(PowerOn());
    EXPECT_FALSE(emu::LoadStateChoice(*core, emu::kStateChoiceMemory).attempted);

    // No file yet.
    ASSERT_NO_FATAL_FAILURE(Pause());
    const uint16_t counter = Counter();
    const emu::StateOutcome missing = emu::LoadStateChoice(*core, emu::kStateChoiceFile);
    EXPECT_TRUE(missing.attempted);
    EXPECT_FALSE(missing.succeeded);
    EXPECT_EQ(std::string(missing.reason.GetNarrow()),
              "State not loaded, because file \"bk_10_01.sav\" did not exists (no state was saved?)");
    EXPECT_EQ(Counter(), counter);
    EXPECT_TRUE(core->IsBreakPending());

    // A cut copy of a saved file.
    ASSERT_TRUE(emu::SaveStateChoice(*core, emu::kStateChoiceFile).succeeded);
    const std::filesystem::path file = StateFiles().at(0);
    std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
    core->Resume();
    ASSERT_TRUE(Eventually([&] { return Counter() != counter; }));
    ASSERT_NO_FATAL_FAILURE(Pause());
    const uint16_t before = Counter();
    const emu::StateOutcome cut = emu::LoadStateChoice(*core, emu::kStateChoiceFile);
    EXPECT_TRUE(cut.attempted);
    EXPECT_FALSE(cut.succeeded);
    const std::string reason(cut.reason.GetNarrow());
    EXPECT_NE(reason.find("[ERROR] Error while loading state from file \"bk_10_01.sav\""), std::string::npos) << reason;
    EXPECT_EQ(Counter(), before);
    EXPECT_TRUE(core->IsBreakPending());

    // A running machine runs on.
    core->Resume();
    EXPECT_FALSE(emu::LoadStateChoice(*core, emu::kStateChoiceFile).succeeded);
    EXPECT_TRUE(Running());
}

// The real models: each keeps its state in a snapshot, and a "BK-0010.01" gets its screen memory back from it.
class RealModelStateChoicesTest : public testing::Test {
protected:
    void SetUp() override {
        if (!program.RealRomFolders(folders)) {
            GTEST_SKIP() << "BK_ROM_DIR is not set";
        }
        config = app_test::MakeConfig(folders, emu::EmulatorConfig::MachineList());
    }
    void TearDown() override {
        if (core != nullptr) {
            core->Shutdown();
        }
    }

    // The screen's 16 KB.
    std::vector<uint16_t> Screen() {
        return WhileHeld(*core, [this] {
            std::vector<uint16_t> words;
            for (uint32_t address = kScreen; address < kScreen + 040000; address += 2) {
                words.push_back(core->Machine()->Memory()->ReadWord(address, 1));
            }
            return words;
        });
    }

    static constexpr uint32_t kScreen = 040000;
    app_test::TemporaryProgram program;
    common::ProgramFolders folders{common::ProgramFolders::Host()};
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore* core = nullptr;
};

TEST_F(RealModelStateChoicesTest, TheSnapshotBringsTheScreenBack) {
    int32_t bk0010_01 = -1;
    for (int32_t index = 0; index < static_cast<int32_t>(config->Machines.size()); ++index) {
        const emu::Computer* model = config->GetMachine(index);
        if (model == nullptr) {
            continue;
        }
        EXPECT_TRUE(model->SupportsMemoryState()) << model->Name().GetNarrow();
        if (model->Name().Compare("BK-0010.01") == 0) {
            bk0010_01 = index;
        }
    }
    ASSERT_GE(bk0010_01, 0);
    core = config->CreateCore(bk0010_01);
    ASSERT_NE(core, nullptr);
    ASSERT_TRUE(core->Run());
    EXPECT_TRUE(emu::OffersSaveToMemory(*core));
    ASSERT_TRUE(core->Start(false, false));
    // The ROM's banner stands on the screen.
    ASSERT_TRUE(Eventually(
        [this] {
            const std::vector<uint16_t> words = Screen();
            return std::any_of(words.begin(), words.end(), [](uint16_t word) { return word != 0; });
        },
        std::chrono::seconds(60)));
    core->Pause(false);
    ASSERT_TRUE(Eventually([this] { return core->IsBreakPending() && core->IsParked(); }));
    const std::vector<uint16_t> saved = Screen();
    ASSERT_TRUE(emu::SaveStateChoice(*core, emu::kStateChoiceMemory).succeeded);
    // Stripes over the whole screen.
    ASSERT_TRUE(core->HoldThread(true));
    for (uint32_t address = kScreen; address < kScreen + 040000; address += 2) {
        core->Machine()->Memory()->WriteWord(address, 0125252);
    }
    core->HoldThread(false);
    ASSERT_NE(Screen(), saved);

    ASSERT_TRUE(emu::LoadStateChoice(*core, emu::kStateChoiceMemory).succeeded);
    EXPECT_EQ(Screen(), saved);
}

} // namespace
