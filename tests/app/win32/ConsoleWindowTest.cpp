// The core's console on a "WinGDI" surface in a real window: the banner, the typed command line and a log with its
// scroll bar, read back as text from what the window shows.
#include "app/CoreTestMachines.h"
#include "emu/devices/win32/GdiRenderer.h"
#include "emu/devices/win32/TestWindow.h"
#include "support/ScreenReader.h"
#include "support/TestPixelBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace app_test {
namespace {

using namespace std::chrono_literals;

constexpr int32_t kWidth = 800;
constexpr int32_t kHeight = 600;

// What the window shows, into the pixel buffer.
void Capture(const emu::TestWindow& window, test_support::TestPixelBuffer& frame) {
    const std::vector<uint32_t> pixels = window.Capture();
    frame.Resize(window.width, window.height);
    for (int32_t y = 0; y < window.height; ++y) {
        for (int32_t x = 0; x < window.width; ++x) {
            frame.Row(y)[x] = 0xFF000000 | pixels[static_cast<size_t>(y) * window.width + x];
        }
    }
}

TEST(ConsoleWindowTest, TheConsoleShowsItsBannerCommandLineAndScrollBarInAWindow) {
    Watchdog watchdog{120s};
    TemporaryProgram program;
    emu::EmulatorConfig::Environment environment;
    environment.folders = program.Folders();
    emu::EmulatorConfig::MediaList media;
    media.soundOutputs.push_back(std::make_unique<emu::HostSoundOutput>());
    media.renderers.push_back(std::make_unique<emu::GdiRenderer>());
    emu::EmulatorConfig config(std::move(environment), kStandInList, std::move(media));
    emu::EmulatorCore* core = config.CreateCore(1);
    ASSERT_NE(core, nullptr);
    ASSERT_NE(core->ConsoleSurface(), nullptr);
    EXPECT_STREQ(core->ConsoleSurface()->Name(), "WinGDI");

    emu::TestWindow window(kWidth, kHeight);
    ASSERT_TRUE(core->ConsoleSurface()->SetTargetWindow(window.handle));
    ASSERT_TRUE(core->PresentFrame(false, true));
    const test_support::ScreenReader reader(test_support::ConsoleGlyphs());
    const auto text = [&](const test_support::TestPixelBuffer& frame, int32_t x, int32_t y, int32_t count) {
        return test_support::TrimRight(reader.ReadText(frame, x, y, count, common::Console::kBlack));
    };

    // The banner stands in the middle of 35 rows of 99 columns.
    const std::string banner = "Computer \"BK-0010.01\"";
    test_support::TestPixelBuffer shown;
    Capture(window, shown);
    EXPECT_EQ(text(shown, (99 - 21) / 2 * 8 + 3, 17 * 16 + 3, 21), banner);

    // Typed keys stand on the command line.
    for (const char key : std::string("HELP")) {
        core->OnKeyChar(key, true);
        core->OnKeyChar(key, false);
    }
    ASSERT_TRUE(core->PresentFrame(false, false));
    Capture(window, shown);
    EXPECT_EQ(text(shown, 11, 575, 10), "HELP");

    // A long log follows its end, beside its scroll bar.
    for (int index = 0; index < 100; ++index) {
        core->Console().AppendLine(common::NarrowString(("LINE " + std::to_string(index)).c_str()));
    }
    core->Console().SetCentred(false);
    ASSERT_TRUE(core->PresentFrame(false, false));
    Capture(window, shown);
    EXPECT_EQ(text(shown, 3, 34 * 16 + 3, 97), "LINE 99");
    // The bar's glyph above the thumb, which covers the last rows.
    EXPECT_EQ(reader.ReadCell(shown, kWidth - 11, 3, common::Console::kBlack), '\xB0');
    EXPECT_EQ(shown.Pixel(kWidth - 11, 562), common::Console::kLightGrey) << "the thumb at the end";
    config.RemoveCore(core);
}

} // namespace
} // namespace app_test
