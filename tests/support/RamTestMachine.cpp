#include "support/RamTestMachine.h"

#include "emu/core/Device.h"

namespace test_support {

RamTestMachine::RamTestMachine() {
    for (uint32_t page = 0; page < kPages; ++page) {
        pages[page].readBase = memory.data() + page * emu::kPageSize;
        pages[page].writeBase = memory.data() + page * emu::kPageSize;
        SetPageKind(page, kRamPage);
    }
    pageTable.pages = pages.data();
    pageTable.pageCount = kPages;
    pageTable.storage = memory.data();
    pageTable.highestAddress = static_cast<uint32_t>(memory.size() - 1);
}

void RamTestMachine::Attach(emu::CpuBase& processor) {
    cpu = &processor;
    processor.AttachMachineServices(&pageTable, this, this);
    processor.SetServices(this, &bus, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

uint16_t RamTestMachine::Word(uint16_t address) const {
    return static_cast<uint16_t>(memory[address] | (memory[(address + 1u) & 0xFFFF] << 8));
}

void RamTestMachine::SetWord(uint16_t address, uint16_t value) {
    memory[address] = static_cast<uint8_t>(value);
    memory[(address + 1u) & 0xFFFF] = static_cast<uint8_t>(value >> 8);
}

void RamTestMachine::Load(uint16_t address, std::initializer_list<uint16_t> words) {
    for (uint16_t word : words) {
        SetWord(address, word);
        address += 2;
    }
}

// Handler pages keep their bytes in the flat storage: their handlers count the access and decline it.
void RamTestMachine::SetPageKind(uint32_t page, uint32_t flags) {
    const bool handled = flags == kHandlerPage;
    pages[page].flags = flags;
    pages[page].readContext = pages[page].writeContext = handled ? this : nullptr;
    pages[page].readHandler = handled ? &DeclineRead : nullptr;
    pages[page].writeHandler = handled ? &DeclineWrite : nullptr;
}

bool RamTestMachine::DeclineRead(void* context, uint32_t address, uint32_t, void*, uint8_t) {
    static_cast<RamTestMachine*>(context)->SlowAccess(address);
    return false;
}

bool RamTestMachine::DeclineWrite(void* context, uint32_t address, uint32_t, const void*) {
    static_cast<RamTestMachine*>(context)->SlowAccess(address);
    return false;
}

// Counts the access; true when it is served (not aborted).
bool RamTestMachine::SlowAccess(uint32_t address) {
    ++slowAccesses;
    if (static_cast<int32_t>(address) == abortAddress && cpu != nullptr) {
        cpu->RaiseBusFault();
        return false;
    }
    return true;
}

uint8_t RamTestMachine::ReadByte(uint32_t address, uint8_t peek) {
    address &= 0xFFFF;
    if (peek == 0 && !SlowAccess(address)) {
        return 0xFF;
    }
    return pages[address >> emu::kPageShift].flags == kAbsentPage ? 0xFF : memory[address];
}

void RamTestMachine::WriteByte(uint32_t address, uint8_t value) {
    address &= 0xFFFF;
    if (SlowAccess(address) && pages[address >> emu::kPageShift].flags != kAbsentPage &&
        pages[address >> emu::kPageShift].flags != kRomPage) {
        memory[address] = value;
    }
}

uint16_t RamTestMachine::ReadWord(uint32_t address, uint8_t peek) {
    const uint8_t low = ReadByte(address, peek);
    return static_cast<uint16_t>(low | (ReadByte(address + 1, peek) << 8));
}

void RamTestMachine::WriteWord(uint32_t address, uint16_t value) {
    WriteByte(address, static_cast<uint8_t>(value));
    WriteByte(address + 1, static_cast<uint8_t>(value >> 8));
}

int32_t RamTestMachine::QueryBreak(uint8_t& request, uint8_t& show) {
    ++breakQueries;
    show = 1;
    if (!breaks || request == 0) {
        return 0;
    }
    if (cpu != nullptr) {
        cpu->RaiseBusFault();
    }
    return 1;
}

bool RamTestMachine::AskSources(uint8_t mode, uint32_t& first, uint32_t& vectorNumber, uint32_t& third) {
    if (mode == 1) {
        ++acknowledged;
        requests.pop_front();
        return true;
    }
    ++polls;
    if (requests.empty()) {
        return false;
    }
    first = third = 0;
    vectorNumber = requests.front();
    return true;
}

bool RamTestMachine::CallHandlerB(uint32_t number, uint32_t argument1, uint32_t, emu::CpuInterface*, uint64_t& cycles) {
    hookCalls.push_back({number, argument1});
    if (static_cast<int32_t>(number) != hookedNumber) {
        return false;
    }
    cycles += hookCycles;
    return true;
}

} // namespace test_support
