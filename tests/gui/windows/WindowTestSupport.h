// What the Win32 toolkit's tests share: a message pump that runs until a condition holds (failing on a time-out
// instead of hanging), client-area captures, and a shown top-level window to put controls in.
#pragma once

#include "gui/Units.h"
#include "gui/windows/TopLevelWindow.h"

#include "common/DirectColourImage.h"
#include "support/DisplayPixels.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace gui::Windows::testing {

using test_support::PumpPending;

// Pumps until the condition holds; false when the time runs out first.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000) {
    return test_support::PumpUntil(condition, timeoutMs);
}

// A window's client area as its device context reads it, 0x00RRGGBB, row by row from the top.
class Capture {
public:
    explicit Capture(HWND window) {
        RECT client{};
        ::GetClientRect(window, &client);
        width = client.right;
        height = client.bottom;
        HDC windowDc = GetDC(window);
        pixels = test_support::CopyDcPixels(windowDc, client);
        ReleaseDC(window, windowDc);
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    }

    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0xFFFFFFFF;
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    // How many pixels of the rectangle (inclusive corners) have the colour.
    int Count(int left, int top, int right, int bottom, uint32_t colour) const {
        int count = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x)
                count += At(x, y) == colour;
        return count;
    }
    // The bounding box of the colour; false when it does not occur.
    bool Find(uint32_t colour, RECT& box) const {
        bool found = false;
        box = RECT{width, height, -1, -1};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (At(x, y) != colour)
                    continue;
                found = true;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x);
                box.bottom = std::max<LONG>(box.bottom, y);
            }
        }
        return found;
    }

    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// A square image of one colour with a white top-left pixel, which buttons key out.
inline common::Image* MakeSquare(int32_t size, common::Colour colour) {
    auto* image = new common::Argb32Image();
    image->Create(size, size);
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x)
            image->SetPixelColour(y, x, colour);
    image->SetPixelColour(0, 0, 0xFFFFFFFF);
    return image;
}

// A window's stored bounds.
inline Bounds BoundsOf(Window& window) {
    Bounds bounds;
    window.GetBounds(bounds.x, bounds.y, bounds.width, bounds.height);
    return bounds;
}

// 0x00RRGGBB of a system colour, as captures read it.
inline uint32_t SystemRgb(int index) {
    const COLORREF colour = GetSysColor(index);
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// A plain top-level window at a fixed place, created and shown; each test puts its controls in it.
class ShownWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The real pointer out of the way, wherever an earlier test left it: only the test's own mouse messages
        // count.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        window = std::make_unique<TopLevelWindow>(40, 30, 400, 300, 1);
        window->SetEraseBackground(true);
    }
    void TearDown() override {
        if (window) {
            window->Destroy();
            window.reset();
        }
        PumpPending();
    }

    // Creates and shows the window with what was added to it, and lets it paint.
    void CreateAndShow() {
        ASSERT_TRUE(window->CreateOnInstance(GetModuleHandleW(nullptr)));
        window->Show(true);
        SetForegroundWindow(window->GetHandle());
        PumpPending();
        UpdateWindow(window->GetHandle());
        PumpPending();
    }
    // The window repainted at once, with every child.
    void Repaint() {
        RedrawWindow(window->GetHandle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpPending();
    }

    std::unique_ptr<TopLevelWindow> window;
};

} // namespace gui::Windows::testing
