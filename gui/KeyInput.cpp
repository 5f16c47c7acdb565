#include "gui/KeyInput.h"

#include "gui/Window.h"

#include "common/KeyTranslation.h"

namespace gui {

namespace {

constexpr uint32_t kExtendedFlag = 0x10000;

} // namespace

int32_t KeyCodeOf(uint32_t virtualKey, bool extended) {
    const uint8_t code = common::TranslateKeyCode(virtualKey | (extended ? kExtendedFlag : 0));
    return code == common::kNoKey ? -1 : code;
}

bool IsModifierKey(uint32_t virtualKey) {
    return virtualKey == 0x10 || virtualKey == 0x11 || virtualKey == 0x12;
}

bool DeliverModifierKey(Window& window, uint32_t virtualKey, bool down, bool leftApplies, bool rightApplies) {
    const int32_t left = leftApplies ? KeyCodeOf(virtualKey, false) : -1;
    const int32_t right = rightApplies ? KeyCodeOf(virtualKey, true) : -1;
    if (right > 0) {
        if (window.OnKey(left, down) != 0) {
            return window.OnKey(right, down) != 0;
        }
        window.OnKey(right, down);
        return false;
    }
    return left > 0 && window.OnKey(left, down) != 0;
}

} // namespace gui
