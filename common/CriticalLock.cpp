#include "common/CriticalLock.h"

namespace common {

void CriticalLock::Enter() {
    mutex.lock();
    nesting.fetch_add(1, std::memory_order_relaxed);
}

void CriticalLock::Leave() {
    if (nesting.load(std::memory_order_relaxed) > 0) {
        nesting.fetch_sub(1, std::memory_order_relaxed);
    }
    mutex.unlock();
}

LockGuard::LockGuard(CriticalLock* lock) : lock(lock) {
    if (lock != nullptr) {
        lock->Enter();
    }
}

LockGuard::~LockGuard() {
    if (lock != nullptr) {
        lock->Leave();
    }
}

} // namespace common
