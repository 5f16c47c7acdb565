#pragma once

#include <cstdint>

namespace emu {

// Reads of the emulated address space for the debugger: no device reacts and no bus error is posted. A read fails
// only when the machine could not serve it at all (an access that aborted the instruction in progress).
class MemoryPeek {
public:
    virtual ~MemoryPeek() = default;

    // The word at an even address, already masked by the caller.
    virtual bool PeekWord(uint16_t address, uint16_t& word) = 0;
    // The byte at an address, already masked by the caller.
    virtual bool PeekByte(uint16_t address, uint8_t& byte) = 0;
};

} // namespace emu
