// The register page of the BK machines, 0176000-0177777: the dispatch of its addresses to the device registers,
// the system register SYSREG and the bus error of everything else.
#include "emu/bk/BkKeyboard.h"
#include "emu/bk/BkMachine.h"
#include "emu/bk/BkSpeaker.h"
#include "emu/bk/BkSystemTimer.h"
#include "emu/bk/BkVideo.h"
#include "emu/bk/CovoxDac.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <cstring>

namespace emu {

namespace {

// Below this address the page holds ROM.
constexpr uint16_t kFirstRegister = 0177600;
constexpr uint16_t kKeyboardState = 0177660;
constexpr uint16_t kKeyboardData = 0177662;
constexpr uint16_t kScroll = 0177664;
constexpr uint16_t kTimerInit = 0177706;
constexpr uint16_t kTimerCount = 0177710;
constexpr uint16_t kTimerMode = 0177712;
constexpr uint16_t kParallelPort = 0177714;
constexpr uint16_t kSysReg = 0177716;

// SYSREG: the processor's SEL1 register, of which the machine keeps the write flag (bit 2).
constexpr uint16_t kSysRegKept = 0177600;
constexpr uint16_t kWriteFlag = 04;
constexpr uint16_t kSpeakerBit = 0100;
constexpr uint16_t kKeyUp = 0100;
constexpr uint16_t kTapeInput = 040;
constexpr uint16_t kAlwaysSet = 0200;
constexpr uint16_t kReadCleared = 033;

// The register an address belongs to: a word access keeps its even address, a byte access its own.
uint16_t Normalised(uint16_t address, uint32_t size) {
    return size == 2 ? static_cast<uint16_t>(address & ~1u) : address;
}

// What the device registers are told: 0 the even byte, 1 the odd byte, 2 the word.
uint32_t AccessOf(uint16_t address, uint32_t size) {
    return (address & 1u) | (size & 2u);
}

const char* WidthText(uint32_t size) {
    return size == 2 ? "16" : "8";
}

// Registers that always read 0.
bool ReadsZero(uint16_t address) {
    return (address >= 0177700 && address <= 0177705) || address == 0177715 || address == 0177756;
}

bool Within(uint16_t address, uint16_t evenAddress) {
    return (address & ~1u) == evenAddress;
}

} // namespace

uint16_t BkMachine::AccessValue(uint32_t size, const void* value) {
    if (size == 1) {
        return *static_cast<const uint8_t*>(value);
    }
    uint16_t word = 0;
    std::memcpy(&word, value, sizeof word);
    return word;
}

void BkMachine::StoreValue(uint32_t size, void* value, uint16_t result) {
    if (size == 1) {
        *static_cast<uint8_t*>(value) = static_cast<uint8_t>(result);
    } else {
        std::memcpy(value, &result, sizeof result);
    }
}

// ---- Writes

bool BkMachine::WriteRegister(uint16_t address, uint32_t size, const void* value) {
    address = Normalised(address, size);
    const uint32_t access = AccessOf(address, size);
    const uint16_t written = AccessValue(size, value);
    if (Within(address, kKeyboardState)) {
        keyboard->WriteState(static_cast<uint8_t>(written), access);
    } else if (Within(address, kScroll)) {
        video->WriteScroll(written, access);
    } else if (address >= 0177700 && address <= 0177705) {
        // nothing there
    } else if (Within(address, kTimerInit)) {
        timer->WriteInit(written, access);
    } else if (Within(address, kTimerCount)) {
        timer->WriteCount(written, access);
    } else if (Within(address, kTimerMode)) {
        timer->WriteMode(written, access);
    } else if (address == kParallelPort) {
        if (static_cast<uint8_t>(written) != covox->LastValue()) {
            covox->WriteSample(static_cast<uint8_t>(written));
        }
    } else if (Within(address, kSysReg)) {
        WriteSysReg(address, written);
    } else {
        WriteUnhandled(address, size, written);
        return true;
    }
    TraceEventBreak(traceWriteSysReg[kSysRegFlag], breakWriteSysReg[kSysRegFlag], false, "=>SYSREG%s [0%lo] = 0%lo",
                    WidthText(size), address, written);
    return true;
}

void BkMachine::WriteSysReg(uint16_t address, uint16_t value) {
    if (address == kSysReg) {
        speaker->SetLevel((value & kSpeakerBit) != 0);
    }
    cpu->SetSel1(static_cast<uint16_t>((cpu->Sel1() & kSysRegKept) | kWriteFlag));
}

// A write never reaches the page's bytes: the ROM below the registers, and the registers nobody answers, raise the
// bus error unless the report breaks the emulation.
void BkMachine::WriteUnhandled(uint16_t address, uint32_t size, uint16_t value) {
    const bool breaks =
        address >= kFirstRegister
            ? TraceEventBreak(traceWriteSysReg[kSysRegFlag], breakWriteSysReg[kSysRegFlag], false,
                              "=>SYSREG%s [0%lo] = 0%lo (unknown, TRAP4)", WidthText(size), address, value) != 0
            : TraceEventBreak(false, breakWriteBelowRegisters, false, ">=RegROM%s [0%lo] = 0%lo", WidthText(size),
                              address, value) != 0;
    if (!breaks) {
        RaiseBusError();
    }
}

// ---- Reads

bool BkMachine::ReadRegister(uint16_t address, uint32_t size, void* value, bool peek) {
    address = Normalised(address, size);
    const uint32_t access = AccessOf(address, size);
    uint16_t result = 0;
    if (Within(address, kKeyboardState)) {
        result = keyboard->ReadState(access, peek);
    } else if (Within(address, kKeyboardData)) {
        result = keyboard->ReadData(access, peek);
    } else if (Within(address, kScroll)) {
        result = video->ReadScroll(access, peek);
    } else if (ReadsZero(address)) {
        result = 0;
    } else if (Within(address, kTimerInit)) {
        result = timer->ReadInit(access, peek);
    } else if (Within(address, kTimerCount)) {
        result = timer->ReadCount(access, peek);
    } else if (Within(address, kTimerMode)) {
        result = timer->ReadMode(access, peek);
    } else if (address == kParallelPort) {
        result = keyboard->ReadJoystickPort(peek);
    } else if (Within(address, kSysReg)) {
        result = ReadSysReg(address, peek);
    } else {
        return ReadUnhandled(address, size, value, peek);
    }
    StoreValue(size, value, result);
    TraceEventBreak(traceReadSysReg[kSysRegFlag], breakReadSysReg[kSysRegFlag], peek, "<=SYSREG%s [0%lo] = 0%lo",
                    WidthText(size), address, size == 1 ? result & 0377 : result);
    return true;
}

uint16_t BkMachine::ReadSysReg(uint16_t address, bool peek) {
    const uint16_t sel1 = cpu->Sel1();
    if (address == kSysReg + 1) {
        return sel1 >> 8;
    }
    if (!peek) {
        cpu->SetSel1(static_cast<uint16_t>(sel1 & ~kWriteFlag));
    }
    auto result = static_cast<uint16_t>((sel1 & ~(kReadCleared | kKeyUp)) | kAlwaysSet);
    if (keyboard->HeldKey() < 1) {
        result |= kKeyUp;
    }
    if (TapeInputHigh()) {
        result |= kTapeInput;
    }
    return result;
}

// The page's own bytes answer: the ROM below the registers, and whatever lies under the registers nobody answers.
// A processor's read of such a register raises the bus error unless the report breaks the emulation.
bool BkMachine::ReadUnhandled(uint16_t address, uint32_t size, void* value, bool peek) {
    const MemoryMap* memory = Memory();
    if (memory != nullptr && static_cast<uint32_t>(address) + size <= memory->Size()) {
        std::memcpy(value, memory->RamBase() + address, size);
    } else {
        std::memset(value, 0xFF, size);
    }
    if (peek) {
        return true;
    }
    if (address >= kFirstRegister) {
        if (TraceEventBreak(traceReadSysReg[kSysRegFlag], breakReadSysReg[kSysRegFlag], false,
                            "<=SYSREG%s [0%lo] = ??? (unknown, TRAP4)", WidthText(size), address) == 0) {
            RaiseBusError();
        }
    } else {
        TraceEventBreak(false, breakReadBelowRegisters, false, "<=RegROM%s [0%lo]", WidthText(size), address);
    }
    return true;
}

} // namespace emu
