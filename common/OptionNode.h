// A user-facing option: a caption, child options (a submenu), and checked, enabled and visible states derived
// from conditions on live program variables, other options or callbacks; activating it runs a list of actions on
// those variables. States are never cached: every query evaluates the conditions again. A node owns its children;
// the variables, nodes and callbacks its conditions point to are borrowed and must outlive it.
#pragma once

#include "common/OwnedValue.h"
#include "common/TextLookup.h"
#include "common/WideString.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace common {

class OptionNode {
public:
    using Condition = std::function<bool()>;
    using Action = std::function<bool()>;
    // Told which node an event started from.
    using NotifyCallback = std::function<void(OptionNode* source)>;

    virtual ~OptionNode() = default;
    OptionNode(const OptionNode&) = delete;
    OptionNode& operator=(const OptionNode&) = delete;

    // Adopts a node that has no parent; false for null or a node that still has one (see MoveChild).
    virtual bool AddChild(std::unique_ptr<OptionNode> node) = 0;
    // Moves a node that lies below another parent here; true without change when it already lies here. False for
    // a node without a parent (its owner is not known) and for this node or one of its ancestors.
    virtual bool MoveChild(OptionNode& node) = 0;

    virtual const WideString& Text() const = 0;
    virtual void SetText(const String& text) = 0;
    virtual const WideString& Detail() const = 0;
    virtual void SetDetail(const String& text) = 0;

    // Runs the actions; false (nothing done) for a separator, a disabled or hidden node, or a submenu. True
    // when something changed.
    virtual bool Activate() = 0;
    // Reports an event upwards to the nearest node with a callback (null source: this node); false when none.
    virtual bool Notify(OptionNode* source) = 0;

    // A new unattached node with that caption and this node's text lookup.
    virtual std::unique_ptr<OptionNode> CreateNode(const String& text) const = 0;
    virtual int32_t ChildCount() const = 0;
    // Null for an index out of range.
    virtual OptionNode* ChildAt(int32_t index) const = 0;
    // The node when AddChild took it, else null.
    virtual OptionNode* AddExisting(std::unique_ptr<OptionNode> node) = 0;
    // A new child with that caption; null below a separator.
    virtual OptionNode* AddItem(const String& text) = 0;
    // The caption comes from the text lookup; the child keeps the id.
    virtual OptionNode* AddItemById(int32_t id) = 0;
    // A check item over a flag: checked while *flag equals checkedWhen, activating it toggles the flag; enabled
    // while *enableFlag equals enabledWhen when an enable flag is given. Null without a flag.
    virtual OptionNode* AddToggleItem(const String& text, bool* flag, bool checkedWhen, bool* enableFlag,
                                      bool enabledWhen) = 0;
    virtual OptionNode* AddToggleItemById(int32_t id, bool* flag, bool checkedWhen, bool* enableFlag,
                                          bool enabledWhen) = 0;
    // A radio item: checked while *variable equals value, activating it sets that value. Null without a variable.
    virtual OptionNode* AddRadioItem(const String& text, int32_t* variable, int32_t value, bool* enableFlag,
                                     bool enabledWhen) = 0;
    virtual OptionNode* AddRadioItemById(int32_t id, int32_t* variable, int32_t value, bool* enableFlag,
                                         bool enabledWhen) = 0;
    virtual OptionNode* AddSeparator() = 0;
    // Hands the child at index to the caller, parent cleared; null for an index out of range.
    virtual std::unique_ptr<OptionNode> DetachChildAt(int32_t index) = 0;
    virtual void DeleteChildren() = 0;
    virtual OptionNode* Parent() const = 0;
    // Kept in step by the parent that adopts or lets go of the node.
    virtual bool SetParent(OptionNode* parent) = 0;

    virtual bool IsChecked() const = 0;
    virtual bool HasCheckMark() const = 0;
    virtual bool IsRadioItem() const = 0;
    virtual void SetChecked(bool checked) = 0;
    virtual bool IsEnabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool IsSeparator() const = 0;
    // A value the front end keeps with the node.
    virtual OwnedValue& Value() = 0;
    // The text id the caption came from, -1 for none.
    virtual int32_t TextId() const = 0;
    // Keeps the id and, for an id of 0 or more, takes the caption from the text lookup.
    virtual void SetTextId(int32_t id) = 0;
    virtual void SetTextLookup(TextLookup lookup) = 0;

    // Conditions and actions. Each is refused (false, nothing changed) on a separator and for a null target; a
    // link to this node itself stands for the node's own checked, enabled or visible flag.
    virtual bool AddCheckedLink(OptionNode* node, bool value) = 0;
    virtual bool AddCheckedCallback(Condition condition, bool value) = 0;
    virtual bool AddCheckedByte(bool* variable, bool value) = 0;
    virtual bool AddCheckedInt(int32_t* variable, int32_t value) = 0;
    virtual bool AddEnabledLink(OptionNode* node, bool value) = 0;
    virtual bool AddEnabledCallback(Condition condition, bool value) = 0;
    virtual bool AddEnabledByte(bool* variable, bool value) = 0;
    virtual bool AddEnabledInt(int32_t* variable, int32_t value) = 0;
    virtual bool AddVisibleLink(OptionNode* node, bool value) = 0;
    virtual bool AddVisibleByte(bool* variable, bool value) = 0;
    virtual bool AddVisibleInt(int32_t* variable, int32_t value) = 0;
    // Activates another node; counts when that changed something.
    virtual bool AddActionLink(OptionNode* node) = 0;
    // Calls the action; counts when it answers true.
    virtual bool AddActionCallback(Action action) = 0;
    // Activates another node when its checked state differs from value; the outcome is whether it matches now.
    virtual bool AddActionSyncCheck(OptionNode* node, bool value) = 0;
    virtual bool AddActionToggle(bool* variable) = 0;
    virtual bool AddActionSetByte(bool* variable, bool value) = 0;
    // count consecutive flags from first on; refused for a count below 1.
    virtual bool AddActionSetBytes(bool* first, bool value, int32_t count) = 0;
    virtual bool AddActionSetInt(int32_t* variable, int32_t value) = 0;
    virtual void SetCallback(NotifyCallback callback) = 0;

protected:
    OptionNode() = default;
};

} // namespace common
