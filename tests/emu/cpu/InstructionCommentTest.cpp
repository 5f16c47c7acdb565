#include "emu/cpu/InstructionComment.h"

#include "common/NarrowString.h"
#include "emu/cpu/ProcessorStatus.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace emu {
namespace {

constexpr uint16_t C = kPswCarry;
constexpr uint16_t V = kPswOverflow;
constexpr uint16_t Z = kPswZero;
constexpr uint16_t N = kPswNegative;
constexpr OperandWidth Word = OperandWidth::Word;
constexpr OperandWidth Byte = OperandWidth::Byte;

struct CommentCase {
    const char* name;
    uint16_t psw;
    std::function<void(InstructionComment&)> write;
    const char* expected;
};

void ExpectComments(const std::vector<CommentCase>& cases) {
    for (const CommentCase& test : cases) {
        SCOPED_TRACE(test.name);
        common::NarrowString text("stale");
        InstructionComment comment(text, test.psw);
        test.write(comment);
        EXPECT_EQ(text.View(), test.expected);
    }
}

std::function<void(InstructionComment&)> Single(SingleOperation operation, OperandWidth width, uint16_t value,
                                                const char* where = "R0") {
    return [=](InstructionComment& comment) { comment.SingleOperand(operation, width, {where, value}); };
}

TEST(InstructionCommentTest, SingleOperandResultsWrapInTheOperandWidth) {
    using enum SingleOperation;
    ExpectComments({
        {"CLR", 0, Single(Clear, Word, 01234, "[001000]"), "[001000]:=0000h"},
        {"CLRB", 0, Single(Clear, Byte, 0377), "R0:=00h"},
        {"COM", 0, Single(Complement, Word, 0x00FF), "not R0:=FF00h"},
        {"COMB", 0, Single(Complement, Byte, 0x0F), "not R0:=F0h"},
        {"INC from FFFF", 0, Single(Increment, Word, 0xFFFF), "inc R0+1:=0000h"},
        {"INCB from FF", 0, Single(Increment, Byte, 0xFF), "inc R0+1:=00h"},
        {"DEC from 0", 0, Single(Decrement, Word, 0), "dec R0-1:=FFFFh"},
        {"DECB from 0", 0, Single(Decrement, Byte, 0), "dec R0-1:=FFh"},
        {"NEG of the most negative", 0, Single(Negate, Word, 0x8000), "neg R0:=8000h"},
        {"NEGB of 1", 0, Single(Negate, Byte, 1), "neg R0:=FFh"},
        {"ADC with C", C, Single(AddCarry, Word, 0x00FF), "adc R0+(C_FLAG=1d):=0100h"},
        {"ADC without C", 0, Single(AddCarry, Word, 0x00FF), "adc R0+(C_FLAG=0d):=00FFh"},
        {"ADCB with C wraps", C, Single(AddCarry, Byte, 0xFF), "adc R0+(C_FLAG=1d):=00h"},
        {"SBC with C from 0", C, Single(SubtractCarry, Word, 0), "sbc R0-(C_FLAG=1d):=FFFFh"},
        {"SBCB without C", 0, Single(SubtractCarry, Byte, 0x10), "sbc R0-(C_FLAG=0d):=10h"},
        {"TST of 0", 0, Single(Test, Word, 0), "test R0 (0000h ? sZ)"},
        {"TST of a negative word", 0, Single(Test, Word, 0x8000), "test R0 (8000h ? Sz)"},
        {"TSTB looks at bit 7", 0, Single(Test, Byte, 0x80), "test R0 (80h ? Sz)"},
        {"ROR puts C on top", C, Single(RotateRight, Word, 0x0001), "rcr (R0=0001h)>>1:=8000h"},
        {"RORB R3 with C", C, Single(RotateRight, Byte, 0x02, "R3"), "rcr (R3=02h)>>1:=81h"},
        {"ROL takes C in", C, Single(RotateLeft, Word, 0x8000), "rcl (R0=8000h)<<1:=0001h"},
        {"ROLB drops bit 7", 0, Single(RotateLeft, Byte, 0x80), "rcl (R0=80h)<<1:=00h"},
        {"ASR keeps the sign", 0, Single(ShiftRight, Word, 0x8002), "sar (R0=8002h)>>1:=C001h"},
        {"ASRB keeps bit 7", 0, Single(ShiftRight, Byte, 0x81), "sar (R0=81h)>>1:=C0h"},
        {"ASL", 0, Single(ShiftLeft, Word, 0xC000), "shl (R0=C000h)<<1:=8000h"},
        {"ASLB", 0, Single(ShiftLeft, Byte, 0x81), "shl (R0=81h)<<1:=02h"},
        {"SWAB", 0, Single(SwapBytes, Word, 0x1234), "bswap R0:=3412h"},
        {"SXT with N", N, Single(SignExtend, Word, 0x1234), "mov R0:=S_FLAG=FFFFh"},
        {"SXT without N", Z, Single(SignExtend, Word, 0x1234), "mov R0:=S_FLAG=0000h"},
        {"MTPS", 0, Single(MoveToPsw, Byte, 0340), "mtps (*todo)"},
        {"MFPS", 0, Single(MoveFromPsw, Byte, 0), "mfps (*todo)"},
    });
}

std::function<void(InstructionComment&)> Double(DoubleOperation operation, OperandWidth width, uint16_t source,
                                                uint16_t destination, unsigned destinationRegister = 2) {
    return [=](InstructionComment& comment) {
        comment.DoubleOperand(operation, width, {"R1", source}, {"R2", destination}, destinationRegister);
    };
}

TEST(InstructionCommentTest, TwoOperandsShowBothValuesAndTheResult) {
    using enum DoubleOperation;
    ExpectComments({
        {"MOV", 0, Double(Move, Word, 0x0040, 0), "R2:=R1=0040h"},
        {"MOVB", 0, Double(Move, Byte, 0x1281, 0), "R2:=R1=81h"},
        {"MOV to PC shows an address", 0, Double(Move, Word, 02000, 0, 7), "R2:=R1=002000"},
        {"MOVB to PC stays hexadecimal", 0, Double(Move, Byte, 0x81, 0, 7), "R2:=R1=81h"},
        {"CMP smaller", 0, Double(Compare, Word, 5, 7), "cmp R1-R2=0005h-0007h ? SzvC"},
        {"CMP equal", 0, Double(Compare, Word, 7, 7), "cmp R1-R2=0007h-0007h ? sZvc"},
        {"CMP overflow", 0, Double(Compare, Word, 0x8000, 1), "cmp R1-R2=8000h-0001h ? szVc"},
        {"CMP overflow to negative", 0, Double(Compare, Word, 0x7FFF, 0xFFFF), "cmp R1-R2=7FFFh-FFFFh ? SzVC"},
        {"CMPB overflow", 0, Double(Compare, Byte, 0x80, 0x01), "cmp R1-R2=80h-01h ? szVc"},
        {"CMPB ignores high bytes", 0, Double(Compare, Byte, 0x1205, 0x3405), "cmp R1-R2=05h-05h ? sZvc"},
        {"BIT", 0, Double(BitTest, Word, 0x00F0, 0x0FF0), "and R2 & R1=0FF0h & 00F0h:=00F0h"},
        {"BITB", 0, Double(BitTest, Byte, 0x0F, 0x3C), "and R2 & R1=3Ch & 0Fh:=0Ch"},
        {"BIC", 0, Double(BitClear, Word, 0x00F0, 0x0FF0), "andnot R2 &~R1=0FF0h &~00F0h:=0F00h"},
        {"BICB", 0, Double(BitClear, Byte, 0x0F, 0xFF), "andnot R2 &~R1=FFh &~0Fh:=F0h"},
        {"BIS", 0, Double(BitSet, Word, 0x000F, 0x0F00), "or R2|R1=0F00h|000Fh:=0F0Fh"},
        {"BISB", 0, Double(BitSet, Byte, 0x01, 0x80), "or R2|R1=80h|01h:=81h"},
        {"ADD wraps", 0, Double(Add, Word, 1, 0xFFFF), "add R2+R1=FFFFh+0001h:=0000h"},
        {"SUB is destination minus source", 0, Double(Subtract, Word, 3, 1), "sub R2-R1=0001h-0003h:=FFFEh"},
        {"XOR", 0, Double(ExclusiveOr, Word, 0xF0F0, 0x0FF0), "xor R2^R1=0FF0h^F0F0h:=FF00h"},
    });
}

std::function<void(InstructionComment&)> BranchTo(BranchCondition condition, int offset = 4) {
    return
        [=](InstructionComment& comment) { comment.Branch(condition, offset, static_cast<uint16_t>(01002 + offset)); };
}

TEST(InstructionCommentTest, BranchesSayWhetherTheLiveConditionHolds) {
    using enum BranchCondition;
    ExpectComments({
        {"BR forward", 0, BranchTo(Always), "+jmp(+4h)=001006"},
        {"BR back", 0, BranchTo(Always, -2), "-jmp(-2h)=001000"},
        {"BR to the next instruction", 0, BranchTo(Always, 0), "jmp(+h)=001002"},
        {"BR furthest back", 0, BranchTo(Always, -256), "-jmp(-100h)=000402"},
        {"BNE taken", 0, BranchTo(NotEqual), "+jnz(+4h)=001006 (z?YES)"},
        {"BNE not taken", Z, BranchTo(NotEqual), "jnz(+4h)=001006 (z?no)"},
        {"BEQ taken", Z, BranchTo(Equal), "+jz(+4h)=001006 (Z?YES)"},
        {"BEQ not taken", 0, BranchTo(Equal), "jz(+4h)=001006 (Z?no)"},
        {"BEQ taken back", Z, BranchTo(Equal, -4), "-jz(-4h)=000776 (Z?YES)"},
        {"BEQ taken in place", Z, BranchTo(Equal, 0), "jz(+h)=001002 (Z?YES)"},
        {"BGE with N and V", N | V, BranchTo(GreaterOrEqual), "+jge(+4h)=001006 (N=V?YES)"},
        {"BGE with N only", N, BranchTo(GreaterOrEqual), "jge(+4h)=001006 (N=V?no)"},
        {"BLT with V only", V, BranchTo(Less), "+jl(+4h)=001006 (N<>V?YES)"},
        {"BLT with neither", 0, BranchTo(Less), "jl(+4h)=001006 (N<>V?no)"},
        {"BGT with neither", 0, BranchTo(Greater), "+jg(+4h)=001006 (z&N=V?YES)"},
        {"BGT with Z", Z, BranchTo(Greater), "jg(+4h)=001006 (z&N=V?no)"},
        {"BGT with N only", N, BranchTo(Greater), "jg(+4h)=001006 (z&N=V?no)"},
        {"BLE with Z", Z, BranchTo(LessOrEqual), "+jle(+4h)=001006 (Z|N<>V?YES)"},
        {"BLE with N only", N, BranchTo(LessOrEqual), "+jle(+4h)=001006 (Z|N<>V?YES)"},
        {"BLE with N and V", N | V, BranchTo(LessOrEqual), "jle(+4h)=001006 (Z|N<>V?no)"},
        {"BPL taken", Z | V | C, BranchTo(Plus), "+jns(+4h)=001006 (s?YES)"},
        {"BPL not taken", N, BranchTo(Plus), "jns(+4h)=001006 (s?no)"},
        {"BMI taken", N, BranchTo(Minus), "+js(+4h)=001006 (S?YES)"},
        {"BMI not taken", 0, BranchTo(Minus), "js(+4h)=001006 (S?no)"},
        {"BHI taken", N | V, BranchTo(Higher), "+jhi(+4h)=001006 (z&c?YES)"},
        {"BHI with C", C, BranchTo(Higher), "jhi(+4h)=001006 (z&c?no)"},
        {"BHI with Z", Z, BranchTo(Higher), "jhi(+4h)=001006 (z&c?no)"},
        {"BLOS with C", C, BranchTo(LowerOrSame), "+jlsm(+4h)=001006 (Z|C?YES)"},
        {"BLOS with Z", Z, BranchTo(LowerOrSame), "+jlsm(+4h)=001006 (Z|C?YES)"},
        {"BLOS with neither", N | V, BranchTo(LowerOrSame), "jlsm(+4h)=001006 (Z|C?no)"},
        {"BVC taken", N | Z | C, BranchTo(OverflowClear), "+jno(+4h)=001006 (v?YES)"},
        {"BVC not taken", V, BranchTo(OverflowClear), "jno(+4h)=001006 (v?no)"},
        {"BVS taken", V, BranchTo(OverflowSet), "+jo(+4h)=001006 (V?YES)"},
        {"BVS not taken", 0, BranchTo(OverflowSet), "jo(+4h)=001006 (V?no)"},
        {"BCC taken", N | Z | V, BranchTo(CarryClear), "+jnc(+4h)=001006 (c?YES)"},
        {"BCC not taken", C, BranchTo(CarryClear), "jnc(+4h)=001006 (c?no)"},
        {"BCS taken", C, BranchTo(CarrySet), "+jc(+4h)=001006 (C?YES)"},
        {"BCS not taken", 0, BranchTo(CarrySet), "jc(+4h)=001006 (C?no)"},
    });
}

TEST(InstructionCommentTest, ControlTransfersSayWhereTheyGo) {
    ExpectComments({
        {"SOB loops", 0, [](InstructionComment& c) { c.SubtractOneAndBranch(1, 4, 2, 01000); },
         "-loop(-2h)=001000 (R1-1:=0004h ? YES)"},
        {"SOB falls through", 0, [](InstructionComment& c) { c.SubtractOneAndBranch(1, 0, 2, 01000); },
         "loop(-2h)=001000 (R1-1:=0000h ? no)"},
        {"SOB from 0 wraps and loops", 0, [](InstructionComment& c) { c.SubtractOneAndBranch(5, 0xFFFF, 0176, 0604); },
         "-loop(-7Eh)=000604 (R5-1:=FFFFh ? YES)"},
        {"JMP", 0,
         [](InstructionComment& c) {
             c.Jump({"R1", 01234});
         },
         "*jmp PC:=R1=001234"},
        {"JSR PC", 0,
         [](InstructionComment& c) {
             c.JumpToSubroutine({"[001002]", 02000}, 7, 01004);
         },
         "*call PC:=[001002]=002000"},
        {"JSR R5", 0,
         [](InstructionComment& c) {
             c.JumpToSubroutine({"[001002]", 02000}, 5, 01004);
         },
         "*call PC:=[001002]=002000 (R5:=PC=001004)"},
        {"RTI before the stack is read", 0, [](InstructionComment& c) { c.ReturnFromInterrupt(); },
         "*iret (from interrupt)"},
        {"RTI", 0, [](InstructionComment& c) { c.ReturnFromInterrupt(02000, 0340, false); },
         "*iret (PC:=002000, PSW:=000340)"},
        {"RTT", 0, [](InstructionComment& c) { c.ReturnFromInterrupt(02000, 0340, true); },
         "*iret (PC:=002000, PSW:=000340, NoTrace)"},
        {"RTS before the stack is read", 0, [](InstructionComment& c) { c.ReturnFromSubroutine(5); }, "*ret R5"},
        {"RTS PC", 0, [](InstructionComment& c) { c.ReturnFromSubroutine(7, 01002, 01500); }, "*ret PC:=001500"},
        {"RTS R5", 0, [](InstructionComment& c) { c.ReturnFromSubroutine(5, 03000, 0123); },
         "*ret R5=003000 (pop(R5):=0053h)"},
        {"EMT", 0, [](InstructionComment& c) { c.EmulatorTrap(030); }, "int6h (index=18h) (system service)"},
        {"TRAP", 0, [](InstructionComment& c) { c.Trap(0377); }, "int7h (index=FFh) (software trap)"},
    });
}

TEST(InstructionCommentTest, ConditionCodeInstructionsNameTheFlags) {
    ExpectComments({
        {"CLC", 0, [](InstructionComment& c) { c.ConditionCodes(false, 01); }, "C_FLAG:=0"},
        {"SEC", 0, [](InstructionComment& c) { c.ConditionCodes(true, 01); }, "C_FLAG:=1"},
        {"CLSV", 0, [](InstructionComment& c) { c.ConditionCodes(false, 012); }, "SV_FLAGS:=0"},
        {"SCC", 0, [](InstructionComment& c) { c.ConditionCodes(true, 017); }, "SZVC_FLAGS:=1"},
        {"NOP 000240", 0, [](InstructionComment& c) { c.ConditionCodes(false, 0); }, "nop (nothing to clear)"},
        {"NOP 000260", 0, [](InstructionComment& c) { c.ConditionCodes(true, 0); }, "nop (nothing to set)"},
    });
}

} // namespace
} // namespace emu
