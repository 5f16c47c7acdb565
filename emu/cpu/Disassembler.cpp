#include "emu/cpu/Disassembler.h"

#include "emu/cpu/InstructionComment.h"
#include "emu/cpu/ProcessorStatus.h"

#include <cstdlib>

namespace emu {

namespace {

constexpr int32_t kAddressWidth = 6;
constexpr int32_t kWordsWidth = 17;
constexpr int32_t kInstructionWidth = 28;
constexpr int32_t kCommentWidth = 46;
constexpr int32_t kSpareWidth1 = 0;
constexpr int32_t kSpareWidth2 = 3;

// Indexed by the N, Z, V, C mask of a CLx or SEx opcode; entry 0 is a NOP and never shown.
constexpr std::array<const char*, 16> kConditionCodeShortNames = {
    "none", "C", "V", "VC", "Z", "ZC", "ZV", "ZVC", "S", "SC", "SV", "SVC", "SZ", "SZC", "SZV", "SZVC"};

// Instructions shown as they are, without operands.
struct FixedForm {
    uint16_t first;
    uint16_t last;
    const char* text;
    const char* comment;
    uint32_t flow;
};

constexpr std::array<FixedForm, 7> kFixedForms = {{
    {0000000, 0000000, "HALT", "#Trap(4) (priviledged)", kFlowReturnsToNext},
    {0000001, 0000001, "WAIT", "wait (for interrupt)", kFlowReturnsToNext},
    {0000003, 0000003, "BPT", "int3h (breakpoint)", kFlowReturnsToNext},
    {0000004, 0000004, "IOT", "int4h (i/o service call)", kFlowReturnsToNext},
    {0000005, 0000005, "RESET", "reset (no-op in user mode)", 0},
    {0000010, 0000017, "(undoc?\?\?)", "#Trap(4) (error)", kFlowReturnsToNext},
    {0006400, 0006477, "MARK", "mark (*todo)", kFlowTransfersControl},
}};

// Single-operand instructions, each the 64 codes from its opcode on. The placeholder stands for the operand
// while it cannot be read.
struct SingleOperandForm {
    uint16_t opcode;
    const char* mnemonic;
    const char* placeholder;
    SingleOperation operation;
    OperandWidth width;
};

constexpr std::array<SingleOperandForm, 28> kSingleOperandForms = {{
    {0000300, "SWAB", "dst16", SingleOperation::SwapBytes, OperandWidth::Word},
    {0005000, "CLR", "dst16", SingleOperation::Clear, OperandWidth::Word},
    {0005100, "COM", "dst16", SingleOperation::Complement, OperandWidth::Word},
    {0005200, "INC", "dst16", SingleOperation::Increment, OperandWidth::Word},
    {0005300, "DEC", "dst16", SingleOperation::Decrement, OperandWidth::Word},
    {0005400, "NEG", "dst16", SingleOperation::Negate, OperandWidth::Word},
    {0005500, "ADC", "dst16", SingleOperation::AddCarry, OperandWidth::Word},
    {0005600, "SBC", "dst16", SingleOperation::SubtractCarry, OperandWidth::Word},
    {0005700, "TST", "dst16", SingleOperation::Test, OperandWidth::Word},
    {0006000, "ROR", "dst16", SingleOperation::RotateRight, OperandWidth::Word},
    {0006100, "ROL", "dst16", SingleOperation::RotateLeft, OperandWidth::Word},
    {0006200, "ASR", "dst16", SingleOperation::ShiftRight, OperandWidth::Word},
    {0006300, "ASL", "dst16", SingleOperation::ShiftLeft, OperandWidth::Word},
    {0006700, "SXT", "dst16", SingleOperation::SignExtend, OperandWidth::Word},
    {0105000, "CLRB", "dst8", SingleOperation::Clear, OperandWidth::Byte},
    {0105100, "COMB", "dst8", SingleOperation::Complement, OperandWidth::Byte},
    {0105200, "INCB", "dst8", SingleOperation::Increment, OperandWidth::Byte},
    {0105300, "DECB", "dst8", SingleOperation::Decrement, OperandWidth::Byte},
    {0105400, "NEGB", "dst8", SingleOperation::Negate, OperandWidth::Byte},
    {0105500, "ADCB", "dst8", SingleOperation::AddCarry, OperandWidth::Byte},
    {0105600, "SBCB", "dst8", SingleOperation::SubtractCarry, OperandWidth::Byte},
    {0105700, "TSTB", "dst8", SingleOperation::Test, OperandWidth::Byte},
    {0106000, "RORB", "dst8", SingleOperation::RotateRight, OperandWidth::Byte},
    {0106100, "ROLB", "dst8", SingleOperation::RotateLeft, OperandWidth::Byte},
    {0106200, "ASRB", "dst8", SingleOperation::ShiftRight, OperandWidth::Byte},
    {0106300, "ASLB", "dst8", SingleOperation::ShiftLeft, OperandWidth::Byte},
    {0106400, "MTPS", "dst8", SingleOperation::MoveToPsw, OperandWidth::Byte},
    {0106700, "MFPS", "src8", SingleOperation::MoveFromPsw, OperandWidth::Byte},
}};

// Two-operand instructions, each the 4096 codes from its opcode on.
struct DoubleOperandForm {
    uint16_t opcode;
    const char* mnemonic;
    DoubleOperation operation;
    OperandWidth width;
};

constexpr std::array<DoubleOperandForm, 12> kDoubleOperandForms = {{
    {0010000, "MOV", DoubleOperation::Move, OperandWidth::Word},
    {0020000, "CMP", DoubleOperation::Compare, OperandWidth::Word},
    {0030000, "BIT", DoubleOperation::BitTest, OperandWidth::Word},
    {0040000, "BIC", DoubleOperation::BitClear, OperandWidth::Word},
    {0050000, "BIS", DoubleOperation::BitSet, OperandWidth::Word},
    {0060000, "ADD", DoubleOperation::Add, OperandWidth::Word},
    {0110000, "MOVB", DoubleOperation::Move, OperandWidth::Byte},
    {0120000, "CMPB", DoubleOperation::Compare, OperandWidth::Byte},
    {0130000, "BITB", DoubleOperation::BitTest, OperandWidth::Byte},
    {0140000, "BICB", DoubleOperation::BitClear, OperandWidth::Byte},
    {0150000, "BISB", DoubleOperation::BitSet, OperandWidth::Byte},
    {0160000, "SUB", DoubleOperation::Subtract, OperandWidth::Word},
}};

// Branches, each the 256 codes from its opcode on; the low byte is the offset in words.
struct BranchForm {
    uint16_t opcode;
    const char* mnemonic;
    BranchCondition condition;
};

constexpr std::array<BranchForm, 15> kBranchForms = {{
    {0000400, "BR", BranchCondition::Always},
    {0001000, "BNE", BranchCondition::NotEqual},
    {0001400, "BEQ", BranchCondition::Equal},
    {0002000, "BGE", BranchCondition::GreaterOrEqual},
    {0002400, "BLT", BranchCondition::Less},
    {0003000, "BGT", BranchCondition::Greater},
    {0003400, "BLE", BranchCondition::LessOrEqual},
    {0100000, "BPL", BranchCondition::Plus},
    {0100400, "BMI", BranchCondition::Minus},
    {0101000, "BHI", BranchCondition::Higher},
    {0101400, "BLOS", BranchCondition::LowerOrSame},
    {0102000, "BVC", BranchCondition::OverflowClear},
    {0102400, "BVS", BranchCondition::OverflowSet},
    {0103000, "BHIS/BCC", BranchCondition::CarryClear},
    {0103400, "BLO/BCS", BranchCondition::CarrySet},
}};

template <typename Form, size_t count>
const Form* FindForm(const std::array<Form, count>& forms, uint16_t opcode) {
    for (const Form& form : forms) {
        if (form.opcode == opcode) {
            return &form;
        }
    }
    return nullptr;
}

template <typename... Args>
common::NarrowString Formatted(const char* format, const Args&... args) {
    common::NarrowString text;
    text.Format(format, args...);
    return text;
}

// The address formatter serves JMP and JSR; the value formatters read the operand as a word or a byte.
enum class OperandKind { Address, Word, Byte };

OperandKind KindOf(OperandWidth width) {
    return width == OperandWidth::Byte ? OperandKind::Byte : OperandKind::Word;
}

struct Operand {
    common::NarrowString text;  // as the instruction writes it
    common::NarrowString where; // where it lies
    uint16_t value = 0;         // the value read there; for the address kind the effective address

    CommentOperand ForComment() const { return {where.View(), value}; }
};

// Decodes one instruction into a line, from the shadow registers and peeked memory.
class InstructionDecoder {
public:
    InstructionDecoder(const ProcessorView& processor, std::array<uint16_t, 8>& shadow, DisassemblyLine& line)
        : processor(processor), shadow(shadow), line(line), comment(line.comment, processor.psw) {}

    // False when the instruction cannot be decoded; the line then holds what was found before.
    bool Decode();
    int32_t Length() const { return length; }

private:
    using Handler = bool (InstructionDecoder::*)(uint16_t opcode);

    bool Fixed(const FixedForm& form);
    bool Illegal();
    bool SingleOperand(uint16_t opcode, const SingleOperandForm& form);
    bool DoubleOperand(uint16_t opcode, const DoubleOperandForm& form);
    bool Branch(uint16_t opcode, const BranchForm& form);
    bool ReturnFromInterrupt(uint16_t opcode);
    bool JumpOrCall(uint16_t opcode);
    bool ReturnFromSubroutine(uint16_t opcode);
    bool ConditionCodes(uint16_t opcode);
    bool ExclusiveOr(uint16_t opcode);
    bool SubtractOneAndBranch(uint16_t opcode);
    bool SoftwareTrap(uint16_t opcode);

    bool FormatOperand(uint16_t field, OperandKind kind, Operand& operand);
    bool OperandAt(OperandKind kind, uint16_t address, const common::String& addressWhere, Operand& operand);
    bool OperandThrough(OperandKind kind, uint16_t pointerAddress, Operand& operand);
    bool StepPast(unsigned mode, unsigned reg, uint16_t step, OperandKind kind, Operand& operand);

    bool FetchShadowWord(uint16_t& word);
    bool PopShadowWord(uint16_t& word);
    bool PeekWord(uint16_t address, uint16_t& word);
    bool PeekByte(uint16_t address, uint8_t& byte);

    uint16_t& ShadowPc() { return shadow[7]; }
    uint16_t& ShadowSp() { return shadow[6]; }

    const ProcessorView& processor;
    std::array<uint16_t, 8>& shadow;
    DisassemblyLine& line;
    InstructionComment comment;
    int32_t length = 0;
};

bool InstructionDecoder::Decode() {
    uint16_t opcode = 0;
    if (!FetchShadowWord(opcode)) {
        line.instruction.Assign("???");
        return false;
    }
    for (const FixedForm& form : kFixedForms) {
        if (opcode >= form.first && opcode <= form.last) {
            return Fixed(form);
        }
    }
    if (const SingleOperandForm* form = FindForm(kSingleOperandForms, opcode & 0177700)) {
        return SingleOperand(opcode, *form);
    }
    if (const DoubleOperandForm* form = FindForm(kDoubleOperandForms, opcode & 0170000)) {
        return DoubleOperand(opcode, *form);
    }
    if (const BranchForm* form = FindForm(kBranchForms, opcode & 0177400)) {
        return Branch(opcode, *form);
    }
    struct OpcodeRange {
        uint16_t first;
        uint16_t last;
        Handler decode;
    };
    static constexpr std::array<OpcodeRange, 9> ranges = {{
        {0000002, 0000002, &InstructionDecoder::ReturnFromInterrupt},
        {0000006, 0000006, &InstructionDecoder::ReturnFromInterrupt},
        {0000100, 0000177, &InstructionDecoder::JumpOrCall},
        {0000200, 0000207, &InstructionDecoder::ReturnFromSubroutine},
        {0000240, 0000277, &InstructionDecoder::ConditionCodes},
        {0004000, 0004777, &InstructionDecoder::JumpOrCall},
        {0074000, 0074777, &InstructionDecoder::ExclusiveOr},
        {0077000, 0077777, &InstructionDecoder::SubtractOneAndBranch},
        {0104000, 0104777, &InstructionDecoder::SoftwareTrap},
    }};
    for (const OpcodeRange& range : ranges) {
        if (opcode >= range.first && opcode <= range.last) {
            return (this->*range.decode)(opcode);
        }
    }
    return Illegal();
}

bool InstructionDecoder::Fixed(const FixedForm& form) {
    line.instruction.Assign(form.text);
    line.comment.Assign(form.comment);
    line.flowFlags |= form.flow;
    return true;
}

bool InstructionDecoder::Illegal() {
    line.instruction.Assign("(illegal opcode)");
    line.comment.Assign("#Trap(10) (illegal opcode)");
    return false;
}

bool InstructionDecoder::SingleOperand(uint16_t opcode, const SingleOperandForm& form) {
    line.instruction.Format("%s %s", form.mnemonic, form.placeholder);
    Operand operand;
    if (!FormatOperand(opcode, KindOf(form.width), operand)) {
        return false;
    }
    line.instruction.Format("%s %s", form.mnemonic, operand.text);
    comment.SingleOperand(form.operation, form.width, operand.ForComment());
    return true;
}

bool InstructionDecoder::DoubleOperand(uint16_t opcode, const DoubleOperandForm& form) {
    line.instruction.Format(form.width == OperandWidth::Byte ? "%s src8,dst8" : "%s src16,dst16", form.mnemonic);
    // The source goes first, so that the destination sees its register changes: MOV (R0)+,(R0)+.
    Operand source;
    Operand destination;
    const OperandKind kind = KindOf(form.width);
    if (!FormatOperand(opcode >> 6, kind, source) || !FormatOperand(opcode, kind, destination)) {
        return false;
    }
    line.instruction.Format("%s %s,%s", form.mnemonic, source.text, destination.text);
    comment.DoubleOperand(form.operation, form.width, source.ForComment(), destination.ForComment(), opcode & 7);
    return true;
}

bool InstructionDecoder::Branch(uint16_t opcode, const BranchForm& form) {
    const int offset = static_cast<int8_t>(opcode & 0377) * 2;
    line.instruction.Format("%s #%s%.lo", form.mnemonic, offset < 0 ? "-" : "+", std::abs(offset));
    comment.Branch(form.condition, offset, static_cast<uint16_t>(ShadowPc() + offset));
    line.flowFlags |= kFlowTransfersControl;
    return true;
}

bool InstructionDecoder::ReturnFromInterrupt(uint16_t opcode) {
    const bool noTrace = opcode == 0000006;
    line.instruction.Assign(noTrace ? "RTT" : "RTI");
    line.flowFlags |= kFlowTransfersControl;
    comment.ReturnFromInterrupt();
    uint16_t pc = 0;
    uint16_t status = 0;
    if (!PopShadowWord(pc) || !PopShadowWord(status)) {
        return false;
    }
    comment.ReturnFromInterrupt(pc, status, noTrace);
    return true;
}

bool InstructionDecoder::JumpOrCall(uint16_t opcode) {
    const bool call = opcode >= 0004000;
    if ((opcode & 070) == 0) {
        // A register has no address: the processor traps to 4.
        line.instruction.Assign("(illegal opcode)");
        line.comment.Assign("#Trap(4) (illegal opcode)");
        line.flowFlags |= kFlowReturnsToNext;
        return false;
    }
    const char* mnemonic = call ? "JSR" : "JMP";
    line.instruction.Format("%s addr16", mnemonic);
    Operand destination;
    if (!FormatOperand(opcode, OperandKind::Address, destination)) {
        return false;
    }
    // JSR does not show its link register.
    line.instruction.Format("%s %s", mnemonic, destination.text);
    if (call) {
        comment.JumpToSubroutine(destination.ForComment(), (opcode >> 6) & 7, ShadowPc());
        line.flowFlags |= kFlowReturnsToNext;
    } else {
        comment.Jump(destination.ForComment());
        line.flowFlags |= kFlowTransfersControl;
    }
    return true;
}

bool InstructionDecoder::ReturnFromSubroutine(uint16_t opcode) {
    const unsigned reg = opcode & 7;
    line.instruction.Format("RTS %s", kRegisterNames[reg]);
    line.flowFlags |= kFlowTransfersControl;
    comment.ReturnFromSubroutine(reg);
    uint16_t popped = 0;
    if (!PopShadowWord(popped)) {
        return false;
    }
    comment.ReturnFromSubroutine(reg, processor.registers[reg], popped);
    return true;
}

bool InstructionDecoder::ConditionCodes(uint16_t opcode) {
    const bool set = (opcode & 020) != 0;
    const unsigned codes = opcode & 017;
    if (codes == 0) {
        line.instruction.Assign("NOP");
    } else {
        line.instruction.Format(set ? "SE%s" : "CL%s", kConditionCodeShortNames[codes]);
    }
    comment.ConditionCodes(set, codes);
    return true;
}

bool InstructionDecoder::ExclusiveOr(uint16_t opcode) {
    const unsigned reg = (opcode >> 6) & 7;
    const uint16_t registerValue = shadow[reg];
    line.instruction.Format("XOR %s,dst16", kRegisterNames[reg]);
    Operand destination;
    if (!FormatOperand(opcode, OperandKind::Word, destination)) {
        return false;
    }
    line.instruction.Format("XOR %s,%s", kRegisterNames[reg], destination.text);
    comment.DoubleOperand(DoubleOperation::ExclusiveOr, OperandWidth::Word, {kRegisterNames[reg], registerValue},
                          destination.ForComment(), opcode & 7);
    return true;
}

bool InstructionDecoder::SubtractOneAndBranch(uint16_t opcode) {
    const unsigned reg = (opcode >> 6) & 7;
    const unsigned offset = (opcode & 077) * 2;
    line.instruction.Format("SOB %s,-%lo", kRegisterNames[reg], offset);
    const uint16_t target = ShadowPc() - offset;
    --shadow[reg];
    comment.SubtractOneAndBranch(reg, shadow[reg], offset, target);
    line.flowFlags |= kFlowReturnsToNext;
    return true;
}

bool InstructionDecoder::SoftwareTrap(uint16_t opcode) {
    const uint8_t index = opcode & 0377;
    if (opcode < 0104400) {
        line.instruction.Format("EMT %.3lo", index);
        comment.EmulatorTrap(index);
    } else {
        line.instruction.Format("TRAP %.3lo", index);
        comment.Trap(index);
    }
    line.flowFlags |= kFlowReturnsToNext;
    return true;
}

// Fills the operand of a six-bit field (mode in bits 3-5, register in bits 0-2), moving the shadow registers as
// the processor would move the live ones, but only once the reads of the mode have succeeded.
bool InstructionDecoder::FormatOperand(uint16_t field, OperandKind kind, Operand& operand) {
    const unsigned mode = (field >> 3) & 7;
    const unsigned reg = field & 7;
    const char* name = kRegisterNames[reg];
    uint16_t& r = shadow[reg];
    // Auto-increment and auto-decrement step a byte operand by one, except on SP and PC.
    const uint16_t step = kind == OperandKind::Byte && reg < 6 ? 1 : 2;
    switch (mode) {
    case 0:
        if (kind == OperandKind::Address) {
            return false;
        }
        operand.text.Assign(name);
        operand.where.Assign(name);
        operand.value = kind == OperandKind::Byte ? r & 0377 : r;
        return true;
    case 1:
        operand.text.Format("(%s)", name);
        return OperandAt(kind, r, common::NarrowString(name), operand);
    case 2:
        operand.text.Format("(%s)+", name);
        return OperandAt(kind, r, common::NarrowString(name), operand) && StepPast(mode, reg, step, kind, operand);
    case 3:
        operand.text.Format("@(%s)+", name);
        return OperandThrough(kind, r, operand) && StepPast(mode, reg, 2, kind, operand);
    case 4:
        operand.text.Format("-(%s)", name);
        if (!OperandAt(kind, static_cast<uint16_t>(r - step), Formatted("(%s-2)", name), operand)) {
            return false;
        }
        r -= step;
        return true;
    case 5:
        operand.text.Format("@-(%s)", name);
        if (!OperandThrough(kind, static_cast<uint16_t>(r - 2), operand)) {
            return false;
        }
        r -= 2;
        return true;
    default: {
        // Modes 6 and 7 take the index word first, so that with PC the sum counts from past it.
        uint16_t index = 0;
        if (!FetchShadowWord(index)) {
            return false;
        }
        const uint16_t address = r + index;
        if (mode == 6) {
            operand.text.Format("%.6lo(%s)", index, name);
            return OperandAt(kind, address, Formatted("(%s+%.6lo)", name, index), operand);
        }
        operand.text.Format("@%.6lo(%s)", index, name);
        return OperandThrough(kind, address, operand);
    }
    }
}

// The operand lies at `address`: the value kinds read it there; the address kind takes the address itself,
// described by `addressWhere`.
bool InstructionDecoder::OperandAt(OperandKind kind, uint16_t address, const common::String& addressWhere,
                                   Operand& operand) {
    if (kind == OperandKind::Address) {
        operand.where.Assign(addressWhere);
        operand.value = address;
        return true;
    }
    operand.where.Format("[%.6lo]", address);
    if (kind == OperandKind::Word) {
        return PeekWord(address, operand.value);
    }
    uint8_t byte = 0;
    if (!PeekByte(address, byte)) {
        return false;
    }
    operand.value = byte;
    return true;
}

// The deferred modes: the operand's address is the word at `pointerAddress`.
bool InstructionDecoder::OperandThrough(OperandKind kind, uint16_t pointerAddress, Operand& operand) {
    uint16_t pointer = 0;
    return PeekWord(pointerAddress, pointer) && OperandAt(kind, pointer, Formatted("[%.6lo]", pointerAddress), operand);
}

// Modes 2 and 3 move past the operand. On PC the operand word belongs to the instruction: it is fetched, and shown
// as an immediate value (a byte instruction shows only its low byte) or as an absolute address.
bool InstructionDecoder::StepPast(unsigned mode, unsigned reg, uint16_t step, OperandKind kind, Operand& operand) {
    if (reg != 7) {
        shadow[reg] += step;
        return true;
    }
    uint16_t word = 0;
    if (!FetchShadowWord(word)) {
        return false;
    }
    if (mode == 3) {
        operand.text.Format("@#%lo", word);
    } else if (kind != OperandKind::Address) {
        operand.text.Format("#%lo", kind == OperandKind::Byte ? word & 0377 : word);
    }
    return true;
}

bool InstructionDecoder::FetchShadowWord(uint16_t& word) {
    if (!PeekWord(ShadowPc(), word)) {
        return false;
    }
    ShadowPc() = (ShadowPc() + 2) & processor.addressMask;
    length += 2;
    line.words.AppendFormat(" %.6lo", word);
    return true;
}

bool InstructionDecoder::PopShadowWord(uint16_t& word) {
    if (!PeekWord(ShadowSp(), word)) {
        return false;
    }
    ShadowSp() += 2;
    return true;
}

// A word access at an odd address takes the word below it, as the processor does.
bool InstructionDecoder::PeekWord(uint16_t address, uint16_t& word) {
    return processor.memory.PeekWord(address & 0177776 & processor.addressMask, word);
}

bool InstructionDecoder::PeekByte(uint16_t address, uint8_t& byte) {
    return processor.memory.PeekByte(address & processor.addressMask, byte);
}

} // namespace

int32_t Disassembler::Disassemble(const ProcessorView& processor, DisassemblyLine& line) {
    line = DisassemblyLine{};
    if (!processor.running) {
        return 0;
    }
    line.address.Format("%.6lo", processor.registers[7]);
    line.flags = PswFlagsText(processor.psw);
    line.widths = {kAddressWidth, kWordsWidth,  kInstructionWidth, line.flags.Length(),
                   kCommentWidth, kSpareWidth1, kSpareWidth2};
    shadow = processor.registers;
    InstructionDecoder decoder(processor, shadow, line);
    if (decoder.Decode()) {
        return decoder.Length();
    }
    if (line.comment.IsEmpty()) {
        line.comment.Assign("*(todo)");
    }
    line.flowFlags |= kFlowTransfersControl;
    return -1;
}

int32_t Disassembler::Disassemble(const ProcessorView& processor, common::String& addressText,
                                  common::String& wordsText, common::String& instructionText, common::String& flagsText,
                                  common::String& commentText, common::String& spareText1, common::String& spareText2,
                                  uint32_t& flowFlags, int32_t& addressWidth, int32_t& wordsWidth,
                                  int32_t& instructionWidth, int32_t& flagsWidth, int32_t& commentWidth,
                                  int32_t& spareWidth1, int32_t& spareWidth2) {
    DisassemblyLine line;
    const int32_t result = Disassemble(processor, line);
    addressText.Assign(line.address);
    wordsText.Assign(line.words);
    instructionText.Assign(line.instruction);
    flagsText.Assign(line.flags);
    commentText.Assign(line.comment);
    spareText1.Assign(line.spare1);
    spareText2.Assign(line.spare2);
    flowFlags = line.flowFlags;
    addressWidth = line.widths[0];
    wordsWidth = line.widths[1];
    instructionWidth = line.widths[2];
    flagsWidth = line.widths[3];
    commentWidth = line.widths[4];
    spareWidth1 = line.widths[5];
    spareWidth2 = line.widths[6];
    return result;
}

} // namespace emu
