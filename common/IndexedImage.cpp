#include "common/IndexedImage.h"

namespace common {

namespace {

// Where pixel x sits in its row: the byte, and the shift that brings its bits down to bit 0.
struct PixelPlace {
    int32_t byte;
    uint32_t shift;
};

PixelPlace PlaceOf(int32_t x, uint32_t bits) {
    const uint32_t perByte = 8 / bits;
    return {static_cast<int32_t>(x / perByte), 8 - bits * (x % perByte + 1)};
}

} // namespace

uint32_t IndexedImage::GetPixelIndex(int32_t y, int32_t x) const {
    if (!IsInside(y, x)) {
        return 0;
    }
    const PixelPlace place = PlaceOf(x, bits);
    const uint32_t mask = (1u << bits) - 1;
    return (RowPointer(y)[place.byte] >> place.shift) & mask;
}

void IndexedImage::SetPixelIndex(int32_t y, int32_t x, uint32_t value) {
    if (!IsInside(y, x)) {
        return;
    }
    const PixelPlace place = PlaceOf(x, bits);
    const uint32_t mask = ((1u << bits) - 1) << place.shift;
    uint8_t& byte = RowPointer(y)[place.byte];
    byte = static_cast<uint8_t>((byte & ~mask) | ((value << place.shift) & mask));
}

Colour IndexedImage::GetPixelColour(int32_t y, int32_t x) const {
    const Colour* palette = GetPalette();
    if (palette == nullptr || !IsInside(y, x)) {
        return kDefaultColour;
    }
    return palette[GetPixelIndex(y, x)];
}

void IndexedImage::SetPixelColour(int32_t, int32_t, Colour) {}

uint32_t IndexedImage::PaletteSize(bool) const {
    return 1u << bits;
}

void IndexedImage::SetRowIndices(int32_t y, const uint8_t* indices) {
    uint8_t* row = RowPointer(y);
    if (row == nullptr) {
        return;
    }
    const uint32_t perByte = 8 / bits;
    const uint32_t mask = (1u << bits) - 1;
    for (int32_t x = 0; x < Width; x += static_cast<int32_t>(perByte)) {
        uint32_t packed = 0;
        for (uint32_t i = 0; i < perByte; ++i) {
            const int32_t column = x + static_cast<int32_t>(i);
            const uint32_t index = column < Width ? indices[column] & mask : 0;
            packed = packed << bits | index;
        }
        row[x / perByte] = static_cast<uint8_t>(packed);
    }
}

Colour GreyImage8Bit::GetPixelColour(int32_t y, int32_t x) const {
    if (!IsInside(y, x)) {
        return kDefaultColour;
    }
    const uint32_t level = GetPixelIndex(y, x);
    return kDefaultColour | level << 16 | level << 8 | level;
}

} // namespace common
