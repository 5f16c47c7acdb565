// The GDI renderer in a real window: what it paints is read back from the window and compared with the frame
// and with where ComputeLayout puts it.
#include "emu/devices/win32/GdiRenderer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace emu {
namespace {

constexpr int32_t kFrameWidth = 64;
constexpr int32_t kFrameHeight = 32;
constexpr uint32_t kBackground = 0xFF123456;
constexpr uint32_t kFill = 0xFF20A020;
// The frame's corners: top left, top right, bottom left, bottom right.
constexpr uint32_t kCorners[4] = {0xFFFF0000, 0xFF0000FF, 0xFFFFFF00, 0xFFFFFFFF};

// A borderless window with a client area of the given size, on a class that paints nothing itself.
class TestWindow {
public:
    TestWindow(int32_t width, int32_t height) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass);
        handle = CreateWindowExW(0, kClassName, L"GDI renderer test", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                 instance, nullptr);
        // Shown without activation: destroying an active window waits two seconds for a window manager that
        // Xvfb does not have.
        ShowWindow(handle, SW_SHOWNOACTIVATE);
    }
    ~TestWindow() { Destroy(); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    void Destroy() {
        if (handle != nullptr) {
            DestroyWindow(handle);
            handle = nullptr;
        }
    }

    // The client area as 0x00RRGGBB pixels, top row first, copied into a DIB section.
    std::vector<uint32_t> Capture() const {
        RECT client{};
        GetClientRect(handle, &client);
        width = client.right;
        height = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC windowDc = GetDC(handle);
        HDC memoryDc = CreateCompatibleDC(windowDc);
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(memoryDc, section);
        BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                                     static_cast<const uint32_t*>(bits) + static_cast<size_t>(width) * height);
        for (uint32_t& pixel : pixels) {
            pixel &= 0xFFFFFF;
        }
        SelectObject(memoryDc, previous);
        DeleteObject(section);
        DeleteDC(memoryDc);
        ReleaseDC(handle, windowDc);
        return pixels;
    }

    HWND handle = nullptr;
    mutable int32_t width = 0;
    mutable int32_t height = 0;

private:
    static constexpr const wchar_t* kClassName = L"ZovGdiRendererTest";
};

// A renderer on the window with the test frame: a fill colour with the four corners marked.
void ShowTestFrame(GdiRenderer& renderer, TestWindow& window, float aspect) {
    ASSERT_NE(window.handle, nullptr);
    ASSERT_TRUE(renderer.SetTargetWindow(window.handle));
    ASSERT_TRUE(renderer.Resize(kFrameWidth, kFrameHeight, false));
    renderer.Fill(kFill, -1);
    renderer.Row(0)[0] = kCorners[0];
    renderer.Row(0)[kFrameWidth - 1] = kCorners[1];
    renderer.Row(kFrameHeight - 1)[0] = kCorners[2];
    renderer.Row(kFrameHeight - 1)[kFrameWidth - 1] = kCorners[3];
    renderer.SetBackgroundColour(kBackground);
    renderer.EndFrame(true, aspect);
    ASSERT_TRUE(renderer.MarkFrame(true));
}

// Pixels outside the destination are exactly the background; inside, none is; the corners of the destination
// show the frame's corners, right side up.
void ExpectPictureAt(const TestWindow& window, const std::vector<uint32_t>& pixels, const LayoutRect& destination) {
    int32_t borderMismatches = 0;
    int32_t pictureMismatches = 0;
    for (int32_t y = 0; y < window.height; ++y) {
        for (int32_t x = 0; x < window.width; ++x) {
            const uint32_t pixel = pixels[static_cast<size_t>(y) * window.width + x];
            const bool inside =
                x >= destination.left && x < destination.right && y >= destination.top && y < destination.bottom;
            if (inside) {
                pictureMismatches += pixel == (kBackground & 0xFFFFFF);
            } else {
                borderMismatches += pixel != (kBackground & 0xFFFFFF);
            }
        }
    }
    EXPECT_EQ(borderMismatches, 0);
    EXPECT_EQ(pictureMismatches, 0);
    const auto at = [&](int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * window.width + x]; };
    EXPECT_EQ(at(destination.left, destination.top), kCorners[0] & 0xFFFFFF);
    EXPECT_EQ(at(destination.right - 1, destination.top), kCorners[1] & 0xFFFFFF);
    EXPECT_EQ(at(destination.left, destination.bottom - 1), kCorners[2] & 0xFFFFFF);
    EXPECT_EQ(at(destination.right - 1, destination.bottom - 1), kCorners[3] & 0xFFFFFF);
}

TEST(GdiRendererTest, ThePictureGoesWhereTheLayoutSaysInBothModes) {
    struct Case {
        const char* what;
        int32_t scaleMode;
        float aspect;
        int32_t clientWidth, clientHeight;
    };
    const std::vector<Case> cases = {
        {"stretched, the height limits", 0, 1.5F, 300, 120},
        {"stretched, the width limits", 0, 0.0F, 150, 200},
        {"zoomed by whole factors", 1, 0.0F, 230, 150},
        {"zoomed with an aspect", 1, 1.25F, 260, 260},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        TestWindow window(each.clientWidth, each.clientHeight);
        GdiRenderer renderer;
        renderer.SetScaleMode(each.scaleMode);
        ShowTestFrame(renderer, window, each.aspect);
        const FrameLayout layout = ComputeLayout(kFrameWidth, kFrameHeight, each.aspect,
                                                 {0, 0, each.clientWidth, each.clientHeight}, each.scaleMode);
        const LayoutRect& expected = layout.destination;
        EXPECT_EQ(renderer.Destination().left, expected.left);
        EXPECT_EQ(renderer.Destination().bottom, expected.bottom);
        const std::vector<uint32_t> pixels = window.Capture();
        ASSERT_EQ(window.width, each.clientWidth);
        ASSERT_EQ(window.height, each.clientHeight);
        ExpectPictureAt(window, pixels, expected);
        // Mouse movement converts to frame units at the layout's scale.
        double x = 0;
        double y = 0;
        renderer.ScalePoint(expected.Width(), expected.Height(), x, y);
        EXPECT_DOUBLE_EQ(x, layout.scaleX * expected.Width());
        EXPECT_DOUBLE_EQ(y, layout.scaleY * expected.Height());
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
