#include "emu/core/HostSoundOutput.h"

#include "support/RecordingSoundOutput.h"
#include "support/StartGate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace emu {
namespace {

using test_support::RecordingSoundOutput;

// The emulation thread submits blocks of one level each while the host's audio thread reports blocks played and
// refills the queue, and finally the output is closed under the running callback. The audio thread keeps a couple
// of blocks behind the submissions, as a real device does, so neither thread can starve the other.
TEST(HostSoundOutputThreadTest, SubmissionsAndPlayedBlocksShareTheRingSafely) {
    constexpr int32_t kBlocks = 2000;
    constexpr int32_t kPlayedAhead = 2;
    RecordingSoundOutput output;
    ASSERT_TRUE(output.Open(4000, 8, 50));
    test_support::StartGate start(2);
    std::atomic<bool> closed = false;
    std::atomic<int32_t> submitted = 0;
    std::atomic<int32_t> played = 0;

    std::thread audio([&] {
        start.ArriveAndWait();
        while (!closed) {
            if (played < submitted + kPlayedAhead) {
                output.OnBlockDone();
                ++played;
            } else {
                std::this_thread::yield();
            }
        }
        // A callback after Close finds nothing to refill.
        output.OnBlockDone();
    });
    std::thread emulation([&] {
        start.ArriveAndWait();
        for (int32_t block = 0; block < kBlocks; ++block) {
            int32_t count = 0;
            int32_t minSample = 0;
            int32_t maxSample = 0;
            int32_t* accumulator = output.TakeAccumulator(count, minSample, maxSample);
            std::fill_n(accumulator, count, block % 250 + 1);
            output.SubmitBlock();
            ++submitted;
        }
    });
    emulation.join();
    // Keep the audio thread going until it has seen the queue after the last submission.
    while (played < kBlocks + kPlayedAhead)
        std::this_thread::yield();
    output.Close();
    closed = true;
    audio.join();

    // Every block the host got is whole: one level throughout, never half of one block and half of another.
    EXPECT_FALSE(output.written.empty());
    for (const std::vector<uint8_t>& block : output.written) {
        ASSERT_EQ(block.size(), 80u);
        EXPECT_TRUE(std::all_of(block.begin(), block.end(), [&](uint8_t level) { return level == block[0]; }));
    }
    EXPECT_EQ(output.BlockCount(), 0);
}

} // namespace
} // namespace emu
