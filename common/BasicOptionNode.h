// The option node of the program's option trees (see OptionNode).
#pragma once

#include "common/OptionNode.h"

#include <vector>

namespace common {

class BasicOptionNode : public OptionNode {
public:
    BasicOptionNode() = default;
    ~BasicOptionNode() override;

    bool AddChild(std::unique_ptr<OptionNode> node) override;
    bool MoveChild(OptionNode& node) override;
    const WideString& Text() const override { return text; }
    void SetText(const String& newText) override { text.Assign(newText); }
    const WideString& Detail() const override { return detail; }
    void SetDetail(const String& newDetail) override { detail.Assign(newDetail); }
    bool Activate() override;
    bool Notify(OptionNode* source) override;
    std::unique_ptr<OptionNode> CreateNode(const String& caption) const override;
    int32_t ChildCount() const override { return static_cast<int32_t>(children.size()); }
    OptionNode* ChildAt(int32_t index) const override;
    OptionNode* AddExisting(std::unique_ptr<OptionNode> node) override;
    OptionNode* AddItem(const String& caption) override;
    OptionNode* AddItemById(int32_t id) override;
    OptionNode* AddToggleItem(const String& caption, bool* flag, bool checkedWhen, bool* enableFlag,
                              bool enabledWhen) override;
    OptionNode* AddToggleItemById(int32_t id, bool* flag, bool checkedWhen, bool* enableFlag,
                                  bool enabledWhen) override;
    OptionNode* AddRadioItem(const String& caption, int32_t* variable, int32_t value, bool* enableFlag,
                             bool enabledWhen) override;
    OptionNode* AddRadioItemById(int32_t id, int32_t* variable, int32_t value, bool* enableFlag,
                                 bool enabledWhen) override;
    OptionNode* AddSeparator() override;
    std::unique_ptr<OptionNode> DetachChildAt(int32_t index) override;
    void DeleteChildren() override;
    OptionNode* Parent() const override { return parent; }
    bool SetParent(OptionNode* newParent) override;

    bool IsChecked() const override;
    bool HasCheckMark() const override { return isCheckItem || isRadioItem; }
    bool IsRadioItem() const override { return isRadioItem; }
    void SetChecked(bool value) override { checked = value; }
    bool IsEnabled() const override;
    void SetEnabled(bool value) override { enabled = value; }
    bool IsVisible() const override;
    void SetVisible(bool value) override { visible = value; }
    bool IsSeparator() const override { return isSeparator; }
    OwnedValue& Value() override { return value; }
    int32_t TextId() const override { return textId; }
    void SetTextId(int32_t id) override;
    void SetTextLookup(TextLookup lookup) override { textLookup = std::move(lookup); }

    bool AddCheckedLink(OptionNode* node, bool value) override;
    bool AddCheckedCallback(Condition condition, bool value) override;
    bool AddCheckedByte(bool* variable, bool value) override;
    bool AddCheckedInt(int32_t* variable, int32_t value) override;
    bool AddEnabledLink(OptionNode* node, bool value) override;
    bool AddEnabledCallback(Condition condition, bool value) override;
    bool AddEnabledByte(bool* variable, bool value) override;
    bool AddEnabledInt(int32_t* variable, int32_t value) override;
    bool AddVisibleLink(OptionNode* node, bool value) override;
    bool AddVisibleByte(bool* variable, bool value) override;
    bool AddVisibleInt(int32_t* variable, int32_t value) override;
    bool AddActionLink(OptionNode* node) override;
    bool AddActionCallback(Action action) override;
    bool AddActionSyncCheck(OptionNode* node, bool value) override;
    bool AddActionToggle(bool* variable) override;
    bool AddActionSetByte(bool* variable, bool value) override;
    bool AddActionSetBytes(bool* first, bool value, int32_t count) override;
    bool AddActionSetInt(int32_t* variable, int32_t value) override;
    void SetCallback(NotifyCallback callback) override { notifyCallback = std::move(callback); }

private:
    enum class EntryKind { IntEquals, FlagEquals, Link, Toggle, SyncCheck, Callback };
    enum class State { Checked, Enabled, Visible };

    // One condition or action; only the target of its kind is set.
    struct Entry {
        EntryKind kind = EntryKind::IntEquals;
        int32_t* intVariable = nullptr;
        bool* flag = nullptr;
        OptionNode* node = nullptr;
        std::function<bool()> callback = nullptr;
        int32_t value = 0;
    };

    bool Append(std::vector<Entry>& list, Entry entry);
    bool AddLink(std::vector<Entry>& list, OptionNode* node, bool value, bool& ownFlag);
    bool MarkedAsCheckItem(bool added);
    bool AnyHolds(const std::vector<Entry>& list, State state) const;
    bool Holds(const Entry& entry, State state) const;
    bool Run(const Entry& entry, bool& changed);
    WideString LookUp(int32_t id) const;
    OptionNode* WithId(OptionNode* child, int32_t id);
    OptionNode* Prepare(OptionNode* child, bool* enableFlag, bool enabledWhen);
    bool IsSelfOrAncestor(const OptionNode& node) const;

    std::vector<std::unique_ptr<OptionNode>> children;
    OptionNode* parent = nullptr;
    WideString text;
    WideString detail;
    OwnedValue value;
    int32_t textId = -1;
    bool checked = false;
    bool isCheckItem = false;
    bool isRadioItem = false;
    bool enabled = true;
    bool visible = true;
    bool isSeparator = false;
    std::vector<Entry> checkedIf;
    std::vector<Entry> enabledIf;
    std::vector<Entry> visibleIf;
    std::vector<Entry> actions;
    NotifyCallback notifyCallback;
    TextLookup textLookup;
};

} // namespace common
