#include "emu/devices/WaveOutSoundOutput.h"

#include "FakeWaveOut.h"
#include "SubmitLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace emu {
namespace {

using Calls = std::vector<std::string>;
using Block = std::vector<uint8_t>;

Calls Prepared(int32_t count, int32_t bytes) {
    Calls calls;
    for (int32_t index = 0; index < count; ++index) {
        calls.push_back("prepare " + std::to_string(index) + " " + std::to_string(bytes));
    }
    return calls;
}

TEST(WaveOutSoundOutputTest, OpensADeviceAndPreparesEveryBlockOrHoldsNothing) {
    struct Case {
        const char* name;
        int32_t rate;
        int32_t bits;
        int32_t blocks;
        bool deviceOpens;
        bool devicePrepares;
        bool opened;
        Calls calls;
    };
    Calls fifty = Prepared(50, 882);
    fifty.insert(fifty.begin(), "open 44100 8");
    const std::vector<Case> cases{
        {"44100 Hz, 8 bits, 50 blocks", 44100, 8, 50, true, true, true, fifty},
        {"a rate the blocks do not divide", 44100, 8, 64, true, true, false, {}},
        {"no device", 44100, 8, 50, false, true, false, {"open 44100 8", "destroyed"}},
        {"a width the ring cannot hold",
         44100,
         12,
         50,
         true,
         true,
         false,
         {"open 44100 12", "reset", "close", "destroyed"}},
        {"a block the device cannot prepare",
         8000,
         16,
         50,
         true,
         false,
         false,
         {"open 8000 16", "prepare 0 320", "reset", "close", "destroyed"}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        auto script = std::make_shared<FakeWaveOutScript>();
        script->opens = each.deviceOpens;
        script->prepares = each.devicePrepares;
        WaveOutSoundOutput output(FakeWaveOut::Factory(script));
        EXPECT_EQ(output.Open(each.rate, each.bits, each.blocks), each.opened);
        EXPECT_EQ(script->Calls(), each.calls);
        EXPECT_EQ(output.BlockCount(), each.opened ? each.blocks : 0);
        if (each.opened) {
            EXPECT_FALSE(output.Open(each.rate, each.bits, each.blocks));
        }
    }
}

TEST(WaveOutSoundOutputTest, PlayedBlocksRefillTheQueueToFourOnTheRefillThread) {
    auto script = std::make_shared<FakeWaveOutScript>();
    WaveOutSoundOutput output(FakeWaveOut::Factory(script));
    ASSERT_TRUE(output.Open(4000, 8, 50));
    SubmitLevel(output, 100);
    ASSERT_EQ(script->Written().size(), 6u);

    // Only played blocks count.
    script->Deliver(WaveOutDevice::kOpened);
    script->Deliver(WaveOutDevice::kClosed);
    for (int32_t played = 0; played < 3; ++played) {
        script->Deliver(WaveOutDevice::kBlockDone);
    }
    ASSERT_TRUE(script->WaitForWrites(7));
    script->Deliver(WaveOutDevice::kBlockDone);
    ASSERT_TRUE(script->WaitForWrites(8));
    EXPECT_EQ(output.BlocksPlayed(), 4u);
    EXPECT_EQ(output.BlocksWritten(), 8u);
    std::lock_guard<std::mutex> guard(script->mutex);
    EXPECT_EQ(script->written.size(), 8u);
    const std::thread::id test = std::this_thread::get_id();
    EXPECT_TRUE(std::all_of(script->writers.begin(), script->writers.begin() + 6,
                            [&](std::thread::id writer) { return writer == test; }));
    EXPECT_NE(script->writers[6], test);
    EXPECT_NE(script->writers[7], test);
}

TEST(WaveOutSoundOutputTest, TheFirstBlocksHoldTheRestLevelAndTheNextFadesInOnce) {
    struct Case {
        int32_t bits;
        int32_t level;
        int32_t centre;
    };
    for (const Case& each : {Case{8, 200, 128}, Case{16, -1000, 0}}) {
        SCOPED_TRACE(each.bits);
        auto script = std::make_shared<FakeWaveOutScript>();
        WaveOutSoundOutput output(FakeWaveOut::Factory(script));
        ASSERT_TRUE(output.Open(4000, each.bits, 50));
        const auto sampleAt = [&](const Block& block, size_t index) {
            return each.bits == 8 ? block[index] : static_cast<int16_t>(block[2 * index] | block[2 * index + 1] << 8);
        };
        const auto uniform = [&](const Block& block, int32_t level) {
            for (size_t index = 0; index < 80; ++index) {
                if (sampleAt(block, index) != level) {
                    return false;
                }
            }
            return true;
        };
        // Six blocks, then one each while fewer than eight are queued: 50 / 8 + 1 = 7 held, the eighth fades.
        for (int32_t submission = 0; submission < 4; ++submission) {
            SubmitLevel(output, each.level);
        }
        std::vector<Block> written = script->Written();
        ASSERT_EQ(written.size(), 8u);
        for (size_t block = 0; block < 7; ++block) {
            EXPECT_TRUE(uniform(written[block], each.centre)) << block;
        }
        const int32_t rise = each.level - each.centre;
        EXPECT_EQ(sampleAt(written[7], 0), each.centre);
        EXPECT_EQ(sampleAt(written[7], 40), each.centre + rise / 2);
        EXPECT_EQ(sampleAt(written[7], 79), each.centre + rise * 79 / 80);
        // Played blocks make room: the refill repeats the machine's block, not its fade, and the next
        // submissions play at full level.
        for (int32_t played = 0; played < 5; ++played) {
            script->Deliver(WaveOutDevice::kBlockDone);
        }
        ASSERT_TRUE(script->WaitForWrites(9));
        SubmitLevel(output, each.level);
        written = script->Written();
        ASSERT_EQ(written.size(), 11u);
        for (size_t block = 8; block < 11; ++block) {
            EXPECT_TRUE(uniform(written[block], each.level)) << block;
        }
    }
}

TEST(WaveOutSoundOutputTest, CloseResetsUnpreparesAndGivesUpOnADeviceThatKeepsPlaying) {
    auto script = std::make_shared<FakeWaveOutScript>();
    script->closeAnswer = WaveOutDevice::kStillPlaying;
    WaveOutSoundOutput output(FakeWaveOut::Factory(script));
    ASSERT_TRUE(output.Open(8000, 8, 4));
    SubmitLevel(output, 100);
    output.Close();
    Calls expected{"open 8000 8"};
    const Calls prepared = Prepared(4, 2000);
    expected.insert(expected.end(), prepared.begin(), prepared.end());
    expected.insert(expected.end(), {"reset", "unprepare 0", "unprepare 1", "unprepare 2", "unprepare 3"});
    expected.insert(expected.end(), WaveOutSoundOutput::kCloseAttempts, "close");
    expected.push_back("destroyed");
    EXPECT_EQ(script->Calls(), expected);
    EXPECT_EQ(output.BlockCount(), 0);

    // The output can open again, on a new device.
    script->closeAnswer = 0;
    ASSERT_TRUE(output.Open(8000, 8, 4));
    output.Close();
    EXPECT_EQ(script->Calls().back(), "destroyed");
}

TEST(WaveOutSoundOutputTest, ClonesAreClosedWaveOutputsOfTheSameDeviceAndWindow) {
    auto script = std::make_shared<FakeWaveOutScript>();
    WaveOutSoundOutput prototype(FakeWaveOut::Factory(script));
    int window = 0;
    prototype.SetHostWindow(&window);
    const std::unique_ptr<HostSoundOutput> clone = prototype.Clone();
    EXPECT_STREQ(clone->Name(), "WaveSound");
    EXPECT_FALSE(clone->IsNull());
    EXPECT_EQ(static_cast<WaveOutSoundOutput&>(*clone).HostWindow(), &window);
    EXPECT_EQ(clone->BlockCount(), 0);
    ASSERT_TRUE(clone->Open(22050, 16, 50));
    EXPECT_EQ(script->Calls().front(), "open 22050 16");
}

} // namespace
} // namespace emu
