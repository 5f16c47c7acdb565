// The emulation thread closing frames while the GUI thread takes them, as a running machine and its presenter do.
#include "emu/devices/OffscreenRenderer.h"

#include "support/StartGate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace emu {
namespace {

TEST(OffscreenRendererThreadTest, FrameEndsAndPresentationsMeetUnderTheLocks) {
    constexpr int32_t kFrames = 20000;
    OffscreenRenderer renderer;
    ASSERT_TRUE(renderer.Resize(16, 8, false));
    renderer.EndFrame(true, 0.0F);
    renderer.MarkFrame(false);
    test_support::StartGate gate(2);
    std::atomic<bool> done{false};
    int32_t presented = 0;
    int32_t fullRequests = 0;

    std::thread presenter([&] {
        gate.ArriveAndWait();
        // Until one presentation at least: on a busy host the frames may all end before this thread first runs,
        // and the last frame end leaves a frame pending.
        while (!done.load() || presented == 0) {
            // Now and then a full redraw, as a paint message asks for.
            if (renderer.MarkFrame(presented % 64 == 63)) {
                ++presented;
            }
            fullRequests += presented % 64 == 63 ? 1 : 0;
        }
    });
    gate.ArriveAndWait();
    for (int32_t frame = 0; frame < kFrames; ++frame) {
        const int32_t line = frame % 8;
        renderer.InvalidateLine(line);
        if (renderer.NeedsLine(line)) {
            renderer.Row(line)[frame % 16] = static_cast<uint32_t>(frame);
            renderer.MarkLineDrawn(line);
        }
        renderer.EndFrame(true, 1.25F);
    }
    done = true;
    presenter.join();

    EXPECT_GT(presented, 0);
    EXPECT_LE(presented, kFrames + fullRequests);
    // Whatever the last frame end left is taken once, then nothing is pending.
    renderer.MarkFrame(false);
    EXPECT_FALSE(renderer.MarkFrame(false));
    EXPECT_FLOAT_EQ(renderer.Aspect(), 1.25F);
}

TEST(OffscreenRendererThreadTest, ResizesOnTheEmulationThreadWhileTheGuiPresents) {
    OffscreenRenderer renderer;
    test_support::StartGate gate(2);
    std::atomic<bool> done{false};
    std::thread presenter([&] {
        gate.ArriveAndWait();
        while (!done.load()) {
            renderer.MarkFrame(false);
            renderer.MarkFrame(true);
        }
    });
    gate.ArriveAndWait();
    for (int32_t step = 0; step < 2000; ++step) {
        ASSERT_TRUE(renderer.Resize(8 + step % 5, 4 + step % 3, false));
        renderer.EndFrame(true, 0.0F);
    }
    done = true;
    presenter.join();
    EXPECT_TRUE(renderer.HasSize(8 + 1999 % 5, 4 + 1999 % 3));
}

} // namespace
} // namespace emu
