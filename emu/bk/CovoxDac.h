#pragma once

#include "emu/bk/LevelOutputDevice.h"

#include <array>
#include <cstdint>

namespace emu {

// The Covox, "DAC Covox" (the machine adds it as "Covox DAC"), tag "COVOX": an 8-bit digital-to-analogue converter
// on 0177714, each byte written the output level until the next. The writes are queued with the processor's cycle
// count for the next sound event. With "Normalize" a block that swings by more than an eighth of the output range
// is stretched to the whole range.
//
// State: "VER" 0, "SNDA" the last byte written, "SCYC" the cycle the present block began, "SNDS" the byte in force
// when it began.
class CovoxDac : public LevelOutputDevice {
public:
    CovoxDac();
    ~CovoxDac() override;

    // A byte written; the callers queue only a byte that differs from the last one.
    void WriteSample(uint8_t value);
    uint8_t LastValue() const { return lastValue; }
    bool Normalize() const { return normalize; }
    void SetNormalize(bool on) { normalize = on; }

    // "Normalize", then the sound settings.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // Byte 0, and the level table all zeros until a block with writes.
    bool Start(int32_t& rate) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Every record is read before any is taken; the next sound event synchronises again.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

protected:
    void GenerateSamples() override;
    // "Normalize (preliminary)".
    void AddSoundItems(common::OptionNode* menu) override;

private:
    // The output value of each byte, for the stored block's range.
    void BuildLevelTable();
    // Stretches a block that swings widely to the output's whole range.
    void NormalizeBlock() const;

    uint8_t lastValue = 0;
    // The byte in force when the present block began, and the cycle it began.
    uint8_t blockStartValue = 0;
    uint64_t blockStart = 0;
    std::array<int32_t, 256> levels{};
    int32_t levelsMin = 0;
    int32_t levelsMax = 0;
    bool normalize = true;
};

} // namespace emu
