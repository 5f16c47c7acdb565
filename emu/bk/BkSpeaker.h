#pragma once

#include "common/CriticalLock.h"
#include "common/RingStream.h"
#include "emu/core/Device.h"

#include <array>
#include <cstdint>

namespace emu {

// The BK one-bit speaker, "Sound Speaker" (the machine adds it as "BK Speaker"), tag "SPEAKER": SYSREG bit 6 as a
// square wave of 8-bit samples. The register page hands it every change of the bit, which it queues with the
// processor's cycle count; each 50 Hz sound event of the bus ("SoundEvent") turns the changes since the last one
// into the block of samples the bus handed over then (the first event after a start or a load only
// synchronises). Level 0 plays the output's minimum, level 1 the middle of its range; "EnableSound" off plays 0.
// Each change advances the output by at least one sample.
//
// Beside the wave it keeps, for each level, the cycles and samples of the last whole stretch spent at it.
//
// State: "VER" 0, "SNDA" level, "PERC" the cycles and "PERS" the samples of the two stretches and the unfinished
// one, "SCYC" the cycle the present block began, "SNDS" the level it began at.
class BkSpeaker : public Device {
public:
    // A stretch of time at one level.
    struct Stretch {
        uint64_t cycles = 0;
        uint32_t samples = 0;
        bool operator==(const Stretch&) const = default;
    };

    BkSpeaker();
    ~BkSpeaker() override;

    // The speaker's input; a change is queued with the present cycle.
    void SetLevel(bool level);
    bool Level() const { return liveLevel; }
    const Stretch& LastStretch(bool level) const { return stretches[level ? 1 : 0]; }
    const Stretch& UnfinishedStretch() const { return partial; }
    bool SoundEnabled() const { return enableSound; }
    void SetSoundEnabled(bool on) { enableSound = on; }
    int32_t SoundFreq() const { return soundFreq; }
    void SetSoundFreq(int32_t value) { soundFreq = value; }

    // The mixer of the speaker's output: fills the block handed over at the previous call, keeps this one.
    static bool OnSoundEvent(TreeNode* owner, int32_t* block, int32_t count, int32_t minSample, int32_t maxSample,
                             int32_t frequency, uint64_t* tag);

    // "EnableSound" and "SoundFreq", then the children's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // A "SoundFreq" out of 0..3 becomes 0 (false).
    bool Reset(bool enabledOnly) override;
    // Level 0, an empty queue and an output of 8-bit samples at the rate of "SoundFreq".
    bool Start(int32_t& rate) override;
    void Stop() override;
    // The sound menu (kind 4): the device's submenu.
    void FillSettingsTree(common::OptionNode* item, int32_t kind) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Every record is read and checked before any is taken; the next sound event synchronises again.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    // The queued changes into the stored block.
    void GenerateSamples();

    // The block the last sound event handed over, null before the first.
    int32_t* block = nullptr;
    int32_t blockCount = 0;
    int32_t blockMin = 0;
    int32_t blockMax = 0;
    // Cycle counts of the level changes, oldest first.
    common::RingStream edges;
    common::CriticalLock lock;
    bool liveLevel = false;
    std::array<Stretch, 2> stretches{};
    Stretch partial;
    uint64_t blockStart = 0;
    bool periodLevel = false;
    bool enableSound = true;
    int32_t soundFreq = 0;
};

} // namespace emu
