// Real windows for the window renderers' tests, and the test frame they show: what a renderer paints is read back
// from the window and compared with the frame and with where ComputeLayout puts it.
#pragma once

#include "emu/devices/win32/GdiRenderer.h"
#include "support/DisplayPixels.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace emu {

constexpr int32_t kFrameWidth = 64;
constexpr int32_t kFrameHeight = 32;
constexpr uint32_t kBackground = 0xFF123456;
constexpr uint32_t kFill = 0xFF20A020;
// The frame's corners: top left, top right, bottom left, bottom right.
constexpr uint32_t kCorners[4] = {0xFFFF0000, 0xFF0000FF, 0xFFFFFF00, 0xFFFFFFFF};

// A borderless window with a client area of the given size, on a class that paints nothing itself; a pop-up, or
// a child of parent, x pixels from the left (windows read back together must not overlap).
class TestWindow {
public:
    TestWindow(int32_t width, int32_t height, HWND parent = nullptr, int32_t x = 0) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass);
        // A GL window clips what lies over it.
        const DWORD style = (parent != nullptr ? WS_CHILD : WS_POPUP) | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        handle = CreateWindowExW(0, kClassName, L"Renderer test", style, x, 0, width, height, parent, nullptr, instance,
                                 nullptr);
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

    // The client area as its device context reads it: 0x00RRGGBB pixels, top row first.
    std::vector<uint32_t> Capture() const {
        RECT client{};
        GetClientRect(handle, &client);
        width = client.right;
        height = client.bottom;
        HDC windowDc = GetDC(handle);
        std::vector<uint32_t> pixels = test_support::CopyDcPixels(windowDc, client);
        ReleaseDC(handle, windowDc);
        return pixels;
    }

    // The client area as the display shows it (0x00RRGGBB, top row first); empty, with the reason in error, when
    // the display cannot be read.
    std::vector<uint32_t> CaptureDisplay(std::string& error) const {
        RECT client{};
        GetClientRect(handle, &client);
        width = client.right;
        height = client.bottom;
        MapWindowPoints(handle, nullptr, reinterpret_cast<POINT*>(&client), 2);
        test_support::DisplayRead read = test_support::ReadDisplay(client);
        error = read.error;
        return std::move(read.pixels);
    }

    // What the user sees of the client area: the display's pixels, as CaptureDisplay reads them; a failure of the
    // test, and background-free black pixels, when the display cannot be read.
    std::vector<uint32_t> Shown() const {
        std::string error;
        std::vector<uint32_t> pixels = CaptureDisplay(error);
        EXPECT_EQ(error, "");
        pixels.resize(static_cast<size_t>(width) * height);
        return pixels;
    }

    HWND handle = nullptr;
    mutable int32_t width = 0;
    mutable int32_t height = 0;

private:
    static constexpr const wchar_t* kClassName = L"ZovRendererTest";
};

// A renderer on the window with the test frame: a fill colour with the four corners marked.
inline void ShowTestFrame(GdiRenderer& renderer, TestWindow& window, float aspect) {
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
inline void ExpectPictureAt(const TestWindow& window, const std::vector<uint32_t>& pixels,
                            const LayoutRect& destination) {
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

// A window of a client size, a scale mode and an aspect for the test frame.
struct LayoutCase {
    const char* what;
    int32_t scaleMode;
    float aspect;
    int32_t clientWidth, clientHeight;
};

// A new renderer shows the test frame in a window of the case's size: the picture, read from the display or from the
// window's device context, lands where ComputeLayout says, framed in the background, and the mouse converts to frame
// units at the layout's scale.
template <typename WindowRenderer>
void ExpectPictureWhereTheLayoutSays(const LayoutCase& each, bool readDisplay) {
    SCOPED_TRACE(each.what);
    TestWindow window(each.clientWidth, each.clientHeight);
    WindowRenderer renderer;
    renderer.SetScaleMode(each.scaleMode);
    ShowTestFrame(renderer, window, each.aspect);
    const FrameLayout layout = ComputeLayout(kFrameWidth, kFrameHeight, each.aspect,
                                             {0, 0, each.clientWidth, each.clientHeight}, each.scaleMode);
    const LayoutRect& expected = layout.destination;
    EXPECT_EQ(renderer.Destination(), expected);
    const std::vector<uint32_t> pixels = readDisplay ? window.Shown() : window.Capture();
    ASSERT_EQ(window.width, each.clientWidth);
    ASSERT_EQ(window.height, each.clientHeight);
    ExpectPictureAt(window, pixels, expected);
    double x = 0;
    double y = 0;
    renderer.ScalePoint(expected.Width(), expected.Height(), x, y);
    EXPECT_DOUBLE_EQ(x, layout.scaleX * expected.Width());
    EXPECT_DOUBLE_EQ(y, layout.scaleY * expected.Height());
}

} // namespace emu
