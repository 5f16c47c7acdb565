// The main window's menu bar: the whole menu tree with its command handlers, and the items and popups the rest of
// the front end reaches directly. Menu state is pulled: after a command the tree is refreshed and every handler
// recomputes its own item's enabled and checked flags.
#pragma once

#include "gui/MenuBar.h"

#include <array>
#include <cstdint>

namespace emu {

class MainMenuBar : public gui::MenuBar {
public:
    explicit MainMenuBar(gui::Window* owner) : gui::MenuBar(owner) {}
    // The generated items go first, as on a machine change.
    ~MainMenuBar() override;

    // Clears the bar and builds the tree; false as soon as an item cannot be made (what was built stays).
    bool BuildMainMenu();
    // Removes every generated item (group not 0) from the popups that take them.
    void RemoveGeneratedItems();
    // Unless keep, removes the generated items first; unless skipBuild, adds the core's option trees under their
    // popups. False without a core or when a build fails.
    bool BuildDeviceMenus(bool keep, bool skipBuild);

    gui::MenuItem* startItem = nullptr;
    gui::MenuItem* pauseItem = nullptr;
    gui::MenuItem* stopItem = nullptr;
    gui::MenuItem* saveStateItem = nullptr;
    gui::MenuItem* loadStateItem = nullptr;
    gui::PopupMenu* emulationMenu = nullptr;
    gui::PopupMenu* computerMenu = nullptr;
    gui::PopupMenu* drivesMenu = nullptr;
    gui::PopupMenu* inputMenu = nullptr;
    gui::PopupMenu* debugMenu = nullptr;
    gui::PopupMenu* viewMenu = nullptr;
    gui::PopupMenu* videoMenu = nullptr;
    gui::PopupMenu* soundMenu = nullptr;
    gui::PopupMenu* settingsMenu = nullptr;
    gui::PopupMenu* helpMenu = nullptr;
    gui::MenuItem* consoleWindowItem = nullptr;
    gui::MenuItem* emulationScreenItem = nullptr;

private:
    // The popups whose generated items a machine change replaces, in the order they are cleared.
    std::array<gui::PopupMenu*, 7> GeneratedPopups() const {
        return {computerMenu, drivesMenu, inputMenu, debugMenu, videoMenu, soundMenu, settingsMenu};
    }
    void ClearFields();
};

// Command handlers (item, position, kind, extra): kind 0 runs the command, kind 1 refreshes the item.
bool OnMenuStart(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuStop(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuPause(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuSynchronization(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuFastInit(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuExit(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuCaptureMouse(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuEmulationScreen(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuConsoleWindow(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuFullscreen(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuToolbar(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuStartupOption(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuConfiguration(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuMachine(gui::MenuItem* item, int32_t position);
bool OnMenuRenderer(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuSoundOutput(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuLanguage(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
// Every item made from a device option; activates the option with the emulation thread parked.
bool OnMenuDeviceOption(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);

// Sets the item's flags to the computed ones, updating the native item only when one differs.
void SyncItem(gui::MenuItem& item, bool enabled, bool checked);

} // namespace emu
