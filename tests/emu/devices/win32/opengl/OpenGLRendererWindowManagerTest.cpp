// The OpenGL renderer's picture among other windows as a desktop stacks them: CTest runs this suite on a display of
// its own with a window manager, in a Wine prefix that leaves the windows to it (cmake/window-manager-run).
#include "emu/devices/win32/OpenGLRenderer.h"

#include "emu/devices/win32/TestWindow.h"
#include "support/MessagePump.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace emu {
namespace {

// The other window's colour as the display shows it.
constexpr uint32_t kOtherPixel = 0x4080C0;

// A captioned top-level window, as a program's main window is, filled with a colour of its own.
class CaptionedWindow {
public:
    CaptionedWindow(const wchar_t* className, COLORREF colour, int32_t x, int32_t y) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        brush = CreateSolidBrush(colour);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.hbrBackground = brush;
        windowClass.lpszClassName = className;
        RegisterClassW(&windowClass);
        handle = CreateWindowExW(0, className, className, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, 360, 260,
                                 nullptr, nullptr, instance, nullptr);
        ShowWindow(handle, SW_SHOW);
        SetForegroundWindow(handle);
    }
    ~CaptionedWindow() {
        DestroyWindow(handle);
        DeleteObject(brush);
    }
    CaptionedWindow(const CaptionedWindow&) = delete;
    CaptionedWindow& operator=(const CaptionedWindow&) = delete;

    HWND handle = nullptr;

private:
    HBRUSH brush = nullptr;
};

// Handles the thread's messages, Wine's news from the window manager among them, until the window's client area as
// the display shows it passes the check, or for ten seconds; what the display showed last.
template <typename Check>
std::vector<uint32_t> ShownOnceSettled(const TestWindow& window, Check check) {
    std::vector<uint32_t> pixels;
    test_support::PumpUntil(
        [&] {
            pixels = window.Shown();
            return check(pixels);
        },
        10000);
    return pixels;
}

// Another window activated over the picture hides it where they overlap, as it hides the rest of the window the
// picture lies in; the picture's window activated again shows the whole picture again.
TEST(OpenGLRendererWindowManagerTest, AnotherWindowActivatedOverThePictureCoversItAndYieldsAgain) {
    if (std::getenv("ZOV_WINDOW_MANAGER") == nullptr) {
        GTEST_SKIP() << "needs a window manager on the display, as cmake/window-manager-run gives";
    }
    CaptionedWindow frame(L"ZovPictureFrame", RGB(0x80, 0x80, 0x80), 40, 40);
    TestWindow child(240, 160, frame.handle, 20);
    OpenGLRenderer renderer;
    ShowTestFrame(renderer, child, 0.0F);
    ASSERT_EQ(renderer.FallbackReason(), nullptr);
    const LayoutRect destination = ComputeLayout(kFrameWidth, kFrameHeight, 0.0F, {0, 0, 240, 160}, 0).destination;
    const auto showsThePicture = [&](const std::vector<uint32_t>& pixels) {
        const auto at = [&](int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * child.width + x]; };
        return at(destination.left, destination.top) == (kCorners[0] & 0xFFFFFF) &&
               at(destination.right - 1, destination.bottom - 1) == (kCorners[3] & 0xFFFFFF);
    };
    {
        SCOPED_TRACE("its own window active");
        ExpectPictureAt(child, ShownOnceSettled(child, showsThePicture), destination);
    }

    RECT area{};
    GetClientRect(child.handle, &area);
    MapWindowPoints(child.handle, nullptr, reinterpret_cast<POINT*>(&area), 2);
    // Its top left corner over the middle of the picture: the picture's bottom right quarter lies beneath it.
    const int32_t middleX = (destination.left + destination.right) / 2;
    const int32_t middleY = (destination.top + destination.bottom) / 2;
    CaptionedWindow other(L"ZovOtherProgram", RGB(0x40, 0x80, 0xC0), area.left + middleX - 20, area.top + middleY - 40);
    POINT otherClient{};
    ClientToScreen(other.handle, &otherClient);
    const int32_t coveredX = otherClient.x - area.left;
    const int32_t coveredY = otherClient.y - area.top;
    ASSERT_GE(coveredX, destination.left);
    ASSERT_GE(coveredY, destination.top);
    ASSERT_LT(coveredX, destination.right - 1);
    ASSERT_LT(coveredY, destination.bottom - 1);
    {
        SCOPED_TRACE("another window active over it");
        const auto covered = [&](const std::vector<uint32_t>& pixels) {
            for (int32_t y = coveredY; y < destination.bottom; ++y) {
                for (int32_t x = coveredX; x < destination.right; ++x) {
                    if (pixels[static_cast<size_t>(y) * child.width + x] != kOtherPixel) {
                        return false;
                    }
                }
            }
            return true;
        };
        const std::vector<uint32_t> pixels = ShownOnceSettled(child, covered);
        EXPECT_TRUE(covered(pixels));
        EXPECT_EQ(pixels[static_cast<size_t>(destination.top) * child.width + destination.left],
                  kCorners[0] & 0xFFFFFF);
    }
    {
        SCOPED_TRACE("its own window active again");
        SetForegroundWindow(frame.handle);
        ExpectPictureAt(child, ShownOnceSettled(child, showsThePicture), destination);
    }
}

} // namespace
} // namespace emu
