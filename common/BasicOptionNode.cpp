#include "common/BasicOptionNode.h"

#include <algorithm>

namespace common {

BasicOptionNode::~BasicOptionNode() = default;

bool BasicOptionNode::AddChild(std::unique_ptr<OptionNode> node) {
    if (!node || node->Parent() != nullptr) {
        return false;
    }
    node->SetParent(this);
    children.push_back(std::move(node));
    return true;
}

bool BasicOptionNode::IsSelfOrAncestor(const OptionNode& node) const {
    for (const OptionNode* up = this; up != nullptr; up = up->Parent()) {
        if (up == &node) {
            return true;
        }
    }
    return false;
}

bool BasicOptionNode::MoveChild(OptionNode& node) {
    if (node.Parent() == this) {
        return true;
    }
    OptionNode* previous = node.Parent();
    if (previous == nullptr || IsSelfOrAncestor(node)) {
        return false;
    }
    for (int32_t i = 0; i < previous->ChildCount(); ++i) {
        if (previous->ChildAt(i) == &node) {
            return AddChild(previous->DetachChildAt(i));
        }
    }
    return false;
}

OptionNode* BasicOptionNode::ChildAt(int32_t index) const {
    return index >= 0 && index < ChildCount() ? children[index].get() : nullptr;
}

std::unique_ptr<OptionNode> BasicOptionNode::DetachChildAt(int32_t index) {
    if (index < 0 || index >= ChildCount()) {
        return nullptr;
    }
    std::unique_ptr<OptionNode> child = std::move(children[index]);
    children.erase(children.begin() + index);
    child->SetParent(nullptr);
    return child;
}

void BasicOptionNode::DeleteChildren() {
    children.clear();
}

bool BasicOptionNode::SetParent(OptionNode* newParent) {
    parent = newParent;
    return true;
}

std::unique_ptr<OptionNode> BasicOptionNode::CreateNode(const String& caption) const {
    auto node = std::make_unique<BasicOptionNode>();
    node->SetText(caption);
    node->SetTextLookup(textLookup);
    return node;
}

OptionNode* BasicOptionNode::AddExisting(std::unique_ptr<OptionNode> node) {
    OptionNode* added = node.get();
    return AddChild(std::move(node)) ? added : nullptr;
}

OptionNode* BasicOptionNode::AddItem(const String& caption) {
    if (isSeparator) {
        return nullptr;
    }
    return AddExisting(CreateNode(caption));
}

WideString BasicOptionNode::LookUp(int32_t id) const {
    return textLookup ? textLookup(id) : WideString();
}

OptionNode* BasicOptionNode::WithId(OptionNode* child, int32_t id) {
    if (child != nullptr) {
        child->SetTextId(id);
    }
    return child;
}

OptionNode* BasicOptionNode::AddItemById(int32_t id) {
    return WithId(AddItem(LookUp(id)), id);
}

OptionNode* BasicOptionNode::Prepare(OptionNode* child, bool* enableFlag, bool enabledWhen) {
    if (child != nullptr && enableFlag != nullptr) {
        child->AddEnabledByte(enableFlag, enabledWhen);
    }
    return child;
}

OptionNode* BasicOptionNode::AddToggleItem(const String& caption, bool* flag, bool checkedWhen, bool* enableFlag,
                                           bool enabledWhen) {
    if (flag == nullptr) {
        return nullptr;
    }
    OptionNode* child = AddItem(caption);
    if (child != nullptr) {
        child->AddCheckedByte(flag, checkedWhen);
        child->AddActionToggle(flag);
    }
    return Prepare(child, enableFlag, enabledWhen);
}

OptionNode* BasicOptionNode::AddToggleItemById(int32_t id, bool* flag, bool checkedWhen, bool* enableFlag,
                                               bool enabledWhen) {
    return WithId(AddToggleItem(LookUp(id), flag, checkedWhen, enableFlag, enabledWhen), id);
}

OptionNode* BasicOptionNode::AddRadioItem(const String& caption, int32_t* variable, int32_t radioValue,
                                          bool* enableFlag, bool enabledWhen) {
    if (variable == nullptr) {
        return nullptr;
    }
    auto* child = static_cast<BasicOptionNode*>(AddItem(caption));
    if (child != nullptr) {
        child->Append(child->checkedIf, {.kind = EntryKind::IntEquals, .intVariable = variable, .value = radioValue});
        child->isRadioItem = true;
        child->AddActionSetInt(variable, radioValue);
    }
    return Prepare(child, enableFlag, enabledWhen);
}

OptionNode* BasicOptionNode::AddRadioItemById(int32_t id, int32_t* variable, int32_t radioValue, bool* enableFlag,
                                              bool enabledWhen) {
    return WithId(AddRadioItem(LookUp(id), variable, radioValue, enableFlag, enabledWhen), id);
}

OptionNode* BasicOptionNode::AddSeparator() {
    auto* child = static_cast<BasicOptionNode*>(AddItem(WideString()));
    if (child != nullptr) {
        child->isSeparator = true;
    }
    return child;
}

void BasicOptionNode::SetTextId(int32_t id) {
    textId = id;
    if (id >= 0) {
        text = LookUp(id);
    }
}

bool BasicOptionNode::Append(std::vector<Entry>& list, Entry entry) {
    if (isSeparator) {
        return false;
    }
    list.push_back(std::move(entry));
    return true;
}

bool BasicOptionNode::AddLink(std::vector<Entry>& list, OptionNode* node, bool linkValue, bool& ownFlag) {
    if (node == nullptr) {
        return false;
    }
    if (node == this) {
        return Append(list, {.kind = EntryKind::FlagEquals, .flag = &ownFlag, .value = linkValue});
    }
    return Append(list, {.kind = EntryKind::Link, .node = node, .value = linkValue});
}

// A node with a checked condition shows a check mark.
bool BasicOptionNode::MarkedAsCheckItem(bool added) {
    isCheckItem = isCheckItem || added;
    return added;
}

bool BasicOptionNode::AddCheckedLink(OptionNode* node, bool linkValue) {
    return MarkedAsCheckItem(AddLink(checkedIf, node, linkValue, checked));
}

bool BasicOptionNode::AddCheckedCallback(Condition condition, bool conditionValue) {
    return MarkedAsCheckItem(
        condition &&
        Append(checkedIf, {.kind = EntryKind::Callback, .callback = std::move(condition), .value = conditionValue}));
}

bool BasicOptionNode::AddCheckedByte(bool* variable, bool flagValue) {
    return MarkedAsCheckItem(variable != nullptr &&
                             Append(checkedIf, {.kind = EntryKind::FlagEquals, .flag = variable, .value = flagValue}));
}

bool BasicOptionNode::AddCheckedInt(int32_t* variable, int32_t intValue) {
    return MarkedAsCheckItem(
        variable != nullptr &&
        Append(checkedIf, {.kind = EntryKind::IntEquals, .intVariable = variable, .value = intValue}));
}

bool BasicOptionNode::AddEnabledLink(OptionNode* node, bool linkValue) {
    return AddLink(enabledIf, node, linkValue, enabled);
}

bool BasicOptionNode::AddEnabledCallback(Condition condition, bool conditionValue) {
    return condition &&
           Append(enabledIf, {.kind = EntryKind::Callback, .callback = std::move(condition), .value = conditionValue});
}

bool BasicOptionNode::AddEnabledByte(bool* variable, bool flagValue) {
    return variable != nullptr &&
           Append(enabledIf, {.kind = EntryKind::FlagEquals, .flag = variable, .value = flagValue});
}

bool BasicOptionNode::AddEnabledInt(int32_t* variable, int32_t intValue) {
    return variable != nullptr &&
           Append(enabledIf, {.kind = EntryKind::IntEquals, .intVariable = variable, .value = intValue});
}

bool BasicOptionNode::AddVisibleLink(OptionNode* node, bool linkValue) {
    return AddLink(visibleIf, node, linkValue, visible);
}

bool BasicOptionNode::AddVisibleByte(bool* variable, bool flagValue) {
    return variable != nullptr &&
           Append(visibleIf, {.kind = EntryKind::FlagEquals, .flag = variable, .value = flagValue});
}

bool BasicOptionNode::AddVisibleInt(int32_t* variable, int32_t intValue) {
    return variable != nullptr &&
           Append(visibleIf, {.kind = EntryKind::IntEquals, .intVariable = variable, .value = intValue});
}

bool BasicOptionNode::AddActionLink(OptionNode* node) {
    return node != nullptr && node != this && Append(actions, {.kind = EntryKind::Link, .node = node});
}

bool BasicOptionNode::AddActionCallback(Action action) {
    return action && Append(actions, {.kind = EntryKind::Callback, .callback = std::move(action)});
}

bool BasicOptionNode::AddActionSyncCheck(OptionNode* node, bool syncValue) {
    return node != nullptr && node != this &&
           Append(actions, {.kind = EntryKind::SyncCheck, .node = node, .value = syncValue});
}

bool BasicOptionNode::AddActionToggle(bool* variable) {
    return variable != nullptr && Append(actions, {.kind = EntryKind::Toggle, .flag = variable});
}

bool BasicOptionNode::AddActionSetByte(bool* variable, bool flagValue) {
    return variable != nullptr &&
           Append(actions, {.kind = EntryKind::FlagEquals, .flag = variable, .value = flagValue});
}

bool BasicOptionNode::AddActionSetBytes(bool* first, bool flagValue, int32_t count) {
    if (first == nullptr || count <= 0 || isSeparator) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        AddActionSetByte(first + i, flagValue);
    }
    return true;
}

bool BasicOptionNode::AddActionSetInt(int32_t* variable, int32_t intValue) {
    return variable != nullptr &&
           Append(actions, {.kind = EntryKind::IntEquals, .intVariable = variable, .value = intValue});
}

bool BasicOptionNode::Holds(const Entry& entry, State state) const {
    switch (entry.kind) {
    case EntryKind::IntEquals:
        return *entry.intVariable == entry.value;
    case EntryKind::FlagEquals:
        return *entry.flag == (entry.value != 0);
    case EntryKind::Link:
        return state == State::Checked   ? entry.node->IsChecked()
               : state == State::Enabled ? entry.node->IsEnabled()
                                         : entry.node->IsVisible();
    case EntryKind::Callback:
        return entry.callback() == (entry.value != 0);
    default:
        return false;
    }
}

bool BasicOptionNode::AnyHolds(const std::vector<Entry>& list, State state) const {
    return std::any_of(list.begin(), list.end(), [&](const Entry& entry) { return Holds(entry, state); });
}

bool BasicOptionNode::IsChecked() const {
    if (isSeparator) {
        return false;
    }
    if (checkedIf.empty()) {
        return checked && HasCheckMark();
    }
    return AnyHolds(checkedIf, State::Checked);
}

bool BasicOptionNode::IsEnabled() const {
    if (isSeparator) {
        return false;
    }
    return enabledIf.empty() ? enabled : AnyHolds(enabledIf, State::Enabled);
}

bool BasicOptionNode::IsVisible() const {
    return visibleIf.empty() ? visible : AnyHolds(visibleIf, State::Visible);
}

// Runs one action; `changed` becomes true when it changed something (a sync-check sets it to its outcome).
bool BasicOptionNode::Run(const Entry& entry, bool& changed) {
    switch (entry.kind) {
    case EntryKind::IntEquals:
        if (*entry.intVariable != entry.value) {
            *entry.intVariable = entry.value;
            changed = true;
        }
        break;
    case EntryKind::FlagEquals:
        if (*entry.flag != (entry.value != 0)) {
            *entry.flag = entry.value != 0;
            changed = true;
        }
        break;
    case EntryKind::Link:
        changed = entry.node->Activate() || changed;
        break;
    case EntryKind::Toggle:
        *entry.flag = !*entry.flag;
        changed = true;
        break;
    case EntryKind::SyncCheck:
        if (entry.node->IsChecked() != (entry.value != 0)) {
            entry.node->Activate();
        }
        changed = entry.node->IsChecked() == (entry.value != 0);
        break;
    case EntryKind::Callback:
        changed = entry.callback() || changed;
        break;
    }
    return changed;
}

bool BasicOptionNode::Activate() {
    if (isSeparator || !IsEnabled() || !IsVisible() || !children.empty()) {
        return false;
    }
    bool changed = false;
    for (const Entry& entry : actions) {
        Run(entry, changed);
    }
    return changed;
}

bool BasicOptionNode::Notify(OptionNode* source) {
    if (source == nullptr) {
        source = this;
    }
    if (notifyCallback) {
        notifyCallback(source);
        return true;
    }
    return parent != nullptr && parent->Notify(source);
}

} // namespace common
