#pragma once

#include "common/Console.h"
#include "common/FormatArg.h"
#include "common/NarrowString.h"
#include "emu/core/OptionKind.h"
#include "emu/core/Report.h"

#include <cstdint>
#include <set>
#include <span>

namespace common {
class OptionNode;
class RecordArchive;
class SettingsTree;
} // namespace common

namespace emu {

class BranchNode;

// What a node is to the machine: processors are also kept in the machine's list of CPUs.
enum class NodeKind : int32_t { Plain = 0, Processor = 1 };

// Names met in a walk of the tree, in the archive's string order.
using NameSet = std::set<common::NarrowString, common::StringLessOrder>;

// A node of the device tree, to which every part of an emulated machine belongs: the machine, its services, its
// devices and processors. A node's name tags its state chunk and its settings section; its short tag opens its
// console lines. Its parent owns it (a root belongs to whoever made it); parent and console are borrowed.
// Disabled nodes take no part in start, stop, state, service hand-out and notification.
class TreeNode {
public:
    // A node is named by its own constructor or when its parent adopts it; null keeps the name empty.
    explicit TreeNode(const char* name = nullptr, const char* tag = nullptr);
    virtual ~TreeNode() = default;
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    const common::NarrowString& Name() const { return name; }
    const common::NarrowString& Tag() const { return tag; }
    BranchNode* Parent() const { return parent; }
    common::Console* Console() const { return console; }
    // The node's own flag; with withAncestors, whether the node and every ancestor up to the root are enabled.
    bool IsEnabled(bool withAncestors = false) const;
    void SetEnabled(bool on) { enabled = on; }

    // The node's name, then the name of each ancestor below the root, each after a dot: a device "A" in a group
    // "B" of the root machine is "A.B". Saved states name the owners of timed events this way.
    common::NarrowString FullName() const;
    // The first node of the subtree that has no name (with requireNames) or a name met before in the walk (with
    // uniqueNames), or null.
    TreeNode* CheckNames(bool requireNames, bool uniqueNames);

    // This node when it has no name, else the first unnamed node of its subtree, or null.
    virtual TreeNode* FindUnnamed();
    // Walks the subtree adding each name to names; answers the first node without a name (with requireNames) or
    // whose name was already there, or null.
    virtual TreeNode* FindByName(NameSet& names, bool requireNames);
    // Binds the node's settings in the tree; with enabledOnly, disabled children are left out. False for no tree.
    virtual bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly);
    // Puts each setting that is out of range back to its default; false when any was.
    virtual bool Reset(bool enabledOnly);
    // A node that needs a faster bus than rate asks for raises it.
    virtual bool Start(int32_t& rate);
    virtual void Stop();
    // Adds the node's option items of a menu kind below item.
    virtual void FillSettingsTree(common::OptionNode* item, OptionKind kind);
    virtual NodeKind DeviceKind() const { return NodeKind::Plain; }
    virtual bool IsDevice() const { return false; }

    // The node's state chunk: begin(name), "_VER" = 0, "_ENBL", the node's own data, the chunks of its enabled
    // children, end(name). The first failed write fails the whole.
    virtual bool SaveState(common::RecordArchive& archive);
    // Reads the chunk back strictly, "_ENBL" into the node's flag; the first difference fails, with no skipping.
    // note is passed on unread to every node below.
    virtual bool LoadState(common::RecordArchive& archive, common::NarrowString* note);
    virtual bool SaveOwnData(common::RecordArchive& archive);
    virtual bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note);
    virtual void SetConsole(common::Console* newConsole) { console = newConsole; }

    // printf-style lines on the node's console: PrintLine a plain line, even an empty one; PrintHighlighted and
    // PrintError a line in their colour unless the text is empty.
    template <typename... Args>
    void PrintLine(const char* format, const Args&... args) const {
        Print(common::Console::kPlainColour, true, format, FormatArgs(args...));
    }
    template <typename... Args>
    void PrintHighlighted(const char* format, const Args&... args) const {
        Print(kHighlightColour, false, format, FormatArgs(args...));
    }
    template <typename... Args>
    void PrintError(const char* format, const Args&... args) const {
        Print(kErrorColour, false, format, FormatArgs(args...));
    }

protected:
    // The children's chunks between the node's own data and its chunk end; a leaf has none.
    virtual bool SaveChildrenState(common::RecordArchive&) { return true; }
    virtual bool LoadChildrenState(common::RecordArchive&, common::NarrowString*) { return true; }

    // Appends text as a line of the node's console in colour, unless it is empty and not evenWhenEmpty.
    void AppendToConsole(const common::String& text, uint32_t colour, bool evenWhenEmpty) const;
    // The same with a printf-style text.
    void Print(uint32_t colour, bool evenWhenEmpty, const char* format, std::span<const common::FormatArg> args) const;

private:
    friend class BranchNode;

    common::NarrowString name;
    common::NarrowString tag;
    BranchNode* parent = nullptr;
    common::Console* console = nullptr;
    bool enabled = true;
};

} // namespace emu
