#include "common/platform/Clock.h"

#include <windows.h>

namespace common::platform {

uint64_t CounterFrequency() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<uint64_t>(frequency.QuadPart);
}

uint64_t CounterNow() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<uint64_t>(counter.QuadPart);
}

} // namespace common::platform
