#include "WindowTestSupport.h"

#include "gui/windows/GdiDrawingContext.h"
#include "gui/windows/NativeCursor.h"

#include "common/DirectColourImage.h"
#include "common/IndexedImage.h"

namespace gui::Windows::testing {
namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kWhite = 0xFFFFFF;

class GdiDrawingContextTest : public ShownWindowTest {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        CreateAndShow();
        context = std::make_unique<GdiDrawingContext>(window->GetHandle());
        // A white page to draw on.
        ASSERT_TRUE(context->Begin());
        context->GetBrush()->SetSolidColour(Colour::Of(0xFFFFFFFF));
        context->FillRectangle(0, 0, 399, 299);
        context->End();
    }

    std::unique_ptr<GdiDrawingContext> context;
};

TEST_F(GdiDrawingContextTest, RectangleCornersAreInclusive) {
    ASSERT_TRUE(context->Begin());
    context->GetPen()->Set(Colour::Of(0xFFFF0000), 1, kSolidPen, kDefaultMode);
    context->GetBrush()->SetSolidColour(Colour::Of(0xFFFF0000));
    EXPECT_TRUE(context->DrawRectangle(0, 0, 9, 9));
    context->End();
    Capture capture(window->GetHandle());
    EXPECT_EQ(capture.Count(0, 0, 11, 11, kRed), 100);
    RECT box{};
    ASSERT_TRUE(capture.Find(kRed, box));
    EXPECT_EQ(box.right, 9);
    EXPECT_EQ(box.bottom, 9);
}

TEST_F(GdiDrawingContextTest, FramesAndLinesUseThePen) {
    ASSERT_TRUE(context->Begin());
    context->GetPen()->Set(Colour::Of(0xFF0000FF), 1, kSolidPen, kCopyMode);
    EXPECT_TRUE(context->DrawFrame(20, 20, 29, 29));
    const int32_t line[] = {40, 40, 50, 40, 50, 45};
    EXPECT_TRUE(context->DrawPolyline(line, 3));
    EXPECT_FALSE(context->DrawPolyline(line, 0));
    context->End();
    Capture capture(window->GetHandle());
    EXPECT_EQ(capture.Count(20, 20, 29, 29, kBlue), 36) << "the outline of 10 x 10";
    EXPECT_EQ(capture.At(25, 25), kWhite);
    EXPECT_EQ(capture.At(49, 40), kBlue);
    EXPECT_EQ(capture.At(50, 44), kBlue);
    EXPECT_EQ(capture.At(50, 45), kWhite) << "the end point is not drawn";
}

TEST_F(GdiDrawingContextTest, FillingNeedsABrush) {
    ASSERT_TRUE(context->Begin());
    context->GetBrush()->Reset();
    EXPECT_FALSE(context->FillRectangle(0, 0, 5, 5));
    context->End();
    EXPECT_FALSE(context->FillRectangle(0, 0, 5, 5)) << "not drawing";
}

TEST_F(GdiDrawingContextTest, PalettedImagesAreDrawnWithTheirPaletteAndMask) {
    common::IndexedImage4Bit image;
    ASSERT_TRUE(image.Create(8, 4));
    common::Colour* palette = image.EnsurePalette();
    palette[1] = 0xFFFF0000;
    palette[2] = 0xFF00FF00;
    common::IndexedImage1Bit mask;
    ASSERT_TRUE(mask.Create(8, 4));
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            image.SetPixelIndex(y, x, x < 4 ? 1 : 2);
            mask.SetPixelIndex(y, x, y < 2 ? 1 : 0);
        }
    }
    ASSERT_TRUE(context->Begin());
    const Rect plain{10, 10, 17, 13};
    const Rect masked{30, 10, 37, 13};
    EXPECT_TRUE(context->DrawImage(image, nullptr, &plain, nullptr));
    EXPECT_TRUE(context->DrawImage(image, nullptr, &masked, &mask));
    const Rect outside{1000, 1000, 1010, 1010};
    EXPECT_TRUE(context->DrawImage(image, nullptr, &outside, nullptr)) << "nothing to draw is no failure";
    common::IndexedImage1Bit wrongMask;
    ASSERT_TRUE(wrongMask.Create(4, 4));
    EXPECT_FALSE(context->DrawImage(image, nullptr, &plain, &wrongMask)) << "a mask of another size";
    context->End();

    Capture capture(window->GetHandle());
    EXPECT_EQ(capture.At(10, 10), kRed);
    EXPECT_EQ(capture.At(17, 13), kGreen);
    EXPECT_EQ(capture.Count(10, 10, 17, 13, kRed), 16);
    EXPECT_EQ(capture.At(30, 10), kRed) << "mask bit 1 shows the image";
    EXPECT_EQ(capture.At(37, 11), kGreen);
    EXPECT_EQ(capture.Count(30, 12, 37, 13, kWhite), 16) << "mask bit 0 keeps what was there";
}

TEST_F(GdiDrawingContextTest, DirectColourImagesAndSourceRectangles) {
    common::Argb32Image image;
    ASSERT_TRUE(image.Create(4, 4));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            image.SetPixelColour(y, x, y < 2 ? 0xFF0000FF : 0xFFFF0000);
    ASSERT_TRUE(context->Begin());
    const Rect bottomHalf{0, 2, 3, 3};
    const Rect place{60, 60, 63, 61};
    EXPECT_TRUE(context->DrawImage(image, &bottomHalf, &place, nullptr));
    const Rect topHalfPartlyOutside{-2, -5, 3, 1};
    const Rect secondPlace{80, 80, 83, 81};
    EXPECT_TRUE(context->DrawImage(image, &topHalfPartlyOutside, &secondPlace, nullptr));
    const Rect beyond{4, 0, 8, 3};
    EXPECT_TRUE(context->DrawImage(image, &beyond, &place, nullptr));
    context->End();
    Capture capture(window->GetHandle());
    EXPECT_EQ(capture.Count(60, 60, 63, 61, kRed), 8) << "the bottom half, counted from the top";
    EXPECT_EQ(capture.Count(80, 80, 83, 81, kBlue), 8) << "the top half, cut to the image";
}

TEST_F(GdiDrawingContextTest, AFontColourChangeKeepsTheFontHandle) {
    Font* font = context->GetFont();
    font->SetFaceAndSize(kArial, 12);
    ASSERT_TRUE(context->Begin());
    HDC dc = context->GetDc();
    HGDIOBJ selected = GetCurrentObject(dc, OBJ_FONT);
    font->SetColour(Colour::Of(0xFFFF0000));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), selected);
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    font->SetSize(20);
    HGDIOBJ rebuilt = GetCurrentObject(dc, OBJ_FONT);
    EXPECT_NE(rebuilt, selected);
    LOGFONTW description{};
    GetObjectW(rebuilt, sizeof(description), &description);
    EXPECT_EQ(std::wstring(description.lfFaceName), L"Arial");
    context->End();
}

TEST_F(GdiDrawingContextTest, EndPutsBackWhatItFoundInASuppliedDc) {
    HDC screen = GetDC(window->GetHandle());
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 20);
    ReleaseDC(window->GetHandle(), screen);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    SetTextColor(dc, RGB(1, 2, 3));
    SetROP2(dc, R2_NOT);
    SetBkMode(dc, OPAQUE);

    context->GetFont()->SetColour(Colour::Of(0xFF00FF00));
    context->GetPen()->SetMode(kXorMode); // a mode alone selects no pen, but sets the mix
    context->SetDc(dc);
    ASSERT_TRUE(context->Begin());
    EXPECT_EQ(GetTextColor(dc), RGB(0, 255, 0));
    EXPECT_EQ(GetROP2(dc), R2_XORPEN);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    context->End();
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(GetROP2(dc), R2_NOT);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(context->GetDc(), nullptr);
    EXPECT_NE(GetCurrentObject(dc, OBJ_BITMAP), nullptr) << "the DC is still its owner's";
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    EXPECT_TRUE(DeleteDC(dc));
}

TEST_F(GdiDrawingContextTest, TextIsAlignedInItsRectangle) {
    context->GetFont()->SetFaceSizeColour(kArial, 10, Colour::Of(0xFF000000));
    ASSERT_TRUE(context->Begin());
    int32_t width = 0;
    int32_t height = 0;
    const common::WideString text("Hi");
    ASSERT_TRUE(context->GetTextExtent(text, &width, &height));
    EXPECT_GT(width, 0);
    EXPECT_TRUE(context->GetTextExtent(common::WideString(), &width, &height));
    EXPECT_EQ(width, 0);
    context->DrawTextInRect(text, Rect{100, 100, 200, 200}, 12);
    context->DrawTextInRect(text, Rect{200, 100, 300, 200}, 5); // contradictory: top-left
    context->End();
    Capture capture(window->GetHandle());
    EXPECT_EQ(capture.Count(100, 100, 180, 180, 0x000000), 0) << "bottom-right leaves the top-left empty";
    EXPECT_GT(capture.Count(181, 181, 199, 199, 0x000000), 0);
    EXPECT_GT(capture.Count(200, 100, 220, 120, 0x000000), 0);
}

TEST(NativeCursorTest, SharedImageCursorsLastAsLongAsTheirLastHolder) {
    common::Argb32Image image;
    ASSERT_TRUE(image.Create(8, 8));
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            image.SetPixelColour(y, x, (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000);
    NativeCursor first;
    NativeCursor second;
    ASSERT_TRUE(first.CreateFromImage(image, 1, 1));
    EXPECT_EQ(first.GetKind(), kImageCursor);
    second.Assign(&first);
    HCURSOR shared = first.GetHandle();
    EXPECT_EQ(second.GetHandle(), shared);
    first.Reset();
    EXPECT_EQ(first.GetHandle(), nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(shared, &info)) << "the other holder keeps it";
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    EXPECT_TRUE(second.LoadStandard(kHandCursor));
    EXPECT_FALSE(GetIconInfo(shared, &info)) << "gone with its last holder";
    EXPECT_FALSE(second.LoadStandard(7));
    EXPECT_FALSE(second.HasHandle());

    common::Argb32Image empty;
    EXPECT_FALSE(first.CreateFromImage(empty, 0, 0));
}

} // namespace
} // namespace gui::Windows::testing
