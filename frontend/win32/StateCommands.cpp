#include "frontend/win32/StateCommands.h"

#include "app/EmulatorCore.h"
#include "common/TextTable.h"
#include "emu/core/UiTextId.h"
#include "frontend/win32/MainMenuBar.h"
#include "frontend/win32/MainWindow.h"
#include "frontend/win32/StateDialogs.h"
#include "gui/windows/MessageBoxDialog.h"

namespace emu {
namespace {

MainWindow* WindowFor(gui::MenuItem* item, int32_t kind) {
    if (item == nullptr || (kind != gui::kMenuCommand && kind != gui::kMenuUpdate)) {
        return nullptr;
    }
    return MainWindow::Of(item);
}

// Asks the question; true for Yes.
bool Confirm(MainWindow& window, int32_t textId, int32_t icon) {
    gui::Windows::MessageBoxDialog box;
    box.SetIcon(icon);
    return box.Show(&window, common::GetText(textId, u""), common::GetText(text::kConfirmation, u"")) &&
           box.GetResult() == gui::kAnswerOk;
}

// The machine paused for the question and the operation, resumed afterwards when it was this command's pause.
class CommandPause {
public:
    explicit CommandPause(EmulatorCore& core) : core(core) {
        if (core.IsPowered() && !core.IsBreakPending()) {
            core.Pause(false);
            paused = true;
        }
    }
    ~CommandPause() {
        if (paused && core.IsPowered() && core.IsBreakPending()) {
            core.Resume();
        }
    }
    CommandPause(const CommandPause&) = delete;
    CommandPause& operator=(const CommandPause&) = delete;
    bool Paused() const { return paused; }

private:
    EmulatorCore& core;
    bool paused = false;
};

void RefreshAfter(MainWindow& window, gui::MenuItem& item) {
    item.UpdateAll();
    window.UpdateRunControls();
}

} // namespace

bool OnMenuSaveState(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, window->core != nullptr && window->core->IsPowered(), false);
        return true;
    }
    if (window->core == nullptr || !window->core->IsPowered()) {
        return false;
    }
    bool refresh = false;
    {
        CommandPause pause(*window->core);
        refresh = pause.Paused();
        if (Confirm(*window, text::kSaveStatePrompt, gui::kQuestionIcon)) {
            refresh = true;
            ShowStateRefusal(*window, SaveStateChoice(*window->core, kStateChoiceFile), text::kSaveStatePrompt);
        }
    }
    if (refresh) {
        RefreshAfter(*window, *item);
    }
    return true;
}

bool OnMenuLoadState(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, window->core != nullptr, false);
        return true;
    }
    if (window->core == nullptr) {
        return false;
    }
    EmulatorCore& core = *window->core;
    bool refresh = false;
    {
        CommandPause pause(core);
        refresh = pause.Paused();
        // A stopped machine loads without a question.
        if (!core.IsPowered() || Confirm(*window, text::kLoadStatePrompt, gui::kInformationIcon)) {
            LoadChosenState(*window, kStateChoiceFile);
            refresh = true;
        }
    }
    if (refresh) {
        RefreshAfter(*window, *item);
    }
    return true;
}

} // namespace emu
