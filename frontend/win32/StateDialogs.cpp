#include "frontend/win32/StateDialogs.h"

#include "app/EmulatorCore.h"
#include "common/TextTable.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/UiTextId.h"
#include "frontend/StateChoices.h"
#include "frontend/win32/MainMenuBar.h"
#include "frontend/win32/MainWindow.h"
#include "gui/Container.h"
#include "gui/Units.h"
#include "gui/windows/BorderedPanel.h"
#include "gui/windows/Button.h"
#include "gui/windows/MessageBoxDialog.h"
#include "gui/windows/ModalDialog.h"

#include <algorithm>
#include <memory>

namespace emu {
namespace {

// What a dialog keeps between its opening and its completion: the dialog runs modally in between, so one of each
// kind is open at a time.
struct DialogContext {
    MainWindow* window = nullptr;
    MainMenuBar* bar = nullptr;
    EmulatorCore* core = nullptr;
    bool pausedByDialog = false;
    bool refresh = false;
    bool open = false;
};

DialogContext saveContext;
DialogContext loadContext;

// Starts a context for the window's core: a running machine is paused for the dialog, and then the menus need a
// refresh afterwards. False when a dialog of the kind is open already.
bool Begin(DialogContext& context, MainWindow& window) {
    if (context.open) {
        return false;
    }
    context = DialogContext{&window, window.Menu(), window.core, false, false, true};
    if (window.core->IsPowered() && !window.core->IsBreakPending()) {
        window.core->Pause(false);
        context.pausedByDialog = true;
        context.refresh = true;
    }
    return true;
}

// Resumes what the dialog paused, then refreshes the menus and the run controls when anything changed.
void Finish(DialogContext& context) {
    if (context.pausedByDialog && context.core->IsPowered() && context.core->IsBreakPending()) {
        context.core->Resume();
    }
    if (context.refresh) {
        if (context.bar != nullptr) {
            context.bar->UpdateAll();
        }
        context.window->UpdateRunControls();
    }
    context = DialogContext{};
}

std::unique_ptr<gui::Windows::Button> ChoiceButton(int32_t textId, const char16_t* fallback, int32_t widthMm,
                                                   int32_t kind, int32_t dockMode, int32_t result) {
    auto button = std::make_unique<gui::Windows::Button>(
        gui::Bounds{0, 0, widthMm, 0}, common::GetText(textId, fallback), kind, dockMode, true, gui::kMillimetres);
    button->Result() = result;
    return button;
}

// A dialog's title, widths and choices.
struct DialogLayout {
    int32_t titleId;
    int32_t widthMm;
    int32_t panelWidthMm;
    int32_t memoryId;
    const char16_t* memoryText;
    int32_t memoryWidthMm;
    int32_t fileId;
    const char16_t* fileText;
    int32_t fileWidthMm;
};

constexpr DialogLayout kSaveLayout{text::kSaveStatePrompt, 46,         45, text::kToMemory, u"to Memory", 16,
                                   text::kToFile,          u"to File", 14};
constexpr DialogLayout kLoadLayout{text::kLoadStatePrompt, 49,           48, text::kFromMemory, u"from Memory", 19,
                                   text::kFromFile,        u"from File", 15};

// A row of the memory button, a gap, the file button and, on the right, Cancel, centred at the bottom. False when
// a container refused a child.
bool BuildChoices(gui::Windows::ModalDialog& dialog, const DialogLayout& layout, bool memoryEnabled) {
    dialog.SetTitle(common::GetText(layout.titleId, u""));
    auto panel = std::make_unique<gui::Windows::BorderedPanel>(gui::Bounds{0, 0, layout.panelWidthMm, 10},
                                                               gui::kDockBottomCentred, 0, true, gui::kMillimetres);
    panel->SetMargins(gui::Margins{4, 4, 4, 4});
    gui::Windows::BorderedPanel* row = gui::AddOwned(dialog, std::move(panel));
    if (row == nullptr) {
        return false;
    }
    auto memory = ChoiceButton(layout.memoryId, layout.memoryText, layout.memoryWidthMm, gui::kResultButton,
                               gui::kDockLeft, kStateChoiceMemory);
    memory->SetEnabled(memoryEnabled);
    return gui::AddOwned(*row, std::move(memory)) != nullptr &&
           gui::AddOwned(*row, std::make_unique<gui::Windows::BorderedPanel>(0, 0, 2, 0, gui::kDockLeft, 0, true)) !=
               nullptr &&
           gui::AddOwned(*row, ChoiceButton(layout.fileId, layout.fileText, layout.fileWidthMm, gui::kResultButton,
                                            gui::kDockLeft, kStateChoiceFile)) != nullptr &&
           gui::AddOwned(*row, ChoiceButton(text::kCancel, u"Cancel", 12, gui::kCancelButton, gui::kDockRight,
                                            gui::kAnswerCancel)) != nullptr;
}

// Runs the dialog modally over the main window; the callback gets it once it has ended. The dialog is as wide as
// the layout says and three rows of 5 mm high, the first at least 32 pixels.
void RunDialog(MainWindow& owner, const DialogLayout& layout, bool memoryEnabled, gui::DialogCallback callback) {
    int32_t width = layout.widthMm;
    int32_t row = 5;
    gui::ConvertUnitsToPixels(width, row, gui::kMillimetres);
    gui::Windows::ModalDialog dialog(width, std::max(row, 32) + 2 * row + 8);
    if (BuildChoices(dialog, layout, memoryEnabled)) {
        dialog.RunWithCallback(&owner, callback, true);
    }
}

int32_t ResultOf(gui::Window* window) {
    auto* dialog = dynamic_cast<gui::Dialog*>(window);
    return dialog != nullptr ? dialog->GetResult() : gui::kNoAnswer;
}

void CompleteSave(gui::Window* dialog) {
    DialogContext& context = saveContext;
    if (!context.open) {
        return;
    }
    const StateOutcome outcome = SaveStateChoice(*context.core, ResultOf(dialog));
    context.refresh = context.refresh || outcome.attempted;
    ShowStateRefusal(*context.window, outcome, text::kSaveStatePrompt);
}

void CompleteLoad(gui::Window* dialog) {
    if (loadContext.open) {
        loadContext.refresh = LoadChosenState(*loadContext.window, ResultOf(dialog)).attempted || loadContext.refresh;
    }
}

// The main window when the call opens a dialog; a dialog that has ended is handed to its completion instead.
MainWindow* Opening(gui::Window* window, void (*complete)(gui::Window* dialog)) {
    if (window != nullptr && window->IsDialog()) {
        complete(window);
        return nullptr;
    }
    return MainWindow::Of(window);
}

} // namespace

void ShowStateRefusal(MainWindow& window, const StateOutcome& outcome, int32_t captionId) {
    if (outcome.attempted && !outcome.succeeded) {
        gui::Windows::MessageBoxDialog box;
        box.ShowError(&window, outcome.reason, common::GetText(captionId, u""));
    }
}

StateOutcome LoadChosenState(MainWindow& window, int32_t choice) {
    EmulatorCore& core = *window.core;
    if (!core.IsPowered()) {
        // The sound output gets the window as a start gives it.
        if (auto* output = dynamic_cast<WindowedSoundOutput*>(core.OutputSink())) {
            output->SetHostWindow(window.NativeHandle());
        }
    }
    const StateOutcome outcome = LoadStateChoice(core, choice);
    if (outcome.attempted) {
        window.RefreshFromCore(false);
        window.RefreshDriveIndicators(true);
        ShowStateRefusal(window, outcome, text::kLoadStatePrompt);
    }
    return outcome;
}

void ShowSaveStateDialog(gui::Window* window) {
    MainWindow* main = Opening(window, &CompleteSave);
    if (main == nullptr || !CanSaveState(main->core) || !Begin(saveContext, *main)) {
        return;
    }
    RunDialog(*main, kSaveLayout, OffersSaveToMemory(*main->core), &ShowSaveStateDialog);
    Finish(saveContext);
}

void ShowLoadStateDialog(gui::Window* window) {
    MainWindow* main = Opening(window, &CompleteLoad);
    if (main == nullptr || main->core == nullptr || !Begin(loadContext, *main)) {
        return;
    }
    if (LoadDialogOpens(*main->core)) {
        RunDialog(*main, kLoadLayout, HasMemorySnapshot(*main->core), &ShowLoadStateDialog);
    } else {
        // Stopped, and no snapshot to choose: the file is the only state there is.
        loadContext.refresh = true;
        LoadChosenState(*main, kStateChoiceFile);
    }
    Finish(loadContext);
}

} // namespace emu
