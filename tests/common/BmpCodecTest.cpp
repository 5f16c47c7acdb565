#include "common/BmpCodec.h"

#include "common/DirectColourImage.h"
#include "common/IndexedImage.h"
#include "common/MemoryStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace common {
namespace {

std::vector<uint8_t> Contents(MemoryStream& stream) {
    return std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

std::vector<uint8_t> Encode(Image& image) {
    MemoryStream stream;
    EXPECT_TRUE(stream.Create(0, -1));
    EXPECT_TRUE(WriteBmp(stream, image));
    EXPECT_EQ(stream.Tell(), stream.Size());
    return Contents(stream);
}

std::unique_ptr<Image> Decode(std::vector<uint8_t> bytes, BmpKind kind = BmpKind::Any) {
    MemoryStream stream;
    if (bytes.empty())
        return ReadBmp(stream, kind);
    EXPECT_TRUE(stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size())));
    return ReadBmp(stream, kind);
}

uint32_t FieldAt(const std::vector<uint8_t>& bytes, size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

void SetField(std::vector<uint8_t>& bytes, size_t offset, uint32_t value, int size = 4) {
    for (int i = 0; i < size; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// An image of every depth with a pattern that catches swapped rows, lost padding and packing errors.
std::unique_ptr<Image> Patterned(std::unique_ptr<Image> image) {
    EXPECT_TRUE(image->Create(5, 3));
    if (image->PaletteSize(false) > 0) {
        Colour* palette = image->EnsurePalette();
        for (uint32_t i = 0; i < image->PaletteSize(false); ++i)
            palette[i] = 0xFF000000 | (i * 0x010307);
    }
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            image->SetPixelIndex(y, x, 0xFF5AC3E7u * static_cast<uint32_t>(y * 5 + x + 1) | 0xFF000000);
    return image;
}

struct DepthCase {
    const char* name;
    std::function<std::unique_ptr<Image>()> make;
    BmpKind kind;
};

template <typename T>
std::function<std::unique_ptr<Image>()> Maker() {
    return [] { return std::make_unique<T>(); };
}

TEST(BmpCodecTest, WriteThenReadAtEveryDepth) {
    const DepthCase cases[] = {
        {"1 bit", Maker<IndexedImage1Bit>(), BmpKind::Any},
        {"2 bits", Maker<IndexedImage2Bit>(), BmpKind::Palettised},
        {"4 bits", Maker<IndexedImage4Bit>(), BmpKind::Any},
        {"8 bits", Maker<IndexedImage8Bit>(), BmpKind::Palettised},
        {"grey", Maker<GreyImage8Bit>(), BmpKind::Grey},
        {"5-6-5", Maker<Rgb565Image>(), BmpKind::Any},
        {"24 bits", Maker<Bgr24Image>(), BmpKind::DirectColour},
        {"32 bits", Maker<Argb32Image>(), BmpKind::Any},
    };
    for (const DepthCase& depth : cases) {
        SCOPED_TRACE(depth.name);
        const auto original = Patterned(depth.make());
        const std::vector<uint8_t> bytes = Encode(*original);
        EXPECT_EQ(FieldAt(bytes, 2), bytes.size());
        EXPECT_EQ(FieldAt(bytes, 10), 54 + 4 * original->PaletteSize(false));

        const auto read = Decode(bytes, depth.kind);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->BitsPerPixel(), original->BitsPerPixel());
        EXPECT_EQ(read->ColourKind(), original->ColourKind());
        EXPECT_EQ(read->GetWidth(), 5);
        EXPECT_EQ(read->GetHeight(), 3);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x)
                EXPECT_EQ(read->GetPixelColour(y, x), original->GetPixelColour(y, x)) << y << "," << x;
    }
}

TEST(BmpCodecTest, SixteenColourPictureLayout) {
    IndexedImage4Bit image;
    ASSERT_TRUE(image.Create(32, 32));
    Colour* palette = image.EnsurePalette();
    for (uint32_t i = 0; i < 16; ++i)
        palette[i] = 0x00101010 * i; // no alpha yet
    const std::vector<uint8_t> bytes = Encode(image);
    EXPECT_EQ(FieldAt(bytes, 10), 118u);
    EXPECT_EQ(bytes.size(), 118u + 32 * 16);
    EXPECT_EQ(FieldAt(bytes, 46), 16u);            // colours used
    EXPECT_EQ(image.GetPalette()[3], 0xFF303030u); // writing made the palette opaque

    const auto read = Decode(bytes);
    ASSERT_NE(dynamic_cast<IndexedImage4Bit*>(read.get()), nullptr);
    EXPECT_EQ(read->GetPalette()[15], 0xFFF0F0F0u);
}

TEST(BmpCodecTest, RowsArePaddedToFourBytes) {
    Bgr24Image image;
    ASSERT_TRUE(image.Create(3, 2));
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            image.SetPixelColour(y, x, 0xFFFFFFFF);
    const std::vector<uint8_t> bytes = Encode(image);
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    for (size_t row = 0; row < 2; ++row) {
        const size_t at = 54 + row * 12;
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + 12),
                  (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}));
    }
}

TEST(BmpCodecTest, AFileInTheMiddleOfAStreamReadsTheSame) {
    const auto original = Patterned(std::make_unique<IndexedImage8Bit>());
    const std::vector<uint8_t> file = Encode(*original);
    std::vector<uint8_t> bytes(7 + file.size() + 5, 0xEE);
    std::copy(file.begin(), file.end(), bytes.begin() + 7);

    MemoryStream stream;
    ASSERT_TRUE(stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size())));
    ASSERT_TRUE(stream.Seek(7));
    const auto read = ReadBmp(stream, BmpKind::Any);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetPixelIndex(2, 4), original->GetPixelIndex(2, 4));
}

TEST(BmpCodecTest, RefusesWhatItCannotRead) {
    const auto original = Patterned(std::make_unique<IndexedImage8Bit>());
    const std::vector<uint8_t> valid = Encode(*original);
    ASSERT_NE(Decode(valid), nullptr);

    const struct {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> change;
        BmpKind kind;
    } cases[] = {
        {"not BM", [](auto& b) { b[1] = 'X'; }, BmpKind::Any},
        {"top-down", [](auto& b) { SetField(b, 22, static_cast<uint32_t>(-3)); }, BmpKind::Any},
        {"compressed", [](auto& b) { SetField(b, 30, 1); }, BmpKind::Any},
        {"two planes", [](auto& b) { SetField(b, 26, 2, 2); }, BmpKind::Any},
        {"short header", [](auto& b) { SetField(b, 14, 12); }, BmpKind::Any},
        {"no width", [](auto& b) { SetField(b, 18, 0); }, BmpKind::Any},
        {"3 bits", [](auto& b) { SetField(b, 28, 3, 2); }, BmpKind::Any},
        {"file size past the stream", [](auto& b) { SetField(b, 2, static_cast<uint32_t>(b.size() + 1)); },
         BmpKind::Any},
        {"negative file size", [](auto& b) { SetField(b, 2, 0x80000000); }, BmpKind::Any},
        {"data offset past the stream", [](auto& b) { SetField(b, 10, static_cast<uint32_t>(b.size() + 1)); },
         BmpKind::Any},
        {"data offset inside the colour table", [](auto& b) { SetField(b, 10, 54 + 64); }, BmpKind::Any},
        {"rows larger than the file", [](auto& b) { SetField(b, 22, 4); }, BmpKind::Any},
        {"huge picture in a small file",
         [](auto& b) {
             SetField(b, 18, 0x7FFFFFFF);
             SetField(b, 22, 0x7FFFFFFF);
         },
         BmpKind::Any},
        {"8 bits as direct colour", [](auto&) {}, BmpKind::DirectColour},
    };
    for (const auto& testCase : cases) {
        std::vector<uint8_t> bytes = valid;
        testCase.change(bytes);
        EXPECT_EQ(Decode(bytes, testCase.kind), nullptr) << testCase.name;
    }
}

TEST(BmpCodecTest, AShortColourTableIsRefused) {
    // An 8-bit file whose table holds 16 entries: the full table runs into the pixel data.
    const auto original = Patterned(std::make_unique<IndexedImage8Bit>());
    std::vector<uint8_t> bytes = Encode(*original);
    bytes.erase(bytes.begin() + 54 + 16 * 4, bytes.begin() + 54 + 256 * 4);
    SetField(bytes, 10, 54 + 16 * 4);
    SetField(bytes, 2, static_cast<uint32_t>(bytes.size()));
    SetField(bytes, 46, 16);
    EXPECT_EQ(Decode(bytes), nullptr);
}

TEST(BmpCodecTest, KindsChooseTheDepthsTheyAccept) {
    const auto fourBits = Encode(*Patterned(std::make_unique<IndexedImage4Bit>()));
    const auto trueColour = Encode(*Patterned(std::make_unique<Bgr24Image>()));
    const auto eightBits = Encode(*Patterned(std::make_unique<IndexedImage8Bit>()));
    EXPECT_EQ(Decode(fourBits, BmpKind::Grey), nullptr);
    EXPECT_EQ(Decode(trueColour, BmpKind::Palettised), nullptr);
    EXPECT_NE(Decode(trueColour, BmpKind::DirectColour), nullptr);
    EXPECT_EQ(Decode(eightBits, BmpKind::Any)->ColourKind(), 1u);
    EXPECT_EQ(Decode(eightBits, BmpKind::Grey)->ColourKind(), 2u);
}

TEST(BmpCodecTest, EveryTruncationIsRefused) {
    const std::vector<uint8_t> valid = Encode(*Patterned(std::make_unique<Rgb565Image>()));
    for (size_t length = 0; length < valid.size(); ++length) {
        std::vector<uint8_t> bytes(valid.begin(), valid.begin() + length);
        // The size field still promises the whole file.
        EXPECT_EQ(Decode(bytes), nullptr) << length;
    }
}

TEST(BmpCodecTest, WriteRefusesEmptyImagesAndShortStreams) {
    Argb32Image empty;
    MemoryStream stream;
    ASSERT_TRUE(stream.Create(0, -1));
    EXPECT_FALSE(WriteBmp(stream, empty));
    EXPECT_EQ(stream.Size(), 0);

    const auto image = Patterned(std::make_unique<Argb32Image>());
    for (size_t room : {size_t{10}, size_t{40}, size_t{60}}) {
        std::vector<uint8_t> buffer(room);
        MemoryStream fixed;
        ASSERT_TRUE(fixed.Attach(buffer.data(), static_cast<int64_t>(buffer.size())));
        EXPECT_FALSE(WriteBmp(fixed, *image)) << room;
    }
}

} // namespace
} // namespace common
