// The PDP-11 operations as the processor, the disassembler and its comments name them, and the one rule for when a
// branch is taken.
#pragma once

#include "emu/cpu/ProcessorStatus.h"

#include <cstdint>

namespace emu {

enum class OperandWidth { Word, Byte };

// The first twelve in the order of bits 6-9 of their opcodes (005000 + 0100 * n). SWAB and SXT have only a word
// form, MTPS and MFPS only a byte form.
enum class SingleOperation {
    Clear,
    Complement,
    Increment,
    Decrement,
    Negate,
    AddCarry,
    SubtractCarry,
    Test,
    RotateRight,
    RotateLeft,
    ShiftRight,
    ShiftLeft,
    SwapBytes,
    SignExtend,
    MoveToPsw,
    MoveFromPsw
};

// ADD, SUB and XOR have only a word form.
enum class DoubleOperation { Move, Compare, BitTest, BitClear, BitSet, Add, Subtract, ExclusiveOr };

// In the order of the branch opcodes: BR, BNE, ... BLE (000400-003400), then BPL, ... BCS (100000-103400).
enum class BranchCondition {
    Always,
    NotEqual,
    Equal,
    GreaterOrEqual,
    Less,
    Greater,
    LessOrEqual,
    Plus,
    Minus,
    Higher,
    LowerOrSame,
    OverflowClear,
    OverflowSet,
    CarryClear,
    CarrySet
};

// Whether the branch is taken with the condition codes of psw.
constexpr bool BranchTaken(BranchCondition condition, uint16_t psw) {
    const bool n = (psw & kPswNegative) != 0;
    const bool z = (psw & kPswZero) != 0;
    const bool v = (psw & kPswOverflow) != 0;
    const bool c = (psw & kPswCarry) != 0;
    switch (condition) {
    case BranchCondition::Always:
        return true;
    case BranchCondition::NotEqual:
        return !z;
    case BranchCondition::Equal:
        return z;
    case BranchCondition::GreaterOrEqual:
        return n == v;
    case BranchCondition::Less:
        return n != v;
    case BranchCondition::Greater:
        return !z && n == v;
    case BranchCondition::LessOrEqual:
        return z || n != v;
    case BranchCondition::Plus:
        return !n;
    case BranchCondition::Minus:
        return n;
    case BranchCondition::Higher:
        return !c && !z;
    case BranchCondition::LowerOrSame:
        return c || z;
    case BranchCondition::OverflowClear:
        return !v;
    case BranchCondition::OverflowSet:
        return v;
    case BranchCondition::CarryClear:
        return !c;
    case BranchCondition::CarrySet:
        return c;
    }
    return false;
}

} // namespace emu
