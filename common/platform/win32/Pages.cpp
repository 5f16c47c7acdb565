#include "common/platform/Pages.h"

#include <windows.h>

namespace common::platform {

void* AllocatePages(uint64_t byteCount, bool executable) {
    if (byteCount == 0) {
        return nullptr;
    }
    return VirtualAlloc(nullptr, static_cast<SIZE_T>(byteCount), MEM_COMMIT | MEM_RESERVE | MEM_TOP_DOWN,
                        executable ? PAGE_EXECUTE_READWRITE : PAGE_READWRITE);
}

void ReleasePages(void* block, uint64_t byteCount) {
    if (block != nullptr && byteCount != 0) {
        VirtualFree(block, 0, MEM_RELEASE);
    }
}

} // namespace common::platform
