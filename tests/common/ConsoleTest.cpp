#include "common/Console.h"

#include "common/WideString.h"

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

std::vector<Written> Take(Console& console) {
    std::vector<Written> lines;
    for (const ConsoleLine& line : console.TakePendingLines()) {
        lines.push_back({std::string(line.text.View()), line.colour});
    }
    return lines;
}

TEST(ConsoleTest, KeepsLinesInOrderWithTheirColours) {
    Console console;
    console.AppendLine(NarrowString("plain"));
    console.AppendText(NarrowString("red"), 0xFFFF0000);
    console.AppendText(WideString(u"wide"), 0xFF00FF00);
    console.AppendLine(NarrowString(""));
    EXPECT_EQ(
        Take(console),
        (std::vector<Written>{
            {"plain", Console::kPlainColour}, {"red", 0xFFFF0000}, {"wide", 0xFF00FF00}, {"", Console::kPlainColour}}));
    EXPECT_TRUE(Take(console).empty());
}

TEST(ConsoleTest, IncompleteLineTakesTheNextTextInItsOwnColour) {
    Console console;
    console.AppendText(NarrowString("abc"), 0xFF123456, false);
    console.AppendLine(NarrowString("def"));
    console.AppendLine(NarrowString("next"));
    EXPECT_EQ(Take(console), (std::vector<Written>{{"abcdef", 0xFF123456}, {"next", Console::kPlainColour}}));
}

TEST(ConsoleTest, TextAfterATakeStartsANewLineEvenAfterAnIncompleteOne) {
    Console console;
    console.AppendLine(NarrowString("abc"), false);
    EXPECT_EQ(Take(console), (std::vector<Written>{{"abc", Console::kPlainColour}}));
    console.AppendText(NarrowString("def"), 0xFF010203);
    EXPECT_EQ(Take(console), (std::vector<Written>{{"def", 0xFF010203}}));
}

TEST(ConsoleTest, KeepsOnlyTheNewestLinesBetweenTwoTakes) {
    Console console;
    for (int i = 0; i <= Console::kLineLimit; ++i) {
        console.AppendLine(NarrowString(std::to_string(i).c_str()));
    }
    const std::vector<Written> lines = Take(console);
    ASSERT_EQ(lines.size(), static_cast<size_t>(Console::kLineLimit));
    EXPECT_EQ(lines.front().text, "1");
    EXPECT_EQ(lines.back().text, std::to_string(Console::kLineLimit));
}

} // namespace
} // namespace common
