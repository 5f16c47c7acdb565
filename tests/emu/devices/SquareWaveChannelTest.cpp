#include "emu/devices/SquareWaveChannel.h"

#include "DeviceStateBytes.h"
#include "DeviceTestMachine.h"
#include "common/LittleEndian.h"
#include "emu/devices/SoundDevice.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Samples = std::vector<int32_t>;

// Logs the four values of every record it renders; may count half periods in place of flipping the phase.
class TestSquareWave : public SquareWaveChannel {
public:
    void Render(const void* payload, const void*, uint64_t time, uint64_t, int64_t, int32_t) override {
        if (payload == nullptr) {
            return;
        }
        const auto* bytes = static_cast<const uint8_t*>(payload);
        std::string line = std::to_string(time) + ":";
        for (int32_t value = 0; value < 4; ++value) {
            line += " " + std::to_string(static_cast<int32_t>(common::LoadLittleEndian(bytes + 4 * value, 4)));
        }
        rendered.push_back(line);
    }
    void CountHalfPeriods() {
        phaseCallback = [](SquareWaveChannel* channel) { ++static_cast<TestSquareWave*>(channel)->halfPeriods; };
    }

    std::vector<std::string> rendered;
    int32_t halfPeriods = 0;
};

struct FillCase {
    const char* name;
    bool channelEnabled;
    bool soundEnabled;
    int32_t halfPeriod;
    bool countHalfPeriods;
    Samples samples;
    int32_t left;
    int32_t phase;
};

TEST(SquareWaveChannelTest, FillsTwoLevelsByHalfPeriodsCountedInSamples) {
    const std::vector<FillCase> cases{
        {"enabled", true, true, 3, false, {0, 0, 0, 200, 200, 200, 0, 0}, 1, 0},
        {"channel disabled: the counters move on", false, true, 3, false, Samples(8, 0), 1, 0},
        {"sound disabled", true, false, 3, false, Samples(8, 0), 1, 0},
        {"no half period: the low level throughout", true, true, 0, false, Samples(8, 0), 0, 1},
        {"a phase callback in place of the flip", true, true, 3, true, Samples(8, 0), 1, 0},
    };
    for (const FillCase& each : cases) {
        SCOPED_TRACE(each.name);
        SoundDevice device;
        auto made = std::make_unique<TestSquareWave>();
        TestSquareWave& channel = *made;
        device.AddChannel(std::move(made));
        device.SetSoundEnabled(each.soundEnabled);
        channel.SetChannelEnabled(each.channelEnabled);
        if (each.countHalfPeriods) {
            channel.CountHalfPeriods();
        }
        channel.TDCN = each.halfPeriod;
        channel.TDTO = 3;
        channel.VDL1 = 200;
        Samples samples(8, -1);
        channel.Fill(samples.data(), 8);
        EXPECT_EQ(samples, each.samples);
        EXPECT_EQ(channel.TDTO, each.left);
        EXPECT_EQ(channel.TDVL, each.phase);
        EXPECT_EQ(channel.halfPeriods, each.countHalfPeriods ? 2 : 0);
    }
}

TEST(SquareWaveChannelTest, RecordsTheFourValuesOnlyWhenOneChanges) {
    DeviceTestMachine machine;
    auto made = std::make_unique<TestSquareWave>();
    TestSquareWave& channel = *made;
    machine.AddChild(std::move(made));
    channel.SetValueA(5, 1, false); // stopped: the value is taken, nothing is recorded
    EXPECT_EQ(channel.CDTN, 5);
    ASSERT_TRUE(machine.PowerOnAndClock());
    EXPECT_EQ(channel.CDTN, 0);
    machine.Run(1);
    machine.cpu->cycles = 100;
    channel.SetValueA(7, 1, false);
    channel.SetValueA(7, 1, false);
    channel.SetValueB(3, 2, false);
    channel.SetValueB(3, 0, true);
    EXPECT_EQ(channel.CDTT, 0);
    EXPECT_EQ(channel.CDVT, 0);
    machine.Run(DeviceTestMachine::kTicksPerBlock);
    EXPECT_EQ(channel.rendered, (std::vector<std::string>{"100: 7 0 1 0", "100: 7 3 0 2", "100: 7 3 0 0"}));
}

Bytes SquareChunk(const std::array<int32_t, 11>& values, uint8_t version = 0) {
    static constexpr std::array<const char*, 11> kNames{"CDTN", "CDVL", "CDTT", "CDVT", "TDVA", "TDCN",
                                                        "TDTO", "TDVL", "VDVA", "VDL0", "VDL1"};
    Bytes chunk = Concat({ChunkBegin("_SQSNDCH"), U8Value("VER", version)});
    for (size_t index = 0; index < values.size(); ++index) {
        chunk = Concat({chunk, I32Value(kNames[index], values[index])});
    }
    return Concat({chunk, ChunkEnd("_SQSNDCH")});
}

TEST(SquareWaveChannelTest, ItsStateFollowsTheChannelsChunkAndRefusesAnyMismatch) {
    const std::array<int32_t, 11> values{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    TestSquareWave channel;
    channel.CDTN = 1, channel.CDVL = 2, channel.CDTT = 3, channel.CDVT = 4, channel.TDVA = 5, channel.TDCN = 6;
    channel.TDTO = 7, channel.TDVL = 8, channel.VDVA = 9, channel.VDL0 = 10, channel.VDL1 = 11;
    const Bytes saved = Archived(SavingOwnData(channel));
    EXPECT_EQ(saved, Concat({kDevicePart, ChannelChunkBytes({}), SquareChunk(values)}));

    TestSquareWave loaded;
    ASSERT_TRUE(ReadsWhole(saved, LoadingOwnData(loaded)));
    EXPECT_EQ(Archived(SavingOwnData(loaded)), saved);

    const Bytes whole = SquareChunk(values);
    ChannelChunk otherFrequency;
    otherFrequency.baseFrequency = 7;
    const std::vector<std::pair<const char*, Bytes>> refused{
        {"version 1", Concat({kDevicePart, ChannelChunkBytes({}), SquareChunk(values, 1)})},
        {"no chunk", Concat({kDevicePart, ChannelChunkBytes({})})},
        {"a value short",
         Concat({kDevicePart, ChannelChunkBytes({}),
                 Bytes(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(I32Value("VDL1", 0).size() +
                                                                                ChunkEnd("_SQSNDCH").size()))})},
        {"the channel's chunk refused", Concat({kDevicePart, ChannelChunkBytes(otherFrequency), whole})},
    };
    for (const auto& [name, bytes] : refused) {
        SCOPED_TRACE(name);
        TestSquareWave untouched;
        untouched.TDCN = 42;
        const Bytes before = Archived(SavingOwnData(untouched));
        EXPECT_FALSE(ReadsWhole(bytes, LoadingOwnData(untouched)));
        EXPECT_EQ(Archived(SavingOwnData(untouched)), before);
    }
}

} // namespace
} // namespace emu
