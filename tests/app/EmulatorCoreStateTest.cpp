// State images of a running core: their bytes, a load into a fresh core that saves the same bytes again, state
// files in the settings and program folders, and loads and saves that fail and change nothing.
#include "CoreTestMachines.h"

#include "app/LoopStateChunk.h"
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/bk/BkFloppyController.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/SettingsFile.h"
#include "emu/devices/DiskDrive.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace app_test {
namespace {

using namespace std::chrono_literals;
using test_support::Bytes;
using test_support::ChunkBegin;
using test_support::ChunkEnd;
using test_support::Concat;
using test_support::Name;

Bytes ImagePrefix() {
    return Concat({ChunkBegin("ZOVSTATE"), {0xF8}, Name("_MAXCPU_"), {0x40, 0x00}, ChunkBegin("_EMUINIT")});
}

// Where the bytes hold the part, from the start; the end when they do not.
size_t Find(const Bytes& bytes, const Bytes& part, size_t from = 0) {
    const auto found =
        std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(), part.begin(), part.end());
    return static_cast<size_t>(found - bytes.begin());
}

// Where the value of the record named name stands in the chunk "_EMUCORE".
size_t LoopValueAt(const Bytes& image, const std::string& name) {
    const size_t chunk = Find(image, ChunkBegin("_EMUCORE"));
    const Bytes record = Concat({{0xF8}, Name(name)});
    return Find(image, record, chunk) + record.size() + 1;
}

Bytes Patched(Bytes image, size_t at, const Bytes& with) {
    std::copy(with.begin(), with.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    return image;
}

// The stand-in for "BK-0010 + FDD" with the floppy controller and its two drives.
class FloppyStandIn : public StandInModel {
public:
    FloppyStandIn() : StandInModel(2) {}

    std::unique_ptr<emu::Computer> NewInstance() const override { return std::make_unique<FloppyStandIn>(); }
    bool CreateServices() override {
        if (!StandInModel::CreateServices() || !Drives()->SetFloppyCount(2)) {
            return false;
        }
        auto made = std::make_unique<emu::BkFloppyController>();
        controller = made.get();
        return AddChild(std::move(made)) && controller->AddDrive(Drives()->DriveAt(emu::DriveKind::Floppy, 0)) &&
               controller->AddDrive(Drives()->DriveAt(emu::DriveKind::Floppy, 1));
    }

    emu::DriveSlot& Slot(int32_t index) const { return *Drives()->DriveAt(emu::DriveKind::Floppy, index); }
    emu::BkFloppyController* controller = nullptr;
};

inline constexpr emu::EmulatorConfig::MachineListEntry kFloppyList[] = {
    {[]() -> std::unique_ptr<emu::Computer> { return std::make_unique<FloppyStandIn>(); }, false}};

class CoreStateTest : public testing::Test {
protected:
    // A core of the model in a configuration of its own, powered on and standing at a break after it ran a
    // while.
    emu::EmulatorCore& AtBreak(std::unique_ptr<emu::EmulatorConfig>& config, size_t model = 0,
                               std::span<const emu::EmulatorConfig::MachineListEntry> machines = kStandInList) {
        config = MakeConfig(program.Folders(), machines);
        emu::EmulatorCore* core = config->CreateCore(static_cast<int32_t>(model < 3 ? model : model + 1));
        EXPECT_NE(core, nullptr);
        EXPECT_TRUE(core->SetRunState(false, true));
        EXPECT_TRUE(Eventually([&] {
            return WhileHeld(*core,
                             [&] { return static_cast<StandInModel*>(core->Machine())->Cpu().Register(0) > 100; });
        }));
        core->BreakEmulation(false);
        EXPECT_TRUE(Eventually([&] { return core->IsBreakPending() && core->IsParked(); }));
        TakeConsoleTexts(*core);
        return *core;
    }

    static Bytes Saved(emu::EmulatorCore& core) {
        common::MemoryStream stream;
        stream.Create(0, -1);
        EXPECT_TRUE(core.SaveStateToMemory(stream, false, false));
        return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
    }

    static bool Load(emu::EmulatorCore& core, Bytes bytes) {
        common::MemoryStream stream;
        stream.Create(0, -1);
        stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        return core.LoadStateFromMemory(stream, false);
    }

    // A program that is not installed keeps its data beside itself.
    std::filesystem::path StatesFolder() const { return program.Folder().Path() / "states"; }

    Watchdog watchdog{300s};
    TemporaryProgram program;
};

TEST_F(CoreStateTest, ImageIsOneChunkWithTheRunModeSettingsAndTheLoopsChunk) {
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore& core = AtBreak(config);
    const Bytes image = Saved(core);

    const Bytes prefix = ImagePrefix();
    ASSERT_GT(image.size(), prefix.size());
    EXPECT_EQ(Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(prefix.size())), prefix);
    const Bytes suffix = ChunkEnd("ZOVSTATE");
    EXPECT_EQ(Bytes(image.end() - static_cast<std::ptrdiff_t>(suffix.size()), image.end()), suffix);

    // The loop's chunk follows the settings and holds the synchronised loop's values.
    const size_t chunk = Find(image, ChunkBegin("_EMUCORE"));
    ASSERT_LT(chunk, image.size());
    EXPECT_LT(Find(image, ChunkEnd("_EMUINIT")), chunk);
    const Bytes head = Concat({ChunkBegin("_EMUCORE"),
                               test_support::U8Value("VER", 1),
                               test_support::U8Value("VERR", 1),
                               test_support::U8Value("MAXS", 0),
                               {0xF8},
                               Name("PC"),
                               {0x43}});
    EXPECT_EQ(Bytes(image.begin() + static_cast<std::ptrdiff_t>(chunk),
                    image.begin() + static_cast<std::ptrdiff_t>(chunk + head.size())),
              head);
    common::MemoryStream stream;
    Bytes rest(image.begin() + static_cast<std::ptrdiff_t>(chunk), image.end());
    stream.Attach(rest.data(), static_cast<int64_t>(rest.size()));
    common::RecordArchive archive(stream);
    emu::LoopState state;
    common::NarrowString error;
    ASSERT_TRUE(emu::ReadLoopState(archive, false, 1764, state, error));
    EXPECT_EQ(state.slicesPerFrame, 1764);
    EXPECT_EQ(state.perFrame, kStandInFrequency / 50.0);
    EXPECT_GT(state.slicesLeft, 0);
    EXPECT_GE(state.budget, 0);
    EXPECT_LT(state.budget, 0x7FFFFFF) << "the budget the loop resumes with, not the break's";
}

TEST_F(CoreStateTest, FreshCoreLoadsTheImageAndSavesTheSameBytes) {
    std::unique_ptr<emu::EmulatorConfig> first;
    const Bytes image = Saved(AtBreak(first));
    const uint16_t r0 = static_cast<StandInModel*>(first->Cores[0]->Machine())->Cpu().Register(0);
    first.reset();

    std::unique_ptr<emu::EmulatorConfig> second;
    emu::EmulatorCore& core = AtBreak(second);
    ASSERT_TRUE(Load(core, image));
    EXPECT_EQ(TakeConsoleTexts(core), std::vector<std::string>{"State loaded from file memory"});
    EXPECT_TRUE(core.IsBreakPending()) << "a machine at a break stays there";
    EXPECT_TRUE(core.TakeStateRestored());
    EXPECT_EQ(static_cast<StandInModel*>(core.Machine())->Cpu().Register(0), r0);
    EXPECT_EQ(Saved(core), image);
    // And it runs on from there.
    core.ResumeEmulation();
    EXPECT_TRUE(Eventually([&] {
        return WhileHeld(core, [&] { return static_cast<StandInModel*>(core.Machine())->Cpu().Register(0) != r0; });
    }));
}

TEST_F(CoreStateTest, LoadIntoAStoppedMachinePowersItOnAndRuns) {
    std::unique_ptr<emu::EmulatorConfig> first;
    const Bytes image = Saved(AtBreak(first));
    first.reset();

    std::unique_ptr<emu::EmulatorConfig> config = MakeConfig(program.Folders(), kStandInList);
    emu::EmulatorCore* core = config->CreateCore(0);
    ASSERT_NE(core, nullptr);
    ASSERT_FALSE(core->IsPowered());
    ASSERT_TRUE(Load(*core, image));
    EXPECT_TRUE(core->IsPowered());
    EXPECT_FALSE(core->IsBreakPending());
    core->BreakEmulation(false);
    EXPECT_TRUE(Eventually([&] { return core->IsBreakPending() && core->IsParked(); }));
}

TEST_F(CoreStateTest, StateWithAnotherRunModeRestartsTheMachineAndLoads) {
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore& core = AtBreak(config);
    const Bytes image = Saved(core);
    const size_t runMode = ImagePrefix().size() - ChunkBegin("_EMUINIT").size() - 1;
    ASSERT_TRUE(Load(core, Patched(image, runMode, {0x01})));
    EXPECT_TRUE(core.IsBreakPending());
    EXPECT_EQ(Saved(core), image);
}

TEST_F(CoreStateTest, RefusedImagesChangeNothing) {
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore& core = AtBreak(config);
    const Bytes image = Saved(core);
    const std::string badFormat = "[ERROR] Error while loading state from memory (incorrect version or format)";

    struct Case {
        std::string name;
        Bytes bytes;
        std::string message;
    };
    std::vector<Case> cases = {
        {"empty snapshot", {}, badFormat},
        {"chunk marker", Patched(image, 0, {0xF1}), badFormat},
        {"chunk tag", Patched(image, 5, {'Y'}), badFormat},
        {"run-mode type", Patched(image, ImagePrefix().size() - ChunkBegin("_EMUINIT").size() - 2, {0x41}), badFormat},
        {"VERR 2", Patched(image, LoopValueAt(image, "VERR"), {0x02}), badFormat},
        {"IPF 0", Patched(image, LoopValueAt(image, "IPF"), {0, 0, 0, 0}), badFormat},
        {"PI -1", Patched(image, LoopValueAt(image, "PI"), {0xFF, 0xFF, 0xFF, 0xFF}), badFormat},
        {"MAXS 1", Patched(image, LoopValueAt(image, "MAXS"), {0x01}),
         "[ERROR] Error while loading state from memory (Enable \"Max CPU Speed\"!)"},
        {"machine chunk", Patched(image, Find(image, Name("_MCH")) + 4, {'X'}), badFormat},
        {"end tag", Patched(image, image.size() - 1, {'X'}), badFormat},
    };
    // Cut at and inside every record of the first rows and of the loop's chunk, and here and there after them.
    const size_t loopEnd = Find(image, ChunkEnd("_EMUCORE")) + ChunkEnd("_EMUCORE").size();
    std::vector<size_t> cuts;
    for (size_t cut = 1; cut < 120; ++cut) {
        cuts.push_back(cut);
    }
    for (size_t cut = Find(image, ChunkBegin("_EMUCORE")); cut <= loopEnd; ++cut) {
        cuts.push_back(cut);
    }
    for (size_t cut = loopEnd + 1; cut < image.size(); cut += 4099) {
        cuts.push_back(cut);
    }
    cuts.push_back(image.size() - 1);
    for (const size_t cut : cuts) {
        cases.push_back({"cut at " + std::to_string(cut), Bytes(image.begin(), image.begin() + cut), badFormat});
    }

    for (const Case& test : cases) {
        EXPECT_FALSE(Load(core, test.bytes)) << test.name;
        const std::vector<std::string> lines = TakeConsoleTexts(core);
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), test.message) != lines.end()) << test.name;
        EXPECT_TRUE(core.IsPowered() && core.IsBreakPending()) << test.name;
        ASSERT_EQ(Saved(core), image) << test.name;
    }
}

// A state opens the images it names for reading only. When it is refused after its drives were remounted, every
// drive gets back what it held, opened as it was: the user's own image stays writable for the guest.
TEST_F(CoreStateTest, ARefusedLoadGivesTheDrivesBackTheirImagesAsTheyWereOpened) {
    const std::u16string mine = program.Folder().WriteFile(u"a.img", std::string(409600, 'A'));
    const std::u16string other = program.Folder().WriteFile(u"b.img", std::string(409600, 'B'));
    const auto mount = [](emu::EmulatorCore& core, const std::u16string& path) {
        return WhileHeld(core, [&] {
            emu::DriveSlot& slot = static_cast<FloppyStandIn*>(core.Machine())->Slot(1);
            slot.EjectImage();
            return slot.OpenImage(common::PathString(path.c_str()));
        });
    };
    // The drive holds the user's image, writable, as the guest sees it too.
    const auto holdsMine = [&](emu::EmulatorCore& core) {
        return WhileHeld(core, [&] {
            const auto& machine = *static_cast<FloppyStandIn*>(core.Machine());
            const emu::DriveSlot& slot = machine.Slot(1);
            return std::u16string(slot.ImagePath().View()) == mine && slot.Image().CanWrite() &&
                   !slot.IsReadOnlyMount() && machine.controller->GetDrive(1)->IsWritable();
        });
    };

    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore& core = AtBreak(config, 0, kFloppyList);
    ASSERT_TRUE(mount(core, other));
    const Bytes image = Saved(core);
    ASSERT_TRUE(mount(core, mine));
    ASSERT_TRUE(holdsMine(core));

    const size_t drivesEnd = Find(image, ChunkEnd("_DRIVES")) + ChunkEnd("_DRIVES").size();
    ASSERT_LT(drivesEnd, image.size());
    std::vector<std::pair<std::string, Bytes>> damaged = {
        {"end tag", Patched(image, image.size() - 1, {'X'})},
        {"controller chunk", Patched(image, Find(image, Name("FDC BK")) + 4, {'X'})},
    };
    for (const size_t cut : {drivesEnd, drivesEnd + 1, (drivesEnd + image.size()) / 2, image.size() - 1}) {
        damaged.push_back({"cut at " + std::to_string(cut), Bytes(image.begin(), image.begin() + cut)});
    }
    for (const auto& [name, bytes] : damaged) {
        EXPECT_FALSE(Load(core, bytes)) << name;
        EXPECT_TRUE(core.IsPowered() && core.IsBreakPending()) << name;
        EXPECT_TRUE(holdsMine(core)) << name;
    }

    // No state to go back to: the machine stays off, and its drives as they were.
    std::unique_ptr<emu::EmulatorConfig> stoppedConfig = MakeConfig(program.Folders(), kFloppyList);
    emu::EmulatorCore& stopped = *stoppedConfig->CreateCore(0);
    ASSERT_TRUE(mount(stopped, mine));
    EXPECT_FALSE(Load(stopped, Bytes(image.begin(), image.begin() + drivesEnd + 1)));
    EXPECT_FALSE(stopped.IsPowered());
    EXPECT_TRUE(holdsMine(stopped));
}

TEST_F(CoreStateTest, FailedLoadIntoAStoppedMachineLeavesItStopped) {
    std::unique_ptr<emu::EmulatorConfig> config;
    const Bytes image = Saved(AtBreak(config));
    config = MakeConfig(program.Folders(), kStandInList);
    emu::EmulatorCore* core = config->CreateCore(0);
    ASSERT_NE(core, nullptr);
    const Bytes cut(image.begin(), image.end() - 40);
    EXPECT_FALSE(Load(*core, cut));
    EXPECT_FALSE(core->IsPowered());
    EXPECT_TRUE(core->ConsoleMode());
    EXPECT_TRUE(core->SetRunState(false, false)) << "the machine still starts";
}

TEST_F(CoreStateTest, StateFilesLiveInTheSettingsFolderOnePerModel) {
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore& core = AtBreak(config, 3);
    const Bytes image = Saved(core);
    common::PathString folder;
    ASSERT_TRUE(core.SaveStateToFile(folder, false));
    EXPECT_EQ(TakeConsoleTexts(core), std::vector<std::string>{"State saved to file \"bk_11m.sav\""});
    EXPECT_EQ(std::filesystem::path(std::u16string(folder.GetWide())), StatesFolder() / "");
    const std::string file = program.Folder().ReadFile(u"states/bk_11m.sav");
    EXPECT_EQ(Bytes(file.begin(), file.end()), image);

    common::PathString again;
    ASSERT_TRUE(core.LoadStateFromFile(again, false));
    EXPECT_EQ(TakeConsoleTexts(core), std::vector<std::string>{"State loaded from file \"bk_11m.sav\""});
    EXPECT_EQ(Saved(core), image);

    // Another model has no file of its own yet.
    std::unique_ptr<emu::EmulatorConfig> other;
    emu::EmulatorCore& first = AtBreak(other, 0);
    common::PathString none;
    EXPECT_FALSE(first.LoadStateFromFile(none, false));
    EXPECT_EQ(TakeConsoleTexts(first),
              std::vector<std::string>{
                  "State not loaded, because file \"bk_0010.sav\" did not exists (no state was saved?)"});
    EXPECT_TRUE(first.IsBreakPending());
}

// Something at the state file's path that is no file to read is no missing state: the line says so, and nothing
// changes.
TEST_F(CoreStateTest, AStateFileThatCannotBeReadIsToldSo) {
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore& core = AtBreak(config);
    const Bytes image = Saved(core);
    const std::filesystem::path file = StatesFolder() / "bk_0010.sav";
    std::vector<std::pair<std::string, std::function<bool()>>> kinds = {
        {"folder", [&] { return std::filesystem::create_directories(file); }},
    };
#ifndef _WIN32
    kinds.push_back({"FIFO", [&] { return std::filesystem::remove(file) && ::mkfifo(file.c_str(), 0600) == 0; }});
#endif
    for (const auto& [kind, make] : kinds) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(make());
        common::PathString folder;
        EXPECT_FALSE(core.LoadStateFromFile(folder, false));
        EXPECT_EQ(TakeConsoleTexts(core),
                  std::vector<std::string>{
                      "[ERROR] Error while loading state from file \"bk_0010.sav\" (not a readable file)"});
        EXPECT_TRUE(core.IsPowered() && core.IsBreakPending());
        EXPECT_EQ(Saved(core), image);
    }
}

// An installed program keeps its data in the application-data folder; it still finds a state beside itself. Its
// folders are given as the installer lays them out, relative to the test's working folder.
TEST_F(CoreStateTest, InstalledProgramLoadsAStateBesideItselfAndSavesIntoTheSettingsFolder) {
    std::unique_ptr<emu::EmulatorConfig> first;
    const Bytes image = Saved(AtBreak(first));
    first.reset();

    const std::filesystem::path root = program.Folder().Path();
    std::filesystem::create_directories(root / "Program Files" / "states");
    std::filesystem::create_directories(root / "appdata");
    program.Folder().WriteFile(u"Program Files/states/bk_0010.sav", std::string(image.begin(), image.end()));
    const WorkingFolder working(root);
    {
        const common::ProgramFolders installed(u"./Program Files/zovbk", (root / "appdata").u16string());
        std::unique_ptr<emu::EmulatorConfig> config = MakeConfig(installed, kStandInList);
        emu::EmulatorCore* core = config->CreateCore(0);
        ASSERT_NE(core, nullptr);
        ASSERT_TRUE(core->SetRunState(true, true));
        common::PathString folder;
        EXPECT_TRUE(core->LoadStateFromFile(folder, false));
        EXPECT_EQ(std::u16string(folder.GetWide()), u"./Program Files/states/");
        EXPECT_EQ(Saved(*core), image);
        common::PathString saveFolder;
        EXPECT_TRUE(core->SaveStateToFile(saveFolder, false));
        EXPECT_TRUE(std::filesystem::exists(root / "appdata" / "ZOVTarvoEmu" / "states" / "bk_0010.sav"));
    }
}

TEST_F(CoreStateTest, FailedSaveKeepsTheOldFile) {
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore& core = AtBreak(config);
    common::PathString folder;
    ASSERT_TRUE(core.SaveStateToFile(folder, false));
    const std::string before = program.Folder().ReadFile(u"states/bk_0010.sav");
    // The new image cannot be written beside the old one.
    emu::SetTemporaryNameAttempts(0);
    core.ResumeEmulation();
    core.BreakEmulation(false);
    ASSERT_TRUE(Eventually([&] { return core.IsBreakPending() && core.IsParked(); }));
    TakeConsoleTexts(core);
    EXPECT_FALSE(core.SaveStateToFile(folder, false));
    emu::SetTemporaryNameAttempts(-1);
    EXPECT_EQ(TakeConsoleTexts(core),
              std::vector<std::string>{"[ERROR] Error while saving state to file \"bk_0010.sav\""});
    EXPECT_EQ(program.Folder().ReadFile(u"states/bk_0010.sav"), before);
}

TEST_F(CoreStateTest, TheLastStateMessageIsTheLastOperationsOwnLine) {
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore& core = AtBreak(config);
    const auto last = [&core] { return std::string(core.LastStateMessage().View()); };
    common::PathString folder;
    ASSERT_TRUE(core.SaveStateToFile(folder, false));
    EXPECT_EQ(last(), "State saved to file \"bk_0010.sav\"");
    common::MemoryStream stream;
    ASSERT_TRUE(stream.Create(0, -1));
    ASSERT_TRUE(core.SaveStateToMemory(stream, false, false));
    EXPECT_EQ(last(), "") << "a quiet save prints nothing";
    ASSERT_TRUE(core.LoadStateFromMemory(stream, false));
    EXPECT_EQ(last(), "State loaded from file memory");

    // Refused before it printed: no line, not the one of the load before.
    core.DetachMachine();
    EXPECT_FALSE(core.SaveStateToFile(folder, false));
    EXPECT_EQ(last(), "");
}

} // namespace
} // namespace app_test
