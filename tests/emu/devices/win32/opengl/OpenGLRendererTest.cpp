// The OpenGL renderer in real windows under Wine's OpenGL (Mesa's software driver on the test display): what it
// presents is read back from the display itself, as the user sees it over the target window, and compared with the
// frame and with where ComputeLayout puts it. CTest runs the fallback suite once more on its own with GL_EXT_bgra
// hidden from the driver.
#include "emu/devices/win32/OpenGLRenderer.h"

#include "emu/devices/win32/TestWindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace emu {
namespace {

// A frame whose every pixel tells its own column and line.
void FillGradient(RendererBase& renderer) {
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            renderer.Row(y)[x] = 0xFF000000 | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 8) << 8 |
                                 static_cast<uint32_t>(x + y);
        }
    }
}

TEST(OpenGLRendererTest, ThePictureGoesWhereTheLayoutSaysThroughGl) {
    const std::vector<LayoutCase> cases = {
        {"stretched, the height limits", 0, 0.0F, 200, 100},
        {"stretched with an aspect, the height limits", 0, 1.5F, 300, 120},
        {"stretched, the width limits", 0, 0.0F, 150, 200},
        {"zoomed by whole factors", 1, 0.0F, 230, 150},
        {"zoomed with an aspect", 1, 1.25F, 260, 260},
    };
    for (const LayoutCase& each : cases) {
        ExpectPictureWhereTheLayoutSays<OpenGLRenderer>(each, true);
    }
}

TEST(OpenGLRendererTest, AttachesWithGlAndVerticalSyncOff) {
    TestWindow window(200, 100);
    OpenGLRenderer renderer;
    renderer.SetFlag(true);
    ShowTestFrame(renderer, window, 0.0F);
    EXPECT_FALSE(renderer.UsesGdiFallback());
    EXPECT_EQ(renderer.FallbackReason(), nullptr);
    EXPECT_FALSE(renderer.TestFlag(false));
}

TEST(OpenGLRendererTest, AWholeZoomShowsEveryFramePixelExactly) {
    TestWindow window(kFrameWidth * 3 + 10, kFrameHeight * 3 + 4);
    OpenGLRenderer renderer;
    renderer.SetScaleMode(1);
    ShowTestFrame(renderer, window, 0.0F);
    FillGradient(renderer);
    ASSERT_TRUE(renderer.MarkFrame(true));
    const std::vector<uint32_t> pixels = window.Shown();
    const LayoutRect destination = renderer.Destination();
    ASSERT_EQ(destination, (LayoutRect{5, 2, 5 + kFrameWidth * 3, 2 + kFrameHeight * 3}));
    int32_t mismatches = 0;
    for (int32_t y = destination.top; y < destination.bottom; ++y) {
        for (int32_t x = destination.left; x < destination.right; ++x) {
            const uint32_t expected = renderer.Row((y - destination.top) / 3)[(x - destination.left) / 3];
            mismatches += pixels[static_cast<size_t>(y) * window.width + x] != (expected & 0xFFFFFF);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(OpenGLRendererTest, AResizedWindowIsLaidOutAgain) {
    TestWindow window(200, 100);
    OpenGLRenderer renderer;
    ShowTestFrame(renderer, window, 0.0F);
    SetWindowPos(window.handle, nullptr, 0, 0, 160, 240, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    ASSERT_TRUE(renderer.MarkFrame(true));
    const FrameLayout layout = ComputeLayout(kFrameWidth, kFrameHeight, 0.0F, {0, 0, 160, 240}, 0);
    EXPECT_EQ(renderer.Destination(), layout.destination);
    ExpectPictureAt(window, window.Shown(), layout.destination);
}

TEST(OpenGLRendererTest, AWindowThatIsGoneDetachesAndANewOneAttachesWithGl) {
    OpenGLRenderer renderer;
    EXPECT_STREQ(renderer.Name(), "OpenGL");
    {
        TestWindow first(200, 100);
        ShowTestFrame(renderer, first, 0.0F);
        first.Destroy();
        EXPECT_FALSE(renderer.MarkFrame(true));
        EXPECT_EQ(renderer.TargetWindow(), nullptr);
        EXPECT_FALSE(renderer.FillBackground(kBackground));
    }
    TestWindow second(128, 64);
    ASSERT_TRUE(renderer.SetTargetWindow(second.handle));
    EXPECT_FALSE(renderer.UsesGdiFallback());
    ASSERT_TRUE(renderer.MarkFrame(true));
    ExpectPictureAt(second, second.Shown(), {0, 0, 128, 64});

    // Detached by hand and attached again to the same window: its pixel format stays, GL works again.
    EXPECT_TRUE(renderer.SetTargetWindow(nullptr));
    EXPECT_FALSE(renderer.MarkFrame(true));
    ASSERT_TRUE(renderer.SetTargetWindow(second.handle));
    EXPECT_FALSE(renderer.UsesGdiFallback());
    renderer.Fill(kFill, -1);
    ASSERT_TRUE(renderer.MarkFrame(true));
    const std::vector<uint32_t> pixels = second.Shown();
    EXPECT_EQ(pixels.front(), kFill & 0xFFFFFF);
    EXPECT_EQ(pixels.back(), kFill & 0xFFFFFF);

    const std::unique_ptr<RendererBase> clone = renderer.Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_STREQ(clone->Name(), "OpenGL");
    EXPECT_TRUE(clone->HasSize(0, 0));
}

TEST(OpenGLRendererTest, NoFrameClearsTheClientAreaToTheBackground) {
    TestWindow window(100, 50);
    OpenGLRenderer renderer;
    ASSERT_TRUE(renderer.SetTargetWindow(window.handle));
    renderer.SetBackgroundColour(kBackground);
    ASSERT_TRUE(renderer.MarkFrame(true));
    for (const uint32_t pixel : window.Shown()) {
        ASSERT_EQ(pixel, kBackground & 0xFFFFFF);
    }
}

// What the user sees of a renderer in a child window, as the program's screen is one, is what the display shows: GL's
// picture, and after it the GDI renderer's picture, then GL's again, with nothing left of the one before.
TEST(OpenGLRendererTest, InAChildWindowThePictureReachesTheDisplayAndTheRenderersFollowEachOther) {
    TestWindow frame(300, 200);
    TestWindow child(200, 120, frame.handle);
    const auto expectShown = [&](float aspect) {
        ExpectPictureAt(child, child.Shown(),
                        ComputeLayout(kFrameWidth, kFrameHeight, aspect, {0, 0, 200, 120}, 0).destination);
    };
    {
        SCOPED_TRACE("OpenGL");
        OpenGLRenderer renderer;
        ShowTestFrame(renderer, child, 0.0F);
        EXPECT_EQ(renderer.FallbackReason(), nullptr);
        expectShown(0.0F);
    }
    {
        SCOPED_TRACE("WinGDI after OpenGL");
        GdiRenderer renderer;
        ShowTestFrame(renderer, child, 1.5F);
        expectShown(1.5F);
    }
    {
        SCOPED_TRACE("OpenGL after WinGDI");
        OpenGLRenderer renderer;
        ShowTestFrame(renderer, child, 0.0F);
        EXPECT_EQ(renderer.FallbackReason(), nullptr);
        expectShown(0.0F);
    }
}

// GL's own window stays over the child's client area when the top-level window moves or the child is resized, hides
// while either is hidden or another surface draws into the child, and lets the mouse through to the child.
TEST(OpenGLRendererTest, ThePictureFollowsItsWindowAndYieldsToWhatDrawsThere) {
    TestWindow frame(300, 200);
    TestWindow child(200, 120, frame.handle, 20);
    OpenGLRenderer renderer;
    ShowTestFrame(renderer, child, 0.0F);
    ASSERT_EQ(renderer.FallbackReason(), nullptr);
    ASSERT_NE(renderer.PictureWindow(), nullptr);
    const auto expectPicture = [&] {
        RECT client{};
        GetClientRect(child.handle, &client);
        ExpectPictureAt(
            child, child.Shown(),
            ComputeLayout(kFrameWidth, kFrameHeight, 0.0F, {0, 0, client.right, client.bottom}, 0).destination);
    };
    {
        SCOPED_TRACE("the top-level window moved");
        SetWindowPos(frame.handle, nullptr, 150, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        expectPicture();
    }
    {
        SCOPED_TRACE("the child resized, the renderer not told");
        SetWindowPos(child.handle, nullptr, 0, 0, 180, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(renderer.MarkFrame(true));
        expectPicture();
    }
    {
        SCOPED_TRACE("the mouse");
        RECT area{};
        GetClientRect(child.handle, &area);
        MapWindowPoints(child.handle, nullptr, reinterpret_cast<POINT*>(&area), 2);
        EXPECT_EQ(WindowFromPoint({(area.left + area.right) / 2, (area.top + area.bottom) / 2}), child.handle);
    }
    const auto fillChild = [&](COLORREF colour) {
        HDC context = GetDC(child.handle);
        RECT area{};
        GetClientRect(child.handle, &area);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(context, &area, brush);
        DeleteObject(brush);
        ReleaseDC(child.handle, context);
    };
    {
        SCOPED_TRACE("another surface draws into the child");
        renderer.HidePicture();
        fillChild(RGB(0x40, 0x80, 0xC0));
        for (const uint32_t pixel : child.Shown()) {
            ASSERT_EQ(pixel, 0x4080C0U);
        }
        ASSERT_TRUE(renderer.MarkFrame(true));
        expectPicture();
    }
    {
        SCOPED_TRACE("the top-level window hidden and shown");
        ShowWindow(frame.handle, SW_HIDE);
        EXPECT_FALSE(IsWindowVisible(renderer.PictureWindow()));
        ShowWindow(frame.handle, SW_SHOWNOACTIVATE);
        expectPicture();
    }
    {
        SCOPED_TRACE("detached");
        ASSERT_TRUE(renderer.SetTargetWindow(nullptr));
        EXPECT_EQ(renderer.PictureWindow(), nullptr);
        fillChild(RGB(0x40, 0x80, 0xC0));
        for (const uint32_t pixel : child.Shown()) {
            ASSERT_EQ(pixel, 0x4080C0U);
        }
    }
}

TEST(OpenGLRendererTest, TwoRenderersTakeTheirOwnContextsInTurn) {
    TestWindow left(128, 64);
    TestWindow right(128, 64, nullptr, 200);
    OpenGLRenderer first;
    OpenGLRenderer second;
    ShowTestFrame(first, left, 0.0F);
    ShowTestFrame(second, right, 0.0F);
    second.Fill(kFill, -1);
    ASSERT_TRUE(second.MarkFrame(true));
    // The first makes its own context current again before it draws.
    ASSERT_TRUE(first.MarkFrame(true));
    ExpectPictureAt(left, left.Shown(), {0, 0, 128, 64});
    EXPECT_EQ(right.Shown().front(), kFill & 0xFFFFFF);
}

TEST(OpenGLRendererTest, DestroyingAnAttachedRendererLeavesNoContextCurrent) {
    TestWindow window(100, 50);
    {
        OpenGLRenderer renderer;
        ShowTestFrame(renderer, window, 0.0F);
        EXPECT_NE(wglGetCurrentContext(), nullptr);
    }
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

// Run with GL_EXT_bgra hidden from the driver.
TEST(OpenGLRendererFallbackTest, WithoutBgraPixelsItDrawsThroughGdiAsTheGdiRendererDoes) {
    TestWindow glWindow(300, 120);
    TestWindow gdiWindow(300, 120, nullptr, 400);
    OpenGLRenderer renderer;
    // The vertical-sync flag is left as it was.
    renderer.SetFlag(true);
    ShowTestFrame(renderer, glWindow, 1.5F);
    EXPECT_TRUE(renderer.UsesGdiFallback());
    EXPECT_STREQ(renderer.FallbackReason(), "no GL_EXT_bgra");
    // GL's own window is gone: nothing covers what GDI draws.
    EXPECT_EQ(renderer.PictureWindow(), nullptr);
    EXPECT_TRUE(renderer.TestFlag(false));
    GdiRenderer gdi;
    ShowTestFrame(gdi, gdiWindow, 1.5F);
    const std::vector<uint32_t> pixels = glWindow.Capture();
    EXPECT_EQ(pixels, gdiWindow.Capture());
    ExpectPictureAt(glWindow, pixels, ComputeLayout(kFrameWidth, kFrameHeight, 1.5F, {0, 0, 300, 120}, 0).destination);

    OpenGLRenderer untouched;
    ShowTestFrame(untouched, gdiWindow, 0.0F);
    EXPECT_TRUE(untouched.UsesGdiFallback());
    EXPECT_FALSE(untouched.TestFlag(false));

    // Detaching clears the fallback: the next attachment tries GL again (and falls back again here).
    EXPECT_TRUE(renderer.SetTargetWindow(nullptr));
    EXPECT_FALSE(renderer.UsesGdiFallback());
    EXPECT_EQ(renderer.FallbackReason(), nullptr);
    ASSERT_TRUE(renderer.SetTargetWindow(glWindow.handle));
    EXPECT_TRUE(renderer.UsesGdiFallback());
    EXPECT_TRUE(renderer.MarkFrame(true));
}

} // namespace
} // namespace emu
