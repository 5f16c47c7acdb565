// Direct-colour bitmaps: 16-bit 5-6-5, 24-bit blue-green-red and 32-bit 0xAARRGGBB. A pixel index is the raw
// pixel value; setting a row from palette indices stores each index's palette colour.
#pragma once

#include "common/Image.h"

namespace common {

// 5-6-5 packing: blue in bits 0-4, green 5-10, red 11-15; unpacking does not fill the low bits.
constexpr uint16_t ToRgb565(Colour colour) {
    const uint32_t red = (colour >> 16) & 0xFF;
    const uint32_t green = (colour >> 8) & 0xFF;
    const uint32_t blue = colour & 0xFF;
    return static_cast<uint16_t>((red & 0xF8) << 8 | (green & 0xFC) << 3 | blue >> 3);
}

constexpr Colour FromRgb565(uint16_t pixel) {
    return kDefaultColour | static_cast<Colour>(pixel >> 11) << 19 | static_cast<Colour>((pixel >> 5) & 63) << 10 |
           static_cast<Colour>(pixel & 31) << 3;
}

class DirectColourImage : public Image {
public:
    uint32_t ColourKind() const override { return 3; }
    uint32_t GetPixelIndex(int32_t y, int32_t x) const override;
    void SetPixelIndex(int32_t y, int32_t x, uint32_t value) override;
    // The palette is made when there is none yet.
    void SetRowIndices(int32_t y, const uint8_t* indices) override;

protected:
    using Image::Image;

    // Where pixel (y, x) starts; null outside the image.
    uint8_t* PixelAt(int32_t y, int32_t x) const;
    int BytesPerPixel() const { return static_cast<int>(BitsPerPixel() / 8); }
};

class Rgb565Image : public DirectColourImage {
public:
    std::unique_ptr<Image> NewEmpty() const override { return std::make_unique<Rgb565Image>(); }
    uint32_t BitsPerPixel() const override { return 16; }
    uint32_t GetChannelBits(uint32_t* first, uint32_t* second, uint32_t* third) const override;
    Colour GetPixelColour(int32_t y, int32_t x) const override;
    void SetPixelColour(int32_t y, int32_t x, Colour colour) override;
};

class Bgr24Image : public DirectColourImage {
public:
    std::unique_ptr<Image> NewEmpty() const override { return std::make_unique<Bgr24Image>(); }
    uint32_t BitsPerPixel() const override { return 24; }
    Colour GetPixelColour(int32_t y, int32_t x) const override;
    void SetPixelColour(int32_t y, int32_t x, Colour colour) override;
};

// Pixels are colour values as stored, alpha byte included.
class Argb32Image : public DirectColourImage {
public:
    Argb32Image() : DirectColourImage(true) {}
    std::unique_ptr<Image> NewEmpty() const override { return std::make_unique<Argb32Image>(); }
    uint32_t BitsPerPixel() const override { return 32; }
    Colour GetPixelColour(int32_t y, int32_t x) const override;
    void SetPixelColour(int32_t y, int32_t x, Colour colour) override;
    // The row itself, without a copy.
    const Colour* GetRowColours(int32_t y) override;
};

} // namespace common
