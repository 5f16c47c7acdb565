// The Drives menu: one submenu per drive of the current machine, with the drive's commands.
#pragma once

#include <cstdint>

namespace gui {
class MenuItem;
class PopupMenu;
} // namespace gui

namespace emu {

class MainWindow;

// Rebuilds the Drives popup from the window's core: Load From File, Unload, (Mount From Folder), Latch per drive.
void BuildDrivesMenu(MainWindow& window, gui::PopupMenu& drives);

// Command handlers (item, position, kind, extra); the item's user value is the drive index.
bool OnMenuDriveLoadFile(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuDriveUnload(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuDriveLatch(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuDriveMountFolder(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);

// The Open dialog for the drive's image (on the drive's last image folder and file), then the chosen file mounted;
// a running machine waits while the dialog is open. True when the old image went out for the chosen one.
bool ChooseDriveImage(MainWindow& window, int32_t index);
// The same with the folder dialog, for a folder mounted as a disk.
bool ChooseDriveFolder(MainWindow& window, int32_t index);

} // namespace emu
