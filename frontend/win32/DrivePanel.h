// The toolbar's drive panel: the drives grouped by kind under a label, one indicator per drive showing its state
// and its image's path as a tooltip. A double click on an indicator chooses the drive's image, a right click works
// its latch.
#pragma once

#include <cstdint>

namespace gui {
class Window;
} // namespace gui

namespace emu {

class MainWindow;
struct DrivesPlan;

// Every drive of the core forgets its indicator and light, then the panel's controls go.
void ClearDrivePanel(MainWindow& window);
// Fills the (cleared) panel as the plan says; every drive on it records its indicator and number.
void FillDrivePanel(MainWindow& window, const DrivesPlan& plan);

// An indicator's mouse callback: a left double click runs the Open dialog (with Ctrl on a hard disk, the folder
// dialog), a right button press inverts the latch. Nonzero when it acted.
int32_t OnDrivePanel(gui::Window* indicator, int32_t x, int32_t y, int32_t event);

// Called with an indicator, opens the "Open File" dialog for its drive, sized from the main window; called back
// with the dialog when it ends: OK mounts the chosen file, or empties the drive for an empty path.
void ShowOpenFileDialog(gui::Window* object);

} // namespace emu
