#include "FakeWindows.h"

#include "support/StartGate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace gui::testing {
namespace {

// The GUI thread moves the clock; the timer list reads it under the frame's lock.
class SteppedCounter final : public common::TimerList::Counter {
public:
    bool ReadFrequency(int64_t& ticksPerSecond) override {
        ticksPerSecond = 1000;
        return true;
    }
    bool ReadCounter(int64_t& ticks) override {
        ticks = now.load();
        return true;
    }
    std::atomic<int64_t> now{0};
};

struct Runs {
    std::atomic<int> churned{0};
    std::atomic<bool> lastRan{false};
};

TEST(FrameWindowThreadTest, TasksComeAndGoFromAnotherThreadWhileTheGuiThreadRunsThem) {
    SteppedCounter counter;
    FakeFrame frame(100, 100, &counter);
    Runs runs;
    std::atomic<bool> added{false};
    test_support::StartGate gate(2);

    std::thread worker([&] {
        gate.ArriveAndWait();
        for (int i = 0; i < 500; ++i) {
            common::TimerList::Entry* entry = nullptr;
            EXPECT_TRUE(frame.AddTimerTask(
                1, [](Window*, uintptr_t context) { ++reinterpret_cast<Runs*>(context)->churned; },
                reinterpret_cast<uintptr_t>(&runs), &entry));
            frame.RemoveTimerTask(entry);
        }
        EXPECT_TRUE(frame.AddTimerTask(
            1, [](Window*, uintptr_t context) { reinterpret_cast<Runs*>(context)->lastRan = true; },
            reinterpret_cast<uintptr_t>(&runs)));
        added = true;
    });
    gate.ArriveAndWait();
    // The worker always ends by adding the last task, so that this loop ends.
    while (!added || !runs.lastRan) {
        ++counter.now;
        frame.RunTimerTasks();
    }
    worker.join();
    EXPECT_TRUE(frame.StartTimers(false)) << "the last task stays";
}

} // namespace
} // namespace gui::testing
