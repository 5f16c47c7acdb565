#include "emu/core/HostSoundOutput.h"

#include "support/RecordingSoundOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace emu {
namespace {

using Bytes = std::vector<uint8_t>;
using test_support::RecordingSoundOutput;

bool AllBytesAre(std::span<const uint8_t> block, std::initializer_list<uint8_t> pattern) {
    const Bytes repeated(pattern);
    for (size_t index = 0; index < block.size(); ++index) {
        if (block[index] != repeated[index % repeated.size()]) {
            return false;
        }
    }
    return !block.empty();
}

// Hands the mixer's accumulator and fills it with samples.
int32_t* Mix(HostSoundOutput& output, std::initializer_list<int32_t> samples) {
    int32_t count = 0;
    int32_t minSample = 0;
    int32_t maxSample = 0;
    int32_t* accumulator = output.TakeAccumulator(count, minSample, maxSample);
    std::copy(samples.begin(), samples.end(), accumulator);
    return accumulator;
}

TEST(HostSoundOutputTest, OpensARingOfBlocksAtTheLowestLevel) {
    struct Case {
        int32_t bits;
        int32_t blockBytes;
        int32_t minSample;
        int32_t maxSample;
        std::initializer_list<uint8_t> fill;
    };
    for (const Case& test : {Case{8, 882, 0, 255, {0x00}}, Case{16, 1764, -32768, 32767, {0x00, 0x80}}}) {
        HostSoundOutput output;
        ASSERT_TRUE(output.Open(44100, test.bits, 50));
        EXPECT_EQ(output.SamplesPerBlock(), 882);
        EXPECT_EQ(output.BlockBytes(), test.blockBytes);
        EXPECT_EQ(output.MinSample(), test.minSample);
        EXPECT_EQ(output.MaxSample(), test.maxSample);
        for (int32_t index = 0; index < 50; ++index) {
            EXPECT_TRUE(AllBytesAre(output.Block(index), test.fill)) << test.bits << " bits, block " << index;
        }
        EXPECT_TRUE(output.Block(50).empty());
    }
}

TEST(HostSoundOutputTest, RefusesBadGeometryAndASecondOpenWithoutChangingAnything) {
    struct Case {
        int32_t rate;
        int32_t bits;
        int32_t blocks;
    };
    for (const Case& test : {Case{44100, 12, 50}, Case{44100, 8, 0}, Case{40, 8, 50}, Case{0, 16, 1}}) {
        HostSoundOutput output;
        EXPECT_FALSE(output.Open(test.rate, test.bits, test.blocks)) << test.rate << "/" << test.bits;
        EXPECT_EQ(output.BlockCount(), 0);
        EXPECT_EQ(output.BlockBytes(), 0);
    }

    RecordingSoundOutput output;
    ASSERT_TRUE(output.Open(4000, 8, 50));
    output.SubmitBlock();
    EXPECT_FALSE(output.Open(8000, 16, 50));
    EXPECT_EQ(output.BlockBytes(), 80);
    EXPECT_EQ(output.BlocksWritten(), 6u);
}

TEST(HostSoundOutputTest, ConvertsTheAccumulatorFilledOnePeriodEarlier) {
    RecordingSoundOutput output;
    ASSERT_TRUE(output.Open(250, 8, 50));
    output.SetUnpaced();
    // The mixer fills A while the first block converts B, which nobody filled.
    int32_t* first = Mix(output, {HostSoundOutput::kEmptySample, 10, 300, 20, HostSoundOutput::kEmptySample});
    int32_t* unfilled = output.PendingAccumulator();
    EXPECT_NE(unfilled, first);
    output.SubmitBlock();
    int32_t* second = Mix(output, {});
    EXPECT_EQ(second, unfilled);
    EXPECT_EQ(output.PendingAccumulator(), first);
    output.SubmitBlock();

    ASSERT_EQ(output.written.size(), 2u);
    EXPECT_EQ(output.written[0], (Bytes{0, 0, 0, 0, 0}));
    // Entries out of range repeat the last sample in range; they stay in the accumulator, the others are emptied.
    EXPECT_EQ(output.written[1], (Bytes{0, 10, 10, 20, 20}));
    EXPECT_EQ(std::vector<int32_t>(first, first + 5),
              (std::vector<int32_t>{HostSoundOutput::kEmptySample, HostSoundOutput::kEmptySample, 300,
                                    HostSoundOutput::kEmptySample, HostSoundOutput::kEmptySample}));
    EXPECT_EQ(output.writtenIndexes, (std::vector<int32_t>{0, 1}));
}

// The mixers find their accumulators emptied as any output empties them; the null output itself only writes no
// block.
TEST(HostSoundOutputTest, TheNullOutputTakesTheSamplesWithoutWritingABlock) {
    HostSoundOutput output;
    ASSERT_TRUE(output.Open(250, 8, 50));
    int32_t* first = Mix(output, {HostSoundOutput::kEmptySample, 10, 300, 20, HostSoundOutput::kEmptySample});
    output.SubmitBlock();
    Mix(output, {});
    output.SubmitBlock();
    EXPECT_EQ(std::vector<int32_t>(first, first + 5),
              (std::vector<int32_t>{HostSoundOutput::kEmptySample, HostSoundOutput::kEmptySample, 300,
                                    HostSoundOutput::kEmptySample, HostSoundOutput::kEmptySample}));
    for (int32_t index = 0; index < 50; ++index) {
        EXPECT_TRUE(AllBytesAre(output.Block(index), {0x00})) << "block " << index;
    }
    EXPECT_EQ(output.BlocksWritten(), 0u);
}

TEST(HostSoundOutputTest, WritesSixteenBitSamplesLittleEndian) {
    RecordingSoundOutput output;
    ASSERT_TRUE(output.Open(100, 16, 50));
    output.SetUnpaced();
    Mix(output, {-2, 0x1234});
    output.SubmitBlock();
    Mix(output, {});
    output.SubmitBlock();
    ASSERT_EQ(output.written.size(), 2u);
    EXPECT_EQ(output.written[1], (Bytes{0xFE, 0xFF, 0x34, 0x12}));
}

TEST(HostSoundOutputTest, PacedSubmissionFillsAStarvedQueueAndDropsBlocksWhenFarAhead) {
    RecordingSoundOutput output;
    ASSERT_TRUE(output.Open(4000, 8, 50));
    output.SubmitBlock();
    // The block and five copies of it.
    EXPECT_EQ(output.BlocksWritten(), 6u);
    EXPECT_EQ(output.writtenIndexes, (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));

    output.SubmitBlock();
    output.SubmitBlock();
    EXPECT_EQ(output.BlocksWritten(), 8u);
    // Eight blocks ahead (50 / 6): the next block is dropped.
    output.SubmitBlock();
    EXPECT_EQ(output.BlocksWritten(), 8u);
    EXPECT_EQ(output.written.size(), 8u);
}

TEST(HostSoundOutputTest, PlayedBlocksRefillTheQueueWithTheNewestBlockUntilSilenced) {
    RecordingSoundOutput output;
    ASSERT_TRUE(output.Open(4000, 8, 50));
    output.SubmitBlock();
    std::fill_n(Mix(output, {}), 80, 7);
    output.SubmitBlock();
    Mix(output, {});
    output.SubmitBlock();
    ASSERT_EQ(output.BlocksWritten(), 8u);
    ASSERT_TRUE(AllBytesAre(output.written[7], {7}));

    for (int32_t played = 0; played < 5; ++played) {
        output.OnBlockDone();
    }
    // Three queued after five played: one copy of the newest block brings the queue to four.
    EXPECT_EQ(output.BlocksPlayed(), 5u);
    EXPECT_EQ(output.BlocksWritten(), 9u);
    EXPECT_EQ(output.written.back(), output.written[7]);

    output.Silence();
    EXPECT_TRUE(AllBytesAre(output.Block(7), {0}));
    output.OnBlockDone();
    output.OnBlockDone();
    EXPECT_EQ(output.BlocksWritten(), 9u);
    // The next submission ends the silence and fills the queue again.
    output.SubmitBlock();
    EXPECT_EQ(output.BlocksWritten(), 13u);
}

TEST(HostSoundOutputTest, ClosedOutputRefillsNothingUntilOpenedAgain) {
    RecordingSoundOutput output;
    ASSERT_TRUE(output.Open(4000, 8, 50));
    output.Close();
    EXPECT_EQ(output.BlocksWritten(), 0xFFFFu);
    output.OnBlockDone();
    output.SubmitBlock();
    int32_t count = -1;
    int32_t minSample = 0;
    int32_t maxSample = 0;
    EXPECT_EQ(output.TakeAccumulator(count, minSample, maxSample), nullptr);
    EXPECT_EQ(output.PendingAccumulator(), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(output.written.empty());

    ASSERT_TRUE(output.Open(4000, 8, 50));
    EXPECT_EQ(output.BlocksWritten(), 0u);
    EXPECT_EQ(output.BlocksPlayed(), 0u);
}

TEST(HostSoundOutputTest, NullOutputPlaysNothingAndClonesNullOutputs) {
    HostSoundOutput output;
    EXPECT_TRUE(output.IsNull());
    EXPECT_STREQ(output.Name(), "No Sound");
    ASSERT_TRUE(output.Open(4000, 8, 50));
    Mix(output, {1, 2, 3});
    output.SubmitBlock();
    output.SubmitBlock();
    output.OnBlockDone();
    EXPECT_EQ(output.BlocksWritten(), 0u);

    WindowedSoundOutput windowed;
    int window = 0;
    windowed.SetHostWindow(&window);
    EXPECT_FALSE(windowed.IsNull());
    for (const HostSoundOutput* prototype : std::initializer_list<const HostSoundOutput*>{&output, &windowed}) {
        const std::unique_ptr<HostSoundOutput> clone = prototype->Clone();
        ASSERT_NE(clone, nullptr);
        EXPECT_TRUE(clone->IsNull());
        EXPECT_EQ(clone->BlockCount(), 0);
    }
}

} // namespace
} // namespace emu
