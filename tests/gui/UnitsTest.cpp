#include "gui/Units.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

// The process's layout DPI is 96 until a top-level window fixes it; native tests never make one.
TEST(UnitsTest, MillimetresAndTenthsBecomePixelsAtTheLayoutDpi) {
    ASSERT_FALSE(ProcessDpi().IsFixed());
    const struct {
        int32_t value;
        int32_t unit;
        int32_t pixels;
    } cases[] = {
        {10, kMillimetres, 38},
        {1, kMillimetres, 4},
        {-1, kMillimetres, -3},
        {25, kTenthsOfMillimetre, 9},
        {0, kMillimetres, 0},
        {7, kPixels, 7},
        {7, 9, 7},
    };
    for (const auto& testCase : cases) {
        int32_t a = testCase.value;
        int32_t b = testCase.value;
        ConvertUnitsToPixels(a, b, testCase.unit);
        EXPECT_EQ(a, testCase.pixels) << testCase.value << " in unit " << testCase.unit;
        EXPECT_EQ(b, testCase.pixels);
    }
}

TEST(UnitsTest, PixelsBecomeUnitsAgain) {
    int32_t a = 38;
    int32_t b = 4;
    ConvertPixelsToUnits(a, b, kMillimetres);
    EXPECT_EQ(a, 9);
    EXPECT_EQ(b, 0);
    a = 9;
    b = 96;
    ConvertPixelsToUnits(a, b, kTenthsOfMillimetre);
    EXPECT_EQ(a, 22);
    EXPECT_EQ(b, 252);

    double x = 96.0;
    double y = 48.0;
    ConvertPixelsToUnits(x, y, kMillimetres);
    EXPECT_DOUBLE_EQ(x, 25.4);
    EXPECT_DOUBLE_EQ(y, 12.7);
    ConvertUnitsToPixels(x, y, kMillimetres);
    EXPECT_DOUBLE_EQ(x, 96.0);
    EXPECT_DOUBLE_EQ(y, 48.0);
    x = 254.0;
    ConvertUnitsToPixels(x, y, kTenthsOfMillimetre);
    EXPECT_DOUBLE_EQ(x, 96.0);
}

TEST(UnitsTest, LayoutDpiFallsAtEachThreshold) {
    const struct {
        int32_t screenX, screenY;
        int32_t layoutX, layoutY;
    } cases[] = {
        {96, 96, 137, 137},   {110, 110, 157, 157}, {111, 111, 128, 128}, {120, 120, 138, 138}, {135, 135, 155, 155},
        {136, 136, 141, 141}, {144, 144, 149, 149}, {100, 120, 115, 138}, {0, 0, 137, 137},     {100, 0, 143, 143},
    };
    for (const auto& testCase : cases) {
        int32_t x = 0;
        int32_t y = 0;
        Dpi::LayoutFor(testCase.screenX, testCase.screenY, x, y);
        EXPECT_EQ(x, testCase.layoutX) << testCase.screenX << " x " << testCase.screenY;
        EXPECT_EQ(y, testCase.layoutY) << testCase.screenX << " x " << testCase.screenY;
    }
}

TEST(UnitsTest, TheDpiIsFixedOnce) {
    Dpi dpi;
    EXPECT_EQ(dpi.LayoutX(), 96);
    EXPECT_EQ(dpi.ScreenY(), 96);
    EXPECT_TRUE(dpi.Fix(110, 0));
    EXPECT_TRUE(dpi.IsFixed());
    EXPECT_EQ(dpi.ScreenX(), 110);
    EXPECT_EQ(dpi.ScreenY(), 110);
    EXPECT_EQ(dpi.LayoutY(), 157);
    EXPECT_FALSE(dpi.Fix(144, 144));
    EXPECT_EQ(dpi.LayoutX(), 157);
}

} // namespace
} // namespace gui
