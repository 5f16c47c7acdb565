#include "emu/devices/WaveOutSoundOutput.h"

#include "FakeWaveOut.h"
#include "support/StartGate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace emu {
namespace {

// The emulation thread submits blocks of one level each while the device's player reports them played and the
// output's refill thread tops the queue up; then the output closes while the player still runs. The player keeps
// a few blocks behind the submissions, as a real device does, so no thread can run away from the others.
TEST(WaveOutSoundOutputThreadTest, SubmissionsCallbacksAndCloseShareTheOutputSafely) {
    constexpr int32_t kBlocks = 1500;
    constexpr int32_t kPlayedBehind = 3;
    auto script = std::make_shared<FakeWaveOutScript>();
    script->player = true;
    WaveOutSoundOutput output(FakeWaveOut::Factory(script));
    ASSERT_TRUE(output.Open(4000, 8, 50));
    test_support::StartGate start(2);

    std::thread emulation([&] {
        start.ArriveAndWait();
        for (int32_t block = 0; block < kBlocks; ++block) {
            int32_t count = 0;
            int32_t minSample = 0;
            int32_t maxSample = 0;
            int32_t* accumulator = output.TakeAccumulator(count, minSample, maxSample);
            output.TakeAccumulator(count, minSample, maxSample);
            std::fill_n(accumulator, count, block % 250 + 1);
            output.SubmitBlock();
            script->AllowPlays(block + kPlayedBehind);
        }
    });
    start.ArriveAndWait();
    emulation.join();
    output.Close();

    const std::vector<std::vector<uint8_t>> written = script->Written();
    // How many reach the device depends on how the threads meet; the first submission alone writes six.
    ASSERT_GE(written.size(), 6u);
    // Seven held blocks and one fading in, then every block whole, refills too: one level throughout, never
    // part of one block and part of another.
    for (size_t block = 8; block < written.size(); ++block) {
        ASSERT_EQ(written[block].size(), 80u);
        const bool whole = std::all_of(written[block].begin(), written[block].end(),
                                       [&](uint8_t level) { return level == written[block][0]; });
        EXPECT_TRUE(whole) << block;
    }
    EXPECT_EQ(script->Calls().back(), "destroyed");
    EXPECT_EQ(output.BlockCount(), 0);
}

} // namespace
} // namespace emu
