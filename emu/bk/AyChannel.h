#pragma once

#include "emu/devices/SoundChannel.h"

#include <array>
#include <cstdint>

namespace emu {

// What one AY channel records at each register change: its view of the chip's registers. A negative CDEM asks the
// replay to restart the envelope; CDTT and CDET mark which half of a period the write changed (-1 low, +1 high).
struct AyChannelRecord {
    int32_t CDPR = 0;
    int32_t CDVL = 0;
    int32_t CDNP = 0;
    int32_t CDEP = 0;
    int32_t CDEM = 0;
    int32_t CDDS = 0;
    int32_t CDND = 0;
    int32_t CDTT = 0;
    int32_t CDET = 0;
};

// One of the AY-3-891x's three tone channels. The chip's DATA writes reach it through the Set operations, which
// record the channel's registers with the processor's cycle count; the replay (Render) turns each record into
// the generators' counts in output samples, and Fill synthesises the square-wave tone, the chip's noise register
// and the envelope into levels of the output's range (16 fixed volumes, 16 or, as a YM-2149F, 32 envelope steps).
//
// The chip binds three of its flags into every channel: the YM-2149F mode (read at start and by the level table),
// the shared-port mute and "DisableNoise".
//
// State, after the channel's "_SNDCH": "VER" 0, "TNSK", "ENSK", the record, the generators' fields and "LVLD", the
// 48 levels.
class AyChannel : public SoundChannel {
public:
    static constexpr int32_t kPayloadBytes = 36;
    static constexpr int32_t kLevelCount = 48;
    // The envelope's steps start at this level.
    static constexpr int32_t kEnvelopeLevels = 16;
    // Number of the shape table's entries; a state names "no shape" with it.
    static constexpr int32_t kNoShape = 16;

    AyChannel();
    ~AyChannel() override;

    // The chip's YM-2149F mode, shared-port mute and "DisableNoise"; until bound the channel reads false.
    void BindChipFlags(const bool* yamahaMode, const bool* portMute, const bool* disableNoise);

    // DATA writes of the chip. Each records the channel's registers when it changes one; a volume always records,
    // a non-zero shape always restarts the envelope.
    void SetTonePeriod(int32_t period, int32_t marker);
    void SetNoisePeriod(int32_t period);
    void SetMixer(int32_t toneOff, int32_t noiseOff);
    void SetVolume(int32_t value);
    void SetEnvelopePeriod(int32_t period, int32_t marker);
    void SetEnvelopeShape(int32_t shape);
    // The chip's start: the registers both in the record and in force, recording nothing.
    void Preset(const AyChannelRecord& registers);

    // The generators cleared, the noise register 1, the envelope's top step fixed by the YM-2149F mode.
    bool Start(int32_t& rate) override;
    // The level table for the output's range.
    void OnRangeChanged(int32_t minSample, int32_t maxSample) override;
    // Applies a record to the generators (both payloads null: only recounts for the new range).
    void Render(const void* payload, const void* nextPayload, uint64_t time, uint64_t endTime, int64_t cpuFrequency,
                int32_t outputRate) override;
    // count levels of the current state; always writes them all.
    void Fill(int32_t* destination, int32_t count) override;

    // The name of the shape: one character per ramp, '\' falling, '/' rising, '_' holding 0, '\'' holding the top.
    static const char* ShapeName(int32_t shape);

    const AyChannelRecord& Current() const { return current; }
    int32_t Level(int32_t index) const { return LVLD[static_cast<size_t>(index)]; }
    int32_t TopStep() const { return topStep; }
    // The shape in force as its number, or kNoShape.
    int32_t ShapeNumber() const { return ENSH; }

    // The generators, public for the tests as the channel's state is.
    bool TNSK = false;
    bool ENSK = false;
    int32_t TDVA = 0;
    int32_t TDCN = 0;
    int32_t TDTO = 0;
    int32_t TDVL = 0;
    int32_t TDDI = 0;
    int32_t NDVA = 0;
    int32_t NDCN = 0;
    int32_t NDTO = 0;
    int32_t NDVL = 0;
    int32_t NDDI = 0;
    int32_t NDML = 0;
    int32_t ENVP = 0;
    int32_t ENVS = 0;
    int32_t ENCN = 0;
    int32_t ENTO = 0;
    int32_t ENFL = 0;
    int32_t ENTL = 0;
    int32_t ENSP = 0;
    int32_t ENAC = 0;
    int32_t VDVA = 0;
    int32_t VDL0 = 0;
    int32_t VDL1 = 0;

protected:
    bool SaveGeneratorState(common::RecordArchive& archive) override;
    // Reads every value and checks the counters, positions and steps before any is taken.
    bool LoadGeneratorState(common::RecordArchive& archive) override;

private:
    struct SavedGenerator;

    void RecordCurrent();
    // Whether the second byte of a period follows the first too closely to be heard apart.
    bool Defers(bool deferred, int32_t marker, int32_t nextMarker, uint64_t time, uint64_t endTime,
                int64_t cpuFrequency, int32_t outputRate) const;
    // Samples at the output rate for periods in units of the chip's source rate, at least 1.
    int32_t SamplesFor(double units, int32_t outputRate) const;
    void RestartEnvelope();
    void AdvanceEnvelope();
    // The steps of a ramp by the shape's character.
    void SetRamp(char ramp);
    void StepNoise();
    // A run of samples in which the tone and noise counters and count all last.
    int32_t RunLength(int32_t count) const;
    static int64_t Expirations(int32_t& left, int32_t period, int32_t samples);

    bool ownFlag = false;
    const bool* yamahaMode = &ownFlag;
    const bool* portMute = &ownFlag;
    const bool* disableNoise = &ownFlag;
    uint8_t topStep = 15;
    AyChannelRecord current;
    // The shape table's entry in force, kNoShape for none.
    int32_t ENSH = kNoShape;
    std::array<int32_t, kLevelCount> LVLD{};
};

} // namespace emu
