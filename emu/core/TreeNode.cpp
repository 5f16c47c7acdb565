#include "emu/core/TreeNode.h"

#include "common/RecordArchive.h"
#include "emu/core/BranchNode.h"
#include "emu/core/StateChunk.h"

namespace emu {

TreeNode::TreeNode(const char* name, const char* tag) : name(name), tag(tag) {}

bool TreeNode::IsEnabled(bool withAncestors) const {
    if (!enabled || !withAncestors) {
        return enabled;
    }
    for (const TreeNode* ancestor = parent; ancestor != nullptr; ancestor = ancestor->parent) {
        if (!ancestor->enabled) {
            return false;
        }
    }
    return true;
}

common::NarrowString TreeNode::FullName() const {
    common::NarrowString fullName(name);
    for (const TreeNode* ancestor = parent; ancestor != nullptr && ancestor->parent != nullptr;
         ancestor = ancestor->parent) {
        fullName.AppendFormat(".%s", ancestor->name);
    }
    return fullName;
}

TreeNode* TreeNode::CheckNames(bool requireNames, bool uniqueNames) {
    if (uniqueNames) {
        NameSet names;
        return FindByName(names, requireNames);
    }
    return requireNames ? FindUnnamed() : nullptr;
}

TreeNode* TreeNode::FindUnnamed() {
    return name.IsEmpty() ? this : nullptr;
}

TreeNode* TreeNode::FindByName(NameSet& names, bool requireNames) {
    if (requireNames && name.IsEmpty()) {
        return this;
    }
    return names.insert(name).second ? nullptr : this;
}

bool TreeNode::ExchangeSettings(common::SettingsTree* settings, bool) {
    return settings != nullptr;
}

bool TreeNode::Reset(bool) {
    return true;
}

bool TreeNode::Start(int32_t&) {
    return true;
}

void TreeNode::Stop() {}

void TreeNode::FillSettingsTree(common::OptionNode*, OptionKind) {}

bool TreeNode::SaveState(common::RecordArchive& archive) {
    return archive.WriteMarker(common::kChunkBeginMarker, name) && WriteVersion(archive, "_VER") &&
           archive.WriteRecordBool(enabled, common::NarrowString("_ENBL")) && SaveOwnData(archive) &&
           SaveChildrenState(archive) && archive.WriteMarker(common::kChunkEndMarker, name);
}

bool TreeNode::LoadState(common::RecordArchive& archive, common::NarrowString* note) {
    return archive.ReadMarker(name, common::kChunkBeginMarker) && ReadVersion(archive, "_VER") &&
           archive.ReadRecordBool(enabled, common::NarrowString("_ENBL")) && LoadOwnData(archive, note) &&
           LoadChildrenState(archive, note) && archive.ReadMarker(name, common::kChunkEndMarker);
}

bool TreeNode::SaveOwnData(common::RecordArchive&) {
    return true;
}

bool TreeNode::LoadOwnData(common::RecordArchive&, common::NarrowString*) {
    return true;
}

void TreeNode::AppendToConsole(const common::String& text, uint32_t colour, bool evenWhenEmpty) const {
    if (console == nullptr || (text.IsEmpty() && !evenWhenEmpty)) {
        return;
    }
    console->AppendText(text, colour);
}

void TreeNode::Print(uint32_t colour, bool evenWhenEmpty, const char* format,
                     std::span<const common::FormatArg> args) const {
    common::NarrowString text;
    text.FormatV(format, args);
    AppendToConsole(text, colour, evenWhenEmpty);
}

} // namespace emu
