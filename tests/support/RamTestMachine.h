#pragma once

#include "emu/core/BusService.h"
#include "emu/core/CpuBase.h"
#include "emu/core/InterruptController.h"
#include "support/TestMachine.h"

#include <deque>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace test_support {

// The processor tests' machine: the test machine, powered on, of which pages may be made ROM, absent (reads all
// ones) or served by a handler; its interrupt service has a scripted request source and a recording trap hook, and
// its host may break on device reports. The processor stays the test's own: attach it, then start it.
class RamTestMachine {
public:
    enum class PageKind { Ram, Rom, Absent, Handled };

    RamTestMachine();
    // With devices of the test's own, which addDevices adds before the machine powers on, as a machine model adds
    // its devices: they start with the machine, their parameters in force.
    explicit RamTestMachine(const std::function<void(TestMachine&)>& addDevices);

    // Hands the processor the machine and its services; the machine takes it as its first processor.
    void Attach(emu::CpuBase& processor);

    uint8_t* Memory() { return machine.Memory()->RamBase(); }
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
    // While masked answers true, polls find no request (as a device masked by the processor's priority).
    void MaskRequestsWhile(std::function<bool()> masked) { requestsMasked = std::move(masked); }
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

    emu::BusService& Bus() { return *machine.Bus(); }
    TestMachine& Machine() { return machine; }

private:
    // The test machine with the attached processor as its processor, though the tree does not own it.
    class MachineWithProcessor : public TestMachine {
    public:
        emu::CpuInterface* FirstCpu() const override { return processor; }
        void RequestInterruptCheck() override;

        emu::CpuBase* processor = nullptr;
    };

    // Counts the access and aborts it at the chosen address; false when aborted.
    bool DeviceAccess(uint32_t address);
    static bool CountRead(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    static bool CountWrite(void* context, uint32_t address, uint32_t size, const void* buffer);
    static bool Ask(void* context, emu::InterruptAsk mode, uint32_t* line, uint32_t* vectorNumber,
                    uint32_t* vectorAddress);
    static bool Hook(void* context, uint32_t number, uint32_t argument1, uint32_t argument2, emu::CpuInterface* cpu,
                     uint64_t* cycles);
    static int32_t AnswerBreak(void* context, uint8_t* request, uint8_t* show, int32_t code);

    MachineWithProcessor machine;
    int32_t abortAddress = -1;
    int32_t slowAccesses = 0;
    std::deque<uint32_t> requests;
    std::function<bool()> requestsMasked;
    int32_t polls = 0;
    int32_t acknowledged = 0;
    int32_t hookedNumber = -1;
    uint64_t hookCycles = 0;
    std::vector<HookCall> hookCalls;
    bool breaks = false;
    int32_t breakQueries = 0;
};

} // namespace test_support
