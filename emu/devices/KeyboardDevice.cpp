#include "emu/devices/KeyboardDevice.h"

#include "common/OptionNode.h"
#include "common/SettingsTree.h"
#include "emu/core/BusService.h"
#include "emu/core/KeyStateService.h"
#include "emu/core/StateChunk.h"
#include "emu/core/UiTextId.h"

#include <array>

namespace emu {

namespace {

constexpr int32_t kRepeatFrequency = 50;

struct Direction {
    int32_t x;
    int32_t y;
};
// Pad 1 to 9; pad 5 is a button.
constexpr std::array<Direction, 9> kDirections{
    {{-1, 1}, {0, 1}, {1, 1}, {-1, 0}, {0, 0}, {1, 0}, {-1, -1}, {0, -1}, {1, -1}}};

} // namespace

KeyboardDevice::KeyboardDevice(const char* name, const char* tag) : Device(name, tag) {}

KeyboardDevice::~KeyboardDevice() = default;

bool KeyboardDevice::SetNumpadMouseAvailable(bool available) {
    if (IsRunning()) {
        return false;
    }
    numpadMouseAvailable = available;
    return true;
}

bool KeyboardDevice::IsDirection(int32_t code) {
    return code >= kPad1 && code <= kPad9 && code != kPad5;
}

bool KeyboardDevice::IsButton(int32_t code) {
    return code == kPad5 || code == kPadSeparator;
}

bool KeyboardDevice::Start(int32_t& rate) {
    if (!Device::Start(rate)) {
        return false;
    }
    mouseEvent = MouseEventRecord();
    lastPadKey = kNoPadKey;
    repeatDelay = 0;
    if (Keys() != nullptr) {
        Keys()->AddListener(this, OnHostKey);
    }
    if (numpadMouseAvailable) {
        return Bus() != nullptr &&
               Bus()->AddEvent(kRepeatFrequency, OnNumpadMouseEvent, this, "NumpadMouse", 0, false) != 0;
    }
    return true;
}

bool KeyboardDevice::OnHostKey(void* context, uint8_t code, bool down) {
    static_cast<KeyboardDevice*>(context)->HostKey(code, down);
    return true;
}

void KeyboardDevice::HostKey(uint8_t code, bool down) {
    if (numpadMode == 0) {
        lastPadKey = kNoPadKey;
        OnKey(code, down);
    } else if (IsButton(code)) {
        SetButton(code, down);
    } else if (IsDirection(code) && down) {
        Move(code);
        if (lastPadKey != code) {
            lastPadKey = code;
            repeatDelay = kRepeatDelay;
        }
    } else {
        if (IsDirection(code) && lastPadKey == code) {
            lastPadKey = kNoPadKey;
        }
        OnKey(code, down);
    }
}

bool KeyboardDevice::OnNumpadMouseEvent(TreeNode* owner, BusEvent*) {
    static_cast<KeyboardDevice*>(owner)->RepeatPadKey();
    return true;
}

void KeyboardDevice::RepeatPadKey() {
    if (numpadMode == 0 || lastPadKey == kNoPadKey) {
        return;
    }
    if (repeatDelay > 0 && --repeatDelay > 0) {
        return;
    }
    if (IsDirection(lastPadKey)) {
        Move(lastPadKey);
    } else if (IsButton(lastPadKey)) {
        SetButton(lastPadKey, true);
    } else {
        OnKey(static_cast<uint8_t>(lastPadKey), true);
    }
}

void KeyboardDevice::Move(int32_t code) {
    const Direction& direction = kDirections[static_cast<size_t>(code - kPad1)];
    mouseEvent.moveX = direction.x * kStep;
    mouseEvent.moveY = direction.y * kStep;
    mouseEvent.stepX = static_cast<int16_t>(direction.x * kStep);
    mouseEvent.stepY = static_cast<int16_t>(direction.y * kStep);
    Send();
}

void KeyboardDevice::SetButton(int32_t code, bool down) {
    const uint32_t bit = code == kPad5 ? 1u : 2u;
    mouseEvent.buttons = down ? mouseEvent.buttons | bit : mouseEvent.buttons & ~bit;
    Send();
}

void KeyboardDevice::Send() {
    if (Mouse() != nullptr) {
        Mouse()->Broadcast(mouseEvent);
    }
    mouseEvent.moveX = mouseEvent.moveY = 0;
    mouseEvent.stepX = mouseEvent.stepY = 0;
}

bool KeyboardDevice::Reset(bool enabledOnly) {
    const bool reset = Device::Reset(enabledOnly);
    if ((numpadMode != 0 && numpadMode != 1) || (numpadMode == 1 && !numpadMouseAvailable)) {
        numpadMode = 0;
        return false;
    }
    return reset;
}

bool KeyboardDevice::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        if (common::BoundValue* value = settings->BindPlaceholder(common::NarrowString("NumpadMode"))) {
            value->Bind(&numpadMode);
        }
    }
    return Device::ExchangeSettings(settings, enabledOnly);
}

void KeyboardDevice::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    Device::FillSettingsTree(item, kind);
    if (kind != OptionKind::Input || item == nullptr || !numpadMouseAvailable) {
        return;
    }
    common::OptionNode* group = item->AddItemById(text::kNumpadUsage);
    if (group != nullptr) {
        group->AddRadioItemById(text::kNumpadDefault, &numpadMode, 0, nullptr, true);
        group->AddRadioItemById(text::kNumpadAsMouse, &numpadMode, 1, nullptr, true);
    }
}

bool KeyboardDevice::SaveOwnData(common::RecordArchive& archive) {
    return Device::SaveOwnData(archive) && WriteVersionChunk(archive, "_KEYBD");
}

bool KeyboardDevice::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    return Device::LoadOwnData(archive, note) && ReadVersionChunk(archive, "_KEYBD");
}

} // namespace emu
