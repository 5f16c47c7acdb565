#include "emu/devices/FrameLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <vector>

namespace emu {

void PrintTo(const LayoutRect& rect, std::ostream* out) {
    *out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << ")";
}

namespace {

constexpr int32_t kStretch = 0;
constexpr int32_t kZoom = 1;

struct LayoutCase {
    const char* what;
    int32_t width, height;
    float aspect;
    LayoutRect client;
    int32_t mode;
    LayoutRect destination;
    double scaleX, scaleY;
};

void ExpectLayouts(const std::vector<LayoutCase>& cases) {
    for (const LayoutCase& each : cases) {
        SCOPED_TRACE(each.what);
        const FrameLayout layout = ComputeLayout(each.width, each.height, each.aspect, each.client, each.mode);
        EXPECT_EQ(layout.destination, each.destination);
        EXPECT_DOUBLE_EQ(layout.scaleX, each.scaleX);
        EXPECT_DOUBLE_EQ(layout.scaleY, each.scaleY);
    }
}

TEST(FrameLayoutTest, PicturesGoWhereTheModeAndAspectSay) {
    const std::vector<LayoutCase> cases = {
        {"stretch, the height limits",
         512,
         256,
         1.25F,
         {0, 0, 1024, 700},
         kStretch,
         {74, 0, 950, 700},
         512.0 / 876,
         409.0 / 700},
        {"stretch, the width limits",
         512,
         256,
         1.25F,
         {0, 0, 600, 700},
         kStretch,
         {0, 110, 600, 589},
         512.0 / 600,
         409.0 / 479},
        {"4/3 held as a float: 383 lines, not 384",
         512,
         256,
         4.0F / 3,
         {0, 0, 512, 383},
         kStretch,
         {0, 0, 512, 383},
         1.0,
         1.0},
        {"a frame taller than wide takes the aspect on its width",
         200,
         400,
         0.5F,
         {0, 0, 400, 400},
         kStretch,
         {100, 0, 300, 400},
         1.0,
         1.0},
        {"zoom with aspect", 512, 256, 1.25F, {0, 0, 1024, 768}, kZoom, {256, 128, 768, 640}, 1.0, 1.0},
        {"zoom without aspect", 256, 256, 0.0F, {0, 0, 800, 600}, kZoom, {144, 44, 656, 556}, 0.5, 0.5},
        {"zoom of a frame larger than the client stretches",
         512,
         256,
         0.0F,
         {0, 0, 400, 400},
         kZoom,
         {0, 100, 400, 300},
         512.0 / 400,
         256.0 / 200},
        {"a client area exactly the picture", 64, 32, 0.0F, {0, 0, 64, 32}, kZoom, {0, 0, 64, 32}, 1.0, 1.0},
        {"a client area off the origin", 64, 32, 0.0F, {10, 20, 138, 84}, kStretch, {10, 20, 138, 84}, 0.5, 0.5},
    };
    ExpectLayouts(cases);
}

TEST(FrameLayoutTest, DegenerateInputsGiveSquarePixelsOrTheClientArea) {
    const float infinity = std::numeric_limits<float>::infinity();
    const float notANumber = std::numeric_limits<float>::quiet_NaN();
    const std::vector<LayoutCase> cases = {
        {"no frame", 0, 0, 1.25F, {0, 0, 800, 600}, kStretch, {0, 0, 800, 600}, 1.0, 1.0},
        {"a negative frame", -5, 10, 1.25F, {0, 0, 800, 600}, kZoom, {0, 0, 800, 600}, 1.0, 1.0},
        {"no client area", 256, 256, 1.25F, {0, 0, 0, 0}, kStretch, {0, 0, 0, 0}, 1.0, 1.0},
        {"no client area, zoom", 256, 256, 1.25F, {0, 0, 0, 0}, kZoom, {0, 0, 0, 0}, 1.0, 1.0},
        {"an inverted client area", 256, 256, 0.0F, {100, 100, 0, 0}, kStretch, {100, 100, 100, 100}, 1.0, 1.0},
        {"an infinite aspect", 256, 256, infinity, {0, 0, 800, 600}, kZoom, {144, 44, 656, 556}, 0.5, 0.5},
        {"a NaN aspect", 256, 256, notANumber, {0, 0, 800, 600}, kZoom, {144, 44, 656, 556}, 0.5, 0.5},
        {"a negative aspect", 256, 256, -2.0F, {0, 0, 800, 600}, kZoom, {144, 44, 656, 556}, 0.5, 0.5},
        {"a vanishing aspect", 256, 256, 1e-30F, {0, 0, 800, 600}, kZoom, {144, 44, 656, 556}, 0.5, 0.5},
        {"a huge aspect", 256, 256, 1e30F, {0, 0, 800, 600}, kStretch, {100, 0, 700, 600}, 256.0 / 600, 256.0 / 600},
        {"an aspect that leaves no line",
         1,
         1,
         8.0F,
         {0, 0, 800, 600},
         kStretch,
         {100, 0, 700, 600},
         1.0 / 600,
         1.0 / 600},
    };
    ExpectLayouts(cases);
}

TEST(FrameLayoutTest, ExtremeClientAreasNeitherOverflowNorLeaveTheClient) {
    const LayoutRect huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    for (const int32_t mode : {kStretch, kZoom}) {
        for (const float aspect : {0.0F, 1.25F, 0.25F, 16.0F}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " aspect " << aspect);
            const FrameLayout layout = ComputeLayout(16384, 3, aspect, huge, mode);
            EXPECT_LE(layout.destination.left, layout.destination.right);
            EXPECT_LE(layout.destination.top, layout.destination.bottom);
            EXPECT_TRUE(std::isfinite(layout.scaleX));
            EXPECT_TRUE(std::isfinite(layout.scaleY));
            // Zoomed pictures stay inside an ordinary client area too.
            const FrameLayout zoomed = ComputeLayout(100, 100, aspect, {0, 0, 200, 200}, mode);
            EXPECT_GE(zoomed.destination.left, 0);
            EXPECT_GE(zoomed.destination.top, 0);
            EXPECT_LE(zoomed.destination.right, 200);
            EXPECT_LE(zoomed.destination.bottom, 200);
        }
    }
}

} // namespace
} // namespace emu
