#pragma once

#include "emu/devices/SoundChannel.h"

#include <array>
#include <cstdint>

namespace emu {

// A sound channel whose Fill plays a two-level square wave, counted in output samples; a ready base for a
// square-wave generator, which supplies Render (turning the recorded values into the half period and the levels).
// Every record of the channel carries the four values CDTN, CDVL, CDTT and CDVT; the generator's state travels in
// the chunk "_SQSNDCH".
class SquareWaveChannel : public SoundChannel {
public:
    // Called at the end of each half period in place of flipping the phase.
    using PhaseCallback = void (*)(SquareWaveChannel* channel);
    static constexpr int32_t kPayloadBytes = 16;

    SquareWaveChannel();

    // Records a new first value with its flag (the flag is recorded with it and then cleared); the same value
    // again records nothing unless forced.
    void SetValueA(int32_t value, int32_t flag, bool force);
    // The same for the second value.
    void SetValueB(int32_t value, int32_t flag, bool force);

    // The generator's values start at 0.
    bool Start(int32_t& rate) override;
    // VDL1 while the phase's bit 0 is set, else VDL0 (always VDL0 while disabled, or without a half period);
    // the half-period count and the phase move on either way.
    void Fill(int32_t* destination, int32_t count) override;

    // Recorded values.
    int32_t CDTN = 0;
    int32_t CDVL = 0;
    int32_t CDTT = 0;
    int32_t CDVT = 0;
    // Generator state: TDCN the half period in samples (below 1: no wave), TDTO the samples left of the current
    // half, TDVL the phase, VDL0 and VDL1 the two levels; TDVA and VDVA are the generator's own.
    int32_t TDVA = 0;
    int32_t TDCN = 0;
    int32_t TDTO = 0;
    int32_t TDVL = 0;
    int32_t VDVA = 0;
    int32_t VDL0 = 0;
    int32_t VDL1 = 0;

protected:
    bool SaveGeneratorState(common::RecordArchive& archive) override;
    bool LoadGeneratorState(common::RecordArchive& archive) override;

    PhaseCallback phaseCallback = nullptr;

private:
    void RecordValues();
    // The eleven values of the chunk, in its order.
    std::array<int32_t*, 11> StateFields();
};

} // namespace emu
