// How a sound output starts without a click. A sound device rests at the middle of its range (128 in 8-bit PCM,
// which is unsigned, and 0 in 16-bit, which is signed), while the machine's silence lies wherever its sound
// devices put it (the BK speaker at rest is the lowest level): an output plays the rest level first and then fades
// into the machine's blocks once.
#pragma once

#include <cstdint>
#include <span>

namespace emu {

// Every sample of block at the rest level of its width (8 or 16 bits).
void FillAtRestLevel(std::span<uint8_t> block, int32_t sampleBits);

// Ramps block from the rest level at its first sample to its own level at its last.
void FadeInFromRestLevel(std::span<uint8_t> block, int32_t sampleBits);

} // namespace emu
