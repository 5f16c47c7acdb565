#include "common/KeyTranslation.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace common {
namespace {

constexpr uint32_t kExtended = 0x10000;

// Keys that give their own virtual-key code: the machines' keyboard layers read letters, digits and the function
// keys by it.
TEST(KeyTranslationTest, LettersDigitsAndFunctionKeysGiveTheirOwnCode) {
    for (const auto& [first, last] : {std::pair{0x30u, 0x39u}, std::pair{0x41u, 0x5Au}, std::pair{0x70u, 0x7Bu}}) {
        for (uint32_t key = first; key <= last; ++key) {
            EXPECT_EQ(TranslateKeyCode(key), key) << std::hex << "key 0x" << key;
        }
    }
}

TEST(KeyTranslationTest, NamedKeys) {
    const struct {
        const char* name;
        uint32_t key;
        uint8_t code;
    } cases[] = {
        {"Enter", 0x0D, 0x0D},
        {"keypad Enter", kExtended | 0x0D, 0x6C},
        {"Escape", 0x1B, 0x1B},
        {"Pause", 0x13, 0x13},
        {"Space", 0x20, 0x20},
        {"Backspace", 0x08, 0x08},
        {"left Shift", 0x10, 0xE0},
        {"right Shift", kExtended | 0x10, 0xE1},
        {"left Alt", 0x12, 0xE4},
        {"right Alt", kExtended | 0x12, 0xE5},
        {"semicolon", 0xBA, 0xEA},
        {"keypad 5 with Num Lock off", 0x0C, 0x65},
        {"keypad 8", 0x68, 0x68},
        {"keypad slash", kExtended | 0x6F, 0x6F},
        {"no key: the bell code", 0x07, kNoKey},
        {"no key: past the table", kExtended | 0x70, kNoKey},
        {"no key: an extended letter", kExtended | 0x41, kNoKey},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(TranslateKeyCode(testCase.key), testCase.code) << testCase.name;
    }
}

// The cursor block: the separate keys (extended) are the arrows and editing keys themselves, the same keys on the
// keypad with Num Lock off are the keypad's digits, so that the keypad works as a joystick either way.
TEST(KeyTranslationTest, TheCursorBlockIsItselfAndTheKeypadItsDigits) {
    for (uint32_t key : {0x21u, 0x22u, 0x23u, 0x24u, 0x25u, 0x26u, 0x27u, 0x28u, 0x2Du, 0x2Eu}) {
        EXPECT_EQ(TranslateKeyCode(kExtended | key), key) << std::hex << "key 0x" << key;
        const uint8_t keypad = TranslateKeyCode(key);
        EXPECT_TRUE(keypad >= 0x60 && keypad <= 0x6E && keypad != 0x6C) << std::hex << "key 0x" << key;
        EXPECT_EQ(TranslateKeyCode(keypad), keypad) << "the keypad key itself gives the same code";
    }
}

// Outside the cursor block no two keys share a code (a keypad operator may come with or without the extended flag), and
// the punctuation keys type their characters on the debugger's command line (all but the grave accent, which the
// command line does not take).
TEST(KeyTranslationTest, KeysHaveCodesOfTheirOwn) {
    std::map<uint8_t, uint32_t> owner;
    for (uint32_t extended : {0u, kExtended}) {
        for (uint32_t virtualKey = 0; virtualKey < 0x100; ++virtualKey) {
            const uint32_t key = extended | virtualKey;
            const bool numLockOffCursor =
                extended == 0 && ((virtualKey >= 0x21 && virtualKey <= 0x28) || virtualKey == 0x2D ||
                                  virtualKey == 0x2E || virtualKey == 0x0C);
            const uint8_t code = TranslateKeyCode(key);
            if (code == kNoKey || numLockOffCursor) {
                continue;
            }
            const auto [found, added] = owner.emplace(code, virtualKey);
            EXPECT_EQ(found->second, virtualKey)
                << std::hex << "keys 0x" << found->second << " and 0x" << key << " give 0x" << +code;
        }
    }
    for (uint32_t key : {0xBAu, 0xBBu, 0xBCu, 0xBDu, 0xBEu, 0xBFu, 0xDBu, 0xDCu, 0xDDu, 0xDEu}) {
        char typed = 0;
        EXPECT_TRUE(VirtualKeyToChar(TranslateKeyCode(key), &typed)) << std::hex << "key 0x" << key;
    }
}

TEST(KeyTranslationTest, OnlyBit16SelectsTheExtendedHalf) {
    EXPECT_EQ(TranslateKeyCode(0x25), 0x64);
    EXPECT_EQ(TranslateKeyCode(kExtended | 0x25), 0x25);
    EXPECT_EQ(TranslateKeyCode(0x10D), 0x0D);
    EXPECT_EQ(TranslateKeyCode(0xFF000000u | 0x25), 0x64);
    // Index 0x170 lies past the table.
    EXPECT_EQ(TranslateKeyCode(kExtended | 0x70), kNoKey);
    EXPECT_EQ(TranslateKeyCode(0x07), kNoKey);
}

TEST(KeyTranslationTest, CharactersTypedOnTheCommandLine) {
    const struct {
        uint32_t code;
        char character;
    } cases[] = {{0x30, '0'}, {0x39, '9'}, {0x41, 'A'}, {0x5A, 'Z'}, {0x20, ' '}, {0x6A, '*'},  {0x6B, '+'},
                 {0xE7, '+'}, {0x6D, '-'}, {0xE6, '-'}, {0x6E, '.'}, {0xEC, '.'}, {0x6F, '/'},  {0xEF, '/'},
                 {0x98, '_'}, {0xE8, '['}, {0xE9, ']'}, {0xEA, ':'}, {0xEB, ','}, {0xEE, '\\'}, {0xF0, '"'}};
    for (const auto& testCase : cases) {
        char typed = 0;
        EXPECT_TRUE(VirtualKeyToChar(testCase.code, &typed)) << std::hex << testCase.code;
        EXPECT_EQ(typed, testCase.character) << std::hex << testCase.code;
    }
    for (uint32_t code : {0x2Fu, 0x3Au, 0x40u, 0x5Bu, 0x60u, 0x6Cu, 0xEDu, 0xF1u, 0xFFu, 0x141u}) {
        char typed = 'x';
        EXPECT_FALSE(VirtualKeyToChar(code, &typed)) << std::hex << code;
        EXPECT_EQ(typed, 'x');
    }
}

TEST(KeyTranslationTest, ArrowKeys) {
    for (uint32_t key = 0; key < 0x100; ++key) {
        uint32_t code = 0xDEAD;
        const bool isArrow = key >= 0x25 && key <= 0x28;
        EXPECT_EQ(ArrowKeyCode(static_cast<uint8_t>(key), &code), isArrow) << key;
        EXPECT_EQ(code, isArrow ? key : 0xDEADu);
    }
}

} // namespace
} // namespace common
