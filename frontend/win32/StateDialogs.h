// The state dialogs: save the machine to the memory snapshot or the model's state file, load it from either. Each
// is one operation: called with any window of the main window's tree it opens its dialog, and the dialog calls
// it back with itself when it has ended.
#pragma once

#include "frontend/StateChoices.h"

#include <cstdint>

namespace gui {
class Window;
} // namespace gui

namespace emu {

class MainWindow;

// "to Memory", "to File", "Cancel"; only for a powered-on machine.
void ShowSaveStateDialog(gui::Window* window);
// "from Memory" (grey without a snapshot), "from File", "Cancel". A stopped machine without a snapshot loads the
// state file at once, without the dialog.
void ShowLoadStateDialog(gui::Window* window);

// Loads as the choice says (see LoadStateChoice); after a load that ran the window and the drive panels follow the
// core, and a refusal is told in a box.
StateOutcome LoadChosenState(MainWindow& window, int32_t choice);
// Tells a refused save or load in a box with its reason, under the caption's text; nothing for any other outcome.
void ShowStateRefusal(MainWindow& window, const StateOutcome& outcome, int32_t captionId);

} // namespace emu
