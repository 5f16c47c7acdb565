#include "common/platform/Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace common::platform {

namespace {

// Nice values standing in for the Windows priority levels.
int NiceValue(ThreadPriority priority) {
    switch (priority) {
    case ThreadPriority::Idle:
        return 19;
    case ThreadPriority::BelowNormal:
        return 5;
    case ThreadPriority::AboveNormal:
        return -5;
    case ThreadPriority::TimeCritical:
        return -15;
    default:
        return 0;
    }
}

} // namespace

bool SetCurrentThreadPriority(ThreadPriority priority) {
    if (priority == ThreadPriority::Unchanged) {
        return true;
    }
    // Linux keeps the nice value per thread.
    const auto threadId = static_cast<id_t>(syscall(SYS_gettid));
    return setpriority(PRIO_PROCESS, threadId, NiceValue(priority)) == 0;
}

} // namespace common::platform
