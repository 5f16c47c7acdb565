#include "emu/core/HostSoundOutput.h"

#include "RecordingSoundOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <latch>
#include <thread>

namespace emu {
namespace {

// The emulation thread submits blocks of one level each while the host's audio thread reports blocks played and
// refills the queue, and finally the output is closed under the running callback.
TEST(HostSoundOutputThreadTest, SubmissionsAndPlayedBlocksShareTheRingSafely) {
    constexpr int32_t kBlocks = 2000;
    RecordingSoundOutput output;
    ASSERT_TRUE(output.Open(4000, 8, 50));
    std::latch bothReady(2);
    std::atomic<bool> closed = false;
    std::atomic<int32_t> played = 0;

    std::thread audio([&] {
        bothReady.arrive_and_wait();
        while (!closed) {
            output.OnBlockDone();
            ++played;
        }
        // A callback after Close finds nothing to refill.
        output.OnBlockDone();
    });
    std::thread emulation([&] {
        bothReady.arrive_and_wait();
        for (int32_t block = 0; block < kBlocks; ++block) {
            int32_t count = 0;
            int32_t minSample = 0;
            int32_t maxSample = 0;
            int32_t* accumulator = output.TakeAccumulator(count, minSample, maxSample);
            std::fill_n(accumulator, count, block % 250 + 1);
            output.SubmitBlock();
        }
    });
    emulation.join();
    // Keep the audio thread going until it has seen the queue after the last submission.
    const int32_t playedBefore = played;
    while (played < playedBefore + 2) {
        std::this_thread::yield();
    }
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
