#pragma once

#include "emu/core/TreeNode.h"

#include <memory>
#include <vector>

namespace emu {

// A tree node that owns an ordered list of children. Tree walks visit the children in the order they were added,
// except Stop, which goes last-first.
class BranchNode : public TreeNode {
public:
    using TreeNode::TreeNode;
    ~BranchNode() override;

    int32_t ChildCount() const { return static_cast<int32_t>(children.size()); }
    // Null for an index out of range.
    TreeNode* ChildAt(int32_t index) const;
    // The first direct child with exactly that name, or null.
    TreeNode* FindChild(const char* childName) const;

    TreeNode* FindUnnamed() override;
    TreeNode* FindByName(NameSet& names, bool requireNames) override;
    // Every child (with enabledOnly, every enabled one), none skipped after a failure; true when all succeed.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    bool Reset(bool enabledOnly) override;
    // Starts the enabled children in order, each with its own copy of rate, which ends as the largest value any
    // of them asked for. Stops at the first child that fails, leaving the earlier ones started.
    bool Start(int32_t& rate) override;
    // Stops the enabled children, last first.
    void Stop() override;
    // Asks every child, enabled or not.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    // A successful load ends with AfterLoadState.
    bool LoadState(common::RecordArchive& archive, common::NarrowString* note) override;
    // Hands the console to the whole subtree.
    void SetConsole(common::Console* newConsole) override;

    // Called when the node's state chunk has been read whole, to rebuild what follows from it.
    virtual bool AfterLoadState(common::NarrowString* note);
    // Adopts a node as the last child, naming and tagging it when name and tag are given, and hands it this node's
    // console. Full dotted names must tell devices apart, so a name a sibling already has is refused, as is a null
    // node; a refused node is deleted.
    virtual bool AddChild(std::unique_ptr<TreeNode> node, const char* childName = nullptr,
                          const char* childTag = nullptr);
    // Deletes the children, first added first.
    virtual void DeleteChildren();

protected:
    bool SaveChildrenState(common::RecordArchive& archive) override;
    // A child's chunk is read when the child is enabled now, before its chunk is read.
    bool LoadChildrenState(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    void DeleteAllChildren();

    std::vector<std::unique_ptr<TreeNode>> children;
};

} // namespace emu
