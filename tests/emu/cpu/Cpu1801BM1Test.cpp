#include "emu/cpu/Cpu1801BM1.h"

#include "common/BasicOptionNode.h"
#include "support/Bytes.h"
#include "support/RamTestMachine.h"
#include "support/RecordingConsole.h"
#include "support/SecondProcessor.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint16_t kCode = 010000;
constexpr uint16_t kStack = 01000;

// Trap vector n points at 020000 + 0100 * n with PSW 0.
uint16_t Handler(uint32_t number) {
    return static_cast<uint16_t>(020000 + 0100 * number);
}

class Cpu1801BM1Test : public ::testing::Test {
protected:
    void SetUp() override {
        machine.Attach(cpu);
        int32_t rate = 0;
        ASSERT_TRUE(cpu.Start(rate));
        for (uint32_t number = 1; number < 64; ++number) {
            machine.Load(static_cast<uint16_t>(number * 4), {Handler(number), 0});
        }
        cpu.SetRegister(6, kStack);
        cpu.SetRegister(7, kCode);
        cpu.SetPsw(0);
    }

    test_support::RamTestMachine machine;
    emu::Cpu1801BM1 cpu;
};

using RegisterValues = std::vector<std::pair<int, uint16_t>>;
using MemoryValues = std::vector<std::pair<uint16_t, uint16_t>>;

struct InstructionCase {
    const char* name;
    std::vector<uint16_t> code; // at 010000
    RegisterValues registersBefore;
    MemoryValues memoryBefore;
    uint16_t pswBefore;
    RegisterValues registersAfter; // R7 included when it matters
    MemoryValues memoryAfter;
    uint16_t pswAfter;
    int32_t cycles;
};

// Condition codes as octal digits: N 010, Z 04, V 02, C 01.
const InstructionCase kInstructionCases[] = {
    // Moves through every addressing mode.
    {"MOV R0,R1", {010001}, {{0, 0123456}}, {}, 01, {{1, 0123456}}, {}, 011, 14},
    {"MOV (R0),R1", {011001}, {{0, 04000}}, {{04000, 0}}, 017, {{1, 0}}, {}, 05, 30},
    {"MOV (R0)+,R1", {012001}, {{0, 04000}}, {{04000, 7}}, 0, {{0, 04002}, {1, 7}}, {}, 0, 30},
    {"MOV @(R0)+,R1", {013001}, {{0, 04000}}, {{04000, 04100}, {04100, 5}}, 0, {{0, 04002}, {1, 5}}, {}, 0, 43},
    {"MOV -(R0),R1", {014001}, {{0, 04002}}, {{04000, 0100000}}, 0, {{0, 04000}, {1, 0100000}}, {}, 010, 30},
    {"MOV @-(R0),R1", {015001}, {{0, 04002}}, {{04000, 04100}, {04100, 9}}, 0, {{0, 04000}, {1, 9}}, {}, 0, 44},
    {"MOV 10(R0),R1", {016001, 010}, {{0, 04000}}, {{04010, 3}}, 0, {{1, 3}, {7, kCode + 4}}, {}, 0, 43},
    {"MOV @10(R0),R1", {017001, 010}, {{0, 04000}}, {{04010, 04100}, {04100, 4}}, 0, {{1, 4}}, {}, 0, 56},
    {"MOV #imm,R1", {012701, 0177777}, {}, {}, 0, {{1, 0177777}, {7, kCode + 4}}, {}, 010, 30},
    {"MOV @#abs,R1", {013701, 04000}, {}, {{04000, 2}}, 0, {{1, 2}}, {}, 0, 43},
    {"MOV rel,R1", {016701, 0100}, {}, {{kCode + 4 + 0100, 6}}, 0, {{1, 6}}, {}, 0, 43},
    {"MOV @X(R0),@X(R1)",
     {017071, 2, 4},
     {{0, 04000}, {1, 05000}},
     {{04002, 04100}, {04100, 042}, {05004, 05100}},
     0,
     {},
     {{05100, 042}},
     0,
     98},
    {"MOV R0,(R0)+ stores the old R0", {010020}, {{0, 04000}}, {}, 0, {{0, 04002}}, {{04000, 04000}}, 0, 41},
    {"MOVB (R0)+ steps R0 by 1",
     {0112001},
     {{0, 04001}},
     {{04000, 0x8000}},
     0,
     {{0, 04002}, {1, 0177600}},
     {},
     010,
     30},
    {"MOVB (SP)+ steps SP by 2",
     {0112601},
     {{6, 04000}},
     {{04000, 0x0080}},
     0,
     {{6, 04002}, {1, 0177600}},
     {},
     010,
     30},
    {"MOVB -(R0) steps R0 by 1", {0114001}, {{0, 04001}}, {{04000, 0x0041}}, 0, {{0, 04000}, {1, 0101}}, {}, 0, 30},
    {"MOVB to memory keeps the other byte",
     {0110011},
     {{0, 0377}, {1, 04001}},
     {{04000, 0x1234}},
     0,
     {},
     {{04000, 0xFF34}},
     010,
     37},
    {"MOVB to a register sign-extends", {0110001}, {{0, 0200}, {1, 0}}, {}, 0, {{1, 0177600}}, {}, 010, 14},
    {"word at an odd address reads the even one",
     {011001},
     {{0, 04001}},
     {{04000, 0xBEEF}},
     0,
     {{1, 0xBEEF}},
     {},
     010,
     30},
    // Two-operand arithmetic.
    {"ADD carry and zero", {060001}, {{0, 1}, {1, 0177777}}, {}, 0, {{1, 0}}, {}, 05, 14},
    {"ADD overflow", {060001}, {{0, 077777}, {1, 1}}, {}, 0, {{1, 0100000}}, {}, 012, 14},
    {"ADD (R0)+,-(R1)",
     {062041},
     {{0, 04000}, {1, 05002}},
     {{04000, 2}, {05000, 3}},
     0,
     {{0, 04002}, {1, 05000}},
     {{05000, 5}},
     0,
     56},
    {"ADD R0,(R1)+ increments R1 once",
     {060021},
     {{0, 1}, {1, 04000}},
     {{04000, 1}},
     0,
     {{1, 04002}},
     {{04000, 2}},
     0,
     47},
    {"SUB borrow", {0160001}, {{0, 2}, {1, 1}}, {}, 0, {{1, 0177777}}, {}, 011, 14},
    {"SUB overflow", {0160001}, {{0, 1}, {1, 0100000}}, {}, 0, {{1, 077777}}, {}, 02, 14},
    {"CMP less", {020001}, {{0, 1}, {1, 2}}, {}, 0, {{0, 1}, {1, 2}}, {}, 011, 14},
    {"CMP overflow", {020001}, {{0, 0100000}, {1, 1}}, {}, 0, {}, {}, 02, 14},
    {"CMPB compares low bytes", {0120001}, {{0, 0x0101}, {1, 0x0201}}, {}, 0, {}, {}, 04, 14},
    {"BIT keeps C", {030001}, {{0, 0100000}, {1, 0177777}}, {}, 03, {}, {}, 011, 14},
    {"BIC", {040001}, {{0, 0x00FF}, {1, 0x1234}}, {}, 02, {{1, 0x1200}}, {}, 0, 14},
    {"BIS", {050001}, {{0, 0x8000}, {1, 1}}, {}, 0, {{1, 0x8001}}, {}, 010, 14},
    {"BISB to a register keeps the high byte", {0150001}, {{0, 0x80}, {1, 0x1201}}, {}, 0, {{1, 0x1281}}, {}, 010, 14},
    {"XOR", {074001}, {{0, 0x00FF}, {1, 0x0F0F}}, {}, 03, {{1, 0x0FF0}}, {}, 01, 14},
    // One-operand instructions.
    {"CLR -(SP)", {005046}, {}, {{kStack - 2, 7}}, 017, {{6, kStack - 2}}, {{kStack - 2, 0}}, 04, 41},
    {"COM", {005100}, {{0, 0}}, {}, 0, {{0, 0177777}}, {}, 011, 14},
    {"INC overflow keeps C", {005200}, {{0, 077777}}, {}, 01, {{0, 0100000}}, {}, 013, 14},
    {"DEC overflow", {005300}, {{0, 0100000}}, {}, 0, {{0, 077777}}, {}, 02, 14},
    {"NEG of 100000", {005400}, {{0, 0100000}}, {}, 0, {{0, 0100000}}, {}, 013, 14},
    {"NEG of 0", {005400}, {{0, 0}}, {}, 01, {{0, 0}}, {}, 04, 14},
    {"ADC to 100000", {005500}, {{0, 077777}}, {}, 01, {{0, 0100000}}, {}, 012, 14},
    {"ADC to 0", {005500}, {{0, 0177777}}, {}, 01, {{0, 0}}, {}, 05, 14},
    {"SBC to 177777", {005600}, {{0, 0}}, {}, 01, {{0, 0177777}}, {}, 011, 14},
    {"SBC to 077777", {005600}, {{0, 0100000}}, {}, 01, {{0, 077777}}, {}, 02, 14},
    // V whenever the result is 077777 (0177), without a carry too: simh's LSI-11 clears it there.
    {"SBC of 077777 without carry", {005600}, {{0, 077777}}, {}, 0, {{0, 077777}}, {}, 02, 14},
    {"SBCB of 0177 without carry", {0105600}, {{0, 0177}}, {}, 0, {{0, 0177}}, {}, 02, 14},
    {"TST @(R0)+", {005730}, {{0, 04000}}, {{04000, 04100}, {04100, 0}}, 03, {{0, 04002}}, {}, 04, 42},
    {"TSTB", {0105700}, {{0, 0x0180}}, {}, 0, {}, {}, 010, 14},
    {"ROR", {006000}, {{0, 1}}, {}, 0, {{0, 0}}, {}, 07, 14},
    {"ROL", {006100}, {{0, 0100000}}, {}, 01, {{0, 1}}, {}, 03, 14},
    {"ASR", {006200}, {{0, 0100001}}, {}, 0, {{0, 0140000}}, {}, 011, 14},
    {"ASL", {006300}, {{0, 040000}}, {}, 0, {{0, 0100000}}, {}, 012, 14},
    {"RORB", {0106000}, {{0, 0x1201}}, {}, 01, {{0, 0x1280}}, {}, 011, 14},
    {"INCB wraps", {0105200}, {{0, 0x12FF}}, {}, 0, {{0, 0x1200}}, {}, 04, 14},
    {"SWAB", {000300}, {{0, 0x80FF}}, {}, 017, {{0, 0xFF80}}, {}, 010, 14},
    {"SXT with N", {006700}, {{0, 5}}, {}, 014, {{0, 0177777}}, {}, 010, 14},
    {"SXT without N", {006700}, {{0, 5}}, {}, 03, {{0, 0}}, {}, 05, 14},
    {"MFPS R0 sign-extends", {0106700}, {{0, 0}}, {}, 0200, {{0, 0177600}}, {}, 0210, 14},
    {"MTPS cannot clear T", {0106400}, {{0, 0}}, {}, 020, {{7, Handler(3)}}, {{kStack - 2, 020}}, 0, 26 + 81},
    {"MTPS cannot set T", {0106400}, {{0, 0377}}, {}, 0, {}, {}, 0357, 26},
    // Control.
    {"BR back", {000777}, {}, {}, 0, {{7, kCode}}, {}, 0, 17},
    {"BNE taken", {001002}, {}, {}, 0, {{7, kCode + 6}}, {}, 0, 17},
    {"BNE not taken", {001002}, {}, {}, 04, {{7, kCode + 2}}, {}, 04, 17},
    {"BGT", {003002}, {}, {}, 012, {{7, kCode + 6}}, {}, 012, 17},
    {"BLE", {003402}, {}, {}, 010, {{7, kCode + 6}}, {}, 010, 17},
    {"BHI not taken", {0101002}, {}, {}, 01, {{7, kCode + 2}}, {}, 01, 17},
    {"BCS", {0103402}, {}, {}, 01, {{7, kCode + 6}}, {}, 01, 17},
    {"JMP (R0)", {000110}, {{0, 04000}}, {}, 0, {{7, 04000}}, {}, 0, 24},
    {"JSR PC,@(SP)+", {004736}, {}, {{kStack, 04000}}, 0, {{6, kStack}, {7, 04000}}, {{kStack, kCode + 2}}, 0, 49},
    {"JSR R5,(R0)",
     {004510},
     {{0, 04000}, {5, 0123}},
     {},
     0,
     {{5, kCode + 2}, {6, kStack - 2}, {7, 04000}},
     {{kStack - 2, 0123}},
     0,
     24},
    {"RTS PC", {000207}, {}, {{kStack, 04000}}, 0, {{6, kStack + 2}, {7, 04000}}, {}, 0, 33},
    {"RTS R5", {000205}, {{5, 04000}}, {{kStack, 0111}}, 0, {{5, 0111}, {6, kStack + 2}, {7, 04000}}, {}, 0, 33},
    {"SOB loops", {077102}, {{1, 2}}, {}, 0, {{1, 1}, {7, kCode - 2}}, {}, 0, 22},
    {"SOB falls through", {077102}, {{1, 1}}, {}, 0, {{1, 0}, {7, kCode + 2}}, {}, 0, 22},
    {"MARK", {006401}, {{5, 04000}}, {{kCode + 4, 0555}}, 0, {{5, 0555}, {6, kCode + 6}, {7, 04000}}, {}, 0, 36},
    {"RTI", {000002}, {}, {{kStack, 04000}, {kStack + 2, 0217}}, 0, {{6, kStack + 4}, {7, 04000}}, {}, 0217, 46},
    {"SEC SEV", {000263}, {}, {}, 0, {}, {}, 03, 14},
    {"CLN CLZ", {000254}, {}, {}, 017, {}, {}, 03, 14},
    {"NOP", {000240}, {}, {}, 05, {}, {}, 05, 14},
    {"RESET changes nothing", {000005}, {{0, 1}}, {}, 0340, {{0, 1}, {7, kCode + 2}}, {}, 0340, 1140},
    {"WAIT stays", {000001}, {}, {}, 0, {{7, kCode}}, {}, 0, 1},
};

TEST_F(Cpu1801BM1Test, InstructionsGiveTheirResultsFlagsAndCycles) {
    for (const InstructionCase& test : kInstructionCases) {
        SCOPED_TRACE(test.name);
        SetUp();
        uint16_t address = kCode;
        for (uint16_t word : test.code) {
            machine.SetWord(address, word);
            address += 2;
        }
        for (const auto& [at, value] : test.memoryBefore) {
            machine.SetWord(at, value);
        }
        for (const auto& [index, value] : test.registersBefore) {
            cpu.SetRegister(index, value);
        }
        cpu.SetPsw(test.pswBefore);
        EXPECT_EQ(cpu.Execute(0), test.cycles);
        for (const auto& [index, value] : test.registersAfter) {
            EXPECT_EQ(cpu.Register(index), value) << "R" << index;
        }
        for (const auto& [at, value] : test.memoryAfter) {
            EXPECT_EQ(machine.Word(at), value) << "at " << std::oct << at;
        }
        EXPECT_EQ(cpu.Psw(), test.pswAfter);
    }
}

TEST_F(Cpu1801BM1Test, EveryBranchFollowsItsConditionUnderEverySetOfFlags) {
    struct BranchCase {
        const char* name;
        uint16_t opcode; // offset +2 words
        bool (*taken)(bool n, bool z, bool v, bool c);
    };
    const BranchCase cases[] = {
        {"BR", 000402, [](bool, bool, bool, bool) { return true; }},
        {"BNE", 001002, [](bool, bool z, bool, bool) { return !z; }},
        {"BEQ", 001402, [](bool, bool z, bool, bool) { return z; }},
        {"BGE", 002002, [](bool n, bool, bool v, bool) { return n == v; }},
        {"BLT", 002402, [](bool n, bool, bool v, bool) { return n != v; }},
        {"BGT", 003002, [](bool n, bool z, bool v, bool) { return !z && n == v; }},
        {"BLE", 003402, [](bool n, bool z, bool v, bool) { return z || n != v; }},
        {"BPL", 0100002, [](bool n, bool, bool, bool) { return !n; }},
        {"BMI", 0100402, [](bool n, bool, bool, bool) { return n; }},
        {"BHI", 0101002, [](bool, bool z, bool, bool c) { return !c && !z; }},
        {"BLOS", 0101402, [](bool, bool z, bool, bool c) { return c || z; }},
        {"BVC", 0102002, [](bool, bool, bool v, bool) { return !v; }},
        {"BVS", 0102402, [](bool, bool, bool v, bool) { return v; }},
        {"BCC", 0103002, [](bool, bool, bool, bool c) { return !c; }},
        {"BCS", 0103402, [](bool, bool, bool, bool c) { return c; }},
    };
    for (const BranchCase& test : cases) {
        for (uint16_t flags = 0; flags < 16; ++flags) {
            SCOPED_TRACE(std::string(test.name) + " with NZVC " + std::to_string(flags));
            machine.SetWord(kCode, test.opcode);
            cpu.SetRegister(7, kCode);
            // The priority bits around the flags must not take part.
            cpu.SetPsw(static_cast<uint16_t>(0340 | flags));
            EXPECT_EQ(cpu.Execute(0), 17);
            const bool taken = test.taken((flags & 010) != 0, (flags & 04) != 0, (flags & 02) != 0, (flags & 01) != 0);
            EXPECT_EQ(cpu.Register(7), taken ? kCode + 6 : kCode + 2);
            EXPECT_EQ(cpu.Psw(), 0340 | flags);
        }
    }
}

// Cost of an instruction for every pair of source and destination modes, with both registers pointing at RAM.
std::array<std::array<int32_t, 8>, 8> MeasurePairCosts(test_support::RamTestMachine& machine, emu::Cpu1801BM1& cpu,
                                                       uint16_t operation) {
    std::array<std::array<int32_t, 8>, 8> costs{};
    for (uint16_t source = 0; source < 8; ++source) {
        for (uint16_t destination = 0; destination < 8; ++destination) {
            machine.Load(kCode, {static_cast<uint16_t>(operation | source << 9 | destination << 3 | 1), 0, 0});
            machine.Load(04000, {04000, 04000});
            cpu.SetRegister(0, 04002);
            cpu.SetRegister(1, 04002);
            cpu.SetRegister(7, kCode);
            costs[source][destination] = cpu.Execute(0);
        }
    }
    return costs;
}

TEST_F(Cpu1801BM1Test, TwoOperandCostsFollowTheModePairTables) {
    using Table = std::array<std::array<int32_t, 8>, 8>;
    const Table move = {{{14, 37, 41, 49, 41, 50, 49, 64},
                         {30, 45, 49, 59, 49, 59, 59, 72},
                         {30, 46, 49, 59, 49, 59, 59, 72},
                         {43, 59, 62, 72, 62, 73, 73, 84},
                         {30, 47, 49, 59, 49, 60, 59, 73},
                         {44, 60, 63, 73, 63, 73, 73, 86},
                         {43, 59, 62, 73, 62, 73, 73, 85},
                         {56, 73, 73, 85, 73, 86, 85, 98}}};
    const Table compare = {{{14, 35, 35, 49, 36, 49, 49, 61},
                            {30, 43, 43, 57, 44, 58, 57, 70},
                            {30, 43, 43, 57, 44, 58, 57, 70},
                            {43, 57, 57, 70, 58, 71, 70, 83},
                            {31, 44, 44, 57, 45, 58, 57, 71},
                            {44, 57, 57, 71, 58, 72, 71, 84},
                            {43, 57, 57, 70, 57, 71, 70, 83},
                            {56, 70, 70, 83, 71, 84, 83, 96}}};
    const Table arithmetic = {{{14, 47, 47, 60, 49, 61, 60, 73},
                               {30, 55, 55, 69, 56, 70, 69, 82},
                               {30, 55, 55, 69, 56, 70, 69, 82},
                               {43, 68, 68, 82, 70, 83, 82, 95},
                               {30, 56, 56, 69, 56, 70, 69, 82},
                               {44, 69, 69, 82, 70, 83, 82, 96},
                               {43, 68, 68, 82, 70, 83, 82, 95},
                               {56, 81, 81, 95, 82, 95, 95, 108}}};
    const std::pair<uint16_t, const Table*> operations[] = {
        {010000, &move},       {0110000, &move},       {020000, &compare},    {0130000, &compare},
        {040000, &arithmetic}, {0150000, &arithmetic}, {060000, &arithmetic}, {0160000, &arithmetic},
    };
    for (const auto& [operation, table] : operations) {
        SCOPED_TRACE(operation);
        EXPECT_EQ(MeasurePairCosts(machine, cpu, operation), *table);
    }
}

TEST_F(Cpu1801BM1Test, OneOperandCostsFollowTheDestinationMode) {
    const std::pair<uint16_t, std::array<int32_t, 8>> cases[] = {
        {005000, {14, 41, 41, 54, 41, 55, 54, 67}},  // CLR: modify
        {0105700, {14, 29, 29, 42, 30, 43, 42, 56}}, // TSTB: test
        {074000, {14, 43, 43, 56, 44, 56, 56, 70}},  // XOR
        {0106400, {26, 35, 35, 48, 35, 49, 48, 61}}, // MTPS
        {004700, {81, 24, 40, 49, 40, 49, 49, 61}},  // JSR PC (mode 0 traps)
        {000100, {81, 24, 26, 35, 26, 35, 35, 48}},  // JMP (mode 0 traps)
    };
    for (const auto& [operation, expected] : cases) {
        std::array<int32_t, 8> costs{};
        for (uint16_t mode = 0; mode < 8; ++mode) {
            SetUp();
            machine.Load(kCode, {static_cast<uint16_t>(operation | mode << 3 | 1), 0});
            machine.Load(04000, {04000, 04000});
            cpu.SetRegister(1, 04002);
            costs[mode] = cpu.Execute(0);
        }
        EXPECT_EQ(costs, expected) << std::oct << operation;
    }
}

struct TrapCase {
    const char* name;
    uint16_t opcode;
    uint32_t number;
    int32_t cycles;
};

TEST_F(Cpu1801BM1Test, TrapsPushPswAndPcAndEnterTheirVector) {
    const TrapCase cases[] = {
        {"HALT", 000000, 1, 144 + 81},
        {"reserved 000010", 000010, 1, 81},
        {"JMP R0", 000100, 1, 81},
        {"JSR PC,R0", 004700, 1, 81},
        {"illegal 000007", 000007, 2, 81},
        {"SPL", 000230, 2, 81},
        {"MFPI", 006500, 2, 81},
        {"MUL", 070000, 2, 81},
        {"ASHC", 073000, 2, 81},
        {"FP11", 0170000, 2, 81},
        {"illegal 107000", 0107000, 2, 81},
        {"BPT", 000003, 3, 81},
        {"IOT", 000004, 4, 81},
        {"EMT 5", 0104005, 6, 81},
        {"TRAP", 0104400, 7, 81},
    };
    for (const TrapCase& test : cases) {
        SCOPED_TRACE(test.name);
        SetUp();
        machine.Load(kCode, {test.opcode});
        cpu.SetPsw(0217);
        EXPECT_EQ(cpu.Execute(0), test.cycles);
        EXPECT_EQ(cpu.Register(7), Handler(test.number));
        EXPECT_EQ(cpu.Register(6), kStack - 4);
        EXPECT_EQ(machine.Word(kStack - 2), 0217);
        EXPECT_EQ(machine.Word(kStack - 4), kCode + 2);
        EXPECT_EQ(cpu.Psw(), 0);
        EXPECT_EQ((cpu.Sel1() & emu::Cpu1801BM1::kSel1Halted) != 0, test.opcode == 0);
    }
}

TEST_F(Cpu1801BM1Test, EmtAndTrapOfferTheirLowByteToTheHook) {
    machine.HookTrap(6, 10);
    machine.Load(kCode, {0104005, 0104401});
    EXPECT_EQ(cpu.Execute(0), 91);
    EXPECT_EQ(cpu.Register(7), kCode + 2) << "the hook served the EMT";
    EXPECT_EQ(cpu.Register(6), kStack);
    EXPECT_EQ(cpu.Execute(0), 81);
    const std::vector<test_support::RamTestMachine::HookCall> expected = {{6, 5}, {7, 1}};
    EXPECT_EQ(machine.HookCalls(), expected);
}

TEST_F(Cpu1801BM1Test, TrapEntryFollowsThePriorityDrop) {
    const struct {
        uint16_t pswBefore;
        uint16_t vectorPsw;
        uint16_t pswAfter;
        bool armed;
    } cases[] = {{0, 0340, 0340, false}, {0200, 0, 0, true}, {0xFF00, 0340, 0xFFE0, false}};
    for (const auto& test : cases) {
        SetUp();
        machine.Load(kCode, {000003});
        machine.Load(014, {Handler(3), test.vectorPsw});
        machine.Load(Handler(3), {000240, 000240});
        cpu.SetPsw(test.pswBefore);
        // Nothing pending: a poll would clear the check flag.
        cpu.Execute(0);
        EXPECT_EQ(cpu.Psw(), test.pswAfter);
        const int32_t pollsBefore = machine.Polls();
        cpu.Execute(0);
        cpu.Execute(0);
        EXPECT_EQ(machine.Polls() > pollsBefore, test.armed);
    }
}

TEST_F(Cpu1801BM1Test, TrapWithSpZeroWrapsTheStack) {
    machine.Load(kCode, {000004});
    cpu.SetRegister(6, 0);
    cpu.Execute(0);
    EXPECT_EQ(cpu.Register(6), 0177774);
    EXPECT_EQ(machine.Word(0177774), kCode + 2);
}

TEST_F(Cpu1801BM1Test, PostedVectorComesBeforeInterruptsAndReplacesAnEarlierOne) {
    machine.Load(kCode, {000240});
    cpu.RequestInterruptVector(010);
    cpu.RequestInterruptVector(7);
    EXPECT_EQ(cpu.PendingVector(), 4);
    machine.RequestInterrupt(040);
    EXPECT_EQ(cpu.Execute(0), 81);
    EXPECT_EQ(cpu.Register(7), Handler(1));
    EXPECT_EQ(machine.Polls(), 0);
    EXPECT_EQ(cpu.PendingVector(), emu::Cpu1801BM1::kNoPendingVector);
}

TEST_F(Cpu1801BM1Test, HardwareInterruptsArePolledEveryTwentyBoundaries) {
    // A loop of NOPs; the handler at 020000 + 0100 * 040 returns at once.
    for (uint16_t at = kCode; at < kCode + 0200; at += 2) {
        machine.SetWord(at, 000240);
    }
    for (uint16_t at = Handler(040); at < Handler(040) + 0200; at += 2) {
        machine.SetWord(at, 000240);
    }
    machine.RequestInterrupt(040);
    machine.RequestInterrupt(040);
    EXPECT_EQ(cpu.Execute(0), 81);
    EXPECT_EQ(cpu.Register(7), Handler(040));
    EXPECT_EQ(machine.Acknowledged(), 1);
    for (int boundary = 0; boundary < 20; ++boundary) {
        EXPECT_EQ(cpu.Execute(0), 14) << boundary;
    }
    EXPECT_EQ(machine.Polls(), 1);
    EXPECT_EQ(cpu.Execute(0), 81);
    EXPECT_EQ(machine.Acknowledged(), 2);
    // Nothing left: the next poll clears the check flag and polling stops.
    for (int boundary = 0; boundary < 25; ++boundary) {
        cpu.Execute(0);
    }
    EXPECT_EQ(machine.Polls(), 3);
}

TEST_F(Cpu1801BM1Test, RtiDroppingThePriorityPollsAtTheNextBoundary) {
    machine.Load(kCode, {000002, 000240, 000240});
    machine.Load(kStack, {kCode + 2, 0});
    cpu.SetPsw(0340);
    cpu.Execute(0); // the flag was set at start: this poll finds nothing
    const int32_t polls = machine.Polls();
    cpu.Execute(0);
    EXPECT_EQ(machine.Polls(), polls + 1);
}

// The processor's own interrupt test and a traps diagnostic: with an interrupt waiting behind the priority, the
// instruction that drops PSW bit 7 is the last one before the interrupt is entered.
TEST_F(Cpu1801BM1Test, AWaitingInterruptIsEnteredAtTheBoundaryAfterThePriorityDrops) {
    constexpr uint16_t kTrapVectorNumber = 034 / 4;
    struct Case {
        const char* name;
        std::vector<uint16_t> code;
        uint16_t trapVectorPsw;
        uint16_t interruptedAt; // the return address the interrupt stacks
    };
    const Case cases[] = {
        // MTPS #0, then TRAP 0: the TRAP must not run first.
        {"MTPS #0 then TRAP", {0106427, 0, 0104400}, 0200, kCode + 4},
        // TRAP 0 whose vector PSW is 0: the handler's first instruction must not run first.
        {"TRAP with vector PSW 0", {0104400}, 0, Handler(kTrapVectorNumber)},
        // RTI to a PSW of 0.
        {"RTI to PSW 0", {000002}, 0200, kCode + 040},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        SetUp();
        machine.MaskRequestsWhile([this] { return (cpu.Psw() & 0200) != 0; });
        for (size_t index = 0; index < test.code.size(); ++index) {
            machine.SetWord(static_cast<uint16_t>(kCode + 2 * index), test.code[index]);
        }
        machine.Load(034, {Handler(kTrapVectorNumber), test.trapVectorPsw});
        machine.Load(kStack, {kCode + 040, 0});
        cpu.SetPsw(0200);
        machine.RequestInterrupt(040);
        const int32_t acknowledged = machine.Acknowledged();
        cpu.Execute(0); // drops the priority
        EXPECT_EQ(machine.Acknowledged(), acknowledged);
        cpu.Execute(0);
        EXPECT_EQ(machine.Acknowledged(), acknowledged + 1);
        EXPECT_EQ(cpu.Register(7), Handler(040));
        EXPECT_EQ(machine.Word(cpu.Register(6)), test.interruptedAt);
    }
}

TEST_F(Cpu1801BM1Test, InterruptDuringWaitReturnsBehindItAPostedVectorDoesNot) {
    machine.Load(kCode, {000001});
    EXPECT_EQ(cpu.Execute(0), 1);
    EXPECT_EQ(cpu.Execute(5), 5) << "WAIT runs once per cycle";
    machine.RequestInterrupt(040);
    cpu.RequestInterruptCheck();
    cpu.Execute(0);
    EXPECT_EQ(machine.Word(kStack - 4), kCode + 2);
    SetUp();
    machine.Load(kCode, {000001});
    cpu.Execute(0);
    cpu.RequestInterruptVector(4);
    cpu.Execute(0);
    EXPECT_EQ(machine.Word(kStack - 4), kCode);
}

TEST_F(Cpu1801BM1Test, TraceTrapFollowsRtiAtOnceAndRttAfterTheNextInstruction) {
    for (const uint16_t opcode : {000002, 000006}) {
        SetUp();
        machine.Load(kCode, {opcode});
        machine.Load(04000, {000240, 000240});
        machine.Load(kStack, {04000, 020});
        const int32_t cycles = cpu.Execute(0);
        if (opcode == 000002) {
            EXPECT_EQ(cycles, 46 + 81);
            EXPECT_EQ(cpu.Register(7), Handler(3));
        } else {
            EXPECT_EQ(cycles, 46);
            EXPECT_EQ(cpu.Execute(0), 14 + 81);
            EXPECT_EQ(machine.Word(cpu.Register(6)), 04002);
        }
    }
}

TEST_F(Cpu1801BM1Test, AbortedInstructionRollsBackAndRunsAgainInFull) {
    machine.SetPageKind(07000 >> 10, test_support::RamTestMachine::PageKind::Absent);
    machine.Load(kCode, {012031}); // MOV (R0)+,@(R1)+
    machine.Load(04000, {0777, 07000});
    cpu.SetRegister(0, 04000);
    cpu.SetRegister(1, 04002);
    machine.AbortAt(07000);
    EXPECT_EQ(cpu.Execute(100), 0);
    EXPECT_EQ(cpu.Register(0), 04000);
    EXPECT_EQ(cpu.Register(1), 04002);
    EXPECT_EQ(cpu.Register(7), kCode);
    EXPECT_FALSE(cpu.BusFault());
    machine.AbortAt(-1);
    machine.SetPageKind(07000 >> 10, test_support::RamTestMachine::PageKind::Ram);
    EXPECT_EQ(cpu.Execute(0), 59);
    EXPECT_EQ(machine.Word(07000), 0777);
    EXPECT_EQ(cpu.Register(0), 04002);
    EXPECT_EQ(cpu.Register(1), 04004);
}

TEST_F(Cpu1801BM1Test, BreakOnIllegalOpcodeLeavesPcAtTheInstruction) {
    test_support::RecordingConsole console;
    cpu.SetConsole(&console);
    machine.BreakOnReports(true);
    cpu.TraceOptions().breakIllegalOpcode = true;
    machine.Load(kCode, {000007});
    EXPECT_EQ(cpu.Execute(100), 0);
    EXPECT_EQ(cpu.Register(7), kCode);
    EXPECT_EQ(cpu.Register(6), kStack);
    ASSERT_EQ(console.Texts().size(), 1u);
    EXPECT_EQ(console.Texts()[0], "[CPU BREAK] Illegal Opcode 000007 at [010000]");
}

// Each traced group names the instruction (EIS also its mnemonic) and where it stands.
TEST_F(Cpu1801BM1Test, TracedInstructionsPrintTheirLines) {
    struct TraceCase {
        const char* name;
        uint16_t opcode;
        bool emu::Cpu1801BM1::Options::*trace;
        std::vector<std::string> lines;
    };
    const TraceCase cases[] = {
        {"ASH", 072000, &emu::Cpu1801BM1::Options::traceEIS, {"[CPU] EIS Instruction (ASH) at [010000]"}},
        {"MUL with the illegal opcode traced",
         070000,
         &emu::Cpu1801BM1::Options::traceIllegalOpcode,
         {"[CPU] Illegal Opcode 070000 at [010000]"}},
        {"FP11", 0170000, &emu::Cpu1801BM1::Options::traceFP11, {"[CPU] FP11 Instruction at [010000]"}},
        {"HALT", 000000, &emu::Cpu1801BM1::Options::traceHALT, {"[CPU] HALT at [010000]"}},
        {"RESET", 000005, &emu::Cpu1801BM1::Options::traceRESET, {"[CPU] RESET at [010000]"}},
    };
    test_support::RecordingConsole console;
    cpu.SetConsole(&console);
    for (const TraceCase& test : cases) {
        SCOPED_TRACE(test.name);
        SetUp();
        console.ClearLines();
        cpu.TraceOptions() = {};
        cpu.TraceOptions().*test.trace = true;
        machine.Load(kCode, {test.opcode});
        cpu.Execute(0);
        EXPECT_EQ(console.Texts(), test.lines);
    }
}

TEST_F(Cpu1801BM1Test, BreakAtAddress1000StopsBeforeTheFetch) {
    machine.BreakOnReports(true);
    cpu.TraceOptions().breakExec1000 = true;
    machine.Load(01000, {000240});
    cpu.SetRegister(7, 01001);
    cpu.SetRegister(6, 0);
    EXPECT_EQ(cpu.Execute(100), 0);
    EXPECT_EQ(cpu.Register(7), 01001);
    EXPECT_EQ(machine.BreakQueries(), 1);
}

TEST_F(Cpu1801BM1Test, InstructionThatDoesNotFitIsParkedAndPaidForLater) {
    machine.Load(kCode, {060001, 000240}); // ADD R0,R1 (14), NOP (14)
    cpu.SetRegister(0, 1);
    EXPECT_EQ(cpu.Execute(10), 10);
    EXPECT_EQ(cpu.Register(7), kCode);
    EXPECT_EQ(cpu.Register(1), 0);
    // Parked across a state round trip as well.
    const test_support::Bytes saved = test_support::Archived(test_support::SavingOwnData(cpu));
    test_support::SecondProcessor<emu::Cpu1801BM1> copy;
    copy.CopyMemoryFrom(machine);
    ASSERT_TRUE(test_support::Reads(saved, test_support::LoadingOwnData(copy.cpu)));
    for (emu::Cpu1801BM1* processor : {&cpu, &copy.cpu}) {
        // 4 cycles still owed, then 6 left: not enough for the NOP, which is parked in turn.
        EXPECT_EQ(processor->Execute(10), 10);
        EXPECT_EQ(processor->Register(1), 1);
        EXPECT_EQ(processor->Register(7), kCode + 2);
        EXPECT_EQ(processor->Execute(8), 8);
        EXPECT_EQ(processor->Register(7), kCode + 4);
    }
}

// The exact bytes of the processor's chunk and its own values, so a mistake made alike in writer and reader shows.
TEST_F(Cpu1801BM1Test, SavedStateHasItsGoldenBytesAndLoadsBack) {
    using test_support::BlobValue;
    using test_support::BoolValue;
    using test_support::ChunkBegin;
    using test_support::ChunkEnd;
    using test_support::I32Value;
    using test_support::I64Value;
    using test_support::U16Value;
    using test_support::U32Value;
    using test_support::U64Value;
    using test_support::U8Value;
    machine.Load(kCode, {000240, 000240, 000240, 000240}); // NOPs of 14 cycles
    const uint16_t registerValues[] = {0100001, 0002, 0040003, 0177774, 0005, 0123456, kStack - 2, kCode};
    for (int index = 0; index < 8; ++index) {
        cpu.SetRegister(index, registerValues[index]);
    }
    cpu.SetPsw(0017); // N Z V C
    // Three NOPs, then a fourth parked (its whole cost kept, 8 cycles of it paid, its PC past the opcode).
    ASSERT_EQ(cpu.Execute(50), 50);
    ASSERT_EQ(cpu.Register(7), kCode + 6);
    const test_support::Bytes ratioOne = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    const test_support::Bytes golden = test_support::Concat({
        ChunkBegin("_CPU"),
        U8Value("VER", 0),
        I64Value("FREQ", 1000000),
        U64Value("CYCL", 50),
        I64Value("FFREQ", 1000000),
        U64Value("LCYCL", 0),
        U64Value("LSCYCL", 0),
        BlobValue("CFREQ", ratioOne),
        BoolValue("IFFREQ", false),
        I32Value("MCYCL", 0),
        I32Value("ECYCL", 0),
        I32Value("SCYCL", 0),
        I32Value("PCYCL", 8),
        U64Value("AMSK", 0xFFFF),
        BoolValue("NMI", false),
        U32Value("CRID", 0),
        BoolValue("CHWI", false),
        BoolValue("AHWI", true),
        I32Value("HWID", 0),
        U64Value("FMSK", 0xFFFFFFFFFFFFFFFF),
        BoolValue("WFLT", false),
        BoolValue("STEVT", false),
        U32Value("CNEVT", 0),
        I32Value("CBEVT", 0x7FFFFFFF),
        ChunkEnd("_CPU"),
        U8Value("VER", 0),
        U16Value("FLAGS", 0017),
        U16Value("R0", 0100001),
        U16Value("R1", 0002),
        U16Value("R2", 0040003),
        U16Value("R3", 0177774),
        U16Value("R4", 0005),
        U16Value("R5", 0123456),
        U16Value("R6", kStack - 2),
        U16Value("R7", kCode + 6),
        U16Value("SEL1", 0200),
        I32Value("TRPI", emu::Cpu1801BM1::kNoPendingVector),
        U16Value("PAROP", 000240),
        U16Value("PARPC", kCode + 8),
        I32Value("PARCY", 14),
    });
    const test_support::Bytes saved = test_support::Archived(test_support::SavingOwnData(cpu));
    // What the device base writes comes first; the processor's part is the end of the state.
    ASSERT_GE(saved.size(), golden.size());
    const test_support::Bytes head(saved.begin(), saved.end() - static_cast<std::ptrdiff_t>(golden.size()));
    const test_support::Bytes tail(saved.end() - static_cast<std::ptrdiff_t>(golden.size()), saved.end());
    EXPECT_EQ(tail, golden);

    // The golden bytes load into a fresh processor, which then runs on as the first one does.
    test_support::SecondProcessor<emu::Cpu1801BM1> second;
    second.CopyMemoryFrom(machine);
    emu::Cpu1801BM1& copy = second.cpu;
    bool consumedAll = false;
    ASSERT_TRUE(
        test_support::Reads(test_support::Concat({head, golden}), test_support::LoadingOwnData(copy), &consumedAll));
    EXPECT_TRUE(consumedAll);
    EXPECT_EQ(copy.Psw(), 0017);
    for (int index = 0; index < 7; ++index) {
        EXPECT_EQ(copy.Register(index), registerValues[index]) << "R" << index;
    }
    EXPECT_EQ(copy.Register(7), kCode + 6);
    EXPECT_EQ(copy.Cycles(), 50u);
    for (emu::Cpu1801BM1* processor : {&cpu, &copy}) {
        // 6 cycles still owed for the parked NOP, then one more NOP.
        EXPECT_EQ(processor->Execute(20), 20);
        EXPECT_EQ(processor->Register(7), kCode + 8);
        EXPECT_EQ(processor->Cycles(), 70u);
    }
}

TEST_F(Cpu1801BM1Test, AParkedCostOutOfRangeIsRefusedAndChangesNothing) {
    machine.Load(kCode, {060001, 000240}); // ADD R0,R1 (14), parked after 10
    EXPECT_EQ(cpu.Execute(10), 10);
    const test_support::Bytes saved = test_support::Archived(test_support::SavingOwnData(cpu));
    const test_support::Bytes costs[] = {{0x00, 0x00, 0x00, 0x80}, {0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0x7F}};
    for (const test_support::Bytes& cost : costs) {
        test_support::Bytes crafted = test_support::WithRecordValue(saved, "PARCY", cost);
        ASSERT_NE(crafted, saved);
        EXPECT_FALSE(test_support::Reads(crafted, test_support::LoadingOwnData(cpu)));
        // Still owing 4 cycles for the parked ADD.
        EXPECT_EQ(cpu.Register(7), kCode);
    }
    EXPECT_EQ(cpu.Execute(10), 10);
    EXPECT_EQ(cpu.Register(7), kCode + 2);
}

// Whether an instruction fits is decided from its opcode before it runs: every opcode must park on a budget one
// cycle short of what it then charges, and run on that budget whole.
// Whether an instruction fits is decided from its opcode before it runs: every opcode must park on a budget one
// cycle short of what it then charges, and run on that budget whole. Whether it ran shows in the registers (a
// parked instruction leaves them as they were); what it wrote to memory may differ from run to run.
TEST_F(Cpu1801BM1Test, EveryOpcodeParksExactlyWhenItsCostDoesNotFit) {
    constexpr uint16_t kData = 04000;
    // Deferred and indexed operands (index words of 0) start from RAM that holds its address.
    const auto prepare = [&](uint16_t opcode) {
        machine.Load(kCode, {opcode, 0, 0});
        for (uint16_t at = kData - 020; at < kData + 020; at += 2) {
            machine.SetWord(at, kData);
        }
        for (int index = 0; index < 6; ++index) {
            cpu.SetRegister(index, kData);
        }
        cpu.SetRegister(6, kStack);
        cpu.SetRegister(7, kCode);
        cpu.SetPsw(0);
        return cpu.Registers();
    };
    for (uint32_t word = 0; word <= 0xFFFF; ++word) {
        const auto opcode = static_cast<uint16_t>(word);
        const std::array<uint16_t, 8> before = prepare(opcode);
        // A budget of 0 runs exactly one instruction, whatever it costs.
        const int32_t cost = cpu.Execute(0);
        const std::array<uint16_t, 8> after = cpu.Registers();
        ASSERT_GE(cost, 1) << std::oct << opcode;
        if (cost > 1) {
            prepare(opcode);
            ASSERT_EQ(cpu.Execute(cost - 1), cost - 1) << std::oct << opcode << " ran on too few cycles";
            ASSERT_EQ(cpu.Registers(), before) << std::oct << opcode << " parked, changing nothing";
            ASSERT_EQ(cpu.Execute(1), 1) << std::oct << opcode;
            ASSERT_EQ(cpu.Registers(), after) << std::oct << opcode << " ran once paid for";
        }
        if (after != before) {
            prepare(opcode);
            ASSERT_EQ(cpu.Execute(cost), cost) << std::oct << opcode;
            ASSERT_EQ(cpu.Registers(), after) << std::oct << opcode << " parked though its cost fitted";
        }
    }
}

TEST_F(Cpu1801BM1Test, ParkedInstructionOwingMoreThanTheBudgetWaitsAnotherCall) {
    machine.Load(kCode, {000005}); // RESET, 1140 cycles, then NOPs of 14
    for (uint16_t at = kCode + 2; at < kCode + 0200; at += 2) {
        machine.SetWord(at, 000240);
    }
    EXPECT_EQ(cpu.Execute(500), 500);
    EXPECT_EQ(cpu.Execute(500), 500);
    EXPECT_EQ(cpu.Register(7), kCode);
    // 140 still owed; the 360 left run 25 NOPs and park the next.
    EXPECT_EQ(cpu.Execute(500), 500);
    EXPECT_EQ(cpu.Register(7), kCode + 2 + 25 * 2);
}

TEST_F(Cpu1801BM1Test, StartResetAndInitialStartLoadTheStartAddress) {
    emu::Cpu1801BM1 fresh;
    test_support::RamTestMachine other;
    other.Attach(fresh);
    fresh.SetStartWord(0100000);
    int32_t rate = 0;
    ASSERT_TRUE(fresh.Start(rate));
    EXPECT_EQ(fresh.Sel1(), 0100200);
    EXPECT_EQ(fresh.Psw(), 0340);
    EXPECT_EQ(fresh.Reset(), 0340u);
    EXPECT_EQ(fresh.Register(7), 0100000);
    EXPECT_EQ(fresh.InitialStart(), 0100000u);
    fresh.SetPsw(0340);
    fresh.SetPswLow(0);
    EXPECT_EQ(fresh.Psw(), 0);
    EXPECT_EQ(fresh.RaiseBusFault(), 0u) << "nothing to abort while idle";
    EXPECT_EQ(fresh.EndSlice(), 0100000u);
}

TEST_F(Cpu1801BM1Test, RegisterDumpShowsFlagsAndRegisters) {
    cpu.SetPsw(0377);
    cpu.SetRegister(0, 1);
    const std::vector<common::NarrowString> lines = cpu.RegisterDump(false);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_STREQ(lines[0].GetNarrow(), "CPU PDP-11, Frequency=1000000, Flags: TSZVC (000377), SP=001000, PC=010000");
    EXPECT_STREQ(lines[1].GetNarrow(), "    R0=000001, R1=000000, R2=000000, R3=000000, R4=000000, R5=000000");
    const std::vector<common::NarrowString> full = cpu.RegisterDump(true);
    ASSERT_EQ(full.size(), 11u);
    EXPECT_STREQ(full[0].GetNarrow(), "~CPU");
    EXPECT_STREQ(full[10].GetNarrow(), "TSZVC, IPL7");
}

// Whether a field of the opcode names PC in mode 0, 4 or 5: PC as the operand itself, or the -(PC) forms.
bool NamesPcDirectlyOrDecremented(uint16_t opcode) {
    for (const uint16_t specifier : {static_cast<uint16_t>(opcode & 077), static_cast<uint16_t>((opcode >> 6) & 077)}) {
        const uint16_t mode = specifier >> 3;
        if ((specifier & 7) == 7 && (mode == 0 || mode == 4 || mode == 5)) {
            return true;
        }
    }
    return false;
}

TEST_F(Cpu1801BM1Test, DisassembledLengthIsHowFarExecutionMovesPc) {
    int checked = 0;
    for (uint32_t opcode = 0; opcode <= 0177777; ++opcode) {
        if (NamesPcDirectlyOrDecremented(static_cast<uint16_t>(opcode))) {
            continue;
        }
        for (uint16_t at = 04000; at < 04400; at += 2) {
            machine.SetWord(at, 04000);
        }
        machine.Load(kCode, {static_cast<uint16_t>(opcode), 0100, 0100});
        for (int index = 0; index < 7; ++index) {
            cpu.SetRegister(index, 04100);
        }
        cpu.SetRegister(7, kCode);
        cpu.SetPsw(0);
        emu::DisassemblyLine line;
        const int32_t length = cpu.Disassemble(line);
        if (line.flowFlags != 0) {
            continue;
        }
        const size_t trapsBefore = machine.HookCalls().size();
        cpu.Execute(0);
        if (machine.HookCalls().size() != trapsBefore) {
            continue;
        }
        ASSERT_EQ(length, cpu.Register(7) - kCode) << std::oct << opcode;
        ++checked;
    }
    EXPECT_GT(checked, 40000);
}

TEST_F(Cpu1801BM1Test, OptionsPageButtonsSetTheirSwitches) {
    common::BasicOptionNode page;
    cpu.FillSettingsTree(&page, emu::OptionKind::Trace);
    std::vector<std::string> captions;
    for (int32_t index = 0; index < page.ChildCount(); ++index) {
        captions.push_back(page.ChildAt(index)->Text().GetNarrow());
    }
    ASSERT_EQ(captions.size(), 15u);
    EXPECT_EQ(captions[5], "Trace All");
    EXPECT_EQ(captions[12], "Break All");
    const auto activate = [&page, &captions](const std::string& caption) {
        const auto found = std::find(captions.begin(), captions.end(), caption);
        ASSERT_NE(found, captions.end());
        page.ChildAt(static_cast<int32_t>(found - captions.begin()))->Activate();
    };
    emu::Cpu1801BM1::Options& options = cpu.TraceOptions();
    activate("Break All");
    EXPECT_TRUE(options.breakIllegalOpcode && options.breakEIS && options.breakFP11 && options.breakHALT);
    EXPECT_FALSE(options.breakRESET || options.traceHALT);
    activate("Select All");
    EXPECT_TRUE(options.breakRESET && options.traceRESET);
    options.breakExec1000 = true;
    activate("Clear All");
    EXPECT_FALSE(options.breakRESET || options.traceIllegalOpcode || options.breakHALT);
    EXPECT_TRUE(options.breakExec1000) << "the buttons leave the break at 01000 alone";
}

TEST_F(Cpu1801BM1Test, StateWithAnotherVersionIsRefusedAndChangesNothing) {
    cpu.SetRegister(0, 0123);
    test_support::Bytes bytes = test_support::Archived(test_support::SavingOwnData(cpu));
    // The processor's own "VER" follows the "_CPU" chunk end; find it from the back.
    const std::vector<uint8_t> marker = {'V', 'E', 'R'};
    auto last = std::find_end(bytes.begin(), bytes.end(), marker.begin(), marker.end());
    ASSERT_NE(last, bytes.end());
    bytes[static_cast<size_t>(last - bytes.begin()) + 4] = 1;
    cpu.SetRegister(0, 0);
    cpu.SetPsw(0);
    EXPECT_FALSE(test_support::Reads(bytes, test_support::LoadingOwnData(cpu)));
    EXPECT_EQ(cpu.Register(0), 0);
}

} // namespace
