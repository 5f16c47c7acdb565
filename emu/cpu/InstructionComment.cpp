#include "emu/cpu/InstructionComment.h"

#include "emu/cpu/ProcessorStatus.h"

namespace emu {

namespace {

struct ConditionFlags {
    bool n;
    bool z;
    bool v;
    bool c;
};

ConditionFlags FlagsOf(uint16_t psw) {
    return {(psw & kPswNegative) != 0, (psw & kPswZero) != 0, (psw & kPswOverflow) != 0, (psw & kPswCarry) != 0};
}

struct WidthBits {
    uint16_t mask;
    uint16_t sign;
};

constexpr WidthBits BitsOf(OperandWidth width) {
    return width == OperandWidth::Byte ? WidthBits{0377, 0200} : WidthBits{0177777, 0100000};
}

// A form without its own byte text uses the word text.
struct Template {
    const char* word;
    const char* byte = nullptr;

    const char* For(OperandWidth width) const { return width == OperandWidth::Byte && byte ? byte : word; }
};

// What a single-operand template shows after the operand's where text.
enum class SingleValues { Result, CarryAndResult, ValueAndLetters, ValueAndResult };

struct SingleOperandForm {
    Template text;
    SingleValues values;
};

// Indexed by SingleOperation.
constexpr std::array<SingleOperandForm, 16> kSingleOperandForms = {{
    {{"%s:=0000h", "%s:=00h"}, SingleValues::Result},
    {{"not %s:=%.4lXh", "not %s:=%.2lXh"}, SingleValues::Result},
    {{"inc %s+1:=%.4lXh", "inc %s+1:=%.2lXh"}, SingleValues::Result},
    {{"dec %s-1:=%.4lXh", "dec %s-1:=%.2lXh"}, SingleValues::Result},
    {{"neg %s:=%.4lXh", "neg %s:=%.2lXh"}, SingleValues::Result},
    {{"adc %s+(C_FLAG=%id):=%.4lXh", "adc %s+(C_FLAG=%id):=%.2lXh"}, SingleValues::CarryAndResult},
    {{"sbc %s-(C_FLAG=%id):=%.4lXh", "sbc %s-(C_FLAG=%id):=%.2lXh"}, SingleValues::CarryAndResult},
    {{"test %s (%.4lXh ? %s%s)", "test %s (%.2lXh ? %s%s)"}, SingleValues::ValueAndLetters},
    {{"rcr (%s=%.4lXh)>>1:=%.4lXh", "rcr (%s=%.2lXh)>>1:=%.2lXh"}, SingleValues::ValueAndResult},
    {{"rcl (%s=%.4lXh)<<1:=%.4lXh", "rcl (%s=%.2lXh)<<1:=%.2lXh"}, SingleValues::ValueAndResult},
    {{"sar (%s=%.4lXh)>>1:=%.4lXh", "sar (%s=%.2lXh)>>1:=%.2lXh"}, SingleValues::ValueAndResult},
    {{"shl (%s=%.4lXh)<<1:=%.4lXh", "shl (%s=%.2lXh)<<1:=%.2lXh"}, SingleValues::ValueAndResult},
    {{"bswap %s:=%.4lXh"}, SingleValues::Result},
    {{"mov %s:=S_FLAG=%.4lXh"}, SingleValues::Result},
    {{"mtps (*todo)"}, SingleValues::Result},
    {{"mfps (*todo)"}, SingleValues::Result},
}};

// Indexed by DoubleOperation. MOV shows (destination, source, source value), CMP (source, destination, both values,
// the condition letters of the difference) and the others (destination, source, both values, the result).
constexpr std::array<Template, 8> kDoubleOperandTemplates = {{
    {"%s:=%s=%.4lXh", "%s:=%s=%.2lXh"},
    {"cmp %s-%s=%.4lXh-%.4lXh ? %s%s%s%s", "cmp %s-%s=%.2lXh-%.2lXh ? %s%s%s%s"},
    {"and %s & %s=%.4lXh & %.4lXh:=%.4lXh", "and %s & %s=%.2lXh & %.2lXh:=%.2lXh"},
    {"andnot %s &~%s=%.4lXh &~%.4lXh:=%.4lXh", "andnot %s &~%s=%.2lXh &~%.2lXh:=%.2lXh"},
    {"or %s|%s=%.4lXh|%.4lXh:=%.4lXh", "or %s|%s=%.2lXh|%.2lXh:=%.2lXh"},
    {"add %s+%s=%.4lXh+%.4lXh:=%.4lXh"},
    {"sub %s-%s=%.4lXh-%.4lXh:=%.4lXh"},
    {"xor %s^%s=%.4lXh^%.4lXh:=%.4lXh"},
}};

// Indexed by BranchCondition: the taken mark, the offset's sign, the offset, the target and, for the conditional
// branches, YES or no.
constexpr std::array<const char*, 15> kBranchTemplates = {
    "%sjmp(%s%.lXh)=%.6lo",
    "%sjnz(%s%.lXh)=%.6lo (z?%s)",
    "%sjz(%s%.lXh)=%.6lo (Z?%s)",
    "%sjge(%s%.lXh)=%.6lo (N=V?%s)",
    "%sjl(%s%.lXh)=%.6lo (N<>V?%s)",
    "%sjg(%s%.lXh)=%.6lo (z&N=V?%s)",
    "%sjle(%s%.lXh)=%.6lo (Z|N<>V?%s)",
    "%sjns(%s%.lXh)=%.6lo (s?%s)",
    "%sjs(%s%.lXh)=%.6lo (S?%s)",
    "%sjhi(%s%.lXh)=%.6lo (z&c?%s)",
    "%sjlsm(%s%.lXh)=%.6lo (Z|C?%s)",
    "%sjno(%s%.lXh)=%.6lo (v?%s)",
    "%sjo(%s%.lXh)=%.6lo (V?%s)",
    "%sjnc(%s%.lXh)=%.6lo (c?%s)",
    "%sjc(%s%.lXh)=%.6lo (C?%s)",
};

// Indexed by the N, Z, V, C mask of a CLx or SEx opcode; entry 0 is a NOP and never shown.
constexpr std::array<const char*, 16> kConditionCodeLongNames = {
    "NONE",   "C_FLAG",   "V_FLAG",   "VC_FLAGS",  "Z_FLAG",   "ZC_FLAGS",  "ZV_FLAGS",  "ZVC_FLAGS",
    "S_FLAG", "SC_FLAGS", "SV_FLAGS", "SVC_FLAGS", "SZ_FLAGS", "SZC_FLAGS", "SZV_FLAGS", "SZVC_FLAGS"};

const char* YesOrNo(bool condition) {
    return condition ? "YES" : "no";
}

const char* Letter(bool set, const char* upper, const char* lower) {
    return set ? upper : lower;
}

// What a single-operand instruction would store; TST, MTPS and MFPS store nothing and show the value.
uint16_t SingleOperandResult(SingleOperation operation, uint16_t v, WidthBits bits, ConditionFlags flags) {
    const unsigned carry = flags.c ? 1 : 0;
    switch (operation) {
    case SingleOperation::Clear:
        return 0;
    case SingleOperation::Complement:
        return ~v & bits.mask;
    case SingleOperation::Increment:
        return (v + 1) & bits.mask;
    case SingleOperation::Decrement:
        return (v - 1) & bits.mask;
    case SingleOperation::Negate:
        return (0 - v) & bits.mask;
    case SingleOperation::AddCarry:
        return (v + carry) & bits.mask;
    case SingleOperation::SubtractCarry:
        return (v - carry) & bits.mask;
    case SingleOperation::RotateRight:
        return (v >> 1) | (flags.c ? bits.sign : 0);
    case SingleOperation::RotateLeft:
        return ((v << 1) | carry) & bits.mask;
    case SingleOperation::ShiftRight:
        return (v >> 1) | (v & bits.sign);
    case SingleOperation::ShiftLeft:
        return (v << 1) & bits.mask;
    case SingleOperation::SwapBytes:
        return ((v << 8) | (v >> 8)) & bits.mask;
    case SingleOperation::SignExtend:
        return flags.n ? 0177777 : 0;
    case SingleOperation::Test:
    case SingleOperation::MoveToPsw:
    case SingleOperation::MoveFromPsw:
        break;
    }
    return v;
}

} // namespace

void InstructionComment::SingleOperand(SingleOperation operation, OperandWidth width, CommentOperand operand) {
    const WidthBits bits = BitsOf(width);
    const uint16_t v = operand.value & bits.mask;
    const ConditionFlags flags = FlagsOf(psw);
    const uint16_t result = SingleOperandResult(operation, v, bits, flags);
    const SingleOperandForm& form = kSingleOperandForms[static_cast<size_t>(operation)];
    const char* format = form.text.For(width);
    switch (form.values) {
    case SingleValues::Result:
        text.Format(format, operand.where, result);
        break;
    case SingleValues::CarryAndResult:
        text.Format(format, operand.where, flags.c ? 1 : 0, result);
        break;
    case SingleValues::ValueAndLetters:
        text.Format(format, operand.where, v, Letter((v & bits.sign) != 0, "S", "s"), Letter(v == 0, "Z", "z"));
        break;
    case SingleValues::ValueAndResult:
        text.Format(format, operand.where, v, result);
        break;
    }
}

void InstructionComment::DoubleOperand(DoubleOperation operation, OperandWidth width, CommentOperand source,
                                       CommentOperand destination, unsigned destinationRegister) {
    const WidthBits bits = BitsOf(width);
    const uint16_t s = source.value & bits.mask;
    const uint16_t d = destination.value & bits.mask;
    const char* format = kDoubleOperandTemplates[static_cast<size_t>(operation)].For(width);
    uint16_t result = 0;
    switch (operation) {
    case DoubleOperation::Move:
        if (width == OperandWidth::Word && destinationRegister == 7) {
            format = "%s:=%s=%.6lo";
        }
        text.Format(format, destination.where, source.where, s);
        return;
    case DoubleOperation::Compare: {
        const uint16_t difference = (s - d) & bits.mask;
        const bool overflow = ((s ^ d) & bits.sign) != 0 && ((difference ^ d) & bits.sign) == 0;
        text.Format(format, source.where, destination.where, s, d, Letter((difference & bits.sign) != 0, "S", "s"),
                    Letter(difference == 0, "Z", "z"), Letter(overflow, "V", "v"), Letter(s < d, "C", "c"));
        return;
    }
    case DoubleOperation::BitTest:
        result = d & s;
        break;
    case DoubleOperation::BitClear:
        result = d & ~s;
        break;
    case DoubleOperation::BitSet:
        result = d | s;
        break;
    case DoubleOperation::Add:
        result = d + s;
        break;
    case DoubleOperation::Subtract:
        result = d - s;
        break;
    case DoubleOperation::ExclusiveOr:
        result = d ^ s;
        break;
    }
    text.Format(format, destination.where, source.where, d, s, result & bits.mask);
}

void InstructionComment::Branch(BranchCondition condition, int offset, uint16_t target) {
    const char* format = kBranchTemplates[static_cast<size_t>(condition)];
    const bool holds = BranchTaken(condition, psw);
    const char* sign = offset < 0 ? "-" : "+";
    const unsigned magnitude = offset < 0 ? -offset : offset;
    // BR's template has no place for the answer; printf leaves an argument beyond the format unused.
    text.Format(format, holds && offset != 0 ? sign : "", sign, magnitude, target, YesOrNo(holds));
}

void InstructionComment::SubtractOneAndBranch(unsigned reg, uint16_t decremented, unsigned offset, uint16_t target) {
    text.Format("%sloop(-%lXh)=%.6lo (%s-1:=%.4lXh ? %s)", decremented != 0 ? "-" : "", offset, target,
                kRegisterNames[reg], decremented, YesOrNo(decremented != 0));
}

void InstructionComment::Jump(CommentOperand destination) {
    text.Format("*jmp PC:=%s=%.6lo", destination.where, destination.value);
}

void InstructionComment::JumpToSubroutine(CommentOperand destination, unsigned linkRegister, uint16_t returnAddress) {
    text.Format("*call PC:=%s=%.6lo", destination.where, destination.value);
    if (linkRegister != 7) {
        text.AppendFormat(" (%s:=PC=%.6lo)", kRegisterNames[linkRegister], returnAddress);
    }
}

void InstructionComment::ReturnFromInterrupt() {
    text.Assign("*iret (from interrupt)");
}

void InstructionComment::ReturnFromInterrupt(uint16_t pc, uint16_t status, bool noTrace) {
    text.Format(noTrace ? "*iret (PC:=%.6lo, PSW:=%.6lo, NoTrace)" : "*iret (PC:=%.6lo, PSW:=%.6lo)", pc, status);
}

void InstructionComment::ReturnFromSubroutine(unsigned reg) {
    text.Format("*ret %s", kRegisterNames[reg]);
}

void InstructionComment::ReturnFromSubroutine(unsigned reg, uint16_t registerValue, uint16_t popped) {
    if (reg == 7) {
        text.Format("*ret PC:=%.6lo", popped);
    } else {
        text.Format("*ret %s=%.6lo (pop(%s):=%.4lXh)", kRegisterNames[reg], registerValue, kRegisterNames[reg], popped);
    }
}

void InstructionComment::ConditionCodes(bool set, unsigned codes) {
    if (codes == 0) {
        text.Assign(set ? "nop (nothing to set)" : "nop (nothing to clear)");
    } else {
        text.Format(set ? "%s:=1" : "%s:=0", kConditionCodeLongNames[codes & 017]);
    }
}

void InstructionComment::EmulatorTrap(uint8_t index) {
    text.Format("int6h (index=%.2lXh) (system service)", index);
}

void InstructionComment::Trap(uint8_t index) {
    text.Format("int7h (index=%.2lXh) (software trap)", index);
}

} // namespace emu
