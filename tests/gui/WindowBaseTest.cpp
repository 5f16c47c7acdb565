#include "FakeWindows.h"

#include "gui/Units.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gui::testing {
namespace {

std::vector<std::string> callbackLog;

void LogMove(Window*) {
    callbackLog.push_back("move");
}

void LogResize(Window*) {
    callbackLog.push_back("resize");
}

class WindowBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        callbackLog.clear();
        control.MoveCallback() = LogMove;
        control.ResizeCallback() = LogResize;
    }

    void ExpectBounds(int32_t x, int32_t y, int32_t w, int32_t h) {
        int32_t actualX = 0;
        int32_t actualY = 0;
        int32_t actualWidth = 0;
        int32_t actualHeight = 0;
        control.GetBounds(actualX, actualY, actualWidth, actualHeight);
        EXPECT_EQ(actualX, x);
        EXPECT_EQ(actualY, y);
        EXPECT_EQ(actualWidth, w);
        EXPECT_EQ(actualHeight, h);
    }

    FakeControl control{"control", 10, 20, 30, 40};
};

TEST_F(WindowBaseTest, SetBoundsClampsKeepsNegativeSizesAndReportsMoveBeforeResize) {
    control.SetMinMax(0, 60, 0, 80);
    callbackLog.clear();
    const struct {
        const char* name;
        int32_t x, y, w, h;
        bool changed;
        int32_t expectedWidth, expectedHeight;
        std::vector<std::string> calls;
    } cases[] = {
        {"width -1 keeps the width, 50 rises to the minimum height it has", 10, 20, -1, 50, false, 30, 60, {}},
        {"a height above the maximum falls to it", 10, 20, 30, 500, true, 30, 80, {"resize"}},
        {"moved and resized: move first", 1, 2, 10000, 70, true, 10000, 70, {"move", "resize"}},
        {"moved only", 5, 2, -1, -1, true, 10000, 70, {"move"}},
    };
    for (const auto& testCase : cases) {
        callbackLog.clear();
        EXPECT_EQ(control.SetBounds(testCase.x, testCase.y, testCase.w, testCase.h, kPixels), testCase.changed)
            << testCase.name;
        ExpectBounds(testCase.x, testCase.y, testCase.expectedWidth, testCase.expectedHeight);
        EXPECT_EQ(callbackLog, testCase.calls) << testCase.name;
    }
}

TEST_F(WindowBaseTest, SetMinMaxSwapsRefusesNegativesAndBringsTheSizeWithin) {
    int32_t minWidth = 0;
    int32_t minHeight = 0;
    int32_t maxWidth = 0;
    int32_t maxHeight = 0;

    EXPECT_TRUE(control.SetMinMax(100, 0, 50, 0));
    control.GetMinMax(minWidth, minHeight, maxWidth, maxHeight);
    EXPECT_EQ(minWidth, 50);
    EXPECT_EQ(maxWidth, 100);
    ExpectBounds(10, 20, 50, 40); // 30 wide rose to the new minimum
    EXPECT_EQ(callbackLog, std::vector<std::string>{"resize"});

    EXPECT_FALSE(control.SetMinMax(-5, 0, 0, 0));
    control.GetMinMax(minWidth, minHeight, maxWidth, maxHeight);
    EXPECT_EQ(minWidth, 0);
    EXPECT_EQ(maxWidth, 0);
}

TEST_F(WindowBaseTest, UpdateLockNeverFallsBelowZero) {
    control.Lock(false);
    EXPECT_FALSE(control.IsLocked());
    control.Lock(true);
    control.Lock(true);
    control.Lock(false);
    EXPECT_TRUE(control.IsLocked());
    control.Lock(false);
    control.Lock(false);
    EXPECT_FALSE(control.IsLocked());
    control.Lock(true);
    EXPECT_TRUE(control.IsLocked());
}

TEST_F(WindowBaseTest, BackgroundRepaintsOnlyWhenItChanges) {
    const struct {
        Colour colour;
        int repaints;
        bool own;
    } steps[] = {
        {Colour{}, 0, false},              // unset over unset
        {Colour{1, 0xFF123456}, 0, false}, // still unset: the value does not count
        {Colour::Of(0xFF123456), 1, true}, // the kind changed
        {Colour::Of(0xFF123456), 1, true}, // same colour
        {Colour::Of(0xFF654321), 2, true}, // own colour changed
        {Colour{}, 3, false},              // back to none
    };
    for (const auto& step : steps) {
        control.SetBackground(step.colour);
        EXPECT_EQ(control.invalidations, step.repaints);
        Colour read{7, 0x11111111};
        EXPECT_EQ(control.GetBackground(read), step.own);
        EXPECT_EQ(read.argb, step.own ? step.colour.argb : 0x11111111u);
    }
}

TEST_F(WindowBaseTest, GroupsGoOnlyWithModesThatCanHideAndEveryChangeLaysTheParentOut) {
    FakeFrame frame(200, 100);
    auto* docked = new FakeControl("docked", 0, 0, 10, 10, kDockCentre);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(docked)));
    const int locksBefore = frame.locks;

    docked->SetGroup(3);
    EXPECT_EQ(docked->GetGroup(), 0) << "mode 5 takes no group";
    EXPECT_EQ(frame.locks, locksBefore);

    docked->SetAlignment(kDockLeft);
    docked->SetGroup(3);
    EXPECT_EQ(docked->GetGroup(), 3);
    EXPECT_EQ(frame.locks, locksBefore + 2);

    docked->SetAlignment(kDockNone);
    EXPECT_EQ(docked->GetGroup(), 0) << "mode 0 drops the group";
    EXPECT_EQ(frame.locks, locksBefore + 3);
    docked->SetAlignment(kDockNone);
    EXPECT_EQ(frame.locks, locksBefore + 3) << "an unchanged mode does nothing";
}

TEST_F(WindowBaseTest, VisibilityCountsTheTopLevelWindowEnabledStateDoesNot) {
    FakeFrame frame(200, 100);
    auto* panel = new FakePanel("panel", 0, 0, 100, 100);
    auto* child = new FakeControl("child", 0, 0, 10, 10);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(panel)));
    ASSERT_TRUE(panel->AddChild(std::unique_ptr<gui::Control>(child)));

    EXPECT_TRUE(child->IsVisible(true));
    frame.Show(false);
    EXPECT_FALSE(child->IsVisible(true));
    EXPECT_TRUE(child->IsVisible(false));
    frame.Show(true);
    panel->Show(false);
    EXPECT_FALSE(child->IsVisible(true));
    panel->Show(true);

    EXPECT_TRUE(child->IsEnabled(true));
    panel->SetEnabled(false);
    EXPECT_FALSE(child->IsEnabled(true));
    EXPECT_TRUE(child->IsEnabled(false));
    panel->SetEnabled(true);
    child->SetEnabled(false);
    EXPECT_FALSE(child->IsEnabled(true));
}

TEST_F(WindowBaseTest, AParentIsTakenOnlyBeforeCreation) {
    FakeFrame frame(200, 100);
    FakeFrame other(200, 100);
    control.SetParent(&frame);
    EXPECT_EQ(control.GetParent(), static_cast<Window*>(&frame));
    ASSERT_TRUE(control.Create());
    control.SetParent(&other);
    EXPECT_EQ(control.GetParent(), static_cast<Window*>(&frame));
    control.Destroy();
    control.SetParent(nullptr);
    EXPECT_EQ(control.GetParent(), nullptr);
}

TEST_F(WindowBaseTest, CallbacksStaySilentWhileTheWindowIsDestroyed) {
    struct MovingControl : FakeControl {
        using FakeControl::FakeControl;
        ~MovingControl() override {
            MarkDestroying();
            SetBounds(1, 2, 3, 4, kPixels);
            OnKey(65, true);
        }
    };
    {
        MovingControl moving("moving", 0, 0, 10, 10);
        moving.MoveCallback() = LogMove;
        moving.ResizeCallback() = LogResize;
        moving.KeyCallback() = [](Window*, int32_t, bool) -> int32_t {
            callbackLog.push_back("key");
            return 1;
        };
    }
    EXPECT_TRUE(callbackLog.empty());
}

TEST_F(WindowBaseTest, CallbacksAnswerForTheWindow) {
    EXPECT_EQ(control.OnKey(65, true), 0);
    EXPECT_EQ(control.OnMouse(1, 2, kLeftDown), 0);
    control.UserData() = 1234;
    control.KeyCallback() = [](Window* window, int32_t key, bool down) -> int32_t {
        return static_cast<int32_t>(window->UserData()) + key + (down ? 1 : 0);
    };
    control.MouseCallback() = [](Window*, int32_t x, int32_t y, int32_t event) { return x * 100 + y * 10 + event; };
    EXPECT_EQ(control.OnKey(65, true), 1234 + 65 + 1);
    EXPECT_EQ(control.OnMouse(1, 2, kLeftDown), 121);
}

TEST_F(WindowBaseTest, CreationLetsWhatWasAskedBeforeWinOverTheNativeState) {
    // Update stands for the native window: it reports a state of its own.
    struct NativeLike : FakeControl {
        using FakeControl::FakeControl;
        bool Update(bool, bool, bool) override { return StoreGeometry(0, 0, 1, 1, false); }
    };
    FakeFrame frame(200, 100);
    NativeLike native("native", 7, 8, 9, 10);
    native.SetParent(&frame);
    ASSERT_TRUE(native.Create());
    EXPECT_TRUE(native.IsCreated());
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    native.GetBounds(x, y, w, h);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(w, 9);
    EXPECT_TRUE(native.IsVisible(false));
    EXPECT_EQ(native.GetCachedBounds(x, y, w, h), 0);
    EXPECT_EQ(h, 10);
    native.Destroy();
    EXPECT_FALSE(native.IsCreated());
}

TEST_F(WindowBaseTest, PositionAndSizeSettersTellWhatChanged) {
    control.SetMinMax(0, 0, 30, 0);
    EXPECT_FALSE(control.SetPosition(10, 20));
    EXPECT_TRUE(control.SetPosition(11, 20));
    EXPECT_FALSE(control.SetSize(300, 40)) << "clamped back to the same width";
    EXPECT_TRUE(control.SetSize(20, 40));
    ExpectBounds(11, 20, 20, 40);
}

TEST_F(WindowBaseTest, MillimetreBoundsArePixelsAtTheLayoutDpi) {
    ASSERT_FALSE(ProcessDpi().IsFixed());
    control.SetBounds(10, 1, 10, -1, kMillimetres);
    ExpectBounds(38, 4, 38, 40);
}

TEST_F(WindowBaseTest, ControlHitTestMakesThePointLocal) {
    int32_t x = 39;
    int32_t y = 59;
    EXPECT_EQ(control.ChildFromPoint(x, y), static_cast<Window*>(&control));
    EXPECT_EQ(x, 29);
    EXPECT_EQ(y, 39);
    x = 40;
    y = 30;
    EXPECT_EQ(control.ChildFromPoint(x, y), nullptr);
    EXPECT_EQ(x, 40);
    control.Show(false);
    x = 15;
    EXPECT_EQ(control.ChildFromPoint(x, y), nullptr);
}

TEST_F(WindowBaseTest, AWindowlessControlDrawsAtItsPlaceInTheParentsContext) {
    RecordingContext context;
    FakeFrame frame(200, 100);
    frame.context = &context;
    frame.SetMargins({3, 4, 0, 0});
    auto* panel = new FakePanel("panel", 20, 30, 100, 60);
    auto* child = new FakeControl("child", 5, 6, 10, 10);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(panel)));
    ASSERT_TRUE(panel->AddChild(std::unique_ptr<gui::Control>(child)));

    int32_t x = 0;
    int32_t y = 0;
    EXPECT_EQ(child->GetGraphics(x, y), &context);
    EXPECT_EQ(x, 3 + 20 + 5);
    EXPECT_EQ(y, 4 + 30 + 6);

    FakeControl orphan("orphan", 0, 0, 1, 1);
    x = 0;
    y = 0;
    EXPECT_EQ(orphan.GetGraphics(x, y), nullptr);
}

} // namespace
} // namespace gui::testing
