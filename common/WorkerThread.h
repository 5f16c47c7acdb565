// Runs one function on a thread of its own. The owner starts it, asks it to park at its next safe point
// (MarkPending, then the worker calls Wait), releases it (Signal) and stops it.
//
// Stopping is cooperative: Stop raises the stop flag, releases a parked worker and waits for the function to
// return, up to a time limit. The function must poll StopRequested (or its own flags) and return. Nothing
// terminates a thread: one that does not end within the destructor's limit is reported, and the object stays
// alive (the destructor waits on) until it ends, so the worker never reaches into a destroyed object.
#pragma once

#include "common/platform/Thread.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace common {

class WorkerThread {
public:
    using Function = std::function<int32_t()>;
    using ReportLine = std::function<void(const std::string& line)>;

    explicit WorkerThread(Function function);
    // Stops within the stop limit; past it, reports the worker and waits for it to end.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // False when a worker runs already or there is no function. A worker started parked runs its function only
    // after Signal.
    bool Start(bool startParked, platform::ThreadPriority priority);

    // Asks the worker to park at its next Wait(true).
    void MarkPending();

    // Called by the worker at a safe point. With onlyWhenPending and nothing asked, or once it is asked to end:
    // false at once. Otherwise parks until Signal, Stop or Kill and answers true.
    bool Wait(bool onlyWhenPending);

    // Releases a parked worker; true when a worker runs (parked or not).
    bool Signal();

    // Asks the worker to end and waits up to timeoutMs (without limit when negative). False when it still runs;
    // the object then keeps it, so a later Stop can follow. Called by the worker itself, it only asks: false.
    bool Stop(int32_t timeoutMs);

    // How long the destructor waits before it reports a worker that does not end.
    void SetStopLimit(int32_t timeoutMs) { stopLimitMs = timeoutMs; }

    // True for the worker while the owner asks it to end.
    bool StopRequested() const;

    bool IsRunning() const;
    bool IsWaiting() const;
    // The function's return value; 1 until it has returned.
    int32_t Result() const;

    // Where a worker that does not end in time is reported; standard error by default.
    void SetReportLine(ReportLine report);

private:
    // What the thread itself touches lives here.
    struct State {
        mutable std::mutex mutex;
        std::condition_variable changed;
        uint64_t generation = 0; // one per Start
        std::thread::id workerId;
        bool released = false; // the start/park gate is open
        bool running = false;
        bool waiting = false;
        bool pending = false;
        bool stopRequested = false;
        int32_t result = 1;
    };

    static void ThreadEntry(std::shared_ptr<State> state, uint64_t generation, Function function,
                            platform::ThreadPriority priority);
    bool IsCurrentWorker() const; // with the state's mutex held
    void JoinFinishedThread();

    static constexpr int32_t kDefaultStopLimitMs = 5000;

    Function function;
    ReportLine reportLine;
    int32_t stopLimitMs = kDefaultStopLimitMs;
    std::shared_ptr<State> state;
    std::thread thread;
};

} // namespace common
