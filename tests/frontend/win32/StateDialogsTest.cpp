// The state dialogs called directly, answered by a driver clicking their buttons: "from Memory" grey until a save to
// memory, to Memory and back from it, to File writing the model's state file, a stopped machine without a snapshot
// loading the file at once, and a refused load told in a box while the machine runs on.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "frontend/StateChoices.h"
#include "frontend/win32/StateDialogs.h"
#include "gui/windows/DialogDriver.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace emu::testing {
namespace {

using gui::Windows::testing::DialogDriver;

// The first window under the parent (at any depth) with that text.
HWND FindDescendant(HWND parent, const wchar_t* text) {
    struct Search {
        const wchar_t* text;
        HWND found;
    } search{text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            auto* search = reinterpret_cast<Search*>(context);
            wchar_t buffer[256] = {};
            GetWindowTextW(child, buffer, static_cast<int>(std::size(buffer)));
            if (std::wstring(buffer) == search->text) {
                search->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A visible dialog of the thread with the title that holds a window with the text.
HWND FindVisibleDialog(const wchar_t* title, const wchar_t* holding) {
    struct Search {
        const wchar_t* title;
        const wchar_t* holding;
        HWND found;
    } search{title, holding, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND candidate, LPARAM context) -> BOOL {
            auto* search = reinterpret_cast<Search*>(context);
            wchar_t caption[256] = {};
            GetWindowTextW(candidate, caption, static_cast<int>(std::size(caption)));
            if (IsWindowVisible(candidate) && std::wstring(caption) == search->title &&
                FindDescendant(candidate, search->holding) != nullptr) {
                search->found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Every text of the window's children, one after another.
std::string TextsOf(HWND parent) {
    std::string texts;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            wchar_t buffer[512] = {};
            GetWindowTextW(child, buffer, static_cast<int>(std::size(buffer)));
            *reinterpret_cast<std::string*>(context) += Utf8(buffer) + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

class StateDialogsTest : public FrontEndTest {
protected:
    // What the driver saw of the dialog before it clicked.
    struct Seen {
        bool shown = false;
        bool memoryEnabled = false;
        bool machineRunning = true;
    };

    // Clicks the button once the dialog with the title is up, noting what it offered.
    DialogDriver::Step Click(const wchar_t* title, const wchar_t* memoryButton, const wchar_t* button, Seen& seen) {
        return [this, title, memoryButton, button, &seen] {
            HWND dialog = FindVisibleDialog(title, button);
            if (dialog == nullptr) {
                return false;
            }
            HWND memory = FindDescendant(dialog, memoryButton);
            HWND target = FindDescendant(dialog, button);
            if (memory == nullptr || target == nullptr) {
                return false;
            }
            seen.shown = true;
            seen.memoryEnabled = IsWindowEnabled(memory) != FALSE;
            seen.machineRunning = Running();
            SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            return true;
        };
    }
    // Opens the dialog and clicks the button; false when the dialog did not come in time.
    bool Answer(void (*show)(gui::Window*), const wchar_t* button, Seen& seen) {
        const bool saving = show == &ShowSaveStateDialog;
        DialogDriver driver;
        driver.Then(Click(saving ? L"SAVE emulation state?" : L"LOAD emulation state!",
                          saving ? L"to Memory" : L"from Memory", button, seen));
        driver.Start();
        show(window);
        PumpPending();
        return driver.Finished();
    }
    // What the box that told a refusal said, and whether the machine ran meanwhile.
    struct Told {
        bool told = false;
        bool machineRunning = true;
        std::string reason;
    };
    // Opens the dialog, clicks the button and confirms the box that tells the refusal.
    Told ChooseRefused(void (*show)(gui::Window*), const wchar_t* button) {
        const bool saving = show == &ShowSaveStateDialog;
        const wchar_t* title = saving ? L"SAVE emulation state?" : L"LOAD emulation state!";
        Seen chosen;
        Told told;
        DialogDriver driver;
        driver.Then(Click(title, saving ? L"to Memory" : L"from Memory", button, chosen)).Then([&, title] {
            // The box has the dialog's caption, and no choices.
            HWND box = FindVisibleDialog(title, L"OK");
            if (box == nullptr || FindDescendant(box, button) != nullptr) {
                return false;
            }
            told.told = true;
            told.machineRunning = Running();
            told.reason = TextsOf(box);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        });
        driver.Start();
        show(window);
        PumpPending();
        EXPECT_TRUE(driver.Finished());
        return told;
    }
    bool Save(const wchar_t* button, Seen& seen) { return Answer(&ShowSaveStateDialog, button, seen); }
    bool Load(const wchar_t* button, Seen& seen) { return Answer(&ShowLoadStateDialog, button, seen); }

    bool Running() const { return window->core->IsPowered() && !window->core->IsBreakPending(); }
    bool Paused() const {
        return PumpUntil([this] { return window->core->IsBreakPending() && window->core->IsParked(); });
    }
    // The stand-in's program counts in R0 while it runs.
    uint16_t Counter() const {
        return app_test::WhileHeld(*window->core, [this] {
            return static_cast<app_test::StandInModel*>(window->core->Machine())->Cpu().Register(0);
        });
    }
    std::vector<std::filesystem::path> StateFiles() const { return app_test::StateFilesUnder(folder.Path()); }
};

TEST_F(StateDialogsTest, FromMemoryIsGreyUntilASaveToMemoryAndBringsTheSavedMachineBack) {
    ASSERT_TRUE(Start());
    Choose(bar->startItem);
    ASSERT_TRUE(Running());

    Seen cancelled;
    ASSERT_TRUE(Load(L"Cancel", cancelled));
    EXPECT_FALSE(cancelled.memoryEnabled) << "no snapshot yet";
    EXPECT_FALSE(cancelled.machineRunning) << "paused while the dialog is open";
    EXPECT_TRUE(Running()) << "and running again after it";

    // Paused, saved to memory, run on, paused, loaded from memory: the counter is the saved one.
    Choose(bar->pauseItem);
    ASSERT_TRUE(Paused());
    const uint16_t atSave = Counter();
    Seen saved;
    ASSERT_TRUE(Save(L"to Memory", saved));
    EXPECT_TRUE(saved.memoryEnabled);
    EXPECT_TRUE(HasMemorySnapshot(*window->core));
    EXPECT_TRUE(StateFiles().empty());
    EXPECT_TRUE(window->core->IsBreakPending()) << "a paused machine stays paused";

    Choose(bar->pauseItem);
    ASSERT_TRUE(PumpUntil([&] { return Counter() != atSave; }));
    Choose(bar->pauseItem);
    ASSERT_TRUE(Paused());
    ASSERT_NE(Counter(), atSave);

    Seen loaded;
    ASSERT_TRUE(Load(L"from Memory", loaded));
    EXPECT_TRUE(loaded.memoryEnabled);
    EXPECT_EQ(Counter(), atSave);
    EXPECT_TRUE(window->core->IsBreakPending());
}

TEST_F(StateDialogsTest, ToFileWritesTheModelsStateFileAndAStoppedMachineLoadsItAtOnce) {
    ASSERT_TRUE(Start());
    Choose(bar->startItem);
    Seen saved;
    ASSERT_TRUE(Save(L"to File", saved));
    EXPECT_FALSE(saved.machineRunning);
    EXPECT_TRUE(Running());
    const std::vector<std::filesystem::path> files = StateFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.front().parent_path().filename(), "states");
    EXPECT_EQ(files.front().filename().string(), std::string(window->core->Machine()->ModelId()) + ".sav");
    EXPECT_FALSE(HasMemorySnapshot(*window->core));

    // Stopped, no snapshot: no dialog, the file loads and the machine runs.
    Choose(bar->stopItem);
    ASSERT_FALSE(window->core->IsPowered());
    Seen none;
    DialogDriver driver(500);
    driver.Then(Click(L"LOAD emulation state!", L"from Memory", L"Cancel", none));
    driver.Start();
    ShowLoadStateDialog(window);
    EXPECT_FALSE(none.shown);
    EXPECT_TRUE(PumpUntil([this] { return Running(); }));
}

TEST_F(StateDialogsTest, ARefusedSaveOrLoadIsToldInABoxBeforeTheMachineRunsOn) {
    ASSERT_TRUE(Start());
    Choose(bar->startItem);
    Seen saved;
    ASSERT_TRUE(Save(L"to File", saved));
    const std::vector<std::filesystem::path> files = StateFiles();
    ASSERT_EQ(files.size(), 1u);

    // A cut copy of the file.
    std::filesystem::resize_file(files.front(), std::filesystem::file_size(files.front()) / 2);
    const Told load = ChooseRefused(&ShowLoadStateDialog, L"from File");
    EXPECT_TRUE(load.told);
    EXPECT_FALSE(load.machineRunning) << "the box comes before the resume";
    EXPECT_NE(load.reason.find("[ERROR] Error while loading state from file"), std::string::npos) << load.reason;
    EXPECT_TRUE(Running());

    // "states" made a file: no state file can be written.
    const std::filesystem::path states = files.front().parent_path();
    std::filesystem::remove_all(states);
    { std::ofstream(states) << "x"; }
    const Told save = ChooseRefused(&ShowSaveStateDialog, L"to File");
    EXPECT_TRUE(save.told);
    EXPECT_FALSE(save.machineRunning);
    EXPECT_NE(save.reason.find("[ERROR] Error while saving state to file"), std::string::npos) << save.reason;
    EXPECT_TRUE(Running());
}

} // namespace
} // namespace emu::testing
