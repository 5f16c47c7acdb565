#include "common/platform/Thread.h"

#include <windows.h>

namespace common::platform {

bool SetCurrentThreadPriority(ThreadPriority priority) {
    int level = THREAD_PRIORITY_NORMAL;
    switch (priority) {
    case ThreadPriority::Unchanged:
        return true;
    case ThreadPriority::Idle:
        level = THREAD_PRIORITY_IDLE;
        break;
    case ThreadPriority::BelowNormal:
        level = THREAD_PRIORITY_BELOW_NORMAL;
        break;
    case ThreadPriority::Normal:
        break;
    case ThreadPriority::AboveNormal:
        level = THREAD_PRIORITY_ABOVE_NORMAL;
        break;
    case ThreadPriority::TimeCritical:
        level = THREAD_PRIORITY_TIME_CRITICAL;
        break;
    }
    return SetThreadPriority(GetCurrentThread(), level) != FALSE;
}

} // namespace common::platform
