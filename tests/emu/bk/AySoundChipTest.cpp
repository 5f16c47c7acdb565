// The AY chip: its registers after start, the decoding of DATA writes into its channels' records and trace lines,
// its clock, its settings and menus, its state, and its blocks reaching the machine's sound outputs.
#include "emu/bk/AySoundChip.h"

#include "AyMachine.h"
#include "common/BasicOptionNode.h"
#include "common/SettingsTree.h"
#include "emu/devices/DeviceStateBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

// The chip at the source rate of the BK-0011M's default clock.
constexpr int32_t kSourceRate = 219429;

struct TracedAy : AyMachine {
    explicit TracedAy(bool yamaha = false) : AyMachine(kSourceRate, yamaha) { SetSwitch("TraceWriteDATA", true); }

    void SetSwitch(const char* key, bool on) {
        common::SettingsTree settings;
        ASSERT_TRUE(chip->ExchangeSettings(&settings, false));
        ASSERT_TRUE(settings.FindValue(common::NarrowString(key))->SetBool(on));
    }
    void Write(int32_t reg, uint8_t value) {
        chip->WriteIndex(static_cast<uint8_t>(reg));
        chip->WriteData(value);
    }
    // The channels that recorded since the last call, as their letters.
    std::string Recorded() {
        std::string letters;
        for (int32_t index = 0; index < AySoundChip::kChannelCount; ++index) {
            if (Channel(index).PendingRecords() != recorded[static_cast<size_t>(index)]) {
                letters += static_cast<char>('A' + index);
                recorded[static_cast<size_t>(index)] = Channel(index).PendingRecords();
            }
        }
        return letters;
    }

    std::array<int32_t, 3> recorded{};
};

TEST(AySoundChipTest, StartsWithTheMixerOffAndEveryPeriodOne) {
    AyMachine ay;
    for (int32_t reg = 0; reg < AySoundChip::kRegisterCount; ++reg) {
        EXPECT_EQ(ay.chip->RegisterValue(reg), reg == AySoundChip::kMixer ? 0xFF : 0) << reg;
    }
    EXPECT_EQ(ay.chip->SelectedRegister(), 0);
    EXPECT_TRUE(ay.chip->DataWritten());
    for (int32_t index = 0; index < AySoundChip::kChannelCount; ++index) {
        SCOPED_TRACE(index);
        const AyChannel& channel = ay.Channel(index);
        const AyChannelRecord& current = channel.Current();
        EXPECT_EQ(std::vector<int32_t>({current.CDPR, current.CDNP, current.CDEP, current.CDEM, current.CDVL,
                                        current.CDDS, current.CDND}),
                  std::vector<int32_t>({1, 1, 1, 0, 0, 1, 1}));
        EXPECT_EQ(std::vector<int32_t>({channel.TDVA, channel.NDVA, channel.ENVP, channel.ENVS, channel.VDVA,
                                        channel.TDDI, channel.NDDI}),
                  std::vector<int32_t>({1, 1, 1, 0, 0, 1, 1}));
        EXPECT_EQ(channel.PendingRecords(), 0);
        EXPECT_EQ(channel.NDML, 1);
        EXPECT_EQ(channel.TopStep(), 15);
    }
    EXPECT_EQ(AyMachine(48000, true).Channel(2).TopStep(), 31);
}

TEST(AySoundChipTest, DataWritesAreDecodedIntoTheChannelsAndTraced) {
    struct Case {
        int32_t reg;
        uint8_t value;
        const char* trace;
        const char* recorded;
    };
    const std::vector<Case> cases{
        {0, 0x1C, "=>DATA[0] = 1Ch (channel A, period 001Ch, frequency=~7836, bits 0..7)", "A"},
        {1, 0x01, "=>DATA[1] = 01h (channel A, period 0100h, frequency=~857, bits 8..11)", "A"},
        {3, 0x00, "=>DATA[3] = 00h (channel B, period 0001h, frequency=~219429, bits 8..11)", ""},
        {5, 0x1F, "=>DATA[5] = 1Fh (channel C, period 0F00h, frequency=~57, bits 8..11)", "C"},
        {6, 0x25, "=>DATA[6] = 25h (noise, period 0005h, frequency=~43885)", "ABC"},
        {6, 0x00, "=>DATA[6] = 00h (noise, period 0001h, frequency=~219429)", ""},
        {7, 0x38, "=>DATA[7] = 38h (channels ABC, noise abc, ports >A,>B)", "ABC"},
        {7, 0xFF, "=>DATA[7] = FFh (channels abc, noise abc, ports <A,<B)", ""},
        {7, 0x7E, "=>DATA[7] = 7Eh (channels Abc, noise abc, ports <A,>B)", "A"},
        {8, 0x1F, "=>DATA[8] = 1Fh (channel A, volume 15/15, with envelope)", "A"},
        {10, 0x00, "=>DATA[10] = 00h (channel C, volume 0/15, no envelope)", "C"},
        {11, 0x10, "=>DATA[11] = 10h (envelope, period 0010h, frequency=~857, bits 0..7)", "ABC"},
        {12, 0x01, "=>DATA[12] = 01h (envelope, period 0100h, frequency=53, bits 8..15)", "ABC"},
        {13, 0x0E, "=>DATA[13] = 0Eh (envelope, shape /\\/\\)", "ABC"},
        {13, 0x00, "=>DATA[13] = 00h (envelope, shape \\___)", ""},
        {13, 0x18, "=>DATA[13] = 18h (envelope, shape \\\\\\\\)", "ABC"},
        {14, 0x55, "=>DATA = 55h (I/O Port A, <output mode)", ""},
        {15, 0xAA, "=>DATA = AAh (I/O Port B, <output mode)", ""},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.trace);
        TracedAy ay;
        ay.Write(each.reg, each.value);
        EXPECT_EQ(ay.Lines(), std::vector<std::string>{std::string("[AY-3] ") + each.trace});
        EXPECT_EQ(ay.Recorded(), each.recorded);
        EXPECT_EQ(ay.chip->RegisterValue(each.reg), each.value);
        EXPECT_TRUE(ay.chip->DataWritten());
    }
}

TEST(AySoundChipTest, AsAYm2149TheEnvelopeTracesShowItsFasterSteps) {
    TracedAy ay(true);
    ay.Write(11, 0x10);
    ay.Write(12, 0x01);
    ay.Write(11, 0x10);
    EXPECT_EQ(ay.Lines(), (std::vector<std::string>{
                              "[AY-3] =>DATA[11] = 10h (envelope, period 0010h, frequency=~1714, bits 0..7)",
                              "[AY-3] =>DATA[12] = 01h (envelope, period 0110h, frequency=806, bits 8..15)",
                              "[AY-3] =>DATA[11] = 10h (envelope, period 0110h, frequency=~100, bits 0..7)",
                          }));
}

TEST(AySoundChipTest, IndexWritesSelectTheLowFourBits) {
    TracedAy ay;
    ay.SetSwitch("TraceWriteINDEX", true);
    ay.chip->WriteIndex(0x1F);
    EXPECT_EQ(ay.Lines(), std::vector<std::string>{"[AY-3] =>INDEX = 1Fh (register index 15)"});
    EXPECT_EQ(ay.chip->SelectedRegister(), 15);
    EXPECT_FALSE(ay.chip->DataWritten());
}

TEST(AySoundChipTest, RepeatedValuesRecordNothingButVolumesAndShapes) {
    TracedAy ay;
    const std::vector<std::pair<std::pair<int32_t, uint8_t>, const char*>> writes{
        {{0, 0x1C}, "A"}, {{0, 0x1C}, ""},  {{6, 3}, "ABC"},  {{6, 0x23}, ""},  {{7, 0x3E}, "A"},
        {{7, 0x3E}, ""},  {{8, 5}, "A"},    {{8, 5}, "A"},    {{11, 7}, "ABC"}, {{11, 7}, ""},
        {{13, 5}, "ABC"}, {{13, 5}, "ABC"}, {{13, 0}, "ABC"}, {{13, 0}, ""},
    };
    for (const auto& [write, recorded] : writes) {
        SCOPED_TRACE(std::to_string(write.first) + " <- " + std::to_string(write.second));
        ay.Write(write.first, write.second);
        EXPECT_EQ(ay.Recorded(), recorded);
    }
    // The shape's record carries it negated; afterwards the channel holds it as it is.
    EXPECT_EQ(ay.Channel(1).Current().CDEM, 0);
}

TEST(AySoundChipTest, ZeroInBothHalvesOfATonePeriodIsPeriodOne) {
    TracedAy ay;
    ay.Write(2, 0x34);
    ay.Write(3, 0x02);
    EXPECT_EQ(ay.Channel(1).Current().CDPR, 0x234);
    ay.Write(2, 0);
    ay.Write(3, 0);
    EXPECT_EQ(ay.Channel(1).Current().CDPR, 1);
    EXPECT_EQ(ay.Lines().back(), "[AY-3] =>DATA[3] = 00h (channel B, period 0001h, frequency=~219429, bits 8..11)");
}

TEST(AySoundChipTest, AWriteThatBreaksChangesNothing) {
    for (const char* key : {"BreakWriteDATA", "BreakWriteREG[0]"}) {
        SCOPED_TRACE(key);
        TracedAy ay;
        ay.machine.SetHostCallback(
            [](void*, uint8_t* request, uint8_t* show, int32_t) -> int32_t {
                *show = 1;
                return *request;
            },
            nullptr);
        ay.SetSwitch(key, true);
        ay.chip->WriteIndex(0);
        ay.chip->WriteData(0x1C);
        EXPECT_EQ(ay.chip->RegisterValue(0), 0);
        EXPECT_FALSE(ay.chip->DataWritten());
        EXPECT_EQ(ay.Recorded(), "");
        EXPECT_EQ(ay.Lines(),
                  std::vector<std::string>{
                      "[AY-3 BREAK] =>DATA[0] = 1Ch (channel A, period 001Ch, frequency=~7836, bits 0..7)"});
    }
    TracedAy ay;
    ay.machine.SetHostCallback([](void*, uint8_t* request, uint8_t*, int32_t) -> int32_t { return *request; }, nullptr);
    ay.SetSwitch("BreakWriteINDEX", true);
    ay.chip->WriteIndex(5);
    EXPECT_EQ(ay.chip->SelectedRegister(), 0);
    EXPECT_TRUE(ay.chip->DataWritten());
}

TEST(AySoundChipTest, TheSourceRateIsASixteenthOfTwiceTheClock) {
    AySoundChip chip;
    EXPECT_EQ(chip.BaseFrequency(), AySoundChip::kDefaultSourceRate);
    for (const auto& [twiceClock, sourceRate] : std::vector<std::pair<int32_t, int32_t>>{
             {3510858, 219429}, {3000000, 187500}, {3428572, 214286}, {3555554, 222222}, {8, 1}}) {
        SCOPED_TRACE(twiceClock);
        EXPECT_TRUE(chip.SetBaseFrequency(twiceClock));
        EXPECT_EQ(chip.BaseFrequency(), sourceRate);
        EXPECT_EQ(chip.Channel(2)->BaseFrequency(), sourceRate);
    }
    EXPECT_FALSE(chip.SetBaseFrequency(7));
    EXPECT_FALSE(chip.SetBaseFrequency(-100));
    EXPECT_EQ(chip.BaseFrequency(), 1);
}

TEST(AySoundChipTest, PortWritesReachAHandlerOnlyInOutputMode) {
    TracedAy ay;
    std::vector<int32_t> written;
    ay.chip->SetPortWriteHandler(
        1, [](void* context, uint8_t value) { static_cast<std::vector<int32_t>*>(context)->push_back(value); },
        &written);
    ay.Write(15, 0x12);
    ay.Write(14, 0x34);
    ay.Write(7, 0x7F);
    ay.Write(15, 0x56);
    EXPECT_EQ(written, std::vector<int32_t>{0x12});
    EXPECT_EQ(ay.Lines().back(), "[AY-3] =>DATA = 56h (I/O Port B, >input mode)");
}

TEST(AySoundChipTest, ToneBlocksReachTheChannelsOutput) {
    AyMachine ay;
    ay.machine.Run(DeviceTestMachine::kTicksPerBlock);
    for (const auto& [reg, value] : std::vector<std::pair<uint8_t, uint8_t>>{{0, 10}, {7, 0x3E}, {8, 0x0F}}) {
        ay.chip->WriteIndex(reg);
        ay.chip->WriteData(value);
    }
    ay.machine.Run(3 * DeviceTestMachine::kTicksPerBlock);
    const std::vector<std::vector<uint8_t>> played = ay.machine.Played(0);
    ASSERT_GE(played.size(), 2u);
    const std::vector<uint8_t>& block = played.back();
    ASSERT_EQ(block.size(), 960u);
    // A square wave of ten samples a half, at the lowest and highest levels.
    size_t first = 0;
    while (first < block.size() && block[first] == block[0]) {
        ++first;
    }
    ASSERT_LE(first, 10u);
    for (size_t index = first; index < block.size(); ++index) {
        EXPECT_EQ(block[index], ((index - first) / 10) % 2 == 0 ? block[first] : 255 - block[first]) << index;
    }
    EXPECT_TRUE(block[first] == 0 || block[first] == 255);
    // Channel B stayed silent.
    EXPECT_EQ(ay.machine.Played(1).back(), std::vector<uint8_t>(960, 0));
}

TEST(AySoundChipTest, SettingsAndMenus) {
    AySoundChip chip;
    common::SettingsTree only;
    ASSERT_TRUE(chip.ExchangeSettings(&only, true));
    EXPECT_NE(only.FindValue(common::NarrowString("YamahaMode")), nullptr);
    EXPECT_EQ(only.FindValue(common::NarrowString("DisableNoise")), nullptr);
    common::SettingsTree all;
    ASSERT_TRUE(chip.ExchangeSettings(&all, false));
    for (const char* key : {"YamahaMode", "DisableNoise", "TraceWriteINDEX", "BreakWriteINDEX", "TraceWriteDATA",
                            "BreakWriteDATA", "TraceReadDATA", "BreakReadDATA", "TraceWriteREG[0]", "BreakWriteREG[15]",
                            "TraceReadREG[7]", "BreakReadREG[15]", "EnableSound", "SoundFreq"}) {
        EXPECT_NE(all.FindValue(common::NarrowString(key)), nullptr) << key;
    }

    common::BasicOptionNode sound;
    sound.SetTextLookup([](int32_t id) { return common::WideString(std::to_string(id).c_str()); });
    chip.FillSettingsTree(&sound, OptionKind::Sound);
    ASSERT_EQ(sound.ChildCount(), 1);
    const common::OptionNode& menu = *sound.ChildAt(0);
    EXPECT_EQ(menu.Text().GetNarrow(), std::string("PSG AY-3-891X"));
    const int32_t last = menu.ChildCount() - 1;
    EXPECT_EQ(menu.ChildAt(last - 2)->Text().GetNarrow(), std::string("70"));
    EXPECT_TRUE(menu.ChildAt(last - 1)->IsSeparator());
    EXPECT_EQ(menu.ChildAt(last)->Text().GetNarrow(), std::string("71"));
    EXPECT_TRUE(menu.ChildAt(last - 2)->IsChecked()) << "noise on";
    EXPECT_FALSE(menu.ChildAt(last)->IsChecked());
    EXPECT_TRUE(menu.ChildAt(last)->IsEnabled()) << "the mode is chosen while stopped";

    common::BasicOptionNode trace;
    chip.FillSettingsTree(&trace, OptionKind::Trace);
    std::vector<std::string> captions;
    for (int32_t index = 0; index < trace.ChildCount(); ++index) {
        captions.push_back(trace.ChildAt(index)->IsSeparator() ? "-" : trace.ChildAt(index)->Text().GetNarrow());
    }
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Trace Write Registers", "Trace Read Registers", "Trace Ports", "Trace All",
                                        "-", "Break On Write Registers", "Break On Read Registers", "Break On Ports",
                                        "Break On All", "-", "Select All", "Clear All"}));
    EXPECT_EQ(trace.ChildAt(0)->ChildAt(10)->Text().GetNarrow(),
              std::string("A - Channel C Volume (bits 0..4, bit 5-envelope)"));
    ASSERT_TRUE(trace.ChildAt(3)->Activate());
    for (const auto& [key, on] : std::vector<std::pair<const char*, bool>>{{"TraceReadREG[7]", true},
                                                                           {"TraceWriteINDEX", true},
                                                                           {"TraceReadDATA", true},
                                                                           {"BreakWriteDATA", false}}) {
        bool flag = !on;
        EXPECT_TRUE(all.FindValue(common::NarrowString(key))->GetBool(flag));
        EXPECT_EQ(flag, on) << key;
    }
}

// The chip's own records after the sound device's.
Bytes ChipState(int32_t selected, uint8_t version = 0, int32_t registerBytes = 16) {
    Bytes registers(static_cast<size_t>(registerBytes));
    for (size_t index = 0; index < registers.size(); ++index) {
        registers[index] = static_cast<uint8_t>(0x10 + index);
    }
    return Concat({kDevicePart, ChunkBegin("_SNDD"), U8Value("VER", 0),
                   I32Value("BFRQ", AySoundChip::kDefaultSourceRate), ChunkEnd("_SNDD"), U8Value("VER", version),
                   I32Value("REGI", selected), BlobValue("REGD", registers), BoolValue("WDAI", false)});
}

TEST(AySoundChipTest, StateRoundTripsAndRefusesABadRegisterIndex) {
    AySoundChip chip;
    ASSERT_TRUE(ReadsWhole(ChipState(13), LoadingOwnData(chip)));
    EXPECT_EQ(chip.SelectedRegister(), 13);
    EXPECT_EQ(chip.RegisterValue(15), 0x1F);
    EXPECT_FALSE(chip.DataWritten());
    EXPECT_EQ(Archived(SavingOwnData(chip)), ChipState(13));

    const std::vector<std::pair<const char*, Bytes>> refused{
        {"REGI -1", ChipState(-1)},
        {"REGI 16", ChipState(16)},
        {"version 1", ChipState(3, 1)},
        {"15 registers", ChipState(3, 0, 15)},
    };
    for (const auto& [what, bytes] : refused) {
        SCOPED_TRACE(what);
        AySoundChip untouched;
        const Bytes before = Archived(SavingOwnData(untouched));
        EXPECT_FALSE(ReadsWhole(bytes, LoadingOwnData(untouched)));
        EXPECT_EQ(Archived(SavingOwnData(untouched)), before);
    }
}

} // namespace
} // namespace emu
