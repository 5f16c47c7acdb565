#include "FakeWindows.h"

#include <gtest/gtest.h>

namespace gui::testing {
namespace {

class RedrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame.context = &context;
        frame.SetMargins({2, 3, 0, 0});
        ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(label)));
        label->SetBounds(60, 5, 30, 10, kPixels);
    }

    RecordingContext context;
    FakeFrame frame{100, 50};
    FakeControl* label = new FakeControl("label", 0, 0, 1, 1);
};

TEST_F(RedrawTest, AContainerAsksItsChildrenOnlyForTheirPartOfTheArea) {
    Rect painted{-1, -1, -1, -1};
    // The label lies at (62, 8) to (91, 17) of the frame; (50, 0, 20, -1) meets its first 8 columns.
    ASSERT_TRUE(frame.Redraw(50, 0, 20, -1, &painted));
    ASSERT_EQ(context.faces.size(), 2u);
    EXPECT_EQ(context.faces[0].window, "frame");
    EXPECT_EQ(context.faces[0].windowRect, (Rect{0, 0, 99, 49}));
    EXPECT_EQ(context.faces[0].dirtyRect, (Rect{50, 0, 69, 49}));
    EXPECT_EQ(context.faces[1].window, "label");
    EXPECT_EQ(context.faces[1].windowRect, (Rect{62, 8, 91, 17}));
    EXPECT_EQ(context.faces[1].dirtyRect, (Rect{62, 8, 69, 17}));
    EXPECT_EQ(context.faces[1].clip, (Rect{62, 8, 91, 17})) << "the child is clipped to itself";
    EXPECT_EQ(painted, (Rect{50, 0, 69, 49}));
    EXPECT_EQ(context.begins, context.ends);
}

TEST_F(RedrawTest, TheSpecifiedChildAreaIsAskedInTheChildsCoordinates) {
    // A container 100 wide with a windowless child at x 60, width 30, asked for (50, 0, 20, h): the child is
    // asked for its first 10 columns, from its own (0, 0).
    frame.SetMargins({0, 0, 0, 0});
    label->SetBounds(60, 0, 30, 50, kPixels);
    struct Asked : FakeControl {
        using FakeControl::FakeControl;
        bool Redraw(int32_t x, int32_t y, int32_t w, int32_t h, Rect* painted) override {
            asked = {x, y, x + w, y + h};
            return FakeControl::Redraw(x, y, w, h, painted);
        }
        Rect asked;
    };
    auto* child = new Asked("child", 60, 0, 30, 50);
    ASSERT_TRUE(frame.DeleteChild(label));
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(child)));
    ASSERT_TRUE(frame.Redraw(50, 0, 20, 50, nullptr));
    EXPECT_EQ(child->asked, (Rect{0, 0, 10, 50}));
}

TEST_F(RedrawTest, TheClipIsLeftAsItWasFound) {
    frame.Redraw(0, 0, -1, -1, nullptr);
    EXPECT_FALSE(context.clipped) << "no clip before, none after";

    context.SetBounds({10, 10, 70, 40});
    context.faces.clear();
    frame.Redraw(0, 0, -1, -1, nullptr);
    EXPECT_EQ(context.clip, (Rect{10, 10, 70, 40}));
    ASSERT_EQ(context.faces.size(), 2u);
    EXPECT_EQ(context.faces[0].clip, (Rect{10, 10, 70, 40})) << "the frame within the clip";
    EXPECT_EQ(context.faces[1].clip, (Rect{62, 10, 70, 17})) << "the label within the frame's clip";
}

TEST_F(RedrawTest, HiddenWindowsAndLockedControlsPaintNothing) {
    Rect painted{1, 2, 3, 4};
    label->Lock(true);
    EXPECT_TRUE(frame.Redraw(0, 0, -1, -1, &painted)) << "only the frame";
    EXPECT_EQ(context.faces.size(), 1u);
    EXPECT_FALSE(label->Redraw(0, 0, -1, -1, &painted));
    label->Lock(false);

    frame.Lock(true);
    context.faces.clear();
    EXPECT_TRUE(frame.Redraw(0, 0, -1, -1, nullptr)) << "a container paints under its own lock";
    EXPECT_EQ(context.faces.size(), 2u);
    frame.Lock(false);

    frame.Show(false);
    painted = {1, 2, 3, 4};
    EXPECT_FALSE(frame.Redraw(0, 0, -1, -1, &painted));
    EXPECT_EQ(painted, (Rect{1, 2, 3, 4}));
}

TEST_F(RedrawTest, TheAreaIsCutToTheWindow) {
    const struct {
        int32_t x, y, w, h;
        bool paints;
        Rect dirty;
    } cases[] = {
        {0, 0, -1, -1, true, {0, 0, 99, 49}},
        {-10, -5, 30, 20, true, {0, 0, 19, 14}},
        {90, 40, 50, 50, true, {90, 40, 99, 49}},
        {100, 0, 10, 10, false, {}},
        {0, 50, 10, 10, false, {}},
        {-10, 0, 10, 10, false, {}},
    };
    label->Show(false);
    for (const auto& testCase : cases) {
        context.faces.clear();
        EXPECT_EQ(frame.Redraw(testCase.x, testCase.y, testCase.w, testCase.h, nullptr), testCase.paints);
        if (testCase.paints) {
            ASSERT_EQ(context.faces.size(), 1u);
            EXPECT_EQ(context.faces[0].dirtyRect, testCase.dirty);
        } else {
            EXPECT_TRUE(context.faces.empty());
        }
    }
}

TEST_F(RedrawTest, WithoutAContextTheChildrenStillGetTheirTurn) {
    context.canBegin = false;
    EXPECT_FALSE(frame.Redraw(0, 0, -1, -1, nullptr));
    EXPECT_EQ(context.begins, 2) << "the frame and then the label tried";
}

TEST_F(RedrawTest, ThePaintedAreaIsTheUnionOfWhatPainted) {
    frame.drawAnswer = false;
    auto* second = new FakeControl("second", 10, 30, 5, 5);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(second)));
    second->SetBounds(10, 30, 5, 5, kPixels);
    Rect painted;
    ASSERT_TRUE(frame.Redraw(0, 0, -1, -1, &painted));
    EXPECT_EQ(painted, (Rect{12, 8, 91, 37}));
}

TEST_F(RedrawTest, ControlsTakeTheNearestAncestorsOwnFont) {
    auto* panel = new FakePanel("panel", 0, 0, 10, 10);
    auto* inner = new FakeControl("inner", 0, 0, 1, 1);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(panel)));
    ASSERT_TRUE(panel->AddChild(std::unique_ptr<gui::Control>(inner)));
    EXPECT_EQ(inner->FindAncestor(), nullptr) << "no ancestor has a font of its own";

    frame.font.SetSize(12);
    EXPECT_EQ(inner->FindAncestor(), &frame.font);
    panel->font.SetFace(kArial);
    EXPECT_EQ(inner->FindAncestor(), &panel->font);

    FakeControl orphan("orphan", 0, 0, 1, 1);
    EXPECT_EQ(orphan.FindAncestor(), nullptr);
}

} // namespace
} // namespace gui::testing
