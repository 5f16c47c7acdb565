#include "frontend/win32/MainMenuBar.h"

#include "app/EmulatorCore.h"
#include "common/TextTable.h"
#include "emu/core/Computer.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/RendererBase.h"
#include "frontend/OptionMenus.h"
#include "frontend/UiTextTables.h"
#include "frontend/win32/AboutBox.h"
#include "frontend/win32/DriveMenu.h"
#include "frontend/win32/MainWindow.h"
#include "frontend/win32/StateCommands.h"

#include <functional>

namespace emu {
namespace {

// Builds into one popup; every add reports whether the native menu took it.
class PopupBuilder {
public:
    explicit PopupBuilder(gui::PopupMenu* popup) : popup(popup), ok(popup != nullptr) {}

    // A plain item (check false) or a check item with the text of the id.
    gui::MenuItem* Item(int32_t textId, gui::MenuItem::AnyCallback handler, bool check = false, int32_t argument = -1) {
        gui::MenuItem* item = nullptr;
        if (ok) {
            item = check ? popup->AddItem(common::GetText(textId, u""), true, false) : popup->AddItemById(textId);
        }
        return Finish(item, textId, handler, argument);
    }
    // An item labelled by a name; radio marks a machine choice.
    gui::MenuItem* Named(const common::String& label, gui::MenuItem::AnyCallback handler, int32_t argument,
                         bool radio) {
        gui::MenuItem* item = ok ? popup->AddItem(label, true, radio) : nullptr;
        return Finish(item, -1, handler, argument);
    }
    void Separator() {
        if (ok && popup->AddSeparator(false) == nullptr) {
            ok = false;
        }
    }
    bool Ok() const { return ok; }

private:
    gui::MenuItem* Finish(gui::MenuItem* item, int32_t textId, gui::MenuItem::AnyCallback handler, int32_t argument) {
        if (item == nullptr) {
            ok = false;
            return nullptr;
        }
        item->TextId() = textId;
        item->OnAny() = handler;
        item->UserValue() = argument;
        return item;
    }

    gui::PopupMenu* popup;
    bool ok;
};

} // namespace

MainMenuBar::~MainMenuBar() {
    RemoveGeneratedItems();
}

void MainMenuBar::ClearFields() {
    startItem = pauseItem = stopItem = saveStateItem = loadStateItem = nullptr;
    emulationMenu = computerMenu = drivesMenu = inputMenu = debugMenu = nullptr;
    viewMenu = videoMenu = soundMenu = settingsMenu = helpMenu = nullptr;
    consoleWindowItem = emulationScreenItem = nullptr;
}

void MainMenuBar::RemoveGeneratedItems() {
    for (gui::PopupMenu* popup : GeneratedPopups()) {
        if (popup != nullptr) {
            popup->RemoveByGroup(0, false);
        }
    }
}

bool MainMenuBar::BuildDeviceMenus(bool keep, bool skipBuild) {
    if (!keep) {
        RemoveGeneratedItems();
    }
    if (skipBuild) {
        return true;
    }
    MainWindow* window = MainWindow::Of(this);
    if (window == nullptr || window->core == nullptr) {
        return false;
    }
    const EmulatorCore& core = *window->core;
    return BuildOptionTreeMenus({{core.GetParam(OptionKind::Computer), computerMenu, false},
                                 {core.GetParam(OptionKind::Input), inputMenu, false},
                                 {core.GetParam(OptionKind::Trace), debugMenu, true},
                                 {core.GetParam(OptionKind::Video), videoMenu, false},
                                 {core.GetParam(OptionKind::Sound), soundMenu, false},
                                 {core.GetParam(OptionKind::Settings), settingsMenu, false}},
                                OnMenuDeviceOption);
}

bool OnMenuDeviceOption(gui::MenuItem* item, int32_t position, int32_t kind, int32_t) {
    MainWindow* window = item != nullptr ? MainWindow::Of(item) : nullptr;
    if (window == nullptr || window->core == nullptr) {
        return false;
    }
    EmulatorCore* core = window->core;
    return HandleDeviceOption(item, position, kind,
                              [core](const std::function<void()>& work) { return core->RunParked(work); });
}

bool MainMenuBar::BuildMainMenu() {
    Clear();
    ClearFields();
    MainWindow* window = MainWindow::Of(this);
    EmulatorConfig* config = window != nullptr ? &window->config : nullptr;

    emulationMenu = AddSubmenu(common::GetText(text::kEmulation, u""), true, false, false);
    if (emulationMenu == nullptr) {
        return false;
    }
    emulationMenu->TextId() = text::kEmulation;
    PopupBuilder emulation(emulationMenu);
    startItem = emulation.Item(text::kStart, OnMenuStart);
    stopItem = emulation.Item(text::kStop, OnMenuStop);
    emulation.Separator();
    pauseItem = emulation.Item(text::kPause, OnMenuPause, true);
    emulation.Separator();
    emulation.Item(text::kSynchronization, OnMenuSynchronization, true);
    emulation.Item(text::kFastInitialization, OnMenuFastInit, true);
    emulation.Separator();
    saveStateItem = emulation.Item(text::kSaveState, OnMenuSaveState);
    loadStateItem = emulation.Item(text::kLoadState, OnMenuLoadState);
    emulation.Separator();
    emulation.Item(text::kExit, OnMenuExit);
    if (!emulation.Ok()) {
        return false;
    }

    computerMenu = AddSubmenuById(text::kComputer);
    PopupBuilder computer(computerMenu);
    const int32_t machineCount = config != nullptr ? static_cast<int32_t>(config->Machines.size()) : 0;
    for (int32_t i = 0; i < machineCount && computer.Ok(); ++i) {
        const Computer* machine = config->GetMachine(i);
        if (machine == nullptr) {
            computer.Separator();
        } else {
            // The models offer no configurations of their own: one radio item each.
            computer.Named(*machine->NameWide(), OnMenuConfiguration, i, true);
        }
    }
    if (!computer.Ok()) {
        return false;
    }

    drivesMenu = AddSubmenuById(text::kDrives);
    videoMenu = AddSubmenuById(text::kVideo);
    if (drivesMenu == nullptr || videoMenu == nullptr) {
        return false;
    }
    if (window != nullptr) {
        BuildDrivesMenu(*window, *drivesMenu);
    }
    PopupBuilder video(videoMenu);
    const int32_t rendererCount = config != nullptr ? static_cast<int32_t>(config->Renderers.size()) : 0;
    for (int32_t i = 0; i < rendererCount && video.Ok(); ++i) {
        common::WideString label("Unknown");
        if (const RendererBase* renderer = config->GetRenderer(i)) {
            label.Assign(renderer->Name());
            label.Append(" ");
            label.Append(common::GetText(text::kRenderer, u""));
        }
        video.Named(label, OnMenuRenderer, i, false);
    }
    if (!video.Ok()) {
        return false;
    }

    soundMenu = AddSubmenuById(text::kSound);
    PopupBuilder sound(soundMenu);
    const int32_t outputCount = config != nullptr ? static_cast<int32_t>(config->SoundOutputs.size()) : 0;
    for (int32_t i = 0; i < outputCount && sound.Ok(); ++i) {
        const HostSoundOutput* output = config->GetSoundOutput(i);
        sound.Named(common::WideString(output != nullptr ? output->Name() : "Unknown Sound"), OnMenuSoundOutput, i,
                    false);
    }
    if (!sound.Ok()) {
        return false;
    }

    inputMenu = AddSubmenuById(text::kInput);
    PopupBuilder input(inputMenu);
    input.Item(text::kCaptureMouse, OnMenuCaptureMouse);
    debugMenu = AddSubmenuById(text::kDebug);
    if (!input.Ok() || debugMenu == nullptr) {
        return false;
    }

    viewMenu = AddSubmenuById(text::kView);
    PopupBuilder view(viewMenu);
    emulationScreenItem = view.Item(text::kEmulationScreen, OnMenuEmulationScreen, true);
    consoleWindowItem = view.Item(text::kConsoleWindow, OnMenuConsoleWindow, true);
    view.Separator();
    view.Item(text::kFullscreen, OnMenuFullscreen);
    view.Separator();
    view.Item(text::kToolbar, OnMenuToolbar, true, 0);
    if (!view.Ok()) {
        return false;
    }

    settingsMenu = AddSubmenuById(text::kSettings);
    PopupBuilder settings(settingsMenu);
    settings.Item(text::kMaximizeOnStartup, OnMenuStartupOption, true, 0);
    settings.Item(text::kAutoStart, OnMenuStartupOption, true, 1);
    settings.Separator();
    if (!settings.Ok()) {
        return false;
    }
    gui::PopupMenu* languageMenu = settingsMenu->AddSubmenuById(text::kLanguage);
    PopupBuilder languages(languageMenu);
    for (int32_t index = 0; index < common::TextRegistry::kLanguageCount && languages.Ok(); ++index) {
        if (const char* name = common::GetLanguageName(index)) {
            languages.Named(common::WideString(name), OnMenuLanguage, index, false);
        }
    }
    if (!languages.Ok()) {
        return false;
    }

    helpMenu = AddSubmenuById(text::kHelp);
    PopupBuilder help(helpMenu);
    help.Item(text::kAboutDots, ShowAboutBox);
    if (!help.Ok()) {
        return false;
    }
    // The bar was cleared above: a removal now would take the Drives menu's own options away again.
    if (window != nullptr && window->core != nullptr && !BuildDeviceMenus(true, false)) {
        return false;
    }
    UpdateAll();
    return true;
}

void SyncItem(gui::MenuItem& item, bool enabled, bool checked) {
    if (item.IsEnabled() != enabled) {
        item.SetEnabled(enabled);
    }
    if (item.IsChecked() != checked) {
        item.SetChecked(checked);
    }
}

} // namespace emu
