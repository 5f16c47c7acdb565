#include "emu/bk/AySoundChip.h"

#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/bk/AyChannel.h"
#include "emu/bk/TraceMenu.h"
#include "emu/core/StateChunk.h"
#include "emu/core/UiTextId.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace emu {

namespace {

constexpr uint8_t kMixerPowerOn = 0xFF;
constexpr const char* kChannelLetters = "AABBCC";

// The registers' menu texts.
constexpr std::array<const char*, AySoundChip::kRegisterCount> kRegisterTexts{
    "0 - Channel A Tone Period (bits 0..7)",
    "1 - Channel A Tone Period (bits 8..11)",
    "2 - Channel B Tone Period (bits 0..7)",
    "3 - Channel B Tone Period (bits 8..11)",
    "4 - Channel C Tone Period (bits 0..7)",
    "5 - Channel C Tone Period (bits 8..11)",
    "6 - Noise Period (bits 0..4)",
    "7 - Mixer (tones+noise on/off), Ports In/Out",
    "8 - Channel A Volume (bits 0..4, bit 5-envelope)",
    "9 - Channel B Volume (bits 0..4, bit 5-envelope)",
    "A - Channel C Volume (bits 0..4, bit 5-envelope)",
    "B - Envelope Period (bits 0..7)",
    "C - Envelope Period (bits 8..15)",
    "D - Envelope Shape/Cycle (bits 0..3)",
    "E - I/O Port A",
    "F - I/O Port B",
};

// A period of 0 counts as 1.
int32_t Period(int32_t value) {
    return value == 0 ? 1 : value;
}

int32_t TonePeriod(const std::array<uint8_t, AySoundChip::kRegisterCount>& r, int32_t channel) {
    const auto low = static_cast<size_t>(2 * channel);
    return Period((r[low + 1] & 0x0F) << 8 | r[low]);
}

int32_t NoisePeriod(const std::array<uint8_t, AySoundChip::kRegisterCount>& r) {
    return Period(r[AySoundChip::kNoisePeriod] & 0x1F);
}

int32_t EnvelopePeriod(const std::array<uint8_t, AySoundChip::kRegisterCount>& r) {
    return Period(r[AySoundChip::kEnvelopeHigh] << 8 | r[AySoundChip::kEnvelopeLow]);
}

// A mixer letter: upper case while its bit (tone or noise off) is clear.
char MixerLetter(uint8_t mixer, int32_t bit) {
    const char letter = static_cast<char>('A' + bit % 3);
    return (mixer >> bit & 1) == 0 ? letter : static_cast<char>(letter - 'A' + 'a');
}

char PortDirection(uint8_t mixer, int32_t bit) {
    return (mixer >> bit & 1) != 0 ? '<' : '>';
}

} // namespace

AySoundChip::AySoundChip() : SoundDevice("PSG AY-3-891X", "AY-3") {
    for (int32_t index = 0; index < kChannelCount; ++index) {
        auto channel = std::make_unique<AyChannel>();
        channel->BindChipFlags(&yamahaMode, &portMute, &disableNoise);
        AddChannel(std::move(channel));
    }
    for (int32_t index = 0; index < kChannelCount; ++index) {
        channels[static_cast<size_t>(index)] = dynamic_cast<AyChannel*>(ChannelAt(index));
    }
    SoundDevice::SetBaseFrequency(kDefaultSourceRate);
}

AySoundChip::~AySoundChip() = default;

AyChannel* AySoundChip::Channel(int32_t index) const {
    return index >= 0 && index < kChannelCount ? channels[static_cast<size_t>(index)] : nullptr;
}

bool AySoundChip::SetBaseFrequency(int32_t hz) {
    const double sixteenth = hz * 0.0625;
    const double rate = sixteenth >= 0 ? std::floor(sixteenth + 0.5) : std::ceil(sixteenth - 0.5);
    return SoundDevice::SetBaseFrequency(static_cast<int32_t>(rate));
}

void AySoundChip::SetPortWriteHandler(int32_t port, PortWriteHandler handler, void* context) {
    if (port == 0 || port == 1) {
        portWriteHandlers[static_cast<size_t>(port)] = handler;
        portContexts[static_cast<size_t>(port)] = context;
    }
}

AyChannelRecord AySoundChip::Decode(int32_t channel) const {
    const uint8_t mixer = registers[kMixer];
    AyChannelRecord record;
    record.CDPR = TonePeriod(registers, channel);
    record.CDVL = registers[static_cast<size_t>(kVolumeA + channel)] & 0x1F;
    record.CDNP = NoisePeriod(registers);
    record.CDEP = EnvelopePeriod(registers);
    record.CDEM = registers[kEnvelopeShape] & 0x0F;
    record.CDDS = mixer >> channel & 1;
    record.CDND = mixer >> (channel + 3) & 1;
    return record;
}

// ---- Register writes

void AySoundChip::WriteIndex(uint8_t value) {
    if (TraceEventBreak(traceWriteIndex, breakWriteIndex, false, "=>INDEX = %.2lXh (register index %ld)", value,
                        value & 0x0F) != 0) {
        return;
    }
    selectedRegister = value & 0x0F;
    dataWritten = false;
}

bool AySoundChip::TraceData(int32_t r, uint8_t value) {
    const auto index = static_cast<size_t>(r);
    const bool traceOn = traceWriteData || traceWriteReg[index];
    const bool breakOn = breakWriteData || breakWriteReg[index];
    std::array<uint8_t, kRegisterCount> after = registers;
    after[index] = value;
    const int64_t sourceRate = BaseFrequency();
    const uint8_t mixer = registers[kMixer];
    uint8_t answer = 0;
    switch (r) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5: {
        const int32_t period = TonePeriod(after, r / 2);
        answer =
            TraceEventBreak(traceOn, breakOn, false,
                            r % 2 == 0 ? "=>DATA[%ld] = %.2lXh (channel %c, period %.4lXh, frequency=~%ld, bits 0..7)"
                                       : "=>DATA[%ld] = %.2lXh (channel %c, period %.4lXh, frequency=~%ld, bits 8..11)",
                            r, value, kChannelLetters[r], period, sourceRate / period);
        break;
    }
    case kNoisePeriod: {
        const int32_t period = NoisePeriod(after);
        answer = TraceEventBreak(traceOn, breakOn, false, "=>DATA[%ld] = %.2lXh (noise, period %.4lXh, frequency=~%ld)",
                                 r, value, period, sourceRate / period);
        break;
    }
    case kMixer:
        answer = TraceEventBreak(
            traceOn, breakOn, false, "=>DATA[%ld] = %.2lXh (channels %c%c%c, noise %c%c%c, ports %cA,%cB)", r, value,
            MixerLetter(value, 0), MixerLetter(value, 1), MixerLetter(value, 2), MixerLetter(value, 3),
            MixerLetter(value, 4), MixerLetter(value, 5), PortDirection(value, 6), PortDirection(value, 7));
        break;
    case kVolumeA:
    case kVolumeA + 1:
    case kVolumeA + 2:
        answer = TraceEventBreak(
            traceOn, breakOn, false, "=>DATA[%ld] = %.2lXh (channel %c, volume %ld/15, %s envelope)", r, value,
            kChannelLetters[2 * (r - kVolumeA)], value & 0x0F, (value & 0x10) != 0 ? "with" : "no");
        break;
    case kEnvelopeLow: {
        const int64_t period = EnvelopePeriod(after);
        answer = TraceEventBreak(traceOn, breakOn, false,
                                 "=>DATA[%ld] = %.2lXh (envelope, period %.4lXh, frequency=~%ld, bits 0..7)", r, value,
                                 period, sourceRate / (period * (yamahaMode ? 8 : 16)));
        break;
    }
    case kEnvelopeHigh: {
        const int64_t period = EnvelopePeriod(after);
        answer = TraceEventBreak(traceOn, breakOn, false,
                                 "=>DATA[%ld] = %.2lXh (envelope, period %.4lXh, frequency=%ld, bits 8..15)", r, value,
                                 period, sourceRate / (period * (yamahaMode ? 1 : 16)));
        break;
    }
    case kEnvelopeShape:
        answer = TraceEventBreak(traceOn, breakOn, false, "=>DATA[%ld] = %.2lXh (envelope, shape %s)", r, value,
                                 AyChannel::ShapeName(value));
        break;
    case kPortA:
        answer = TraceEventBreak(traceOn, breakOn, false,
                                 (mixer & 0x40) != 0 ? "=>DATA = %.2lXh (I/O Port A, <output mode)"
                                                     : "=>DATA = %.2lXh (I/O Port A, >input mode)",
                                 value);
        break;
    default:
        answer = TraceEventBreak(traceOn, breakOn, false,
                                 (mixer & 0x80) != 0 ? "=>DATA = %.2lXh (I/O Port B, <output mode)"
                                                     : "=>DATA = %.2lXh (I/O Port B, >input mode)",
                                 value);
        break;
    }
    return answer != 0;
}

void AySoundChip::ApplyData(int32_t r, uint8_t value) {
    std::array<uint8_t, kRegisterCount> after = registers;
    after[static_cast<size_t>(r)] = value;
    switch (r) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
        channels[static_cast<size_t>(r / 2)]->SetTonePeriod(TonePeriod(after, r / 2), r % 2 == 0 ? -1 : 1);
        break;
    case kNoisePeriod:
        for (AyChannel* channel : channels) {
            channel->SetNoisePeriod(NoisePeriod(after));
        }
        break;
    case kMixer:
        for (int32_t index = 0; index < kChannelCount; ++index) {
            channels[static_cast<size_t>(index)]->SetMixer(value >> index & 1, value >> (index + 3) & 1);
        }
        break;
    case kVolumeA:
    case kVolumeA + 1:
    case kVolumeA + 2:
        channels[static_cast<size_t>(r - kVolumeA)]->SetVolume(value & 0x1F);
        break;
    case kEnvelopeLow:
    case kEnvelopeHigh:
        for (AyChannel* channel : channels) {
            channel->SetEnvelopePeriod(EnvelopePeriod(after), r == kEnvelopeLow ? -1 : 1);
        }
        break;
    case kEnvelopeShape:
        for (AyChannel* channel : channels) {
            channel->SetEnvelopeShape(value & 0x0F);
        }
        break;
    default: {
        // The I/O ports: a write in output mode goes to the handler attached, if any.
        const auto port = static_cast<size_t>(r - kPortA);
        if ((registers[kMixer] >> (6 + port) & 1) != 0 && portWriteHandlers[port] != nullptr) {
            portWriteHandlers[port](portContexts[port], value);
        }
        break;
    }
    }
}

void AySoundChip::WriteData(uint8_t value) {
    const int32_t r = selectedRegister & 0x0F;
    if (TraceData(r, value)) {
        return;
    }
    if (std::find(channels.begin(), channels.end(), nullptr) == channels.end()) {
        ApplyData(r, value);
    }
    registers[static_cast<size_t>(r)] = value;
    dataWritten = true;
}

// ---- Lifecycle and settings

bool AySoundChip::Start(int32_t& rate) {
    if (!SoundDevice::Start(rate)) {
        return false;
    }
    rate = std::max(rate, 1000);
    registers.fill(0);
    registers[kMixer] = kMixerPowerOn;
    selectedRegister = 0;
    dataWritten = true;
    portMute = false;
    if (ChannelCount() < kChannelCount || std::find(channels.begin(), channels.end(), nullptr) != channels.end()) {
        return false;
    }
    for (int32_t index = 0; index < kChannelCount; ++index) {
        channels[static_cast<size_t>(index)]->Preset(Decode(index));
    }
    return true;
}

bool AySoundChip::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr) {
        settings->BindBool(common::NarrowString("YamahaMode"), &yamahaMode);
    }
    if (settings != nullptr && !enabledOnly) {
        const std::pair<const char*, bool*> switches[] = {
            {"DisableNoise", &disableNoise},       {"TraceWriteINDEX", &traceWriteIndex},
            {"BreakWriteINDEX", &breakWriteIndex}, {"TraceWriteDATA", &traceWriteData},
            {"BreakWriteDATA", &breakWriteData},   {"TraceReadDATA", &traceReadData},
            {"BreakReadDATA", &breakReadData}};
        for (const auto& [key, flag] : switches) {
            settings->BindBool(common::NarrowString(key), flag);
        }
        const std::pair<const char*, std::array<bool, kRegisterCount>*> families[] = {{"TraceWriteREG", &traceWriteReg},
                                                                                      {"BreakWriteREG", &breakWriteReg},
                                                                                      {"TraceReadREG", &traceReadReg},
                                                                                      {"BreakReadREG", &breakReadReg}};
        for (const auto& [family, flags] : families) {
            for (size_t index = 0; index < flags->size(); ++index) {
                common::NarrowString key;
                key.Format("%s[%ld]", family, index);
                settings->BindBool(key, &(*flags)[index]);
            }
        }
    }
    return SoundDevice::ExchangeSettings(settings, enabledOnly);
}

void AySoundChip::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    const int32_t before = item != nullptr ? item->ChildCount() : 0;
    SoundDevice::FillSettingsTree(item, kind);
    if (item == nullptr) {
        return;
    }
    if (kind == OptionKind::Sound) {
        common::OptionNode* menu = item->ChildCount() > before ? item->ChildAt(item->ChildCount() - 1) : nullptr;
        if (menu == nullptr) {
            menu = item->AddItem(Name());
        }
        if (menu == nullptr) {
            return;
        }
        menu->AddToggleItemById(text::kEnableNoise, &disableNoise, false, SoundEnabledFlag(), true);
        menu->AddSeparator();
        menu->AddToggleItemById(text::kYamahaMode, &yamahaMode, true, &running, false);
        return;
    }
    if (kind != OptionKind::Trace) {
        return;
    }
    const auto registerFlags = [](std::array<bool, kRegisterCount>& flags) {
        std::array<TraceFlag, kRegisterCount> items{};
        for (size_t index = 0; index < items.size(); ++index) {
            items[index] = {kRegisterTexts[index], &flags[index]};
        }
        return items;
    };
    const std::array<TraceFlag, kRegisterCount> traceWrites = registerFlags(traceWriteReg);
    const std::array<TraceFlag, kRegisterCount> traceReads = registerFlags(traceReadReg);
    const std::array<TraceFlag, kRegisterCount> breakWrites = registerFlags(breakWriteReg);
    const std::array<TraceFlag, kRegisterCount> breakReads = registerFlags(breakReadReg);
    const std::array<TraceFlag, 3> tracePorts{
        {{"Write INDEX", &traceWriteIndex}, {"Write DATA", &traceWriteData}, {"Read DATA", &traceReadData}}};
    const std::array<TraceFlag, 3> breakPorts{
        {{"Write INDEX", &breakWriteIndex}, {"Write DATA", &breakWriteData}, {"Read DATA", &breakReadData}}};
    std::vector<TraceFlag> traces(tracePorts.begin(), tracePorts.end());
    traces.insert(traces.end(), traceWrites.begin(), traceWrites.end());
    traces.insert(traces.end(), traceReads.begin(), traceReads.end());
    std::vector<TraceFlag> breaks(breakPorts.begin(), breakPorts.end());
    breaks.insert(breaks.end(), breakWrites.begin(), breakWrites.end());
    breaks.insert(breaks.end(), breakReads.begin(), breakReads.end());
    std::vector<TraceFlag> all(traces);
    all.insert(all.end(), breaks.begin(), breaks.end());

    AddFlagSubmenu(item, "Trace Write Registers", traceWrites);
    AddFlagSubmenu(item, "Trace Read Registers", traceReads);
    AddFlagSubmenu(item, "Trace Ports", tracePorts);
    AddSetButton(item, "Trace All", traces, true);
    item->AddSeparator();
    AddFlagSubmenu(item, "Break On Write Registers", breakWrites);
    AddFlagSubmenu(item, "Break On Read Registers", breakReads);
    AddFlagSubmenu(item, "Break On Ports", breakPorts);
    AddSetButton(item, "Break On All", breaks, true);
    item->AddSeparator();
    AddSetButton(item, "Select All", all, true);
    AddSetButton(item, "Clear All", all, false);
}

// ---- State

bool AySoundChip::SaveOwnData(common::RecordArchive& archive) {
    return SoundDevice::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordI32(selectedRegister, common::NarrowString("REGI")) &&
           archive.WriteRecordBlob(registers.data(), kRegisterCount, common::NarrowString("REGD")) &&
           archive.WriteRecordBool(dataWritten, common::NarrowString("WDAI"));
}

bool AySoundChip::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    int32_t savedRegister = 0;
    std::array<uint8_t, kRegisterCount> savedRegisters{};
    bool savedWritten = false;
    if (!SoundDevice::LoadOwnData(archive, note) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordI32(savedRegister, common::NarrowString("REGI")) ||
        !archive.ReadRecordBlob(savedRegisters.data(), kRegisterCount, common::NarrowString("REGD")) ||
        !archive.ReadRecordBool(savedWritten, common::NarrowString("WDAI")) || savedRegister < 0 ||
        savedRegister >= kRegisterCount) {
        return false;
    }
    selectedRegister = savedRegister;
    registers = savedRegisters;
    dataWritten = savedWritten;
    return true;
}

} // namespace emu
