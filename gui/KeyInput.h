// Host keys as the toolkit hands them to OnKey: the program's key codes, with Shift, Ctrl and Alt split into
// their left and right keys.
#pragma once

#include <cstdint>

namespace gui {

class Window;

// The program's code of a virtual key (extended: the right or keypad half); -1 for none.
int32_t KeyCodeOf(uint32_t virtualKey, bool extended);

bool IsModifierKey(uint32_t virtualKey);

// Delivers a Shift, Ctrl or Alt message to the window. A side applies when it is held on a press, released on a
// release. With the right side, the left side's code goes first (-1 when the left side does not apply), then the
// right side's; the message counts as handled only when both were. Otherwise the left side alone decides.
bool DeliverModifierKey(Window& window, uint32_t virtualKey, bool down, bool leftApplies, bool rightApplies);

} // namespace gui
