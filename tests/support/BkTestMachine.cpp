#include "support/BkTestMachine.h"

#include "emu/bk/BkVideo.h"
#include "emu/core/BusService.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"

namespace test_support {

BkTestMachine::BkTestMachine(bool withRenderer, int32_t cpuFrequency) {
    SetSoundOutput(&sound);
    if (withRenderer) {
        AttachRenderer(&renderer);
    }
    CreateServices();
    if (Cpu() != nullptr) {
        Cpu()->SetFrequency(cpuFrequency);
        Cpu()->SetStartWord(kStartWord);
    }
    if (Video() != nullptr) {
        Video()->AddMemoryPages(0, kScreen / emu::page::kSize, emu::BkVideo::kScreenBytes / emu::page::kSize, true,
                                true);
        Video()->SetMemoryPageSize(0, emu::BkVideo::kScreenBytes / 1024, 0xFFFFFFFF);
    }
}

// The renderer goes before the machine that holds it.
BkTestMachine::~BkTestMachine() {
    AttachRenderer(nullptr);
}

bool BkTestMachine::Start(int32_t& rate) {
    const uint32_t pages = kMemorySize / emu::page::kSize;
    return Memory()->Create(kMemorySize, 0177777, 0) && BkMachine::Start(rate) &&
           Memory()->SetPageAccess(true, 0, pages) && MapRegisterPage();
}

bool BkTestMachine::PowerOn() {
    Bus()->SetRegistering(true);
    int32_t rate = 0;
    const bool started = Start(rate);
    Bus()->SetRegistering(false);
    return started;
}

uint16_t BkTestMachine::Word(uint16_t address) const {
    const uint8_t* bytes = Memory()->RamBase();
    return static_cast<uint16_t>(bytes[address] | bytes[(address + 1u) & 0xFFFF] << 8);
}

void BkTestMachine::SetWord(uint16_t address, uint16_t value) {
    uint8_t* bytes = Memory()->RamBase();
    bytes[address] = static_cast<uint8_t>(value);
    bytes[(address + 1u) & 0xFFFF] = static_cast<uint8_t>(value >> 8);
}

void BkTestMachine::Load(uint16_t address, std::initializer_list<uint16_t> words) {
    for (const uint16_t word : words) {
        SetWord(address, word);
        address = static_cast<uint16_t>(address + 2);
    }
}

void BkTestMachine::Enter(uint16_t pc, uint16_t sp, uint16_t psw) {
    Cpu()->SetRegister(7, pc);
    Cpu()->SetRegister(6, sp);
    Cpu()->SetPsw(psw);
}

std::vector<std::vector<uint8_t>> BkTestMachine::Played(int32_t index) const {
    for (int32_t event = 0; event < Bus()->EventCount(); ++event) {
        const emu::BusEvent* found = Bus()->EventAt(event);
        if (found->kind == emu::BusEvent::Kind::Output && index-- == 0) {
            const auto* output = dynamic_cast<const RecordingSoundOutput*>(found->output.get());
            return output != nullptr ? output->written : std::vector<std::vector<uint8_t>>{};
        }
    }
    return {};
}

} // namespace test_support
