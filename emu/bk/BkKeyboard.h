#pragma once

#include "emu/bk/BkRegisterTable.h"
#include "emu/devices/KeyboardDevice.h"

#include <cstdint>

namespace emu {

// The BK keyboard controller, "KBC BK" (the machine adds it as "Keyboard"), tag "KEYB": host keys become 7-bit BK
// codes latched one at a time in the data register (0177662), reported by the ready bit 7 of the state register
// (0177660), and requested as an interrupt on the keyboard's line (its "IRQ" parameter, 12 on the BK) one period
// of a 200 Hz bus event ("IRQEvent") after the key, unless bit 6 of the state register, the only bit a program
// writes, disables it. Keys typed with Alt, and F1-F10, are latched in AR2 mode, whose interrupt goes to 0274.
// Escape and Pause are STOP: the bus error and SEL1's write flag, nothing latched. The key held down shows in
// SYSREG bit 6; the numeric pad reads as a joystick on 0177714.
//
// State (after the keyboard base's): "VER" 0, "DTA" data, "STS" state, "ALTM" AR2 mode, "LKWP" held key, "IRQN"
// request pending, "IRQT" request number.
class BkKeyboard : public KeyboardDevice {
public:
    static constexpr uint8_t kReady = 0200;
    static constexpr uint8_t kInterruptDisabled = 0100;
    static constexpr int32_t kNoKey = -1;
    static constexpr int32_t kRequestFrequency = 200;

    BkKeyboard();
    ~BkKeyboard() override;

    // A host key going down or up.
    void OnKey(uint8_t code, bool down) override;

    // The register page's accesses; an odd byte reads 0 and is not written. peek changes nothing.
    uint8_t ReadState(RegisterAccess access, bool peek);
    uint8_t ReadData(RegisterAccess access, bool peek);
    void WriteState(uint8_t value, RegisterAccess access);
    uint16_t ReadJoystickPort(bool peek) const;

    int32_t HeldKey() const { return heldKey; }
    bool AltMode() const { return altMode; }
    uint8_t Data() const { return data; }
    uint8_t State() const { return state; }
    bool IrqPending() const { return irqPending; }
    uint64_t IrqTag() const { return irqTag; }
    bool AllowJoystick() const { return allowJoystick; }
    void SetAllowJoystick(bool on) { allowJoystick = on; }
    bool AllowSeveralKeys() const { return allowSeveralKeys; }
    void SetAllowSeveralKeys(bool on) { allowSeveralKeys = on; }

    // The registers cleared and "IRQEvent" bound; false without a bus.
    bool Start(int32_t& rate) override;
    // The trace, break and joystick keys, then the base's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The input menu: the joystick and several-keys options; the trace menu (kind 7): the switches.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Every record is read and checked before any is taken; pending bus events come back with the bus's state.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    static bool OnIrqEvent(TreeNode* owner, BusEvent* event);

private:
    // Raises the keyboard's line; true when the machine took it.
    bool RaiseLine();
    void RequestStop();

    bool traceReadState = false;
    bool breakReadState = false;
    bool traceWriteState = false;
    bool breakWriteState = false;
    bool traceReadData = false;
    bool breakReadData = false;
    bool allowJoystick = true;
    // An option of the input menu, neither a setting nor state.
    bool allowSeveralKeys = true;
    bool irqPending = false;
    bool altMode = false;
    // The number of the present request: a scheduled "IRQEvent" carries the number it was made for.
    uint64_t irqTag = 0;
    uint8_t data = 0;
    uint8_t state = 0;
    int32_t heldKey = kNoKey;
};

} // namespace emu
