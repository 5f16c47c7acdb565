#include "common/platform/Clock.h"

#include <time.h>

namespace common::platform {

uint64_t CounterFrequency() {
    return 1000000000;
}

uint64_t CounterNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

} // namespace common::platform
