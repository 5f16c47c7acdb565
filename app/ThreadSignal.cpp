#include "app/ThreadSignal.h"

#include <chrono>

namespace emu {

uint64_t ThreadSignal::Count() const {
    std::lock_guard lock(mutex);
    return count;
}

void ThreadSignal::Signal() {
    {
        std::lock_guard lock(mutex);
        ++count;
    }
    changed.notify_all();
}

bool ThreadSignal::WaitPast(uint64_t seen, int32_t timeoutMs) {
    return WaitUntil([&] { return count != seen; }, timeoutMs);
}

} // namespace emu
