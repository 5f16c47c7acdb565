#pragma once

#include "emu/core/BusService.h"
#include "emu/core/CpuBase.h"
#include "emu/core/InterruptController.h"
#include "emu/core/MachineInterface.h"
#include "emu/core/MemoryMap.h"

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <vector>

namespace test_support {

// A small machine for processor tests, made of the machine's own services without the machine: a memory map of
// 64 KB of RAM in 1 KB pages, of which pages may be made ROM, absent (reads all ones) or served by a handler; an
// interrupt controller with a scripted request source and a recording trap hook; a bus service for named event
// bindings; and a host that may break on device reports. Attach a processor, then start it.
class RamTestMachine : public emu::MachineInterface {
public:
    enum class PageKind { Ram, Rom, Absent, Handled };

    RamTestMachine();

    // Hands the processor this machine and its services.
    void Attach(emu::CpuBase& processor);

    uint8_t* Memory() { return memory.RamBase(); }
    uint16_t Word(uint16_t address) const;
    void SetWord(uint16_t address, uint16_t value);
    // Stores words from address on.
    void Load(uint16_t address, std::initializer_list<uint16_t> words);
    void SetPageKind(uint32_t page, PageKind kind);
    // A device access at this address (a handler page or an absent one) aborts the instruction in progress.
    void AbortAt(int32_t address) { abortAddress = address; }
    // Accesses that reached a handler or an unmapped hook.
    int32_t SlowAccesses() const { return slowAccesses; }

    // Interrupt source: requests are answered in order, one per poll; polls are counted.
    void RequestInterrupt(uint32_t vectorNumber) { requests.push_back(vectorNumber); }
    int32_t Polls() const { return polls; }
    int32_t Acknowledged() const { return acknowledged; }
    // The trap hook takes entries of this number, adding extraCycles; it records every entry offered to it.
    void HookTrap(int32_t number, uint64_t extraCycles) {
        hookedNumber = number;
        hookCycles = extraCycles;
    }
    struct HookCall {
        uint32_t number;
        uint32_t argument;
        bool operator==(const HookCall&) const = default;
    };
    const std::vector<HookCall>& HookCalls() const { return hookCalls; }

    // Host: breaks on every report that asks for one (aborting the instruction as the controller does).
    void BreakOnReports(bool on) { breaks = on; }
    int32_t BreakQueries() const { return breakQueries; }

    emu::BusService& Bus() { return bus; }

    // MachineInterface
    emu::CpuInterface* FirstCpu() const override { return cpu; }
    void RequestInterruptCheck() override;
    bool ApplySettings(emu::ConfigParam*) override { return true; }
    int32_t QueryBreak(uint8_t& request, uint8_t& show) override;
    void Pause(bool) override {}

private:
    // Counts the access and aborts it at the chosen address; false when aborted.
    bool DeviceAccess(uint32_t address);
    static bool CountRead(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    static bool CountWrite(void* context, uint32_t address, uint32_t size, const void* buffer);
    static bool Ask(void* context, uint8_t mode, uint32_t* value1, uint32_t* value2, uint32_t* value3);
    static bool Hook(void* context, uint32_t number, uint32_t argument1, uint32_t argument2, emu::CpuInterface* cpu,
                     uint64_t* cycles);

    emu::MemoryMap memory;
    emu::InterruptController interrupts;
    emu::BusService bus;
    emu::CpuBase* cpu = nullptr;
    int32_t abortAddress = -1;
    int32_t slowAccesses = 0;
    std::deque<uint32_t> requests;
    int32_t polls = 0;
    int32_t acknowledged = 0;
    int32_t hookedNumber = -1;
    uint64_t hookCycles = 0;
    std::vector<HookCall> hookCalls;
    bool breaks = false;
    int32_t breakQueries = 0;
};

} // namespace test_support
