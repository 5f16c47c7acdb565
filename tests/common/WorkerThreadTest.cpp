#include "common/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace common {
namespace {

using platform::ThreadPriority;

// Parks the worker until it is asked to stop, the way the emulation loop waits for work.
int32_t ParkUntilStopped(WorkerThread& worker, int32_t result) {
    while (!worker.StopRequested())
        worker.Wait(false);
    return result;
}

void AwaitParked(const WorkerThread& worker) {
    while (!worker.IsWaiting())
        std::this_thread::yield();
}

TEST(WorkerThreadTest, RunsTheFunctionAndKeepsItsResult) {
    std::atomic<int> calls = 0;
    WorkerThread worker([&] {
        ++calls;
        return 0;
    });
    EXPECT_EQ(worker.Result(), 1);
    ASSERT_TRUE(worker.Start(false, ThreadPriority::Normal));
    EXPECT_TRUE(worker.Stop(-1));
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.Result(), 0);
    EXPECT_EQ(calls, 1);

    // A finished worker can be started again.
    ASSERT_TRUE(worker.Start(false, ThreadPriority::BelowNormal));
    EXPECT_TRUE(worker.Stop(-1));
    EXPECT_EQ(calls, 2);
}

TEST(WorkerThreadTest, StartIsRefusedWhileRunningOrWithoutFunction) {
    WorkerThread empty{WorkerThread::Function()};
    EXPECT_FALSE(empty.Start(false, ThreadPriority::Normal));
    EXPECT_FALSE(empty.IsRunning());

    WorkerThread* self = nullptr;
    WorkerThread worker([&] { return ParkUntilStopped(*self, 7); });
    self = &worker;
    ASSERT_TRUE(worker.Start(false, ThreadPriority::Normal));
    EXPECT_FALSE(worker.Start(false, ThreadPriority::Normal));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_TRUE(worker.Stop(-1));
    EXPECT_EQ(worker.Result(), 7);
}

TEST(WorkerThreadTest, StartedParkedRunsOnlyAfterSignal) {
    std::atomic<int> calls = 0;
    std::promise<void> mayEnd; // the worker still runs at the second Signal
    WorkerThread worker([&] {
        ++calls;
        mayEnd.get_future().wait();
        return 0;
    });
    ASSERT_TRUE(worker.Start(true, ThreadPriority::Unchanged));
    EXPECT_TRUE(worker.IsWaiting());
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(worker.Signal());
    EXPECT_FALSE(worker.IsWaiting());
    EXPECT_TRUE(worker.Signal()); // nothing left to release
    mayEnd.set_value();
    EXPECT_TRUE(worker.Stop(-1));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(worker.Signal()); // no worker any more
}

TEST(WorkerThreadTest, ParksAtTheSafePointOnlyWhenAsked) {
    std::promise<bool> returnedFromUnaskedWait;
    std::promise<void> pendingMarked;
    std::promise<bool> returnedFromPark;
    WorkerThread* self = nullptr;
    WorkerThread worker([&] {
        returnedFromUnaskedWait.set_value(self->Wait(true));
        pendingMarked.get_future().wait();
        returnedFromPark.set_value(self->Wait(true));
        return 0;
    });
    self = &worker;
    ASSERT_TRUE(worker.Start(false, ThreadPriority::Normal));
    EXPECT_FALSE(returnedFromUnaskedWait.get_future().get());

    worker.MarkPending();
    pendingMarked.set_value();
    AwaitParked(worker);
    EXPECT_TRUE(worker.Signal());
    EXPECT_TRUE(returnedFromPark.get_future().get());
    EXPECT_TRUE(worker.Stop(-1));
}

TEST(WorkerThreadTest, StopReleasesAParkedWorker) {
    WorkerThread* self = nullptr;
    WorkerThread worker([&] { return ParkUntilStopped(*self, 3); });
    self = &worker;
    ASSERT_TRUE(worker.Start(false, ThreadPriority::Normal));
    AwaitParked(worker);
    EXPECT_TRUE(worker.Stop(1000000));
    EXPECT_EQ(worker.Result(), 3);
    EXPECT_TRUE(worker.Stop(0)); // stopping an idle worker is fine
}

TEST(WorkerThreadTest, AWorkerThatDoesNotEndInTimeIsReportedAndItsObjectKeptUntilItEnds) {
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> askedToStop = false;
    std::vector<std::string> reported;
    {
        WorkerThread* self = nullptr;
        WorkerThread worker([&] {
            started.set_value();
            released.wait();
            // The object is still there to ask.
            askedToStop = self->StopRequested();
            return 0;
        });
        self = &worker;
        worker.SetStopLimit(0);
        // The report is the moment the worker may end: the destructor must still be waiting then.
        worker.SetReportLine([&](const std::string& line) {
            reported.push_back(line);
            release.set_value();
        });
        ASSERT_TRUE(worker.Start(false, ThreadPriority::Normal));
        started.get_future().wait();
        EXPECT_FALSE(worker.Stop(0));
        EXPECT_TRUE(worker.IsRunning());
    }
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind("[ERROR] ", 0), 0u);
    EXPECT_TRUE(askedToStop);
}

TEST(WorkerThreadTest, StopFromTheWorkerItselfOnlyAsks) {
    std::promise<bool> stoppedItself;
    WorkerThread* self = nullptr;
    WorkerThread worker([&] {
        stoppedItself.set_value(self->Stop(-1));
        return self->StopRequested() ? 5 : 6;
    });
    self = &worker;
    ASSERT_TRUE(worker.Start(false, ThreadPriority::Normal));
    EXPECT_FALSE(stoppedItself.get_future().get());
    EXPECT_TRUE(worker.Stop(-1));
    EXPECT_EQ(worker.Result(), 5);
}

TEST(WorkerThreadTest, DestroyingARunningWorkerStopsIt) {
    std::atomic<bool> ended = false;
    {
        WorkerThread* self = nullptr;
        WorkerThread worker([&] {
            const int32_t result = ParkUntilStopped(*self, 0);
            ended = true;
            return result;
        });
        self = &worker;
        ASSERT_TRUE(worker.Start(false, ThreadPriority::Normal));
    }
    EXPECT_TRUE(ended);
    WorkerThread neverStarted([] { return 0; });
}

} // namespace
} // namespace common
