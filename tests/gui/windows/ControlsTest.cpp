#include "WindowTestSupport.h"

#include "gui/windows/BorderedPanel.h"
#include "gui/windows/Button.h"
#include "gui/windows/ImageIndicator.h"
#include "gui/windows/Label.h"
#include "gui/windows/PictureControl.h"

namespace gui::Windows::testing {
namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlack = 0x000000;

struct PaintLog {
    int calls = 0;
    int depth = 0;
    int deepest = 0;
    DWORD dcType = 0;
    SIZE bitmapSize{};
};
PaintLog paintLog;

// Fills the picture green, through the context it is given, and asks for a paint from inside.
bool PaintGreen(Window* picture, DrawingContext* context) {
    ++paintLog.calls;
    paintLog.deepest = std::max(paintLog.deepest, ++paintLog.depth);
    HDC dc = static_cast<GdiDrawingContext*>(context)->GetDc();
    paintLog.dcType = GetObjectType(dc);
    BITMAP bitmap{};
    if (GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof(bitmap), &bitmap))
        paintLog.bitmapSize = SIZE{bitmap.bmWidth, bitmap.bmHeight};
    const Bounds bounds = BoundsOf(*picture);
    context->GetBrush()->SetSolidColour(Colour::Of(0xFF00FF00));
    context->FillRectangle(0, 0, bounds.width - 1, bounds.height - 1);
    SendMessageW(dynamic_cast<NativeWindow*>(picture)->GetHandle(), WM_PAINT, 0, 0);
    --paintLog.depth;
    return true;
}

using PictureControlTest = ShownWindowTest;

TEST_F(PictureControlTest, TheCallbackPaintsStraightOrThroughAMemoryBitmap) {
    paintLog = PaintLog{};
    auto* picture = new PictureControl(0, 0, 0, 0, kDockFill, true);
    picture->DrawCallback() = PaintGreen;
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(picture)));
    CreateAndShow();
    EXPECT_GT(paintLog.calls, 0);
    EXPECT_EQ(paintLog.deepest, 1) << "a paint asked for from inside waits";
    EXPECT_EQ(paintLog.dcType, static_cast<DWORD>(OBJ_DC));
    Capture screen(picture->GetHandle());
    EXPECT_EQ(screen.Count(0, 0, screen.width - 1, screen.height - 1, kGreen), screen.width * screen.height);

    picture->DoubleBuffered() = true;
    picture->Repaint();
    PumpPending();
    EXPECT_EQ(paintLog.dcType, static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_EQ(paintLog.bitmapSize.cx, screen.width);
    Capture buffered(picture->GetHandle());
    EXPECT_EQ(buffered.pixels, screen.pixels);

    window->SetBounds(40, 30, 300, 200, kPixels);
    PumpPending();
    picture->Repaint();
    PumpPending();
    EXPECT_EQ(paintLog.bitmapSize.cx, BoundsOf(*picture).width) << "rebuilt at the new size";
    EXPECT_EQ(paintLog.bitmapSize.cy, BoundsOf(*picture).height);

    picture->DoubleBuffered() = false;
    picture->Repaint();
    PumpPending();
    EXPECT_EQ(paintLog.dcType, static_cast<DWORD>(OBJ_DC));
}

TEST_F(PictureControlTest, WithoutACallbackThePaintIsStillDone) {
    auto* picture = new PictureControl(10, 10, 50, 50, kDockNone, true);
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(picture)));
    CreateAndShow();
    InvalidateRect(picture->GetHandle(), nullptr, FALSE);
    UpdateWindow(picture->GetHandle());
    EXPECT_FALSE(GetUpdateRect(picture->GetHandle(), nullptr, FALSE));
    EXPECT_EQ(SendMessageW(picture->GetHandle(), WM_ERASEBKGND, 0, 0), -1);
}

int clicks = 0;

void CountClick(Control*) {
    ++clicks;
}

class ButtonTest : public ShownWindowTest {
protected:
    Button* AddButton(int32_t x, const char* caption) {
        auto* button =
            new Button(Bounds{x, 10, 60, 40}, common::WideString(caption), kPlainButton, kDockNone, true, kPixels);
        button->ClickCallback() = CountClick;
        EXPECT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(button)));
        return button;
    }
};

TEST_F(ButtonTest, AClickIsAPressAndAReleaseOnTheButton) {
    clicks = 0;
    Button* button = AddButton(10, "OK");
    CreateAndShow();
    HWND handle = button->GetHandle();
    SendMessageW(handle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(handle, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks, 1);
    SendMessageW(handle, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks, 1) << "a release alone is no click";

    SetFocus(handle);
    SendMessageW(handle, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(handle, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ButtonTest, ANonFocusableButtonLeavesTheFocusWhereItWas) {
    Button* focused = AddButton(10, "A");
    Button* button = AddButton(100, "B");
    button->SetFocusable(false);
    CreateAndShow();
    SetFocus(focused->GetHandle());
    SendMessageW(button->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(button->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(GetFocus(), focused->GetHandle());
    SetFocus(button->GetHandle());
    EXPECT_EQ(GetFocus(), focused->GetHandle()) << "the focus goes back";
}

TEST_F(ButtonTest, TheImageShowsThroughItsMaskAndEmbossedWhenDisabled) {
    Button* button = AddButton(10, "");
    button->SetImage(MakeSquare(16, 0xFFFF0000));
    ASSERT_EQ(button->GetMask().GetWidth(), 16);
    CreateAndShow();
    Capture enabled(button->GetHandle());
    RECT box{};
    ASSERT_TRUE(enabled.Find(kRed, box));
    EXPECT_EQ(box.right - box.left, 15);
    EXPECT_NE(enabled.At(box.left, box.top), 0xFFFFFFu) << "the keyed corner shows the face";

    button->SetEnabled(false);
    PumpPending();
    Capture disabled(button->GetHandle());
    EXPECT_FALSE(disabled.Find(kRed, box));
    EXPECT_GT(disabled.Count(0, 0, disabled.width - 1, disabled.height - 1, SystemRgb(COLOR_GRAYTEXT)), 100);
}

TEST_F(ButtonTest, FlatButtonsShowHoverAndLatchedStates) {
    Button* button = AddButton(10, "");
    button->SetFlat(true);
    CreateAndShow();
    const uint32_t highlight = SystemRgb(COLOR_BTNHIGHLIGHT);
    const uint32_t shadow = SystemRgb(COLOR_BTNSHADOW);
    Capture idle(button->GetHandle());
    EXPECT_NE(idle.At(0, 0), highlight);

    SendMessageW(button->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    PumpPending();
    Capture hovered(button->GetHandle());
    EXPECT_EQ(hovered.At(0, 5), highlight);
    EXPECT_EQ(hovered.At(hovered.width - 1, 5), shadow);

    SendMessageW(button->GetHandle(), WM_MOUSELEAVE, 0, 0);
    button->SetLatched(true);
    PumpPending();
    Capture latched(button->GetHandle());
    EXPECT_EQ(latched.At(0, 5), shadow) << "pressed: the edges swap";
    EXPECT_GT(latched.Count(2, 2, 20, 20, highlight), 50) << "the checkered fill";
}

TEST_F(ButtonTest, TheCaptionFollowsItsText) {
    Button* button = AddButton(10, "One");
    CreateAndShow();
    button->SetText(common::WideString("Two"));
    wchar_t text[8] = {};
    GetWindowTextW(button->GetHandle(), text, 8);
    EXPECT_EQ(std::wstring(text), L"Two");
    EXPECT_EQ(GetClassLongPtrW(button->GetHandle(), GCL_STYLE) & CS_DBLCLKS, 0u);
}

using LabelTest = ShownWindowTest;

TEST_F(LabelTest, TheTextIsAlignedAndGreyedWhenDisabled) {
    auto* label = new Label(20, 20, 120, 60, common::WideString("Hi"), kDockNone, true);
    label->SetTextAlignment(kAlignRight | kAlignBottom);
    label->GetFont()->SetFaceSizeColour(kArial, 12, Colour::Of(0xFF000000));
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(label)));
    CreateAndShow();
    Repaint();
    Capture capture(window->GetHandle());
    RECT box{};
    ASSERT_TRUE(capture.Find(kBlack, box));
    EXPECT_GT(box.left, 20 + 60);
    EXPECT_GT(box.top, 20 + 30);
    EXPECT_LE(box.right, 139);
    EXPECT_LE(box.bottom, 79);

    label->SetEnabled(false);
    Repaint();
    Capture disabled(window->GetHandle());
    EXPECT_FALSE(disabled.Find(kBlack, box));
    EXPECT_TRUE(disabled.Find(SystemRgb(COLOR_GRAYTEXT), box));
}

using BorderedPanelTest = ShownWindowTest;

TEST_F(BorderedPanelTest, EdgesTakeTwoPixelsOfTheClientArea) {
    auto* narrow = new BorderedPanel(10, 10, 3, 40, kDockNone, kSunkenBorder, true);
    narrow->SetBorders(true, false, true, false);
    auto* panel = new BorderedPanel(50, 10, 100, 40, kDockNone, kSunkenBorder, true);
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(narrow)));
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(panel)));
    CreateAndShow();
    int32_t x = -1;
    int32_t y = -1;
    int32_t w = -1;
    int32_t h = -1;
    ASSERT_TRUE(narrow->GetClientRect(x, y, w, h));
    EXPECT_EQ(w, 0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(h, 40);
    ASSERT_TRUE(panel->GetClientRect(x, y, w, h));
    EXPECT_EQ(x, 2);
    EXPECT_EQ(w, 96);

    Capture capture(panel->GetHandle());
    EXPECT_EQ(capture.At(0, 20), SystemRgb(COLOR_BTNSHADOW)) << "a sunken edge";
    EXPECT_EQ(capture.At(50, 20), SystemRgb(COLOR_BTNFACE));

    panel->SetBorderStyle(5);
    PumpPending();
    Capture plain(panel->GetHandle());
    EXPECT_EQ(plain.At(0, 20), SystemRgb(COLOR_BTNFACE)) << "an unknown style draws no edge";
}

TEST_F(BorderedPanelTest, ButtonsInsideAPanelPaintThemselves) {
    auto* panel = new BorderedPanel(0, 0, 0, 60, kDockTop, kRaisedBorder, true);
    auto* button = new Button(Bounds{0, 0, 50, 0}, common::WideString(""), kPlainButton, kDockLeft, true, kPixels);
    button->SetImage(MakeSquare(16, 0xFFFF0000));
    ASSERT_TRUE(panel->AddChild(std::unique_ptr<gui::Control>(button)));
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(panel)));
    CreateAndShow();
    Repaint();
    Capture capture(button->GetHandle());
    RECT box{};
    EXPECT_TRUE(capture.Find(kRed, box));
    EXPECT_EQ(BoundsOf(*button).height, 56) << "docked inside the edge";
}

using ImageIndicatorTest = ShownWindowTest;

TEST_F(ImageIndicatorTest, TheCurrentImageIsCentredOnTheButtonFace) {
    auto* image = MakeSquare(16, 0xFFFF0000);
    auto* indicator = new ImageIndicator(Bounds{30, 30, 34, 20}, kPixels, image, kDockNone, true);
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(indicator)));
    CreateAndShow();
    Capture capture(indicator->GetHandle());
    RECT box{};
    ASSERT_TRUE(capture.Find(kRed, box));
    EXPECT_EQ(box.left, 9);
    EXPECT_EQ(box.top, 2);
    EXPECT_EQ(box.right, 24);
    EXPECT_EQ(box.bottom, 17);

    EXPECT_FALSE(indicator->SetCurrent(1));
    PumpPending();
    Capture empty(indicator->GetHandle());
    EXPECT_FALSE(empty.Find(kRed, box)) << "no image at the index";
    EXPECT_EQ(indicator->AddImage(MakeSquare(8, 0xFF00FF00)), 1);
    PumpPending();
    Capture second(indicator->GetHandle());
    ASSERT_TRUE(second.Find(kGreen, box));
    EXPECT_EQ(box.left, 13);
    EXPECT_FALSE(second.Find(kRed, box)) << "nothing left of the larger image";
}

} // namespace
} // namespace gui::Windows::testing
