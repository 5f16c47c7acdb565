// A BK model on the Windows media under Wine: the frame presented through OpenGL into a real window, the sound
// played through DirectSound on ALSA's null device (CTest sets it up), the screen read back from the renderer's
// frame with the monitor's own font.
#include "emu/bk/Bk0010Machine.h"

#include "emu/core/BusService.h"
#include "emu/devices/win32/DsoundDevice.h"
#include "emu/devices/win32/OpenGLRenderer.h"
#include "emu/devices/win32/TestWindow.h"
#include "support/BkModelRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

using test_support::BkModelRun;

TEST(BkWindowsMediaTest, Bk0010_01BootsToBasicOnOpenGLAndDirectSound) {
    const std::optional<std::u16string> folder = BkModelRun::RealRomFolder();
    if (!folder) {
        GTEST_SKIP() << "BK_ROM_DIR is not set";
    }
    TestWindow window(640, 400);
    OpenGLRenderer renderer;
    ASSERT_TRUE(renderer.SetTargetWindow(window.handle));
    renderer.SetBackgroundColour(kBackground);
    const std::unique_ptr<DirectSoundOutput> sound = MakeDirectSoundOutput();
    sound->SetHostWindow(window.handle);

    const Bk0010_01Machine prototype;
    BkModelRun run(prototype, *folder);
    ASSERT_TRUE(run.PowerOn(renderer, *sound));
    // Two seconds, each frame presented as the GUI thread presents it.
    for (int32_t frame = 0; frame < 100; ++frame) {
        run.RunFrames(1);
        renderer.MarkFrame(false);
    }
    EXPECT_FALSE(renderer.UsesGdiFallback());
    EXPECT_TRUE(run.Shows("БЕЙСИК")) << run.Describe("Bk0010_01BootsToBasicOnOpenGLAndDirectSound");
    EXPECT_TRUE(run.Shows("Ok")) << run.Describe("Bk0010_01BootsToBasicOnOpenGLAndDirectSound");
    EXPECT_TRUE(run.Lines("[ERROR]").empty());
    BusService* bus = run.Machine().Bus();
    int32_t outputs = 0;
    for (int32_t index = 0; index < bus->EventCount(); ++index) {
        if (const HostSoundOutput* output = bus->EventAt(index)->output.get(); output != nullptr) {
            EXPECT_STREQ(output->Name(), "DirectSound");
            ++outputs;
        }
    }
    EXPECT_GE(outputs, 1);

    // The display shows the picture where the layout puts it, framed in the background.
    ASSERT_TRUE(renderer.MarkFrame(true));
    const LayoutRect destination = renderer.Destination();
    EXPECT_EQ(destination, ComputeLayout(renderer.GetWidth(), renderer.GetHeight(), renderer.Aspect(), {0, 0, 640, 400},
                                         renderer.ScaleMode())
                               .destination);
    const std::vector<uint32_t> pixels = window.Shown();
    int32_t borderMismatches = 0;
    for (int32_t y = 0; y < window.height; ++y) {
        for (int32_t x = 0; x < window.width; ++x) {
            const bool inside =
                x >= destination.left && x < destination.right && y >= destination.top && y < destination.bottom;
            borderMismatches +=
                !inside && pixels[static_cast<size_t>(y) * window.width + x] != (kBackground & 0xFFFFFF);
        }
    }
    EXPECT_EQ(borderMismatches, 0);
}

} // namespace
} // namespace emu
