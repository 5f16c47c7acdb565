#include "emu/bk/TraceMenu.h"

#include "common/NarrowString.h"
#include "common/OptionNode.h"

#include <vector>

namespace emu {

void AddLinkedFlags(common::OptionNode* item, std::span<const TraceFlag> flags) {
    if (item == nullptr) {
        return;
    }
    for (const TraceFlag& each : flags) {
        if (common::OptionNode* check =
                item->AddToggleItem(common::NarrowString(each.text), each.flag, true, nullptr, false)) {
            item->AddCheckedLink(check, true);
        }
    }
}

void AddSetButton(common::OptionNode* item, const char* text, std::span<const TraceFlag> flags, bool value) {
    common::OptionNode* button = item != nullptr ? item->AddItem(common::NarrowString(text)) : nullptr;
    if (button == nullptr) {
        return;
    }
    for (const TraceFlag& each : flags) {
        button->AddActionSetByte(each.flag, value);
    }
}

void AddFlagSubmenu(common::OptionNode* item, const char* title, std::span<const TraceFlag> flags) {
    common::OptionNode* submenu = item != nullptr ? item->AddItem(common::NarrowString(title)) : nullptr;
    if (submenu == nullptr) {
        return;
    }
    item->AddCheckedLink(submenu, true);
    AddLinkedFlags(submenu, flags);
    submenu->AddSeparator();
    AddSetButton(submenu, "Select All", flags, true);
    AddSetButton(submenu, "Clear All", flags, false);
}

} // namespace emu
