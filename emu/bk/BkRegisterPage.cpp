// The register page of the BK machines, 0176000-0177777: the family's register table, the dispatch of the page's
// accesses through the machine's table, the system register SYSREG and the bus error of everything else.
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

// SYSREG as the family reads and writes it.
constexpr uint16_t kSysRegKept = 0177600;
constexpr uint16_t kSpeakerBit = 0100;
constexpr uint16_t kTapeInput = 040;
constexpr uint16_t kAlwaysSet = 0200;
constexpr uint16_t kReadCleared = 033;

const char* WidthText(uint32_t size) {
    return size == 2 ? "16" : "8";
}

const char* WidthText(RegisterAccess access) {
    return WidthText(access == RegisterAccess::Word ? 2u : 1u);
}

} // namespace

// The family's registers; a traced one reports its accesses under the system register's trace and break switches.
struct BkMachine::FamilyRegisters {
    template <RegisterRead Read>
    static uint16_t Traced(BkMachine& machine, uint16_t address, RegisterAccess access, bool peek) {
        const uint16_t result = Read(machine, address, access, peek);
        machine.TraceEventBreak(machine.traceReadSysReg[kSysRegFlag], machine.breakReadSysReg[kSysRegFlag], peek,
                                "<=SYSREG%s [0%lo] = 0%lo", WidthText(access), address,
                                IsByte(access) ? result & 0377 : result);
        return result;
    }
    template <RegisterWrite Write>
    static void Traced(BkMachine& machine, uint16_t address, RegisterAccess access, uint16_t value) {
        Write(machine, address, access, value);
        machine.TraceEventBreak(machine.traceWriteSysReg[kSysRegFlag], machine.breakWriteSysReg[kSysRegFlag], false,
                                "=>SYSREG%s [0%lo] = 0%lo", WidthText(access), address, value);
    }

    static uint16_t ReadZero(BkMachine&, uint16_t, RegisterAccess, bool) { return 0; }
    static void WriteNothing(BkMachine&, uint16_t, RegisterAccess, uint16_t) {}

    static uint16_t ReadKeyboardState(BkMachine& machine, uint16_t, RegisterAccess access, bool peek) {
        return machine.keyboard->ReadState(access, peek);
    }
    static void WriteKeyboardState(BkMachine& machine, uint16_t, RegisterAccess access, uint16_t value) {
        machine.keyboard->WriteState(static_cast<uint8_t>(value), access);
    }
    static uint16_t ReadKeyboardData(BkMachine& machine, uint16_t, RegisterAccess access, bool peek) {
        return machine.keyboard->ReadData(access, peek);
    }
    static uint16_t ReadScroll(BkMachine& machine, uint16_t, RegisterAccess access, bool peek) {
        return machine.video->ReadScroll(access, peek);
    }
    static void WriteScroll(BkMachine& machine, uint16_t, RegisterAccess access, uint16_t value) {
        machine.video->WriteScroll(value, access);
    }
    static uint16_t ReadTimerInit(BkMachine& machine, uint16_t, RegisterAccess access, bool peek) {
        return machine.timer->ReadInit(access, peek);
    }
    static void WriteTimerInit(BkMachine& machine, uint16_t, RegisterAccess access, uint16_t value) {
        machine.timer->WriteInit(value, access);
    }
    static uint16_t ReadTimerCount(BkMachine& machine, uint16_t, RegisterAccess access, bool peek) {
        return machine.timer->ReadCount(access, peek);
    }
    static void WriteTimerCount(BkMachine& machine, uint16_t, RegisterAccess access, uint16_t value) {
        machine.timer->WriteCount(value, access);
    }
    static uint16_t ReadTimerMode(BkMachine& machine, uint16_t, RegisterAccess access, bool peek) {
        return machine.timer->ReadMode(access, peek);
    }
    static void WriteTimerMode(BkMachine& machine, uint16_t, RegisterAccess access, uint16_t value) {
        machine.timer->WriteMode(value, access);
    }
    static uint16_t ReadJoystickPort(BkMachine& machine, uint16_t, RegisterAccess, bool peek) {
        return machine.keyboard->ReadJoystickPort(peek);
    }
    static void WriteCovox(BkMachine& machine, uint16_t, RegisterAccess, uint16_t value) {
        if (static_cast<uint8_t>(value) != machine.covox->LastValue()) {
            machine.covox->WriteSample(static_cast<uint8_t>(value));
        }
    }
    static uint16_t ReadSysReg(BkMachine& machine, uint16_t address, RegisterAccess, bool peek) {
        return machine.ReadSysReg(address, peek);
    }
    static void WriteSysReg(BkMachine& machine, uint16_t address, RegisterAccess, uint16_t value) {
        machine.WriteSysReg(address, value);
    }
};

bool BkMachine::AddRegisters(BkRegisterTable& table) {
    using R = FamilyRegisters;
    return table.Add({
        {0177660, 2, R::Traced<R::ReadKeyboardState>, R::Traced<R::WriteKeyboardState>},
        {0177662, 2, R::Traced<R::ReadKeyboardData>, nullptr},
        {0177664, 2, R::Traced<R::ReadScroll>, R::Traced<R::WriteScroll>},
        {0177700, 6, R::Traced<R::ReadZero>, R::Traced<R::WriteNothing>},
        {0177706, 2, R::Traced<R::ReadTimerInit>, R::Traced<R::WriteTimerInit>},
        {0177710, 2, R::Traced<R::ReadTimerCount>, R::Traced<R::WriteTimerCount>},
        {0177712, 2, R::Traced<R::ReadTimerMode>, R::Traced<R::WriteTimerMode>},
        // The parallel port: the joystick read, the Covox written; its odd byte reads 0.
        {0177714, 1, R::Traced<R::ReadJoystickPort>, R::Traced<R::WriteCovox>},
        {0177715, 1, R::Traced<R::ReadZero>, nullptr},
        {kSysReg, 2, R::Traced<R::ReadSysReg>, R::Traced<R::WriteSysReg>},
        {0177756, 1, R::Traced<R::ReadZero>, nullptr},
    });
}

void BkMachine::WriteSystemRegister(uint16_t address, RegisterAccess access, uint16_t value) {
    FamilyRegisters::Traced<FamilyRegisters::WriteSysReg>(*this, address, access, value);
}

// ---- Dispatch

bool BkMachine::WriteRegister(uint16_t address, uint32_t size, const void* value) {
    if (size == 2) {
        address &= static_cast<uint16_t>(~1u);
    }
    const uint16_t written = AccessValue(size, value);
    const RegisterWrite write = registers.At(address).write;
    if (write == nullptr) {
        WriteUnhandled(address, size, written);
    } else {
        write(*this, address, AccessOf(address, size), written);
    }
    return true;
}

bool BkMachine::ReadRegister(uint16_t address, uint32_t size, void* value, bool peek) {
    if (size == 2) {
        address &= static_cast<uint16_t>(~1u);
    }
    const RegisterRead read = registers.At(address).read;
    if (read == nullptr) {
        return ReadUnhandled(address, size, value, peek);
    }
    StoreValue(size, value, read(*this, address, AccessOf(address, size), peek));
    return true;
}

// ---- SYSREG

void BkMachine::WriteSysReg(uint16_t address, uint16_t value) {
    if (address == kSysReg) {
        speaker->SetLevel((value & kSpeakerBit) != 0);
    }
    cpu->SetSel1(static_cast<uint16_t>((cpu->Sel1() & kSysRegKept) | kSysRegWriteFlag));
}

uint16_t BkMachine::ReadSysReg(uint16_t address, bool peek) {
    const uint16_t sel1 = cpu->Sel1();
    if (address == kSysReg + 1) {
        return sel1 >> 8;
    }
    if (!peek) {
        cpu->SetSel1(static_cast<uint16_t>(sel1 & ~kSysRegWriteFlag));
    }
    auto result = static_cast<uint16_t>((sel1 & ~(kReadCleared | kSysRegKeyUp)) | kAlwaysSet);
    if (keyboard->HeldKey() < 1) {
        result |= kSysRegKeyUp;
    }
    if (TapeInputHigh()) {
        result |= kTapeInput;
    }
    return result;
}

// ---- Addresses no register answers

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
