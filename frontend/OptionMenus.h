// Menus built from the devices' option trees. The front end knows no device: every generated item holds its
// option node in its group (user data) and asks it for label, check and enabled state on each refresh; choosing
// the item activates the node, which writes the device setting it is bound to.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace common {
class OptionNode;
} // namespace common

namespace gui {
class MenuItem;
class PopupMenu;
} // namespace gui

namespace emu {

// Fills popup with the children of node, recursively; false for a null node or popup. Runs of separator options
// give one separator and none trails; an item the menu refuses is skipped.
// Every generated item and submenu gets handler.
using OptionHandler = bool (*)(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool BuildOptionMenu(common::OptionNode* node, gui::PopupMenu* popup, bool nested, OptionHandler handler);

struct OptionTreeMenu {
    common::OptionNode* root = nullptr;
    gui::PopupMenu* popup = nullptr;
    bool nested = false;
};

// Adds each tree under its popup, after a separator when the popup has static items; a popup whose tree is
// missing or empty loses a trailing separator left by an earlier machine. False when a build fails.
bool BuildOptionTreeMenus(const std::vector<OptionTreeMenu>& trees, OptionHandler handler);

// Runs work with the emulation thread parked; false (work not run) when it did not park.
using ParkedRunner = std::function<bool(const std::function<void()>& work)>;

// The body of the generated items' handler; without a runner (no core) it does nothing. A command activates the
// option with the thread parked, relabels the item and its generated parents in the current language and
// refreshes the tree; an update copies the option's enabled, checked and visible states to the item.
bool HandleDeviceOption(gui::MenuItem* item, int32_t position, int32_t kind, const ParkedRunner& runParked);

} // namespace emu
