#include "emu/devices/SoundDevice.h"

#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/core/StateChunk.h"
#include "emu/core/UiTextId.h"
#include "emu/devices/SoundChannel.h"

#include <array>

namespace emu {

namespace {

// The rates of the sound menu, with their UI texts.
struct RateItem {
    int32_t textId;
    int32_t soundFreq;
    int32_t rate;
};
constexpr std::array<RateItem, 4> kRateItems{{{text::kRate48000, 0, 48000},
                                              {text::kRate44100, 1, 44100},
                                              {text::kRate22050, 2, 22050},
                                              {text::kRate16000, 3, 16000}}};
constexpr int32_t kLowestRate = 16000;
constexpr int32_t kHighestRate = 48000;
constexpr const char* kChunk = "_SNDD";

} // namespace

SoundDevice::SoundDevice(const char* name, const char* tag) : Device(name, tag) {}

SoundDevice::~SoundDevice() = default;

void SoundDevice::AddChannel(std::unique_ptr<SoundChannel> channel, const char* caption, const char* tag) {
    if (IsRunning() || channel == nullptr) {
        return;
    }
    const auto number = static_cast<int64_t>(channels.size());
    common::NarrowString name;
    common::NarrowString shortTag;
    if (caption == nullptr) {
        name.Format("%s CH%ld", Name(), number);
        caption = name.GetNarrow();
    }
    if (tag == nullptr) {
        shortTag.Format("%s_CH%ld", Tag(), number);
        tag = shortTag.GetNarrow();
    }
    SoundChannel* added = channel.get();
    if (!AddChild(std::move(channel), caption, tag)) {
        broken = true;
        return;
    }
    added->enableSource = &enableSound;
    added->soundFreq = &soundFreq;
    if (baseFrequency > 0) {
        added->baseFrequency = baseFrequency;
    }
    channels.push_back(added);
}

SoundChannel* SoundDevice::ChannelAt(int32_t index) const {
    return index >= 0 && index < ChannelCount() ? channels[static_cast<size_t>(index)] : nullptr;
}

bool SoundDevice::SetBaseFrequency(int32_t hz) {
    if (hz < 1) {
        return false;
    }
    for (SoundChannel* channel : channels) {
        channel->baseFrequency = hz;
    }
    baseFrequency = hz;
    return true;
}

bool SoundDevice::Start(int32_t& rate) {
    return Device::Start(rate) && !broken;
}

bool SoundDevice::Reset(bool enabledOnly) {
    const bool reset = Device::Reset(enabledOnly);
    if (static_cast<uint32_t>(soundFreq) > 3) {
        soundFreq = 0;
        return false;
    }
    return reset;
}

bool SoundDevice::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        settings->BindBool(common::NarrowString("EnableSound"), &enableSound);
        if (common::BoundValue* value = settings->BindPlaceholder(common::NarrowString("SoundFreq"))) {
            value->Bind(&soundFreq);
        }
    }
    return Device::ExchangeSettings(settings, enabledOnly);
}

void SoundDevice::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    Device::FillSettingsTree(item, kind);
    if (kind != OptionKind::Sound || item == nullptr) {
        return;
    }
    common::OptionNode* menu = item->AddItem(Name());
    if (menu == nullptr) {
        return;
    }
    menu->AddToggleItemById(text::kEnableSound, &enableSound, true, nullptr, true);
    menu->AddSeparator();
    int32_t low = kLowestRate;
    int32_t high = kHighestRate;
    if (!GetRateRange(low, high)) {
        low = kLowestRate;
        high = kHighestRate;
    }
    for (const RateItem& rate : kRateItems) {
        if (rate.rate >= low && rate.rate <= high) {
            menu->AddRadioItemById(rate.textId, &soundFreq, rate.soundFreq, &running, false);
        }
    }
    if (channels.size() < 2) {
        return;
    }
    menu->AddSeparator();
    for (int32_t index = 0; index < ChannelCount(); ++index) {
        menu->AddToggleItemById(text::kEnableChannel0 + index, &channels[static_cast<size_t>(index)]->enableChannel,
                                true, &enableSound, true);
    }
}

bool SoundDevice::SaveOwnData(common::RecordArchive& archive) {
    const common::NarrowString chunk(kChunk);
    return Device::SaveOwnData(archive) && archive.WriteMarker(common::kChunkBeginMarker, chunk) &&
           WriteVersion(archive, "VER") && archive.WriteRecordI32(baseFrequency, common::NarrowString("BFRQ")) &&
           archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool SoundDevice::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    const common::NarrowString chunk(kChunk);
    int32_t savedFrequency = 0;
    return Device::LoadOwnData(archive, note) && archive.ReadMarker(chunk, common::kChunkBeginMarker) &&
           ReadVersion(archive, "VER") && archive.ReadRecordI32(savedFrequency, common::NarrowString("BFRQ")) &&
           savedFrequency == baseFrequency && archive.ReadMarker(chunk, common::kChunkEndMarker);
}

} // namespace emu
