#pragma once

#include "common/CriticalLock.h"
#include "common/RingStream.h"
#include "emu/core/Device.h"

#include <array>
#include <cstdint>

namespace emu {

// The Covox, "DAC Covox" (the machine adds it as "Covox DAC"), tag "COVOX": an 8-bit digital-to-analogue converter
// on 0177714, each byte written the output level until the next. The writes are queued with the processor's cycle
// count and turned into 8-bit samples at each 50 Hz sound event of the bus ("SoundEvent"), into the block handed
// over at the event before (the first event after a start or a load only synchronises). With "Normalize" a block
// that swings by more than an eighth of the output range is stretched to the whole range.
//
// State: "VER" 0, "SNDA" the last byte written, "SCYC" the cycle the present block began, "SNDS" the byte in force
// when it began.
class CovoxDac : public Device {
public:
    CovoxDac();
    ~CovoxDac() override;

    // A byte written; the callers queue only a byte that differs from the last one.
    void WriteSample(uint8_t value);
    uint8_t LastValue() const { return lastValue; }
    bool Normalize() const { return normalize; }
    void SetNormalize(bool on) { normalize = on; }
    bool SoundEnabled() const { return enableSound; }
    void SetSoundEnabled(bool on) { enableSound = on; }
    int32_t SoundFreq() const { return soundFreq; }
    void SetSoundFreq(int32_t value) { soundFreq = value; }

    // The mixer of the Covox's output: fills the block handed over at the previous call, keeps this one.
    static bool OnSoundEvent(TreeNode* owner, int32_t* block, int32_t count, int32_t minSample, int32_t maxSample,
                             int32_t frequency, uint64_t* tag);

    // "Normalize", "EnableSound" and "SoundFreq", then the children's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // A "SoundFreq" out of 0..3 becomes 0 (false).
    bool Reset(bool enabledOnly) override;
    // Byte 0, an empty queue and an output of 8-bit samples at the rate of "SoundFreq".
    bool Start(int32_t& rate) override;
    void Stop() override;
    // The sound menu (kind 4): the device's submenu with "Normalize (preliminary)".
    void FillSettingsTree(common::OptionNode* item, int32_t kind) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Every record is read before any is taken; the next sound event synchronises again.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    // The queued writes into the stored block.
    void GenerateSamples();
    // The output value of each byte, for the stored block's range.
    void BuildLevelTable();
    // Stretches a block that swings widely to the output's whole range.
    void NormalizeBlock() const;

    int32_t* block = nullptr;
    int32_t blockCount = 0;
    int32_t blockMin = 0;
    int32_t blockMax = 0;
    // Entries of the cycle count (8 bytes) and the byte written, oldest first.
    common::RingStream writes;
    common::CriticalLock lock;
    uint8_t lastValue = 0;
    uint8_t blockStartValue = 0;
    uint64_t blockStart = 0;
    std::array<int32_t, 256> levels{};
    int32_t levelsMin = 0;
    int32_t levelsMax = 0;
    bool normalize = true;
    bool enableSound = true;
    int32_t soundFreq = 0;
};

} // namespace emu
