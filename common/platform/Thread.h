// Scheduling priority of the calling thread.
#pragma once

#include <cstdint>

namespace common::platform {

// The five levels a worker thread can ask for; Unchanged leaves the thread as it was made.
enum class ThreadPriority : int32_t {
    Unchanged = 0,
    Idle = 1,
    BelowNormal = 2,
    Normal = 3,
    AboveNormal = 4,
    TimeCritical = 5
};

// Best effort: a host that refuses (raising priority needs rights on most POSIX systems) leaves it alone.
bool SetCurrentThreadPriority(ThreadPriority priority);

} // namespace common::platform
