#pragma once

#include "emu/core/BusService.h"
#include "emu/core/CpuBase.h"
#include "emu/core/InterruptServiceInterface.h"
#include "emu/core/MachineInterface.h"
#include "emu/core/MemoryBusInterface.h"
#include "emu/core/PageTable.h"

#include <array>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

namespace test_support {

// A small machine for processor tests: 64 KB of RAM in 1 KB pages, of which pages may be made ROM, absent (reads
// all ones) or served by a handler; a scripted interrupt source with a trap hook; a bus service for named event
// bindings; and a host that may break on device reports. Attach a processor, then start it.
class RamTestMachine : public emu::MachineInterface,
                       public emu::MemoryBusInterface,
                       public emu::InterruptServiceInterface {
public:
    static constexpr uint32_t kPages = 64;
    static constexpr uint32_t kRamPage = 0x03;
    static constexpr uint32_t kRomPage = 0x01;
    static constexpr uint32_t kAbsentPage = 0x00;
    static constexpr uint32_t kHandlerPage = 0x0F;

    RamTestMachine();

    // Hands the processor this machine's memory, interrupts and bindings.
    void Attach(emu::CpuBase& processor);

    std::array<uint8_t, 65536>& Memory() { return memory; }
    uint16_t Word(uint16_t address) const;
    void SetWord(uint16_t address, uint16_t value);
    // Stores words from address on.
    void Load(uint16_t address, std::initializer_list<uint16_t> words);
    void SetPageKind(uint32_t page, uint32_t flags);
    // A slow access at this address aborts the instruction in progress.
    void AbortAt(int32_t address) { abortAddress = address; }
    int32_t SlowAccesses() const { return slowAccesses; }

    // Interrupt source: requests are answered in order, one per poll; polls are counted.
    void RequestInterrupt(uint32_t vectorNumber) { requests.push_back(vectorNumber); }
    int32_t Polls() const { return polls; }
    int32_t Acknowledged() const { return acknowledged; }
    // The trap hook takes entries of this number, adding extraCycles.
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
    bool ApplySettings(emu::ConfigParam*) override { return true; }
    int32_t QueryBreak(uint8_t& request, uint8_t& show) override;
    void Pause(bool) override {}

    // MemoryBusInterface
    uint8_t ReadByte(uint32_t address, uint8_t peek) override;
    void WriteByte(uint32_t address, uint8_t value) override;
    uint16_t ReadWord(uint32_t address, uint8_t peek) override;
    void WriteWord(uint32_t address, uint16_t value) override;

    // InterruptServiceInterface
    bool AskSources(uint8_t mode, uint32_t& first, uint32_t& vectorNumber, uint32_t& third) override;
    bool CallHandlerB(uint32_t number, uint32_t argument1, uint32_t argument2, emu::CpuInterface* cpu,
                      uint64_t& cycles) override;

private:
    bool SlowAccess(uint32_t address);
    static bool DeclineRead(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    static bool DeclineWrite(void* context, uint32_t address, uint32_t size, const void* buffer);

    std::array<uint8_t, 65536> memory{};
    std::array<emu::PageDescriptor, kPages> pages{};
    emu::PageTable pageTable;
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
    emu::BusService bus;
};

} // namespace test_support
