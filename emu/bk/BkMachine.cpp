#include "emu/bk/BkMachine.h"

#include "common/LittleEndian.h"
#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/bk/BkKeyboard.h"
#include "emu/bk/BkSpeaker.h"
#include "emu/bk/BkSystemTimer.h"
#include "emu/bk/BkVideo.h"
#include "emu/bk/CovoxDac.h"
#include "emu/core/InterruptController.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/StateChunk.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <cstring>
#include <memory>

namespace emu {

namespace {

// Line 12 raised for a key latched in AR2 mode, and the vector it then asks for.
constexpr int32_t kAlternateKeyboardRequest = -1;
constexpr uint32_t kAlternateKeyboardVector = 0274;

constexpr const char* kSysRegKeys[] = {"TraceWriteSysReg", "BreakWriteSysReg", "TraceReadSysReg", "BreakReadSysReg"};

BkMachine* MachineOf(void* context) {
    return static_cast<BkMachine*>(context);
}

// SYSREG bit 5 without a tape: the low bit of the cycle count, mixed (the finaliser of SplitMix64) so that every
// bit of the count plays a part.
bool CycleNoise(uint64_t cycles) {
    uint64_t mixed = cycles + 0x9E3779B97F4A7C15;
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EB;
    return ((mixed ^ (mixed >> 31)) & 1) != 0;
}

} // namespace

// The tag opens every trace line of the machine.
BkMachine::BkMachine(const char* name) : Computer(name, "MBOARD"), tapeNoise(CycleNoise) {}

BkMachine::~BkMachine() = default;

// ---- Devices

template <typename DeviceType>
DeviceType* BkMachine::AddStandardDevice(const char* displayName) {
    auto device = std::make_unique<DeviceType>();
    DeviceType* added = device.get();
    return AddChild(std::move(device), displayName) ? added : nullptr;
}

bool BkMachine::CreateServices() {
    if (!Computer::CreateServices()) {
        return false;
    }
    return (cpu = AddStandardDevice<Cpu1801BM1>("CPU 1801BM1")) != nullptr &&
           (video = AddStandardDevice<BkVideo>("Video Device")) != nullptr &&
           (keyboard = AddStandardDevice<BkKeyboard>("Keyboard")) != nullptr &&
           keyboard->SetIrq(static_cast<int32_t>(kKeyboardLine), true, false) &&
           (timer = AddStandardDevice<BkSystemTimer>("Timer (undoc)")) != nullptr &&
           (speaker = AddStandardDevice<BkSpeaker>("BK Speaker")) != nullptr &&
           (covox = AddStandardDevice<CovoxDac>("Covox DAC")) != nullptr;
}

bool BkMachine::ResetDevices(bool enabledOnly) {
    return Computer::Reset(enabledOnly);
}

// ---- Start

bool BkMachine::Start(int32_t& rate) {
    if (!Computer::Start(rate) || Interrupts() == nullptr || Memory() == nullptr ||
        !Interrupts()->AddSource(this, AskLines, SetLineCallback, QueryLine)) {
        return false;
    }
    pendingCount = 0;
    lines.fill(0);
    Memory()->SetUnmappedHooks({this, UnmappedRead, UnmappedWrite});
    autostartStep = 0;
    return true;
}

bool BkMachine::MapRegisterPage() {
    MemoryMap* memory = Memory();
    registers.Clear();
    return AddRegisters(registers) && memory != nullptr &&
           memory->SetPageMapping(MemoryMap::Access::ReadWrite, kRegisterPage, 1) &&
           memory->MapReadRange(kRegisterPage, 1, this, ReadRegisterPage, false) &&
           memory->MapWriteRange(kRegisterPage, 1, this, WriteRegisterPage, false);
}

void BkMachine::RaiseBusError() const {
    if (cpu != nullptr) {
        cpu->RequestInterruptVector(kBusErrorVector);
    }
}

bool BkMachine::UnmappedRead(void* context, uint32_t, uint32_t size, void* buffer, uint8_t peek) {
    std::memset(buffer, 0xFF, size);
    if (peek == 0) {
        MachineOf(context)->RaiseBusError();
    }
    return true;
}

bool BkMachine::UnmappedWrite(void* context, uint32_t, uint32_t, const void*) {
    MachineOf(context)->RaiseBusError();
    return true;
}

bool BkMachine::ReadRegisterPage(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek) {
    return MachineOf(context)->ReadRegister(static_cast<uint16_t>(address), size, buffer, peek != 0);
}

bool BkMachine::WriteRegisterPage(void* context, uint32_t address, uint32_t size, const void* buffer) {
    return MachineOf(context)->WriteRegister(static_cast<uint16_t>(address), size, buffer);
}

void BkMachine::SetTapeNoise(TapeNoise noise) {
    tapeNoise = noise ? std::move(noise) : TapeNoise(CycleNoise);
}

bool BkMachine::TapeInputHigh() const {
    return tapeNoise(cpu != nullptr ? cpu->Cycles() : 0);
}

// ---- Interrupt request lines

bool BkMachine::SetLine(uint32_t line, bool on) {
    if (line >= kLineCount) {
        return false;
    }
    int32_t& value = lines[line];
    if (on == (value != 0)) {
        return true;
    }
    if (!on) {
        value = 0;
        --pendingCount;
        return true;
    }
    value = line == kKeyboardLine && keyboard != nullptr && keyboard->AltMode() ? kAlternateKeyboardRequest : 1;
    ++pendingCount;
    return true;
}

bool BkMachine::IsLineRaised(uint32_t line) const {
    return line < kLineCount && lines[line] != 0;
}

int32_t BkMachine::LineValue(uint32_t line) const {
    return line < kLineCount ? lines[line] : 0;
}

bool BkMachine::Arbitrate(bool acknowledge, uint32_t& line, uint32_t& vectorNumber, uint32_t& vectorAddress) {
    if (cpu == nullptr) {
        return false;
    }
    line = static_cast<uint32_t>(-1);
    if (pendingCount == 0) {
        return false;
    }
    uint32_t winner = 0;
    while (winner < kLineCount && lines[winner] == 0) {
        ++winner;
    }
    if (winner == kLineCount) {
        pendingCount = 0;
        return false;
    }
    const bool masked = !acknowledge && (cpu->Psw() & Cpu1801BM1::kPswPriority) != 0;
    line = winner;
    vectorNumber = winner;
    vectorAddress = 4 * winner;
    if (winner == kKeyboardLine) {
        if (masked) {
            line = static_cast<uint32_t>(-1);
            return false;
        }
        if (lines[winner] < 0) {
            line = vectorNumber = kAlternateKeyboardVector / 4;
            vectorAddress = kAlternateKeyboardVector;
        }
    } else if (winner == kFrameLine && (masked || !timerInterruptEnabled)) {
        line = static_cast<uint32_t>(-1);
        return false;
    }
    if (acknowledge) {
        lines[winner] = 0;
        if (pendingCount > 0) {
            --pendingCount;
        }
    }
    return true;
}

bool BkMachine::AskLines(void* context, InterruptAsk mode, uint32_t* line, uint32_t* vectorNumber,
                         uint32_t* vectorAddress) {
    return MachineOf(context)->Arbitrate(mode == InterruptAsk::Acknowledge, *line, *vectorNumber, *vectorAddress);
}

bool BkMachine::SetLineCallback(void* context, uint32_t line, uint8_t on) {
    return MachineOf(context)->SetLine(line, on != 0);
}

bool BkMachine::QueryLine(void* context, uint32_t line) {
    return MachineOf(context)->IsLineRaised(line);
}

// ---- Settings

bool BkMachine::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        settings->BindBool(common::NarrowString("BreakBinStart"), &breakBinStart);
        std::array<bool, 10>* const arrays[] = {&traceWriteSysReg, &breakWriteSysReg, &traceReadSysReg,
                                                &breakReadSysReg};
        for (size_t array = 0; array < std::size(arrays); ++array) {
            for (size_t index = 0; index < arrays[array]->size(); ++index) {
                common::NarrowString key;
                key.Format("%s[%ld]", kSysRegKeys[array], index);
                settings->BindBool(key, &(*arrays[array])[index]);
            }
        }
    }
    return Computer::ExchangeSettings(settings, enabledOnly);
}

void BkMachine::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    if (item != nullptr && kind == OptionKind::Break && BinHookPage() >= 0) {
        item->AddToggleItem(common::NarrowString("Break On BIN Start"), &breakBinStart, true, nullptr, false);
    }
    Computer::FillSettingsTree(item, kind);
}

// ---- State

bool BkMachine::SaveOwnData(common::RecordArchive& archive) {
    uint8_t lineBytes[kLineCount * sizeof(int32_t)];
    for (size_t index = 0; index < lines.size(); ++index) {
        common::StoreLittleEndian(lineBytes + index * sizeof(int32_t), sizeof(int32_t),
                                  static_cast<uint32_t>(lines[index]));
    }
    return Computer::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordU8(static_cast<uint8_t>(modelIndex), common::NarrowString("MKND")) &&
           archive.WriteRecordBlob(lineBytes, sizeof lineBytes, common::NarrowString("IRQA")) &&
           archive.WriteRecordU16(binStartAddress, common::NarrowString("BINS")) &&
           archive.WriteRecordI32(autostartStep, common::NarrowString("CRTL")) && SaveModelState(archive);
}

// Another model's state, a line value no request leaves (only line 12 holds -1) or an autostart step out of
// -1..1 cannot be taken.
bool BkMachine::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    uint8_t savedModel = 0;
    uint8_t lineBytes[kLineCount * sizeof(int32_t)];
    uint16_t savedBinStart = 0;
    int32_t savedStep = 0;
    if (!Computer::LoadOwnData(archive, note) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordU8(savedModel, common::NarrowString("MKND")) || savedModel != modelIndex ||
        !archive.ReadRecordBlob(lineBytes, sizeof lineBytes, common::NarrowString("IRQA")) ||
        !archive.ReadRecordU16(savedBinStart, common::NarrowString("BINS")) ||
        !archive.ReadRecordI32(savedStep, common::NarrowString("CRTL")) || savedStep < -1 || savedStep > 1) {
        return false;
    }
    std::array<int32_t, kLineCount> savedLines{};
    int32_t raised = 0;
    for (size_t index = 0; index < savedLines.size(); ++index) {
        const auto value = static_cast<int32_t>(
            static_cast<uint32_t>(common::LoadLittleEndian(lineBytes + index * sizeof(int32_t), sizeof(int32_t))));
        if (value != 0 && value != 1 && !(value == kAlternateKeyboardRequest && index == kKeyboardLine)) {
            return false;
        }
        savedLines[index] = value;
        raised += value != 0 ? 1 : 0;
    }
    if (!ReadModelState(archive)) {
        return false;
    }
    lines = savedLines;
    pendingCount = raised;
    binStartAddress = savedBinStart;
    autostartStep = savedStep;
    ApplyModelState();
    // The autostart goes on where the state left it.
    return !IsRunning() || BindBinAutostart();
}

} // namespace emu
