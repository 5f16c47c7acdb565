#include "FakeWindows.h"

#include "gui/MenuBar.h"

#include <gtest/gtest.h>

#include <vector>

namespace gui::testing {
namespace {

// A counter the test moves by hand, in milliseconds.
class ManualCounter final : public common::TimerList::Counter {
public:
    bool ReadFrequency(int64_t& ticksPerSecond) override {
        ticksPerSecond = 1000;
        return readable;
    }
    bool ReadCounter(int64_t& ticks) override {
        ticks = now;
        return readable;
    }

    int64_t now = 0;
    bool readable = true;
};

class FrameWindowTest : public ::testing::Test {
protected:
    // Each task's context is its index in the log.
    static void Count(Window* window, uintptr_t context) {
        auto* test = reinterpret_cast<FrameWindowTest*>(window->UserData());
        ++test->runs[context];
    }

    void SetUp() override { frame.UserData() = reinterpret_cast<uintptr_t>(this); }

    void RunAt(int64_t now) {
        counter.now = now;
        frame.RunTimerTasks();
    }

    ManualCounter counter;
    FakeFrame frame{100, 100, &counter};
    std::vector<int> runs = std::vector<int>(8);
};

TEST_F(FrameWindowTest, TheIntervalIsInMillisecondsFromOneToAThousand) {
    const struct {
        int32_t interval;
        int32_t rate; // calls a second; 0: refused
    } cases[] = {{1, 1000}, {3, 333}, {7, 143}, {60, 17}, {667, 1}, {1000, 1}, {0, 0}, {1001, 0}, {-5, 0}};
    for (const auto& testCase : cases) {
        common::TimerList::Entry* entry = nullptr;
        EXPECT_EQ(frame.AddTimerTask(testCase.interval, Count, 0, &entry), testCase.rate != 0) << testCase.interval;
        if (testCase.rate == 0) {
            EXPECT_EQ(entry, nullptr);
            continue;
        }
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->rate, testCase.rate) << testCase.interval;
        frame.RemoveTimerTask(entry);
    }
    EXPECT_FALSE(frame.AddTimerTask(10, nullptr, 0));
}

TEST_F(FrameWindowTest, DueTasksRunOnEveryTick) {
    ASSERT_TRUE(frame.AddTimerTask(1, Count, 0));
    ASSERT_TRUE(frame.AddTimerTask(60, Count, 1)); // 17 a second: every 59 ms
    RunAt(1);
    RunAt(2);
    RunAt(59);
    EXPECT_EQ(runs[0], 3);
    EXPECT_EQ(runs[1], 1);
}

TEST_F(FrameWindowTest, TimersStartOnlyWithTasks) {
    EXPECT_FALSE(frame.StartTimers(false));
    common::TimerList::Entry* entry = nullptr;
    ASSERT_TRUE(frame.AddTimerTask(5, Count, 0, &entry));
    EXPECT_TRUE(frame.StartTimers(true));
    frame.RemoveTimerTask(entry);
    EXPECT_FALSE(frame.StartTimers(false));

    ASSERT_TRUE(frame.Create());
    counter.readable = false;
    EXPECT_FALSE(frame.AddTimerTask(5, Count, 0)) << "the counter cannot be read";
    counter.readable = true;
    EXPECT_TRUE(frame.AddTimerTask(5, Count, 0)) << "created: the timers start";
}

TEST_F(FrameWindowTest, ATaskMayAddAndRemoveTasks) {
    struct Context {
        FrameWindowBase* frame;
        common::TimerList::Entry* self = nullptr;
        int runs = 0;
        int added = 0;
    };
    static Context context;
    context = Context{&frame};
    auto adding = [](Window*, uintptr_t) {
        ++context.runs;
        if (context.frame->AddTimerTask(
                1, [](Window*, uintptr_t) { ++context.added; }, 0))
            context.frame->RemoveTimerTask(context.self);
    };
    ASSERT_TRUE(frame.AddTimerTask(1, adding, 0, &context.self));
    RunAt(1);
    RunAt(2);
    RunAt(3);
    EXPECT_EQ(context.runs, 1) << "it removed itself";
    EXPECT_EQ(context.added, 2);
}

TEST_F(FrameWindowTest, ATickInsideARunningTaskIsSkipped) {
    static int depth = 0;
    static int deepest = 0;
    auto nested = [](Window* window, uintptr_t) {
        ++depth;
        deepest = std::max(deepest, depth);
        // A nested message loop inside the task lets the next tick arrive.
        dynamic_cast<FrameWindowBase*>(window)->RunTimerTasks();
        --depth;
    };
    ASSERT_TRUE(frame.AddTimerTask(1, nested, 0));
    RunAt(1);
    RunAt(2);
    EXPECT_EQ(deepest, 1);
}

TEST_F(FrameWindowTest, OnlyItsOwnTasksAreRemoved) {
    FakeFrame other(10, 10, &counter);
    common::TimerList::Entry* foreign = nullptr;
    ASSERT_TRUE(other.AddTimerTask(1, Count, 0, &foreign));
    ASSERT_TRUE(frame.AddTimerTask(1, Count, 1));
    frame.RemoveTimerTask(foreign);
    frame.RemoveTimerTask(nullptr);
    RunAt(1);
    EXPECT_EQ(runs[1], 1);
    other.UserData() = reinterpret_cast<uintptr_t>(this);
    counter.now = 2;
    other.RunTimerTasks();
    EXPECT_EQ(runs[0], 1) << "still on the other frame";
}

TEST_F(FrameWindowTest, AMenuBarIsSetBeforeCreationOnly) {
    auto* bar = new MenuBar(&frame);
    EXPECT_TRUE(frame.SetMenuBar(bar));
    EXPECT_EQ(frame.GetMenuBar(), bar);
    ASSERT_TRUE(frame.Create());
    EXPECT_TRUE(frame.SetMenuBar(bar)) << "the bar it holds";
    MenuBar other(&frame);
    EXPECT_FALSE(frame.SetMenuBar(&other));
    EXPECT_EQ(frame.GetMenuBar(), bar);
}

TEST_F(FrameWindowTest, ControlsFindTheirTopLevelAndFrameWindow) {
    auto* panel = new FakePanel("panel", 0, 0, 10, 10);
    auto* child = new FakeControl("child", 0, 0, 1, 1);
    ASSERT_TRUE(frame.AddChild(std::unique_ptr<gui::Control>(panel)));
    ASSERT_TRUE(panel->AddChild(std::unique_ptr<gui::Control>(child)));
    EXPECT_EQ(child->GetTopLevelWindow(), static_cast<TitledWindow*>(&frame));
    EXPECT_EQ(child->GetFrameWindow(), static_cast<FrameWindow*>(&frame));
    FakeControl orphan("orphan", 0, 0, 1, 1);
    EXPECT_EQ(orphan.GetTopLevelWindow(), nullptr);
    EXPECT_EQ(orphan.GetFrameWindow(), nullptr);
}

TEST_F(FrameWindowTest, TheTitleIsACopy) {
    frame.SetTitle(common::WideString("ZOV/BK"));
    common::WideString title = frame.GetTitle();
    title.Append("!");
    EXPECT_EQ(frame.GetTitle().Compare("ZOV/BK"), 0);
}

} // namespace
} // namespace gui::testing
