// One AY channel on its own: the level table, the replay of records into counts of output samples, the synthesis
// of tone, noise and envelope, and the channel's state.
#include "emu/bk/AyChannel.h"

#include "AyMachine.h"
#include "common/LittleEndian.h"
#include "emu/bk/AySoundChip.h"
#include "emu/devices/DeviceStateBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Samples = std::vector<int32_t>;

constexpr std::array<int32_t, 16> kFixedLevels{0,     836,   1212,  1773,  2619,  3875,  5397,  8823,
                                               10392, 16706, 23339, 29292, 36969, 46421, 55195, 65535};
constexpr std::array<int32_t, 32> kYmLevels{0,     0,     248,   450,   670,   826,   1010,  1239,  1552,  1919,  2314,
                                            2626,  3131,  3778,  4407,  5031,  5968,  7161,  8415,  9622,  11421, 13689,
                                            15957, 18280, 21759, 26148, 30523, 34879, 41434, 49404, 57492, 65535};

std::array<uint8_t, AyChannel::kPayloadBytes> Payload(const AyChannelRecord& record) {
    const std::array<int32_t, 9> values{record.CDPR, record.CDVL, record.CDNP, record.CDEP, record.CDEM,
                                        record.CDDS, record.CDND, record.CDTT, record.CDET};
    std::array<uint8_t, AyChannel::kPayloadBytes> bytes{};
    for (size_t index = 0; index < values.size(); ++index) {
        common::StoreLittleEndian(bytes.data() + 4 * index, 4, static_cast<uint32_t>(values[index]));
    }
    return bytes;
}

// A started chip's first channel.
struct Chip : AyMachine {
    using AyMachine::AyMachine;
    AyChannel& channel() const { return Channel(0); }
};

TEST(AyChannelTest, LevelsFollowTheChipsVolumeCurves) {
    Chip ay;
    ay.channel().OnRangeChanged(0, 65535);
    for (int32_t step = 0; step < 16; ++step) {
        EXPECT_EQ(ay.channel().Level(step), kFixedLevels[static_cast<size_t>(step)]) << step;
        EXPECT_EQ(ay.channel().Level(16 + step), kFixedLevels[static_cast<size_t>(step)]) << step;
    }
    Chip ym(48000, true);
    ym.channel().OnRangeChanged(0, 65535);
    for (int32_t step = 0; step < 32; ++step) {
        EXPECT_EQ(ym.channel().Level(16 + step), kYmLevels[static_cast<size_t>(step)]) << step;
    }
    EXPECT_EQ(ym.channel().Level(15), 65535);

    ay.channel().OnRangeChanged(-128, 127);
    EXPECT_EQ(ay.channel().Level(0), -128);
    EXPECT_EQ(ay.channel().Level(8), -128 + 40) << "255 x 10392 / 65535 = 40.44";
    EXPECT_EQ(ay.channel().Level(15), 127);

    ym.channel().OnRangeChanged(77, 77);
    for (int32_t index = 0; index < AyChannel::kLevelCount; ++index) {
        EXPECT_EQ(ym.channel().Level(index), 77) << index;
    }
}

TEST(AyChannelTest, PeriodsBecomeCountsOfOutputSamples) {
    struct Case {
        const char* what;
        AyChannelRecord record;
        int32_t outputRate;
        int32_t sourceRate;
        int32_t tone;
        int32_t noise;
        int32_t envelope;
    };
    const std::vector<Case> cases{
        {"period 1 at the source rate: one sample", {1, 0, 1, 1}, 48000, 48000, 1, 2, 16},
        {"an output slower than the chip: at least 1", {1, 0, 1, 1}, 16000, 219429, 1, 1, 1},
        {"rounded half up", {28, 0, 31, 0x10}, 48000, 219429, 6, 14, 56},
        {"the longest envelope at a slow chip stays within range",
         {4095, 0, 31, 65535},
         48000,
         1000,
         196560,
         2976,
         50330880},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        Chip ay(each.sourceRate);
        const auto payload = Payload(each.record);
        // The first replay counts the registers the chip's start put in force; the record then changes them.
        ay.channel().Render(nullptr, nullptr, 0, 0, 3000000, each.outputRate);
        ay.channel().Render(payload.data(), nullptr, 0, 0, 3000000, each.outputRate);
        EXPECT_EQ(ay.channel().TDCN, each.tone);
        EXPECT_EQ(ay.channel().NDCN, each.noise);
        EXPECT_EQ(ay.channel().ENCN, each.envelope);
        EXPECT_EQ(ay.channel().ENTO, each.envelope);
    }
}

// The two bytes of a tone period 10 cycles apart (under two samples) and 100000 cycles apart.
TEST(AyChannelTest, PeriodBytesCloserThanTwoSamplesAreHeardAsOneChange) {
    for (const uint64_t apart : {uint64_t{10}, uint64_t{100000}}) {
        SCOPED_TRACE(apart);
        Chip ay(48000);
        AyChannel& channel = ay.channel();
        const auto low = Payload({.CDPR = 0x1C, .CDNP = 1, .CDEP = 1, .CDTT = -1});
        const auto both = Payload({.CDPR = 0x11C, .CDNP = 1, .CDEP = 1, .CDTT = 1});
        channel.Render(low.data(), both.data(), 1000, 1000 + apart, 3000000, 48000);
        EXPECT_EQ(channel.TNSK, apart == 10);
        EXPECT_EQ(channel.TDCN, apart == 10 ? 0 : 0x1C) << "the low byte alone is never applied when deferred";
        channel.Render(both.data(), nullptr, 1000 + apart, 200000, 3000000, 48000);
        EXPECT_FALSE(channel.TNSK);
        EXPECT_EQ(channel.TDVA, 0x11C);
        EXPECT_EQ(channel.TDCN, 0x11C);
    }
    // Only one change in a row is deferred.
    Chip ay(48000);
    AyChannel& channel = ay.channel();
    channel.TNSK = true;
    const auto low = Payload({.CDPR = 0x1C, .CDTT = -1});
    const auto both = Payload({.CDPR = 0x11C, .CDTT = 1});
    channel.Render(low.data(), both.data(), 0, 1, 3000000, 48000);
    EXPECT_EQ(channel.TDCN, 0x1C);
}

// Tone off and noise off: the mixer's output stays 1, so the fixed volume or the envelope is heard throughout.
struct Steady : Chip {
    explicit Steady(bool yamaha = false) : Chip(48000, yamaha) {
        channel().OnRangeChanged(0, 65535);
        channel().Render(nullptr, nullptr, 0, 0, 3000000, 48000);
        const auto registers = Payload({.CDPR = 1000, .CDVL = 0x0F, .CDNP = 31, .CDEP = 1, .CDDS = 1, .CDND = 1});
        channel().Render(registers.data(), nullptr, 0, 0, 3000000, 48000);
        // The counters start at 0: the first sample sets them going.
        Fill(1);
    }
    Samples Fill(int32_t count) const {
        Samples samples(static_cast<size_t>(count), -1);
        channel().Fill(samples.data(), count);
        return samples;
    }
};

TEST(AyChannelTest, ASilencedChannelPlaysTheLowestLevelWhileItsGeneratorsRun) {
    struct Case {
        const char* what;
        bool mute;
        bool channelOn;
        bool soundOn;
        bool envelope;
        int32_t level;
    };
    const std::vector<Case> cases{
        {"heard", false, true, true, false, 65535},
        {"the shared port muted", true, true, true, false, 0},
        {"the channel disabled", false, false, true, false, 0},
        {"sound off", false, true, false, false, 0},
        {"the envelope, muted: its lowest step", true, true, true, true, 0},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        Steady ay;
        ay.chip->SetPortMuted(each.mute);
        ay.chip->SetSoundEnabled(each.soundOn);
        ay.channel().SetChannelEnabled(each.channelOn);
        if (each.envelope) {
            ay.channel().ENAC = 1;
            ay.channel().ENFL = ay.channel().ENTL = 15;
        }
        const int32_t left = ay.channel().TDTO;
        EXPECT_EQ(ay.Fill(10), Samples(10, each.level));
        EXPECT_EQ(ay.channel().TDTO, left - 10) << "the tone counter runs on";
    }
}

// With tone and noise off the level is filled at once: the generators count on as the sample loop counts them.
TEST(AyChannelTest, ASteadyLevelCountsTheGeneratorsAsTheSampleLoopDoes) {
    for (const auto& [tone, noise] : std::vector<std::pair<int32_t, int32_t>>{{3, 2}, {1, 1}, {7, 40}, {0, 5}}) {
        SCOPED_TRACE(std::to_string(tone) + "/" + std::to_string(noise));
        Steady fast;
        Steady looped;
        for (AyChannel* channel : {&fast.channel(), &looped.channel()}) {
            channel->TDCN = tone;
            channel->TDTO = 0;
            channel->NDCN = noise;
            channel->NDTO = 2;
        }
        // The envelope holding its step takes the sample loop; the fixed level the fast fill.
        looped.channel().ENAC = 1;
        looped.channel().ENCN = 0;
        for (const int32_t count : {1, 5, 960, 333}) {
            fast.Fill(count);
            looped.Fill(count);
            const auto state = [](const AyChannel& channel) {
                return std::vector<int32_t>{channel.TDTO, channel.TDVL, channel.NDTO, channel.NDVL, channel.NDML};
            };
            EXPECT_EQ(state(fast.channel()), state(looped.channel())) << count;
        }
    }
}

TEST(AyChannelTest, ToneHalfWavesLastTheirCountAndTheToneCanBeOff) {
    Steady ay;
    AyChannel& channel = ay.channel();
    channel.TDDI = 0;
    channel.TDCN = 3;
    channel.TDTO = 2;
    channel.TDVL = 1;
    EXPECT_EQ(ay.Fill(9), (Samples{65535, 65535, 0, 0, 0, 65535, 65535, 65535, 0}));
    channel.TDDI = 1;
    EXPECT_EQ(ay.Fill(4), Samples(4, 65535));
}

TEST(AyChannelTest, TheNoiseRegisterStepsAsSeventeenBitFeedback) {
    Steady ay;
    AyChannel& channel = ay.channel();
    channel.NDCN = 1;
    channel.NDTO = 1;
    channel.NDML = 1;
    channel.NDVL = 1;
    std::string bits;
    for (int32_t step = 0; step < 32; ++step) {
        ay.Fill(1);
        bits += static_cast<char>('0' + channel.NDVL);
    }
    EXPECT_EQ(bits, "00000000000000001000000000000001");

    // With the noise on the mixer hears it; "DisableNoise" takes it away while the register steps on.
    channel.NDDI = 0;
    channel.NDVL = 0;
    EXPECT_EQ(ay.Fill(1), Samples{0});
    bool disabled = true;
    channel.BindChipFlags(nullptr, nullptr, &disabled);
    const int32_t before = channel.NDML;
    EXPECT_EQ(ay.Fill(1), Samples{65535});
    EXPECT_NE(channel.NDML, before);
}

// The ramps of each shape as (first step, last step), for three ramps.
using Ramps = std::vector<std::pair<int32_t, int32_t>>;

Ramps RampsOf(Steady& ay, int32_t shape) {
    AyChannel& channel = ay.channel();
    const auto restart =
        Payload({.CDPR = 1000, .CDVL = 0x1F, .CDNP = 31, .CDEP = 1, .CDEM = -shape, .CDDS = 1, .CDND = 1});
    // A shape in force that no record carries, so that shape 0 restarts too.
    channel.ENVS = -1;
    channel.Render(restart.data(), nullptr, 0, 0, 3000000, 48000);
    EXPECT_EQ(channel.ENCN, 16);
    Ramps ramps;
    for (int32_t ramp = 0; ramp < 3; ++ramp) {
        ramps.emplace_back(channel.ENFL, channel.ENTL);
        // The ramp's first sample is its first step.
        EXPECT_EQ(ay.Fill(1)[0], channel.Level(16 + ramps.back().first));
        ay.Fill(channel.ENCN - 1);
    }
    return ramps;
}

TEST(AyChannelTest, EachShapeRampsAndHoldsAsItsName) {
    struct Case {
        int32_t shape;
        Ramps ay;
        Ramps ym;
    };
    const std::vector<Case> cases{
        {0, {{15, 0}, {0, 0}, {0, 0}}, {{31, 0}, {0, 0}, {0, 0}}},
        {4, {{0, 15}, {0, 0}, {0, 0}}, {{0, 31}, {0, 0}, {0, 0}}},
        {8, {{15, 0}, {15, 0}, {15, 0}}, {{31, 0}, {31, 0}, {31, 0}}},
        {10, {{15, 0}, {0, 15}, {15, 0}}, {{31, 0}, {0, 31}, {31, 0}}},
        {11, {{15, 0}, {15, 15}, {15, 15}}, {{31, 0}, {31, 31}, {31, 31}}},
        {12, {{0, 15}, {0, 15}, {0, 15}}, {{0, 31}, {0, 31}, {0, 31}}},
        {13, {{0, 15}, {15, 15}, {15, 15}}, {{0, 31}, {31, 31}, {31, 31}}},
        {14, {{0, 15}, {15, 0}, {0, 15}}, {{0, 31}, {31, 0}, {0, 31}}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(AyChannel::ShapeName(each.shape));
        Steady ay;
        EXPECT_EQ(RampsOf(ay, each.shape), each.ay);
        Steady ym(true);
        EXPECT_EQ(RampsOf(ym, each.shape), each.ym);
    }
}

// One sample a step more than the mask: the ramp climbs from the lowest step to the one below the top.
TEST(AyChannelTest, ARisingRampClimbsThroughTheStepsOfItsMask) {
    for (const bool yamaha : {false, true}) {
        Steady ay(yamaha);
        AyChannel& channel = ay.channel();
        const int32_t top = channel.TopStep();
        const auto rising =
            Payload({.CDPR = 1000, .CDVL = 0x1F, .CDNP = 31, .CDEP = 1, .CDEM = -12, .CDDS = 1, .CDND = 1});
        channel.Render(nullptr, nullptr, 0, 0, 3000000, (top + 1) * 3000);
        channel.Render(rising.data(), nullptr, 0, 0, 3000000, (top + 1) * 3000);
        ASSERT_EQ(channel.ENCN, top + 1);
        const Samples ramp = ay.Fill(channel.ENCN);
        EXPECT_EQ(ramp.front(), channel.Level(16));
        EXPECT_EQ(ramp.back(), channel.Level(16 + top - 1));
        EXPECT_TRUE(std::is_sorted(ramp.begin(), ramp.end()));
    }
}

TEST(AyChannelTest, CorruptEnvelopeCountersStillFillTheWholeBlock) {
    Steady ay;
    AyChannel& channel = ay.channel();
    channel.ENAC = 1;
    channel.ENCN = 0;
    channel.ENTO = 0;
    channel.ENFL = 7;
    EXPECT_EQ(ay.Fill(100), Samples(100, channel.Level(16 + 7))) << "no ramp length: the step holds";

    // No shape (a state with "ENSH" 16): at the ramp's end the envelope holds 0.
    Steady shapeless;
    AyChannel& held = shapeless.channel();
    const auto envelope =
        Payload({.CDPR = 1000, .CDVL = 0x1F, .CDNP = 31, .CDEP = 1, .CDEM = -12, .CDDS = 1, .CDND = 1});
    held.Render(envelope.data(), nullptr, 0, 0, 3000000, 48000);
    const Bytes saved = Archived(SavingOwnData(held));
    Bytes noShape = saved;
    const Bytes shapeRecord = I32Value("ENSH", 12);
    const auto at = std::search(noShape.begin(), noShape.end(), shapeRecord.begin(), shapeRecord.end());
    ASSERT_NE(at, noShape.end());
    *(at + static_cast<std::ptrdiff_t>(shapeRecord.size()) - 4) = 16;
    ASSERT_TRUE(ReadsWhole(noShape, LoadingOwnData(held)));
    EXPECT_EQ(held.ShapeNumber(), AyChannel::kNoShape);
    const Samples samples = shapeless.Fill(40);
    EXPECT_EQ(Samples(samples.begin() + 16, samples.end()), Samples(24, held.Level(16)));
}

// The channel's own state, value by value, as the tests change it.
struct GeneratorValues {
    bool TNSK = false;
    bool ENSK = true;
    std::array<int32_t, 32> fields{1, 2, 3, 4,  -5,  1,  0,  -1, 1,  7, 8, 9, 1,  0,    3,  6,
                                   5, 0, 1, 77, 100, 13, 40, 20, 15, 0, 2, 1, 14, 0x1F, 11, 12};
    uint8_t version = 0;
    int32_t levelBytes = 192;
};

constexpr std::array<const char*, 32> kNames{"CDPR", "CDVL", "CDNP", "CDEP", "CDEM", "CDDS", "CDND", "CDTT",
                                             "CDET", "TDVA", "TDCN", "TDTO", "TDVL", "TDDI", "NDVA", "NDCN",
                                             "NDTO", "NDVL", "NDDI", "NDML", "ENVP", "ENVS", "ENCN", "ENTO",
                                             "ENFL", "ENTL", "ENSP", "ENAC", "ENSH", "VDVA", "VDL0", "VDL1"};

size_t IndexOf(const std::string& name) {
    return static_cast<size_t>(std::find(kNames.begin(), kNames.end(), name) - kNames.begin());
}

Bytes GeneratorBytes(const GeneratorValues& values) {
    Bytes bytes =
        Concat({U8Value("VER", values.version), BoolValue("TNSK", values.TNSK), BoolValue("ENSK", values.ENSK)});
    for (size_t index = 0; index < kNames.size(); ++index) {
        bytes = Concat({bytes, I32Value(kNames[index], values.fields[index])});
    }
    Bytes levels(static_cast<size_t>(values.levelBytes));
    for (size_t index = 0; index < levels.size(); ++index) {
        levels[index] = static_cast<uint8_t>(index);
    }
    return Concat({bytes, BlobValue("LVLD", levels)});
}

Bytes ChannelState(const GeneratorValues& values) {
    ChannelChunk chunk;
    chunk.baseFrequency = AySoundChip::kDefaultSourceRate;
    return Concat({kDevicePart, ChannelChunkBytes(chunk), GeneratorBytes(values)});
}

TEST(AyChannelTest, StateRoundTripsAndRefusesCountersPositionsAndStepsOutOfRange) {
    AySoundChip source;
    const Bytes state = ChannelState({});
    ASSERT_TRUE(ReadsWhole(state, LoadingOwnData(*source.Channel(1))));
    EXPECT_EQ(Archived(SavingOwnData(*source.Channel(1))), state);
    EXPECT_EQ(source.Channel(1)->Current().CDEM, -5);
    EXPECT_EQ(source.Channel(1)->ShapeNumber(), 14);
    EXPECT_EQ(source.Channel(1)->Level(47), static_cast<int32_t>(0xBFBEBDBCu));

    const auto changed = [](const char* name, int32_t value) {
        GeneratorValues values;
        values.fields[IndexOf(name)] = value;
        return ChannelState(values);
    };
    GeneratorValues newer;
    newer.version = 1;
    GeneratorValues shortLevels;
    shortLevels.levelBytes = 188;
    const std::vector<std::pair<const char*, Bytes>> refused{
        {"ENSH 17", changed("ENSH", 17)},
        {"ENSH -1", changed("ENSH", -1)},
        {"ENSP 4", changed("ENSP", 4)},
        {"ENFL 32", changed("ENFL", 32)},
        {"ENTL -1", changed("ENTL", -1)},
        {"TDCN -1", changed("TDCN", -1)},
        {"NDCN -1", changed("NDCN", -1)},
        {"ENCN -1", changed("ENCN", -1)},
        {"TDTO -2", changed("TDTO", -2)},
        {"NDTO -3", changed("NDTO", -3)},
        {"ENTO -1", changed("ENTO", -1)},
        {"version 1", ChannelState(newer)},
        {"levels short", ChannelState(shortLevels)},
    };
    for (const auto& [what, bytes] : refused) {
        SCOPED_TRACE(what);
        AySoundChip target;
        AyChannel& channel = *target.Channel(0);
        channel.TDCN = 42;
        const Bytes before = Archived(SavingOwnData(channel));
        EXPECT_FALSE(ReadsWhole(bytes, LoadingOwnData(channel)));
        EXPECT_EQ(Archived(SavingOwnData(channel)), before);
    }
    AySoundChip accepting;
    EXPECT_TRUE(ReadsWhole(changed("ENSH", 16), LoadingOwnData(*accepting.Channel(0))));
    EXPECT_EQ(accepting.Channel(0)->ShapeNumber(), AyChannel::kNoShape);
}

} // namespace
} // namespace emu
