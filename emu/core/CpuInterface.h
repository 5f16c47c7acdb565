#pragma once

#include <cstdint>

namespace common {
class String;
} // namespace common

namespace emu {

class CpuInterface;
class TreeNode;
struct SliceRun;

// A timed event of a processor: called when due with the device that owns it, the event's period (which it may
// change; 0 or less becomes 1) and its data. Answers false to remove the event.
using TimedEventCallback = bool (*)(TreeNode* owner, int32_t* period, uint64_t* data, CpuInterface* cpu);

// A processor as the emulation controller, the debugger console and the devices reach it: the run slices, the
// clock and cycle counter, interrupt requests, timed events and disassembly. CpuBase implements it.
class CpuInterface {
public:
    virtual ~CpuInterface() = default;

    // Puts the interrupt and request flags back to their power-on values; a processor also resets its registers
    // and answers its new status word.
    virtual uint32_t Reset() = 0;
    virtual int32_t CpuModelCode() const = 0;
    // As Reset, but an instruction parked for lack of cycles stays; a processor then loads its start address and
    // answers it.
    virtual uint32_t InitialStart() = 0;
    // Runs instructions for about `budget` cycles (a budget of 0 runs exactly one) and answers the cycles used.
    virtual int32_t Execute(int32_t budget) = 0;
    // As Execute, and for a budget above 0 then on through the slices that follow while the run lets it end them
    // (see SliceRun); answers the cycles used by the last piece it ran.
    virtual int32_t ExecuteSlices(int32_t budget, SliceRun& run) = 0;
    // Ends the running slice after the instruction in progress; answers GetPC().
    virtual uint32_t EndSlice() = 0;
    // Aborts the instruction in progress, which gives up at its next memory access and runs again in full later.
    // Device handlers and the host's break handling call it. Non-zero when an instruction was aborted.
    virtual uint32_t RaiseBusFault() = 0;
    // Whether the instruction in progress was aborted.
    virtual bool BusFault() const = 0;
    // While a slice runs, the address of the instruction in progress; otherwise the program counter.
    virtual uint32_t GetPC() const = 0;
    // The memory map's layout changed.
    virtual void OnMemoryMapChanged() = 0;
    // The present moment in this processor's cycles, the part of a running slice already spent included.
    virtual uint64_t Cycles() const = 0;
    virtual uint32_t GetAddressMask() const = 0;
    virtual void SetAddressMask(uint32_t mask) = 0;
    // The interrupt sources are asked again at the next instruction boundary that allows it.
    virtual void RequestInterruptCheck() = 0;
    // A device's interrupt line went up or down.
    virtual void InterruptLineChanged(uint32_t value) = 0;
    virtual int32_t Frequency() const = 0;
    // False for a negative frequency; otherwise restarts the counters at the new clock.
    virtual bool SetFrequency(int32_t hz) = 0;
    virtual int32_t RequestedFrequency() const = 0;
    virtual void SetRequestedFrequency(int32_t hz) = 0;
    virtual int32_t PrimaryFrequency() const = 0;
    // The present moment in ticks of the primary frequency.
    virtual uint64_t ScaledElapsed() const = 0;
    virtual bool GetNMI() const = 0;
    virtual bool SetNMI(bool on) = 0;
    // Whether a request for the controller waits (TakePendingRequest).
    virtual bool HasPendingRequest() const = 0;
    // Time spent outside the instruction stream (a device stalling the bus); scaled like event periods.
    virtual void AddCycles(int32_t cycles) = 0;
    virtual bool IsMaxSpeed() const = 0;
    // The instruction at the program counter as the console shows it: seven texts, the flow flags and the seven
    // column widths. Answers the instruction's length in bytes, -1 when it cannot be decoded, 0 when there is
    // nothing to show.
    virtual int32_t Disassemble(common::String& addressText, common::String& wordsText, common::String& instructionText,
                                common::String& flagsText, common::String& commentText, common::String& spareText1,
                                common::String& spareText2, uint32_t& flowFlags, int32_t& addressWidth,
                                int32_t& wordsWidth, int32_t& instructionWidth, int32_t& flagsWidth,
                                int32_t& commentWidth, int32_t& spareWidth1, int32_t& spareWidth2) = 0;
    virtual void TakePendingRequest(uint32_t& first, uint32_t& second) = 0;
    // Calls callback with owner every period cycles: a positive period first after one period, a period of 0 or
    // less at the next dispatch and then every |period| (at least 1). The name must outlive the event; while the
    // machine starts, the event is also bound by name on the bus so that a saved state can find it again. False
    // when that binding fails, and then no event is added.
    virtual bool AddEvent(int32_t period, TimedEventCallback callback, TreeNode* owner, const char* name,
                          uint64_t data) = 0;
    // Gives every event added before the start its first due time; the controller calls it once before it runs.
    virtual void RebuildEvents() = 0;
    // Runs every due event; the controller calls it when cyclesToNextEvent has run down to 0 or below.
    virtual void DispatchEvents() = 0;
    // The primary frequency at maximum speed, else the processor's own.
    virtual int32_t EffectiveFrequency() const = 0;
    // The memory map changed the page (-1: every page).
    virtual void PageChanged([[maybe_unused]] int32_t page) {}
    // Whether video lines are drawn at frame end rather than as the bus-paced line events come.
    virtual bool DefersLineRendering() const { return false; }

    // Cycles from now to the earliest pending event, 0x7FFFFFFF when none. The controller reads it and counts it
    // down itself while it runs slices no longer than it.
    int32_t cyclesToNextEvent = kNoEventPending;
    static constexpr int32_t kNoEventPending = 0x7FFFFFFF;

protected:
    CpuInterface() = default;
    CpuInterface(const CpuInterface&) = delete;
    CpuInterface& operator=(const CpuInterface&) = delete;
};

} // namespace emu
