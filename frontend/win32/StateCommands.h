// Emulation > Save State and Load State (F11, F12): a confirmation, then the model's state file.
#pragma once

#include <cstdint>

namespace gui {
class MenuItem;
} // namespace gui

namespace emu {

bool OnMenuSaveState(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);
bool OnMenuLoadState(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);

} // namespace emu
