// Palettised bitmaps of 1, 2, 4 and 8 bits per pixel, and the 8-bit grey bitmap. Pixels of less than a byte are
// packed with the leftmost pixel in the most significant bits.
#pragma once

#include "common/Image.h"

namespace common {

class IndexedImage : public Image {
public:
    uint32_t ColourKind() const override { return 1; }
    uint32_t BitsPerPixel() const override { return bits; }
    uint32_t GetPixelIndex(int32_t y, int32_t x) const override;
    void SetPixelIndex(int32_t y, int32_t x, uint32_t value) override;
    // The palette entry of the pixel; the default colour while there is no palette.
    Colour GetPixelColour(int32_t y, int32_t x) const override;
    // A palettised pixel takes no colour, only an index.
    void SetPixelColour(int32_t y, int32_t x, Colour colour) override;
    uint32_t PaletteSize(bool full) const override;
    void SetRowIndices(int32_t y, const uint8_t* indices) override;

protected:
    explicit IndexedImage(uint32_t bits) : bits(bits) {}

private:
    const uint32_t bits;
};

class IndexedImage1Bit : public IndexedImage {
public:
    IndexedImage1Bit() : IndexedImage(1) {}
    std::unique_ptr<Image> NewEmpty() const override { return std::make_unique<IndexedImage1Bit>(); }
};

class IndexedImage2Bit : public IndexedImage {
public:
    IndexedImage2Bit() : IndexedImage(2) {}
    std::unique_ptr<Image> NewEmpty() const override { return std::make_unique<IndexedImage2Bit>(); }
};

class IndexedImage4Bit : public IndexedImage {
public:
    IndexedImage4Bit() : IndexedImage(4) {}
    std::unique_ptr<Image> NewEmpty() const override { return std::make_unique<IndexedImage4Bit>(); }
};

class IndexedImage8Bit : public IndexedImage {
public:
    IndexedImage8Bit() : IndexedImage(8) {}
    std::unique_ptr<Image> NewEmpty() const override { return std::make_unique<IndexedImage8Bit>(); }
};

// Each byte is a grey level; the palette is not used for colours.
class GreyImage8Bit : public IndexedImage8Bit {
public:
    uint32_t ColourKind() const override { return 2; }
    std::unique_ptr<Image> NewEmpty() const override { return std::make_unique<GreyImage8Bit>(); }
    Colour GetPixelColour(int32_t y, int32_t x) const override;
};

} // namespace common
