#include "support/RamTestMachine.h"

#include "emu/core/InterruptController.h"
#include "emu/core/MemoryMap.h"

#include <cstdlib>

namespace test_support {

RamTestMachine::RamTestMachine() : RamTestMachine(nullptr) {}

RamTestMachine::RamTestMachine(const std::function<void(TestMachine&)>& addDevices) {
    machine.SetHostCallback(&AnswerBreak, this);
    if (addDevices) {
        addDevices(machine);
    }
    // Without its 64 KB nothing the fixture offers works: better to stop at once than to fail somewhere later.
    if (!machine.PowerOn()) {
        std::abort();
    }
    // The services start empty: the source, the hooks and the unmapped hooks are bound once they run.
    machine.Memory()->SetUnmappedHooks({this, &CountRead, &CountWrite});
    machine.Interrupts()->AddSource(this, &Ask, nullptr, nullptr);
    for (uint32_t number = 0; number < emu::InterruptController::kHookCount; ++number) {
        machine.Interrupts()->SetHandlerB(number, this, &Hook);
    }
}

void RamTestMachine::Attach(emu::CpuBase& processor) {
    machine.processor = &processor;
    processor.SetServices(&machine, machine.Bus(), machine.Memory(), machine.Ports(), machine.Interrupts(), nullptr,
                          machine.Keys(), machine.Drives(), machine.Mouse());
}

void RamTestMachine::MachineWithProcessor::RequestInterruptCheck() {
    if (processor != nullptr) {
        processor->RequestInterruptCheck();
    }
}

uint16_t RamTestMachine::Word(uint16_t address) const {
    const uint8_t* bytes = machine.Memory()->RamBase();
    return static_cast<uint16_t>(bytes[address] | (bytes[(address + 1u) & 0xFFFF] << 8));
}

void RamTestMachine::SetWord(uint16_t address, uint16_t value) {
    uint8_t* bytes = Memory();
    bytes[address] = static_cast<uint8_t>(value);
    bytes[(address + 1u) & 0xFFFF] = static_cast<uint8_t>(value >> 8);
}

void RamTestMachine::Load(uint16_t address, std::initializer_list<uint16_t> words) {
    for (uint16_t word : words) {
        SetWord(address, word);
        address += 2;
    }
}

// Handler pages keep their bytes in storage: their handlers count the access and decline it.
void RamTestMachine::SetPageKind(uint32_t page, PageKind kind) {
    emu::MemoryMap& memory = *machine.Memory();
    memory.ResetPageRange(page, 1);
    memory.SetPageMapping(emu::MemoryMap::Access::ReadWrite, page, 1);
    switch (kind) {
    case PageKind::Ram:
        break;
    case PageKind::Rom:
        memory.SetPageMapping(emu::MemoryMap::Access::ReadOnly, page, 1);
        break;
    case PageKind::Absent:
        memory.SetPageMapping(emu::MemoryMap::Access::None, page, 1);
        break;
    case PageKind::Handled:
        memory.MapReadRange(page, 1, this, &CountRead, false);
        memory.MapWriteRange(page, 1, this, &CountWrite, false);
        break;
    }
}

bool RamTestMachine::DeviceAccess(uint32_t address) {
    ++slowAccesses;
    if (static_cast<int32_t>(address) == abortAddress && machine.processor != nullptr) {
        machine.processor->RaiseBusFault();
        return false;
    }
    return true;
}

// Declines the read, so that storage (or all ones, for an absent page) answers; peeks are not counted.
bool RamTestMachine::CountRead(void* context, uint32_t address, uint32_t, void*, uint8_t peek) {
    if (peek == 0) {
        static_cast<RamTestMachine*>(context)->DeviceAccess(address);
    }
    return false;
}

bool RamTestMachine::CountWrite(void* context, uint32_t address, uint32_t, const void*) {
    static_cast<RamTestMachine*>(context)->DeviceAccess(address);
    return false;
}

// The break query of a device report (code 0); the machine's other question to its host is left unanswered.
int32_t RamTestMachine::AnswerBreak(void* context, uint8_t* request, uint8_t* show, int32_t code) {
    auto* test = static_cast<RamTestMachine*>(context);
    if (code != 0) {
        return 0;
    }
    ++test->breakQueries;
    *show = 1;
    if (!test->breaks || *request == 0) {
        return 0;
    }
    if (test->machine.processor != nullptr) {
        test->machine.processor->RaiseBusFault();
    }
    return 1;
}

bool RamTestMachine::Ask(void* context, emu::InterruptAsk mode, uint32_t* line, uint32_t* vectorNumber,
                         uint32_t* vectorAddress) {
    auto* machine = static_cast<RamTestMachine*>(context);
    if (mode == emu::InterruptAsk::Acknowledge) {
        ++machine->acknowledged;
        machine->requests.pop_front();
        return true;
    }
    ++machine->polls;
    if (machine->requests.empty() || (machine->requestsMasked && machine->requestsMasked())) {
        return false;
    }
    *line = *vectorAddress = 0;
    *vectorNumber = machine->requests.front();
    return true;
}

bool RamTestMachine::Hook(void* context, uint32_t number, uint32_t argument1, uint32_t, emu::CpuInterface*,
                          uint64_t* cycles) {
    auto* machine = static_cast<RamTestMachine*>(context);
    machine->hookCalls.push_back({number, argument1});
    if (static_cast<int32_t>(number) != machine->hookedNumber) {
        return false;
    }
    *cycles += machine->hookCycles;
    return true;
}

} // namespace test_support
