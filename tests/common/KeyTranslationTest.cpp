#include "common/KeyTranslation.h"

#include <gtest/gtest.h>

#include <map>

namespace common {
namespace {

constexpr uint32_t kExtended = 0x10000;

// The whole table, written out as the keyboard has it, so that every index is checked against it.
std::map<uint32_t, uint8_t> ExpectedTable() {
    std::map<uint32_t, uint8_t> table;
    for (uint32_t key : {0x08u, 0x09u, 0x0Du, 0x13u, 0x14u, 0x1Bu, 0x20u, 0x2Cu, 0x90u, 0x91u})
        table[key] = static_cast<uint8_t>(key);
    for (uint32_t key = 0x30; key <= 0x39; ++key)
        table[key] = static_cast<uint8_t>(key);
    for (uint32_t key = 0x41; key <= 0x5A; ++key)
        table[key] = static_cast<uint8_t>(key);
    for (uint32_t key = 0x60; key <= 0x6F; ++key)
        if (key != 0x6C)
            table[key] = static_cast<uint8_t>(key);
    for (uint32_t key = 0x70; key <= 0x7B; ++key)
        table[key] = static_cast<uint8_t>(key);
    const std::map<uint32_t, uint8_t> others = {
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
        {0x10, 0xE0},
        {0x11, 0xE2},
        {0x12, 0xE4},
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
        {kExtended | 0x0D, 0x6C},
        {kExtended | 0x10, 0xE1},
        {kExtended | 0x11, 0xE3},
        {kExtended | 0x12, 0xE5},
    };
    table.insert(others.begin(), others.end());
    for (uint32_t key :
         {0x21u, 0x22u, 0x23u, 0x24u, 0x25u, 0x26u, 0x27u, 0x28u, 0x2Du, 0x2Eu, 0x6Au, 0x6Bu, 0x6Du, 0x6Fu})
        table[kExtended | key] = static_cast<uint8_t>(key);
    return table;
}

TEST(KeyTranslationTest, EveryVirtualKeyInBothHalves) {
    const auto expected = ExpectedTable();
    for (uint32_t extended : {0u, kExtended}) {
        for (uint32_t virtualKey = 0; virtualKey < 0x100; ++virtualKey) {
            const uint32_t key = extended | virtualKey;
            const auto found = expected.find(key);
            const uint8_t code = found == expected.end() ? kNoKey : found->second;
            EXPECT_EQ(TranslateKeyCode(key), code) << std::hex << "key 0x" << key;
        }
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
