#pragma once

#include "emu/bk/LevelOutputDevice.h"

#include <array>
#include <cstdint>

namespace emu {

// The BK one-bit speaker, "Sound Speaker" (the machine adds it as "BK Speaker"), tag "SPEAKER": SYSREG bit 6 as a
// square wave of 8-bit samples. The register page hands it every change of the bit, which it queues with the
// processor's cycle count for the next sound event. Level 0 plays the output's minimum, level 1 the middle of its
// range; "EnableSound" off plays 0. Each change advances the output by at least one sample.
//
// Beside the wave it keeps, for each level, the cycles and samples of the last whole stretch spent at it.
//
// State: "VER" 0, "SNDA" level, "PERC" the cycles and "PERS" the samples of the two stretches and the unfinished
// one, "SCYC" the cycle the present block began, "SNDS" the level it began at.
class BkSpeaker : public LevelOutputDevice {
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

    // Level 0 and no stretches yet.
    bool Start(int32_t& rate) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Every record is read and checked before any is taken; the next sound event synchronises again.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

protected:
    void GenerateSamples() override;

private:
    bool liveLevel = false;
    std::array<Stretch, 2> stretches{};
    Stretch partial;
    // The cycle the present block began, and the level then.
    uint64_t blockStart = 0;
    bool periodLevel = false;
};

} // namespace emu
