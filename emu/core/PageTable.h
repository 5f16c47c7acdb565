// The page table a machine's memory map publishes for its processors: one descriptor per 1 KB page, read in place
// by the processors' fast paths so that a plain RAM or ROM access needs no call.
#pragma once

#include "emu/core/BusHandlers.h"

#include <cstdint>

namespace emu {

inline constexpr uint32_t kPageShift = 10;
inline constexpr uint32_t kPageSize = 1u << kPageShift;
inline constexpr uint32_t kPageOffsetMask = kPageSize - 1;

// The tests of a page's flags: (flags AND the mask) equal to the direct value means the access is served in place,
// equal to the handler value means the page's handler is offered the byte first. Any other result goes through
// the memory map.
inline constexpr uint32_t kFetchTestMask = 0x55;
inline constexpr uint32_t kReadTestMask = 0x15;
inline constexpr uint32_t kWriteTestMask = 0xAA;
inline constexpr uint32_t kReadDirect = 0x01;
inline constexpr uint32_t kReadHandled = 0x05;
inline constexpr uint32_t kWriteDirect = 0x02;
inline constexpr uint32_t kWriteHandled = 0x0A;

struct PageDescriptor {
    uint32_t flags = 0;
    // The page's bytes for direct reads and fetches.
    const uint8_t* readBase = nullptr;
    void* readContext = nullptr;
    BusReadHandler readHandler = nullptr;
    // The page's bytes for direct writes.
    uint8_t* writeBase = nullptr;
    void* writeContext = nullptr;
    BusWriteHandler writeHandler = nullptr;
};

// Owned by the memory map, which keeps it current and notifies the devices when its layout changes; processors
// borrow it. storage is the map's flat byte array, where a handler page's byte lives when its handler declines.
struct PageTable {
    const PageDescriptor* pages = nullptr;
    uint32_t pageCount = 0;
    uint8_t* storage = nullptr;
    // The highest valid address: what a direct access may reach.
    uint32_t highestAddress = 0;
};

} // namespace emu
