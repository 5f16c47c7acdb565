#include "common/platform/Pages.h"

#include <sys/mman.h>

namespace common::platform {

void* AllocatePages(uint64_t byteCount, bool executable) {
    if (byteCount == 0) {
        return nullptr;
    }
    const int protection = PROT_READ | PROT_WRITE | (executable ? PROT_EXEC : 0);
    void* block = mmap(nullptr, byteCount, protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

void ReleasePages(void* block, uint64_t byteCount) {
    if (block != nullptr && byteCount != 0) {
        munmap(block, byteCount);
    }
}

} // namespace common::platform
