// A wake-up between threads that cannot be lost. A waiter notes the count of signals before it looks at what it
// waits for, then waits until the count has moved on: a signal sent after the look (even before the wait starts)
// ends the wait at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace emu {

class ThreadSignal {
public:
    ThreadSignal() = default;
    ThreadSignal(const ThreadSignal&) = delete;
    ThreadSignal& operator=(const ThreadSignal&) = delete;

    uint64_t Count() const;
    // Counts one signal and wakes every waiter.
    void Signal();
    // Waits until the count differs from seen, at most timeoutMs (no limit when negative); true when it did.
    bool WaitPast(uint64_t seen, int32_t timeoutMs);

    // Waits until holds() answers true, asking again at every signal; false when timeoutMs passed first (no
    // limit when negative). The state holds() reads is published before the signal that announces it.
    template <typename Condition>
    bool WaitUntil(Condition holds, int32_t timeoutMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::unique_lock lock(mutex);
        while (!holds()) {
            if (timeoutMs < 0) {
                changed.wait(lock);
            } else if (changed.wait_until(lock, deadline) == std::cv_status::timeout) {
                return holds();
            }
        }
        return true;
    }

private:
    mutable std::mutex mutex;
    std::condition_variable changed;
    uint64_t count = 0;
};

} // namespace emu
