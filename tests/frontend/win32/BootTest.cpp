// End to end, as a user does it: the program with the real ROM images in its "configs" picks BK-0010.01, starts
// it, and the screen widget shows BASIC; keys posted to the main window reach it and BASIC answers.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "emu/core/RendererBase.h"
#include "emu/devices/FrameLayout.h"
#include "gui/windows/PictureControl.h"
#include "support/BkScreenText.h"
#include "support/TemporaryFolder.h"
#include "support/TestPixelBuffer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace emu::testing {
namespace {

// The BK's frame shows with this aspect ratio unless the user picks another.
constexpr float kBkAspect = 1.5F;

std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class BootTest : public FrontEndTest {
protected:
    void SetUp() override {
        const std::filesystem::path configs = folder.Path() / "configs";
        std::filesystem::create_directories(configs);
        if (!test_support::CopyRealRoms(configs)) {
            GTEST_SKIP() << "BK_ROM_DIR is not set";
        }
        monitor = ReadAll(configs / "monit10.rom");
        ASSERT_EQ(monitor.size(), 020000u);
    }

    // The screen widget's pixels, taken back to the frame's own pixels through the layout the renderer draws by.
    std::unique_ptr<test_support::TestPixelBuffer> ReadFrame() const {
        auto frame = std::make_unique<test_support::TestPixelBuffer>();
        HWND screen = window->screen->GetHandle();
        RECT client{};
        GetClientRect(screen, &client);
        const RendererBase* renderer = window->core != nullptr ? window->core->Renderer() : nullptr;
        if (renderer == nullptr || client.right <= 0 || client.bottom <= 0) {
            return frame;
        }
        const int32_t frameWidth = renderer->GetWidth();
        const int32_t frameHeight = renderer->GetHeight();
        if (frameWidth <= 0 || frameHeight <= 0) {
            return frame;
        }
        const FrameLayout layout = ComputeLayout(frameWidth, frameHeight, kBkAspect,
                                                 LayoutRect{0, 0, client.right, client.bottom}, renderer->ScaleMode());
        HDC windowDc = GetDC(screen);
        HDC memoryDc = CreateCompatibleDC(windowDc);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = client.right;
        info.bmiHeader.biHeight = -client.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(memoryDc, section);
        BitBlt(memoryDc, 0, 0, client.right, client.bottom, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* pixels = static_cast<const uint32_t*>(bits);
        frame->Resize(frameWidth, frameHeight);
        const LayoutRect& to = layout.destination;
        for (int32_t y = 0; y < frameHeight; ++y) {
            const int32_t wy = to.top + static_cast<int32_t>((y + 0.5) * to.Height() / frameHeight);
            for (int32_t x = 0; x < frameWidth; ++x) {
                const int32_t wx = to.left + static_cast<int32_t>((x + 0.5) * to.Width() / frameWidth);
                if (wx >= 0 && wy >= 0 && wx < client.right && wy < client.bottom) {
                    frame->Row(y)[x] = 0xFF000000 | (pixels[wy * client.right + wx] & 0xFFFFFF);
                }
            }
        }
        SelectObject(memoryDc, previous);
        DeleteObject(section);
        DeleteDC(memoryDc);
        ReleaseDC(screen, windowDc);
        return frame;
    }

    std::vector<std::string> ReadScreen() const { return test_support::BkScreenText(monitor).Read(*ReadFrame()); }
    bool ScreenShows(const std::string& text) const {
        return test_support::BkScreenText(monitor).Shows(*ReadFrame(), text);
    }

    std::string Describe() const {
        std::string text;
        for (const std::string& line : ReadScreen()) {
            text += line + "\n";
        }
        return text;
    }

    gui::MenuItem* MachineItem(const char* name) const {
        for (int32_t i = 0; i < bar->computerMenu->ItemCount(); ++i) {
            gui::MenuItem* item = bar->computerMenu->ItemAt(i);
            if (item != nullptr && item->GetText().Compare(name) == 0) {
                return item;
            }
        }
        return nullptr;
    }

    // A key pressed and released on the main window, held long enough for the ROM's keyboard routine.
    void Press(WPARAM key) const {
        const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
        PostMessageW(window->GetHandle(), WM_KEYDOWN, key, 1 | static_cast<LPARAM>(scan) << 16);
        PumpFor(60);
        PostMessageW(window->GetHandle(), WM_KEYUP, key, 1 | static_cast<LPARAM>(scan) << 16 | 3u << 30);
        PumpFor(60);
    }

    static void PumpFor(DWORD ms) {
        const ULONGLONG end = GetTickCount64() + ms;
        while (GetTickCount64() < end) {
            PumpPending();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }

    std::vector<uint8_t> monitor;
};

TEST_F(BootTest, Bk0010_01BootsIntoBasicAndAnswersTheKeysPostedToTheWindow) {
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    ASSERT_NE(window->core, nullptr);
    Choose(MachineItem("BK-0010.01"));
    ASSERT_TRUE(MachineItem("BK-0010.01")->IsChecked());
    Choose(bar->startItem);
    ASSERT_TRUE(window->core->IsPowered());
    ASSERT_TRUE(PumpUntil([&] { return ScreenShows("Ok"); }, 30000)) << Describe();

    for (WPARAM key : std::vector<WPARAM>{'P', 'R', 'I', 'N', 'T', VK_SPACE, '1', '2', '3', '4', '5', VK_RETURN}) {
        Press(key);
    }
    ASSERT_TRUE(PumpUntil(
        [&] {
            const std::vector<std::string> lines = ReadScreen();
            const auto typed = std::find(lines.begin(), lines.end(), "PRINT 12345");
            return typed != lines.end() && typed + 1 != lines.end() && *(typed + 1) == " 12345";
        },
        10000))
        << Describe();

    Choose(bar->stopItem);
    EXPECT_FALSE(window->core->IsPowered());
    Choose(MachineItem("BK-0010"));
    EXPECT_TRUE(MachineItem("BK-0010")->IsChecked());
    EXPECT_FALSE(MachineItem("BK-0010.01")->IsChecked());
    Choose(bar->startItem);
    EXPECT_TRUE(PumpUntil([&] { return ScreenShows("ЛАТ"); }, 30000)) << Describe();
}

} // namespace
} // namespace emu::testing
