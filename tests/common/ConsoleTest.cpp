#include "common/Console.h"

#include "common/StringList.h"
#include "common/WideString.h"
#include "support/TestPixelBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace common {
namespace {

struct Written {
    std::string text;
    uint32_t colour;

    bool operator==(const Written&) const = default;
};

void PrintTo(const Written& line, std::ostream* out) {
    *out << '"' << line.text << "\" 0x" << std::hex << line.colour;
}

std::vector<Written> LinesOf(const Console& console) {
    std::vector<Written> lines;
    for (const ConsoleLine& line : console.Snapshot()) {
        lines.push_back({std::string(line.text.View()), line.colour});
    }
    return lines;
}

// A paint, which moves the pending lines to the shown ones.
void Paint(Console& console) {
    test_support::TestPixelBuffer frame(64, 64);
    ASSERT_TRUE(console.DrawText(frame));
}

void CountCall(void* context) {
    ++*static_cast<int*>(context);
}

TEST(ConsoleTest, KeepsLinesInOrderWithTheirColours) {
    Console console;
    console.AppendLine(NarrowString("plain"));
    console.AppendText(NarrowString("red"), 0xFFFF0000);
    console.AppendText(WideString(u"wide"), 0xFF00FF00);
    Paint(console);
    console.AppendLine(NarrowString(""));
    EXPECT_EQ(
        LinesOf(console),
        (std::vector<Written>{
            {"plain", Console::kPlainColour}, {"red", 0xFFFF0000}, {"wide", 0xFF00FF00}, {"", Console::kPlainColour}}));
}

TEST(ConsoleTest, IncompleteLineTakesTheNextTextInItsOwnColour) {
    Console console;
    console.AppendText(NarrowString("abc"), 0xFF123456, false);
    console.AppendLine(NarrowString("def"));
    console.AppendLine(NarrowString("next"));
    EXPECT_EQ(LinesOf(console), (std::vector<Written>{{"abcdef", 0xFF123456}, {"next", Console::kPlainColour}}));
}

TEST(ConsoleTest, TextAfterAPaintStartsANewLineEvenAfterAnIncompleteOne) {
    Console console;
    console.AppendLine(NarrowString("abc"), false);
    Paint(console);
    console.AppendText(NarrowString("def"), 0xFF010203);
    EXPECT_EQ(LinesOf(console), (std::vector<Written>{{"abc", Console::kPlainColour}, {"def", 0xFF010203}}));
}

TEST(ConsoleTest, KeepsOnlyTheNewestLinesBetweenPaintsAndInTheLog) {
    Console console;
    for (int i = 0; i <= Console::kLineLimit; ++i) {
        console.AppendLine(NarrowString(std::to_string(i).c_str()));
    }
    std::vector<Written> lines = LinesOf(console);
    ASSERT_EQ(lines.size(), static_cast<size_t>(Console::kLineLimit));
    EXPECT_EQ(lines.front().text, "1");
    EXPECT_EQ(lines.back().text, "10000");

    // The shown log keeps the same number across paints.
    Paint(console);
    for (int i = 0; i < 6000; ++i) {
        console.AppendLine(NarrowString(("new " + std::to_string(i)).c_str()));
    }
    Paint(console);
    lines = LinesOf(console);
    ASSERT_EQ(lines.size(), static_cast<size_t>(Console::kLineLimit));
    EXPECT_EQ(lines.front().text, "6001");
    EXPECT_EQ(lines.back().text, "new 5999");
}

TEST(ConsoleTest, SuppressRepeatsDropsALineEqualToTheOneBeforeIt) {
    struct Case {
        const char* name;
        std::vector<const char*> lines;
        bool paintAfterFirst;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {"an equal pair", {"same", "same"}, false, {"same"}},
        {"a line between", {"same", "other", "same"}, false, {"same", "other", "same"}},
        {"against the last shown line", {"same", "same"}, true, {"same"}},
        {"a different one after a paint", {"same", "other"}, true, {"same", "other"}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        Console console;
        console.SetSuppressRepeats(true);
        for (size_t i = 0; i < testCase.lines.size(); ++i) {
            console.AppendLine(NarrowString(testCase.lines[i]));
            if (i == 0 && testCase.paintAfterFirst) {
                Paint(console);
            }
        }
        std::vector<std::string> kept;
        for (const Written& line : LinesOf(console)) {
            kept.push_back(line.text);
        }
        EXPECT_EQ(kept, testCase.kept);
    }
}

TEST(ConsoleTest, DroppedRepeatPushesNoLineOutOfAFullLog) {
    Console console;
    console.SetSuppressRepeats(true);
    for (int i = 0; i < Console::kLineLimit; ++i) {
        console.AppendLine(NarrowString(std::to_string(i).c_str()));
    }
    console.AppendLine(NarrowString("9999"));
    const std::vector<Written> lines = LinesOf(console);
    ASSERT_EQ(lines.size(), static_cast<size_t>(Console::kLineLimit));
    EXPECT_EQ(lines.front().text, "0");
}

TEST(ConsoleTest, ClearForgetsShownAndPendingLines) {
    Console console;
    console.AppendLine(NarrowString("shown"));
    Paint(console);
    console.AppendLine(NarrowString("pending"), false);
    console.Clear();
    EXPECT_TRUE(console.Snapshot().empty());
    EXPECT_TRUE(console.IsChanged());
    console.AppendLine(NarrowString("new"));
    console.AppendLine(NarrowString("line"));
    EXPECT_EQ(LinesOf(console),
              (std::vector<Written>{{"new", Console::kPlainColour}, {"line", Console::kPlainColour}}));
}

TEST(ConsoleTest, AppendLinesAddsPlainLinesOrFillsAnIncompleteOne) {
    StringList list;
    list.Add(NarrowString("one"));
    list.Add(WideString(u"two"));

    Console console;
    console.AppendText(NarrowString("first"), 0xFF010101);
    console.AppendLines(list);
    EXPECT_EQ(
        LinesOf(console),
        (std::vector<Written>{{"first", 0xFF010101}, {"one", Console::kPlainColour}, {"two", Console::kPlainColour}}));

    Console incomplete;
    incomplete.AppendText(NarrowString("start "), 0xFF020202, false);
    incomplete.AppendLines(list);
    incomplete.AppendLine(NarrowString(" end"));
    incomplete.AppendLine(NarrowString("next"));
    EXPECT_EQ(LinesOf(incomplete),
              (std::vector<Written>{{"start onetwo end", 0xFF020202}, {"next", Console::kPlainColour}}));
}

TEST(ConsoleTest, ChangeCallbackFiresOncePerChangeAfterAPaint) {
    Console console;
    int calls = 0;
    console.SetChangeCallback(CountCall, &calls);
    console.AppendLine(NarrowString("before the first paint"));
    EXPECT_EQ(calls, 0); // a new console is changed already

    Paint(console);
    EXPECT_FALSE(console.IsChanged());
    console.AppendLine(NarrowString("a"));
    console.AppendLine(NarrowString("b"));
    console.Clear();
    EXPECT_EQ(calls, 1);

    Paint(console);
    EXPECT_TRUE(console.KeyEvent(0x41, true, false)); // types 'A'
    EXPECT_TRUE(console.KeyEvent(0x42, true, false));
    EXPECT_EQ(calls, 2);

    Paint(console);
    EXPECT_TRUE(console.KeyEvent(0xE0, true, false)); // Shift changes nothing
    EXPECT_TRUE(console.KeyEvent(0x42, false, false));
    EXPECT_TRUE(console.KeyEvent(0x74, true, false)); // F5 types nothing
    EXPECT_TRUE(console.KeyEvent(0x2E, true, false)); // Delete at the end deletes nothing
    EXPECT_TRUE(console.KeyEvent(0x27, true, false)); // nor can Right move
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(console.IsChanged());
}

// The key that types a character on the command line.
uint8_t KeyFor(char character) {
    switch (character) {
    case ' ':
        return 0x20;
    case '.':
        return 0x6E;
    default:
        return static_cast<uint8_t>(character);
    }
}

void Press(Console& console, uint8_t code) {
    console.KeyEvent(code, true, false);
    console.KeyEvent(code, false, false);
}

// Types text, then puts the cursor and the selection in place with the keys a user would press.
void SetUpEditLine(Console& console, const std::string& text, int32_t cursor, int32_t selection) {
    for (char character : text) {
        Press(console, KeyFor(character));
    }
    Press(console, 0x24); // Home
    const int32_t anchor = cursor + selection;
    for (int32_t i = 0; i < anchor; ++i) {
        Press(console, 0x27);
    }
    console.KeyEvent(0xE0, true, false);
    for (int32_t i = anchor; i > cursor; --i) {
        Press(console, 0x25);
    }
    for (int32_t i = anchor; i < cursor; ++i) {
        Press(console, 0x27);
    }
    console.KeyEvent(0xE0, false, false);
    ASSERT_EQ(std::string(console.EditLine().View()), text);
    ASSERT_EQ(console.Cursor(), cursor);
    ASSERT_EQ(console.Selection(), selection);
}

void RecordCommand(void* context, const NarrowString& line) {
    static_cast<std::vector<std::string>*>(context)->push_back(std::string(line.View()));
}

TEST(ConsoleTest, KeysEditScrollAndRunTheCommandLine) {
    constexpr bool kShift = true;
    constexpr bool kCtrl = true;
    struct Case {
        const char* name;
        std::string text;
        int32_t cursor;
        int32_t selection;
        uint8_t key;
        bool shift;
        bool ctrl;
        bool withCallback;
        std::string wantText;
        int32_t wantCursor;
        int32_t wantSelection;
        int32_t wantScroll;
        std::vector<std::string> wantLines;
        std::vector<std::string> wantCommands;
    };
    const Case cases[] = {
        {"Backspace", "ABC", 2, 0, 0x08, false, false, false, "AC", 1, 0, 0, {}, {}},
        {"Backspace at the start", "ABC", 0, 0, 0x08, false, false, false, "ABC", 0, 0, 0, {}, {}},
        {"Backspace on a selection", "ABCD", 1, 2, 0x08, false, false, false, "AD", 1, 0, 0, {}, {}},
        {"Backspace on a selection to the left", "ABCD", 3, -2, 0x08, false, false, false, "AD", 1, 0, 0, {}, {}},
        {"Delete", "ABC", 1, 0, 0x2E, false, false, false, "AC", 1, 0, 0, {}, {}},
        {"Delete at the end", "ABC", 3, 0, 0x2E, false, false, false, "ABC", 3, 0, 0, {}, {}},
        {"Delete on a selection", "ABCD", 3, -3, 0x2E, false, false, false, "D", 0, 0, 0, {}, {}},
        {"Enter without a callback",
         "HELP",
         2,
         0,
         0x0D,
         false,
         false,
         false,
         "HELP",
         4,
         -4,
         0,
         {"Unknown command: HELP"},
         {}},
        {"Enter with a callback", "HELP", 2, 0, 0x0D, false, false, true, "HELP", 4, -4, 0, {}, {"HELP"}},
        {"numeric-pad Enter", "CPU", 3, 0, 0x6C, false, false, true, "CPU", 3, -3, 0, {}, {"CPU"}},
        {"Escape", "ABC", 1, 1, 0x1B, false, false, false, "", 0, 0, 0, {}, {}},
        {"Home", "ABC", 2, 1, 0x24, false, false, false, "ABC", 0, 0, 0, {}, {}},
        {"Shift+Home", "ABC", 3, 0, 0x24, kShift, false, false, "ABC", 0, 3, 0, {}, {}},
        {"End", "ABC", 1, 0, 0x23, false, false, false, "ABC", 3, 0, 0, {}, {}},
        {"numeric-pad End", "ABC", 1, 0, 0x61, false, false, false, "ABC", 3, 0, 0, {}, {}},
        {"Shift+End", "ABC", 1, 0, 0x23, kShift, false, false, "ABC", 3, -2, 0, {}, {}},
        {"Left", "ABC", 2, 0, 0x25, false, false, false, "ABC", 1, 0, 0, {}, {}},
        {"Left at the start clears the selection", "ABC", 0, 2, 0x25, false, false, false, "ABC", 0, 0, 0, {}, {}},
        {"Shift+Left", "ABC", 2, 0, 0x25, kShift, false, false, "ABC", 1, 1, 0, {}, {}},
        {"Shift+Left at the start", "ABC", 0, 2, 0x25, kShift, false, false, "ABC", 0, 2, 0, {}, {}},
        {"Right", "ABC", 1, 0, 0x27, false, false, false, "ABC", 2, 0, 0, {}, {}},
        {"Right at the end clears the selection", "ABC", 3, -1, 0x27, false, false, false, "ABC", 3, 0, 0, {}, {}},
        {"Shift+Right", "ABC", 1, 0, 0x27, kShift, false, false, "ABC", 2, -1, 0, {}, {}},
        {"a character", "AC", 1, 0, 0x42, false, false, false, "ABC", 2, 0, 0, {}, {}},
        {"a character over a selection", "ABCD", 1, 2, 0x58, false, false, false, "AXD", 2, 0, 0, {}, {}},
        {"a character with Shift", "AB", 2, 0, 0x43, kShift, false, false, "ABC", 3, 0, 0, {}, {}},
        {"a space", "AB", 1, 0, 0x20, false, false, false, "A B", 2, 0, 0, {}, {}},
        {"an unprintable key", "AB", 1, 1, 0x74, false, false, false, "AB", 1, 1, 0, {}, {}},
        {"an unknown code", "AB", 1, 0, 0xFF, false, false, false, "AB", 1, 0, 0, {}, {}},
        {"Page Up", "", 0, 0, 0x21, false, false, false, "", 0, 0, -2, {}, {}},
        {"Ctrl+Page Up", "", 0, 0, 0x21, false, kCtrl, false, "", 0, 0, -Console::kLineLimit, {}, {}},
        {"Page Down", "", 0, 0, 0x22, false, false, false, "", 0, 0, 2, {}, {}},
        {"Ctrl+Page Down", "", 0, 0, 0x22, false, kCtrl, false, "", 0, 0, 2 + Console::kLineLimit, {}, {}},
        {"Up", "", 0, 0, 0x26, false, false, false, "", 0, 0, -1, {}, {}},
        {"Down", "", 0, 0, 0x28, false, false, false, "", 0, 0, 1, {}, {}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        Console console;
        // Two lines shown, so that a page is two rows.
        console.AppendLine(NarrowString("one"));
        console.AppendLine(NarrowString("two"));
        test_support::TestPixelBuffer frame(200, 200);
        ASSERT_TRUE(console.DrawText(frame));
        ASSERT_EQ(console.ShownRows(), 2);
        std::vector<std::string> commands;
        if (testCase.withCallback) {
            console.SetCommandCallback(RecordCommand, &commands);
        }
        SetUpEditLine(console, testCase.text, testCase.cursor, testCase.selection);
        if (testCase.shift) {
            console.KeyEvent(0xE1, true, false);
        }
        if (testCase.ctrl) {
            console.KeyEvent(0xE3, true, false);
        }

        EXPECT_TRUE(console.KeyEvent(testCase.key, true, false));
        EXPECT_TRUE(console.KeyEvent(testCase.key, false, false));
        EXPECT_EQ(std::string(console.EditLine().View()), testCase.wantText);
        EXPECT_EQ(console.Cursor(), testCase.wantCursor);
        EXPECT_EQ(console.Selection(), testCase.wantSelection);
        EXPECT_EQ(console.ScrollRequest(), testCase.wantScroll);
        EXPECT_EQ(commands, testCase.wantCommands);
        std::vector<std::string> added;
        for (const Written& line : LinesOf(console)) {
            added.push_back(line.text);
        }
        added.erase(added.begin(), added.begin() + 2);
        EXPECT_EQ(added, testCase.wantLines);
    }
}

TEST(ConsoleTest, EnterLeavesTheLineSelectedSoThatTypingReplacesIt) {
    Console console;
    std::vector<std::string> commands;
    console.SetCommandCallback(RecordCommand, &commands);
    SetUpEditLine(console, "HELP", 4, 0);
    Press(console, 0x0D);
    Press(console, 0x0D);
    EXPECT_EQ(commands, (std::vector<std::string>{"HELP", "HELP"}));
    Press(console, 0x43);
    EXPECT_EQ(std::string(console.EditLine().View()), "C");
    EXPECT_EQ(console.Cursor(), 1);
    EXPECT_EQ(console.Selection(), 0);
}

TEST(ConsoleTest, PassiveKeysBelongToTheMachine) {
    Console console;
    std::vector<std::string> commands;
    console.SetCommandCallback(RecordCommand, &commands);
    SetUpEditLine(console, "AB", 1, 0);
    for (uint8_t key : {0x43, 0x08, 0x0D, 0x1B, 0x21}) {
        EXPECT_FALSE(console.KeyEvent(key, true, true));
        EXPECT_FALSE(console.KeyEvent(key, false, true));
    }
    EXPECT_EQ(std::string(console.EditLine().View()), "AB");
    EXPECT_EQ(console.Cursor(), 1);
    EXPECT_EQ(console.ScrollRequest(), 0);
    EXPECT_TRUE(commands.empty());
    // A key that was never down is taken without being handled.
    EXPECT_TRUE(console.KeyEvent(0x44, false, true));
}

TEST(ConsoleTest, ResetKeyStatesReleasesShift) {
    Console console;
    SetUpEditLine(console, "ABC", 3, 0);
    console.KeyEvent(0xE0, true, false);
    console.ResetKeyStates(false);
    Press(console, 0x25);
    EXPECT_EQ(console.Selection(), 1);
    console.ResetKeyStates(true);
    Press(console, 0x25);
    EXPECT_EQ(console.Cursor(), 1);
    EXPECT_EQ(console.Selection(), 0);
}

TEST(ConsoleTest, ScrollRequestSaturates) {
    Console console;
    console.KeyEvent(0xE2, true, false);
    for (int i = 0; i < 220000; ++i) {
        Press(console, 0x22);
    }
    EXPECT_EQ(console.ScrollRequest(), INT32_MAX);
    for (int i = 0; i < 440000; ++i) {
        Press(console, 0x21);
    }
    EXPECT_EQ(console.ScrollRequest(), INT32_MIN);
}

} // namespace
} // namespace common
