#pragma once

#include "emu/core/BusHandlers.h"

#include <cstdint>

namespace emu {

// What the configuration parameters need of the machine's memory service: binding ranges of 1 KB pages to the
// handlers of a device.
class MemoryMapInterface {
public:
    virtual ~MemoryMapInterface() = default;

    // Binds the read side of pages firstPage .. firstPage + pageCount - 1 to (context, handler); with
    // passUntranslated the handler gets addresses as the caller gave them, not alias-translated.
    virtual bool MapReadRange(uint32_t firstPage, uint32_t pageCount, void* context, BusReadHandler handler,
                              bool passUntranslated) = 0;
    virtual bool MapWriteRange(uint32_t firstPage, uint32_t pageCount, void* context, BusWriteHandler handler,
                               bool passUntranslated) = 0;

protected:
    MemoryMapInterface() = default;
    MemoryMapInterface(const MemoryMapInterface&) = delete;
    MemoryMapInterface& operator=(const MemoryMapInterface&) = delete;
};

} // namespace emu
