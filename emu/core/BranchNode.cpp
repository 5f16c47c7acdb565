#include "emu/core/BranchNode.h"

#include <algorithm>

namespace emu {

BranchNode::~BranchNode() {
    DeleteAllChildren();
}

TreeNode* BranchNode::ChildAt(int32_t index) const {
    return index >= 0 && index < ChildCount() ? children[index].get() : nullptr;
}

TreeNode* BranchNode::FindChild(const char* childName) const {
    const auto found = std::ranges::find_if(children, [childName](const std::unique_ptr<TreeNode>& child) {
        return child->Name().Compare(childName) == 0;
    });
    return found != children.end() ? found->get() : nullptr;
}

TreeNode* BranchNode::FindUnnamed() {
    if (TreeNode* found = TreeNode::FindUnnamed()) {
        return found;
    }
    for (const std::unique_ptr<TreeNode>& child : children) {
        if (TreeNode* found = child->FindUnnamed()) {
            return found;
        }
    }
    return nullptr;
}

TreeNode* BranchNode::FindByName(NameSet& names, bool requireNames) {
    if (TreeNode* found = TreeNode::FindByName(names, requireNames)) {
        return found;
    }
    for (const std::unique_ptr<TreeNode>& child : children) {
        if (TreeNode* found = child->FindByName(names, requireNames)) {
            return found;
        }
    }
    return nullptr;
}

bool BranchNode::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    bool all = settings != nullptr;
    for (const std::unique_ptr<TreeNode>& child : children) {
        if (!enabledOnly || child->IsEnabled()) {
            all = child->ExchangeSettings(settings, enabledOnly) && all;
        }
    }
    return all;
}

bool BranchNode::Reset(bool enabledOnly) {
    bool all = true;
    for (const std::unique_ptr<TreeNode>& child : children) {
        if (!enabledOnly || child->IsEnabled()) {
            all = child->Reset(enabledOnly) && all;
        }
    }
    return all;
}

bool BranchNode::Start(int32_t& rate) {
    for (const std::unique_ptr<TreeNode>& child : children) {
        if (!child->IsEnabled()) {
            continue;
        }
        int32_t childRate = rate;
        if (!child->Start(childRate)) {
            return false;
        }
        rate = std::max(rate, childRate);
    }
    return true;
}

void BranchNode::Stop() {
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
        if ((*child)->IsEnabled()) {
            (*child)->Stop();
        }
    }
}

void BranchNode::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    if (item == nullptr) {
        return;
    }
    for (const std::unique_ptr<TreeNode>& child : children) {
        child->FillSettingsTree(item, kind);
    }
}

bool BranchNode::LoadState(common::RecordArchive& archive, common::NarrowString* note) {
    return TreeNode::LoadState(archive, note) && AfterLoadState(note);
}

void BranchNode::SetConsole(common::Console* newConsole) {
    TreeNode::SetConsole(newConsole);
    for (const std::unique_ptr<TreeNode>& child : children) {
        child->SetConsole(newConsole);
    }
}

bool BranchNode::AfterLoadState(common::NarrowString*) {
    return true;
}

bool BranchNode::AddChild(std::unique_ptr<TreeNode> node, const char* childName, const char* childTag) {
    if (node == nullptr || FindChild(childName != nullptr ? childName : node->Name().GetNarrow()) != nullptr) {
        return false;
    }
    if (childName != nullptr) {
        node->name.Assign(childName);
    }
    if (childTag != nullptr) {
        node->tag.Assign(childTag);
    }
    node->SetConsole(Console());
    node->parent = this;
    children.push_back(std::move(node));
    return true;
}

void BranchNode::DeleteChildren() {
    DeleteAllChildren();
}

bool BranchNode::SaveChildrenState(common::RecordArchive& archive) {
    return std::ranges::all_of(children, [&archive](const std::unique_ptr<TreeNode>& child) {
        return !child->IsEnabled() || child->SaveState(archive);
    });
}

bool BranchNode::LoadChildrenState(common::RecordArchive& archive, common::NarrowString* note) {
    return std::ranges::all_of(children, [&archive, note](const std::unique_ptr<TreeNode>& child) {
        if (!child->IsEnabled()) {
            return true;
        }
        const bool loaded = child->LoadState(archive, note);
        // A save writes only the children that are on: a chunk that switches its child off comes from no save,
        // and the tree's next save would leave that child out, so that the state no longer loads back.
        if (!child->IsEnabled()) {
            child->SetEnabled(true);
            return false;
        }
        return loaded;
    });
}

void BranchNode::DeleteAllChildren() {
    // Taken out first, so that no child meets a half-emptied list of its siblings while it goes.
    std::vector<std::unique_ptr<TreeNode>> leaving = std::move(children);
    children.clear();
    for (std::unique_ptr<TreeNode>& child : leaving) {
        child.reset();
    }
}

} // namespace emu
