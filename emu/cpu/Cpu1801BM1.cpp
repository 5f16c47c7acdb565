#include "emu/cpu/Cpu1801BM1.h"

#include "common/List.h"
#include "common/RecordArchive.h"
#include "emu/core/IndexedKey.h"
#include "emu/core/InterruptController.h"
#include "emu/core/SliceRun.h"
#include "emu/core/StateChunk.h"
#include "emu/cpu/Operations.h"

#include <utility>

// The operand decoding sits on every instruction's path: folded into each handler rather than called.
#if defined(__GNUC__)
#define ZOV_ALWAYS_INLINE [[gnu::always_inline]] inline
#else
#define ZOV_ALWAYS_INLINE inline
#endif

namespace emu {

namespace {

constexpr uint16_t kOpcodeWait = 0000001;
constexpr uint16_t kOpcodeRtt = 0000006;

// Trap vector numbers (vector address / 4).
constexpr uint32_t kTrapBusError = 1;
constexpr uint32_t kTrapIllegal = 2;
constexpr uint32_t kTrapBreakpoint = 3;
constexpr uint32_t kTrapIot = 4;
constexpr uint32_t kTrapEmt = 6;
constexpr uint32_t kTrapTrap = 7;

// Cycle costs: the whole-cycle ceilings of the 1801BM1's fractional timings.
constexpr int32_t kBranchCost = 17;
constexpr int32_t kConditionCodeCost = 14;
constexpr int32_t kHaltCost = 144;
constexpr int32_t kReturnCost = 46;
constexpr int32_t kTrapCost = 81;
constexpr int32_t kWaitCost = 1;
constexpr int32_t kResetCost = 1140;
constexpr int32_t kRtsCost = 33;
constexpr int32_t kSobCost = 22;
constexpr int32_t kMarkCost = 36;

using ModeCosts = std::array<int32_t, 8>;
constexpr ModeCosts kModifyCost = {14, 41, 41, 54, 41, 55, 54, 67};
constexpr ModeCosts kTestCost = {14, 29, 29, 42, 30, 43, 42, 56};
constexpr ModeCosts kXorCost = {14, 43, 43, 56, 44, 56, 56, 70};
constexpr ModeCosts kMtpsCost = {26, 35, 35, 48, 35, 49, 48, 61};
// Mode 0 traps instead.
constexpr ModeCosts kJsrCost = {kTrapCost, 24, 40, 49, 40, 49, 49, 61};
constexpr ModeCosts kJmpCost = {kTrapCost, 24, 26, 35, 26, 35, 35, 48};

// Two-operand costs by [source mode][destination mode].
using PairCosts = std::array<ModeCosts, 8>;
constexpr PairCosts kMoveCost = {{
    {14, 37, 41, 49, 41, 50, 49, 64},
    {30, 45, 49, 59, 49, 59, 59, 72},
    {30, 46, 49, 59, 49, 59, 59, 72},
    {43, 59, 62, 72, 62, 73, 73, 84},
    {30, 47, 49, 59, 49, 60, 59, 73},
    {44, 60, 63, 73, 63, 73, 73, 86},
    {43, 59, 62, 73, 62, 73, 73, 85},
    {56, 73, 73, 85, 73, 86, 85, 98},
}};
constexpr PairCosts kCompareCost = {{
    {14, 35, 35, 49, 36, 49, 49, 61},
    {30, 43, 43, 57, 44, 58, 57, 70},
    {30, 43, 43, 57, 44, 58, 57, 70},
    {43, 57, 57, 70, 58, 71, 70, 83},
    {31, 44, 44, 57, 45, 58, 57, 71},
    {44, 57, 57, 71, 58, 72, 71, 84},
    {43, 57, 57, 70, 57, 71, 70, 83},
    {56, 70, 70, 83, 71, 84, 83, 96},
}};
constexpr PairCosts kArithmeticCost = {{
    {14, 47, 47, 60, 49, 61, 60, 73},
    {30, 55, 55, 69, 56, 70, 69, 82},
    {30, 55, 55, 69, 56, 70, 69, 82},
    {43, 68, 68, 82, 70, 83, 82, 95},
    {30, 56, 56, 69, 56, 70, 69, 82},
    {44, 69, 69, 82, 70, 83, 82, 96},
    {43, 68, 68, 82, 70, 83, 82, 95},
    {56, 81, 81, 95, 82, 95, 95, 108},
}};

constexpr uint16_t kFlagsNZVC = kPswNegative | kPswZero | kPswOverflow | kPswCarry;

uint32_t ModeOf(uint32_t specifier) {
    return (specifier >> 3) & 7;
}

// Per high byte of a branch opcode, bit f set when the branch is taken with the flags NZVC equal to f: 000400-003400
// are the conditions by bits 8-10 from 1, 100000-103400 those from 8.
constexpr std::array<uint16_t, 256> kBranchTakenFlags = [] {
    std::array<uint16_t, 256> table{};
    for (uint32_t high = 0; high < table.size(); ++high) {
        const uint32_t number = (high & 7) | ((high >> 4) & 8);
        if ((high & 0170) != 0 || number == 0) {
            continue;
        }
        for (uint16_t flags = 0; flags < 16; ++flags) {
            if (BranchTaken(static_cast<BranchCondition>(number - 1), flags)) {
                table[high] |= static_cast<uint16_t>(1u << flags);
            }
        }
    }
    return table;
}();

constexpr const char* kEisNames[4] = {"MUL", "DIV", "ASH", "ASHC"};

} // namespace

struct Cpu1801BM1::HandlerTable {
    // Plain functions, each with its handler inside: the step calls one without a member pointer's adjustments.
    using Entry = bool (*)(Cpu1801BM1& cpu, uint16_t opcode);
    template <Handler handler>
    static bool Call(Cpu1801BM1& cpu, uint16_t opcode) {
        return (cpu.*handler)(opcode);
    }

    static constexpr std::array<Entry, 256> kHandlers = [] {
        std::array<Entry, 256> table{};
        const auto fill = [&table](uint32_t first, uint32_t last, Entry handler) {
            for (uint32_t high = first; high <= last; ++high) {
                table[high] = handler;
            }
        };
        fill(0x00, 0x00, &Call<&Cpu1801BM1::ExecuteGroupZero>);
        fill(0x01, 0x07, &Call<&Cpu1801BM1::ExecuteBranch>);
        fill(0x08, 0x09, &Call<&Cpu1801BM1::ExecuteJsr>);
        fill(0x0A, 0x0C, &Call<&Cpu1801BM1::ExecuteSingleOperand>);
        fill(0x0D, 0x0D, &Call<&Cpu1801BM1::ExecuteMarkOrSxt>);
        fill(0x0E, 0x0F, &Call<&Cpu1801BM1::ExecuteIllegal>);
        fill(0x10, 0x6F, &Call<&Cpu1801BM1::ExecuteDoubleOperand>);
        fill(0x70, 0x77, &Call<&Cpu1801BM1::ExecuteEis>);
        fill(0x78, 0x79, &Call<&Cpu1801BM1::ExecuteXor>);
        fill(0x7A, 0x7D, &Call<&Cpu1801BM1::ExecuteIllegal>);
        fill(0x7E, 0x7F, &Call<&Cpu1801BM1::ExecuteSob>);
        fill(0x80, 0x87, &Call<&Cpu1801BM1::ExecuteBranch>);
        fill(0x88, 0x89, &Call<&Cpu1801BM1::ExecuteEmtOrTrap>);
        fill(0x8A, 0x8C, &Call<&Cpu1801BM1::ExecuteSingleOperand>);
        fill(0x8D, 0x8D, &Call<&Cpu1801BM1::ExecuteMtpsOrMfps>);
        fill(0x8E, 0x8F, &Call<&Cpu1801BM1::ExecuteIllegal>);
        fill(0x90, 0xEF, &Call<&Cpu1801BM1::ExecuteDoubleOperand>);
        fill(0xF0, 0xFF, &Call<&Cpu1801BM1::ExecuteFloatingPoint>);
        return table;
    }();

    // The single-operand instructions, by the byte bit and bits 3-11 of the opcode (SWAB and the twelve of
    // 005000-006300 and 105000-106300 in each mode), and the two-operand ones by bits 12-15 and their destination
    // mode: each entry compiled for just that, so that an instruction runs none of the others' decoding.
    using SingleOperandTable = std::array<Entry, 02000>;
    using DoubleOperandTable = std::array<Entry, 0200>;
    static const SingleOperandTable kSingleOperands;
    static const DoubleOperandTable kDoubleOperands;

    template <SingleOperation Operation, bool Byte, uint32_t... Modes>
    static constexpr void AddSingleOperand(SingleOperandTable& table, std::integer_sequence<uint32_t, Modes...>) {
        constexpr uint32_t selector =
            Operation == SingleOperation::SwapBytes ? 03 : 050 + static_cast<uint32_t>(Operation);
        ((table[(Byte ? 01000 : 0) | (selector << 3) | Modes] =
              &Call<&Cpu1801BM1::SingleOperandIn<Operation, Byte, Modes>>),
         ...);
    }
    template <SingleOperation Operation>
    static constexpr void AddSingleOperand(SingleOperandTable& table) {
        AddSingleOperand<Operation, false>(table, std::make_integer_sequence<uint32_t, 8>{});
        if constexpr (Operation != SingleOperation::SwapBytes) {
            AddSingleOperand<Operation, true>(table, std::make_integer_sequence<uint32_t, 8>{});
        }
    }
    template <uint32_t Operation, uint32_t... Modes>
    static constexpr void AddDoubleOperand(DoubleOperandTable& table, std::integer_sequence<uint32_t, Modes...>) {
        ((table[(Operation << 3) | Modes] = &Call<&Cpu1801BM1::DoubleOperandTo<Operation, Modes>>), ...);
    }
    template <uint32_t... Operations>
    static constexpr void AddDoubleOperands(DoubleOperandTable& table) {
        (AddDoubleOperand<Operations>(table, std::make_integer_sequence<uint32_t, 8>{}), ...);
    }

    // Group zero (000000-000377) by bits 3-7 of the opcode, and JSR by its mode.
    using GroupZeroTable = std::array<Entry, 040>;
    using ModeTable = std::array<Entry, 8>;
    static const GroupZeroTable kGroupZero;
    static const ModeTable kJsr;
};

constexpr Cpu1801BM1::HandlerTable::SingleOperandTable Cpu1801BM1::HandlerTable::kSingleOperands = [] {
    using enum SingleOperation;
    SingleOperandTable table{};
    table.fill(&Call<&Cpu1801BM1::ExecuteIllegal>);
    AddSingleOperand<SwapBytes>(table);
    AddSingleOperand<Clear>(table);
    AddSingleOperand<Complement>(table);
    AddSingleOperand<Increment>(table);
    AddSingleOperand<Decrement>(table);
    AddSingleOperand<Negate>(table);
    AddSingleOperand<AddCarry>(table);
    AddSingleOperand<SubtractCarry>(table);
    AddSingleOperand<Test>(table);
    AddSingleOperand<RotateRight>(table);
    AddSingleOperand<RotateLeft>(table);
    AddSingleOperand<ShiftRight>(table);
    AddSingleOperand<ShiftLeft>(table);
    return table;
}();

// 1 MOV, 2 CMP, 3 BIT, 4 BIC, 5 BIS, 6 ADD, 016 SUB; the others with 010 are their byte forms.
constexpr Cpu1801BM1::HandlerTable::DoubleOperandTable Cpu1801BM1::HandlerTable::kDoubleOperands = [] {
    DoubleOperandTable table{};
    table.fill(&Call<&Cpu1801BM1::ExecuteIllegal>);
    AddDoubleOperands<001, 002, 003, 004, 005, 006, 011, 012, 013, 014, 015, 016>(table);
    return table;
}();

constexpr Cpu1801BM1::HandlerTable::GroupZeroTable Cpu1801BM1::HandlerTable::kGroupZero = [] {
    GroupZeroTable table{};
    table.fill(&Call<&Cpu1801BM1::ExecuteIllegal>);
    table[000] = &Call<&Cpu1801BM1::ExecuteControl>;
    table[001] = &Call<&Cpu1801BM1::ExecuteBusErrorTrap>;
    // JMP, whose mode 0 traps.
    table[010] = &Call<&Cpu1801BM1::ExecuteBusErrorTrap>;
    table[011] = &Call<&Cpu1801BM1::JmpIn<1>>;
    table[012] = &Call<&Cpu1801BM1::JmpIn<2>>;
    table[013] = &Call<&Cpu1801BM1::JmpIn<3>>;
    table[014] = &Call<&Cpu1801BM1::JmpIn<4>>;
    table[015] = &Call<&Cpu1801BM1::JmpIn<5>>;
    table[016] = &Call<&Cpu1801BM1::JmpIn<6>>;
    table[017] = &Call<&Cpu1801BM1::JmpIn<7>>;
    table[020] = &Call<&Cpu1801BM1::ExecuteRts>;
    for (uint32_t index = 024; index <= 027; ++index) {
        table[index] = &Call<&Cpu1801BM1::ExecuteConditionCodes>;
    }
    // SWAB
    for (uint32_t index = 030; index <= 037; ++index) {
        table[index] = kSingleOperands[(03 << 3) | (index & 7)];
    }
    return table;
}();

constexpr Cpu1801BM1::HandlerTable::ModeTable Cpu1801BM1::HandlerTable::kJsr = {
    &Call<&Cpu1801BM1::ExecuteBusErrorTrap>,
    &Call<&Cpu1801BM1::JsrIn<1>>,
    &Call<&Cpu1801BM1::JsrIn<2>>,
    &Call<&Cpu1801BM1::JsrIn<3>>,
    &Call<&Cpu1801BM1::JsrIn<4>>,
    &Call<&Cpu1801BM1::JsrIn<5>>,
    &Call<&Cpu1801BM1::JsrIn<6>>,
    &Call<&Cpu1801BM1::JsrIn<7>>,
};

Cpu1801BM1::Cpu1801BM1() : CpuBase("CPU PDP-11", "CPU"), instructionCosts(InstructionCosts().data()) {
    SetFrequency(1000000);
}

Cpu1801BM1::Cpu1801BM1(CostProbe) : CpuBase("CPU PDP-11", "CPU"), probingCosts(true) {}

const std::array<uint16_t, 0x10000>& Cpu1801BM1::InstructionCosts() {
    // Each handler charges its cost before it does anything else; a probing processor stops it right there.
    static const std::array<uint16_t, 0x10000> costs = [] {
        std::array<uint16_t, 0x10000> table{};
        Cpu1801BM1 prober{CostProbe{}};
        for (uint32_t opcode = 0; opcode < table.size(); ++opcode) {
            prober.instructionCost = 0;
            HandlerTable::kHandlers[opcode >> 8](prober, static_cast<uint16_t>(opcode));
            table[opcode] = static_cast<uint16_t>(prober.instructionCost);
        }
        return table;
    }();
    return costs;
}

// ---- Device life and registers

bool Cpu1801BM1::Start(int32_t& rate) {
    if (!CpuBase::Start(rate)) {
        return false;
    }
    psw = kPowerOnPsw;
    addressMask = 0xFFFF;
    pendingVector = kNoPendingVector;
    sel1 = (startWord & 0xFF00) | kSel1Started;
    return true;
}

uint32_t Cpu1801BM1::Reset() {
    CpuBase::Reset();
    registers.fill(0);
    registers[7] = startWord;
    psw = kPowerOnPsw;
    return kPowerOnPsw;
}

uint32_t Cpu1801BM1::InitialStart() {
    CpuBase::InitialStart();
    registers[7] = sel1 & 0xFF00;
    sel1 &= ~kSel1Halted;
    return registers[7];
}

uint32_t Cpu1801BM1::RaiseBusFault() {
    if (CpuBase::RaiseBusFault() == 0) {
        return 0;
    }
    registers[7] = static_cast<uint16_t>(instructionStart);
    return 1;
}

void Cpu1801BM1::RequestInterruptVector(uint32_t vector) {
    pendingVector = static_cast<int32_t>(vector & 0xFFFC);
}

void Cpu1801BM1::SetPswLow(uint8_t value) {
    LoadPswLow(value);
}

void Cpu1801BM1::LoadPswLow(uint16_t value) {
    if ((psw & kPswPriority) != 0 && (value & kPswPriority) == 0) {
        // The priority dropped: a waiting interrupt is taken at the next boundary, as the chip does.
        checkInterrupts = true;
        interruptDelay = 0;
    }
    psw = (psw & 0xFF00) | (value & 0x00FF);
}

// ---- State

bool Cpu1801BM1::SaveProcessorState(common::RecordArchive& archive) {
    bool written = WriteVersion(archive, "VER") && archive.WriteRecordU16(psw, common::NarrowString("FLAGS"));
    for (int index = 0; written && index < 8; ++index) {
        written = archive.WriteRecordU16(registers[index], IndexedKey("R", index));
    }
    return written && archive.WriteRecordU16(sel1, common::NarrowString("SEL1")) &&
           archive.WriteRecordI32(pendingVector, common::NarrowString("TRPI")) &&
           archive.WriteRecordU16(parkedOpcode, common::NarrowString("PAROP")) &&
           archive.WriteRecordU16(parkedPc, common::NarrowString("PARPC")) &&
           archive.WriteRecordI32(parkedCycles, common::NarrowString("PARCY"));
}

bool Cpu1801BM1::LoadProcessorState(common::RecordArchive& archive) {
    uint16_t loadedPsw = 0;
    std::array<uint16_t, 8> loadedRegisters{};
    uint16_t loadedSel1 = 0;
    int32_t loadedVector = 0;
    uint16_t loadedOpcode = 0;
    uint16_t loadedPc = 0;
    int32_t loadedCycles = 0;
    bool read = ReadVersion(archive, "VER") && archive.ReadRecordU16(loadedPsw, common::NarrowString("FLAGS"));
    for (int index = 0; read && index < 8; ++index) {
        read = archive.ReadRecordU16(loadedRegisters[index], IndexedKey("R", index));
    }
    if (!(read && archive.ReadRecordU16(loadedSel1, common::NarrowString("SEL1")) &&
          archive.ReadRecordI32(loadedVector, common::NarrowString("TRPI")) &&
          archive.ReadRecordU16(loadedOpcode, common::NarrowString("PAROP")) &&
          archive.ReadRecordU16(loadedPc, common::NarrowString("PARPC")) &&
          archive.ReadRecordI32(loadedCycles, common::NarrowString("PARCY")) && loadedCycles >= 0 &&
          loadedCycles <= kLargestInstructionCost)) {
        return false;
    }
    psw = loadedPsw;
    registers = loadedRegisters;
    sel1 = loadedSel1;
    pendingVector = loadedVector < 0 ? kNoPendingVector : (loadedVector & 0xFFFC);
    parkedOpcode = loadedOpcode;
    parkedPc = loadedPc;
    parkedCycles = loadedCycles;
    return true;
}

std::vector<common::NarrowString> Cpu1801BM1::RegisterDump(bool full) const {
    std::vector<common::NarrowString> lines;
    const common::NarrowString flags = PswFlagsText(psw);
    const auto add = [&lines](const char* format, const auto&... args) {
        lines.emplace_back().Format(format, args...);
    };
    if (!full) {
        add("%s, Frequency=%ld, Flags: %s (%.6lo), SP=%.6lo, PC=%.6lo", Name(), Frequency(), flags, psw, registers[6],
            registers[7]);
        add("    R0=%.6lo, R1=%.6lo, R2=%.6lo, R3=%.6lo, R4=%.6lo, R5=%.6lo", registers[0], registers[1], registers[2],
            registers[3], registers[4], registers[5]);
        return lines;
    }
    add("~%s", Tag());
    constexpr const char* kRegisterLines[8] = {"R0 = %.6lo", "R1 = %.6lo", "R2 = %.6lo", "R3 = %.6lo",
                                               "R4 = %.6lo", "R5 = %.6lo", "SP = %.6lo", "PC = %.6lo"};
    for (int index = 0; index < 8; ++index) {
        add(kRegisterLines[index], registers[index]);
    }
    add("PSW= %.6lo", psw);
    add("%s, IPL%ld", flags, (psw >> 5) & 7);
    return lines;
}

void Cpu1801BM1::DumpState(common::Console& console, bool full) const {
    for (const common::NarrowString& line : RegisterDump(full)) {
        console.AppendLine(line);
    }
}

bool Cpu1801BM1::DescribeState(common::List& lines, bool full, int32_t) {
    for (const common::NarrowString& line : RegisterDump(full)) {
        lines.Add(line);
    }
    return true;
}

// ---- Disassembly

bool Cpu1801BM1::Peeker::PeekWord(uint16_t address, uint16_t& word) {
    return cpu.PeekWord(address, word);
}

bool Cpu1801BM1::Peeker::PeekByte(uint16_t address, uint8_t& byte) {
    return cpu.PeekByte(address, byte);
}

int32_t Cpu1801BM1::Disassemble(DisassemblyLine& line) {
    const ProcessorView view{IsRunning(), registers, psw, static_cast<uint16_t>(addressMask), peeker};
    return disassembler.Disassemble(view, line);
}

int32_t Cpu1801BM1::Disassemble(common::String& addressText, common::String& wordsText, common::String& instructionText,
                                common::String& flagsText, common::String& commentText, common::String& spareText1,
                                common::String& spareText2, uint32_t& flowFlags, int32_t& addressWidth,
                                int32_t& wordsWidth, int32_t& instructionWidth, int32_t& flagsWidth,
                                int32_t& commentWidth, int32_t& spareWidth1, int32_t& spareWidth2) {
    const ProcessorView view{IsRunning(), registers, psw, static_cast<uint16_t>(addressMask), peeker};
    return disassembler.Disassemble(view, addressText, wordsText, instructionText, flagsText, commentText, spareText1,
                                    spareText2, flowFlags, addressWidth, wordsWidth, instructionWidth, flagsWidth,
                                    commentWidth, spareWidth1, spareWidth2);
}

// ---- Memory

// The in-place paths take one look at the page: a byte, or a word at an even address, never crosses a page end,
// so only the address space's top bounds them.

template <uint32_t TestMask, uint8_t Peek>
ZOV_ALWAYS_INLINE bool Cpu1801BM1::ReadWordAs(uint16_t address, uint16_t& value) {
    address &= static_cast<uint16_t>(addressMask & ~1u);
    if (address < pageTable->size) {
        const PageDescriptor& descriptor = pageTable->PageOf(address);
        if ((descriptor.flags & TestMask) == kReadDirect) {
            value = LoadInPlace<uint16_t>(descriptor.ReadBytes() + (address & page::kOffsetMask));
            return true;
        }
    }
    return ReadWordThroughMap(address, value, Peek);
}

bool Cpu1801BM1::ReadWordThroughMap(uint16_t address, uint16_t& value, uint8_t peek) {
    value = Memory() != nullptr ? Memory()->ReadWord(address, peek) : 0xFFFF;
    return !busFault;
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::FetchWord(uint16_t address, uint16_t& value) {
    return ReadWordAs<page::kFetchInPlaceMask, 0>(address, value);
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::ReadWord(uint16_t address, uint16_t& value) {
    return ReadWordAs<page::kReadInPlaceMask, 0>(address, value);
}

bool Cpu1801BM1::PeekWord(uint16_t address, uint16_t& value) {
    return ReadWordAs<page::kReadInPlaceMask, 1>(address, value);
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::WriteWord(uint16_t address, uint16_t value) {
    address &= static_cast<uint16_t>(addressMask & ~1u);
    if (address < pageTable->size) {
        const PageDescriptor& descriptor = pageTable->PageOf(address);
        if ((descriptor.flags & page::kWriteInPlaceMask) == kWriteDirect) {
            StoreInPlace(descriptor.WriteBytes() + (address & page::kOffsetMask), value);
            return true;
        }
    }
    return WriteWordThroughMap(address, value);
}

bool Cpu1801BM1::WriteWordThroughMap(uint16_t address, uint16_t value) {
    if (Memory() != nullptr) {
        Memory()->WriteWord(address, value);
    }
    return !busFault;
}

template <uint8_t Peek>
ZOV_ALWAYS_INLINE bool Cpu1801BM1::ReadByteAs(uint16_t address, uint8_t& value) {
    address &= static_cast<uint16_t>(addressMask);
    if (address < pageTable->size) {
        const PageDescriptor& descriptor = pageTable->PageOf(address);
        const uint32_t flags = descriptor.flags & page::kReadInPlaceMask;
        if (flags == kReadDirect) {
            value = descriptor.ReadBytes()[address & page::kOffsetMask];
            return true;
        }
        if (flags == kReadHandled) {
            if (!descriptor.read.handler(descriptor.read.context, address, 1, &value, Peek)) {
                value = pageTable->ram[address];
            }
            return !busFault;
        }
    }
    return ReadByteThroughMap(address, value, Peek);
}

bool Cpu1801BM1::ReadByteThroughMap(uint16_t address, uint8_t& value, uint8_t peek) {
    value = Memory() != nullptr ? Memory()->ReadByte(address, peek) : 0xFF;
    return !busFault;
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::ReadByte(uint16_t address, uint8_t& value) {
    return ReadByteAs<0>(address, value);
}

bool Cpu1801BM1::PeekByte(uint16_t address, uint8_t& value) {
    return ReadByteAs<1>(address, value);
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::WriteByte(uint16_t address, uint8_t value) {
    address &= static_cast<uint16_t>(addressMask);
    if (address < pageTable->size) {
        const PageDescriptor& descriptor = pageTable->PageOf(address);
        const uint32_t flags = descriptor.flags & page::kWriteInPlaceMask;
        if (flags == kWriteDirect) {
            descriptor.WriteBytes()[address & page::kOffsetMask] = value;
            return true;
        }
        if (flags == kWriteHandled) {
            if (!descriptor.write.handler(descriptor.write.context, address, 1, &value)) {
                pageTable->ram[address] = value;
            }
            return !busFault;
        }
    }
    return WriteByteThroughMap(address, value);
}

bool Cpu1801BM1::WriteByteThroughMap(uint16_t address, uint8_t value) {
    if (Memory() != nullptr) {
        Memory()->WriteByte(address, value);
    }
    return !busFault;
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::Push(uint16_t value) {
    const uint16_t address = static_cast<uint16_t>(registers[6] - 2);
    if (!WriteWord(address, value)) {
        return false;
    }
    registers[6] = address;
    return true;
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::Pop(uint16_t& value) {
    if (!ReadWord(registers[6], value)) {
        return false;
    }
    registers[6] += 2;
    return true;
}

// ---- Operands

bool Cpu1801BM1::BreakAt1000() {
    return TraceCheckBreak(false, true, "Execution at PC=01000") != 0;
}

template <uint32_t Mode, bool Byte>
ZOV_ALWAYS_INLINE bool Cpu1801BM1::OperandAddressIn(uint32_t specifier, uint16_t& address) {
    static_assert(Mode >= 1 && Mode <= 7);
    const uint32_t index = specifier & 7;
    uint16_t& reg = registers[index];
    // Byte operands step SP and PC by a whole word, to keep them even.
    const uint16_t step = Byte && index < 6 ? 1 : 2;
    if constexpr (Mode == 1) {
        address = reg;
        return true;
    } else if constexpr (Mode == 2) {
        address = reg;
        reg += step;
        return true;
    } else if constexpr (Mode == 3) {
        if (!ReadWord(reg, address)) {
            return false;
        }
        reg += 2;
        return true;
    } else if constexpr (Mode == 4) {
        reg -= step;
        address = reg;
        return true;
    } else if constexpr (Mode == 5) {
        reg -= 2;
        return ReadWord(reg, address);
    } else {
        // Modes 6 and 7: an index word follows in the instruction stream.
        uint16_t offset = 0;
        if ((options.breakExec1000 && (registers[7] & ~1) == 01000 && BreakAt1000()) ||
            !FetchWord(registers[7], offset)) {
            return false;
        }
        registers[7] += 2;
        address = static_cast<uint16_t>(offset + reg);
        return Mode == 6 || ReadWord(address, address);
    }
}

template <bool Byte>
ZOV_ALWAYS_INLINE bool Cpu1801BM1::OperandAddress(uint32_t specifier, uint16_t& address) {
    switch (ModeOf(specifier)) {
    case 1:
        return OperandAddressIn<1, Byte>(specifier, address);
    case 2:
        return OperandAddressIn<2, Byte>(specifier, address);
    case 3:
        return OperandAddressIn<3, Byte>(specifier, address);
    case 4:
        return OperandAddressIn<4, Byte>(specifier, address);
    case 5:
        return OperandAddressIn<5, Byte>(specifier, address);
    case 6:
        return OperandAddressIn<6, Byte>(specifier, address);
    default:
        return OperandAddressIn<7, Byte>(specifier, address);
    }
}

template <uint32_t Mode, bool Byte>
ZOV_ALWAYS_INLINE bool Cpu1801BM1::ReadOperandIn(uint32_t specifier, uint16_t& value, uint16_t& address) {
    if constexpr (Mode == 0) {
        const uint16_t reg = registers[specifier & 7];
        value = Byte ? static_cast<uint8_t>(reg) : reg;
        return true;
    } else if constexpr (Byte) {
        uint8_t narrow = 0;
        if (!OperandAddressIn<Mode, true>(specifier, address) || !ReadByte(address, narrow)) {
            return false;
        }
        value = narrow;
        return true;
    } else {
        return OperandAddressIn<Mode, false>(specifier, address) && ReadWord(address, value);
    }
}

template <bool Byte>
ZOV_ALWAYS_INLINE bool Cpu1801BM1::ReadOperand(uint32_t specifier, uint16_t& value, uint16_t& address) {
    switch (ModeOf(specifier)) {
    case 0:
        return ReadOperandIn<0, Byte>(specifier, value, address);
    case 1:
        return ReadOperandIn<1, Byte>(specifier, value, address);
    case 2:
        return ReadOperandIn<2, Byte>(specifier, value, address);
    case 3:
        return ReadOperandIn<3, Byte>(specifier, value, address);
    case 4:
        return ReadOperandIn<4, Byte>(specifier, value, address);
    case 5:
        return ReadOperandIn<5, Byte>(specifier, value, address);
    case 6:
        return ReadOperandIn<6, Byte>(specifier, value, address);
    default:
        return ReadOperandIn<7, Byte>(specifier, value, address);
    }
}

template <bool Byte>
[[gnu::noinline]] bool Cpu1801BM1::ReadSourceOperand(uint32_t specifier, uint16_t& value) {
    uint16_t address = 0;
    return ReadOperand<Byte>(specifier, value, address);
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::ReadWordOperand(uint32_t specifier, uint16_t& value, uint16_t& address) {
    if (ModeOf(specifier) == 0) {
        value = registers[specifier & 7];
        return true;
    }
    return OperandAddress<false>(specifier, address) && ReadWord(address, value);
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::ReadByteOperand(uint32_t specifier, uint8_t& value, uint16_t& address) {
    if (ModeOf(specifier) == 0) {
        value = static_cast<uint8_t>(registers[specifier & 7]);
        return true;
    }
    return OperandAddress<true>(specifier, address) && ReadByte(address, value);
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::WriteWordOperand(uint32_t specifier, uint16_t address, uint16_t value) {
    if (ModeOf(specifier) == 0) {
        registers[specifier & 7] = value;
        return true;
    }
    return WriteWord(address, value);
}

ZOV_ALWAYS_INLINE bool Cpu1801BM1::WriteByteOperand(uint32_t specifier, uint16_t address, uint8_t value,
                                                    bool signExtend) {
    if (ModeOf(specifier) == 0) {
        uint16_t& reg = registers[specifier & 7];
        reg = signExtend ? static_cast<uint16_t>(static_cast<int8_t>(value)) : ((reg & 0xFF00) | value);
        return true;
    }
    return WriteByte(address, value);
}

ZOV_ALWAYS_INLINE void Cpu1801BM1::SetNZ(uint16_t result, uint16_t signBit, uint16_t valueMask) {
    psw &= ~(kPswNegative | kPswZero);
    if ((result & signBit) != 0) {
        psw |= kPswNegative;
    }
    if ((result & valueMask) == 0) {
        psw |= kPswZero;
    }
}

// ---- Execution

int32_t Cpu1801BM1::Execute(int32_t budget) {
    singleStep = budget == 0;
    OpenSlice(budget);
    while (budgetLeft >= 1 && Step()) {
    }
    if (busFault) {
        registers[7] = static_cast<uint16_t>(instructionStart);
    }
    return CloseSlice();
}

int32_t Cpu1801BM1::ExecuteSlices(int32_t budget, SliceRun& run) {
    if (budget <= 0) {
        return Execute(budget);
    }
    singleStep = false;
    OpenSlice(budget);
    for (int64_t plainEnds = run.PlainEndsAhead();; --plainEnds) {
        while (budgetLeft >= 1 && Step()) {
        }
        if (plainEnds == 0 || !SliceRanDown() || !run.CanEndSlice(budgetLeft, cyclesToNextEvent)) {
            break;
        }
        const int32_t leftover = budgetLeft;
        NextSlice(run.EndSlice(leftover, cyclesToNextEvent));
    }
    if (busFault) {
        registers[7] = static_cast<uint16_t>(instructionStart);
    }
    return CloseSlice();
}

void Cpu1801BM1::Park(uint16_t opcode, uint16_t pc) {
    parkedOpcode = opcode;
    parkedPc = pc;
    parkedCycles = instructionCosts[opcode];
    registers[7] = static_cast<uint16_t>(instructionStart);
    carriedCycles += budgetLeft;
    budgetLeft = 0;
}

inline bool Cpu1801BM1::Step() {
    instructionStart = registers[7];
    busFault = false;
    uint16_t opcode = 0;
    // savedRegisters takes R0..R7 as they are here only where the step may change them: a step that parks or
    // carries changes none.
    const bool resumed = carriedCycles != 0;
    if (resumed) {
        // A parked instruction: performed once the slices have paid for it.
        opcode = parkedOpcode;
        if (parkedCycles - carriedCycles > budgetLeft && !singleStep) {
            carriedCycles += budgetLeft;
            budgetLeft = 0;
            return false;
        }
        // Carried cycles without a parked cost (a state can hold them): the instruction is costed afresh.
        if (parkedCycles == 0 && !singleStep && instructionCosts[opcode] > budgetLeft) {
            Park(opcode, parkedPc);
            return false;
        }
        savedRegisters = registers;
        registers[7] = parkedPc;
    } else {
        if (pendingVector >= 0) {
            savedRegisters = registers;
            const uint32_t number = static_cast<uint32_t>(pendingVector) / 4;
            pendingVector = kNoPendingVector;
            uint64_t cycles = 0;
            if (!Trap(number, cycles, 0)) {
                registers = savedRegisters;
                return false;
            }
            budgetLeft -= static_cast<int32_t>(cycles);
            return true;
        }
        if (nmi) {
            return false;
        }
        if (checkInterrupts && interruptsAllowed) {
            if (interruptDelay == 0) {
                savedRegisters = registers;
                uint32_t line = 0;
                uint32_t number = 0;
                uint32_t vectorAddress = 0;
                if (Interrupts() != nullptr &&
                    Interrupts()->AskSources(InterruptAsk::Poll, &line, &number, &vectorAddress)) {
                    uint64_t cycles = 0;
                    if (!EnterInterrupt(number, cycles)) {
                        registers = savedRegisters;
                        return false;
                    }
                    Interrupts()->AskSources(InterruptAsk::Acknowledge, &line, &number, &vectorAddress);
                    interruptDelay = kInterruptPollDelay;
                    budgetLeft -= static_cast<int32_t>(cycles);
                    return true;
                }
                checkInterrupts = false;
            } else if (interruptDelay > 0) {
                --interruptDelay;
            }
        }
        if (options.breakExec1000 && (registers[7] & ~1) == 01000 && BreakAt1000()) {
            return false;
        }
        const bool fetched = FetchWord(registers[7], opcode);
        const auto nextPc = static_cast<uint16_t>((registers[7] + 2) & addressMask);
        if (!fetched) {
            registers[7] = nextPc;
            return false;
        }
        // An instruction that does not fit the budget left is parked before it does anything, its cost paid for
        // by the following slices.
        if (instructionCosts[opcode] > budgetLeft && !singleStep) {
            Park(opcode, nextPc);
            return false;
        }
        savedRegisters = registers;
        savedRegisters[7] = static_cast<uint16_t>(instructionStart);
        registers[7] = nextPc;
        parkedCycles = 0;
    }
    trapCycles = 0;
    if (!HandlerTable::kHandlers[opcode >> 8](*this, opcode)) {
        registers = savedRegisters;
        return false;
    }
    if ((psw & kPswTrace) != 0 && opcode != kOpcodeRtt) {
        uint64_t cycles = 0;
        if (!Trap(kTrapBreakpoint, cycles, 0)) {
            registers = savedRegisters;
            return false;
        }
        trapCycles += cycles;
    }
    int64_t cost = instructionCost + static_cast<int64_t>(trapCycles);
    if (!resumed) {
        // No instruction carries cycles into this one: it costs what it cost.
        budgetLeft = static_cast<int32_t>(budgetLeft - cost);
        return true;
    }
    if (carriedCycles > cost) {
        cost = carriedCycles;
    }
    budgetLeft = static_cast<int32_t>(budgetLeft + carriedCycles - cost);
    carriedCycles = 0;
    return true;
}

bool Cpu1801BM1::Afford(int32_t cost) {
    instructionCost = cost;
    return !probingCosts;
}

bool Cpu1801BM1::EnterInterrupt(uint32_t number, uint64_t& cycles) {
    uint16_t word = 0;
    if (!ReadWord(registers[7], word)) {
        return false;
    }
    if (word == kOpcodeWait) {
        // The service routine returns behind the WAIT.
        registers[7] += 2;
    }
    return Trap(number, cycles, 0);
}

bool Cpu1801BM1::Trap(uint32_t number, uint64_t& cycles, uint8_t hookByte) {
    cycles = 0;
    if (Interrupts() != nullptr && Interrupts()->CallHandlerB(number, hookByte, 0, cycles)) {
        if (busFault) {
            return false;
        }
        cycles += kTrapCost;
        return true;
    }
    if (busFault) {
        return false;
    }
    const uint16_t stackPointer = registers[6];
    const uint16_t vector = static_cast<uint16_t>(number * 4);
    uint16_t newPc = 0;
    uint16_t newPsw = 0;
    if (!Push(psw) || !Push(registers[7]) || !ReadWord(vector, newPc) ||
        !ReadWord(static_cast<uint16_t>(vector + 2), newPsw)) {
        registers[6] = stackPointer;
        return false;
    }
    LoadPswLow(newPsw);
    registers[7] = newPc;
    cycles = kTrapCost;
    return true;
}

bool Cpu1801BM1::TrapInstruction(uint32_t number, uint8_t hookByte) {
    if (!Afford(kTrapCost)) {
        return false;
    }
    instructionCost = 0;
    uint64_t cycles = 0;
    if (!Trap(number, cycles, hookByte)) {
        return false;
    }
    trapCycles += cycles;
    return true;
}

bool Cpu1801BM1::ReportIllegalOpcode(uint16_t opcode) {
    if (TraceCheckBreak(options.traceIllegalOpcode, options.breakIllegalOpcode, "Illegal Opcode %.6lo at [%.6lo]",
                        opcode, instructionStart) != 0) {
        return false;
    }
    uint64_t cycles = 0;
    if (!Trap(kTrapIllegal, cycles, 0)) {
        return false;
    }
    trapCycles += cycles;
    return true;
}

bool Cpu1801BM1::ExecuteIllegal(uint16_t opcode) {
    if (!Afford(kTrapCost)) {
        return false;
    }
    instructionCost = 0;
    return ReportIllegalOpcode(opcode);
}

bool Cpu1801BM1::ExecuteEis(uint16_t opcode) {
    if (!Afford(kTrapCost)) {
        return false;
    }
    instructionCost = 0;
    return TraceCheckBreak(options.traceEIS, options.breakEIS, "EIS Instruction (%s) at [%.6lo]",
                           kEisNames[(opcode >> 9) & 3], instructionStart) == 0 &&
           ReportIllegalOpcode(opcode);
}

bool Cpu1801BM1::ExecuteFloatingPoint(uint16_t opcode) {
    if (!Afford(kTrapCost)) {
        return false;
    }
    instructionCost = 0;
    return TraceCheckBreak(options.traceFP11, options.breakFP11, "FP11 Instruction at [%.6lo]", instructionStart) ==
               0 &&
           ReportIllegalOpcode(opcode);
}

bool Cpu1801BM1::ExecuteGroupZero(uint16_t opcode) {
    return HandlerTable::kGroupZero[(opcode >> 3) & 037](*this, opcode);
}

bool Cpu1801BM1::ExecuteControl(uint16_t opcode) {
    switch (opcode) {
    case 0000000: {
        if (!Afford(kHaltCost + kTrapCost)) {
            return false;
        }
        instructionCost = kHaltCost;
        if (TraceCheckBreak(options.traceHALT, options.breakHALT, "HALT at [%.6lo]", instructionStart) != 0) {
            return false;
        }
        uint64_t cycles = 0;
        if (!Trap(kTrapBusError, cycles, 0)) {
            return false;
        }
        trapCycles += cycles;
        sel1 |= kSel1Halted;
        return true;
    }
    case kOpcodeWait:
        if (!Afford(kWaitCost)) {
            return false;
        }
        // Runs again at every step until an interrupt is taken.
        registers[7] -= 2;
        return true;
    case 0000002:
    case kOpcodeRtt:
        return ExecuteReturn();
    case 0000003:
        return TrapInstruction(kTrapBreakpoint, 0);
    case 0000004:
        return TrapInstruction(kTrapIot, 0);
    case 0000005:
        // Resets no device on this processor.
        return Afford(kResetCost) &&
               TraceCheckBreak(options.traceRESET, options.breakRESET, "RESET at [%.6lo]", instructionStart) == 0;
    default:
        return ExecuteIllegal(opcode);
    }
}

bool Cpu1801BM1::ExecuteBusErrorTrap(uint16_t) {
    return TrapInstruction(kTrapBusError, 0);
}

template <uint32_t Mode>
bool Cpu1801BM1::JmpIn(uint16_t opcode) {
    uint16_t address = 0;
    if (!Afford(kJmpCost[Mode]) || !OperandAddressIn<Mode, false>(opcode, address)) {
        return false;
    }
    registers[7] = address;
    return true;
}

bool Cpu1801BM1::ExecuteRts(uint16_t opcode) {
    uint16_t popped = 0;
    if (!Afford(kRtsCost) || !Pop(popped)) {
        return false;
    }
    registers[7] = registers[opcode & 7];
    registers[opcode & 7] = popped;
    return true;
}

bool Cpu1801BM1::ExecuteConditionCodes(uint16_t opcode) {
    if (!Afford(kConditionCodeCost)) {
        return false;
    }
    const uint16_t flags = opcode & 017;
    psw = (opcode & 020) != 0 ? (psw | flags) : (psw & ~flags);
    return true;
}

bool Cpu1801BM1::ExecuteReturn() {
    uint16_t newPc = 0;
    uint16_t newPsw = 0;
    if (!Afford(kReturnCost) || !Pop(newPc) || !Pop(newPsw)) {
        return false;
    }
    LoadPswLow(newPsw);
    registers[7] = newPc;
    return true;
}

bool Cpu1801BM1::ExecuteBranch(uint16_t opcode) {
    if (!Afford(kBranchCost)) {
        return false;
    }
    if (((kBranchTakenFlags[opcode >> 8] >> (psw & kFlagsNZVC)) & 1) != 0) {
        registers[7] += static_cast<uint16_t>(2 * static_cast<int8_t>(opcode & 0xFF));
    }
    return true;
}

bool Cpu1801BM1::ExecuteJsr(uint16_t opcode) {
    return HandlerTable::kJsr[ModeOf(opcode)](*this, opcode);
}

template <uint32_t Mode>
bool Cpu1801BM1::JsrIn(uint16_t opcode) {
    const uint32_t link = (opcode >> 6) & 7;
    uint16_t address = 0;
    if (!Afford(kJsrCost[Mode]) || !OperandAddressIn<Mode, false>(opcode, address) || !Push(registers[link])) {
        return false;
    }
    registers[link] = registers[7];
    registers[7] = address;
    return true;
}

bool Cpu1801BM1::ExecuteSingleOperand(uint16_t opcode) {
    return HandlerTable::kSingleOperands[((opcode >> 6) & 01000) | ((opcode >> 3) & 0777)](*this, opcode);
}

template <SingleOperation Operation, bool Byte, uint32_t Mode>
bool Cpu1801BM1::SingleOperandIn(uint16_t opcode) {
    using enum SingleOperation;
    if (!Afford(Operation == Test ? kTestCost[Mode] : kModifyCost[Mode])) {
        return false;
    }
    constexpr uint16_t sign = Byte ? 0200 : 0100000;
    constexpr uint16_t mask = Byte ? 0377 : 0177777;
    // Every one reads its operand first, CLR too.
    uint16_t x = 0;
    uint16_t address = 0;
    if (!ReadOperandIn<Mode, Byte>(opcode, x, address)) {
        return false;
    }
    const uint16_t carryIn = psw & kPswCarry;
    uint16_t result = 0;
    // Flags set below; N and Z follow the result unless said otherwise.
    uint16_t flags = carryIn;
    if constexpr (Operation == SwapBytes) {
        result = static_cast<uint16_t>((x << 8) | (x >> 8));
        flags = (result & 0200) != 0 ? kPswNegative : 0;
        flags |= (result & 0377) == 0 ? kPswZero : 0;
    } else {
        if constexpr (Operation == Clear) {
            flags = 0;
        } else if constexpr (Operation == Complement) {
            result = ~x & mask;
            flags = kPswCarry;
        } else if constexpr (Operation == Increment) {
            result = (x + 1) & mask;
            flags |= result == sign ? kPswOverflow : 0;
        } else if constexpr (Operation == Decrement) {
            result = (x - 1) & mask;
            flags |= result == sign - 1 ? kPswOverflow : 0;
        } else if constexpr (Operation == Negate) {
            result = (0 - x) & mask;
            flags = (result == sign ? kPswOverflow : 0) | (result != 0 ? kPswCarry : 0);
        } else if constexpr (Operation == AddCarry) {
            result = (x + carryIn) & mask;
            flags = (carryIn && result == sign ? kPswOverflow : 0) | (carryIn && result == 0 ? kPswCarry : 0);
        } else if constexpr (Operation == SubtractCarry) {
            result = (x - carryIn) & mask;
            flags = (result == sign - 1 ? kPswOverflow : 0) | (carryIn && result == mask ? kPswCarry : 0);
        } else if constexpr (Operation == Test) {
            result = x;
            flags = 0;
        } else if constexpr (Operation == RotateRight) {
            result = (x >> 1) | (carryIn ? sign : 0);
            flags = x & 1 ? kPswCarry : 0;
        } else if constexpr (Operation == RotateLeft) {
            result = ((x << 1) | carryIn) & mask;
            flags = x & sign ? kPswCarry : 0;
        } else if constexpr (Operation == ShiftRight) {
            result = (x >> 1) | (x & sign);
            flags = x & 1 ? kPswCarry : 0;
        } else {
            static_assert(Operation == ShiftLeft);
            result = (x << 1) & mask;
            flags = x & sign ? kPswCarry : 0;
        }
        flags |= (result & sign) != 0 ? kPswNegative : 0;
        flags |= result == 0 ? kPswZero : 0;
        if constexpr (Operation >= RotateRight && Operation <= ShiftLeft) {
            // V = N xor C after a shift or rotation.
            const bool negative = (flags & kPswNegative) != 0;
            const bool carry = (flags & kPswCarry) != 0;
            flags |= negative != carry ? kPswOverflow : 0;
        }
    }
    psw = (psw & ~kFlagsNZVC) | flags;
    if constexpr (Operation == Test) {
        return true;
    } else if constexpr (Mode == 0) {
        uint16_t& reg = registers[opcode & 7];
        reg = Byte ? static_cast<uint16_t>((reg & 0xFF00) | result) : result;
        return true;
    } else if constexpr (Byte) {
        return WriteByte(address, static_cast<uint8_t>(result));
    } else {
        return WriteWord(address, result);
    }
}

bool Cpu1801BM1::ExecuteMarkOrSxt(uint16_t opcode) {
    switch ((opcode >> 6) & 3) {
    case 0: {
        // MARK NN
        uint16_t address = static_cast<uint16_t>(registers[7] + 2 * (opcode & 077));
        uint16_t word = 0;
        if (!Afford(kMarkCost) || !ReadWord(address, word)) {
            return false;
        }
        registers[6] = static_cast<uint16_t>(address + 2);
        registers[7] = registers[5];
        registers[5] = word;
        return true;
    }
    case 3: {
        // SXT
        const uint32_t destination = opcode & 077;
        uint16_t x = 0;
        uint16_t address = 0;
        if (!Afford(kModifyCost[ModeOf(destination)]) || !ReadWordOperand(destination, x, address)) {
            return false;
        }
        const uint16_t result = (psw & kPswNegative) != 0 ? 0177777 : 0;
        psw = (psw & ~(kPswZero | kPswOverflow)) | (result == 0 ? kPswZero : 0);
        return WriteWordOperand(destination, address, result);
    }
    default:
        return ExecuteIllegal(opcode);
    }
}

bool Cpu1801BM1::ExecuteMtpsOrMfps(uint16_t opcode) {
    const uint32_t operand = opcode & 077;
    uint16_t address = 0;
    uint8_t value = 0;
    switch ((opcode >> 6) & 3) {
    case 0:
        // MTPS: the T bit cannot be changed this way.
        if (!Afford(kMtpsCost[ModeOf(operand)]) || !ReadByteOperand(operand, value, address)) {
            return false;
        }
        LoadPswLow((value & 0357) | (psw & kPswTrace));
        return true;
    case 3: {
        // MFPS
        if (!Afford(kModifyCost[ModeOf(operand)]) || !ReadByteOperand(operand, value, address)) {
            return false;
        }
        const uint8_t status = static_cast<uint8_t>(psw);
        psw = (psw & ~(kPswNegative | kPswZero | kPswOverflow)) | ((status & 0200) != 0 ? kPswNegative : 0) |
              (status == 0 ? kPswZero : 0);
        return WriteByteOperand(operand, address, status, true);
    }
    default:
        return ExecuteIllegal(opcode);
    }
}

bool Cpu1801BM1::ExecuteDoubleOperand(uint16_t opcode) {
    return HandlerTable::kDoubleOperands[((opcode >> 9) & 0170) | ((opcode >> 3) & 7)](*this, opcode);
}

template <uint32_t Operation, uint32_t DestinationMode>
bool Cpu1801BM1::DoubleOperandTo(uint16_t opcode) {
    constexpr bool byte = (Operation & 010) != 0 && Operation != 016;
    constexpr const PairCosts& costs =
        (Operation & 7) == 1 ? kMoveCost : ((Operation & 7) <= 3 ? kCompareCost : kArithmeticCost);
    if (!Afford(costs[ModeOf(opcode >> 6)][DestinationMode])) {
        return false;
    }
    uint16_t source = 0;
    uint16_t address = 0;
    if (!ReadSourceOperand<byte>((opcode >> 6) & 077, source)) {
        return false;
    }
    constexpr uint16_t sign = byte ? 0200 : 0100000;
    constexpr uint16_t mask = byte ? 0377 : 0177777;
    const uint16_t s = source;
    uint16_t result = 0;
    if constexpr ((Operation & 7) == 1) {
        // MOV, MOVB: the destination is written only.
        if constexpr (DestinationMode != 0) {
            if (!OperandAddressIn<DestinationMode, byte>(opcode, address)) {
                return false;
            }
        }
        result = s;
        SetNZ(result, sign, mask);
        psw &= ~kPswOverflow;
    } else {
        uint16_t d = 0;
        if (!ReadOperandIn<DestinationMode, byte>(opcode, d, address)) {
            return false;
        }
        uint16_t overflowAndCarry = psw & kPswCarry;
        if constexpr (Operation == 002 || Operation == 012) {
            // CMP, CMPB
            result = (s - d) & mask;
            const bool overflow = ((s ^ d) & sign) != 0 && ((result ^ d) & sign) == 0;
            overflowAndCarry = (overflow ? kPswOverflow : 0) | (s < d ? kPswCarry : 0);
        } else if constexpr (Operation == 003 || Operation == 013) {
            result = s & d;
        } else if constexpr (Operation == 004 || Operation == 014) {
            result = ~s & d & mask;
        } else if constexpr (Operation == 005 || Operation == 015) {
            result = s | d;
        } else if constexpr (Operation == 006) {
            const uint32_t sum = static_cast<uint32_t>(s) + d;
            result = static_cast<uint16_t>(sum);
            const bool overflow = ((s ^ d) & sign) == 0 && ((result ^ s) & sign) != 0;
            overflowAndCarry = (overflow ? kPswOverflow : 0) | (sum > 0177777 ? kPswCarry : 0);
        } else {
            static_assert(Operation == 016);
            // SUB
            result = static_cast<uint16_t>(d - s);
            const bool overflow = ((s ^ d) & sign) != 0 && ((result ^ s) & sign) == 0;
            overflowAndCarry = (overflow ? kPswOverflow : 0) | (s > d ? kPswCarry : 0);
        }
        SetNZ(result, sign, mask);
        psw = (psw & ~(kPswOverflow | kPswCarry)) | overflowAndCarry;
        if constexpr ((Operation & 7) <= 3) {
            return true;
        }
    }
    if constexpr (DestinationMode == 0) {
        uint16_t& reg = registers[opcode & 7];
        if constexpr (!byte) {
            reg = result;
        } else if constexpr ((Operation & 7) == 1) {
            // MOVB to a register extends the sign.
            reg = static_cast<uint16_t>(static_cast<int8_t>(static_cast<uint8_t>(result)));
        } else {
            reg = static_cast<uint16_t>((reg & 0xFF00) | static_cast<uint8_t>(result));
        }
        return true;
    } else if constexpr (byte) {
        return WriteByte(address, static_cast<uint8_t>(result));
    } else {
        return WriteWord(address, result);
    }
}

bool Cpu1801BM1::ExecuteXor(uint16_t opcode) {
    const uint32_t destination = opcode & 077;
    const uint16_t source = registers[(opcode >> 6) & 7];
    uint16_t d = 0;
    uint16_t address = 0;
    if (!Afford(kXorCost[ModeOf(destination)]) || !ReadWordOperand(destination, d, address)) {
        return false;
    }
    const uint16_t result = source ^ d;
    SetNZ(result, 0100000, 0177777);
    psw &= ~kPswOverflow;
    return WriteWordOperand(destination, address, result);
}

bool Cpu1801BM1::ExecuteSob(uint16_t opcode) {
    if (!Afford(kSobCost)) {
        return false;
    }
    uint16_t& counter = registers[(opcode >> 6) & 7];
    if (--counter != 0) {
        registers[7] -= static_cast<uint16_t>(2 * (opcode & 077));
    }
    return true;
}

bool Cpu1801BM1::ExecuteEmtOrTrap(uint16_t opcode) {
    return TrapInstruction((opcode & 0400) != 0 ? kTrapTrap : kTrapEmt, static_cast<uint8_t>(opcode));
}

} // namespace emu
