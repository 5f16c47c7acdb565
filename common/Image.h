// In-memory bitmaps of several pixel formats behind one interface. Colours are 0xAARRGGBB (blue in the low byte);
// the default colour everywhere is opaque black.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace common {

class ByteStream;
class IndexedImage1Bit;
class Argb32Image;

using Colour = uint32_t;
constexpr Colour kDefaultColour = 0xFF000000;
constexpr uint32_t kPaletteEntries = 256;

class Image {
public:
    using ChangeCallback = std::function<void(Image& image)>;

    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // The pixel rows in BMP order: bottom row first, each padded with zero bytes to a multiple of 4.
    // False on a short read or write.
    virtual bool ReadPixels(ByteStream& stream);
    virtual bool WritePixels(ByteStream& stream);

    // Drops the row cache and tells the change callback.
    virtual void NotifyChanged();

    // 1 palettised, 2 grey, 3 direct colour.
    virtual uint32_t ColourKind() const = 0;
    // A new empty image of the same class (null where that makes no sense).
    virtual std::unique_ptr<Image> NewEmpty() const = 0;
    // A new image of the same class and size with the key and palette, and with the pixels when asked.
    virtual std::unique_ptr<Image> Clone(bool copyPixels) const;
    // New pixels of undefined content; the same size keeps the pixels; a negative size is refused.
    virtual bool Create(int32_t width, int32_t height);
    virtual uint32_t BitsPerPixel() const = 0;
    // The bits of red, green and blue; answers their sum.
    virtual uint32_t GetChannelBits(uint32_t* first, uint32_t* second, uint32_t* third) const;

    // The first row in memory, and one row; null when there are no pixels or the row does not exist.
    virtual uint8_t* Data();
    virtual uint8_t* RowPointer(int32_t y);
    const uint8_t* RowPointer(int32_t y) const { return const_cast<Image*>(this)->RowPointer(y); }

    // Pixels outside the image read as 0 (or the default colour) and ignore writes.
    virtual uint32_t GetPixelIndex(int32_t y, int32_t x) const = 0;
    virtual void SetPixelIndex(int32_t y, int32_t x, uint32_t value) = 0;
    virtual Colour GetPixelColour(int32_t y, int32_t x) const = 0;
    virtual void SetPixelColour(int32_t y, int32_t x, Colour colour) = 0;

    virtual bool QueryOption() const;
    // Palette entries the format uses: 1 << BitsPerPixel for palettised images; for the others 256 when asked
    // for the full palette, else 0 (so no colour table goes into their BMP files).
    virtual uint32_t PaletteSize(bool full) const;
    // Sets a row from one palette index byte per pixel.
    virtual void SetRowIndices(int32_t y, const uint8_t* indices) = 0;
    // The colours of a row, valid until the next call, the next change or the image's end; null for an image
    // without width or a row that does not exist.
    virtual const Colour* GetRowColours(int32_t y);

    void SetChangeCallback(ChangeCallback callback);
    // Sizes the destination like this image; its pixel index is 1 where the colour differs from the key.
    bool MakeMask(Image& destination, Colour key);
    // A mask against the key, or against KeyColour when no key is given (null when KeyEnabled is clear).
    std::unique_ptr<IndexedImage1Bit> MakeMonoImage(const Colour* key);
    bool CopyToImage32(Argb32Image& destination);
    // Drops the pixels; the image is then 0 x 0.
    void FreeBuffers();

    int32_t GetWidth() const { return Width; }
    int32_t GetHeight() const { return Height; }
    uint32_t GetStride() const { return Stride; }
    // Null until something needed the palette.
    const Colour* GetPalette() const { return Palette.get(); }
    // The palette, made with every entry the default colour when there was none.
    Colour* EnsurePalette();
    bool IsInside(int32_t y, int32_t x) const { return y >= 0 && y < Height && x >= 0 && x < Width; }

    // The colour treated as background by MakeMonoImage; used only while KeyEnabled is set.
    Colour KeyColour = kDefaultColour;
    bool KeyEnabled = false;
    // The pixels carry their own alpha byte.
    const bool HasAlphaByte;

protected:
    explicit Image(bool hasAlphaByte = false);

    // Bytes that hold one row of pixels of this format, without padding.
    uint64_t RowBytesFor(int32_t width) const;

    int32_t Width = 0;
    int32_t Height = 0;
    uint32_t Stride = 0;

private:
    std::unique_ptr<Colour[]> Palette;
    std::vector<Colour> RowCache;
    ChangeCallback changeCallback;
    std::unique_ptr<uint8_t[]> Pixels;
    std::unique_ptr<uint8_t*[]> Rows;
};

} // namespace common
