#include "FakeWindows.h"

#include "gui/Cursor.h"

#include "common/IndexedImage.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace gui::testing {
namespace {

class DrawingObjectsTest : public ::testing::Test {
protected:
    // Runs the change and answers the masks it sent.
    std::vector<uint32_t> FontChanges(const std::function<void(Font&)>& change) {
        context.fontChanges.clear();
        change(context.font);
        return context.fontChanges;
    }
    std::vector<uint32_t> PenChanges(const std::function<void(Pen&)>& change) {
        context.penChanges.clear();
        change(context.pen);
        return context.penChanges;
    }
    std::vector<uint32_t> BrushChanges(const std::function<void(Brush&)>& change) {
        context.brushChanges.clear();
        change(context.brush);
        return context.brushChanges;
    }

    using Masks = std::vector<uint32_t>;
    RecordingContext context;
};

TEST_F(DrawingObjectsTest, AFontTellsItsContextWhatChangedOnce) {
    const Colour red = Colour::Of(0xFFFF0000);
    const uint32_t bold = kBold;
    EXPECT_EQ(FontChanges([](Font& font) { font.SetFace(kArial); }), Masks{kFontFace});
    EXPECT_EQ(FontChanges([](Font& font) { font.SetFace(kArial); }), Masks{}) << "same value";
    EXPECT_EQ(FontChanges([](Font& font) { font.SetSize(-3); }), Masks{}) << "-3 is 0, the size it has";
    EXPECT_EQ(FontChanges([&](Font& font) { font.SetStyle(&bold); }), Masks{kFontStyle});
    EXPECT_EQ(FontChanges([](Font& font) { font.SetBoldItalic(true, false); }), Masks{});
    EXPECT_EQ(FontChanges([](Font& font) { font.SetBoldItalic(true, true); }), Masks{kFontStyle});
    EXPECT_EQ(FontChanges([&](Font& font) { font.SetColour(red); }), Masks{kFontColour});
    EXPECT_EQ(FontChanges([](Font& font) { font.SetFaceAndSize(kCourierNew, 10); }), Masks{kFontFace | kFontSize});
    EXPECT_EQ(FontChanges([](Font& font) { font.SetFaceSizeColour(kCourierNew, 10, Colour{}); }), Masks{kFontColour});
    EXPECT_EQ(FontChanges([](Font& font) { font.SetStyle(nullptr); }), Masks{kFontStyle});
    EXPECT_EQ(FontChanges([](Font& font) { font.Reset(); }), Masks{kFontFace | kFontSize});
    EXPECT_TRUE(context.font.IsDefault());
    EXPECT_EQ(FontChanges([](Font& font) { font.Reset(); }), Masks{});

    uint32_t style = 77;
    EXPECT_FALSE(context.font.GetStyle(&style));
    EXPECT_EQ(style, 77u);
    Colour colour = red;
    EXPECT_FALSE(context.font.GetColour(&colour));
    EXPECT_EQ(colour, red);
}

TEST_F(DrawingObjectsTest, AssigningCopiesWhatDiffersInOneNotification) {
    FontProperties source;
    const uint32_t italic = kItalic;
    source.SetFaceSizeColour(kTimesNewRoman, 14, Colour::Of(0xFF00FF00));
    source.SetStyle(&italic);
    EXPECT_EQ(FontChanges([&](Font& font) { font.Assign(&source); }),
              Masks{kFontFace | kFontStyle | kFontSize | kFontColour});
    EXPECT_EQ(FontChanges([&](Font& font) { font.Assign(&source); }), Masks{});
    EXPECT_EQ(FontChanges([](Font& font) { font.Assign(&font); }), Masks{});
    EXPECT_EQ(FontChanges([](Font& font) { font.Assign(nullptr); }),
              Masks{kFontFace | kFontStyle | kFontSize | kFontColour});
    EXPECT_TRUE(context.font.IsDefault());

    PenProperties pen;
    pen.Set(Colour::Of(0xFF123456), 3, kDottedPen, kXorMode);
    EXPECT_EQ(PenChanges([&](Pen& target) { target.Assign(&pen); }),
              Masks{kPenStyle | kPenWidth | kPenColour | kPenMode});
    BrushProperties brush;
    brush.SetSolidColour(Colour::Of(0xFF0000FF));
    EXPECT_EQ(BrushChanges([&](Brush& target) { target.Assign(&brush); }), Masks{kBrushStyle | kBrushColour});
    EXPECT_EQ(BrushChanges([](Brush& target) { target.Assign(nullptr); }), Masks{kBrushStyle | kBrushColour});
}

TEST_F(DrawingObjectsTest, PensAndBrushesTellTheirOwnBits) {
    EXPECT_EQ(PenChanges([](Pen& pen) { pen.SetWidth(-1); }), Masks{}) << "-1 is 0, the width it has";
    EXPECT_EQ(context.pen.GetWidth(), 0);
    EXPECT_EQ(PenChanges([](Pen& pen) { pen.SetMode(kXorMode); }), Masks{kPenMode});
    EXPECT_EQ(PenChanges([](Pen& pen) { pen.SetStyle(kSolidPen); }), Masks{kPenStyle});
    EXPECT_EQ(PenChanges([](Pen& pen) { pen.SetColour(Colour::Of(0xFF010203)); }), Masks{kPenColour});
    EXPECT_EQ(PenChanges([](Pen& pen) { pen.Set(Colour::Of(0xFF010203), 2, kSolidPen, kCopyMode); }),
              Masks{kPenWidth | kPenMode});
    EXPECT_FALSE(context.pen.IsDefault());
    EXPECT_EQ(PenChanges([](Pen& pen) { pen.Reset(); }), Masks{kPenStyle | kPenWidth | kPenColour | kPenMode});

    EXPECT_EQ(BrushChanges([](Brush& brush) { brush.SetStyle(kHollowBrush); }), Masks{kBrushStyle});
    EXPECT_EQ(BrushChanges([](Brush& brush) { brush.SetSolidColour(Colour::Of(0xFF000000)); }),
              Masks{kBrushStyle | kBrushColour});
    EXPECT_EQ(BrushChanges([](Brush& brush) { brush.SetColour(Colour::Of(0xFF000000)); }), Masks{});
    EXPECT_TRUE(BrushChanges([](Brush& brush) { brush.Reset(); }) == Masks{kBrushStyle | kBrushColour});
    EXPECT_TRUE(context.brush.IsDefault());
}

TEST_F(DrawingObjectsTest, AHolderWithoutOwnerTellsNobody) {
    FontProperties font;
    font.SetSize(20);
    EXPECT_EQ(font.GetSize(), 20);
    EXPECT_TRUE(context.fontChanges.empty());
}

TEST(ColourTest, GdiGetsRedGreenBlueWithoutAlpha) {
    EXPECT_EQ(Colour::Of(0x80123456).ToColorRef(), 0x563412u);
    EXPECT_EQ(Colour{}.ToColorRef(), 0u) << "unset is black";
    EXPECT_EQ(Colour::FromColorRef(0x563412), Colour::Of(0xFF123456));
    EXPECT_TRUE((Colour{1, 5} == Colour{1, 9})) << "two unset colours";
    EXPECT_FALSE((Colour{1, 5} == Colour{3, 5})) << "kinds differ";
    EXPECT_FALSE((Colour{0, 5} == Colour{0, 9}));
}

TEST(CursorPlanesTest, PixelsAreClassifiedByTheKeysInOrder) {
    common::IndexedImage8Bit image;
    ASSERT_TRUE(image.Create(40, 2));
    common::Colour* palette = image.EnsurePalette();
    palette[0] = 0xFFFFFFFF; // white
    palette[1] = 0xFF000000; // black
    palette[2] = 0xFF00FF00; // transparent
    palette[3] = 0xFFFF00FF; // inverted
    palette[4] = 0xFF808080; // none of them
    for (int32_t x = 0; x < 40; ++x) {
        image.SetPixelIndex(0, x, static_cast<uint32_t>(x % 5));
        image.SetPixelIndex(1, x, 0);
    }
    const CursorPlanes planes = MakeCursorPlanes(image, Colour::Of(0xFFFFFFFF), Colour::Of(0xFF000000),
                                                 Colour::Of(0xFF00FF00), Colour::Of(0xFFFF00FF));
    // Row 0, pixels 0-7: white, black, transparent, inverted, other, white, black, transparent.
    EXPECT_EQ(planes.andPlane[0], 0b00111001);
    EXPECT_EQ(planes.xorPlane[0], 0b10010100);
    // Row 1 is white up to pixel 31; the image's pixels 32 and on are cut off.
    EXPECT_EQ(planes.andPlane[4], 0x00);
    EXPECT_EQ(planes.xorPlane[7], 0xFF);
    // Rows 2 to 31 lie outside the image: transparent.
    EXPECT_EQ(planes.andPlane[8], 0xFF);
    EXPECT_EQ(planes.xorPlane[127], 0x00);
}

} // namespace
} // namespace gui::testing
