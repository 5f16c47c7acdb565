#include "common/KeyTranslation.h"

#include <array>

namespace common {

namespace {

constexpr int kExtended = 0x100;
constexpr int kFirstIndex = 0x008;
constexpr int kLastIndex = 0x16F;

struct KeyMapping {
    int index; // virtual-key code, plus kExtended for the extended half
    uint8_t code;
};

// Everything that is not simply the virtual-key code itself.
constexpr KeyMapping kMappings[] = {
    // The cursor and editing block with Num Lock off types the keypad's keys.
    {0x0C, 0x65},
    {0x21, 0x69},
    {0x22, 0x63},
    {0x23, 0x61},
    {0x24, 0x67},
    {0x25, 0x64},
    {0x26, 0x68},
    {0x27, 0x66},
    {0x28, 0x62},
    {0x2D, 0x60},
    {0x2E, 0x6E},
    // Left modifiers.
    {0x10, 0xE0},
    {0x11, 0xE2},
    {0x12, 0xE4},
    // Punctuation keys.
    {0xBA, 0xEA},
    {0xBB, 0xE7},
    {0xBC, 0xEB},
    {0xBD, 0xE6},
    {0xBE, 0xEC},
    {0xBF, 0xEF},
    {0xC0, 0xF1},
    {0xDB, 0xE8},
    {0xDC, 0xEE},
    {0xDD, 0xE9},
    {0xDE, 0xF0},
    // Extended: keypad Enter, right modifiers, the separate cursor block and the keypad operators.
    {kExtended | 0x0D, 0x6C},
    {kExtended | 0x10, 0xE1},
    {kExtended | 0x11, 0xE3},
    {kExtended | 0x12, 0xE5},
    {kExtended | 0x21, 0x21},
    {kExtended | 0x22, 0x22},
    {kExtended | 0x23, 0x23},
    {kExtended | 0x24, 0x24},
    {kExtended | 0x25, 0x25},
    {kExtended | 0x26, 0x26},
    {kExtended | 0x27, 0x27},
    {kExtended | 0x28, 0x28},
    {kExtended | 0x2D, 0x2D},
    {kExtended | 0x2E, 0x2E},
    {kExtended | 0x6A, 0x6A},
    {kExtended | 0x6B, 0x6B},
    {kExtended | 0x6D, 0x6D},
    {kExtended | 0x6F, 0x6F},
};

constexpr bool IsIdentityKey(int virtualKey) {
    switch (virtualKey) {
    case 0x08: // Backspace, Tab, Enter, Pause, Caps Lock, Escape, Space, Print Screen
    case 0x09:
    case 0x0D:
    case 0x13:
    case 0x14:
    case 0x1B:
    case 0x20:
    case 0x2C:
    case 0x90: // Num Lock, Scroll Lock
    case 0x91:
        return true;
    default:
        return (virtualKey >= 0x30 && virtualKey <= 0x39) || (virtualKey >= 0x41 && virtualKey <= 0x5A) ||
               (virtualKey >= 0x60 && virtualKey <= 0x6F && virtualKey != 0x6C) ||
               (virtualKey >= 0x70 && virtualKey <= 0x7B);
    }
}

constexpr std::array<uint8_t, kLastIndex + 1> BuildTable() {
    std::array<uint8_t, kLastIndex + 1> table{};
    for (auto& code : table) {
        code = kNoKey;
    }
    for (int key = kFirstIndex; key < kExtended; ++key) {
        if (IsIdentityKey(key)) {
            table[key] = static_cast<uint8_t>(key);
        }
    }
    for (const KeyMapping& mapping : kMappings) {
        table[mapping.index] = mapping.code;
    }
    return table;
}

constexpr auto kTable = BuildTable();

struct KeyCharacter {
    uint8_t code;
    char character;
};

constexpr KeyCharacter kCharacters[] = {
    {0x20, ' '}, {0x6A, '*'}, {0x6B, '+'}, {0xE7, '+'},  {0x6D, '-'}, {0xE6, '-'},
    {0x6E, '.'}, {0xEC, '.'}, {0x6F, '/'}, {0xEF, '/'},  {0x98, '_'}, {0xE8, '['},
    {0xE9, ']'}, {0xEA, ':'}, {0xEB, ','}, {0xEE, '\\'}, {0xF0, '"'},
};

} // namespace

uint8_t TranslateKeyCode(uint32_t key) {
    const uint32_t index = (key & 0xFF) | ((key & 0x10000) >> 8);
    if (index < kFirstIndex || index > kLastIndex) {
        return kNoKey;
    }
    return kTable[index];
}

bool VirtualKeyToChar(uint32_t keyCode, char* out) {
    if ((keyCode >= 0x30 && keyCode <= 0x39) || (keyCode >= 0x41 && keyCode <= 0x5A)) {
        *out = static_cast<char>(keyCode);
        return true;
    }
    for (const KeyCharacter& entry : kCharacters) {
        if (entry.code == keyCode) {
            *out = entry.character;
            return true;
        }
    }
    return false;
}

bool ArrowKeyCode(uint8_t virtualKey, uint32_t* out) {
    if (virtualKey < 0x25 || virtualKey > 0x28) {
        return false;
    }
    *out = virtualKey;
    return true;
}

} // namespace common
