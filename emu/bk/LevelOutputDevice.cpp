#include "emu/bk/LevelOutputDevice.h"

#include "common/OptionNode.h"
#include "common/SettingsTree.h"
#include "emu/bk/MachineClock.h"
#include "emu/core/BusService.h"
#include "emu/core/UiTextId.h"
#include "emu/devices/SoundDevice.h"

#include <algorithm>
#include <array>

namespace emu {

namespace {

constexpr int32_t kDefaultRate = 48000;
constexpr std::array<int32_t, 3> kRates{44100, 22050, 16000};
constexpr int32_t kSampleBits = 8;
constexpr int32_t kLowestBusRate = 1000;
constexpr int64_t kQueueBytes = 1024;

int32_t OutputRate(int32_t soundFreq) {
    return soundFreq >= 1 && soundFreq <= 3 ? kRates[static_cast<size_t>(soundFreq - 1)] : kDefaultRate;
}

} // namespace

LevelOutputDevice::LevelOutputDevice(const char* name, const char* tag) : Device(name, tag) {}

LevelOutputDevice::~LevelOutputDevice() = default;

uint64_t LevelOutputDevice::Now() const {
    return CyclesNow(*this);
}

bool LevelOutputDevice::OnSoundEvent(TreeNode* owner, int32_t* newBlock, int32_t count, int32_t minSample,
                                     int32_t maxSample, int32_t, uint64_t*) {
    auto* device = static_cast<LevelOutputDevice*>(owner);
    common::LockGuard guard(&device->lock);
    device->GenerateSamples();
    device->block = newBlock;
    device->blockCount = newBlock != nullptr ? count : 0;
    device->blockMin = minSample;
    device->blockMax = maxSample;
    return true;
}

void LevelOutputDevice::Enqueue(const void* entry, int32_t size) {
    common::LockGuard guard(&lock);
    if (queue.Append(entry, size) != size) {
        queue.Skip(-1);
    }
}

void LevelOutputDevice::ForgetBlock() {
    block = nullptr;
    blockCount = 0;
    queue.Skip(-1);
}

bool LevelOutputDevice::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        settings->BindBool(common::NarrowString("EnableSound"), &enableSound);
        if (common::BoundValue* value = settings->BindPlaceholder(common::NarrowString("SoundFreq"))) {
            value->Bind(&soundFreq);
        }
    }
    return Device::ExchangeSettings(settings, enabledOnly);
}

bool LevelOutputDevice::Reset(bool enabledOnly) {
    const bool childrenReset = Device::Reset(enabledOnly);
    if (static_cast<uint32_t>(soundFreq) > kRates.size()) {
        soundFreq = 0;
        return false;
    }
    return childrenReset;
}

bool LevelOutputDevice::Start(int32_t& rate) {
    if (!Device::Start(rate)) {
        return false;
    }
    rate = std::max(rate, kLowestBusRate);
    queue.Free();
    queue.Create(kQueueBytes, -1);
    block = nullptr;
    blockCount = 0;
    return Bus() != nullptr &&
           Bus()->AttachSoundOutput(OutputRate(soundFreq), kSampleBits, OnSoundEvent, this, "SoundEvent", 0);
}

void LevelOutputDevice::Stop() {
    queue.Free();
    Device::Stop();
}

void LevelOutputDevice::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    Device::FillSettingsTree(item, kind);
    common::OptionNode* menu = item != nullptr && kind == OptionKind::Sound ? item->AddItem(Name()) : nullptr;
    if (menu == nullptr) {
        return;
    }
    menu->AddCheckedLink(menu->AddToggleItemById(text::kEnableSound, &enableSound, true, nullptr, true), true);
    menu->AddSeparator();
    for (int32_t value = 0; value <= static_cast<int32_t>(kRates.size()); ++value) {
        menu->AddRadioItemById(text::kRate48000 + value, &soundFreq, value, &running, false);
    }
    AddSoundItems(menu);
}

} // namespace emu
