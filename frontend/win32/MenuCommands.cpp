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

// What an update shows of a command's item.
struct ItemState {
    bool enabled;
    bool checked;
};

// The shape of every command handler: no window, no answer; an update shows the state the window gives; a command
// runs the action, which answers for the handler.
template <typename StateOf, typename Action>
bool RunCommand(gui::MenuItem* item, int32_t kind, StateOf stateOf, Action action) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        const ItemState state = stateOf(*window);
        SyncItem(*item, state.enabled, state.checked);
        return true;
    }
    return action(*window, *item);
}

// A check item over a setting flag: always enabled; a choice flips the flag, lets the window follow it and
// refreshes the menu.
template <typename FlagOf, typename Follow>
bool ToggleCommand(gui::MenuItem* item, int32_t kind, FlagOf flagOf, Follow follow) {
    return RunCommand(
        item, kind,
        [&](MainWindow& window) {
            return ItemState{true, flagOf(window)};
        },
        [&](MainWindow& window, gui::MenuItem& chosen) {
            bool& flag = flagOf(window);
            flag = !flag;
            follow(window, flag);
            chosen.TriggerItem(-1);
            return true;
        });
}

} // namespace

bool OnMenuStart(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return RunCommand(
        item, kind,
        [](MainWindow& window) {
            return ItemState{window.core != nullptr && !Running(window), false};
        },
        [](MainWindow& window, gui::MenuItem& chosen) {
            if (window.core == nullptr || window.switchingMachine) {
                return false;
            }
            if (Running(window)) {
                return true;
            }
            Grey(chosen, window.startButton);
            if (auto* output = dynamic_cast<WindowedSoundOutput*>(window.core->OutputSink())) {
                output->SetHostWindow(window.NativeHandle());
            }
            window.core->Start(false, false);
            const bool capture = window.config.EmuCaptureMouseOnDblClick;
            if (capture) {
                SetScreenCursor(window, true);
            }
            RefreshAfterRunCommand(window, chosen);
            if (capture) {
                window.mouseCaptured = true;
            }
            return true;
        });
}

bool OnMenuPause(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return RunCommand(
        item, kind,
        [](MainWindow& window) {
            return ItemState{Running(window), Running(window) && window.core->IsBreakPending()};
        },
        [](MainWindow& window, gui::MenuItem& chosen) {
            if (window.core == nullptr || window.switchingMachine) {
                return false;
            }
            if (!Running(window)) {
                return true;
            }
            Grey(chosen, window.pauseButton);
            if (!window.core->IsBreakPending()) {
                window.core->Pause(true);
            } else {
                window.core->Resume();
            }
            RefreshAfterRunCommand(window, chosen);
            return true;
        });
}

bool OnMenuStop(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return RunCommand(
        item, kind,
        [](MainWindow& window) {
            return ItemState{Running(window), false};
        },
        [](MainWindow& window, gui::MenuItem& chosen) {
            if (window.core == nullptr || window.switchingMachine) {
                return false;
            }
            if (!Running(window)) {
                return true;
            }
            Grey(chosen, window.stopButton);
            if (window.pauseButton != nullptr) {
                window.pauseButton->SetEnabled(false);
            }
            window.core->Stop();
            RefreshAfterRunCommand(window, chosen);
            window.RefreshDriveIndicators(true);
            return true;
        });
}

bool OnMenuSynchronization(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return RunCommand(
        item, kind,
        [](MainWindow& window) {
            return ItemState{SynchronizationOffered(window), window.core != nullptr && window.core->Synchronization()};
        },
        [](MainWindow& window, gui::MenuItem& chosen) {
            if (window.core != nullptr) {
                const bool on = !window.core->Synchronization();
                window.core->SetSynchronization(on);
                window.core->SetSyncActive(on);
            }
            chosen.TriggerItem(-1);
            return true;
        });
}

bool OnMenuFastInit(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return RunCommand(
        item, kind,
        [](MainWindow& window) {
            return ItemState{SynchronizationOffered(window), window.config.EmuFastInit};
        },
        [](MainWindow& window, gui::MenuItem& chosen) {
            const bool old = window.config.EmuFastInit;
            window.config.EmuFastInit = !old;
            if (EmulatorCore* core = window.core) {
                core->SetFastInitialization(!old);
                // Turning fast initialisation off during a synchronised run engages synchronisation at once.
                if (core->Synchronization() && old && !core->SyncActive()) {
                    core->SetSyncActive(true);
                }
            }
            chosen.TriggerItem(-1);
            return true;
        });
}

bool OnMenuExit(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return RunCommand(
        item, kind,
        [](MainWindow&) {
            return ItemState{true, false};
        },
        [](MainWindow& window, gui::MenuItem&) {
            window.Close();
            return true;
        });
}

bool OnMenuCaptureMouse(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return ToggleCommand(
        item, kind, [](MainWindow& window) -> bool& { return window.config.EmuCaptureMouseOnDblClick; },
        [](MainWindow& window, bool capture) {
            if (window.core != nullptr) {
                SetScreenCursor(window, capture && Running(window));
                window.mouseCaptured = true;
            }
        });
}

bool OnMenuEmulationScreen(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return RunCommand(
        item, kind,
        [](MainWindow& window) {
            return ItemState{Running(window), window.core != nullptr && !window.core->ConsoleMode()};
        },
        [](MainWindow& window, gui::MenuItem& chosen) {
            if (!Running(window) || !window.core->ConsoleMode()) {
                return false;
            }
            window.core->SetConsoleMode(false, true);
            window.RepaintScreen();
            chosen.UpdateAll();
            return true;
        });
}

bool OnMenuConsoleWindow(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return RunCommand(
        item, kind,
        [](MainWindow& window) {
            return ItemState{window.core != nullptr, window.core != nullptr && window.core->ConsoleMode()};
        },
        [](MainWindow& window, gui::MenuItem& chosen) {
            if (window.core == nullptr || window.core->ConsoleMode()) {
                return false;
            }
            window.core->SetConsoleMode(true, true);
            chosen.UpdateAll();
            return true;
        });
}

bool OnMenuFullscreen(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return RunCommand(
        item, kind,
        [](MainWindow&) {
            return ItemState{true, false};
        },
        [](MainWindow& window, gui::MenuItem&) {
            if (window.SetFullscreen(!window.fullscreen, false)) {
                window.fullscreen = !window.fullscreen;
            }
            return true;
        });
}

bool OnMenuToolbar(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    if (item != nullptr && item->UserValue() != 0) {
        return false;
    }
    return ToggleCommand(
        item, kind, [](MainWindow& window) -> bool& { return window.config.guiShowToolbar; },
        [](MainWindow& window, bool shown) {
            if (window.toolbar != nullptr) {
                window.toolbar->Show(shown);
            }
        });
}

bool OnMenuStartupOption(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    if (item != nullptr && item->UserValue() != 0 && item->UserValue() != 1) {
        return false;
    }
    const bool maximize = item != nullptr && item->UserValue() == 0;
    return ToggleCommand(
        item, kind,
        [maximize](MainWindow& window) -> bool& {
            return maximize ? window.config.guiMaximizeOnStartup : window.config.guiAutoStartEmulation;
        },
        [](MainWindow&, bool) {});
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
    const int32_t machine = item != nullptr ? item->UserValue() & 0x3FF : 0;
    const auto inRange = [machine](const MainWindow& window) {
        return machine < static_cast<int32_t>(window.config.Machines.size());
    };
    return RunCommand(
        item, kind,
        [&](MainWindow& window) {
            return ItemState{!Running(window) && inRange(window), machine == window.selectedMachine};
        },
        [&](MainWindow& window, gui::MenuItem& chosen) {
            if (!inRange(window) || Running(window)) {
                return false;
            }
            if (machine == window.selectedMachine) {
                return true;
            }
            if (chosen.IsEnabled()) {
                chosen.SetEnabled(false);
            }
            if (window.startButton != nullptr) {
                window.startButton->SetEnabled(false);
            }
            window.switchingMachine = true;
            MainMenuBar* bar = window.Menu();
            if (bar != nullptr) {
                bar->RemoveGeneratedItems();
            }
            EmulatorCore* before = window.core;
            if (window.config.OpenMachine(window.core, machine)) {
                window.selectedMachine = machine;
                // Stored only now: a model that cannot be opened must not become the one every start tries.
                window.config.SelectMachine(machine);
                if (window.core != before) {
                    window.BindCoreToScreen();
                }
            }
            if (bar != nullptr) {
                bar->BuildDeviceMenus(true, false);
                if (bar->drivesMenu != nullptr) {
                    BuildDrivesMenu(window, *bar->drivesMenu);
                }
            }
            window.RelabelToolbar();
            window.switchingMachine = false;
            window.UpdateWindowTitle();
            window.RepaintScreen();
            chosen.UpdateAll();
            return true;
        });
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
    const int32_t language = item != nullptr ? item->UserValue() : 0;
    return RunCommand(
        item, kind,
        [item, language](MainWindow& window) {
            return ItemState{item->IsEnabled(), window.config.guiLanguage == language};
        },
        [language](MainWindow& window, gui::MenuItem& chosen) {
            if (window.config.guiLanguage != language) {
                window.config.guiLanguage = language;
                common::SelectLanguage(language);
                window.RelabelToolbar();
                window.UpdateWindowTitle();
                chosen.UpdateAll();
            }
            return true;
        });
}

} // namespace emu
