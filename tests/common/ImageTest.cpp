#include "common/DirectColourImage.h"
#include "common/IndexedImage.h"
#include "common/MemoryStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace common {
namespace {

struct FormatCase {
    const char* name;
    std::function<std::unique_ptr<Image>()> make;
    uint32_t bitsPerPixel;
    uint32_t colourKind;
    uint32_t channelBits; // total of GetChannelBits
    uint32_t paletteSize; // PaletteSize(false)
    uint32_t strideFor10; // Stride of a 10-pixel row
};

template <typename T>
std::function<std::unique_ptr<Image>()> Maker() {
    return [] { return std::make_unique<T>(); };
}

std::vector<FormatCase> Formats() {
    return {
        {"1 bit", Maker<IndexedImage1Bit>(), 1, 1, 24, 2, 4},
        {"2 bits", Maker<IndexedImage2Bit>(), 2, 1, 24, 4, 4},
        {"4 bits", Maker<IndexedImage4Bit>(), 4, 1, 24, 16, 8},
        {"8 bits", Maker<IndexedImage8Bit>(), 8, 1, 24, 256, 12},
        {"grey", Maker<GreyImage8Bit>(), 8, 2, 24, 256, 12},
        {"5-6-5", Maker<Rgb565Image>(), 16, 3, 16, 0, 20},
        {"24 bits", Maker<Bgr24Image>(), 24, 3, 24, 0, 32},
        {"32 bits", Maker<Argb32Image>(), 32, 3, 24, 0, 40},
    };
}

TEST(ImageTest, FormatsAndStrides) {
    for (const FormatCase& format : Formats()) {
        SCOPED_TRACE(format.name);
        auto image = format.make();
        uint32_t first = 0, second = 0, third = 0;
        EXPECT_EQ(image->BitsPerPixel(), format.bitsPerPixel);
        EXPECT_EQ(image->ColourKind(), format.colourKind);
        EXPECT_EQ(image->GetChannelBits(&first, &second, &third), format.channelBits);
        EXPECT_EQ(first + second + third, format.channelBits);
        EXPECT_EQ(image->PaletteSize(false), format.paletteSize);
        EXPECT_EQ(image->PaletteSize(true), format.colourKind == 3 ? 256u : format.paletteSize);
        EXPECT_EQ(image->HasAlphaByte, format.bitsPerPixel == 32);

        ASSERT_TRUE(image->Create(10, 3));
        EXPECT_EQ(image->GetStride(), format.strideFor10);
        EXPECT_EQ(image->RowPointer(1) - image->RowPointer(0), static_cast<ptrdiff_t>(format.strideFor10));
        EXPECT_EQ(image->Data(), image->RowPointer(0));
        EXPECT_EQ(image->RowPointer(3), nullptr);
        EXPECT_EQ(image->NewEmpty()->BitsPerPixel(), format.bitsPerPixel);
    }
}

TEST(ImageTest, CreateRefusesNegativeSizesAndKeepsTheSameSize) {
    IndexedImage8Bit image;
    int changes = 0;
    image.SetChangeCallback([&](Image&) { ++changes; });
    EXPECT_TRUE(image.Create(0, 0));
    EXPECT_EQ(image.Data(), nullptr);
    EXPECT_EQ(changes, 0);

    EXPECT_FALSE(image.Create(-1, 4));
    ASSERT_TRUE(image.Create(4, 2));
    EXPECT_EQ(changes, 1);
    image.SetPixelIndex(1, 3, 77);
    EXPECT_TRUE(image.Create(4, 2));
    EXPECT_EQ(image.GetPixelIndex(1, 3), 77u);
    EXPECT_FALSE(image.Create(4, -2));
    EXPECT_EQ(image.GetPixelIndex(1, 3), 77u);

    image.FreeBuffers();
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    EXPECT_EQ(image.GetStride(), 0u);
}

TEST(ImageTest, PackedPixelsKeepTheirNeighbours) {
    for (const FormatCase& format : Formats()) {
        SCOPED_TRACE(format.name);
        auto image = format.make();
        ASSERT_TRUE(image->Create(9, 2));
        const uint32_t mask = format.bitsPerPixel == 32 ? 0xFFFFFFFF : (1u << format.bitsPerPixel) - 1;
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 9; ++x)
                image->SetPixelIndex(y, x, 0x9E3779B9u * (y * 9 + x + 1));
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 9; ++x)
                EXPECT_EQ(image->GetPixelIndex(y, x), (0x9E3779B9u * (y * 9 + x + 1)) & mask) << y << "," << x;

        // Outside the image nothing is read or written.
        image->SetPixelIndex(0, 9, 1);
        image->SetPixelIndex(-1, 0, 1);
        EXPECT_EQ(image->GetPixelIndex(2, 0), 0u);
        EXPECT_EQ(image->GetPixelColour(0, -1), kDefaultColour);
    }
}

TEST(ImageTest, RowIndicesPackLeftmostHigh) {
    IndexedImage4Bit image;
    ASSERT_TRUE(image.Create(3, 1));
    const uint8_t indices[] = {1, 2, 3};
    image.SetRowIndices(0, indices);
    EXPECT_EQ(image.RowPointer(0)[0], 0x12);
    EXPECT_EQ(image.RowPointer(0)[1], 0x30);
    for (int32_t x = 0; x < 3; ++x)
        EXPECT_EQ(image.GetPixelIndex(0, x), indices[x]);

    IndexedImage1Bit mono;
    ASSERT_TRUE(mono.Create(10, 1));
    const uint8_t bits[] = {1, 0, 1, 1, 0, 0, 0, 1, 3, 2}; // only the low bit counts
    mono.SetRowIndices(0, bits);
    EXPECT_EQ(mono.RowPointer(0)[0], 0xB1);
    EXPECT_EQ(mono.RowPointer(0)[1], 0x80);
}

TEST(ImageTest, PixelColoursPerFormat) {
    IndexedImage2Bit indexed;
    ASSERT_TRUE(indexed.Create(2, 1));
    indexed.SetPixelIndex(0, 1, 2);
    EXPECT_EQ(indexed.GetPixelColour(0, 1), kDefaultColour); // no palette yet
    indexed.EnsurePalette()[2] = 0xFF123456;
    EXPECT_EQ(indexed.GetPixelColour(0, 1), 0xFF123456u);
    indexed.SetPixelColour(0, 1, 0xFFFFFFFF); // takes no colour
    EXPECT_EQ(indexed.GetPixelIndex(0, 1), 2u);

    GreyImage8Bit grey;
    ASSERT_TRUE(grey.Create(1, 1));
    grey.SetPixelIndex(0, 0, 0x5A);
    EXPECT_EQ(grey.GetPixelColour(0, 0), 0xFF5A5A5Au);

    Rgb565Image rgb565;
    ASSERT_TRUE(rgb565.Create(2, 1));
    rgb565.SetPixelIndex(0, 0, 0xFFFF);
    EXPECT_EQ(rgb565.GetPixelColour(0, 0), 0xFFF8FCF8u);
    rgb565.SetPixelColour(0, 1, 0x00FF8010);
    EXPECT_EQ(rgb565.GetPixelIndex(0, 1), 0xFC02u);
    EXPECT_EQ(rgb565.RowPointer(0)[2], 0x02); // little-endian in the row
    EXPECT_EQ(rgb565.RowPointer(0)[3], 0xFC);

    Bgr24Image bgr;
    ASSERT_TRUE(bgr.Create(1, 1));
    bgr.SetPixelColour(0, 0, 0x80112233);
    EXPECT_EQ(bgr.RowPointer(0)[0], 0x33);
    EXPECT_EQ(bgr.RowPointer(0)[2], 0x11);
    EXPECT_EQ(bgr.GetPixelColour(0, 0), 0xFF112233u);

    Argb32Image argb;
    ASSERT_TRUE(argb.Create(1, 1));
    argb.SetPixelColour(0, 0, 0x80112233);
    EXPECT_EQ(argb.GetPixelColour(0, 0), 0x80112233u);
    EXPECT_EQ(argb.GetRowColours(0), reinterpret_cast<const Colour*>(argb.RowPointer(0)));
}

TEST(ImageTest, DirectImagesTakeRowIndicesThroughThePalette) {
    Rgb565Image image;
    ASSERT_TRUE(image.Create(2, 1));
    const uint8_t indices[] = {0, 7};
    image.SetRowIndices(0, indices);
    ASSERT_NE(image.GetPalette(), nullptr);
    image.EnsurePalette()[7] = 0xFFF8FCF8;
    image.SetRowIndices(0, indices);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 0u);
    EXPECT_EQ(image.GetPixelIndex(0, 1), 0xFFFFu);
}

TEST(ImageTest, RowColoursAreCachedPerRow) {
    Bgr24Image empty;
    EXPECT_EQ(empty.GetRowColours(0), nullptr);

    GreyImage8Bit image;
    ASSERT_TRUE(image.Create(3, 2));
    for (int32_t x = 0; x < 3; ++x)
        image.SetPixelIndex(1, x, static_cast<uint32_t>(x * 0x40));
    const Colour* row = image.GetRowColours(1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row[0], 0xFF000000u);
    EXPECT_EQ(row[2], 0xFF808080u);
    EXPECT_EQ(image.GetRowColours(2), nullptr);
}

TEST(ImageTest, CloneCopiesSizeKeyPaletteAndPixels) {
    IndexedImage4Bit image;
    ASSERT_TRUE(image.Create(5, 2));
    image.KeyColour = 0xFF00FF00;
    image.KeyEnabled = true;
    image.EnsurePalette()[15] = 0xFF0000FF;
    image.SetPixelIndex(1, 4, 15);

    const auto bare = image.Clone(false);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->GetWidth(), 5);
    EXPECT_EQ(bare->GetPalette()[15], 0xFF0000FFu);
    EXPECT_TRUE(bare->KeyEnabled);

    const auto copy = image.Clone(true);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->BitsPerPixel(), 4u);
    EXPECT_EQ(copy->GetPixelColour(1, 4), 0xFF0000FFu);
    EXPECT_EQ(copy->KeyColour, 0xFF00FF00u);

    // A source without a palette gives the copy the default one and stays as it was.
    Bgr24Image direct;
    ASSERT_TRUE(direct.Create(1, 1));
    const auto directCopy = direct.Clone(true);
    EXPECT_EQ(direct.GetPalette(), nullptr);
    ASSERT_NE(directCopy->GetPalette(), nullptr);
    EXPECT_EQ(directCopy->GetPalette()[255], kDefaultColour);
}

TEST(ImageTest, MasksMarkWhatIsNotTheKey) {
    Argb32Image image;
    ASSERT_TRUE(image.Create(3, 1));
    image.SetPixelColour(0, 0, 0xFF000000);
    image.SetPixelColour(0, 1, 0xFF00FF00);
    image.SetPixelColour(0, 2, 0xFF000000);

    EXPECT_EQ(image.MakeMonoImage(nullptr), nullptr); // no key colour enabled
    image.KeyEnabled = true;
    const auto mask = image.MakeMonoImage(nullptr);
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->GetWidth(), 3);
    EXPECT_EQ(mask->GetPixelIndex(0, 0), 0u);
    EXPECT_EQ(mask->GetPixelIndex(0, 1), 1u);
    EXPECT_EQ(mask->GetPixelIndex(0, 2), 0u);

    const Colour green = 0xFF00FF00;
    const auto inverse = image.MakeMonoImage(&green);
    EXPECT_EQ(inverse->GetPixelIndex(0, 0), 1u);
    EXPECT_EQ(inverse->GetPixelIndex(0, 1), 0u);
}

TEST(ImageTest, CopyToImage32TakesTheColours) {
    IndexedImage1Bit image;
    ASSERT_TRUE(image.Create(2, 2));
    image.EnsurePalette()[1] = 0xFFABCDEF;
    image.SetPixelIndex(1, 1, 1);
    image.SetPixelIndex(0, 0, 0);
    Argb32Image copy;
    ASSERT_TRUE(image.CopyToImage32(copy));
    EXPECT_EQ(copy.GetWidth(), 2);
    EXPECT_EQ(copy.GetPixelColour(1, 1), 0xFFABCDEFu);
    EXPECT_EQ(copy.GetPixelColour(0, 0), kDefaultColour);
}

std::vector<uint8_t> Contents(MemoryStream& stream) {
    return std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

TEST(ImageTest, PixelRowsGoBottomUpWithPadding) {
    IndexedImage1Bit image;
    ASSERT_TRUE(image.Create(10, 2));
    EXPECT_EQ(image.GetStride(), 4u);
    std::memset(image.RowPointer(0), 0xFF, 4);
    image.RowPointer(1)[0] = 0x12;
    image.RowPointer(1)[1] = 0x80;
    image.RowPointer(1)[2] = 0xAA; // stride padding is never written

    MemoryStream stream;
    ASSERT_TRUE(stream.Create(0, -1));
    ASSERT_TRUE(image.WritePixels(stream));
    EXPECT_EQ(Contents(stream), (std::vector<uint8_t>{0x12, 0x80, 0, 0, 0xFF, 0xFF, 0, 0}));

    IndexedImage1Bit copy;
    ASSERT_TRUE(copy.Create(10, 2));
    ASSERT_TRUE(stream.Seek(0));
    ASSERT_TRUE(copy.ReadPixels(stream));
    EXPECT_EQ(stream.Tell(), 8);
    EXPECT_EQ(copy.RowPointer(1)[0], 0x12);
    EXPECT_EQ(copy.RowPointer(0)[1], 0xFF);
}

TEST(ImageTest, PixelRowsRefuseShortStreams) {
    Bgr24Image image;
    ASSERT_TRUE(image.Create(3, 2));
    std::vector<uint8_t> bytes(23); // one byte short of two padded 9-byte rows
    MemoryStream stream;
    ASSERT_TRUE(stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size())));
    EXPECT_FALSE(image.ReadPixels(stream));

    std::vector<uint8_t> small(20);
    MemoryStream fixed;
    ASSERT_TRUE(fixed.Attach(small.data(), static_cast<int64_t>(small.size())));
    EXPECT_FALSE(image.WritePixels(fixed));

    Bgr24Image empty;
    EXPECT_TRUE(empty.ReadPixels(fixed));
    EXPECT_TRUE(empty.WritePixels(fixed));
}

} // namespace
} // namespace common
