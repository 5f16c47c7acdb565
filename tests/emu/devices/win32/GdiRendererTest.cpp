// The GDI renderer in a real window: what it paints is read back from the window and compared with the frame
// and with where ComputeLayout puts it.
#include "emu/devices/win32/GdiRenderer.h"

#include "emu/devices/win32/TestWindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace emu {
namespace {

TEST(GdiRendererTest, ThePictureGoesWhereTheLayoutSaysInBothModes) {
    const std::vector<LayoutCase> cases = {
        {"stretched, the height limits", 0, 1.5F, 300, 120},
        {"stretched, the width limits", 0, 0.0F, 150, 200},
        {"zoomed by whole factors", 1, 0.0F, 230, 150},
        {"zoomed with an aspect", 1, 1.25F, 260, 260},
    };
    for (const LayoutCase& each : cases) {
        ExpectPictureWhereTheLayoutSays<GdiRenderer>(each, false);
    }
}

TEST(GdiRendererTest, AClientAreaOfThePicturesSizeShowsTheFrameAsItIs) {
    TestWindow window(kFrameWidth, kFrameHeight);
    GdiRenderer renderer;
    ShowTestFrame(renderer, window, 0.0F);
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            renderer.Row(y)[x] = 0xFF000000 | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 8) << 8;
        }
    }
    ASSERT_TRUE(renderer.MarkFrame(true));
    const std::vector<uint32_t> pixels = window.Capture();
    int32_t mismatches = 0;
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            mismatches += pixels[static_cast<size_t>(y) * kFrameWidth + x] != (renderer.Row(y)[x] & 0xFFFFFF);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(GdiRendererTest, AWindowThatIsGoneDetachesAndANewOneAttaches) {
    GdiRenderer renderer;
    EXPECT_STREQ(renderer.Name(), "WinGDI");
    EXPECT_FALSE(renderer.Resize(kFrameWidth, kFrameHeight, false));
    {
        TestWindow first(200, 100);
        ShowTestFrame(renderer, first, 0.0F);
        EXPECT_TRUE(renderer.SetTargetWindow(first.handle));
        first.Destroy();
        EXPECT_FALSE(renderer.MarkFrame(true));
        EXPECT_EQ(renderer.TargetWindow(), nullptr);
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
        EXPECT_FALSE(renderer.GetClientRect(left, top, right, bottom));
        EXPECT_FALSE(renderer.FillBackground(kBackground));
    }
    // The frame stays; a new window shows it.
    TestWindow second(128, 64);
    ASSERT_TRUE(renderer.SetTargetWindow(second.handle));
    EXPECT_TRUE(renderer.FitToClientArea());
    EXPECT_TRUE(renderer.HasSize(128, 64));
    EXPECT_FALSE(renderer.FitToClientArea());
    renderer.Fill(kFill, -1);
    ASSERT_TRUE(renderer.MarkFrame(true));
    const std::vector<uint32_t> pixels = second.Capture();
    EXPECT_EQ(pixels.front(), kFill & 0xFFFFFF);
    EXPECT_EQ(pixels.back(), kFill & 0xFFFFFF);

    // Detached by hand: nothing more is drawn, and a window that is none is refused.
    EXPECT_TRUE(renderer.SetTargetWindow(nullptr));
    EXPECT_FALSE(renderer.MarkFrame(true));
    EXPECT_FALSE(renderer.SetTargetWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(0x1234))));
    const std::unique_ptr<RendererBase> clone = renderer.Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_STREQ(clone->Name(), "WinGDI");
    EXPECT_TRUE(clone->HasSize(0, 0));
}

TEST(GdiRendererTest, NoFramePaintsTheWholeClientAreaInTheBackground) {
    TestWindow window(100, 50);
    GdiRenderer renderer;
    ASSERT_TRUE(renderer.SetTargetWindow(window.handle));
    renderer.SetBackgroundColour(kBackground);
    ASSERT_TRUE(renderer.MarkFrame(true));
    for (const uint32_t pixel : window.Capture()) {
        ASSERT_EQ(pixel, kBackground & 0xFFFFFF);
    }
}

} // namespace
} // namespace emu
