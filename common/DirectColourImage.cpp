#include "common/DirectColourImage.h"

#include "common/LittleEndian.h"

namespace common {

uint8_t* DirectColourImage::PixelAt(int32_t y, int32_t x) const {
    const uint8_t* row = RowPointer(y);
    if (row == nullptr || !IsInside(y, x)) {
        return nullptr;
    }
    return const_cast<uint8_t*>(row) + static_cast<size_t>(x) * BytesPerPixel();
}

uint32_t DirectColourImage::GetPixelIndex(int32_t y, int32_t x) const {
    const uint8_t* pixel = PixelAt(y, x);
    return pixel != nullptr ? static_cast<uint32_t>(LoadLittleEndian(pixel, BytesPerPixel())) : 0;
}

void DirectColourImage::SetPixelIndex(int32_t y, int32_t x, uint32_t value) {
    if (uint8_t* pixel = PixelAt(y, x)) {
        StoreLittleEndian(pixel, BytesPerPixel(), value);
    }
}

void DirectColourImage::SetRowIndices(int32_t y, const uint8_t* indices) {
    if (RowPointer(y) == nullptr) {
        return;
    }
    const Colour* palette = EnsurePalette();
    for (int32_t x = 0; x < Width; ++x) {
        SetPixelColour(y, x, palette[indices[x]]);
    }
}

uint32_t Rgb565Image::GetChannelBits(uint32_t* first, uint32_t* second, uint32_t* third) const {
    *first = 5;
    *second = 6;
    *third = 5;
    return 16;
}

Colour Rgb565Image::GetPixelColour(int32_t y, int32_t x) const {
    return IsInside(y, x) ? FromRgb565(static_cast<uint16_t>(GetPixelIndex(y, x))) : kDefaultColour;
}

void Rgb565Image::SetPixelColour(int32_t y, int32_t x, Colour colour) {
    SetPixelIndex(y, x, ToRgb565(colour));
}

Colour Bgr24Image::GetPixelColour(int32_t y, int32_t x) const {
    return IsInside(y, x) ? kDefaultColour | GetPixelIndex(y, x) : kDefaultColour;
}

void Bgr24Image::SetPixelColour(int32_t y, int32_t x, Colour colour) {
    SetPixelIndex(y, x, colour & 0x00FFFFFF);
}

Colour Argb32Image::GetPixelColour(int32_t y, int32_t x) const {
    return IsInside(y, x) ? GetPixelIndex(y, x) : kDefaultColour;
}

void Argb32Image::SetPixelColour(int32_t y, int32_t x, Colour colour) {
    SetPixelIndex(y, x, colour);
}

const Colour* Argb32Image::GetRowColours(int32_t y) {
    if (Width < 1) {
        return nullptr;
    }
    return reinterpret_cast<const Colour*>(RowPointer(y));
}

} // namespace common
