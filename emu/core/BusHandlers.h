// The handlers through which devices serve bus accesses to the memory pages and I/O ports they claim. Each is a
// plain function whose first argument is the context it was bound with (the claiming device, as a Device*); it
// answers whether it served the access, and the service falls back to its own behaviour when it did not.
#pragma once

#include <cstdint>

namespace emu {

// Reads size bytes at address (or port) into buffer. peek is 1 for the debugger's reads, which must have no side
// effects, and 0 for the processor's own.
using BusReadHandler = bool (*)(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
// Writes size bytes from buffer at address (or port).
using BusWriteHandler = bool (*)(void* context, uint32_t address, uint32_t size, const void* buffer);

} // namespace emu
