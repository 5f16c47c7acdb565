#include "common/TimerList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace common {
namespace {

// A counter the test moves by hand.
class ManualCounter final : public TimerList::Counter {
public:
    int64_t frequency = 1000;
    int64_t now = 0;
    bool readable = true;

    bool ReadFrequency(int64_t& ticksPerSecond) override {
        ticksPerSecond = frequency;
        return readable;
    }
    bool ReadCounter(int64_t& ticks) override {
        ticks = now;
        return readable;
    }
};

class TimerListTest : public ::testing::Test {
protected:
    // Adds a timer that records its name on every call and answers keepGoing.
    TimerList::Entry* AddRecorder(int32_t rate, const std::string& name, bool keepGoing = true) {
        return timers.Add(rate, [this, name, keepGoing](uint64_t&) {
            calls.push_back(name);
            return keepGoing;
        });
    }

    int32_t RunAt(int64_t now) {
        counter.now = now;
        int32_t milliseconds = 0;
        EXPECT_TRUE(timers.RunDue(&milliseconds));
        return milliseconds;
    }

    ManualCounter counter;
    TimerList timers{&counter};
    std::vector<std::string> calls;
};

TEST_F(TimerListTest, PeriodIsTheRoundedTicksPerCall) {
    const struct {
        int32_t rate;
        int64_t period;
    } cases[] = {{3, 333}, {2, 500}, {1000, 1}, {3000, 1}, {0, 1}, {-5, 1}, {1, 1000}};
    for (const auto& testCase : cases) {
        TimerList::Entry* entry = AddRecorder(testCase.rate, "t");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->period, testCase.period) << testCase.rate;
        timers.Unlink(entry);
    }
}

TEST_F(TimerListTest, ALateTimerRunsOnceAndIsDueAFullPeriodLater) {
    TimerList::Entry* entry = AddRecorder(10, "late"); // period 100
    EXPECT_EQ(RunAt(250), 100);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(entry->runs, 1u);
    EXPECT_EQ(RunAt(349), 1);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(RunAt(350), 100);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(TimerListTest, ReportsTheTimeToTheNextTimer) {
    std::vector<int32_t> notified;
    timers.SetNotify([&](int32_t milliseconds) { notified.push_back(milliseconds); });
    EXPECT_EQ(RunAt(0), -1); // nothing on the list

    counter.frequency = 1000000;
    AddRecorder(1000, "fast"); // period 1000 ticks = 1 ms
    AddRecorder(50, "slow");   // period 20 ms
    // Due within the current millisecond still reports 1.
    EXPECT_EQ(RunAt(1), 1);
    EXPECT_EQ(RunAt(1000), 1);
    EXPECT_EQ(calls, std::vector<std::string>{"fast"});
    EXPECT_EQ(notified, (std::vector<int32_t>{-1, 1, 1}));
}

TEST_F(TimerListTest, NothingDueCostsNoWalk) {
    TimerList::Entry* entry = AddRecorder(10, "t");
    EXPECT_EQ(RunAt(40), 60);
    // The cached next due answers; the entry's own count is left alone.
    EXPECT_EQ(RunAt(70), 30);
    EXPECT_EQ(entry->due, 60);
    EXPECT_EQ(RunAt(100), 100);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(TimerListTest, ACallbackAnsweringFalseLeavesInTheSameWalk) {
    TimerList::Entry* first = AddRecorder(10, "first");
    TimerList::Entry* second = AddRecorder(10, "second", false);
    AddRecorder(10, "third");
    RunAt(100);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_FALSE(second->active);
    timers.Unlink(second); // already gone: nothing happens
    timers.Unlink(nullptr);
    RunAt(200);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "third", "first", "third"}));

    // The removed entry is used again by the next timer.
    EXPECT_EQ(AddRecorder(5, "fourth"), second);
    EXPECT_NE(second, first);
}

TEST_F(TimerListTest, ATimerMayRemoveItselfWhileItRuns) {
    TimerList::Entry* self = nullptr;
    // The capture must outlive the removal: it is read after it.
    const std::string name(40, 'n');
    self = timers.Add(10, [this, &self, name](uint64_t&) {
        timers.Unlink(self);
        calls.push_back(name);
        return true;
    });
    AddRecorder(10, "second");
    RunAt(100);
    EXPECT_EQ(calls, (std::vector<std::string>{name, "second"}));
    EXPECT_FALSE(self->active);
    RunAt(200);
    EXPECT_EQ(calls, (std::vector<std::string>{name, "second", "second"}));
}

TEST_F(TimerListTest, CallbackCanAdjustItsRunCount) {
    TimerList::Entry* entry = timers.Add(10, [](uint64_t& runs) {
        runs += 10;
        return true;
    });
    RunAt(100);
    EXPECT_EQ(entry->runs, 11u);
}

TEST_F(TimerListTest, AnUnreadableCounterChangesNothing) {
    counter.readable = false;
    EXPECT_EQ(AddRecorder(10, "t"), nullptr);
    counter.readable = true;
    TimerList::Entry* entry = AddRecorder(10, "t");
    counter.readable = false;
    counter.now = 500;
    EXPECT_FALSE(timers.RunDue(nullptr));
    timers.Resync();
    EXPECT_EQ(entry->due, 100);
    EXPECT_TRUE(calls.empty());
}

TEST_F(TimerListTest, ACounterGoingBackRestartsTheMeasure) {
    counter.now = 1000;
    AddRecorder(10, "t");
    EXPECT_EQ(RunAt(900), 0); // no report: nothing was measured
    EXPECT_TRUE(calls.empty());
    RunAt(999);
    EXPECT_TRUE(calls.empty());
    RunAt(1000);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(TimerListTest, ANewFrequencyRescalesWithoutRunning) {
    TimerList::Entry* entry = AddRecorder(10, "t"); // period 100 at 1000 Hz
    RunAt(50);
    counter.frequency = 2000;
    RunAt(60);
    EXPECT_EQ(entry->period, 200);
    EXPECT_EQ(entry->due, 100); // half a period left, in the new ticks
    EXPECT_TRUE(calls.empty());
    RunAt(159);
    EXPECT_TRUE(calls.empty());
    RunAt(160);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(TimerListTest, ClearingKeepsOrDropsTheSpareEntries) {
    AddRecorder(10, "a");
    TimerList::Entry* kept = AddRecorder(10, "b");
    timers.Unlink(kept);
    timers.ClearActive();
    EXPECT_EQ(RunAt(1000), -1);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(AddRecorder(10, "c"), kept); // the spare entry survived
    timers.Clear();
    EXPECT_EQ(RunAt(2000), -1);
    EXPECT_TRUE(calls.empty());
}

} // namespace
} // namespace common
