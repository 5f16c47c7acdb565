// The core before its thread runs: construction, the option trees, renderers and sound outputs, a new machine, and
// requests that find no thread.
#include "CoreTestMachines.h"

#include "common/OptionNode.h"
#include "common/WideString.h"
#include "emu/core/NullRenderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace app_test {
namespace {

using emu::OptionKind;

// A stand-in whose every setting group adds one item named after it, and which may offer the sync frequency.
class GroupMachine : public StandInModel {
public:
    explicit GroupMachine(bool syncFrequency) : StandInModel(0), syncFrequency(syncFrequency) {}
    bool UsesSyncFrequency() const override { return syncFrequency; }
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override {
        item->AddItem(common::NarrowString(("g" + std::to_string(static_cast<int32_t>(kind))).c_str()));
    }

private:
    bool syncFrequency;
};

// A renderer that counts the ones deleted.
class CountedRenderer : public emu::NullRenderer {
public:
    explicit CountedRenderer(int32_t& deleted) : deleted(deleted) {}
    ~CountedRenderer() override { ++deleted; }

private:
    int32_t& deleted;
};

// The captions of a tree's items, "-" for a separator; a submenu's items in brackets.
std::string Captions(const common::OptionNode& tree) {
    std::string text;
    for (int32_t index = 0; index < tree.ChildCount(); ++index) {
        const common::OptionNode& item = *tree.ChildAt(index);
        text += index == 0 ? "" : " ";
        text += item.IsSeparator() ? "-" : item.Text().GetNarrow();
        if (item.ChildCount() != 0) {
            text += "[" + Captions(item) + "]";
        }
    }
    return text;
}

class EmulatorCoreTest : public testing::Test {
protected:
    EmulatorCoreTest() {
        emu::EmulatorConfig::Environment environment;
        environment.folders = program.Folders();
        environment.textLookup = [](int32_t id) { return common::WideString(("T" + std::to_string(id)).c_str()); };
        config = std::make_unique<emu::EmulatorConfig>(std::move(environment), kStandInList,
                                                       emu::EmulatorConfig::HostMedia());
    }

    std::unique_ptr<emu::EmulatorCore> Make(std::unique_ptr<emu::Computer> machine) {
        return std::make_unique<emu::EmulatorCore>(config.get(), std::move(machine),
                                                   std::make_unique<emu::NullRenderer>(),
                                                   std::make_unique<emu::HostSoundOutput>(), &surface);
    }

    TemporaryProgram program;
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::OffscreenRenderer surface;
};

TEST_F(EmulatorCoreTest, NewCoreShowsTheMachinesTitleAsItsBanner) {
    const auto core = Make(std::make_unique<StandInModel>(1));
    EXPECT_EQ(TakeConsoleTexts(*core), std::vector<std::string>{"Computer \"BK-0010.01\""});
    EXPECT_TRUE(core->Console().IsCentred());
    EXPECT_TRUE(core->ConsoleMode());
    EXPECT_NE(core->ConsoleSurface(), nullptr);
    EXPECT_STREQ(core->ConsoleSurface()->Name(), "Offscreen");
    EXPECT_FALSE(core->IsThreadActive());
    EXPECT_FALSE(core->TakeStatusChanged());
    EXPECT_EQ(core->Machine()->Renderer(), core->Renderer());
}

TEST_F(EmulatorCoreTest, OptionTreesAreFilledByGroupInTheirOrder) {
    const auto core = Make(std::make_unique<GroupMachine>(true));
    for (const int32_t id : {0, 2, 6, 8, 9, 12}) {
        EXPECT_EQ(core->GetParam(static_cast<OptionKind>(id)), nullptr) << id;
    }
    struct Case {
        OptionKind tree;
        const char* captions;
    };
    const Case cases[] = {
        {OptionKind::Computer, "g1 - T33[T34 T35 T36 T37 T38] g2"},
        {OptionKind::Video, "g3"},
        {OptionKind::Sound, "g4"},
        {OptionKind::Input, "g5"},
        {OptionKind::Trace, "g7 - g6 - g9"},
        {OptionKind::Settings, "g10 - T39"},
        {OptionKind::Drives, "g11"},
    };
    for (const Case& test : cases) {
        const int32_t id = static_cast<int32_t>(test.tree);
        ASSERT_NE(core->GetParam(test.tree), nullptr) << id;
        EXPECT_EQ(Captions(*core->GetParam(test.tree)), test.captions) << id;
    }

    // The rate items choose EmuSyncFreq while the machine is off.
    common::OptionNode& rates = *core->GetParam(OptionKind::Computer)->ChildAt(2);
    EXPECT_TRUE(rates.ChildAt(3)->IsEnabled());
    EXPECT_TRUE(rates.ChildAt(3)->Activate());
    EXPECT_EQ(config->EmuSyncFreq, 3);
    EXPECT_TRUE(rates.ChildAt(3)->IsChecked());
    // The console filter follows its item.
    common::OptionNode& ignoreRepeats = *core->GetParam(OptionKind::Settings)->ChildAt(2);
    EXPECT_FALSE(ignoreRepeats.IsChecked());
    EXPECT_TRUE(ignoreRepeats.Activate());
    TakeConsoleTexts(*core);
    core->Console().AppendLine(common::NarrowString("same"));
    core->Console().AppendLine(common::NarrowString("same"));
    EXPECT_EQ(TakeConsoleTexts(*core), std::vector<std::string>{"same"});

    // No rate for a machine that does not offer it; nothing without a machine.
    ASSERT_TRUE(core->SetMachine(std::make_unique<GroupMachine>(false)));
    EXPECT_EQ(Captions(*core->GetParam(OptionKind::Computer)), "g1 g2");
    ASSERT_TRUE(core->SetMachine(nullptr));
    for (const OptionKind tree : emu::EmulatorCore::kOptionTreeKinds) {
        EXPECT_EQ(core->GetParam(tree)->ChildCount(), 0) << static_cast<int32_t>(tree);
    }
}

TEST_F(EmulatorCoreTest, TheConsoleFilterChosenInItsMenuIsKeptByTheNextMachineAndTheSettingsFile) {
    const auto core = Make(std::make_unique<GroupMachine>(false));
    const auto filterItem = [&] { return core->GetParam(OptionKind::Settings)->ChildAt(2); };
    ASSERT_TRUE(filterItem()->Activate());
    EXPECT_TRUE(config->dbgIgnoreConsoleDupStr);

    ASSERT_TRUE(core->SetMachine(std::make_unique<GroupMachine>(false)));
    EXPECT_TRUE(filterItem()->IsChecked());
    TakeConsoleTexts(*core);
    core->Console().AppendLine(common::NarrowString("same"));
    core->Console().AppendLine(common::NarrowString("same"));
    EXPECT_EQ(TakeConsoleTexts(*core), std::vector<std::string>{"same"});

    ASSERT_TRUE(config->SaveSettings());
    emu::EmulatorConfig::Environment environment;
    environment.folders = program.Folders();
    emu::EmulatorConfig restarted(std::move(environment), kStandInList, emu::EmulatorConfig::HostMedia());
    ASSERT_TRUE(restarted.LoadSettings());
    EXPECT_TRUE(restarted.dbgIgnoreConsoleDupStr);

    // And off again the same way.
    ASSERT_TRUE(filterItem()->Activate());
    EXPECT_FALSE(config->dbgIgnoreConsoleDupStr);
}

TEST_F(EmulatorCoreTest, RenderersAreKeptOrOwnedAsTheyAreGiven) {
    const auto core = Make(std::make_unique<StandInModel>(0));
    int32_t deleted = 0;
    auto* borrowed = new CountedRenderer(deleted);
    core->SetRenderer(borrowed, false);
    EXPECT_EQ(core->Renderer(), borrowed);
    EXPECT_EQ(core->Machine()->Renderer(), borrowed);
    core->SetRenderer(borrowed, true);
    EXPECT_EQ(deleted, 0) << "the same renderer only changes hands";
    core->SetRenderer(nullptr, false);
    EXPECT_EQ(deleted, 1) << "an owned renderer goes when replaced";
    ASSERT_NE(core->Renderer(), nullptr);
    EXPECT_STREQ(core->Renderer()->Name(), "No Rendering");

    CountedRenderer kept(deleted);
    core->SetRenderer(&kept, true);
    core->SetRenderer(&kept, false);
    core->SetRenderer(nullptr, false);
    EXPECT_EQ(deleted, 1) << "a renderer the core does not own stays";
}

TEST_F(EmulatorCoreTest, SoundOutputIsHandedToTheMachine) {
    const auto core = Make(std::make_unique<StandInModel>(0));
    auto output = std::make_unique<emu::HostSoundOutput>();
    emu::HostSoundOutput* attached = output.get();
    EXPECT_TRUE(core->SetOutputSink(std::move(output)));
    EXPECT_EQ(core->OutputSink(), attached);
    EXPECT_EQ(core->Machine()->SoundOutput(), attached);
    EXPECT_TRUE(core->SetOutputSink(nullptr));
    EXPECT_EQ(core->Machine()->SoundOutput(), nullptr);
}

TEST_F(EmulatorCoreTest, NewMachineTakesThePlaceOfTheOld) {
    const auto core = Make(std::make_unique<StandInModel>(0));
    TakeConsoleTexts(*core);
    core->Console().SetCentred(false);
    ASSERT_TRUE(core->SetMachine(std::make_unique<StandInModel>(4)));
    EXPECT_STREQ(core->Machine()->ModelId(), "bk_11m_f");
    EXPECT_EQ(TakeConsoleTexts(*core), std::vector<std::string>{"Computer \"BK-0011M + FDD\""});
    EXPECT_TRUE(core->Console().IsCentred());
    EXPECT_EQ(core->Machine()->Renderer(), core->Renderer());
}

TEST_F(EmulatorCoreTest, RequestsWithoutAThreadDoNothing) {
    const auto core = Make(std::make_unique<StandInModel>(0));
    TakeConsoleTexts(*core);
    int32_t counts[4] = {7, 7, 7, 7};
    EXPECT_EQ(core->GetDriveInfo(counts[0], counts[1], counts[2], counts[3]), 0);
    EXPECT_EQ(counts[0] + counts[1] + counts[2] + counts[3], 28) << "the outputs stay as they were";
    EXPECT_EQ(core->GetDrive(0), nullptr);
    EXPECT_EQ(core->GetDriveSet(), nullptr);
    common::WideString status("old");
    core->GetStatusText(status);
    EXPECT_TRUE(status.IsEmpty());
    EXPECT_FALSE(core->SetRunState(false, false));
    EXPECT_TRUE(core->OnKeyChar(0x41, true));
    EXPECT_TRUE(core->OnMouseEvent(1, 1, 0));
    core->SetConsoleMode(false, true);
    EXPECT_TRUE(core->ConsoleMode()) << "the mode changes only while the thread runs";
    EXPECT_TRUE(core->PresentFrame(true, true));
    EXPECT_FALSE(core->SaveStateToMemory(core->Snapshot(), false, true));
    EXPECT_FALSE(core->LoadStateFromMemory(core->Snapshot(), false));
    core->BreakEmulation(true);
    core->ResumeEmulation();
    EXPECT_FALSE(core->IsBreakPending());
    EXPECT_TRUE(TakeConsoleTexts(*core).empty());

    // The pause handshake returns at once and still counts.
    EXPECT_TRUE(core->HoldThread(true));
    EXPECT_TRUE(core->HoldThread(true));
    EXPECT_EQ(core->PauseDepth(), 2);
    core->HoldThread(false);
    core->HoldThread(false);
    core->HoldThread(false);
    EXPECT_EQ(core->PauseDepth(), 0);
}

} // namespace
} // namespace app_test
