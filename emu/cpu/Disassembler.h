#pragma once

#include "common/NarrowString.h"
#include "emu/cpu/MemoryPeek.h"

#include <array>
#include <cstdint>

namespace emu {

// Flow flags of a decoded instruction.
// A step-over runs through it until the following instruction is reached (calls, traps, HALT, WAIT, SOB).
inline constexpr uint32_t kFlowReturnsToNext = 1;
// It transfers control (jumps, branches, returns), or the instruction could not be decoded.
inline constexpr uint32_t kFlowTransfersControl = 2;

// What the disassembler sees of the processor; it writes none of it.
struct ProcessorView {
    bool running;                             // the CPU device is started
    const std::array<uint16_t, 8>& registers; // live R0..R7; R7 is the PC of the instruction shown
    uint16_t psw;
    uint16_t addressMask;
    MemoryPeek& memory;
};

// One instruction as the debugger console shows it: seven column texts with the width each column wants, and the
// flow flags that tell the step-over commands how to step.
struct DisassemblyLine {
    common::NarrowString address;     // the live PC, six octal digits
    common::NarrowString words;       // every word taken from the instruction stream, as " %.6lo"
    common::NarrowString instruction; // mnemonic and operands
    common::NarrowString flags;       // the live PSW's flag letters
    common::NarrowString comment;     // pseudo-code of what the instruction would do now
    common::NarrowString spare1;      // always empty
    common::NarrowString spare2;      // always empty
    uint32_t flowFlags = 0;
    std::array<int32_t, 7> widths{}; // one per text, in the order above
};

// Decodes the PDP-11 instruction at the live PC of the 1801BM1 (the basic instruction set with XOR, SOB, SXT,
// MARK, MTPS and MFPS; anything else shows as an illegal opcode). Operands are decoded against a shadow copy of
// the registers, so auto-increment, auto-decrement and index words move only the shadow set, and memory is only
// peeked: the same machine state always gives the same line. The shadow registers belong to the processor that
// owns this object; nothing else is kept from one call to the next.
class Disassembler {
public:
    // Fills the line and returns the instruction's length in bytes (2, 4 or 6); -1 when it cannot be decoded
    // (illegal opcode, JMP or JSR to a register, a word that cannot be read); 0 with an empty line while the
    // processor is not running.
    int32_t Disassemble(const ProcessorView& processor, DisassemblyLine& line);

    // The same, into the processor interface's fifteen outputs: the seven texts, the flow flags and the widths.
    int32_t Disassemble(const ProcessorView& processor, common::String& addressText, common::String& wordsText,
                        common::String& instructionText, common::String& flagsText, common::String& commentText,
                        common::String& spareText1, common::String& spareText2, uint32_t& flowFlags,
                        int32_t& addressWidth, int32_t& wordsWidth, int32_t& instructionWidth, int32_t& flagsWidth,
                        int32_t& commentWidth, int32_t& spareWidth1, int32_t& spareWidth2);

    // The shadow R0..R7 as the last decoding left them.
    const std::array<uint16_t, 8>& ShadowRegisters() const { return shadow; }

private:
    std::array<uint16_t, 8> shadow{};
};

} // namespace emu
