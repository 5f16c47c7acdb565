#pragma once

#include "emu/core/Device.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace emu {

class SoundChannel;

// The sound chip of an emulated machine, the device "Sound Device" (tag "SND"): it owns the chip's channels as
// child devices, holds the settings every channel follows, "EnableSound" and "SoundFreq" (0 = 48000, 1 = 44100,
// 2 = 22050, 3 = 16000 Hz), and the chip's base frequency, and builds the sound menu. A chip derives from it,
// adds its channels (derived from SoundChannel) with AddChannel before the machine starts, and may narrow the
// rates it offers with GetRateRange and take its own base frequency with SetBaseFrequency.
class SoundDevice : public Device {
public:
    // A chip names itself; the base's own name is "Sound Device".
    explicit SoundDevice(const char* name = "Sound Device", const char* tag = "SND");
    ~SoundDevice() override;

    // Adopts a channel as the next child, linked to the device's settings and base frequency. A null caption
    // becomes "<name> CH<n>", a null tag "<tag>_CH<n>" (n the channels added so far). Nothing happens while the
    // device runs or for no channel; a channel the tree refuses is deleted and the device will not start.
    void AddChannel(std::unique_ptr<SoundChannel> channel, const char* caption = nullptr, const char* tag = nullptr);
    // Every channel's base frequency and the device's; false below 1.
    virtual bool SetBaseFrequency(int32_t hz);
    // The rates the chip offers in its menu, when it has limits of its own.
    virtual bool GetRateRange([[maybe_unused]] int32_t& low, [[maybe_unused]] int32_t& high) { return false; }

    int32_t ChannelCount() const { return static_cast<int32_t>(channels.size()); }
    SoundChannel* ChannelAt(int32_t index) const;
    int32_t BaseFrequency() const { return baseFrequency; }
    int32_t SoundFreq() const { return soundFreq; }
    void SetSoundFreq(int32_t value) { soundFreq = value; }
    bool SoundEnabled() const { return enableSound; }
    void SetSoundEnabled(bool on) { enableSound = on; }
    bool IsBroken() const { return broken; }

    // False when a channel could not be added.
    bool Start(int32_t& rate) override;
    // A "SoundFreq" out of 0..3 becomes 0 (false).
    bool Reset(bool enabledOnly) override;
    // "EnableSound" and "SoundFreq", then the channels' settings.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The sound menu: a submenu under the device's name with the sound switch, the rates within the
    // chip's range (fixed while running) and, for two or more channels, a switch per channel.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    // "_SNDD": the base frequency, which a load must find unchanged.
    bool SaveOwnData(common::RecordArchive& archive) override;
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

protected:
    // For the chip's own menu items that follow the sound switch.
    bool* SoundEnabledFlag() { return &enableSound; }

private:
    int32_t baseFrequency = 1;
    int32_t soundFreq = 0;
    // Children of the device, borrowed.
    std::vector<SoundChannel*> channels;
    bool broken = false;
    bool enableSound = true;
};

} // namespace emu
