#pragma once

#include "emu/core/Device.h"
#include "emu/core/MouseService.h"

#include <cstdint>

namespace emu {

struct BusEvent;

// The base of emulated keyboards, the device "Keyboard" (tag "KEYB"): it listens to the host key state and hands
// every host key change to OnKey, which a derived keyboard overrides. Where the keyboard offers it
// (SetNumpadMouseAvailable before it starts), its setting "NumpadMode" 1 turns the host's numeric pad into a mouse:
// pad 1-4 and 6-9 move it in steps of 10, pad 5 and the separator key are the left and right buttons, and a held
// direction moves once at once, once more on the fifth 50 Hz event, then on every event. Those keys then reach
// OnKey only as they go up.
class KeyboardDevice : public Device {
public:
    // Host key codes of the numeric pad.
    static constexpr uint8_t kPad1 = 0x61;
    static constexpr uint8_t kPad5 = 0x65;
    static constexpr uint8_t kPad9 = 0x69;
    static constexpr uint8_t kPadSeparator = 0x6C;
    static constexpr int32_t kNoPadKey = 0xFF;
    static constexpr int32_t kStep = 10;
    // Events of the repeat between a direction going down and its first repeat.
    static constexpr int32_t kRepeatDelay = 5;

    KeyboardDevice(const char* name = "Keyboard", const char* tag = "KEYB");
    ~KeyboardDevice() override;

    // A host key the numeric-pad mouse does not take.
    virtual void OnKey([[maybe_unused]] uint8_t code, [[maybe_unused]] bool down) {}

    // Only while not running.
    bool SetNumpadMouseAvailable(bool available);
    bool IsNumpadMouseAvailable() const { return numpadMouseAvailable; }
    // 0 the pad's keys are keys ("Default"), 1 the pad is a mouse ("As Mouse").
    int32_t NumpadMode() const { return numpadMode; }
    void SetNumpadMode(int32_t mode) { numpadMode = mode; }

    // Listens to the host keys and, with the numeric-pad mouse, adds the 50 Hz event "NumpadMouse".
    bool Start(int32_t& rate) override;
    // A "NumpadMode" the keyboard cannot play becomes 0 (false).
    bool Reset(bool enabledOnly) override;
    // "NumpadMode".
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The input menu, with the numeric-pad mouse: "Numpad Usage", "Default" or "As Mouse".
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    // "_KEYBD", holding its version; the mode travels with the settings.
    bool SaveOwnData(common::RecordArchive& archive) override;
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    static bool OnHostKey(void* context, uint8_t code, bool down);
    static bool OnNumpadMouseEvent(TreeNode* owner, BusEvent* event);
    void HostKey(uint8_t code, bool down);
    void RepeatPadKey();
    static bool IsDirection(int32_t code);
    static bool IsButton(int32_t code);
    // Sends a step of the direction key.
    void Move(int32_t code);
    void SetButton(int32_t code, bool down);
    void Send();

    int32_t repeatDelay = 0;
    int32_t numpadMode = 0;
    bool numpadMouseAvailable = false;
    MouseEventRecord mouseEvent;
    int32_t lastPadKey = kNoPadKey;
};

} // namespace emu
