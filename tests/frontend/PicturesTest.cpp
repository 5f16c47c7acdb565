#include "frontend/Pictures.h"

#include "common/IndexedImage.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace emu {
namespace {

using Loader = std::unique_ptr<common::Image> (*)();
using IndexedLoader = std::unique_ptr<common::Image> (*)(uint32_t);

constexpr common::Colour kMagenta = 0xFFFC02FC;
constexpr common::Colour kBlack = 0xFF040204;
constexpr common::Colour kDarkGrey = 0xFF5C5A5C;
constexpr common::Colour kWhite = 0xFFFCFEFC;
constexpr common::Colour kGreenLight = 0xFF04FE04;
constexpr common::Colour kRedLight = 0xFFFC0204;
constexpr common::Colour kYellowLight = 0xFFFCFE04;
constexpr common::Colour kLitCorner = 0xFFC4C2C4;

struct Pixel {
    int32_t y;
    int32_t x;
    common::Colour colour;
};

// Pixels off the diagonal, at odd and even columns and in both halves, so that a flipped row order, swapped
// nibbles or a palette read as RGB shows.
TEST(PicturesTest, ToolbarPicturesDecodeToTheirGrids) {
    struct Case {
        const char* name;
        Loader load;
        int32_t width;
        int32_t height;
        std::vector<Pixel> pixels;
    };
    const Case cases[] = {
        {"Start",
         LoadIndicatorImage,
         15,
         14,
         {{0, 7, 0xFF04AA54}, {7, 14, kBlack}, {0, 0, kMagenta}, {13, 7, kBlack}, {13, 9, kMagenta}}},
        {"Pause",
         LoadPauseImage,
         13,
         15,
         {{0, 1, 0xFF040284}, {0, 2, 0xFF0402FC}, {14, 2, 0xFF848684}, {14, 1, kMagenta}, {13, 2, 0xFF040284}}},
        {"Stop", LoadStopImage, 14, 13, {{0, 1, 0xFF9C0204}, {0, 13, kMagenta}, {1, 13, kBlack}, {12, 1, kMagenta}}},
    };
    for (const Case& picture : cases) {
        SCOPED_TRACE(picture.name);
        const auto image = picture.load();
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->GetWidth(), picture.width);
        EXPECT_EQ(image->GetHeight(), picture.height);
        EXPECT_EQ(image->BitsPerPixel(), 4u);
        EXPECT_FALSE(image->KeyEnabled);
        for (const Pixel& pixel : picture.pixels) {
            EXPECT_EQ(image->GetPixelColour(pixel.y, pixel.x), pixel.colour) << pixel.y << ", " << pixel.x;
        }
    }
}

struct DriveSet {
    const char* name;
    IndexedLoader load;
    Pixel light; // where the light lies; its colour is picture 0's
    // The face inside the frame, inclusive, and a pixel outside it that is face-coloured (a pin gap or a corner).
    int32_t top, left, bottom, right;
    int32_t outsideY, outsideX;
};

const DriveSet kDriveSets[] = {
    {"floppy", LoadIndexedIndicatorImage, {3, 6, kGreenLight}, 1, 1, 14, 45, -1, -1},
    {"hard disk", LoadHardDiskIndicatorImage, {3, 6, kGreenLight}, 1, 1, 14, 45, 15, 46},
    {"cartridge", LoadCartridgeIndicatorImage, {5, 6, kGreenLight}, 2, 2, 12, 43, 14, 4},
};

// The light of each picture, by the index the drive indicators use.
constexpr common::Colour kLights[kDrivePictureCount] = {kGreenLight, kRedLight,    kWhite,    kWhite,
                                                        kGreenLight, kRedLight,    kWhite,    kWhite,
                                                        kRedLight,   kYellowLight, kRedLight, kYellowLight};

bool IsLit(uint32_t index) {
    return (index >= 4 && index <= 7) || index >= 10;
}

TEST(PicturesTest, EachDriveSetHoldsTwelveKeyedPicturesWithTheirLights) {
    for (const DriveSet& set : kDriveSets) {
        SCOPED_TRACE(set.name);
        for (uint32_t index = 0; index < kDrivePictureCount; ++index) {
            SCOPED_TRACE(index);
            const auto image = set.load(index);
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->GetWidth(), 47);
            EXPECT_EQ(image->GetHeight(), 16);
            EXPECT_EQ(image->BitsPerPixel(), 4u);
            EXPECT_TRUE(image->KeyEnabled);
            EXPECT_EQ(image->KeyColour, 0xFFC4C6C4u);
            EXPECT_EQ(image->GetPixelColour(set.light.y, set.light.x), kLights[index]);
            // The frame's top left corner inside, face or lit face.
            EXPECT_EQ(image->GetPixelColour(set.top, set.left + 2) == kDrivePictureKey, !IsLit(index));
        }
        EXPECT_EQ(set.load(kDrivePictureCount), nullptr);
        EXPECT_EQ(set.load(0xFFFFFFFF), nullptr);
    }
}

// A lit picture shows the light over the whole face: its mask has no hole inside the frame, while what lies
// outside the frame stays transparent.
TEST(PicturesTest, LitFacesAreOpaqueInsideTheFrameOnly) {
    for (const DriveSet& set : kDriveSets) {
        SCOPED_TRACE(set.name);
        for (const uint32_t index : {4u, 5u, 6u, 7u, 10u, 11u}) {
            SCOPED_TRACE(index);
            const auto image = set.load(index);
            ASSERT_NE(image, nullptr);
            const auto mask = image->MakeMonoImage(nullptr);
            ASSERT_NE(mask, nullptr);
            for (int32_t y = set.top; y <= set.bottom; ++y) {
                for (int32_t x = set.left; x <= set.right; ++x) {
                    ASSERT_EQ(mask->GetPixelIndex(y, x), 1u) << y << ", " << x;
                }
            }
            if (set.outsideY >= 0) {
                EXPECT_EQ(mask->GetPixelIndex(set.outsideY, set.outsideX), 0u);
            }
        }
    }
}

TEST(PicturesTest, TheLitFloppyHasOpaqueRoundedInnerCorners) {
    const auto unlit = LoadIndexedIndicatorImage(0);
    const auto lit = LoadIndexedIndicatorImage(4);
    ASSERT_NE(unlit, nullptr);
    ASSERT_NE(lit, nullptr);
    const auto mask = lit->MakeMonoImage(nullptr);
    ASSERT_NE(mask, nullptr);
    int corners = 0;
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 47; ++x) {
            if (lit->GetPixelColour(y, x) == kLitCorner) {
                ++corners;
                EXPECT_EQ(mask->GetPixelIndex(y, x), 1u);
                EXPECT_EQ(unlit->GetPixelColour(y, x), kDrivePictureKey);
            }
        }
    }
    EXPECT_EQ(corners, 8);
    for (const Pixel& corner :
         {Pixel{1, 1, kLitCorner}, Pixel{1, 45, kLitCorner}, Pixel{14, 1, kLitCorner}, Pixel{14, 45, kLitCorner}}) {
        EXPECT_EQ(lit->GetPixelColour(corner.y, corner.x), corner.colour) << corner.y << ", " << corner.x;
    }
}

// The lever turned open leaves the slot and the vents whole, and the floppy's empty slot is black where the
// medium was.
TEST(PicturesTest, OpenLeversAndEmptySlotsChangeTheirParts) {
    struct Case {
        const char* name;
        IndexedLoader load;
        uint32_t index;
        Pixel pixel;
    };
    constexpr common::Colour kLeverMiddle = 0xFF747274;
    const Case cases[] = {
        {"floppy closed: stem over the slot", LoadIndexedIndicatorImage, 0, {10, 33, kDarkGrey}},
        {"floppy open: slot highlight under the stem", LoadIndexedIndicatorImage, 1, {10, 33, kWhite}},
        {"floppy open: slot under the stem", LoadIndexedIndicatorImage, 3, {9, 32, kBlack}},
        {"floppy open: the bar points right", LoadIndexedIndicatorImage, 1, {4, 41, kLeverMiddle}},
        {"floppy closed: no bar", LoadIndexedIndicatorImage, 2, {4, 41, kDrivePictureKey}},
        {"floppy medium", LoadIndexedIndicatorImage, 1, {9, 20, kDarkGrey}},
        {"floppy empty slot", LoadIndexedIndicatorImage, 2, {9, 20, kBlack}},
        {"floppy empty slot, open", LoadIndexedIndicatorImage, 3, {11, 20, kDrivePictureKey}},
        {"hard disk closed: stem over the vents", LoadHardDiskIndicatorImage, 0, {11, 34, kDarkGrey}},
        {"hard disk open: vents whole", LoadHardDiskIndicatorImage, 3, {11, 34, 0xFF848284}},
        {"hard disk open: the bar points right", LoadHardDiskIndicatorImage, 5, {4, 35, kLeverMiddle}},
        {"cartridge closed: stem", LoadCartridgeIndicatorImage, 8, {10, 33, kDarkGrey}},
        {"cartridge open: no stem", LoadCartridgeIndicatorImage, 1, {10, 33, kDrivePictureKey}},
    };
    for (const Case& check : cases) {
        SCOPED_TRACE(check.name);
        const auto image = check.load(check.index);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->GetPixelColour(check.pixel.y, check.pixel.x), check.pixel.colour);
    }
}

} // namespace
} // namespace emu
