#pragma once

#include <cstdint>

namespace emu {

// The memory map's slow path, taken by a processor for every access its page table does not serve in place. A
// device handler may abort the access by raising a bus fault on the processor, which sees it through its own flag.
// peek is 1 for the debugger's reads, which have no side effects, and 0 for the processor's own accesses.
class MemoryBusInterface {
public:
    virtual ~MemoryBusInterface() = default;

    virtual uint8_t ReadByte(uint32_t address, uint8_t peek) = 0;
    virtual void WriteByte(uint32_t address, uint8_t value) = 0;
    // Word accesses at an even address, served whole or as two byte accesses, low byte first.
    virtual uint16_t ReadWord(uint32_t address, uint8_t peek) = 0;
    virtual void WriteWord(uint32_t address, uint16_t value) = 0;

protected:
    MemoryBusInterface() = default;
    MemoryBusInterface(const MemoryBusInterface&) = delete;
    MemoryBusInterface& operator=(const MemoryBusInterface&) = delete;
};

} // namespace emu
