// The emulator's own key codes (one byte, 0xFF for no key) and their conversion from and to host keys.
#pragma once

#include <cstdint>

namespace common {

constexpr uint8_t kNoKey = 0xFF;

// The Windows virtual-key code in the low byte and the key's extended flag in bit 16 (the window layer moves bit
// 24 of the key message there). Shift, Ctrl and Alt come as 0x10, 0x11, 0x12, with bit 16 set for the right key.
// Other bits are ignored.
uint8_t TranslateKeyCode(uint32_t key);

// The character a key code types on the debugger's command line; false (out untouched) when it types none.
bool VirtualKeyToChar(uint32_t keyCode, char* out);

// The four arrow keys of the cursor block: stores the code and answers true.
bool ArrowKeyCode(uint8_t virtualKey, uint32_t* out);

} // namespace common
