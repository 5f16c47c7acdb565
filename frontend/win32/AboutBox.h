// Help > About...: the program's title, its version and the project's credit, the machine paused meanwhile.
#pragma once

#include <cstdint>

namespace gui {
class MenuItem;
} // namespace gui

namespace emu {

bool ShowAboutBox(gui::MenuItem* item, int32_t position, int32_t kind, int32_t extra);

} // namespace emu
