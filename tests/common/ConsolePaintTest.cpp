#include "common/Console.h"

#include "common/ConsoleFont.h"
#include "support/ScreenReader.h"
#include "support/TestPixelBuffer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace common {
namespace {

using test_support::ScreenReader;
using test_support::TestPixelBuffer;
using test_support::TrimRight;

constexpr uint32_t kBlack = Console::kBlack;
constexpr uint32_t kGrey = Console::kLightGrey;

// Remembers what Paint was given.
class PaintRecordingConsole : public Console {
public:
    struct Call {
        int32_t rows;
        int32_t columns;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;
    std::vector<ColourPair> colours;

protected:
    void Paint(PixelBuffer&, int32_t rows, int32_t columns, std::span<const ColourPair, 4> table) override {
        calls.push_back({rows, columns});
        colours.assign(table.begin(), table.end());
    }
};

class ConsolePaintTest : public ::testing::Test {
protected:
    void AddLines(int count, const char* prefix = "LINE ") {
        for (int i = 0; i < count; ++i) {
            console.AppendLine(NarrowString((prefix + std::to_string(i)).c_str()));
        }
    }

    void Type(const std::string& text) {
        for (char character : text) {
            console.KeyEvent(static_cast<uint8_t>(character), true, false);
            console.KeyEvent(static_cast<uint8_t>(character), false, false);
        }
    }

    void Press(uint8_t key) {
        console.KeyEvent(key, true, false);
        console.KeyEvent(key, false, false);
    }

    // The text of a log row, as a user reads it.
    std::string LogRow(int32_t row, int32_t cells = 99) const {
        return TrimRight(reader.ReadText(frame, 3, row * 16 + 3, cells, kBlack));
    }

    PaintRecordingConsole console;
    TestPixelBuffer frame{800, 600, 0x12345678};
    ScreenReader reader{test_support::ConsoleGlyphs()};
};

TEST_F(ConsolePaintTest, LogWithScrollBarAndCommandLineAt800x600) {
    AddLines(100);
    Type("HELP");
    ASSERT_TRUE(console.DrawText(frame));

    EXPECT_EQ(console.Rows(), 35);
    EXPECT_EQ(console.Columns(), 97); // 99 less the scroll bar's room
    EXPECT_EQ(console.ShownRows(), 35);
    EXPECT_EQ(console.TopLine(), 65); // following the end
    EXPECT_EQ(LogRow(0, 97), "LINE 65");
    EXPECT_EQ(LogRow(34, 97), "LINE 99");
    EXPECT_EQ(reader.ReadCell(frame, 789, 3, kBlack), '\xB0');
    EXPECT_EQ(reader.ReadCell(frame, 789, 21 * 16 + 3, kBlack), '\xB0');

    // The thumb: the last 35 of 100 lines.
    for (int32_t x = 789; x <= 797; ++x) {
        EXPECT_NE(frame.Pixel(x, 365), kGrey);
        EXPECT_EQ(frame.Pixel(x, 366), kGrey);
        EXPECT_EQ(frame.Pixel(x, 562), kGrey);
        EXPECT_NE(frame.Pixel(x, 563), kGrey);
    }
    EXPECT_NE(frame.Pixel(798, 400), kGrey);

    // The separator, the prompt, the edit line and the cursor under its end.
    EXPECT_EQ(frame.Pixel(2, 564), kBlack);
    EXPECT_EQ(frame.Pixel(3, 564), kGrey);
    EXPECT_EQ(frame.Pixel(797, 564), kGrey);
    EXPECT_EQ(frame.Pixel(798, 564), kBlack);
    EXPECT_EQ(reader.ReadCell(frame, 3, 575, kBlack), '>');
    EXPECT_EQ(TrimRight(reader.ReadText(frame, 11, 575, 97, kBlack)), "HELP");
    for (int32_t x = 0; x < 800; ++x) {
        const bool underCursor = x >= 4 * 8 + 11 && x <= 4 * 8 + 18;
        EXPECT_EQ(frame.Pixel(x, 591) == kGrey, underCursor) << x;
        EXPECT_EQ(frame.Pixel(x, 592) == kGrey, underCursor) << x;
        EXPECT_NE(frame.Pixel(x, 593), kGrey) << x;
    }
    EXPECT_EQ(console.calls, (std::vector<PaintRecordingConsole::Call>{{35, 97}}));
    ASSERT_EQ(console.colours.size(), 4u);
    EXPECT_EQ(console.colours[2].background, Console::kPlainColour);
    EXPECT_EQ(console.colours[2].foreground, kBlack);
}

TEST_F(ConsolePaintTest, ShortLogHasNoScrollBar) {
    AddLines(3);
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(console.Columns(), 99);
    EXPECT_EQ(console.ShownRows(), 3);
    EXPECT_EQ(LogRow(2), "LINE 2");
    EXPECT_EQ(LogRow(3), "");
    for (int32_t y = 0; y < 560; ++y) {
        EXPECT_EQ(frame.Pixel(790, y), kBlack) << y;
    }
}

TEST_F(ConsolePaintTest, LongLinesAreCutAtTheColumns) {
    console.AppendLine(NarrowString(std::string(150, 'X').c_str()));
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(LogRow(0), std::string(99, 'X'));
    for (int32_t x = 3 + 99 * 8; x < 800; ++x) {
        EXPECT_EQ(frame.Pixel(x, 10), kBlack);
    }
}

TEST_F(ConsolePaintTest, CentredBannerStandsInTheMiddle) {
    console.SetCentred(true);
    console.AppendLine(NarrowString("ZOV/BK"));
    console.AppendLine(NarrowString("BK-0010.01"));
    console.AppendLine(NarrowString(std::string(120, 'W').c_str()));
    ASSERT_TRUE(console.DrawText(frame));
    // (35 - 3) / 2 rows lower, each line in the middle of the 99 columns; a line too long starts at the left.
    const int32_t top = 16 * 16 + 3;
    EXPECT_EQ(reader.ReadText(frame, ((99 - 6) / 2) * 8 + 3, top, 6, kBlack), "ZOV/BK");
    EXPECT_EQ(reader.ReadText(frame, ((99 - 10) / 2) * 8 + 3, top + 16, 10, kBlack), "BK-0010.01");
    EXPECT_EQ(TrimRight(reader.ReadText(frame, 3, top, 99, kBlack)), std::string(46, ' ') + "ZOV/BK");
    EXPECT_EQ(reader.ReadText(frame, 3, top + 32, 99, kBlack), std::string(99, 'W'));
}

TEST_F(ConsolePaintTest, SelectionIsDrawnInverted) {
    Type("HELLO");
    Press(0x24);
    Press(0x27);
    console.KeyEvent(0xE0, true, false);
    Press(0x27);
    Press(0x27);
    console.KeyEvent(0xE0, false, false);
    ASSERT_EQ(console.Selection(), -2);
    ASSERT_TRUE(console.DrawText(frame));

    EXPECT_EQ(reader.ReadCell(frame, 11, 575, kBlack), 'H');
    EXPECT_EQ(reader.ReadText(frame, 19, 575, 2, Console::kPlainColour), "EL");
    EXPECT_EQ(reader.ReadText(frame, 35, 575, 2, kBlack), "LO");
    // The selected cells are filled, spaces of their glyphs included.
    EXPECT_EQ(frame.Pixel(19, 575), Console::kPlainColour);
    EXPECT_EQ(frame.Pixel(34, 590), Console::kPlainColour);
    EXPECT_EQ(frame.Pixel(35, 590), kBlack);
}

TEST_F(ConsolePaintTest, PageUpScrollsFromTheEndAndNewOutputFollowsTheEndAgain) {
    AddLines(100);
    ASSERT_TRUE(console.DrawText(frame));
    Press(0x21);
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(console.TopLine(), 30);
    EXPECT_EQ(LogRow(0, 97), "LINE 30");
    // A paint with nothing new keeps the place.
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(LogRow(0, 97), "LINE 30");
    Press(0x26);
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(LogRow(0, 97), "LINE 29");
    // The top is as far as it goes.
    console.KeyEvent(0xE2, true, false);
    Press(0x21);
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(console.TopLine(), 0);
    EXPECT_EQ(LogRow(0, 97), "LINE 0");
    for (int32_t x = 789; x <= 797; ++x) {
        EXPECT_EQ(frame.Pixel(x, 3), kGrey);
    }
    // And the end.
    Press(0x22);
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(console.TopLine(), 65);

    Press(0x21);
    console.AppendLine(NarrowString("NEW"));
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(LogRow(34, 97), "NEW");
}

TEST_F(ConsolePaintTest, BufferOf49RowsShowsOnlyTheCommandLine) {
    AddLines(5);
    frame.Resize(100, 49, 0x12345678);
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(console.Rows(), 0);
    EXPECT_EQ(console.ShownRows(), 0);
    EXPECT_TRUE(console.calls.empty());
    for (int32_t y = 0; y < 49; ++y) {
        for (int32_t x = 0; x < 100; ++x) {
            EXPECT_NE(frame.Pixel(x, y), Console::kScrollBarColour);
            if (y < 4) {
                EXPECT_EQ(frame.Pixel(x, y), kBlack);
            }
        }
    }
    EXPECT_EQ(frame.Pixel(3, 4), kGrey);
    EXPECT_EQ(frame.Pixel(3, 3), kBlack);
    EXPECT_EQ(reader.ReadCell(frame, 3, 19, kBlack), '>');
}

TEST_F(ConsolePaintTest, BufferWithoutPixelsIsRefused) {
    AddLines(1);
    frame.Resize(0, 0);
    EXPECT_FALSE(console.DrawText(frame));
    EXPECT_TRUE(console.IsChanged());
    EXPECT_EQ(console.Snapshot().size(), 1u);
}

// Every small size, with a long log and lines, the scroll bar, an overlong command line and a selection far past
// the shown columns: every write stays inside rows of exactly the buffer's width (AddressSanitizer).
TEST_F(ConsolePaintTest, EverySmallBufferIsPaintedInsideItsRows) {
    for (int i = 0; i < 40; ++i) {
        console.AppendLine(
            NarrowString(std::string(static_cast<size_t>(i) * 7, static_cast<char>('A' + i % 26)).c_str()));
    }
    Type(std::string(300, 'Q'));
    Press(0x24);
    for (int i = 0; i < 250; ++i) {
        Press(0x27);
    }
    console.KeyEvent(0xE0, true, false);
    Press(0x23);
    console.KeyEvent(0xE0, false, false);
    ASSERT_EQ(console.Cursor(), 300);
    ASSERT_EQ(console.Selection(), -50);

    for (bool centred : {false, true}) {
        console.SetCentred(centred);
        for (int32_t width = 1; width <= 80; ++width) {
            for (int32_t height = 1; height <= 80; ++height) {
                frame.Resize(width, height, 0x12345678);
                ASSERT_TRUE(console.DrawText(frame)) << width << " x " << height;
                const bool painted = console.Rows() > 0 && console.Columns() > 0;
                EXPECT_EQ(console.calls.size(), painted ? 1u : 0u) << width << " x " << height;
                console.calls.clear();
            }
        }
    }
}

TEST(ConsolePixelTest, GlyphsClipOnEverySideAndBlackIsTransparent) {
    TestPixelBuffer frame(10, 20, 0x11111111);
    const ColourPair ink{kBlack, 0xFFFFFFFF};
    Console::DrawChar(frame, -3, -5, 'A', ink);
    Console::DrawChar(frame, 6, 10, 'A', ink);
    Console::DrawChar(frame, 40, 0, 'A', ink);
    Console::DrawChar(frame, INT32_MIN, INT32_MAX, 'A', ink);
    Console::DrawCell(frame, INT32_MAX, INT32_MIN, 'A', ink);
    Console::DrawString(frame, INT32_MAX - 4, 0, "ABCDEF", 6, 6, ink);
    Console::DrawString(frame, -20, 0, nullptr, 6, 6, ink);
    // Glyph rows 5 and up land on rows 0 and up, bits 3 and up on columns 0 and up. A row with ink is written
    // whole, its 0 bits in the background colour; a row without ink on black is not written.
    EXPECT_EQ(frame.Pixel(0, 0), kBlack);       // row 5, 0xC6: bit 3 is 0
    EXPECT_EQ(frame.Pixel(3, 2), 0xFFFFFFFFu);  // row 7, 0xFE: bit 6 is 1
    EXPECT_EQ(frame.Pixel(4, 2), kBlack);       // and bit 7 is 0
    EXPECT_EQ(frame.Pixel(5, 2), 0x11111111u);  // past the glyph
    EXPECT_EQ(frame.Pixel(0, 8), 0x11111111u);  // row 13 is empty
    EXPECT_EQ(frame.Pixel(6, 10), 0x11111111u); // the second 'A': row 0 is empty
    EXPECT_EQ(frame.Pixel(6, 17), 0xFFFFFFFFu); // row 7, bits 0 to 3
    EXPECT_EQ(frame.Pixel(9, 17), 0xFFFFFFFFu);

    TestPixelBuffer cell(8, 16, 0x11111111);
    Console::DrawChar(cell, 0, 0, ' ', ink);
    EXPECT_EQ(cell.Pixel(0, 0), 0x11111111u);
    Console::DrawChar(cell, 0, 0, ' ', {0xFF000001, 0xFFFFFFFF});
    EXPECT_EQ(cell.Pixel(7, 15), 0xFF000001u);
}

TEST(ConsolePixelTest, FillsOrderAndClipTheirEnds) {
    TestPixelBuffer frame(4, 3, 0);
    Console::FillRect(frame, 10, 5, -10, 1, 7);
    EXPECT_EQ(frame.Pixel(0, 0), 0u);
    EXPECT_EQ(frame.Pixel(0, 1), 7u);
    EXPECT_EQ(frame.Pixel(3, 2), 7u);
    Console::FillRow(frame, 2, 1, 0, 9);
    EXPECT_EQ(frame.Pixel(0, 0), 0u);
    EXPECT_EQ(frame.Pixel(1, 0), 9u);
    EXPECT_EQ(frame.Pixel(2, 0), 9u);
    EXPECT_EQ(frame.Pixel(3, 0), 0u);
    Console::FillRow(frame, 5, 9, 0, 1);
    Console::FillRow(frame, 0, 3, -1, 1);
    Console::FillRow(frame, INT32_MIN, INT32_MAX, 3, 1);
    EXPECT_EQ(frame.Pixel(3, 0), 0u);
}

TEST(ConsoleFontTest, GlyphsTheConsoleDrawsAreTheVgaOnes) {
    struct Glyph {
        uint8_t code;
        std::array<uint8_t, 16> rows;
    };
    const Glyph glyphs[] = {
        {'A', {0x00, 0x00, 0x10, 0x38, 0x6C, 0xC6, 0xC6, 0xFE, 0xC6, 0xC6, 0xC6, 0xC6, 0x00, 0x00, 0x00, 0x00}},
        {'>', {0x00, 0x00, 0x00, 0x60, 0x30, 0x18, 0x0C, 0x06, 0x0C, 0x18, 0x30, 0x60, 0x00, 0x00, 0x00, 0x00}},
        {' ', {}},
        {0xB0, {0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44}},
        {0xB2, {0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77}},
        {0xB3, {0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18}},
        {0xBF, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18}},
        {0xC0, {0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {0xC4, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {0xD9, {0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {0xDA, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18}},
        {0xDB, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {0xDC, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {0xDD, {0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0}},
        {0xDE, {0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F}},
        {0xDF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    };
    for (const Glyph& glyph : glyphs) {
        SCOPED_TRACE(glyph.code);
        const auto* rows = &kConsoleFont[glyph.code * 16u];
        EXPECT_EQ(std::vector<uint8_t>(rows, rows + 16), std::vector<uint8_t>(glyph.rows.begin(), glyph.rows.end()));
    }
    // Every printable ASCII character has a shape of its own, and a space has none.
    const test_support::GlyphTable& table = test_support::ConsoleGlyphs();
    for (int code = 0x20; code < 0x7F; ++code) {
        std::vector<uint32_t> shape(16);
        for (int row = 0; row < 16; ++row) {
            shape[row] = kConsoleFont[code * 16 + row];
        }
        EXPECT_EQ(table.Find(shape), static_cast<char>(code)) << code;
    }
}

} // namespace
} // namespace common
