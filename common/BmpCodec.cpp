#include "common/BmpCodec.h"

#include "common/DirectColourImage.h"
#include "common/IndexedImage.h"
#include "common/LittleEndian.h"

#include <array>

namespace common {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr uint32_t kBmpType = 0x4D42; // "BM"

// Fields of the two headers, by offset from the start of each.
struct Field {
    int offset;
    int size;
};
constexpr Field kType{0, 2};
constexpr Field kFileSize{2, 4};
constexpr Field kDataOffset{10, 4};
constexpr Field kHeaderSize{0, 4};
constexpr Field kWidth{4, 4};
constexpr Field kHeight{8, 4};
constexpr Field kPlanes{12, 2};
constexpr Field kBitsPerPixel{14, 2};
constexpr Field kCompression{16, 4};
constexpr Field kColoursUsed{32, 4};
constexpr Field kImportantColours{36, 4};

template <size_t N>
uint32_t Get(const std::array<uint8_t, N>& header, Field field) {
    return static_cast<uint32_t>(LoadLittleEndian(header.data() + field.offset, field.size));
}

template <size_t N>
void Put(std::array<uint8_t, N>& header, Field field, uint32_t value) {
    StoreLittleEndian(header.data() + field.offset, field.size, value);
}

std::unique_ptr<Image> MakeImage(BmpKind kind, uint32_t bitsPerPixel) {
    const bool palettised = kind == BmpKind::Any || kind == BmpKind::Palettised;
    const bool direct = kind == BmpKind::Any || kind == BmpKind::DirectColour;
    switch (bitsPerPixel) {
    case 1:
        return palettised ? std::make_unique<IndexedImage1Bit>() : nullptr;
    case 2:
        return palettised ? std::make_unique<IndexedImage2Bit>() : nullptr;
    case 4:
        return palettised ? std::make_unique<IndexedImage4Bit>() : nullptr;
    case 8:
        if (kind == BmpKind::Grey) {
            return std::make_unique<GreyImage8Bit>();
        }
        return palettised ? std::make_unique<IndexedImage8Bit>() : nullptr;
    case 16:
        return direct ? std::make_unique<Rgb565Image>() : nullptr;
    case 24:
        return direct ? std::make_unique<Bgr24Image>() : nullptr;
    case 32:
        return direct ? std::make_unique<Argb32Image>() : nullptr;
    default:
        return nullptr;
    }
}

// Whether rows of this size fit between the pixel data offset and the end of the stream, computed without
// overflow before anything is allocated for them.
bool PixelsFit(int64_t available, int64_t width, int64_t height, uint32_t bitsPerPixel) {
    const int64_t rowBytes = ((width * bitsPerPixel + 7) / 8 + 3) & ~int64_t{3};
    return available >= 0 && height <= available / rowBytes;
}

bool WriteFileHeader(ByteStream& stream, int64_t fileSize, int64_t dataOffset) {
    std::array<uint8_t, kFileHeaderSize> fileHeader{};
    Put(fileHeader, kType, kBmpType);
    Put(fileHeader, kFileSize, static_cast<uint32_t>(fileSize));
    Put(fileHeader, kDataOffset, static_cast<uint32_t>(dataOffset));
    return stream.Write(fileHeader.data(), kFileHeaderSize) == kFileHeaderSize;
}

// A grey image's pixels are levels, whatever its palette holds: its table is the grey ramp.
Colour ColourTableEntry(const Image& image, uint32_t index) {
    return image.ColourKind() == 2 ? index << 16 | index << 8 | index : image.GetPalette()[index];
}

} // namespace

std::unique_ptr<Image> ReadBmp(ByteStream& stream, BmpKind kind) {
    const int64_t start = stream.Tell();
    std::array<uint8_t, kFileHeaderSize> fileHeader{};
    if (start < 0 || stream.Read(fileHeader.data(), kFileHeaderSize) != kFileHeaderSize ||
        Get(fileHeader, kType) != kBmpType) {
        return nullptr;
    }
    const auto fileSize = static_cast<int32_t>(Get(fileHeader, kFileSize));
    const auto dataOffset = static_cast<int32_t>(Get(fileHeader, kDataOffset));
    const int64_t streamSize = stream.Size();
    if (fileSize < 0 || dataOffset < 0 || start + fileSize > streamSize || start + dataOffset > streamSize) {
        return nullptr;
    }

    std::array<uint8_t, kInfoHeaderSize> info{};
    if (stream.Read(info.data(), kInfoHeaderSize) != kInfoHeaderSize) {
        return nullptr;
    }
    const auto width = static_cast<int32_t>(Get(info, kWidth));
    const auto height = static_cast<int32_t>(Get(info, kHeight));
    const uint32_t bitsPerPixel = Get(info, kBitsPerPixel);
    if (Get(info, kHeaderSize) < kInfoHeaderSize || width < 1 || height < 1 || Get(info, kPlanes) != 1 ||
        Get(info, kCompression) != 0) {
        return nullptr;
    }

    std::unique_ptr<Image> image = MakeImage(kind, bitsPerPixel);
    if (!image || !PixelsFit(streamSize - start - dataOffset, width, height, bitsPerPixel) ||
        !image->Create(width, height)) {
        return nullptr;
    }

    // The colour table lies directly behind the 40 bytes; a short one runs into the pixel data and is refused.
    const uint32_t entries = image->PaletteSize(false);
    if (entries > 0) {
        Colour* palette = image->EnsurePalette();
        for (uint32_t i = 0; i < entries; ++i) {
            std::array<uint8_t, 4> entry{};
            if (stream.Read(entry.data(), 4) != 4) {
                return nullptr;
            }
            palette[i] = kDefaultColour | Colour{entry[2]} << 16 | Colour{entry[1]} << 8 | entry[0];
        }
    }
    if (stream.Tell() - start > dataOffset || !stream.Seek(start + dataOffset) || !image->ReadPixels(stream)) {
        return nullptr;
    }
    return image;
}

bool WriteBmp(ByteStream& stream, Image& image) {
    if (image.GetWidth() == 0 || image.GetHeight() == 0) {
        return false;
    }
    const uint32_t entries = image.PaletteSize(false);
    if (entries > 0 || image.GetPalette() != nullptr) {
        Colour* palette = image.EnsurePalette();
        for (uint32_t i = 0; i < kPaletteEntries; ++i) {
            palette[i] |= 0xFF000000;
        }
    }

    const int64_t start = stream.Tell();
    if (!WriteFileHeader(stream, 0, 0)) {
        return false;
    }

    const uint32_t coloursUsed = image.BitsPerPixel() <= 8 ? entries : 0;
    std::array<uint8_t, kInfoHeaderSize> info{};
    Put(info, kHeaderSize, kInfoHeaderSize);
    Put(info, kWidth, static_cast<uint32_t>(image.GetWidth()));
    Put(info, kHeight, static_cast<uint32_t>(image.GetHeight()));
    Put(info, kPlanes, 1);
    Put(info, kBitsPerPixel, image.BitsPerPixel());
    Put(info, kColoursUsed, coloursUsed);
    Put(info, kImportantColours, coloursUsed);
    if (stream.Write(info.data(), kInfoHeaderSize) != kInfoHeaderSize) {
        return false;
    }

    for (uint32_t i = 0; i < entries; ++i) {
        const Colour colour = ColourTableEntry(image, i);
        const std::array<uint8_t, 4> entry = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                                              static_cast<uint8_t>(colour >> 16), 0};
        if (stream.Write(entry.data(), 4) != 4) {
            return false;
        }
    }

    const int64_t dataOffset = stream.Tell() - start;
    if (!image.WritePixels(stream)) {
        return false;
    }
    const int64_t fileSize = stream.Tell() - start;
    return stream.Seek(start) && WriteFileHeader(stream, fileSize, dataOffset) && stream.Seek(start + fileSize);
}

} // namespace common
