// Packed video memory to 32-bit frame pixels through a palette, for raster video devices.
#pragma once

#include <cstdint>

namespace emu {

// count pixels from source bytes of 1, 2 or 4 bits per pixel into destination: each pixel is palette[index]. With
// msbFirst the first pixel of a byte is its high bits, else its low bits; a final partial byte gives the pixels
// left over (count need not fill it).
void ExpandPixels1(const uint8_t* source, uint32_t* destination, const uint32_t* palette, int32_t count, bool msbFirst);
void ExpandPixels2(const uint8_t* source, uint32_t* destination, const uint32_t* palette, int32_t count, bool msbFirst);
void ExpandPixels4(const uint8_t* source, uint32_t* destination, const uint32_t* palette, int32_t count, bool msbFirst);

} // namespace emu
