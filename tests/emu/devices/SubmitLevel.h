// Submitting a block to a sound output as the bus does, for the outputs' tests.
#pragma once

#include "emu/core/HostSoundOutput.h"

#include <algorithm>
#include <cstdint>

namespace emu {

// Fills the accumulator the next submission converts with one level and submits it.
inline void SubmitLevel(HostSoundOutput& output, int32_t level) {
    int32_t count = 0;
    int32_t minSample = 0;
    int32_t maxSample = 0;
    // Taken twice, the first is the one the next submission converts.
    int32_t* accumulator = output.TakeAccumulator(count, minSample, maxSample);
    output.TakeAccumulator(count, minSample, maxSample);
    std::fill_n(accumulator, count, level);
    output.SubmitBlock();
}

} // namespace emu
