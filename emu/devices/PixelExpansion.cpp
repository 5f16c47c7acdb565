#include "emu/devices/PixelExpansion.h"

namespace emu {

namespace {

// Pixels of bits bits each: 8 / bits to a byte.
template <int bits>
void Expand(const uint8_t* source, uint32_t* destination, const uint32_t* palette, int32_t count, bool msbFirst) {
    constexpr int kPerByte = 8 / bits;
    constexpr uint32_t kIndexMask = (1U << bits) - 1;
    for (int32_t pixel = 0; pixel < count; ++pixel) {
        const int slot = pixel % kPerByte;
        const int shift = (msbFirst ? kPerByte - 1 - slot : slot) * bits;
        destination[pixel] = palette[(source[pixel / kPerByte] >> shift) & kIndexMask];
    }
}

} // namespace

void ExpandPixels1(const uint8_t* source, uint32_t* destination, const uint32_t* palette, int32_t count,
                   bool msbFirst) {
    Expand<1>(source, destination, palette, count, msbFirst);
}

void ExpandPixels2(const uint8_t* source, uint32_t* destination, const uint32_t* palette, int32_t count,
                   bool msbFirst) {
    Expand<2>(source, destination, palette, count, msbFirst);
}

void ExpandPixels4(const uint8_t* source, uint32_t* destination, const uint32_t* palette, int32_t count,
                   bool msbFirst) {
    Expand<4>(source, destination, palette, count, msbFirst);
}

} // namespace emu
