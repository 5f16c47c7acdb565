// The host's monotonic high-resolution counter, the time base of run loops and host timers.
#pragma once

#include <cstdint>

namespace common::platform {

// Ticks per second of the counter; constant while the program runs.
uint64_t CounterFrequency();

// The counter now; never goes backwards.
uint64_t CounterNow();

} // namespace common::platform
