#include "emu/bk/BkKeyboard.h"

#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/bk/BkMachine.h"
#include "emu/bk/TraceMenu.h"
#include "emu/core/BusService.h"
#include "emu/core/InterruptController.h"
#include "emu/core/KeyStateService.h"
#include "emu/core/StateChunk.h"
#include "emu/core/UiTextId.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <algorithm>
#include <array>

namespace emu {

namespace {

// Host key codes.
constexpr uint8_t kPause = 0x13;
constexpr uint8_t kEscape = 0x1B;
constexpr uint8_t kShiftLeft = 0xE0;
constexpr uint8_t kShiftRight = 0xE1;
constexpr uint8_t kAltLeft = 0xE4;
constexpr uint8_t kAltRight = 0xE5;
constexpr uint8_t kF1 = 0x70;
constexpr uint8_t kF2 = 0x71;
constexpr uint8_t kF3 = 0x72;
constexpr uint8_t kF10 = 0x79;
constexpr uint8_t kPad1 = 0x61;
constexpr uint8_t kPad2 = 0x62;
constexpr uint8_t kPad3 = 0x63;
constexpr uint8_t kPad4 = 0x64;
constexpr uint8_t kPad5 = 0x65;
constexpr uint8_t kPad6 = 0x66;
constexpr uint8_t kPad7 = 0x67;
constexpr uint8_t kPad8 = 0x68;
constexpr uint8_t kPad9 = 0x69;
constexpr uint8_t kPadPlus = 0x6B;
constexpr uint8_t kPadEnter = 0x6C;
constexpr uint8_t kPadMinus = 0x6D;

// SEL1 after STOP: bits 7-15 kept, the write flag set.
constexpr uint16_t kSel1Kept = 0177600;
constexpr uint16_t kSel1WriteFlag = 4;

constexpr const char* kIrqEvent = "IRQEvent";

// How a key's AR2 mode is chosen.
enum class Ar2 : uint8_t {
    FromAlt, // AR2 while Alt is down
    Always,  // the function keys
    AltPicks // F1, F2: without Alt the code in AR2 mode, with Alt the other code without it
};

struct BkKey {
    uint8_t plain = 0; // 0: the host key types nothing
    uint8_t shifted = 0;
    Ar2 ar2 = Ar2::FromAlt;
    uint8_t withAlt = 0;
};

constexpr std::array<BkKey, 256> MakeKeyTable() {
    std::array<BkKey, 256> table{};
    const auto same = [&](uint8_t code, uint8_t bk) { table[code] = {bk, bk}; };
    const auto pair = [&](uint8_t code, uint8_t plain, uint8_t shifted) { table[code] = {plain, shifted}; };
    same(0x08, 030);
    same(0x09, 011);
    same(0x0D, 012);
    same(0x20, 040);
    same(0x24, 023);
    same(0x25, 010);
    same(0x26, 032);
    same(0x27, 031);
    same(0x28, 033);
    same(0x2D, 026);
    same(0x2E, 027);
    for (uint8_t letter = 0x41; letter <= 0x5A; ++letter) {
        pair(letter, letter, static_cast<uint8_t>(letter + 040));
    }
    constexpr uint8_t kShiftedDigits[] = {051, 041, 0100, 043, 044, 045, 0136, 046, 052, 050};
    for (uint8_t digit = 0; digit < 10; ++digit) {
        pair(static_cast<uint8_t>(0x30 + digit), static_cast<uint8_t>(060 + digit), kShiftedDigits[digit]);
    }
    pair(0xE6, 055, 0137);
    pair(0xE7, 075, 053);
    pair(0xE8, 0133, 0173);
    pair(0xE9, 0135, 0175);
    pair(0xEA, 073, 072);
    pair(0xEB, 054, 074);
    pair(0xEC, 056, 076);
    pair(0xEE, 0134, 0174);
    pair(0xEF, 057, 077);
    pair(0xF0, 047, 042);
    pair(0xF1, 0140, 0176);
    table[kF1] = {061, 061, Ar2::AltPicks, 026};
    table[kF2] = {062, 062, Ar2::AltPicks, 027};
    for (uint8_t key = kF3; key < kF10; ++key) {
        const auto bk = static_cast<uint8_t>(063 + (key - kF3));
        table[key] = {bk, bk, Ar2::Always};
    }
    table[kF10] = {060, 060, Ar2::Always};
    return table;
}

constexpr std::array<BkKey, 256> kKeys = MakeKeyTable();

// Joystick bits of 0177714 and the numeric-pad keys that set each.
struct JoystickBit {
    uint16_t bit;
    std::array<uint8_t, 3> keys;
};
constexpr std::array<JoystickBit, 8> kJoystick{{
    {01, {kPad5, kPad5, kPad5}},
    {02, {kPadEnter, kPadEnter, kPadEnter}},
    {04, {kPadPlus, kPadPlus, kPadPlus}},
    {010, {kPadMinus, kPadMinus, kPadMinus}},
    {020, {kPad6, kPad9, kPad3}},
    {040, {kPad2, kPad3, kPad1}},
    {01000, {kPad4, kPad1, kPad7}},
    {02000, {kPad8, kPad7, kPad9}},
}};

BkKeyboard* KeyboardOf(TreeNode* owner) {
    return static_cast<BkKeyboard*>(owner);
}

const char* HasText(uint8_t state) {
    return (state & BkKeyboard::kReady) != 0 ? "has" : "no";
}

const char* InterruptText(uint8_t state) {
    return (state & BkKeyboard::kInterruptDisabled) != 0 ? "disabled" : "enabled";
}

} // namespace

BkKeyboard::BkKeyboard() : KeyboardDevice("KBC BK", "KEYB") {}

BkKeyboard::~BkKeyboard() = default;

// ---- Host keys

void BkKeyboard::OnKey(uint8_t code, bool down) {
    if (allowSeveralKeys) {
        heldKey = kNoKey;
    } else if (heldKey >= 1) {
        // With one key at a time, the held key's own release is the only event taken.
        if (down || heldKey != code) {
            return;
        }
        heldKey = kNoKey;
    } else if (!down) {
        heldKey = kNoKey;
    }
    if (code == kPause || code == kEscape) {
        if (down) {
            RequestStop();
        }
        return;
    }
    const BkKey& key = kKeys[code];
    if (key.plain == 0 || !down) {
        return;
    }
    const bool alt = Keys() != nullptr && Keys()->IsEitherDown(kAltLeft, kAltRight);
    const bool shift = Keys() != nullptr && Keys()->IsEitherDown(kShiftLeft, kShiftRight);
    uint8_t bkCode = shift ? key.shifted : key.plain;
    bool ar2 = alt;
    if (key.ar2 == Ar2::Always) {
        ar2 = true;
    } else if (key.ar2 == Ar2::AltPicks) {
        bkCode = alt ? key.withAlt : key.plain;
        ar2 = !alt;
    }
    heldKey = code;
    if ((state & kReady) != 0) {
        return; // the latched key is not read yet: this one is lost
    }
    data = bkCode & 0177;
    irqPending = true;
    ++irqTag;
    altMode = ar2;
    state |= kReady;
    if (irqActive && Bus() != nullptr) {
        Bus()->AddEvent(kRequestFrequency, OnIrqEvent, this, kIrqEvent, irqTag, false);
    }
}

void BkKeyboard::RequestStop() {
    auto* cpu = Machine() != nullptr ? dynamic_cast<Cpu1801BM1*>(Machine()->FirstCpu()) : nullptr;
    if (cpu == nullptr) {
        return;
    }
    cpu->RequestInterruptVector(BkMachine::kBusErrorVector);
    cpu->SetSel1(static_cast<uint16_t>((cpu->Sel1() & kSel1Kept) | kSel1WriteFlag));
}

// ---- Interrupt requests

bool BkKeyboard::RaiseLine() {
    return Interrupts() != nullptr && Interrupts()->SetRequest(static_cast<uint32_t>(irq), 1);
}

bool BkKeyboard::OnIrqEvent(TreeNode* owner, BusEvent* event) {
    BkKeyboard* keyboard = KeyboardOf(owner);
    if (event->tag != keyboard->irqTag || !keyboard->irqPending) {
        return false;
    }
    if ((keyboard->state & kInterruptDisabled) != 0) {
        return true; // asked again every period until the program enables it
    }
    keyboard->irqPending = !keyboard->RaiseLine();
    return keyboard->irqPending;
}

// ---- Registers

void BkKeyboard::WriteState(uint8_t value, RegisterAccess access) {
    if (access == RegisterAccess::OddByte) {
        return;
    }
    if (TraceEventBreak(traceWriteState, breakWriteState, false, "=>STATE = %.2lXh (IRQ %s)", value,
                        InterruptText(value)) != 0) {
        return;
    }
    // Enabling the interrupt of a waiting key raises it at once; the scheduled request becomes stale.
    if (irqActive && irqPending && (state & kInterruptDisabled) != 0 && (value & kInterruptDisabled) == 0) {
        irqPending = !RaiseLine();
        if (!irqPending) {
            ++irqTag;
        }
    }
    // The ready bit stays the controller's.
    state = static_cast<uint8_t>((state & ~kInterruptDisabled) | (value & kInterruptDisabled));
}

uint8_t BkKeyboard::ReadState(RegisterAccess access, bool peek) {
    if (access == RegisterAccess::OddByte) {
        return 0;
    }
    TraceEventBreak(traceReadState, breakReadState, peek, "<=STATE = %.2lXh (%s key, IRQ %s)", state, HasText(state),
                    InterruptText(state));
    return state;
}

uint8_t BkKeyboard::ReadData(RegisterAccess access, bool peek) {
    if (access == RegisterAccess::OddByte) {
        return 0;
    }
    const uint8_t code = data & 0177;
    if (TraceEventBreak(traceReadData, breakReadData, peek, "<=DATA = %.2lXh (%s key)", code, HasText(state)) != 0 ||
        peek || (state & kReady) == 0) {
        return code;
    }
    ++irqTag;
    state &= static_cast<uint8_t>(~kReady);
    if (irqPending) {
        irqPending = false;
    } else if (Interrupts() != nullptr) {
        Interrupts()->SetRequest(static_cast<uint32_t>(irq), 0);
    }
    return code;
}

uint16_t BkKeyboard::ReadJoystickPort(bool) const {
    if (!allowJoystick || Keys() == nullptr) {
        return 0;
    }
    uint16_t value = 0;
    for (const JoystickBit& each : kJoystick) {
        if (Keys()->IsAnyDown(each.keys[0], each.keys[1], each.keys[2])) {
            value |= each.bit;
        }
    }
    return value;
}

// ---- Lifecycle and settings

bool BkKeyboard::Start(int32_t& rate) {
    if (!KeyboardDevice::Start(rate)) {
        return false;
    }
    rate = std::max(rate, 100);
    irqTag = 0;
    irqPending = false;
    altMode = false;
    data = 0;
    state = 0;
    heldKey = kNoKey;
    return Bus() != nullptr && Bus()->BindCallbackEvent(kIrqEvent, OnIrqEvent, this);
}

bool BkKeyboard::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        const std::pair<const char*, bool*> keys[] = {
            {"TraceReadSTATE", &traceReadState},   {"BreakReadSTATE", &breakReadState},
            {"TraceWriteSTATE", &traceWriteState}, {"BreakWriteSTATE", &breakWriteState},
            {"TraceReadDATA", &traceReadData},     {"BreakReadDATA", &breakReadData},
            {"AllowJoystick", &allowJoystick},
        };
        for (const auto& [key, flag] : keys) {
            settings->BindBool(common::NarrowString(key), flag);
        }
    }
    return KeyboardDevice::ExchangeSettings(settings, enabledOnly);
}

void BkKeyboard::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    KeyboardDevice::FillSettingsTree(item, kind);
    if (item == nullptr) {
        return;
    }
    if (kind == OptionKind::Input) {
        item->AddToggleItemById(text::kAllowJoystickOnNumpad, &allowJoystick, true, nullptr, false);
        item->AddToggleItemById(text::kAllowSeveralKeys, &allowSeveralKeys, true, nullptr, false);
    } else if (kind == OptionKind::Trace) {
        const TraceFlag traces[] = {{"Trace Read State Reg", &traceReadState},
                                    {"Trace Write State Reg", &traceWriteState},
                                    {"Trace Read Data Reg", &traceReadData}};
        const TraceFlag breaks[] = {{"Break On Read State Reg", &breakReadState},
                                    {"Break On Write State Reg", &breakWriteState},
                                    {"Break On Read Data Reg", &breakReadData}};
        AddLinkedFlags(item, traces);
        AddSetButton(item, "Trace All", traces, true);
        item->AddSeparator();
        AddLinkedFlags(item, breaks);
        AddSetButton(item, "Break All", breaks, true);
        item->AddSeparator();
        const TraceFlag all[] = {traces[0], breaks[0], traces[1], breaks[1], traces[2], breaks[2]};
        AddSetButton(item, "Select All", all, true);
        AddSetButton(item, "Clear All", all, false);
    }
}

// ---- State

bool BkKeyboard::SaveOwnData(common::RecordArchive& archive) {
    return KeyboardDevice::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordU8(data, common::NarrowString("DTA")) &&
           archive.WriteRecordU8(state, common::NarrowString("STS")) &&
           archive.WriteRecordBool(altMode, common::NarrowString("ALTM")) &&
           archive.WriteRecordI32(heldKey, common::NarrowString("LKWP")) &&
           archive.WriteRecordBool(irqPending, common::NarrowString("IRQN")) &&
           archive.WriteRecordI64(static_cast<int64_t>(irqTag), common::NarrowString("IRQT"));
}

// A code beyond seven bits, state bits the controller never sets or a held key outside the host's codes cannot be
// taken.
bool BkKeyboard::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    uint8_t savedData = 0;
    uint8_t savedState = 0;
    bool savedAltMode = false;
    int32_t savedHeldKey = kNoKey;
    bool savedPending = false;
    int64_t savedTag = 0;
    if (!KeyboardDevice::LoadOwnData(archive, note) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordU8(savedData, common::NarrowString("DTA")) ||
        !archive.ReadRecordU8(savedState, common::NarrowString("STS")) ||
        !archive.ReadRecordBool(savedAltMode, common::NarrowString("ALTM")) ||
        !archive.ReadRecordI32(savedHeldKey, common::NarrowString("LKWP")) ||
        !archive.ReadRecordBool(savedPending, common::NarrowString("IRQN")) ||
        !archive.ReadRecordI64(savedTag, common::NarrowString("IRQT"))) {
        return false;
    }
    if (savedData > 0177 || (savedState & ~(kReady | kInterruptDisabled)) != 0 || savedHeldKey < kNoKey ||
        savedHeldKey > 0xFF) {
        return false;
    }
    data = savedData;
    state = savedState;
    altMode = savedAltMode;
    heldKey = savedHeldKey;
    irqPending = savedPending;
    irqTag = static_cast<uint64_t>(savedTag);
    return true;
}

} // namespace emu
