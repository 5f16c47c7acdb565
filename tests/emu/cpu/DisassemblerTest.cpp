#include "emu/cpu/Disassembler.h"

#include "common/WideString.h"
#include "emu/cpu/ProcessorStatus.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace emu {
namespace {

constexpr int R0 = 0;
constexpr int R1 = 1;
constexpr int R2 = 2;
constexpr int R3 = 3;
constexpr int R4 = 4;
constexpr int R5 = 5;
constexpr int SP = 6;
constexpr int PC = 7;

// 64 KB of memory in which some addresses cannot be read; it remembers the addresses it was asked for.
class TestMemory : public MemoryPeek {
public:
    void SetWords(uint16_t address, const std::vector<uint16_t>& words) {
        for (uint16_t word : words) {
            bytes[address] = word & 0377;
            bytes[static_cast<uint16_t>(address + 1)] = word >> 8;
            address += 2;
        }
    }

    void MakeUnreadable(uint16_t first, uint16_t last) { unreadable.emplace_back(first, last); }

    bool PeekWord(uint16_t address, uint16_t& word) override {
        wordAddresses.insert(address);
        if (!Readable(address)) {
            return false;
        }
        word = bytes[address] | bytes[static_cast<uint16_t>(address + 1)] << 8;
        return true;
    }

    bool PeekByte(uint16_t address, uint8_t& byte) override {
        byteAddresses.insert(address);
        if (!Readable(address)) {
            return false;
        }
        byte = bytes[address];
        return true;
    }

    std::set<uint16_t> wordAddresses;
    std::set<uint16_t> byteAddresses;

private:
    bool Readable(uint16_t address) const {
        for (const auto& [first, last] : unreadable) {
            if (address >= first && address <= last) {
                return false;
            }
        }
        return true;
    }

    std::vector<uint8_t> bytes = std::vector<uint8_t>(65536);
    std::vector<std::pair<uint16_t, uint16_t>> unreadable;
};

// A processor state to disassemble at: registers are 0 but for the ones given, PC is 001000.
struct Machine {
    TestMemory memory;
    std::array<uint16_t, 8> registers{};
    uint16_t psw = 0;
    uint16_t addressMask = 0177777;
    bool running = true;
    Disassembler disassembler;
    DisassemblyLine line;

    Machine() { registers[PC] = 01000; }

    void Load(const std::vector<uint16_t>& program, const std::vector<std::pair<int, uint16_t>>& registerValues) {
        memory.SetWords(01000, program);
        for (const auto& [reg, value] : registerValues) {
            registers[reg] = value;
        }
    }

    int32_t Disassemble() { return disassembler.Disassemble({running, registers, psw, addressMask, memory}, line); }
};

std::string WordsText(const std::vector<uint16_t>& words) {
    common::NarrowString text;
    for (uint16_t word : words) {
        text.AppendFormat(" %.6lo", word);
    }
    return std::string(text.View());
}

struct Example {
    const char* name;
    std::vector<uint16_t> program; // at PC
    std::vector<std::pair<int, uint16_t>> registers;
    uint16_t psw;
    std::vector<std::pair<uint16_t, uint16_t>> data; // further words in memory
    const char* instruction;
    const char* comment;
    int32_t result;
    uint32_t flow;
};

// Every example's words are its whole program.
const std::vector<Example> kExamples = {
    // Immediate, absolute and relative operands.
    {"MOV #100,R0", {012700, 0100}, {}, 0, {}, "MOV #100,R0", "R0:=[001002]=0040h", 4, 0},
    {"MOV #2000,PC", {012707, 02000}, {}, 0, {}, "MOV #2000,PC", "PC:=[001002]=002000", 4, 0},
    {"MOVB immediate", {0112701, 0177601}, {}, 0, {}, "MOVB #201,R1", "R1:=[001002]=81h", 4, 0},
    {"absolute", {010037, 02000}, {{R0, 5}}, 0, {{02000, 0777}}, "MOV R0,@#2000", "[002000]:=R0=000005", 4, 0},
    {"relative", {005067, 0100}, {}, 0, {}, "CLR 000100(PC)", "[001104]:=0000h", 4, 0},
    {"two relative",
     {016767, 010, 020},
     {},
     0,
     {{01014, 0123}},
     "MOV 000010(PC),000020(PC)",
     "[001026]:=[001014]=000123",
     6,
     0},
    // The addressing modes on general registers.
    {"MOVB R1,R2 takes the low byte", {0110102}, {{R1, 0x1234}}, 0, {}, "MOVB R1,R2", "R2:=R1=34h", 2, 0},
    {"CLR (R1)+", {005021}, {{R1, 01000}}, 0, {}, "CLR (R1)+", "[001000]:=0000h", 2, 0},
    {"source first",
     {012020},
     {{R0, 02000}},
     0,
     {{02000, 0x1111}},
     "MOV (R0)+,(R0)+",
     "[002002]:=[002000]=1111h",
     2,
     0},
    {"CLR @(R2)+", {005032}, {{R2, 02000}}, 0, {{02000, 03000}}, "CLR @(R2)+", "[003000]:=0000h", 2, 0},
    {"CLRB -(R0) steps by one", {0105040}, {{R0, 02001}}, 0, {}, "CLRB -(R0)", "[002000]:=00h", 2, 0},
    {"CLRB -(SP) steps by two", {0105046}, {{SP, 02002}}, 0, {}, "CLRB -(SP)", "[002000]:=00h", 2, 0},
    {"autodecrement deferred",
     {005254},
     {{R4, 02002}},
     0,
     {{02000, 03000}, {03000, 0x7FFF}},
     "INC @-(R4)",
     "inc [003000]+1:=8000h",
     2,
     0},
    {"index deferred",
     {005371, 010},
     {{R1, 02000}},
     0,
     {{02010, 03000}},
     "DEC @000010(R1)",
     "dec [003000]-1:=FFFFh",
     4,
     0},
    {"ADC R0 with C", {005500}, {{R0, 0x00FF}}, kPswCarry, {}, "ADC R0", "adc R0+(C_FLAG=1d):=0100h", 2, 0},
    {"CMP R1,R2", {020102}, {{R1, 5}, {R2, 7}}, 0, {}, "CMP R1,R2", "cmp R1-R2=0005h-0007h ? SzvC", 2, 0},
    {"TST R0", {005700}, {}, 0, {}, "TST R0", "test R0 (0000h ? sZ)", 2, 0},
    {"RORB R3 with C", {0106003}, {{R3, 0x1202}}, kPswCarry, {}, "RORB R3", "rcr (R3=02h)>>1:=81h", 2, 0},
    {"SWAB R1", {000301}, {{R1, 0x1234}}, 0, {}, "SWAB R1", "bswap R1:=3412h", 2, 0},
    {"SXT R0 with N", {006700}, {}, kPswNegative, {}, "SXT R0", "mov R0:=S_FLAG=FFFFh", 2, 0},
    {"XOR",
     {074213},
     {{R2, 0xF0F0}, {R3, 02000}},
     0,
     {{02000, 0x0FF0}},
     "XOR R2,(R3)",
     "xor [002000]^R2=0FF0h^F0F0h:=FF00h",
     2,
     0},
    {"BISB",
     {0150112},
     {{R1, 0x01}, {R2, 02000}},
     0,
     {{02000, 0x4480}},
     "BISB R1,(R2)",
     "or [002000]|R1=80h|01h:=81h",
     2,
     0},
    {"SUB R1,R2", {0160102}, {{R1, 3}, {R2, 1}}, 0, {}, "SUB R1,R2", "sub R2-R1=0001h-0003h:=FFFEh", 2, 0},
    {"MTPS #340", {0106427, 0340}, {}, 0, {}, "MTPS #340", "mtps (*todo)", 4, 0},
    {"MFPS R0", {0106700}, {}, 0, {}, "MFPS R0", "mfps (*todo)", 2, 0},
    // Operations without operands.
    {"HALT", {000000}, {}, 0, {}, "HALT", "#Trap(4) (priviledged)", 2, 1},
    {"WAIT", {000001}, {}, 0, {}, "WAIT", "wait (for interrupt)", 2, 1},
    {"BPT", {000003}, {}, 0, {}, "BPT", "int3h (breakpoint)", 2, 1},
    {"IOT", {000004}, {}, 0, {}, "IOT", "int4h (i/o service call)", 2, 1},
    {"RESET", {000005}, {}, 0, {}, "RESET", "reset (no-op in user mode)", 2, 0},
    {"reserved 000010", {000010}, {}, 0, {}, "(undoc?\?\?)", "#Trap(4) (error)", 2, 1},
    {"reserved 000017", {000017}, {}, 0, {}, "(undoc?\?\?)", "#Trap(4) (error)", 2, 1},
    {"MARK", {006403}, {}, 0, {}, "MARK", "mark (*todo)", 2, 2},
    {"CLSZVC", {000257}, {}, 0, {}, "CLSZVC", "SZVC_FLAGS:=0", 2, 0},
    {"CLC", {000241}, {}, 0, {}, "CLC", "C_FLAG:=0", 2, 0},
    {"SEC", {000261}, {}, 0, {}, "SEC", "C_FLAG:=1", 2, 0},
    {"SCC", {000277}, {}, 0, {}, "SESZVC", "SZVC_FLAGS:=1", 2, 0},
    {"NOP 000240", {000240}, {}, 0, {}, "NOP", "nop (nothing to clear)", 2, 0},
    {"NOP 000260", {000260}, {}, 0, {}, "NOP", "nop (nothing to set)", 2, 0},
    {"EMT 30", {0104030}, {}, 0, {}, "EMT 030", "int6h (index=18h) (system service)", 2, 1},
    {"TRAP 0", {0104400}, {}, 0, {}, "TRAP 000", "int7h (index=00h) (software trap)", 2, 1},
    // Branches and loops.
    {"BR .-2", {000777}, {}, 0, {}, "BR #-2", "-jmp(-2h)=001000", 2, 2},
    {"BR to the next instruction", {000400}, {}, 0, {}, "BR #+", "jmp(+h)=001002", 2, 2},
    {"BR furthest forward", {000577}, {}, 0, {}, "BR #+376", "+jmp(+FEh)=001400", 2, 2},
    {"BPL furthest back", {0100200}, {}, 0, {}, "BPL #-400", "-jns(-100h)=000402 (s?YES)", 2, 2},
    {"BEQ +4 with Z", {001402}, {}, kPswZero, {}, "BEQ #+4", "+jz(+4h)=001006 (Z?YES)", 2, 2},
    {"BEQ +4 without Z", {001402}, {}, 0, {}, "BEQ #+4", "jz(+4h)=001006 (Z?no)", 2, 2},
    {"BHIS/BCC", {0103002}, {}, 0, {}, "BHIS/BCC #+4", "+jnc(+4h)=001006 (c?YES)", 2, 2},
    {"BLO/BCS", {0103776}, {}, kPswCarry, {}, "BLO/BCS #-4", "-jc(-4h)=000776 (C?YES)", 2, 2},
    {"SOB R1 looping", {077101}, {{R1, 5}}, 0, {}, "SOB R1,-2", "-loop(-2h)=001000 (R1-1:=0004h ? YES)", 2, 1},
    {"SOB R1 falling through", {077101}, {{R1, 1}}, 0, {}, "SOB R1,-2", "loop(-2h)=001000 (R1-1:=0000h ? no)", 2, 1},
    // Jumps, calls and returns.
    {"JSR PC,@#2000", {004737, 02000}, {}, 0, {}, "JSR @#2000", "*call PC:=[001002]=002000", 4, 1},
    {"JSR R5,@#2000", {004537, 02000}, {}, 0, {}, "JSR @#2000", "*call PC:=[001002]=002000 (R5:=PC=001004)", 4, 1},
    {"JSR relative", {004567, 0100}, {}, 0, {}, "JSR 000100(PC)", "*call PC:=(PC+000100)=001104 (R5:=PC=001004)", 4, 1},
    {"JMP (R1)", {000111}, {{R1, 01234}}, 0, {}, "JMP (R1)", "*jmp PC:=R1=001234", 2, 2},
    {"JMP (PC)+", {000127, 0}, {}, 0, {}, "JMP (PC)+", "*jmp PC:=PC=001002", 4, 2},
    {"JMP @(R1)+", {000131}, {{R1, 02000}}, 0, {{02000, 03000}}, "JMP @(R1)+", "*jmp PC:=[002000]=003000", 2, 2},
    {"JMP -(R2)", {000142}, {{R2, 02000}}, 0, {}, "JMP -(R2)", "*jmp PC:=(R2-2)=001776", 2, 2},
    {"JMP @-(R2)", {000152}, {{R2, 02002}}, 0, {{02000, 03000}}, "JMP @-(R2)", "*jmp PC:=[002000]=003000", 2, 2},
    {"JMP 000010(R3)", {000163, 010}, {{R3, 02000}}, 0, {}, "JMP 000010(R3)", "*jmp PC:=(R3+000010)=002010", 4, 2},
    {"JMP @X(R3)",
     {000173, 010},
     {{R3, 02000}},
     0,
     {{02010, 03000}},
     "JMP @000010(R3)",
     "*jmp PC:=[002010]=003000",
     4,
     2},
    {"RTS PC", {000207}, {{SP, 0600}}, 0, {{0600, 01500}}, "RTS PC", "*ret PC:=001500", 2, 2},
    {"RTS R5",
     {000205},
     {{R5, 03000}, {SP, 0600}},
     0,
     {{0600, 0123}},
     "RTS R5",
     "*ret R5=003000 (pop(R5):=0053h)",
     2,
     2},
    {"RTI", {000002}, {{SP, 0600}}, 0, {{0600, 02000}, {0602, 0340}}, "RTI", "*iret (PC:=002000, PSW:=000340)", 2, 2},
    {"RTT",
     {000006},
     {{SP, 0600}},
     0,
     {{0600, 02000}, {0602, 0340}},
     "RTT",
     "*iret (PC:=002000, PSW:=000340, NoTrace)",
     2,
     2},
    // What cannot be decoded.
    {"JMP R0", {000100}, {}, 0, {}, "(illegal opcode)", "#Trap(4) (illegal opcode)", -1, 3},
    {"JSR R5,R3", {004503}, {}, 0, {}, "(illegal opcode)", "#Trap(4) (illegal opcode)", -1, 3},
    {"MUL", {070000}, {}, 0, {}, "(illegal opcode)", "#Trap(10) (illegal opcode)", -1, 2},
    {"MFPT", {000007}, {}, 0, {}, "(illegal opcode)", "#Trap(10) (illegal opcode)", -1, 2},
    {"SPL", {000233}, {}, 0, {}, "(illegal opcode)", "#Trap(10) (illegal opcode)", -1, 2},
    {"MFPI", {006500}, {}, 0, {}, "(illegal opcode)", "#Trap(10) (illegal opcode)", -1, 2},
    {"floating point", {0170000}, {}, 0, {}, "(illegal opcode)", "#Trap(10) (illegal opcode)", -1, 2},
};

TEST(DisassemblerTest, DecodesTheExamples) {
    for (const Example& example : kExamples) {
        SCOPED_TRACE(example.name);
        Machine machine;
        machine.Load(example.program, example.registers);
        for (const auto& [address, word] : example.data) {
            machine.memory.SetWords(address, {word});
        }
        machine.psw = example.psw;

        EXPECT_EQ(machine.Disassemble(), example.result);
        EXPECT_EQ(machine.line.address.View(), "001000");
        EXPECT_EQ(machine.line.words.View(), WordsText(example.program));
        EXPECT_EQ(machine.line.instruction.View(), example.instruction);
        EXPECT_EQ(machine.line.flags.View(), PswFlagsText(example.psw).View());
        EXPECT_EQ(machine.line.comment.View(), example.comment);
        EXPECT_TRUE(machine.line.spare1.IsEmpty());
        EXPECT_TRUE(machine.line.spare2.IsEmpty());
        EXPECT_EQ(machine.line.flowFlags, example.flow);
        EXPECT_EQ(machine.line.widths, (std::array<int32_t, 7>{6, 17, 28, 5, 46, 0, 3}));
    }
}

struct UnreadableExample {
    const char* name;
    std::vector<uint16_t> program;
    std::vector<std::pair<int, uint16_t>> registers;
    const char* instruction;
    const char* words;
    const char* comment;
    uint32_t flow;
};

// Memory from 160000 up cannot be read.
const std::vector<UnreadableExample> kUnreadableExamples = {
    {"CLR @# an unreadable word", {005037, 0160000}, {}, "CLR dst16", " 005037", "*(todo)", 2},
    {"MOV with an unreadable source", {011102}, {{R1, 0160000}}, "MOV src16,dst16", " 011102", "*(todo)", 2},
    {"MOVB with an unreadable destination", {0110112}, {{R2, 0177777}}, "MOVB src8,dst8", " 110112", "*(todo)", 2},
    {"XOR to an unreadable word", {074213}, {{R3, 0170000}}, "XOR R2,dst16", " 074213", "*(todo)", 2},
    {"JSR through an unreadable pointer", {004777, 0157000}, {}, "JSR addr16", " 004777 157000", "*(todo)", 2},
    {"JMP through an unreadable pointer", {000131}, {{R1, 0160000}}, "JMP addr16", " 000131", "*(todo)", 2},
    {"RTS with an unreadable stack", {000207}, {{SP, 0160000}}, "RTS PC", " 000207", "*ret PC", 2},
    {"RTI with an unreadable stack", {000002}, {{SP, 0160000}}, "RTI", " 000002", "*iret (from interrupt)", 2},
    {"RTI whose status cannot be read", {000002}, {{SP, 0157776}}, "RTI", " 000002", "*iret (from interrupt)", 2},
};

TEST(DisassemblerTest, AnUnreadableWordFailsTheCallWithWhatWasFoundBefore) {
    for (const UnreadableExample& example : kUnreadableExamples) {
        SCOPED_TRACE(example.name);
        Machine machine;
        machine.memory.MakeUnreadable(0160000, 0177777);
        machine.Load(example.program, example.registers);

        EXPECT_EQ(machine.Disassemble(), -1);
        EXPECT_EQ(machine.line.words.View(), example.words);
        EXPECT_EQ(machine.line.instruction.View(), example.instruction);
        EXPECT_EQ(machine.line.comment.View(), example.comment);
        EXPECT_EQ(machine.line.flowFlags, example.flow);
        EXPECT_EQ(machine.line.address.View(), "001000");
    }
}

TEST(DisassemblerTest, AnUnreadableOpcodeGivesQuestionMarks) {
    Machine machine;
    machine.memory.MakeUnreadable(01000, 01001);

    EXPECT_EQ(machine.Disassemble(), -1);
    EXPECT_EQ(machine.line.instruction.View(), "?\?\?");
    EXPECT_EQ(machine.line.comment.View(), "*(todo)");
    EXPECT_TRUE(machine.line.words.IsEmpty());
    EXPECT_EQ(machine.line.flowFlags, kFlowTransfersControl);
    EXPECT_EQ(machine.line.address.View(), "001000");
}

TEST(DisassemblerTest, NothingIsShownWhileTheProcessorIsStopped) {
    Machine machine;
    machine.running = false;
    machine.line.instruction.Assign("stale");
    machine.line.flowFlags = 3;

    EXPECT_EQ(machine.Disassemble(), 0);
    for (const common::NarrowString* text :
         {&machine.line.address, &machine.line.words, &machine.line.instruction, &machine.line.flags,
          &machine.line.comment, &machine.line.spare1, &machine.line.spare2}) {
        EXPECT_TRUE(text->IsEmpty());
    }
    EXPECT_EQ(machine.line.flowFlags, 0u);
    EXPECT_EQ(machine.line.widths, (std::array<int32_t, 7>{}));
    EXPECT_TRUE(machine.memory.wordAddresses.empty());
}

struct ShadowExample {
    const char* name;
    std::vector<uint16_t> program;
    std::vector<std::pair<int, uint16_t>> registers;
    std::vector<std::pair<int, uint16_t>> shadowAfter; // the shadow registers that differ from the live ones
};

const std::vector<ShadowExample> kShadowExamples = {
    {"CLR (R1)+", {005021}, {{R1, 01000}}, {{R1, 01002}, {PC, 01002}}},
    {"MOVB (R0)+,(R1)+ steps bytes", {0112021}, {{R0, 02000}, {R1, 03000}}, {{R0, 02001}, {R1, 03001}, {PC, 01002}}},
    {"MOVB (SP)+,-(SP) steps words", {0112646}, {{SP, 02000}}, {{PC, 01002}}},
    {"MOVB (R0)+,@(R0)+", {0112030}, {{R0, 02000}}, {{R0, 02003}, {PC, 01002}}},
    {"MOV (R0)+,(R0)+", {012020}, {{R0, 02000}}, {{R0, 02004}, {PC, 01002}}},
    {"CMP -(R2),@-(R2)", {024252}, {{R2, 02004}}, {{R2, 02000}, {PC, 01002}}},
    {"MOV #1,@#2 fetches two words", {012737, 1, 2}, {}, {{PC, 01006}}},
    {"SOB decrements its register", {077201}, {{R2, 5}}, {{R2, 4}, {PC, 01002}}},
    {"RTS pops the stack", {000207}, {{SP, 0600}}, {{SP, 0602}, {PC, 01002}}},
    {"RTI pops two words", {000002}, {{SP, 0600}}, {{SP, 0604}, {PC, 01002}}},
    {"BR moves only past its opcode", {000777}, {}, {{PC, 01002}}},
};

TEST(DisassemblerTest, OperandsMoveOnlyTheShadowRegisters) {
    for (const ShadowExample& example : kShadowExamples) {
        SCOPED_TRACE(example.name);
        Machine machine;
        machine.Load(example.program, example.registers);
        const std::array<uint16_t, 8> live = machine.registers;

        EXPECT_GT(machine.Disassemble(), 0);
        std::array<uint16_t, 8> expected = live;
        for (const auto& [reg, value] : example.shadowAfter) {
            expected[reg] = value;
        }
        EXPECT_EQ(machine.disassembler.ShadowRegisters(), expected);
        EXPECT_EQ(machine.registers, live);
    }
}

TEST(DisassemblerTest, RepeatedCallsGiveTheSameLine) {
    Machine machine;
    machine.memory.SetWords(01000, {012021}); // MOV (R0)+,(R1)+
    machine.registers[R0] = 02000;
    machine.registers[R1] = 02000;
    machine.memory.SetWords(02000, {0x1234});

    ASSERT_EQ(machine.Disassemble(), 2);
    const std::string first = std::string(machine.line.comment.View());
    ASSERT_EQ(machine.Disassemble(), 2);

    EXPECT_EQ(first, "[002000]:=[002000]=1234h");
    EXPECT_EQ(machine.line.comment.View(), first);
    EXPECT_EQ(machine.line.words.View(), " 012021");
}

TEST(DisassemblerTest, AnOddPcDecodesTheWordBelowIt) {
    Machine machine;
    machine.registers[PC] = 01001;
    machine.memory.SetWords(01000, {000401}); // BR .+4

    EXPECT_EQ(machine.Disassemble(), 2);
    EXPECT_EQ(machine.line.address.View(), "001001");
    EXPECT_EQ(machine.line.instruction.View(), "BR #+2");
    EXPECT_EQ(machine.line.words.View(), " 000401");
}

TEST(DisassemblerTest, TheAddressMaskFoldsEveryAccess) {
    Machine machine;
    machine.addressMask = 077777;
    machine.registers[PC] = 0101000;
    machine.registers[R1] = 0102000;
    machine.memory.SetWords(01000, {005061, 010}); // CLR 000010(R1)
    machine.memory.SetWords(02010, {0x5555});

    EXPECT_EQ(machine.Disassemble(), 4);
    EXPECT_EQ(machine.line.address.View(), "101000");
    EXPECT_EQ(machine.line.instruction.View(), "CLR 000010(R1)");
    EXPECT_EQ(machine.disassembler.ShadowRegisters()[PC], 01004);
    EXPECT_EQ(machine.memory.wordAddresses, (std::set<uint16_t>{01000, 01002, 02010}));
}

TEST(DisassemblerTest, TheFlagsColumnShowsTheLivePsw) {
    const std::vector<std::pair<uint16_t, const char*>> cases = {{0377, "TSZVC"},   {0357, "-SZVC"}, {0, "-----"},
                                                                 {0340, "-----"},   {010, "-S---"},  {021, "T---C"},
                                                                 {0177406, "--ZV-"}};
    for (const auto& [psw, text] : cases) {
        Machine machine;
        machine.psw = psw;
        machine.memory.SetWords(01000, {000240});

        machine.Disassemble();
        EXPECT_EQ(machine.line.flags.View(), text) << std::oct << psw;
        EXPECT_EQ(machine.line.widths[3], 5);
    }
}

TEST(DisassemblerTest, FillsTheProcessorInterfaceOutputsInOrder) {
    TestMemory memory;
    memory.SetWords(01000, {004737, 02000});
    const std::array<uint16_t, 8> registers = {0, 0, 0, 0, 0, 0, 0, 01000};
    Disassembler disassembler;
    std::array<common::NarrowString, 6> texts;
    common::WideString comment(u"stale");
    uint32_t flow = 0;
    std::array<int32_t, 7> widths{};

    const int32_t result = disassembler.Disassemble({true, registers, kPswZero, 0177777, memory}, texts[0], texts[1],
                                                    texts[2], texts[3], comment, texts[4], texts[5], flow, widths[0],
                                                    widths[1], widths[2], widths[3], widths[4], widths[5], widths[6]);

    EXPECT_EQ(result, 4);
    EXPECT_EQ(texts[0].View(), "001000");
    EXPECT_EQ(texts[1].View(), " 004737 002000");
    EXPECT_EQ(texts[2].View(), "JSR @#2000");
    EXPECT_EQ(texts[3].View(), "--Z--");
    EXPECT_EQ(std::u16string(comment.GetWide()), u"*call PC:=[001002]=002000");
    EXPECT_TRUE(texts[4].IsEmpty());
    EXPECT_TRUE(texts[5].IsEmpty());
    EXPECT_EQ(flow, kFlowReturnsToNext);
    EXPECT_EQ(widths, (std::array<int32_t, 7>{6, 17, 28, 5, 46, 0, 3}));
}

// An independent reference of the PDP-11 instruction shapes: which operand fields an instruction has. Whatever it
// does not list is illegal on the 1801BM1.
enum class Shape { NoOperand, Destination, AddressOperand, SourceAndDestination };

struct ShapeRange {
    uint16_t first;
    uint16_t last;
    Shape shape;
};

constexpr std::array<ShapeRange, 19> kShapes = {{
    {0000000, 0000006, Shape::NoOperand},            // HALT ... RTT
    {0000010, 0000017, Shape::NoOperand},            // reserved, traps to 4
    {0000100, 0000177, Shape::AddressOperand},       // JMP
    {0000200, 0000207, Shape::NoOperand},            // RTS
    {0000240, 0000277, Shape::NoOperand},            // condition codes
    {0000300, 0000377, Shape::Destination},          // SWAB
    {0000400, 0003777, Shape::NoOperand},            // branches
    {0004000, 0004777, Shape::AddressOperand},       // JSR
    {0005000, 0006377, Shape::Destination},          // CLR ... ASL
    {0006400, 0006477, Shape::NoOperand},            // MARK
    {0006700, 0006777, Shape::Destination},          // SXT
    {0010000, 0067777, Shape::SourceAndDestination}, // MOV ... ADD
    {0074000, 0074777, Shape::Destination},          // XOR
    {0077000, 0077777, Shape::NoOperand},            // SOB
    {0100000, 0104777, Shape::NoOperand},            // branches, EMT, TRAP
    {0105000, 0106477, Shape::Destination},          // CLRB ... ASLB, MTPS
    {0106700, 0106777, Shape::Destination},          // MFPS
    {0110000, 0157777, Shape::SourceAndDestination}, // MOVB ... BISB
    {0160000, 0167777, Shape::SourceAndDestination}, // SUB
}};

// Words an operand field adds to the instruction: an index, or an immediate or absolute word taken through PC.
struct ModeWords {
    const char* name;
    unsigned mode;
    bool onPc;
    int words;
};

constexpr std::array<ModeWords, 16> kModeWords = {{
    {"register", 0, false, 0},
    {"PC as a register", 0, true, 0},
    {"register deferred", 1, false, 0},
    {"PC deferred", 1, true, 0},
    {"autoincrement", 2, false, 0},
    {"immediate", 2, true, 1},
    {"autoincrement deferred", 3, false, 0},
    {"absolute", 3, true, 1},
    {"autodecrement", 4, false, 0},
    {"autodecrement on PC", 4, true, 0},
    {"autodecrement deferred", 5, false, 0},
    {"autodecrement deferred on PC", 5, true, 0},
    {"index", 6, false, 1},
    {"relative", 6, true, 1},
    {"index deferred", 7, false, 1},
    {"relative deferred", 7, true, 1},
}};

int OperandWords(unsigned field) {
    for (const ModeWords& mode : kModeWords) {
        if (mode.mode == ((field >> 3) & 7) && mode.onPc == ((field & 7) == 7)) {
            return mode.words;
        }
    }
    ADD_FAILURE() << "no reference for field " << std::oct << field;
    return 0;
}

// The length the reference expects, or -1 for what cannot be decoded.
int32_t ReferenceLength(uint16_t opcode) {
    for (const ShapeRange& range : kShapes) {
        if (opcode < range.first || opcode > range.last) {
            continue;
        }
        switch (range.shape) {
        case Shape::NoOperand:
            return 2;
        case Shape::Destination:
            return 2 + 2 * OperandWords(opcode & 077);
        case Shape::AddressOperand:
            return (opcode & 070) == 0 ? -1 : 2 + 2 * OperandWords(opcode & 077);
        case Shape::SourceAndDestination:
            return 2 + 2 * (OperandWords((opcode >> 6) & 077) + OperandWords(opcode & 077));
        }
    }
    return -1;
}

TEST(DisassemblerTest, LengthCountsTheWordsOfEachAddressingMode) {
    for (const ModeWords& mode : kModeWords) {
        SCOPED_TRACE(mode.name);
        const uint16_t field = mode.mode << 3 | (mode.onPc ? 7 : 3);
        struct Form {
            const char* name;
            uint16_t opcode;
            int32_t length;
        };
        const std::vector<Form> forms = {
            {"CLR", static_cast<uint16_t>(005000 | field), 2 + 2 * mode.words},
            {"TSTB", static_cast<uint16_t>(0105700 | field), 2 + 2 * mode.words},
            {"MOV from", static_cast<uint16_t>(010000 | field << 6), 2 + 2 * mode.words},
            {"MOV to", static_cast<uint16_t>(010000 | field), 2 + 2 * mode.words},
            {"ADD both", static_cast<uint16_t>(060000 | field << 6 | field), 2 + 4 * mode.words},
            {"JMP", static_cast<uint16_t>(000100 | field), mode.mode == 0 ? -1 : 2 + 2 * mode.words},
        };
        for (const Form& form : forms) {
            SCOPED_TRACE(form.name);
            Machine machine;
            machine.memory.SetWords(01000, {form.opcode});
            EXPECT_EQ(machine.Disassemble(), form.length);
        }
    }
}

// Every first word decodes: to the reference length, with one word of text per two bytes, or as illegal.
TEST(DisassemblerTest, EveryOpcodeDecodesToTheReferenceLength) {
    Machine machine;
    for (int reg = R0; reg <= SP; ++reg) {
        machine.registers[reg] = static_cast<uint16_t>(02000 + 0100 * reg);
    }
    for (uint32_t opcode = 0; opcode <= 0177777; ++opcode) {
        machine.memory.SetWords(01000, {static_cast<uint16_t>(opcode)});
        const int32_t result = machine.Disassemble();
        const int32_t expected = ReferenceLength(static_cast<uint16_t>(opcode));
        ASSERT_EQ(result, expected) << std::oct << opcode << " " << machine.line.instruction.View();
        const int32_t words = static_cast<int32_t>(machine.line.words.Length()) / 7;
        ASSERT_EQ(words, result < 0 ? 1 : result / 2) << std::oct << opcode;
        ASSERT_FALSE(machine.line.instruction.IsEmpty()) << std::oct << opcode;
        ASSERT_FALSE(machine.line.comment.IsEmpty()) << std::oct << opcode;
        if (result < 0) {
            ASSERT_NE(machine.line.flowFlags & kFlowTransfersControl, 0u) << std::oct << opcode;
        }
    }
    for (uint16_t address : machine.memory.wordAddresses) {
        ASSERT_EQ(address & 1, 0) << std::oct << address;
    }
}

// With nothing readable but the opcode itself, an instruction that needs more memory fails cleanly. (Only an
// autodecrement on PC reads the opcode word again.)
TEST(DisassemblerTest, EveryOpcodeSurvivesUnreadableOperands) {
    Machine machine;
    machine.memory.MakeUnreadable(0, 0777);
    machine.memory.MakeUnreadable(01002, 0177777);
    for (int reg = R0; reg <= SP; ++reg) {
        machine.registers[reg] = 04000;
    }
    for (uint32_t opcode = 0; opcode <= 0177777; ++opcode) {
        machine.memory.SetWords(01000, {static_cast<uint16_t>(opcode)});
        const int32_t result = machine.Disassemble();
        ASSERT_TRUE(result == -1 || result == 2 || result == 4 || result == 6) << std::oct << opcode;
        if (result < 0) {
            ASSERT_NE(machine.line.flowFlags & kFlowTransfersControl, 0u) << std::oct << opcode;
            ASSERT_FALSE(machine.line.comment.IsEmpty()) << std::oct << opcode;
        } else {
            ASSERT_EQ(machine.line.words.Length(), 7 * result / 2) << std::oct << opcode;
        }
    }
}

} // namespace
} // namespace emu
