// The Emulation, Input, View and Settings commands, and the machine, renderer, sound-output and language choices.
#include "app/EmulatorCore.h"
#include "common/TextTable.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/RendererBase.h"
#include "frontend/win32/DriveMenu.h"
#include "frontend/win32/MainMenuBar.h"
#include "frontend/win32/MainWindow.h"
#include "gui/windows/BorderedPanel.h"
#include "gui/windows/Button.h"
#include "gui/windows/PictureControl.h"

namespace emu {
namespace {

// The main window of a command's item, for kind 0 (command) and 1 (refresh) only.
MainWindow* WindowFor(gui::MenuItem* item, int32_t kind) {
    if (item == nullptr || (kind != gui::kMenuCommand && kind != gui::kMenuUpdate)) {
        return nullptr;
    }
    return MainWindow::Of(item);
}

bool Running(const MainWindow& window) {
    return window.core != nullptr && window.core->IsPowered();
}

// Greys the item and its button before the core is asked, so a second click cannot reach it meanwhile.
void Grey(gui::MenuItem& item, gui::Windows::Button* button) {
    item.SetEnabled(false);
    if (button != nullptr) {
        button->SetEnabled(false);
    }
}

void RefreshAfterRunCommand(MainWindow& window, gui::MenuItem& item) {
    item.UpdateAll();
    window.UpdateRunControls();
}

// With the BK processors the synchronisation choice is always offered while there is a core.
bool SynchronizationOffered(const MainWindow& window) {
    return window.core != nullptr;
}

// A renderer or output item greys itself and the Start controls while the core takes the new one.
void GreyStart(MainWindow& window, gui::MenuItem& item) {
    if (item.IsEnabled()) {
        item.SetEnabled(false);
    }
    MainMenuBar* bar = window.Menu();
    if (bar != nullptr && bar->startItem != nullptr && bar->startItem->IsEnabled()) {
        bar->startItem->SetEnabled(false);
    }
    if (window.startButton != nullptr) {
        window.startButton->SetEnabled(false);
    }
}

} // namespace

bool OnMenuStart(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, window->core != nullptr && !Running(*window), false);
        return true;
    }
    if (window->core == nullptr || window->switchingMachine) {
        return false;
    }
    if (Running(*window)) {
        return true;
    }
    Grey(*item, window->startButton);
    if (auto* output = dynamic_cast<WindowedSoundOutput*>(window->core->OutputSink())) {
        output->SetHostWindow(window->NativeHandle());
    }
    window->core->Start(false, false);
    const bool capture = window->config.EmuCaptureMouseOnDblClick;
    if (capture) {
        SetScreenCursor(*window, true);
    }
    RefreshAfterRunCommand(*window, *item);
    if (capture) {
        window->mouseCaptured = true;
    }
    return true;
}

bool OnMenuPause(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, Running(*window), Running(*window) && window->core->IsBreakPending());
        return true;
    }
    if (window->core == nullptr || window->switchingMachine) {
        return false;
    }
    if (!Running(*window)) {
        return true;
    }
    Grey(*item, window->pauseButton);
    if (!window->core->IsBreakPending()) {
        window->core->Pause(true);
    } else {
        window->core->Resume();
    }
    RefreshAfterRunCommand(*window, *item);
    return true;
}

bool OnMenuStop(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, Running(*window), false);
        return true;
    }
    if (window->core == nullptr || window->switchingMachine) {
        return false;
    }
    if (!Running(*window)) {
        return true;
    }
    Grey(*item, window->stopButton);
    if (window->pauseButton != nullptr) {
        window->pauseButton->SetEnabled(false);
    }
    window->core->Stop();
    RefreshAfterRunCommand(*window, *item);
    window->RefreshDriveIndicators(true);
    return true;
}

bool OnMenuSynchronization(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, SynchronizationOffered(*window), window->core != nullptr && window->core->Synchronization());
        return true;
    }
    if (window->core != nullptr) {
        const bool on = !window->core->Synchronization();
        window->core->SetSynchronization(on);
        window->core->SetSyncActive(on);
    }
    item->TriggerItem(-1);
    return true;
}

bool OnMenuFastInit(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, SynchronizationOffered(*window), window->config.EmuFastInit);
        return true;
    }
    const bool old = window->config.EmuFastInit;
    window->config.EmuFastInit = !old;
    if (EmulatorCore* core = window->core) {
        core->SetFastInitialization(!old);
        // Turning fast initialisation off during a synchronised run engages synchronisation at once.
        if (core->Synchronization() && old && !core->SyncActive()) {
            core->SetSyncActive(true);
        }
    }
    item->TriggerItem(-1);
    return true;
}

bool OnMenuExit(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, true, false);
        return true;
    }
    window->Close();
    return true;
}

bool OnMenuCaptureMouse(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    bool& capture = window->config.EmuCaptureMouseOnDblClick;
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, true, capture);
        return true;
    }
    capture = !capture;
    if (window->core != nullptr) {
        SetScreenCursor(*window, capture && Running(*window));
        window->mouseCaptured = true;
    }
    item->TriggerItem(-1);
    return true;
}

bool OnMenuEmulationScreen(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, Running(*window), window->core != nullptr && !window->core->ConsoleMode());
        return true;
    }
    if (!Running(*window) || !window->core->ConsoleMode()) {
        return false;
    }
    window->core->SetConsoleMode(false, true);
    window->RepaintScreen();
    item->UpdateAll();
    return true;
}

bool OnMenuConsoleWindow(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, window->core != nullptr, window->core != nullptr && window->core->ConsoleMode());
        return true;
    }
    if (window->core == nullptr || window->core->ConsoleMode()) {
        return false;
    }
    window->core->SetConsoleMode(true, true);
    item->UpdateAll();
    return true;
}

bool OnMenuFullscreen(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, true, false);
        return true;
    }
    if (window->SetFullscreen(!window->fullscreen, false)) {
        window->fullscreen = !window->fullscreen;
    }
    return true;
}

bool OnMenuToolbar(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr || item->UserValue() != 0) {
        return false;
    }
    bool& shown = window->config.guiShowToolbar;
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, true, shown);
        return true;
    }
    shown = !shown;
    if (window->toolbar != nullptr) {
        window->toolbar->Show(shown);
    }
    item->TriggerItem(-1);
    return true;
}

bool OnMenuStartupOption(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr || (item->UserValue() != 0 && item->UserValue() != 1)) {
        return false;
    }
    bool& option = item->UserValue() == 0 ? window->config.guiMaximizeOnStartup : window->config.guiAutoStartEmulation;
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, true, option);
        return true;
    }
    option = !option;
    item->TriggerItem(-1);
    return true;
}

bool OnMenuMachine(gui::MenuItem* item, int32_t) {
    MainWindow* window = MainWindow::Of(item);
    if (window == nullptr) {
        return false;
    }
    SyncItem(*item, true, (item->UserValue() & 0x3FF) == window->selectedMachine);
    return true;
}

bool OnMenuConfiguration(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    const int32_t machine = item->UserValue() & 0x3FF;
    const bool inRange = machine < static_cast<int32_t>(window->config.Machines.size());
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, !Running(*window) && inRange, machine == window->selectedMachine);
        return true;
    }
    if (!inRange || Running(*window)) {
        return false;
    }
    if (machine == window->selectedMachine) {
        return true;
    }
    if (item->IsEnabled()) {
        item->SetEnabled(false);
    }
    if (window->startButton != nullptr) {
        window->startButton->SetEnabled(false);
    }
    window->switchingMachine = true;
    MainMenuBar* bar = window->Menu();
    if (bar != nullptr) {
        bar->RemoveGeneratedItems();
    }
    EmulatorCore* before = window->core;
    if (window->config.OpenMachine(window->core, machine)) {
        window->selectedMachine = machine;
        // Stored only now: a model that cannot be opened must not become the one every start tries.
        window->config.SelectMachine(machine);
        if (window->core != before) {
            window->BindCoreToScreen();
        }
    }
    if (bar != nullptr) {
        bar->BuildDeviceMenus(true, false);
        if (bar->drivesMenu != nullptr) {
            BuildDrivesMenu(*window, *bar->drivesMenu);
        }
    }
    window->RelabelToolbar();
    window->switchingMachine = false;
    window->UpdateWindowTitle();
    window->RepaintScreen();
    item->UpdateAll();
    return true;
}

// The steps a renderer and a sound-output choice share: an update keeps the item in step; a choice of another
// entry while no machine runs greys Start and answers the index to swap in. Otherwise answers -1 with the handler's
// result in `answer`.
int32_t BeginMediaChoice(MainWindow& window, gui::MenuItem& item, int32_t kind, size_t count, int32_t current,
                         bool& answer) {
    const int32_t index = item.UserValue();
    const bool inRange = index >= 0 && index < static_cast<int32_t>(count);
    answer = true;
    if (kind == gui::kMenuUpdate) {
        SyncItem(item, !Running(window) && inRange, index == current);
        return -1;
    }
    if (!inRange || index == current) {
        return -1;
    }
    if (Running(window)) {
        answer = false;
        return -1;
    }
    GreyStart(window, item);
    return index;
}

bool OnMenuRenderer(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    EmulatorConfig& config = window->config;
    bool answer = true;
    const int32_t index = BeginMediaChoice(*window, *item, kind, config.Renderers.size(), config.RendererIndex, answer);
    if (index < 0) {
        return answer;
    }
    config.SelectRenderer(index);
    // Without a core the choice is only stored: the next core is made with it.
    if (window->core != nullptr) {
        std::unique_ptr<RendererBase> renderer = config.CreateRenderer(config.RendererIndex);
        if (renderer != nullptr) {
            window->core->SetRenderer(renderer.release(), true);
            window->BindCoreToScreen();
        }
    }
    window->RepaintScreen();
    item->UpdateAll();
    return true;
}

bool OnMenuSoundOutput(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    EmulatorConfig& config = window->config;
    bool answer = true;
    const int32_t index =
        BeginMediaChoice(*window, *item, kind, config.SoundOutputs.size(), config.SoundOutputIndex, answer);
    if (index < 0) {
        return answer;
    }
    config.SelectSoundOutput(index);
    if (window->core != nullptr) {
        std::unique_ptr<HostSoundOutput> output = config.CreateSoundOutput(config.SoundOutputIndex);
        if (output != nullptr) {
            if (auto* windowed = dynamic_cast<WindowedSoundOutput*>(output.get())) {
                windowed->SetHostWindow(window->NativeHandle());
            }
            window->core->SetOutputSink(std::move(output));
        }
    }
    item->UpdateAll();
    return true;
}

bool OnMenuLanguage(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    const int32_t language = item->UserValue();
    if (kind == gui::kMenuUpdate) {
        SyncItem(*item, item->IsEnabled(), window->config.guiLanguage == language);
        return true;
    }
    if (window->config.guiLanguage != language) {
        window->config.guiLanguage = language;
        common::SelectLanguage(language);
        window->RelabelToolbar();
        window->UpdateWindowTitle();
        item->UpdateAll();
    }
    return true;
}

} // namespace emu
