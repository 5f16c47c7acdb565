// End to end, as a user does it: the program with the real ROM images in its "configs" picks BK-0010.01, starts
// it, and the screen widget shows BASIC; keys posted to the main window reach it and BASIC answers.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "emu/core/RendererBase.h"
#include "emu/devices/FrameLayout.h"
#include "gui/windows/PictureControl.h"
#include "support/BkScreenText.h"
#include "support/DisplayPixels.h"
#include "support/TemporaryFolder.h"
#include "support/TestPixelBuffer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <utility>
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
        extendedRomImage = ReadAll(configs / "B11M_EXT.ROM");
    }

    // The screen widget's pixels as its device context reads them, taken back to the frame's own pixels.
    std::unique_ptr<test_support::TestPixelBuffer> ReadFrame() const {
        HWND screen = window->screen->GetHandle();
        RECT client{};
        GetClientRect(screen, &client);
        HDC windowDc = GetDC(screen);
        const std::vector<uint32_t> pixels = test_support::CopyDcPixels(windowDc, client);
        ReleaseDC(screen, windowDc);
        return FrameOf(pixels, client);
    }

    // The screen widget's client area as the display itself shows it; empty, with the reason in error, when the
    // display cannot be read.
    std::vector<uint32_t> ReadShownClientArea(RECT& client, std::string& error) const {
        HWND screen = window->screen->GetHandle();
        GetClientRect(screen, &client);
        RECT onScreen = client;
        MapWindowPoints(screen, nullptr, reinterpret_cast<POINT*>(&onScreen), 2);
        test_support::DisplayRead read = test_support::ReadDisplay(onScreen);
        error = read.error;
        return std::move(read.pixels);
    }

    // Where the renderer puts the frame in the screen widget's client area.
    FrameLayout LayoutIn(const RECT& client) const {
        const RendererBase* renderer = window->core->Renderer();
        return ComputeLayout(renderer->GetWidth(), renderer->GetHeight(), kBkAspect,
                             LayoutRect{0, 0, client.right, client.bottom}, renderer->ScaleMode());
    }

    // Client-area pixels taken back to the frame's own pixels through the layout the renderer draws by: the window
    // pixel under each frame pixel's centre.
    std::unique_ptr<test_support::TestPixelBuffer> FrameOf(const std::vector<uint32_t>& pixels,
                                                           const RECT& client) const {
        auto frame = std::make_unique<test_support::TestPixelBuffer>();
        const RendererBase* renderer = window->core != nullptr ? window->core->Renderer() : nullptr;
        if (renderer == nullptr || pixels.size() != static_cast<size_t>(client.right) * client.bottom) {
            return frame;
        }
        const int32_t frameWidth = renderer->GetWidth();
        const int32_t frameHeight = renderer->GetHeight();
        if (frameWidth <= 0 || frameHeight <= 0) {
            return frame;
        }
        frame->Resize(frameWidth, frameHeight);
        const LayoutRect to = LayoutIn(client).destination;
        for (int32_t y = 0; y < frameHeight; ++y) {
            const int32_t wy = to.top + static_cast<int32_t>((y + 0.5) * to.Height() / frameHeight);
            for (int32_t x = 0; x < frameWidth; ++x) {
                const int32_t wx = to.left + static_cast<int32_t>((x + 0.5) * to.Width() / frameWidth);
                if (wx >= 0 && wy >= 0 && wx < client.right && wy < client.bottom) {
                    frame->Row(y)[x] = 0xFF000000 | (pixels[wy * client.right + wx] & 0xFFFFFF);
                }
            }
        }
        return frame;
    }

    // What the display shows in the screen widget is the machine's frame as the WinGDI renderer draws it: each
    // frame pixel where the layout puts it, and the rest of the client area in the background colour. Else false,
    // with what differs in mismatch.
    bool DisplayShowsTheFrame(std::string& mismatch) const {
        RECT client{};
        const std::vector<uint32_t> shown = ReadShownClientArea(client, mismatch);
        if (!mismatch.empty()) {
            return false;
        }
        RendererBase* renderer = window->core->Renderer();
        const std::unique_ptr<test_support::TestPixelBuffer> shownFrame = FrameOf(shown, client);
        const LayoutRect to = LayoutIn(client).destination;
        int32_t frameMismatches = 0;
        int32_t borderMismatches = 0;
        {
            common::LockGuard guard(&renderer->FrameLock());
            if (shownFrame->GetWidth() != renderer->GetWidth() || shownFrame->GetHeight() != renderer->GetHeight()) {
                mismatch = "no frame";
                return false;
            }
            for (int32_t y = 0; y < renderer->GetHeight(); ++y) {
                for (int32_t x = 0; x < renderer->GetWidth(); ++x) {
                    frameMismatches += ((shownFrame->Pixel(x, y) ^ renderer->Row(y)[x]) & 0xFFFFFF) != 0;
                }
            }
            const uint32_t background = renderer->BackgroundColour() & 0xFFFFFF;
            for (int32_t y = 0; y < client.bottom; ++y) {
                for (int32_t x = 0; x < client.right; ++x) {
                    const bool inside = x >= to.left && x < to.right && y >= to.top && y < to.bottom;
                    borderMismatches += !inside && shown[static_cast<size_t>(y) * client.right + x] != background;
                }
            }
        }
        mismatch = std::to_string(frameMismatches) + " frame pixels and " + std::to_string(borderMismatches) +
                   " border pixels differ; the display reads:\n" + Describe(*shownFrame);
        return frameMismatches == 0 && borderMismatches == 0;
    }

    // What the display shows in the screen widget is the console's picture, pixel for pixel. Else false, with what
    // differs in mismatch.
    bool DisplayShowsTheConsole(std::string& mismatch) const {
        RECT client{};
        const std::vector<uint32_t> shown = ReadShownClientArea(client, mismatch);
        if (!mismatch.empty()) {
            return false;
        }
        RendererBase* console = window->core->ConsoleSurface();
        common::LockGuard guard(&console->FrameLock());
        if (console->GetWidth() != client.right || console->GetHeight() != client.bottom) {
            mismatch = "the console's picture is not the client area's size";
            return false;
        }
        int32_t mismatches = 0;
        for (int32_t y = 0; y < client.bottom; ++y) {
            for (int32_t x = 0; x < client.right; ++x) {
                mismatches += ((shown[static_cast<size_t>(y) * client.right + x] ^ console->Row(y)[x]) & 0xFFFFFF) != 0;
            }
        }
        mismatch = std::to_string(mismatches) + " pixels differ from the console's";
        return mismatches == 0;
    }

    // The user comes back to the main window from another one: it is activated and brought to the top.
    void ComeBackFromAnotherWindow() const {
        HWND other = CreateWindowExW(0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(other, nullptr);
        SetForegroundWindow(other);
        SetForegroundWindow(window->GetHandle());
        EXPECT_EQ(GetForegroundWindow(), window->GetHandle());
        DestroyWindow(other);
    }

    // The renderer's own frame shows the text.
    bool FrameShows(const std::string& text) const {
        RendererBase* renderer = window->core->Renderer();
        common::LockGuard guard(&renderer->FrameLock());
        return Font().Shows(*renderer, text);
    }

    // The text the display shows in the screen widget.
    std::vector<std::string> ReadShownScreen() const {
        RECT client{};
        std::string error;
        const std::vector<uint32_t> shown = ReadShownClientArea(client, error);
        return Font().Read(*FrameOf(shown, client));
    }

    // The BK-0011M draws with the font of its extended ROM.
    test_support::BkScreenText Font() const {
        if (extendedRom.empty()) {
            return test_support::BkScreenText(monitor);
        }
        return test_support::BkScreenText(extendedRom, test_support::BkScreenText::kExtendedRomFont,
                                          test_support::BkScreenText::Charset::Koi8);
    }
    std::vector<std::string> ReadScreen() const { return Font().Read(*ReadFrame()); }
    bool ScreenShows(const std::string& text) const { return Font().Shows(*ReadFrame(), text); }

    std::string Describe(const common::PixelBuffer& frame) const {
        std::string text;
        for (const std::string& line : Font().Read(frame)) {
            text += line + "\n";
        }
        return text;
    }
    std::string Describe() const { return Describe(*ReadFrame()); }

    gui::MenuItem* MachineItem(const char* name) const {
        for (int32_t i = 0; i < bar->computerMenu->ItemCount(); ++i) {
            gui::MenuItem* item = bar->computerMenu->ItemAt(i);
            if (item != nullptr && item->GetText().Compare(name) == 0) {
                return item;
            }
        }
        return nullptr;
    }

    // A key going down or up, posted to the main window.
    void PostKey(WPARAM key, bool down) const {
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(window->GetHandle(), down ? WM_KEYDOWN : WM_KEYUP, key, 1 | scan | (down ? 0 : 3u << 30));
    }

    // A key pressed and released on the main window: held for holdMs, then up for as long.
    void Press(WPARAM key, DWORD holdMs = 60) const {
        PostKey(key, true);
        PumpFor(holdMs);
        PostKey(key, false);
        PumpFor(holdMs);
    }

    // Types a BASIC line into the window (capital letters, digits and spaces) and presses Enter.
    void TypeLine(const std::string& text) const {
        for (const char character : text) {
            Press(character == ' ' ? VK_SPACE : static_cast<WPARAM>(character));
        }
        Press(VK_RETURN);
    }

    // The screen's lines hold the typed line with BASIC's answer right under it.
    static bool AnswerFollows(const std::vector<std::string>& lines, const std::string& typed,
                              const std::string& answer) {
        const auto line = std::find(lines.begin(), lines.end(), typed);
        return line != lines.end() && line + 1 != lines.end() && *(line + 1) == answer;
    }

    static void PumpFor(DWORD ms) {
        const ULONGLONG end = GetTickCount64() + ms;
        while (GetTickCount64() < end) {
            PumpPending();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }

    std::vector<uint8_t> monitor;
    std::vector<uint8_t> extendedRomImage;
    // Set while the screen shows a BK-0011M.
    std::span<const uint8_t> extendedRom;
};

TEST_F(BootTest, Bk0010_01BootsIntoBasicAndAnswersTheKeysPostedToTheWindow) {
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    ASSERT_NE(window->core, nullptr);
    Choose(MachineItem("BK-0010.01"));
    ASSERT_TRUE(MachineItem("BK-0010.01")->IsChecked());
    Choose(bar->startItem);
    ASSERT_TRUE(window->core->IsPowered());
    ASSERT_TRUE(PumpUntil([&] { return ScreenShows("Ok"); }, 30000)) << Describe();

    TypeLine("PRINT 12345");
    ASSERT_TRUE(PumpUntil([&] { return AnswerFollows(ReadScreen(), "PRINT 12345", " 12345"); }, 10000)) << Describe();

    Choose(bar->stopItem);
    EXPECT_FALSE(window->core->IsPowered());
    Choose(MachineItem("BK-0010"));
    EXPECT_TRUE(MachineItem("BK-0010")->IsChecked());
    EXPECT_FALSE(MachineItem("BK-0010.01")->IsChecked());
    Choose(bar->startItem);
    EXPECT_TRUE(PumpUntil([&] { return ScreenShows("ЛАТ"); }, 30000)) << Describe();
}

// What the user sees, read from the display itself: with "OpenGL" kept from the last run, a BK-0010.01 shows its
// BASIC screen in the window as with "WinGDI"; then WinGDI after OpenGL and OpenGL after WinGDI, each chosen while
// the machine stands, show the live screen (typed keys appear), with nothing left of the picture before; the console
// shows over either and gives the screen back.
TEST_F(BootTest, EachRendererShowsTheLiveScreenOnTheDisplayAlsoAfterTheOther) {
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    Choose(MachineItem("BK-0010.01"));
    Choose(ItemNamed(bar->videoMenu, "OpenGL renderer"));
    Finish();

    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    ASSERT_NE(window->core, nullptr);
    for (const std::string renderer : {"OpenGL", "WinGDI", "OpenGL"}) {
        SCOPED_TRACE(renderer);
        if (window->core->Renderer()->Name() != renderer) {
            Choose(bar->stopItem);
            Choose(ItemNamed(bar->videoMenu, (renderer + " renderer").c_str()));
        }
        ASSERT_STREQ(window->core->Renderer()->Name(), renderer.c_str());
        ComeBackFromAnotherWindow();
        Choose(bar->startItem);
        ASSERT_TRUE(window->core->IsPowered());
        // Drawn by the renderer's own path (GL itself for OpenGL), not through GDI instead.
        EXPECT_EQ(window->core->Renderer()->FallbackReason(), nullptr);
        std::string mismatch;
        ASSERT_TRUE(PumpUntil([&] { return FrameShows("Ok") && DisplayShowsTheFrame(mismatch); }, 30000)) << mismatch;

        TypeLine("PRINT 5");
        EXPECT_TRUE(PumpUntil([&] { return AnswerFollows(ReadShownScreen(), "PRINT 5", " 5"); }, 10000));
        EXPECT_TRUE(PumpUntil([&] { return DisplayShowsTheFrame(mismatch); }, 10000)) << mismatch;
        ComeBackFromAnotherWindow();
        EXPECT_TRUE(PumpUntil([&] { return DisplayShowsTheFrame(mismatch); }, 10000)) << mismatch;

        // The console takes the screen and gives it back.
        Choose(bar->consoleWindowItem);
        ASSERT_TRUE(window->core->ConsoleMode());
        EXPECT_TRUE(PumpUntil([&] { return DisplayShowsTheConsole(mismatch); }, 10000)) << mismatch;
        window->core->SetConsoleMode(false, true);
        EXPECT_TRUE(PumpUntil([&] { return DisplayShowsTheFrame(mismatch); }, 10000)) << mismatch;
    }
}

// Letters typed into the window as fast as the model's BASIC takes them all reach it: the keys keep the spacing
// they were typed with, whatever the host's timers and a busy host do to the synchronised loop's frames, and also
// when the window takes them late. Each model's BASIC loses a key that comes before it has taken the last one
// (BK-0010.01 about 40 ms after it, BK-0011M + FDD about 58 ms), as on the machine; these keys come at least half
// as far apart again.
struct TypingCase {
    const char* name;
    const char* model;
    DWORD holdMs;
    bool extendedFont;
    // The window's thread is busy while the keys are typed: it takes them all at once afterwards.
    bool windowBusy;
};

class TypingTest : public BootTest, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(TypingTest, LettersTypedAtTheBasicsPaceAllReachIt) {
    const TypingCase& typing = GetParam();
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    Choose(MachineItem(typing.model));
    ASSERT_TRUE(MachineItem(typing.model)->IsChecked());
    if (typing.extendedFont) {
        ASSERT_EQ(extendedRomImage.size(), 020000u);
        extendedRom = extendedRomImage;
    }
    Choose(bar->startItem);
    ASSERT_TRUE(PumpUntil([&] { return ScreenShows("Ok"); }, 30000)) << Describe();

    const std::string letters = "ABCDEFGHIJKLMNOP";
    for (const char letter : letters) {
        if (typing.windowBusy) {
            PostKey(static_cast<WPARAM>(letter), true);
            Sleep(typing.holdMs);
            PostKey(static_cast<WPARAM>(letter), false);
            Sleep(typing.holdMs);
        } else {
            Press(static_cast<WPARAM>(letter), typing.holdMs);
        }
    }
    EXPECT_TRUE(PumpUntil(
        [&] {
            // The cursor after the letters reads '?'.
            const std::vector<std::string> lines = ReadScreen();
            return std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
                       return line == letters || line == letters + "?";
                   }) != lines.end();
        },
        5000))
        << Describe();
}

INSTANTIATE_TEST_SUITE_P(Models, TypingTest,
                         ::testing::Values(TypingCase{"Bk0010_01", "BK-0010.01", 30, false, false},
                                           TypingCase{"Bk0011mFdd", "BK-0011M + FDD", 50, true, false},
                                           TypingCase{"Bk0010_01TakenLate", "BK-0010.01", 30, false, true}),
                         [](const ::testing::TestParamInfo<TypingCase>& info) { return info.param.name; });

} // namespace
} // namespace emu::testing
