#include "FakeWindows.h"

#include "gui/BorderedPanel.h"
#include "gui/Button.h"
#include "gui/Dialog.h"
#include "gui/Label.h"

#include <gtest/gtest.h>

namespace gui::testing {
namespace {

class FakeButton : public FakeWindow<ButtonBase> {
public:
    explicit FakeButton(int32_t kind) : FakeWindow<ButtonBase>(common::WideString("OK"), kind, kDockLeft) {}
    ~FakeButton() override { MarkDestroying(); }
    Font* GetFont() override { return &font; }
    FontProperties font;
};

class FakeDialog : public FakeContainerWindow<TitledWindowBase>, public virtual Dialog {
public:
    FakeDialog() { StoreGeometry(0, 0, 100, 100, true); }
    ~FakeDialog() override {
        MarkDestroying();
        ReleaseChildren();
    }
    bool IsWindowless() const override { return false; }
    bool IsDialog() const override { return true; }
    bool OnCreate() override { return true; }
    bool RunWithCallback(Window*, DialogCallback, bool) override { return false; }
    bool EndModal(int32_t value) override {
        result = value;
        return true;
    }
    int32_t GetResult() const override { return result; }
    int32_t GetPlacement() const override { return 1; }
    bool RunModal(Window*) override { return false; }

    int32_t result = 0;
};

int clicks = 0;

void CountClick(Control*) {
    ++clicks;
}

TEST(ButtonTest, AClickEndsTheDialogOrCallsTheCallback) {
    const struct {
        int32_t kind;
        int32_t result;
    } cases[] = {{kConfirmButton, 1}, {kCancelButton, 2}, {kResultButton, 42}, {kPlainButton, 0}};
    for (const auto& testCase : cases) {
        FakeDialog dialog;
        auto* button = new FakeButton(testCase.kind);
        ASSERT_TRUE(dialog.AddChild(std::unique_ptr<gui::Control>(button)));
        button->Result() = 42;
        button->OnClick();
        EXPECT_EQ(dialog.result, testCase.result) << "kind " << testCase.kind;
    }

    FakeDialog dialog;
    auto* withCallback = new FakeButton(kResultButton);
    ASSERT_TRUE(dialog.AddChild(std::unique_ptr<gui::Control>(withCallback)));
    withCallback->ClickCallback() = CountClick;
    clicks = 0;
    withCallback->OnClick();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(dialog.result, 0) << "the callback takes the click";

    FakeFrame frame(100, 100);
    auto* outside = new FakeButton(kResultButton);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(outside)));
    outside->OnClick();
    EXPECT_EQ(clicks, 1) << "no dialog and no callback: nothing";
    outside->ClickCallback() = CountClick;
    outside->OnClick();
    EXPECT_EQ(clicks, 2);
}

TEST(ButtonTest, LookChangesRepaint) {
    FakeButton button(kPlainButton);
    button.SetFlat(true);
    button.SetFlat(true);
    button.SetLatched(true);
    EXPECT_EQ(button.invalidations, 2);
    EXPECT_TRUE(button.IsFlat());
    EXPECT_TRUE(button.IsLatched());
}

TEST(ButtonTest, TheEffectiveFontIsTheOwnOrTheNearestAncestors) {
    FakeFrame frame(100, 100);
    auto* button = new FakeButton(kPlainButton);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(button)));
    EXPECT_EQ(button->GetEffectiveFont(), nullptr);
    frame.font.SetFace(kArial);
    EXPECT_EQ(button->GetEffectiveFont(), &frame.font);
    button->font.SetSize(9);
    EXPECT_EQ(button->GetEffectiveFont(), &button->font);
}

class FakeLabel : public FakeWindow<LabelBase> {
public:
    FakeLabel() : FakeWindow<LabelBase>(common::WideString("text"), kDockNone) {}
    ~FakeLabel() override { MarkDestroying(); }
};

TEST(LabelTest, ALabelIsWindowlessWithAFontOfItsOwn) {
    FakeFrame frame(100, 100);
    auto* label = new FakeLabel();
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(label)));
    EXPECT_TRUE(label->IsWindowless());
    EXPECT_EQ(label->GetTextAlignment(), 0u);
    EXPECT_EQ(label->GetEffectiveFont(), nullptr);
    label->GetFont()->SetColour(Colour::Of(0xFF0000FF));
    EXPECT_EQ(label->GetEffectiveFont(), label->GetFont());
}

class FakeBorderedPanel : public FakeContainerWindow<BorderedPanelBase> {
public:
    FakeBorderedPanel(int32_t w, int32_t style) : FakeContainerWindow<BorderedPanelBase>(kDockNone, style) {
        StoreGeometry(0, 0, w, 20, true);
    }
    ~FakeBorderedPanel() override {
        MarkDestroying();
        ReleaseChildren();
    }
    bool GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override {
        FakeContainerWindow<BorderedPanelBase>::GetClientRect(x, y, w, h);
        RemoveBorders(x, y, w, h);
        return true;
    }
};

TEST(BorderedPanelTest, BorderedSidesLeaveTwoPixelsFree) {
    const struct {
        const char* name;
        int32_t width, style;
        bool left, top, right, bottom;
        int32_t x, y, w, h;
    } cases[] = {
        {"all sides", 50, kSunkenBorder, true, true, true, true, 2, 2, 46, 16},
        {"no style: no edge whatever the sides", 50, kNoBorder, true, true, true, true, 0, 0, 50, 20},
        {"left only", 50, kEtchedBorder, true, false, false, false, 2, 0, 48, 20},
        {"3 pixels with left and right: nothing left, origin unmoved", 3, kRaisedBorder, true, false, true, false, 0, 0,
         0, 20},
        {"an unknown style still keeps the sides free", 50, 5, false, true, false, true, 0, 2, 50, 16},
    };
    for (const auto& testCase : cases) {
        FakeBorderedPanel panel(testCase.width, testCase.style);
        panel.SetBorders(testCase.left, testCase.top, testCase.right, testCase.bottom);
        int32_t x = -1;
        int32_t y = -1;
        int32_t w = -1;
        int32_t h = -1;
        ASSERT_TRUE(panel.GetClientRect(x, y, w, h));
        EXPECT_EQ(x, testCase.x) << testCase.name;
        EXPECT_EQ(y, testCase.y) << testCase.name;
        EXPECT_EQ(w, testCase.w) << testCase.name;
        EXPECT_EQ(h, testCase.h) << testCase.name;
    }
}

TEST(BorderedPanelTest, OnlyAChangeLaysOutAndRepaints) {
    FakeBorderedPanel panel(50, kRaisedBorder);
    auto* fill = new FakeControl("fill", 0, 0, 1, 1, kDockFill);
    ASSERT_TRUE(panel.AddChild(std::unique_ptr<gui::Control>(fill)));
    const int locks = panel.locks;
    panel.SetBorders(true, true, true, true);
    panel.SetBorderStyle(kRaisedBorder);
    EXPECT_EQ(panel.locks, locks);
    EXPECT_EQ(panel.invalidations, 0);

    panel.SetBorders(false, true, true, true);
    EXPECT_EQ(panel.locks, locks + 1);
    EXPECT_EQ(panel.invalidations, 1);
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    fill->GetBounds(x, y, w, h);
    EXPECT_EQ(w, 48);
    panel.SetBorderStyle(kNoBorder);
    fill->GetBounds(x, y, w, h);
    EXPECT_EQ(w, 50);
    EXPECT_EQ(panel.invalidations, 2);
}

} // namespace
} // namespace gui::testing
