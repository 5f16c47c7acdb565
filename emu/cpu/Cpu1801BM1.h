#pragma once

#include "emu/core/CpuBase.h"
#include "emu/cpu/Disassembler.h"
#include "emu/cpu/MemoryPeek.h"
#include "emu/cpu/Operations.h"

#include <array>
#include <cstdint>
#include <vector>

namespace emu {

// The 1801BM1 processor of the BK machines: the PDP-11 base instruction set with MARK, SOB, XOR, SXT, MTPS and
// MFPS, without EIS, FP11 or memory management, with its own cycle counts. It runs instructions in slices of a
// cycle budget (an instruction that does not fit is parked and paid for by the following slices), takes traps,
// vectors posted by the machine and hardware interrupts at instruction boundaries, and reads and writes plain
// memory pages in place through the machine's page table.
class Cpu1801BM1 final : public CpuBase {
public:
    // The trace and break switches of the debugger, each bound to a settings key of its name.
    struct Options {
        bool traceIllegalOpcode = false;
        bool breakIllegalOpcode = false;
        bool traceEIS = false;
        bool breakEIS = false;
        bool traceFP11 = false;
        bool breakFP11 = false;
        bool traceHALT = false;
        bool breakHALT = false;
        bool traceRESET = false;
        bool breakRESET = false;
        bool breakExec1000 = false;
    };

    static constexpr uint16_t kPswPriority = 0200;
    static constexpr uint16_t kPowerOnPsw = 0340;
    // SEL1 bits: set at start, and set by HALT.
    static constexpr uint16_t kSel1Started = 0200;
    static constexpr uint16_t kSel1Halted = 04;
    static constexpr int32_t kNoPendingVector = -1;
    // Instruction boundaries after an interrupt before the sources are asked again.
    static constexpr int32_t kInterruptPollDelay = 20;
    // Above every instruction's cost; a saved parked cost beyond it is no state of this processor.
    static constexpr int32_t kLargestInstructionCost = 0xFFFF;

    Cpu1801BM1();

    uint16_t Register(int index) const { return registers[index & 7]; }
    void SetRegister(int index, uint16_t value) { registers[index & 7] = value; }
    const std::array<uint16_t, 8>& Registers() const { return registers; }
    uint16_t Psw() const { return psw; }
    void SetPsw(uint16_t value) { psw = value; }
    uint16_t Sel1() const { return sel1; }
    // The machine's side of SEL1: its write flag (bit 2) and the STOP key.
    void SetSel1(uint16_t value) { sel1 = value; }
    // The machine's start address; its high byte also becomes SEL1's at start.
    uint16_t StartWord() const { return startWord; }
    void SetStartWord(uint16_t value) { startWord = value; }
    int32_t PendingVector() const { return pendingVector; }
    Options& TraceOptions() { return options; }

    // Posts a vector (the machine posts 004 for bus errors and the STOP key), taken at the next instruction
    // boundary ahead of any hardware interrupt and whatever the priority; a later post replaces one not yet taken.
    void RequestInterruptVector(uint32_t vector);
    // Replaces the status word's low byte; dropping the priority bit 7 has the interrupt sources asked again at
    // the second instruction boundary.
    void SetPswLow(uint8_t value);
    // Enters trap `number` (vector 4 * number), first offered to the interrupt service's hook table B with
    // hookByte. cycles gets the entry's cost. False when an abort stopped it.
    bool Trap(uint32_t number, uint64_t& cycles, uint8_t hookByte);
    // The register dump: two lines, or the debugger's full form.
    std::vector<common::NarrowString> RegisterDump(bool full) const;
    void DumpState(common::Console& console, bool full) const;

    uint32_t Reset() override;
    int32_t CpuModelCode() const override { return 5; }
    uint32_t InitialStart() override;
    int32_t Execute(int32_t budget) override;
    int32_t ExecuteSlices(int32_t budget, SliceRun& run) override;
    uint32_t RaiseBusFault() override;
    uint32_t GetPC() const override { return executing ? instructionStart : registers[7]; }
    void SetAddressMask(uint32_t mask) override { addressMask = mask & 0xFFFF; }
    void InterruptLineChanged(uint32_t) override { RequestInterruptCheck(); }
    int32_t Disassemble(common::String& addressText, common::String& wordsText, common::String& instructionText,
                        common::String& flagsText, common::String& commentText, common::String& spareText1,
                        common::String& spareText2, uint32_t& flowFlags, int32_t& addressWidth, int32_t& wordsWidth,
                        int32_t& instructionWidth, int32_t& flagsWidth, int32_t& commentWidth, int32_t& spareWidth1,
                        int32_t& spareWidth2) override;
    // The instruction at PC, for callers that want the line whole.
    int32_t Disassemble(DisassemblyLine& line);

    bool Reset(bool) override { return true; }
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The options pages: "Break On PC=01000" on page 6, the trace and break switches on the trace page.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool Start(int32_t& rate) override;
    bool DescribeState(common::List& lines, bool flag, int32_t value) override;

protected:
    bool SaveProcessorState(common::RecordArchive& archive) override;
    bool LoadProcessorState(common::RecordArchive& archive) override;

private:
    using Handler = bool (Cpu1801BM1::*)(uint16_t opcode);
    struct HandlerTable;
    struct CostProbe {};

    // A processor that only learns each opcode's cost from its handler.
    explicit Cpu1801BM1(CostProbe);
    // What each opcode costs up front (a HALT and the trap instructions with their traps), as its handler
    // charges it: the slices must pay that much before the instruction runs.
    static const std::array<uint16_t, 0x10000>& InstructionCosts();

    // The debugger's view of memory: reads with the peek flag, nothing reacts.
    class Peeker : public MemoryPeek {
    public:
        explicit Peeker(Cpu1801BM1& cpu) : cpu(cpu) {}
        bool PeekWord(uint16_t address, uint16_t& word) override;
        bool PeekByte(uint16_t address, uint8_t& byte) override;

    private:
        Cpu1801BM1& cpu;
    };

    // One step of Execute: a parked instruction, a posted vector, an interrupt or one instruction. False ends the
    // slice. Inlined into both of the run loops that call it.
    [[gnu::always_inline]] inline bool Step();
    bool EnterInterrupt(uint32_t number, uint64_t& cycles);
    // Parks the fetched instruction, to go on at pc, for lack of cycles: the slices to come pay its cost.
    void Park(uint16_t opcode, uint16_t pc);
    // The instruction's cost, charged before it does anything else. False only on the probing processor.
    bool Afford(int32_t cost);
    bool BreakAt1000();
    void LoadPswLow(uint16_t value);

    // Memory: in place when the page allows it, else through the memory map; false when the access was aborted.
    template <uint32_t TestMask, uint8_t Peek>
    bool ReadWordAs(uint16_t address, uint16_t& value);
    template <uint8_t Peek>
    bool ReadByteAs(uint16_t address, uint8_t& value);
    // The accesses the page does not serve in place.
    bool ReadWordThroughMap(uint16_t address, uint16_t& value, uint8_t peek);
    bool WriteWordThroughMap(uint16_t address, uint16_t value);
    bool ReadByteThroughMap(uint16_t address, uint8_t& value, uint8_t peek);
    bool WriteByteThroughMap(uint16_t address, uint8_t value);
    bool FetchWord(uint16_t address, uint16_t& value);
    bool ReadWord(uint16_t address, uint16_t& value);
    bool WriteWord(uint16_t address, uint16_t value);
    bool ReadByte(uint16_t address, uint8_t& value);
    bool WriteByte(uint16_t address, uint8_t value);
    bool Push(uint16_t value);
    bool Pop(uint16_t& value);
    bool PeekWord(uint16_t address, uint16_t& value);
    bool PeekByte(uint16_t address, uint8_t& value);

    // Operands by their six-bit specifier; side effects on the registers happen as the access goes.
    // The address of an operand in memory (modes 1-7), by a mode known at compile time.
    template <uint32_t Mode, bool Byte>
    bool OperandAddressIn(uint32_t specifier, uint16_t& address);
    template <bool Byte>
    bool OperandAddress(uint32_t specifier, uint16_t& address);
    // A word, or a byte widened to a word, by a mode known at compile time.
    template <uint32_t Mode, bool Byte>
    bool ReadOperandIn(uint32_t specifier, uint16_t& value, uint16_t& address);
    template <bool Byte>
    bool ReadOperand(uint32_t specifier, uint16_t& value, uint16_t& address);
    // The source of a two-operand instruction: one body for all of them, which keeps theirs short.
    template <bool Byte>
    bool ReadSourceOperand(uint32_t specifier, uint16_t& value);
    bool ReadWordOperand(uint32_t specifier, uint16_t& value, uint16_t& address);
    bool ReadByteOperand(uint32_t specifier, uint8_t& value, uint16_t& address);
    bool WriteWordOperand(uint32_t specifier, uint16_t address, uint16_t value);
    bool WriteByteOperand(uint32_t specifier, uint16_t address, uint8_t value, bool signExtend);

    void SetNZ(uint16_t result, uint16_t signBit, uint16_t valueMask);

    // Instruction groups by the opcode's high byte.
    bool ExecuteGroupZero(uint16_t opcode);
    // The parts of group zero by bits 3-7 of the opcode.
    bool ExecuteControl(uint16_t opcode);
    bool ExecuteBusErrorTrap(uint16_t opcode);
    template <uint32_t Mode>
    bool JmpIn(uint16_t opcode);
    bool ExecuteRts(uint16_t opcode);
    bool ExecuteConditionCodes(uint16_t opcode);
    bool ExecuteBranch(uint16_t opcode);
    bool ExecuteJsr(uint16_t opcode);
    template <uint32_t Mode>
    bool JsrIn(uint16_t opcode);
    bool ExecuteSingleOperand(uint16_t opcode);
    // Each single-operand instruction in each addressing mode.
    template <SingleOperation Operation, bool Byte, uint32_t Mode>
    bool SingleOperandIn(uint16_t opcode);
    bool ExecuteMarkOrSxt(uint16_t opcode);
    bool ExecuteMtpsOrMfps(uint16_t opcode);
    bool ExecuteDoubleOperand(uint16_t opcode);
    // Each two-operand instruction, by bits 12-15 of its opcode, in each destination mode.
    template <uint32_t Operation, uint32_t DestinationMode>
    bool DoubleOperandTo(uint16_t opcode);
    bool ExecuteEis(uint16_t opcode);
    bool ExecuteXor(uint16_t opcode);
    bool ExecuteSob(uint16_t opcode);
    bool ExecuteEmtOrTrap(uint16_t opcode);
    bool ExecuteFloatingPoint(uint16_t opcode);
    bool ExecuteIllegal(uint16_t opcode);
    bool ExecuteReturn();
    // The illegal-instruction report, then the trap to 010 unless the report broke.
    bool ReportIllegalOpcode(uint16_t opcode);
    // Enters a trap as the instruction's whole work, charged the trap's cycles.
    bool TrapInstruction(uint32_t number, uint8_t hookByte);

    std::array<uint16_t, 8> registers{};
    // R0..R7 as the step in progress found them, put back when it is abandoned.
    std::array<uint16_t, 8> savedRegisters{};
    uint16_t psw = 0;
    uint16_t sel1 = 0;
    uint16_t startWord = 0;
    int32_t pendingVector = kNoPendingVector;
    uint16_t parkedOpcode = 0;
    uint16_t parkedPc = 0;
    int32_t parkedCycles = 0;
    // Per slice: a budget of 0 asks for exactly one step and never parks.
    bool singleStep = false;
    // Per instruction: its own cycles and those of traps entered inside.
    int32_t instructionCost = 0;
    uint64_t trapCycles = 0;
    const uint16_t* instructionCosts = nullptr;
    bool probingCosts = false;
    Options options;
    Peeker peeker{*this};
    Disassembler disassembler;
};

} // namespace emu
