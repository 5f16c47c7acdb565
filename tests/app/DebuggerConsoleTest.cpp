// The debugger console view: its hot keys, its boxed panels and the image drawn over them.
#include "app/DebuggerConsole.h"

#include "common/ConsoleFont.h"
#include "common/DirectColourImage.h"
#include "common/IndexedImage.h"
#include "common/StringList.h"
#include "support/ScreenReader.h"
#include "support/TestPixelBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using test_support::ScreenReader;
using test_support::TestPixelBuffer;
using test_support::TrimRight;

constexpr uint8_t kShift = 0xE0;
constexpr uint8_t kCtrl = 0xE2;
constexpr uint8_t kAlt = 0xE4;
constexpr uint8_t kF5 = 0x74;
constexpr uint8_t kF7 = 0x76;
constexpr uint8_t kF8 = 0x77;
constexpr uint8_t kF11 = 0x7A;
constexpr uint8_t kF12 = 0x7B;
constexpr uint32_t kPanel = DebuggerConsole::kPanelColour;

// The box characters first (the font draws some double-line ones like them), then printable ASCII. Cells of 15
// rows leave out the last pixel row, which a box's black line covers on its bottom edge.
const test_support::GlyphTable& BoxGlyphs(int height) {
    static const auto make = [](int rows) {
        test_support::GlyphTable glyphs(8, rows);
        const auto add = [&glyphs, rows](int character) {
            std::vector<uint32_t> pattern;
            for (int row = 0; row < rows; ++row) {
                pattern.push_back(common::kConsoleFont[static_cast<size_t>(character * 16 + row)]);
            }
            glyphs.Add(static_cast<char>(character), pattern);
        };
        for (const int character : {0xB3, 0xBF, 0xC0, 0xC4, 0xD9, 0xDA}) {
            add(character);
        }
        for (int character = 0x20; character <= 0x7E; ++character) {
            add(character);
        }
        return glyphs;
    };
    static const test_support::GlyphTable full = make(16);
    static const test_support::GlyphTable cut = make(15);
    return height == 16 ? full : cut;
}

void RecordWord(void* context, const common::NarrowString& line) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(line.GetNarrow());
}

TEST(DebuggerConsoleTest, HotKeysRunTheirWordsAndLeaveTheStateKeysToTheMainWindow) {
    struct Case {
        uint8_t key;
        uint8_t modifier; // 0 for none
        bool passive;
        bool callback;
        std::vector<std::string> words;
        bool consumed;
    };
    const Case cases[] = {
        {kF5, 0, false, true, {"START"}, true},
        {kF5, kCtrl, false, true, {"GO"}, true},
        {kF5, 0, false, false, {}, true},
        {kF7, 0, false, true, {"STEP"}, true},
        {kF7, kAlt, false, true, {"STEP"}, true},
        {kF8, 0, false, true, {"STEPOVER"}, true},
        {kF8, kShift, false, true, {"STEPOVEROVER"}, true},
        {kF8, kShift, false, false, {}, true},
        {kF11, 0, false, true, {}, false},
        {kF11, kCtrl, false, true, {}, true},
        {kF11, kAlt, false, true, {}, true},
        {kF11, 0, false, false, {}, true},
        {kF12, 0, false, true, {}, false},
        {kF12, kCtrl, false, true, {"BREAK"}, true},
        {kF12, kAlt, false, true, {}, true},
        {kF12, kCtrl, false, false, {}, true},
        // Passive: the keys belong to the machine, but Ctrl+F12 still breaks and F11/F12 never reach it.
        {kF12, kCtrl, true, true, {"BREAK"}, false},
        {kF12, kCtrl, true, false, {}, false},
        {kF12, 0, true, true, {}, true},
        {kF11, 0, true, false, {}, true},
        {kF11, kAlt, true, true, {}, false},
        {kF5, 0, true, true, {}, false},
        {kF8, 0, true, true, {}, false},
        {'A', 0, true, true, {}, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << "key 0x" << std::hex << int{test.key} << " modifier 0x" << int{test.modifier}
                                        << " passive " << test.passive << " callback " << test.callback);
        DebuggerConsole console;
        std::vector<std::string> words;
        if (test.callback) {
            console.SetCommandCallback(RecordWord, &words);
        }
        if (test.modifier != 0) {
            console.KeyEvent(test.modifier, true, test.passive);
        }
        EXPECT_EQ(console.KeyEvent(test.key, true, test.passive), test.consumed);
        EXPECT_EQ(words, test.words);
        const bool hotKey = test.key >= kF5 && test.key <= kF12;
        // Releases of the hot keys are the console's while it has the keyboard.
        EXPECT_EQ(console.KeyEvent(test.key, false, test.passive), !test.passive && hotKey);
        EXPECT_EQ(words, test.words) << "a release runs nothing";
        EXPECT_TRUE(console.EditLine().IsEmpty());
    }
}

TEST(DebuggerConsoleTest, CtrlF5MarksTheWindowChangedAndOtherKeysEditTheLine) {
    DebuggerConsole console;
    std::vector<std::string> words;
    console.SetCommandCallback(RecordWord, &words);
    TestPixelBuffer frame(64, 64);
    console.DrawText(frame);
    ASSERT_FALSE(console.IsChanged());
    console.KeyEvent(kCtrl, true, false);
    console.KeyEvent(kF5, true, false);
    EXPECT_TRUE(console.IsChanged());
    console.KeyEvent(kCtrl, false, false);
    EXPECT_TRUE(console.KeyEvent('S', true, false));
    EXPECT_EQ(std::string(console.EditLine().GetNarrow()), "S");
    EXPECT_EQ(words, std::vector<std::string>{"GO"});
}

// A view whose panel lines (and image) the test gives.
class PanelTest : public testing::Test {
protected:
    PanelTest() { console.SetPanelProvider(Provide, this); }

    static void Provide(void* context, common::List& lines, const common::Image*& image) {
        auto* test = static_cast<PanelTest*>(context);
        for (const std::string& line : test->panel) {
            lines.Add(common::NarrowString(line.c_str()));
        }
        image = test->image;
        ++test->calls;
    }

    // The text of a row of cells as read on the panel colour (text on black reads as unknown).
    std::string PanelRow(int32_t row, int32_t from, int32_t count) const {
        return reader.ReadText(frame, from * 8 + 3, row * 16 + 3, count, kPanel);
    }
    // A box's bottom row, without the black line over its last pixel row.
    std::string BottomRow(int32_t row, int32_t from, int32_t count) const {
        return bottomReader.ReadText(frame, from * 8 + 3, row * 16 + 3, count, kPanel);
    }
    uint32_t CellPixel(int32_t column, int32_t row) const { return frame.Pixel(column * 8 + 3, row * 16 + 3); }

    DebuggerConsole console;
    std::vector<std::string> panel;
    const common::Image* image = nullptr;
    int32_t calls = 0;
    // 40 columns and 25 rows: 40 * 8 + 6 wide, 25 * 16 + 6 + 28 high.
    TestPixelBuffer frame{326, 434};
    ScreenReader reader{BoxGlyphs(16)};
    ScreenReader bottomReader{BoxGlyphs(15)};
};

TEST_F(PanelTest, PanelsStandRightAlignedOneUnderTheOther) {
    panel = {"~CPU", "R0=000001", "R1=000002", "~FLAGS", "NZVC"};
    ASSERT_TRUE(console.DrawText(frame));
    ASSERT_EQ(console.Rows(), 25);
    ASSERT_EQ(console.Columns(), 40);
    EXPECT_EQ(calls, 1);
    const std::string top = "\xDA\xC4"
                            "CPU"
                            "\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xBF";
    EXPECT_EQ(PanelRow(0, 27, 13), top);
    EXPECT_EQ(PanelRow(1, 27, 13), "\xB3 R0=000001 \xB3");
    EXPECT_EQ(PanelRow(2, 27, 13), "\xB3 R1=000002 \xB3");
    EXPECT_EQ(BottomRow(3, 27, 13), "\xC0\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xD9");
    EXPECT_EQ(PanelRow(4, 31, 9), "\xDA\xC4"
                                  "FLAGS"
                                  "\xC4\xBF");
    EXPECT_EQ(PanelRow(5, 31, 9), "\xB3 NZVC  \xB3");
    EXPECT_EQ(BottomRow(6, 31, 9), "\xC0\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xD9");
    // Left of the boxes and below them the log stays black.
    EXPECT_EQ(CellPixel(26, 0), common::Console::kBlack);
    EXPECT_EQ(CellPixel(30, 4), common::Console::kBlack);
    EXPECT_EQ(CellPixel(39, 7), common::Console::kBlack);
    // The bottom edge's last pixel row is drawn black.
    for (int32_t x = 27 * 8 + 3; x <= 39 * 8 + 10; ++x) {
        ASSERT_EQ(frame.Pixel(x, 3 * 16 + 18), common::Console::kBlack) << x;
    }
    EXPECT_EQ(frame.Pixel(27 * 8 + 3, 3 * 16 + 17), kPanel);
}

TEST_F(PanelTest, TitlesWidenTheBoxAndLinesWithoutTitleTakeTheDefault) {
    console.SetDefaultTitle(common::NarrowString("STATE"));
    panel = {"ab", "", "~~A LONG TITLE", "x"};
    ASSERT_TRUE(console.DrawText(frame));
    // The default-titled panel: 5 wide inside; the empty line leaves its inner cells to the log.
    EXPECT_EQ(PanelRow(0, 31, 9), "\xDA\xC4"
                                  "STATE"
                                  "\xC4\xBF");
    EXPECT_EQ(PanelRow(1, 31, 9), "\xB3 ab    \xB3");
    EXPECT_EQ(PanelRow(2, 31, 2), "\xB3 ");
    EXPECT_EQ(CellPixel(33, 2), common::Console::kBlack);
    EXPECT_EQ(BottomRow(3, 31, 9), "\xC0\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xD9");
    // "~~" goes with the title, which makes its box 12 + 4 wide.
    EXPECT_EQ(PanelRow(4, 24, 16), "\xDA\xC4"
                                   "A LONG TITLE"
                                   "\xC4\xBF");
    EXPECT_EQ(PanelRow(5, 24, 16), "\xB3 x            \xB3");
}

TEST_F(PanelTest, APanelTooTallForTheRowsLeftTakesThemAllAndStopsTheOthers) {
    // 3 rows: the 5-line panel shows its first line only; the next one is not drawn.
    frame.Resize(326, 3 * 16 + 6 + 28);
    panel = {"~ONE", "1", "2", "3", "4", "5", "~TWO", "z"};
    ASSERT_TRUE(console.DrawText(frame));
    ASSERT_EQ(console.Rows(), 3);
    EXPECT_EQ(PanelRow(0, 33, 7), "\xDA\xC4ONE\xC4\xBF");
    EXPECT_EQ(PanelRow(1, 33, 7), "\xB3 1   \xB3");
    EXPECT_EQ(BottomRow(2, 33, 7), "\xC0\xC4\xC4\xC4\xC4\xC4\xD9");
}

TEST_F(PanelTest, NarrowWindowsCutTitlesAndRefuseBoxesWithoutRoom) {
    // 6 columns: inner width 2; the title does not fit and runs from the first edge cell to the corner.
    frame.Resize(6 * 8 + 6, 434);
    panel = {"~TITLE", "abcdef"};
    ASSERT_TRUE(console.DrawText(frame));
    ASSERT_EQ(console.Columns(), 6);
    EXPECT_EQ(PanelRow(0, 0, 6), "\xDATITL\xBF");
    EXPECT_EQ(PanelRow(1, 0, 6), "\xB3 ab \xB3");

    // 4 columns leave no inner width: nothing is drawn.
    frame.Resize(4 * 8 + 6, 434, 0x12345678);
    ASSERT_TRUE(console.DrawText(frame));
    for (int32_t column = 0; column < 4; ++column) {
        EXPECT_NE(CellPixel(column, 0), kPanel);
    }
}

TEST_F(PanelTest, ImagesAreCutToTheBufferAndOnlyDirectColoursAreDrawn) {
    frame.Resize(40, 60);
    // 24 bits: blue, green, red bytes, pixel (x, y) = red x, green y, blue 0x80.
    common::Bgr24Image wide;
    ASSERT_TRUE(wide.Create(50, 70));
    for (int32_t y = 0; y < 70; ++y) {
        uint8_t* row = wide.RowPointer(y);
        for (int32_t x = 0; x < 50; ++x) {
            row[x * 3] = 0x80;
            row[x * 3 + 1] = static_cast<uint8_t>(y);
            row[x * 3 + 2] = static_cast<uint8_t>(x);
        }
    }
    image = &wide;
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(frame.Pixel(0, 0), 0xFF000080u);
    EXPECT_EQ(frame.Pixel(7, 3), 0xFF070380u);
    EXPECT_EQ(frame.Pixel(39, 59), 0xFF273B80u);

    // 32 bits: rows copied as they are, over the image's width only.
    common::Argb32Image full;
    ASSERT_TRUE(full.Create(10, 5));
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            reinterpret_cast<uint32_t*>(full.RowPointer(y))[x] = 0x11223344;
        }
    }
    image = &full;
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(frame.Pixel(9, 4), 0x11223344u);
    EXPECT_EQ(frame.Pixel(10, 4), common::Console::kBlack);
    EXPECT_EQ(frame.Pixel(9, 5), common::Console::kBlack);

    common::IndexedImage8Bit indexed;
    ASSERT_TRUE(indexed.Create(10, 5));
    std::memset(indexed.RowPointer(0), 7, 10);
    image = &indexed;
    ASSERT_TRUE(console.DrawText(frame));
    EXPECT_EQ(frame.Pixel(0, 0), common::Console::kBlack);
}

TEST_F(PanelTest, EveryBufferSizeKeepsPanelsAndImagesInside) {
    panel = {"~A VERY LONG TITLE FOR A SMALL WINDOW", std::string(300, 'x'), "", "~B", "y"};
    common::Bgr24Image picture;
    ASSERT_TRUE(picture.Create(100, 100));
    image = &picture;
    for (int32_t height = 0; height <= 80; ++height) {
        for (int32_t width = 0; width <= 40; ++width) {
            TestPixelBuffer small(width, height);
            EXPECT_EQ(console.DrawText(small), width > 0 && height > 0) << width << " x " << height;
        }
    }
}

} // namespace
} // namespace emu
