// The program's common lock: a recursive lock that counts how deep it is held, entered through LockGuard.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace common {

class CriticalLock {
public:
    CriticalLock() = default;
    CriticalLock(const CriticalLock&) = delete;
    CriticalLock& operator=(const CriticalLock&) = delete;

    void Enter();
    // Counts down (never below 0), then releases one entry.
    void Leave();

    // How many entries are held now; meaningful to the thread that holds the lock.
    int32_t Nesting() const { return nesting.load(std::memory_order_relaxed); }

private:
    std::recursive_mutex mutex;
    std::atomic<int32_t> nesting{0};
};

// Holds a lock for the life of a block; a null lock makes the guard do nothing.
class LockGuard {
public:
    explicit LockGuard(CriticalLock* lock);
    ~LockGuard();
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CriticalLock* lock;
};

} // namespace common
