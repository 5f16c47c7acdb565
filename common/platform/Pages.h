// Whole pages of host memory, committed and zero-filled, for memory maps and video memory.
#pragma once

#include <cstdint>

namespace common::platform {

// Null when the size is 0 or the host refuses.
void* AllocatePages(uint64_t byteCount, bool executable);

// Gives back a block from AllocatePages with the same byte count; a null block does nothing.
void ReleasePages(void* block, uint64_t byteCount);

} // namespace common::platform
