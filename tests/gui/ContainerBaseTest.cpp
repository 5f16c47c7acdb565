#include "FakeWindows.h"

#include "gui/Units.h"

#include <gtest/gtest.h>

#include <memory>

namespace gui {

// Failures show the bounds.
void PrintTo(const Bounds& bounds, std::ostream* out) {
    *out << "(" << bounds.x << ", " << bounds.y << ", " << bounds.width << ", " << bounds.height << ")";
}

namespace testing {
namespace {

Bounds BoundsOf(Window& window) {
    Bounds bounds;
    window.GetBounds(bounds.x, bounds.y, bounds.width, bounds.height);
    return bounds;
}

class ContainerBaseTest : public ::testing::Test {
protected:
    FakeControl* Add(const char* name, int32_t w, int32_t h, int32_t mode, int32_t group = 0) {
        auto* child = new FakeControl(name, 0, 0, w, h, mode);
        EXPECT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(child)));
        child->SetGroup(group);
        return child;
    }

    FakeFrame frame{200, 100};
};

TEST_F(ContainerBaseTest, DockedChildrenTakeTheirEdgesAndFillTakesTheRest) {
    FakeControl* first = Add("first", 50, 10, kDockLeft);
    FakeControl* second = Add("second", 30, 10, kDockLeft);
    FakeControl* fill = Add("fill", 1, 1, kDockFill);
    EXPECT_EQ(BoundsOf(*first), (Bounds{0, 0, 50, 100}));
    EXPECT_EQ(BoundsOf(*second), (Bounds{50, 0, 30, 100}));
    EXPECT_EQ(BoundsOf(*fill), (Bounds{80, 0, 120, 100}));
}

TEST_F(ContainerBaseTest, EachModePlacesItsChild) {
    const struct {
        const char* name;
        int32_t mode;
        Bounds expected; // for a 40 x 20 child after a 10 x 10 child docked top, in 200 x 100
    } cases[] = {
        {"right", kDockRight, {160, 10, 40, 90}},
        {"bottom", kDockBottom, {0, 80, 200, 20}},
        {"centre ignores what others took", kDockCentre, {80, 40, 40, 20}},
        {"left, centred vertically", kDockLeftCentred, {0, 45, 40, 20}},
        {"right, centred vertically", kDockRightCentred, {160, 45, 40, 20}},
        {"top, centred horizontally", kDockTopCentred, {80, 10, 40, 20}},
        {"bottom, centred horizontally", kDockBottomCentred, {80, 80, 40, 20}},
        {"left top", kDockLeftTop, {0, 10, 40, 20}},
        {"right top", kDockRightTop, {160, 10, 40, 20}},
        {"left bottom", kDockLeftBottom, {0, 80, 40, 20}},
        {"right bottom", kDockRightBottom, {160, 80, 40, 20}},
        {"not docked stays", kDockNone, {0, 0, 40, 20}},
    };
    for (const auto& testCase : cases) {
        FakeFrame container(200, 100);
        ASSERT_TRUE(container.AddChild(std::make_unique<FakeControl>("top", 0, 0, 10, 10, kDockTop)));
        auto* child = new FakeControl("child", 0, 0, 40, 20, testCase.mode);
        ASSERT_TRUE(container.AddChild(std::unique_ptr<gui::Control>(child)));
        EXPECT_EQ(BoundsOf(*child), testCase.expected) << testCase.name;
    }
}

TEST_F(ContainerBaseTest, TheEdgesMoveInward) {
    FakeControl* right = Add("right", 30, 10, kDockRight);
    FakeControl* rightTop = Add("right top", 20, 10, kDockRightTop);
    EXPECT_EQ(BoundsOf(*right).x, 170);
    EXPECT_EQ(BoundsOf(*rightTop).x, 150) << "placed to the left of the first";

    FakeFrame tall(200, 120);
    auto* top = new FakeControl("top", 0, 0, 10, 20, kDockTop);
    auto* leftCentred = new FakeControl("left centred", 0, 0, 10, 30, kDockLeftCentred);
    ASSERT_TRUE(tall.AddChild(std::unique_ptr<gui::Control>(top)));
    ASSERT_TRUE(tall.AddChild(std::unique_ptr<gui::Control>(leftCentred)));
    EXPECT_EQ(BoundsOf(*leftCentred).y, 55);
}

TEST_F(ContainerBaseTest, ChildrenAreLaidOutInsideTheMargins) {
    frame.SetMargins({5, 6, 7, 8});
    FakeControl* fill = Add("fill", 1, 1, kDockFill);
    EXPECT_EQ(BoundsOf(*fill), (Bounds{0, 0, 188, 86}));
    const int locks = frame.locks;
    frame.SetMargins({5, 6, 7, 8});
    EXPECT_EQ(frame.locks, locks) << "the same margins lay out nothing";
    frame.SetMargins({0, 0, 0, 0});
    EXPECT_EQ(BoundsOf(*fill), (Bounds{0, 0, 200, 100}));
}

TEST_F(ContainerBaseTest, HiddenChildrenAndHiddenFillChildrenTakeNoSpace) {
    for (auto* hidden :
         {new FakeControl("hidden", 0, 0, 50, 10, kDockLeft), new FakeControl("hidden fill", 0, 0, 1, 1, kDockFill)}) {
        hidden->Show(false);
        ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(hidden)));
    }
    FakeControl* left = Add("left", 30, 10, kDockLeft);
    FakeControl* fill = Add("fill", 1, 1, kDockFill);
    EXPECT_EQ(BoundsOf(*left), (Bounds{0, 0, 30, 100}));
    EXPECT_EQ(BoundsOf(*fill), (Bounds{30, 0, 170, 100}));
    EXPECT_EQ(BoundsOf(*frame.ChildAt(1)), (Bounds{0, 0, 1, 1}));
}

TEST_F(ContainerBaseTest, GroupsAreHiddenInOrderUntilTheChildrenFit) {
    FakeControl* plain = Add("plain", 120, 10, kDockLeft);
    FakeControl* groupTwo = Add("group 2", 60, 10, kDockLeft, 2);
    FakeControl* groupOne = Add("group 1", 30, 10, kDockLeft, 1);
    FakeControl* groupOneFill = Add("group 1 fill", 1, 1, kDockFill, 1);
    EXPECT_EQ(groupOneFill->GetGroup(), 0) << "a fill child cannot hide";
    // 120 + 60 + 30 = 210 > 200: group 1 goes first, and then it fits.
    EXPECT_TRUE(plain->IsVisible(false));
    EXPECT_TRUE(groupTwo->IsVisible(false));
    EXPECT_FALSE(groupOne->IsVisible(false));
    EXPECT_TRUE(groupOneFill->IsVisible(false));

    // Wider still: group 2 goes as well. The next layout shows group 1 again before it decides.
    plain->SetBounds(0, 0, 150, 10, kPixels);
    frame.LayoutChildren();
    EXPECT_FALSE(groupOne->IsVisible(false));
    EXPECT_FALSE(groupTwo->IsVisible(false));

    plain->SetBounds(0, 0, 100, 10, kPixels);
    frame.LayoutChildren();
    EXPECT_TRUE(groupOne->IsVisible(false));
    EXPECT_TRUE(groupTwo->IsVisible(false));
}

TEST_F(ContainerBaseTest, AFittedChildMeasuresItselfOrKeepsItsConstructionWidth) {
    auto* unmeasured = new FakeControl("unmeasured", 0, 0, 40, 10, kDockLeftFitted);
    auto* measured = new FakeControl("measured", 0, 0, 20, 10, kDockLeftFitted);
    const Rect extent{0, 0, 70, 0};
    measured->measuredExtent = &extent;
    RecordingContext context;
    frame.context = &context;
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(unmeasured)));
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(measured)));
    EXPECT_GT(unmeasured->measures, 0);
    EXPECT_EQ(BoundsOf(*unmeasured), (Bounds{0, 0, 40, 100}));
    EXPECT_EQ(BoundsOf(*measured), (Bounds{40, 0, 70, 100}));
}

TEST_F(ContainerBaseTest, AnEmptyContainerLocksOnlyItself) {
    const int locks = frame.locks;
    frame.LayoutChildren();
    EXPECT_EQ(frame.locks, locks + 1);
    EXPECT_FALSE(frame.IsLocked());
}

TEST_F(ContainerBaseTest, ChildrenAreLockedForTheLayoutOnly) {
    FakeControl* child = Add("child", 10, 10, kDockLeft);
    const int locks = child->locks;
    frame.LayoutChildren();
    EXPECT_EQ(child->locks, locks + 1);
    EXPECT_FALSE(child->IsLocked());
}

TEST_F(ContainerBaseTest, AddChildRefusesWhatItCannotOwn) {
    FakeFrame other(100, 100);
    auto owned = std::make_unique<FakeControl>("owned", 0, 0, 1, 1);
    FakeControl* child = owned.get();
    ASSERT_TRUE(other.AddChild(std::move(owned)));

    EXPECT_FALSE(frame.AddChild(nullptr));
    EXPECT_FALSE(frame.AddChild(std::unique_ptr<gui::Control>(child))) << "a child of another container";
    EXPECT_EQ(frame.ChildCount(), 0);
    EXPECT_EQ(other.ChildCount(), 1);
    EXPECT_EQ(child->GetParent(), static_cast<Window*>(&other));
    EXPECT_TRUE(other.AddChild(std::unique_ptr<gui::Control>(child))) << "already its own: nothing to do";
    EXPECT_EQ(other.ChildCount(), 1);

    FakePanel* panel = AddOwned(frame, std::make_unique<FakePanel>("panel", 0, 0, 10, 10));
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->AddChild(std::unique_ptr<gui::Control>(panel)));
    EXPECT_EQ(panel->ChildCount(), 0);
    EXPECT_EQ(frame.ChildAt(0), panel);
    EXPECT_EQ(AddOwned(frame, std::unique_ptr<FakeControl>()), nullptr);
}

TEST_F(ContainerBaseTest, ACreatedContainerCreatesItsNewChildrenAndRollsBackAFailure) {
    ASSERT_TRUE(frame.Create());
    auto* child = new FakeControl("child", 0, 0, 1, 1);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(child)));
    EXPECT_TRUE(child->IsCreated());

    bool refusedDeleted = false;
    auto refusing = std::make_unique<FakeControl>("refusing", 0, 0, 1, 1);
    refusing->refuseCreate = true;
    refusing->deleted = &refusedDeleted;
    EXPECT_FALSE(frame.AddChild(std::move(refusing)));
    EXPECT_EQ(frame.ChildCount(), 1);
    EXPECT_EQ(frame.ChildAt(0), child);
    EXPECT_TRUE(refusedDeleted) << "a refused child is not kept";
}

TEST_F(ContainerBaseTest, RemovingChildrenKeepsTheOrderAndDeletesWhatItOwns) {
    bool firstDeleted = false;
    bool thirdDeleted = false;
    FakeControl* first = Add("first", 10, 10, kDockLeft);
    FakeControl* second = Add("second", 10, 10, kDockLeft);
    FakeControl* third = Add("third", 10, 10, kDockLeft);
    first->deleted = &firstDeleted;
    third->deleted = &thirdDeleted;

    std::unique_ptr<Control> removed = frame.RemoveChild(second);
    ASSERT_EQ(removed.get(), second);
    EXPECT_EQ(second->GetParent(), nullptr);
    EXPECT_EQ(frame.ChildAt(1), third);
    EXPECT_EQ(BoundsOf(*third).x, 10) << "laid out again";
    EXPECT_EQ(frame.RemoveChild(second), nullptr);
    EXPECT_FALSE(frame.DeleteChild(second));

    EXPECT_TRUE(frame.DeleteChild(first));
    EXPECT_TRUE(firstDeleted);
    EXPECT_EQ(frame.ChildAt(0), third);
    EXPECT_EQ(frame.ChildAt(1), nullptr);
    EXPECT_EQ(frame.ChildAt(-1), nullptr);

    frame.DeleteAllChildren();
    EXPECT_TRUE(thirdDeleted);
    EXPECT_EQ(frame.ChildCount(), 0);
}

TEST_F(ContainerBaseTest, DestroyingAContainerDestroysAndDeletesItsChildren) {
    bool deleted = false;
    {
        FakeFrame doomed(100, 100);
        ASSERT_TRUE(doomed.Create());
        auto* child = new FakeControl("child", 0, 0, 1, 1);
        child->deleted = &deleted;
        ASSERT_TRUE(doomed.AddChild(std::unique_ptr<gui::Control>(child)));
        EXPECT_TRUE(child->IsCreated());
    }
    EXPECT_TRUE(deleted);
}

TEST_F(ContainerBaseTest, HitTestsFindTheDeepestVisibleWindowInItsOwnCoordinates) {
    frame.SetMargins({5, 5, 0, 0});
    auto* panel = new FakePanel("panel", 0, 0, 100, 50, kDockTop);
    auto* button = new FakeControl("button", 0, 0, 20, 20, kDockLeft);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(panel)));
    ASSERT_TRUE(panel->AddChild(std::unique_ptr<gui::Control>(button)));
    // panel at (0, 0, 195, 50) in the client area, button at (0, 0, 20, 50) in the panel.
    EXPECT_EQ(frame.ChildAtPoint(10, 10), panel);
    EXPECT_EQ(frame.ChildAtPoint(10, 60), nullptr);

    int32_t x = 12;
    int32_t y = 13;
    EXPECT_EQ(frame.ChildFromPoint(x, y), static_cast<Window*>(button));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);

    x = 50;
    y = 40;
    EXPECT_EQ(frame.ChildFromPoint(x, y), static_cast<Window*>(panel));
    EXPECT_EQ(x, 45);
    EXPECT_EQ(y, 35);

    x = 50;
    y = 80;
    EXPECT_EQ(frame.ChildFromPoint(x, y), static_cast<Window*>(&frame)) << "no child there";
    EXPECT_EQ(x, 50);

    button->Show(false);
    x = 12;
    y = 13;
    EXPECT_EQ(frame.ChildFromPoint(x, y), static_cast<Window*>(panel));
}

TEST_F(ContainerBaseTest, ApplyBoundsPushesEveryChildsRectangleAgain) {
    FakeControl* first = Add("first", 10, 10, kDockNone);
    FakeControl* second = Add("second", 10, 10, kDockNone);
    const int firstCalls = first->boundsCalls;
    const int secondCalls = second->boundsCalls;
    frame.ForEachChild();
    EXPECT_EQ(first->boundsCalls, firstCalls + 1);
    EXPECT_EQ(second->boundsCalls, secondCalls + 1);
}

TEST_F(ContainerBaseTest, NotificationsClimbTheContainerChain) {
    struct Listening : FakeFrame {
        using FakeFrame::FakeFrame;
        void NotifyParent(uintptr_t argument) override { heard = argument; }
        uintptr_t heard = 0;
    };
    Listening top(100, 100);
    auto* panel = new FakePanel("panel", 0, 0, 10, 10);
    ASSERT_TRUE(top.AddChild(std::unique_ptr<gui::Control>(panel)));
    panel->NotifyParent(42);
    EXPECT_EQ(top.heard, 42u);
    frame.NotifyParent(1); // no parent: nothing happens
}

} // namespace
} // namespace testing
} // namespace gui
