#include "emu/core/DeviceSelector.h"

#include "common/OptionNode.h"
#include "common/SettingsTree.h"

namespace emu {

bool DeviceSelector::SelectChild() {
    for (int32_t index = 0; index < ChildCount(); ++index) {
        ChildAt(index)->SetEnabled(index == selectedIndex);
    }
    return selectedIndex >= 0 && selectedIndex < ChildCount();
}

void DeviceSelector::SetTitle(int32_t index, const common::String& text) {
    if (index < 0 || index >= ChildCount()) {
        return;
    }
    while (titles.Count() <= index) {
        titles.Add(common::NarrowString());
    }
    titles.At(index)->Assign(text);
}

bool DeviceSelector::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr) {
        if (common::BoundValue* value = settings->BindPlaceholder(common::NarrowString("SelectedIndex"))) {
            value->Bind(&selectedIndex);
        }
    }
    return Device::ExchangeSettings(settings, enabledOnly);
}

bool DeviceSelector::Reset(bool enabledOnly) {
    if (selectedIndex >= 0 && selectedIndex < ChildCount()) {
        return Device::Reset(enabledOnly);
    }
    selectedIndex = 0;
    Device::Reset(enabledOnly);
    return false;
}

bool DeviceSelector::Start(int32_t& rate) {
    if (selectedIndex >= ChildCount()) {
        return false;
    }
    SelectChild();
    return Device::Start(rate);
}

void DeviceSelector::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    if ((kind != menuKind && kind != OptionKind::Trace) || item == nullptr) {
        BranchNode::FillSettingsTree(item, kind);
        return;
    }
    const bool ownMenu = kind == menuKind;
    bool entryAdded = false;
    std::unique_ptr<common::OptionNode> entry;
    for (int32_t index = 0; index < ChildCount(); ++index) {
        if (entry == nullptr) {
            entry = item->CreateNode(common::NarrowString());
        }
        if (ownMenu && ChildCount() >= 2) {
            common::OptionNode* choice =
                entry->AddRadioItem(common::NarrowString("Selected"), &selectedIndex, index, &running, false);
            entry->AddEnabledLink(choice, true);
            entry->AddSeparator();
        }
        TreeNode* child = ChildAt(index);
        child->FillSettingsTree(entry.get(), kind);
        if (entry->ChildCount() == 0) {
            continue;
        }
        // A lone sub-menu needs no wrapper around it.
        if (entry->ChildCount() == 1 && entry->ChildAt(0)->ChildCount() > 0) {
            entry = entry->DetachChildAt(0);
        }
        const common::String* title = ownMenu ? titles.At(index) : nullptr;
        entry->SetText(title != nullptr && !title->IsEmpty() ? *title : child->Name());
        if (ownMenu && !entryAdded && item->ChildCount() > 0) {
            item->AddSeparator();
        }
        item->AddExisting(std::move(entry));
        entryAdded = true;
    }
}

bool DeviceSelector::DescribeState(common::List& lines, bool flag, int32_t value) {
    return DescribeEnabledChildren(lines, flag, value);
}

} // namespace emu
