#pragma once

#include <cstdint>

namespace emu {

class CpuInterface;
class TreeNode;

// A timed event of a processor: called when due with the device that owns it, the event's period (which it may
// change; 0 or less becomes 1) and its data. Answers false to remove the event.
using TimedEventCallback = bool (*)(TreeNode* owner, int32_t* period, uint64_t* data, CpuInterface* cpu);

// A processor as the machine, its services and its devices reach it. The processor base derives from it; this
// is what the machine and its services call.
class CpuInterface {
public:
    virtual ~CpuInterface() = default;

    // Makes the processor poll the interrupt sources before its next instruction.
    virtual void RequestInterruptCheck() = 0;
    // Clock frequency in Hz.
    virtual int32_t Frequency() const = 0;
    // The speed the processor is asked to run at, Hz.
    virtual int32_t RequestedFrequency() const = 0;
    // The frequency of the time base that event periods are given in, Hz.
    virtual int32_t PrimaryFrequency() const = 0;
    // Time elapsed since start in ticks of the primary frequency.
    virtual uint64_t ScaledElapsed() const = 0;
    virtual bool IsMaxSpeed() const = 0;
    // Calls callback with owner every period cycles: a positive period first after one period, a period of 0 or
    // less at the next dispatch and then every |period| (at least 1). The name must outlive the event; while the
    // machine starts, the event is also bound by name on the bus so that a saved state can find it again.
    virtual bool AddEvent(int32_t period, TimedEventCallback callback, TreeNode* owner, const char* name,
                          uint64_t data) = 0;
    // The memory map changed the page (-1: every page).
    virtual void PageChanged([[maybe_unused]] int32_t page) {}

protected:
    CpuInterface() = default;
    CpuInterface(const CpuInterface&) = delete;
    CpuInterface& operator=(const CpuInterface&) = delete;
};

} // namespace emu
