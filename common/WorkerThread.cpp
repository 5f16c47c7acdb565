#include "common/WorkerThread.h"

#include <chrono>
#include <cstdio>
#include <system_error>
#include <utility>

namespace common {

WorkerThread::WorkerThread(Function function)
    : function(std::move(function)),
      reportLine([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }),
      state(std::make_shared<State>()) {}

WorkerThread::~WorkerThread() {
    if (Stop(stopLimitMs)) {
        return;
    }
    {
        std::lock_guard lock(state->mutex);
        // A worker destroying its own object cannot be waited for: it ends when its function returns.
        if (IsCurrentWorker()) {
            thread.detach();
            return;
        }
    }
    reportLine("[ERROR] Worker thread did not end in " + std::to_string(stopLimitMs) + " ms; waiting for it");
    Stop(-1);
}

void WorkerThread::ThreadEntry(std::shared_ptr<State> state, uint64_t generation, Function function,
                               platform::ThreadPriority priority) {
    {
        std::unique_lock lock(state->mutex);
        if (state->generation != generation) {
            return;
        }
        state->workerId = std::this_thread::get_id();
    }
    platform::SetCurrentThreadPriority(priority);
    {
        std::unique_lock lock(state->mutex);
        state->changed.wait(lock, [&] { return state->released || state->generation != generation; });
        if (state->generation != generation) {
            return;
        }
    }
    const int32_t result = function();
    std::lock_guard lock(state->mutex);
    if (state->generation == generation) {
        state->result = result;
        state->running = false;
        state->waiting = false;
    }
    state->changed.notify_all();
}

bool WorkerThread::IsCurrentWorker() const {
    return state->running && state->workerId == std::this_thread::get_id();
}

void WorkerThread::JoinFinishedThread() {
    if (thread.joinable()) {
        thread.join();
    }
}

bool WorkerThread::Start(bool startParked, platform::ThreadPriority priority) {
    {
        std::lock_guard lock(state->mutex);
        if (state->running || !function) {
            return false;
        }
    }
    JoinFinishedThread();

    std::lock_guard lock(state->mutex);
    const uint64_t generation = ++state->generation;
    state->workerId = {};
    state->result = 1;
    state->pending = false;
    state->stopRequested = false;
    state->released = !startParked;
    try {
        thread = std::thread(ThreadEntry, state, generation, function, priority);
    } catch (const std::system_error&) {
        state->released = false;
        return false;
    }
    state->running = true;
    state->waiting = startParked;
    return true;
}

void WorkerThread::MarkPending() {
    std::lock_guard lock(state->mutex);
    state->pending = true;
}

bool WorkerThread::Wait(bool onlyWhenPending) {
    std::unique_lock lock(state->mutex);
    if (onlyWhenPending && !state->pending) {
        return false;
    }
    state->pending = false;
    // A worker asked to end must not park again: nobody would release it.
    if (!IsCurrentWorker() || state->stopRequested) {
        return false;
    }
    if (state->waiting) {
        return true;
    }
    state->released = false;
    state->waiting = true;
    const uint64_t generation = state->generation;
    state->changed.wait(lock, [&] { return state->released || state->generation != generation; });
    return true;
}

bool WorkerThread::Signal() {
    std::lock_guard lock(state->mutex);
    state->pending = false;
    if (!state->running) {
        return false;
    }
    if (state->waiting) {
        state->waiting = false;
        state->released = true;
        state->changed.notify_all();
    }
    return true;
}

bool WorkerThread::Stop(int32_t timeoutMs) {
    {
        std::unique_lock lock(state->mutex);
        if (state->running) {
            state->pending = false;
            state->stopRequested = true;
            state->waiting = false;
            state->released = true;
            state->changed.notify_all();
            // The worker cannot wait for its own end.
            if (IsCurrentWorker()) {
                return false;
            }
            const auto finished = [&] { return !state->running; };
            if (timeoutMs < 0) {
                state->changed.wait(lock, finished);
            } else if (!state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), finished)) {
                return false;
            }
        }
    }
    JoinFinishedThread();
    return true;
}

bool WorkerThread::StopRequested() const {
    std::lock_guard lock(state->mutex);
    return state->stopRequested || !IsCurrentWorker();
}

bool WorkerThread::IsRunning() const {
    std::lock_guard lock(state->mutex);
    return state->running;
}

bool WorkerThread::IsWaiting() const {
    std::lock_guard lock(state->mutex);
    return state->waiting;
}

int32_t WorkerThread::Result() const {
    std::lock_guard lock(state->mutex);
    return state->result;
}

void WorkerThread::SetReportLine(ReportLine report) {
    reportLine = std::move(report);
}

} // namespace common
