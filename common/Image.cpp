#include "common/Image.h"

#include "common/ByteStream.h"
#include "common/DirectColourImage.h"
#include "common/IndexedImage.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace common {

Image::Image(bool hasAlphaByte) : HasAlphaByte(hasAlphaByte) {}

Image::~Image() = default;

uint64_t Image::RowBytesFor(int32_t width) const {
    return (static_cast<uint64_t>(width) * BitsPerPixel() + 7) / 8;
}

bool Image::ReadPixels(ByteStream& stream) {
    const int64_t rowBytes = static_cast<int64_t>(RowBytesFor(Width));
    const int64_t padding = (4 - rowBytes % 4) % 4;
    for (int32_t y = Height - 1; y >= 0; --y) {
        uint8_t* row = RowPointer(y);
        if (row == nullptr || stream.Read(row, rowBytes) != rowBytes || !stream.Seek(stream.Tell() + padding)) {
            return false;
        }
    }
    return true;
}

bool Image::WritePixels(ByteStream& stream) {
    const int64_t rowBytes = static_cast<int64_t>(RowBytesFor(Width));
    const int64_t padding = (4 - rowBytes % 4) % 4;
    const uint8_t zero = 0;
    for (int32_t y = Height - 1; y >= 0; --y) {
        const uint8_t* row = RowPointer(y);
        if (row == nullptr || stream.Write(row, rowBytes) != rowBytes) {
            return false;
        }
        for (int64_t i = 0; i < padding; ++i) {
            if (stream.Write(&zero, 1) != 1) {
                return false;
            }
        }
    }
    return true;
}

void Image::NotifyChanged() {
    RowCache.clear();
    RowCache.shrink_to_fit();
    if (changeCallback) {
        changeCallback(*this);
    }
}

std::unique_ptr<Image> Image::Clone(bool copyPixels) const {
    std::unique_ptr<Image> copy = NewEmpty();
    if (!copy || !copy->Create(Width, Height)) {
        return nullptr;
    }
    copy->KeyColour = KeyColour;
    copy->KeyEnabled = KeyEnabled;
    // Without a palette of its own the source's is the default one, which the copy gets anyway.
    Colour* palette = copy->EnsurePalette();
    if (Palette) {
        std::copy_n(Palette.get(), PaletteSize(true), palette);
    }
    if (copyPixels) {
        for (int32_t y = 0; y < Height; ++y) {
            for (int32_t x = 0; x < Width; ++x) {
                copy->SetPixelIndex(y, x, GetPixelIndex(y, x));
            }
        }
    }
    return copy;
}

bool Image::Create(int32_t width, int32_t height) {
    if (width == Width && height == Height) {
        return true;
    }
    if (width < 0 || height < 0) {
        return false;
    }
    FreeBuffers();
    const uint64_t stride = (RowBytesFor(width) + 3) & ~uint64_t{3};
    if (stride > UINT32_MAX) {
        return false;
    }
    // A size the host cannot hold is a refusal, not an exception.
    Pixels.reset(new (std::nothrow) uint8_t[stride * static_cast<uint64_t>(height)]);
    Rows.reset(new (std::nothrow) uint8_t*[static_cast<size_t>(height)]);
    if (!Pixels || !Rows) {
        FreeBuffers();
        return false;
    }
    for (int32_t y = 0; y < height; ++y) {
        Rows[y] = Pixels.get() + y * stride;
    }
    Width = width;
    Height = height;
    Stride = static_cast<uint32_t>(stride);
    NotifyChanged();
    return true;
}

void Image::FreeBuffers() {
    Pixels.reset();
    Rows.reset();
    Width = 0;
    Height = 0;
    Stride = 0;
}

uint32_t Image::GetChannelBits(uint32_t* first, uint32_t* second, uint32_t* third) const {
    *first = 8;
    *second = 8;
    *third = 8;
    return 24;
}

uint8_t* Image::Data() {
    return Height > 0 ? Pixels.get() : nullptr;
}

uint8_t* Image::RowPointer(int32_t y) {
    return y >= 0 && y < Height ? Rows[y] : nullptr;
}

bool Image::QueryOption() const {
    return false;
}

uint32_t Image::PaletteSize(bool full) const {
    return full ? kPaletteEntries : 0;
}

const Colour* Image::GetRowColours(int32_t y) {
    if (Width < 1 || y < 0 || y >= Height) {
        return nullptr;
    }
    RowCache.resize(static_cast<size_t>(Width), kDefaultColour);
    for (int32_t x = 0; x < Width; ++x) {
        RowCache[x] = GetPixelColour(y, x);
    }
    return RowCache.data();
}

void Image::SetChangeCallback(ChangeCallback callback) {
    changeCallback = std::move(callback);
}

Colour* Image::EnsurePalette() {
    if (!Palette) {
        Palette = std::make_unique<Colour[]>(kPaletteEntries);
        std::fill_n(Palette.get(), kPaletteEntries, kDefaultColour);
    }
    return Palette.get();
}

bool Image::MakeMask(Image& destination, Colour key) {
    if (!destination.Create(Width, Height)) {
        return false;
    }
    for (int32_t y = 0; y < Height; ++y) {
        const Colour* row = GetRowColours(y);
        if (row == nullptr) {
            break;
        }
        for (int32_t x = 0; x < Width; ++x) {
            destination.SetPixelIndex(y, x, row[x] != key ? 1 : 0);
        }
    }
    return true;
}

std::unique_ptr<IndexedImage1Bit> Image::MakeMonoImage(const Colour* key) {
    if (key == nullptr && !KeyEnabled) {
        return nullptr;
    }
    auto mask = std::make_unique<IndexedImage1Bit>();
    if (!MakeMask(*mask, key != nullptr ? *key : KeyColour)) {
        return nullptr;
    }
    return mask;
}

bool Image::CopyToImage32(Argb32Image& destination) {
    if (!destination.Create(Width, Height)) {
        destination.Create(0, 0);
        return false;
    }
    for (int32_t y = 0; y < Height; ++y) {
        const Colour* row = GetRowColours(y);
        if (row == nullptr) {
            break;
        }
        std::memcpy(destination.RowPointer(y), row, static_cast<size_t>(Width) * sizeof(Colour));
    }
    return true;
}

} // namespace common
