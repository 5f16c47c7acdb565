#include "common/PixelBuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace common {
namespace {

// A frame with its own pixels, rows upward or downward in memory like a renderer's.
class TestFrame : public PixelBuffer {
public:
    void Resize(int32_t width, int32_t height, bool bottomUp) {
        pixels.assign(static_cast<size_t>(width) * height, 0x11223344);
        Width = width;
        Height = height;
        Rows = std::make_unique<uint32_t*[]>(height);
        for (int32_t y = 0; y < height; ++y)
            Rows[y] = pixels.data() + static_cast<size_t>(bottomUp ? height - 1 - y : y) * width;
    }

    std::vector<uint32_t> pixels;
};

TEST(PixelBufferTest, ViewFollowsTheRowsInEitherDirection) {
    for (bool bottomUp : {false, true}) {
        SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
        TestFrame frame;
        frame.Resize(3, 4, bottomUp);
        Image* view = frame.AsImage();
        EXPECT_EQ(view->GetWidth(), 3);
        EXPECT_EQ(view->GetHeight(), 4);
        EXPECT_EQ(view->GetStride(), 12u);
        EXPECT_EQ(view->Data(), reinterpret_cast<uint8_t*>(frame.pixels.data()));
        EXPECT_EQ(view->ColourKind(), 3u);
        EXPECT_FALSE(view->QueryOption());

        view->SetPixelColour(0, 2, 0x80FF0000);
        EXPECT_EQ(frame.Row(0)[2], 0x80FF0000u);
        EXPECT_EQ(view->GetRowColours(0), frame.Row(0));
        EXPECT_EQ(frame.AsImage(), view); // one view, refreshed
    }
}

TEST(PixelBufferTest, ViewOfOneRowAndOfNone) {
    TestFrame frame;
    frame.Resize(5, 1, false);
    EXPECT_EQ(frame.AsImage()->GetStride(), 20u);
    frame.Free();
    Image* view = frame.AsImage();
    EXPECT_EQ(view->GetHeight(), 0);
    EXPECT_EQ(view->Data(), nullptr);
    EXPECT_EQ(view->GetRowColours(0), nullptr);
}

TEST(PixelBufferTest, ViewMakesNoPixelsOfItsOwn) {
    TestFrame frame;
    frame.Resize(2, 2, false);
    Image* view = frame.AsImage();
    EXPECT_FALSE(view->Create(4, 4));
    EXPECT_EQ(view->NewEmpty(), nullptr);
    EXPECT_EQ(view->Clone(true), nullptr);
}

TEST(PixelBufferTest, ViewNeverReachesPastTheOwnersRows) {
    TestFrame frame;
    frame.Resize(4, 4, false);
    Image* view = frame.AsImage();
    frame.Resize(2, 2, false); // the view is not refreshed
    view->SetPixelColour(3, 3, 0xFFFFFFFF);
    EXPECT_EQ(view->GetPixelColour(3, 3), kDefaultColour);
    EXPECT_EQ(view->RowPointer(0), nullptr);
    view->SetPixelColour(1, 1, 0xFF010203);
    EXPECT_EQ(frame.Row(1)[1], 0xFF010203u);
}

TEST(PixelBufferTest, FillAndAlphaByRow) {
    TestFrame frame;
    frame.Resize(2, 3, true);
    frame.Fill(0x00ABCDEF, -1);
    frame.SetOpaque(true, 1);
    frame.SetAlpha(0x7F, 2);
    frame.Fill(0xFFFFFFFF, 3); // no such row
    EXPECT_EQ(frame.Row(0)[1], 0x00ABCDEFu);
    EXPECT_EQ(frame.Row(1)[0], 0xFFABCDEFu);
    EXPECT_EQ(frame.Row(2)[1], 0x7FABCDEFu);
    frame.SetOpaque(false, -1);
    EXPECT_EQ(frame.Row(1)[1], 0x00ABCDEFu);

    TestFrame empty;
    empty.Fill(0, -1);
}

} // namespace
} // namespace common
