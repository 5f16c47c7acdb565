#pragma once

#include "common/String.h"
#include "emu/cpu/Operations.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace emu {

// Register names as the assembler text writes them, by register number.
inline constexpr std::array<const char*, 8> kRegisterNames = {"R0", "R1", "R2", "R3", "R4", "R5", "SP", "PC"};

// An operand as a comment names it: where it lies ("R0", "[001000]", ...) and the value read there; for JMP and
// JSR the effective address.
struct CommentOperand {
    std::string_view where;
    uint16_t value;
};

// Writes the pseudo-code comment of one decoded instruction: what the instruction would do now, with the operand
// values read at the time and the live condition codes. Values are upper-case hexadecimal followed by 'h',
// addresses six octal digits; results wrap in the operand's width. Every operation replaces the text.
class InstructionComment {
public:
    InstructionComment(common::String& text, uint16_t psw) : text(text), psw(psw) {}

    void SingleOperand(SingleOperation operation, OperandWidth width, CommentOperand operand);
    // XOR passes its register as the source. A word MOV whose destination register field is 7 shows the moved
    // value as an address.
    void DoubleOperand(DoubleOperation operation, OperandWidth width, CommentOperand source, CommentOperand destination,
                       unsigned destinationRegister);
    // offset in bytes from the address after the opcode word to target.
    void Branch(BranchCondition condition, int offset, uint16_t target);
    // SOB: the register's value after the decrement; offset in bytes back from the address after the opcode.
    void SubtractOneAndBranch(unsigned reg, uint16_t decremented, unsigned offset, uint16_t target);
    void Jump(CommentOperand destination);
    // returnAddress: the address after the whole instruction.
    void JumpToSubroutine(CommentOperand destination, unsigned linkRegister, uint16_t returnAddress);
    // RTI and RTT say where they go once the stack has been read; until then only what they are.
    void ReturnFromInterrupt();
    void ReturnFromInterrupt(uint16_t pc, uint16_t status, bool noTrace);
    // RTS the same: registerValue is the live register (the return address), popped the word it is reloaded with.
    void ReturnFromSubroutine(unsigned reg);
    void ReturnFromSubroutine(unsigned reg, uint16_t registerValue, uint16_t popped);
    // CLx and SEx: codes is the mask of N, Z, V, C in the opcode's low four bits.
    void ConditionCodes(bool set, unsigned codes);
    void EmulatorTrap(uint8_t index);
    void Trap(uint8_t index);

private:
    common::String& text;
    const uint16_t psw;
};

} // namespace emu
