#include "emu/devices/SoundChannel.h"

#include "DeviceStateBytes.h"
#include "DeviceTestMachine.h"
#include "LevelChannel.h"
#include "common/BasicOptionNode.h"
#include "common/SettingsTree.h"
#include "emu/devices/SoundDevice.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Log = std::vector<std::string>;
using Samples = std::vector<int32_t>;

// A machine with one level channel, alone or in a sound device, playing 500 samples a second: ten a block.
struct ChannelMachine {
    explicit ChannelMachine(bool inDevice = false, bool withCpu = true) : machine(withCpu) {
        auto made = std::make_unique<LevelChannel>();
        channel = made.get();
        channel->hasRateRange = true;
        channel->rateLow = channel->rateHigh = 500;
        if (inDevice) {
            auto madeDevice = std::make_unique<SoundDevice>();
            device = madeDevice.get();
            device->AddChannel(std::move(made));
            machine.AddChild(std::move(madeDevice));
        } else {
            machine.AddChild(std::move(made));
        }
    }

    // Calls the channel's mixer as the bus's pump does and answers the block it rendered, which the output has
    // not converted yet (so the next call renders into the same one).
    Samples Pump(int32_t minSample = 0, int32_t maxSample = 255) {
        HostSoundOutput& output = *OutputEvent()->output;
        SoundChannel::OnSoundEvent(channel, nullptr, output.SamplesPerBlock(), minSample, maxSample, 50, nullptr);
        const int32_t* rendered = output.PendingAccumulator();
        return Samples(rendered, rendered + output.SamplesPerBlock());
    }
    const BusEvent* OutputEvent() const {
        const BusEvent* event = machine.Bus()->EventAt(0);
        return event != nullptr && event->kind == BusEvent::Kind::Output ? event : nullptr;
    }

    DeviceTestMachine machine;
    LevelChannel* channel = nullptr;
    SoundDevice* device = nullptr;
};

struct TimelineCase {
    const char* name;
    uint64_t renderStart;
    std::vector<std::pair<uint64_t, int32_t>> records;
    uint64_t now;
    Samples rendered;
    Log log;
    // The state the next block carries on.
    int32_t carried;
};

// Ten samples for 1000 cycles unless the case moves the start: one sample every 100 cycles.
const std::vector<TimelineCase> kTimelineCases{
    {"no records: one fill of the whole block", 0, {}, 1000, Samples(10, 0), {"fill 10"}, 0},
    {"a record is heard from its scaled offset",
     0,
     {{500, 7}},
     1000,
     {0, 0, 0, 0, 0, 7, 7, 7, 7, 7},
     {"fill 5", "7 @500..1000", "fill 5"},
     7},
    {"equal stamps: only the first moves the output",
     0,
     {{500, 7}, {500, 9}},
     1000,
     {0, 0, 0, 0, 0, 9, 9, 9, 9, 9},
     {"fill 5", "7 @500..500 +", "9 @500..1000", "fill 5"},
     9},
    {"records closer than a sample still move one sample each",
     0,
     {{500, 3}, {501, 4}, {502, 5}},
     1000,
     {0, 0, 0, 0, 0, 3, 4, 5, 5, 5},
     {"fill 5", "3 @500..501 +", "fill 1", "4 @501..502 +", "fill 1", "5 @502..1000", "fill 3"},
     5},
    {"a full block takes no more samples",
     0,
     {{990, 1}, {991, 2}, {992, 3}},
     1000,
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
     {"fill 9", "1 @990..991 +", "fill 1", "2 @991..992 +", "3 @992..1000"},
     3},
    {"a record before the render start moves the start back",
     600,
     {{100, 7}, {700, 9}},
     1100,
     {0, 7, 7, 7, 7, 7, 9, 9, 9, 9},
     {"fill 1", "7 @100..700 +", "fill 5", "9 @700..1100", "fill 4"},
     9},
    {"a record out of order ends the ring at its time",
     0,
     {{500, 7}, {300, 3}, {800, 9}},
     1000,
     {0, 0, 0, 0, 0, 7, 7, 7, 7, 7},
     {"fill 5", "7 @500..300", "fill 5"},
     7},
};

TEST(SoundChannelTest, RendersTheRecordedTimelineIntoTheAccumulator) {
    for (const TimelineCase& each : kTimelineCases) {
        SCOPED_TRACE(each.name);
        ChannelMachine test;
        ASSERT_TRUE(test.machine.PowerOn());
        test.machine.cpu->cycles = each.renderStart;
        test.Pump();
        test.channel->log.clear();
        for (const auto& [cycles, level] : each.records) {
            test.machine.cpu->cycles = cycles;
            ASSERT_TRUE(test.channel->RecordLevel(level));
        }
        test.machine.cpu->cycles = each.now;
        EXPECT_EQ(test.Pump(), each.rendered);
        EXPECT_EQ(test.channel->log, each.log);
        // Nothing is left for the next block, which carries on the final state.
        test.channel->log.clear();
        EXPECT_EQ(test.Pump(), Samples(10, each.carried));
        EXPECT_EQ(test.channel->log, Log{"fill 10"});
    }
}

TEST(SoundChannelTest, RefusesRecordsOfAnotherSizeAndRecordsNothingWhileStopped) {
    ChannelMachine test;
    const int16_t shortPayload = 5;
    EXPECT_TRUE(test.channel->RecordLevel(1)); // stopped: nothing stored
    ASSERT_TRUE(test.machine.PowerOn());
    EXPECT_FALSE(test.channel->Record(&shortPayload, sizeof shortPayload, 0));
    EXPECT_FALSE(test.channel->Record(nullptr, 4, 0));
    test.Pump();
    test.channel->log.clear();
    test.machine.cpu->cycles = 1000;
    test.Pump();
    EXPECT_EQ(test.channel->log, Log{"fill 10"});

    test.machine.Stop();
    EXPECT_TRUE(test.channel->IsStopped());
    EXPECT_TRUE(test.channel->RecordLevel(9));
    EXPECT_EQ(test.channel->log, Log{"fill 10"});
}

TEST(SoundChannelTest, WithoutAProcessorBlocksCarryTheCurrentState) {
    ChannelMachine test(false, false);
    ASSERT_TRUE(test.machine.PowerOn());
    test.channel->level = 40;
    EXPECT_TRUE(test.channel->RecordLevel(7));
    test.Pump();
    test.channel->log.clear();
    EXPECT_EQ(test.Pump(), Samples(10, 40));
    EXPECT_EQ(test.channel->log, Log{"fill 10"});
}

TEST(SoundChannelTest, ARangeChangeIsRenderedBeforeTheRecords) {
    ChannelMachine test;
    ASSERT_TRUE(test.machine.PowerOn());
    test.Pump();
    EXPECT_EQ(test.channel->log, (Log{"range", "fill 10"}));
    test.channel->log.clear();
    test.Pump(-32768, 32767);
    EXPECT_EQ(test.channel->log, (Log{"range", "fill 10"}));
    test.channel->log.clear();
    test.Pump(-32768, 32767);
    EXPECT_EQ(test.channel->log, Log{"fill 10"});
}

struct RateCase {
    const char* name;
    bool inDevice;
    int32_t soundFreq;
    bool hasRange;
    int32_t expectedRate;
};

TEST(SoundChannelTest, OpensItsOutputAtTheChosenRateWithinTheGeneratorsRange) {
    const std::vector<RateCase> cases{
        {"SoundFreq 0", true, 0, false, 48000},          {"SoundFreq 1", true, 1, false, 44100},
        {"SoundFreq 2", true, 2, false, 22050},          {"SoundFreq 3", true, 3, false, 16000},
        {"SoundFreq 9", true, 9, false, 48000},          {"no device", false, 0, false, 44100},
        {"48000 in 22050..44100", true, 0, true, 44100}, {"16000 in 22050..44100", true, 3, true, 22050},
    };
    for (const RateCase& each : cases) {
        SCOPED_TRACE(each.name);
        ChannelMachine test(each.inDevice);
        if (test.device != nullptr) {
            test.device->SetSoundFreq(each.soundFreq);
        }
        test.channel->hasRateRange = each.hasRange;
        test.channel->rateLow = 22050;
        test.channel->rateHigh = 44100;
        ASSERT_TRUE(test.machine.PowerOn());
        ASSERT_NE(test.OutputEvent(), nullptr);
        EXPECT_EQ(test.OutputEvent()->sampleRate, each.expectedRate);
        EXPECT_EQ(test.OutputEvent()->sampleBits, 8);
        EXPECT_EQ(test.OutputEvent()->output->SampleRate(), each.expectedRate);
    }
}

TEST(SoundChannelTest, SampleBitsAreEightOrSixteenAndFixedWhileRunning) {
    struct Case {
        int32_t bits;
        bool accepted;
        int32_t result;
    };
    for (const Case& each :
         {Case{5, true, 8}, Case{8, true, 8}, Case{12, true, 16}, Case{16, true, 16}, Case{24, false, 16}}) {
        SCOPED_TRACE(each.bits);
        LevelChannel channel;
        channel.SetSampleBits(16);
        EXPECT_EQ(channel.SetSampleBits(each.bits), each.accepted);
        EXPECT_EQ(channel.SampleBits(), each.result);
    }
    ChannelMachine test;
    ASSERT_TRUE(test.channel->SetSampleBits(16));
    ASSERT_TRUE(test.machine.PowerOn());
    EXPECT_FALSE(test.channel->SetSampleBits(8));
    EXPECT_EQ(test.OutputEvent()->sampleBits, 16);
}

TEST(SoundDeviceTest, AddsChannelsUnderNumberedNamesAndLinksThemToItsSettings) {
    SoundDevice device;
    device.SetBaseFrequency(1750000);
    auto first = std::make_unique<LevelChannel>();
    LevelChannel* firstChannel = first.get();
    device.AddChannel(std::move(first));
    device.AddChannel(std::make_unique<LevelChannel>(), "Left", "L");
    device.AddChannel(nullptr);
    ASSERT_EQ(device.ChannelCount(), 2);
    EXPECT_EQ(device.ChildAt(0)->Name().View(), "Sound Device CH0");
    EXPECT_EQ(device.ChildAt(0)->Tag().View(), "SND_CH0");
    EXPECT_EQ(device.ChildAt(1)->Name().View(), "Left");
    EXPECT_EQ(device.ChildAt(1)->Tag().View(), "L");
    EXPECT_EQ(firstChannel->BaseFrequency(), 1750000);

    EXPECT_TRUE(firstChannel->SoundEnabled());
    device.SetSoundEnabled(false);
    EXPECT_FALSE(firstChannel->SoundEnabled());
    device.SetSoundEnabled(true);
    firstChannel->SetChannelEnabled(false);
    EXPECT_FALSE(firstChannel->SoundEnabled());

    EXPECT_FALSE(device.SetBaseFrequency(0));
    EXPECT_TRUE(device.SetBaseFrequency(1000000));
    EXPECT_EQ(device.BaseFrequency(), 1000000);
    EXPECT_EQ(device.ChannelAt(1)->BaseFrequency(), 1000000);
    EXPECT_FALSE(device.IsBroken());
}

TEST(SoundDeviceTest, AChannelTheTreeRefusesBreaksTheDeviceAndAddingWhileRunningDoesNothing) {
    DeviceTestMachine machine;
    auto made = std::make_unique<SoundDevice>();
    SoundDevice* device = made.get();
    machine.AddChild(std::move(made));
    device->AddChannel(std::make_unique<LevelChannel>(), "Left", "L");
    device->AddChannel(std::make_unique<LevelChannel>(), "Left", "R");
    EXPECT_EQ(device->ChannelCount(), 1);
    EXPECT_TRUE(device->IsBroken());
    EXPECT_FALSE(machine.PowerOn());
    machine.Stop();

    DeviceTestMachine healthy;
    made = std::make_unique<SoundDevice>();
    device = made.get();
    healthy.AddChild(std::move(made));
    device->AddChannel(std::make_unique<LevelChannel>());
    ASSERT_TRUE(healthy.PowerOn());
    device->AddChannel(std::make_unique<LevelChannel>());
    EXPECT_EQ(device->ChannelCount(), 1);
    EXPECT_EQ(device->ChildCount(), 1);
}

TEST(SoundDeviceTest, ResetPutsAnUnknownRateBackToTheFirst) {
    struct Case {
        int32_t soundFreq;
        bool result;
        int32_t after;
    };
    for (const Case& each : {Case{0, true, 0}, Case{3, true, 3}, Case{4, false, 0}, Case{-1, false, 0}}) {
        SCOPED_TRACE(each.soundFreq);
        SoundDevice device;
        device.SetSoundFreq(each.soundFreq);
        EXPECT_EQ(device.Reset(false), each.result);
        EXPECT_EQ(device.SoundFreq(), each.after);
    }
}

TEST(SoundDeviceTest, BindsItsSettingsAndItsChannels) {
    SoundDevice device;
    device.AddChannel(std::make_unique<LevelChannel>());
    common::SettingsTree settings;
    ASSERT_TRUE(device.BuildSettingsSections(&settings, false));
    EXPECT_NE(settings.FindValue(common::NarrowString("EnableSound")), nullptr);
    EXPECT_NE(settings.FindValue(common::NarrowString("SoundFreq")), nullptr);
    const common::SettingsTree* channel = settings.FindSection(common::NarrowString("Sound Device CH0"));
    ASSERT_NE(channel, nullptr);
    EXPECT_NE(channel->FindValue(common::NarrowString("EnableChannel")), nullptr);
    common::SettingsTree enabledOnly;
    ASSERT_TRUE(device.BuildSettingsSections(&enabledOnly, true));
    EXPECT_EQ(enabledOnly.FindValue(common::NarrowString("EnableSound")), nullptr);
}

// A chip that plays only 22050..44100 Hz.
class NarrowChip : public SoundDevice {
public:
    bool GetRateRange(int32_t& low, int32_t& high) override {
        low = 22050;
        high = 44100;
        return true;
    }
};

std::vector<int32_t> TextIds(const common::OptionNode& menu) {
    std::vector<int32_t> ids;
    for (int32_t index = 0; index < menu.ChildCount(); ++index) {
        ids.push_back(menu.ChildAt(index)->IsSeparator() ? 0 : menu.ChildAt(index)->TextId());
    }
    return ids;
}

TEST(SoundDeviceTest, BuildsTheSoundMenu) {
    NarrowChip chip;
    common::BasicOptionNode other;
    chip.FillSettingsTree(&other, OptionKind::Video);
    EXPECT_EQ(other.ChildCount(), 0);

    common::BasicOptionNode oneChannel;
    chip.AddChannel(std::make_unique<LevelChannel>());
    chip.FillSettingsTree(&oneChannel, OptionKind::Sound);
    ASSERT_EQ(oneChannel.ChildCount(), 1);
    EXPECT_EQ(TextIds(*oneChannel.ChildAt(0)), (std::vector<int32_t>{69, 0, 85, 86}));

    chip.AddChannel(std::make_unique<LevelChannel>());
    common::BasicOptionNode menu;
    chip.FillSettingsTree(&menu, OptionKind::Sound);
    ASSERT_EQ(menu.ChildCount(), 1);
    common::OptionNode* sound = menu.ChildAt(0);
    EXPECT_STREQ(sound->Text().GetNarrow(), "Sound Device");
    EXPECT_EQ(TextIds(*sound), (std::vector<int32_t>{69, 0, 85, 86, 0, 64, 65}));
    // The rate follows the radio items; the channel switches follow the sound switch.
    EXPECT_TRUE(sound->ChildAt(3)->Activate());
    EXPECT_EQ(chip.SoundFreq(), 2);
    EXPECT_TRUE(sound->ChildAt(6)->IsEnabled());
    EXPECT_TRUE(sound->ChildAt(0)->Activate());
    EXPECT_FALSE(chip.SoundEnabled());
    EXPECT_FALSE(sound->ChildAt(6)->IsEnabled());

    common::BasicOptionNode unlimited;
    SoundDevice plain;
    plain.FillSettingsTree(&unlimited, OptionKind::Sound);
    EXPECT_EQ(TextIds(*unlimited.ChildAt(0)), (std::vector<int32_t>{69, 0, 84, 85, 86, 87}));
}

TEST(SoundDeviceTest, ItsChunkHoldsTheBaseFrequencyWhichALoadMustFindUnchanged) {
    SoundDevice device;
    device.SetBaseFrequency(1750000);
    const Bytes saved = Archived(SavingOwnData(device));
    EXPECT_EQ(saved, Concat({kDevicePart, ChunkBegin("_SNDD"), U8Value("VER", 0), I32Value("BFRQ", 1750000),
                             ChunkEnd("_SNDD")}));
    SoundDevice same;
    same.SetBaseFrequency(1750000);
    EXPECT_TRUE(ReadsWhole(saved, LoadingOwnData(same)));
    SoundDevice other;
    other.SetBaseFrequency(1000000);
    EXPECT_FALSE(ReadsWhole(saved, LoadingOwnData(other)));
    EXPECT_EQ(other.BaseFrequency(), 1000000);
}

} // namespace
} // namespace emu
