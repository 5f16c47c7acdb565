#pragma once

#include "emu/devices/SoundDevice.h"

#include <array>
#include <cstdint>

namespace emu {

class AyChannel;
struct AyChannelRecord;

// The AY-3-891x programmable sound generator of the BK-0011M, "PSG AY-3-891X" (the machine adds it as
// "AY-3-891x"), tag "AY-3": sixteen 8-bit registers behind an INDEX and a DATA write. Each DATA write is decoded into
// the settings of its three tone channels A, B and C (child AyChannel devices), which record and render the sound;
// the chip itself produces no samples. Every access prints a decoded trace line; a trace that breaks drops the
// write.
//
// The chip's source rate, the unit of its periods, is its clock / 8 (twice the clock / 16): SetBaseFrequency takes
// twice the clock. Options: "YamahaMode" (a YM-2149F's 32-step envelope, taken at start), "DisableNoise", and a
// shared-port mute the machine sets while the port serves the Covox.
//
// State, after the sound device's: "VER" 0, "REGI" the selected register, "REGD" R0..R15, "WDAI" whether DATA was
// written since the last INDEX; then the channels' chunks.
class AySoundChip : public SoundDevice {
public:
    static constexpr int32_t kRegisterCount = 16;
    static constexpr int32_t kChannelCount = 3;
    // The source rate until the machine sets the clock.
    static constexpr int32_t kDefaultSourceRate = 223722;

    enum Register : uint8_t {
        kToneA = 0,
        kNoisePeriod = 6,
        kMixer = 7,
        kVolumeA = 8,
        kEnvelopeLow = 11,
        kEnvelopeHigh = 12,
        kEnvelopeShape = 13,
        kPortA = 14,
        kPortB = 15,
    };

    // A handler an I/O port in output mode hands its DATA writes to.
    using PortWriteHandler = void (*)(void* context, uint8_t value);

    AySoundChip();
    ~AySoundChip() override;

    // Selects register value & 15; traced, dropped on a break.
    void WriteIndex(uint8_t value);
    // Writes the selected register and hands the decoded setting to the channels; traced, dropped on a break.
    void WriteData(uint8_t value);
    // Twice the chip's clock in Hz; the source rate becomes a sixteenth of it. False when that is below 1.
    bool SetBaseFrequency(int32_t hz) override;
    // No attached handler after construction; port 0 is A, 1 is B.
    void SetPortWriteHandler(int32_t port, PortWriteHandler handler, void* context);

    uint8_t RegisterValue(int32_t index) const { return registers[static_cast<size_t>(index & 15)]; }
    int32_t SelectedRegister() const { return selectedRegister; }
    bool DataWritten() const { return dataWritten; }
    AyChannel* Channel(int32_t index) const;
    bool YamahaMode() const { return yamahaMode; }
    void SetYamahaMode(bool on) { yamahaMode = on; }
    bool NoiseDisabled() const { return disableNoise; }
    void SetNoiseDisabled(bool on) { disableNoise = on; }
    // While set every channel is silent: the port carries the Covox's samples.
    bool PortMuted() const { return portMute; }
    void SetPortMuted(bool on) { portMute = on; }

    // The sound device's start, then the power-on registers (R7 0xFF, all else 0) pushed into the channels without
    // records; asks for a bus of at least 1000 Hz. False with fewer than three channels.
    bool Start(int32_t& rate) override;
    // "YamahaMode"; unless enabledOnly also "DisableNoise" and the trace and break switches, then the sound
    // device's settings.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The sound menu gets "Enable Noise" and "YM-2149F Mode" (fixed while running); the trace menu the switches
    // per register and per port.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Reads every record and checks the register index before any is taken.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    // The trace line and break switches of a DATA write to register r.
    bool TraceData(int32_t r, uint8_t value);
    void ApplyData(int32_t r, uint8_t value);
    // The registers as one channel sees them.
    AyChannelRecord Decode(int32_t channel) const;

    bool traceWriteIndex = false;
    bool breakWriteIndex = false;
    bool traceReadData = false;
    bool breakReadData = false;
    bool traceWriteData = false;
    bool breakWriteData = false;
    std::array<bool, kRegisterCount> traceWriteReg{};
    std::array<bool, kRegisterCount> breakWriteReg{};
    std::array<bool, kRegisterCount> traceReadReg{};
    std::array<bool, kRegisterCount> breakReadReg{};
    int32_t selectedRegister = 0;
    std::array<uint8_t, kRegisterCount> registers{};
    bool dataWritten = false;
    bool yamahaMode = false;
    bool portMute = false;
    bool disableNoise = false;
    std::array<PortWriteHandler, 2> portWriteHandlers{};
    std::array<void*, 2> portContexts{};
    // Children of the chip, borrowed.
    std::array<AyChannel*, kChannelCount> channels{};
};

} // namespace emu
