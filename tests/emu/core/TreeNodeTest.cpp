#include "emu/core/BranchNode.h"

#include "TreeHelpers.h"
#include "support/RecordingConsole.h"
#include "support/RecordingDevice.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using test_support::RecordingDevice;
using Log = std::vector<std::string>;

// A leaf with one value of its own in its chunk, and a flag that tells when it is deleted.
class ValueNode : public TreeNode {
public:
    explicit ValueNode(const char* name = nullptr, bool* deleted = nullptr) : TreeNode(name), deleted(deleted) {}
    ~ValueNode() override {
        if (deleted != nullptr) {
            *deleted = true;
        }
    }

    uint8_t value = 0;

    bool SaveOwnData(common::RecordArchive& archive) override {
        return archive.WriteRecordU8(value, common::NarrowString("X"));
    }
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString*) override {
        return archive.ReadRecordU8(value, common::NarrowString("X"));
    }

private:
    bool* deleted;
};

TEST(TreeNodeTest, StartsEnabledChildrenInOrderAndKeepsTheLargestRate) {
    struct Case {
        int32_t initial;
        int32_t expected;
    };
    for (const Case& test : {Case{0, 7}, Case{4, 7}, Case{9, 9}, Case{-5, 7}}) {
        Log log;
        BranchNode root("ROOT");
        for (const auto& [name, rate] : {std::pair{"A", 3}, {"B", 70}, {"C", 7}, {"D", 5}}) {
            Add<RecordingDevice>(root, name, log)->reportedRate = rate;
        }
        root.ChildAt(1)->SetEnabled(false);
        int32_t rate = test.initial;
        EXPECT_TRUE(root.Start(rate));
        EXPECT_EQ(rate, test.expected) << "from " << test.initial;
        EXPECT_EQ(log, (Log{"A Start", "C Start", "D Start"}));
    }
}

TEST(TreeNodeTest, StartEndsAtTheFirstFailureLeavingEarlierChildrenStarted) {
    Log log;
    BranchNode root("ROOT");
    Add<RecordingDevice>(root, "A", log)->reportedRate = 3;
    Add<RecordingDevice>(root, "B", log)->failStart = true;
    Add<RecordingDevice>(root, "C", log)->reportedRate = 9;
    int32_t rate = 0;
    EXPECT_FALSE(root.Start(rate));
    EXPECT_EQ(rate, 3);
    EXPECT_EQ(log, (Log{"A Start", "B Start"}));
    EXPECT_TRUE(static_cast<Device*>(root.ChildAt(0))->IsRunning());
    EXPECT_FALSE(static_cast<Device*>(root.ChildAt(2))->IsRunning());
}

TEST(TreeNodeTest, StopsEnabledChildrenLastFirst) {
    Log log;
    BranchNode root("ROOT");
    RecordingDevice* a = Add<RecordingDevice>(root, "A", log);
    Add<RecordingDevice>(root, "B", log)->SetEnabled(false);
    Add<RecordingDevice>(root, "C", log);
    Add<RecordingDevice>(*a, "A1", log);
    Add<RecordingDevice>(*a, "A2", log);
    root.Stop();
    EXPECT_EQ(log, (Log{"C Stop", "A Stop", "A2 Stop", "A1 Stop"}));
}

TEST(TreeNodeTest, AdoptionNamesTagsAndHandsDownTheConsole) {
    test_support::RecordingConsole console;
    BranchNode root("ROOT");
    root.SetConsole(&console);
    auto own = std::make_unique<ValueNode>("OWN");
    ASSERT_TRUE(root.AddChild(std::move(own), nullptr, "T"));
    ASSERT_TRUE(root.AddChild(std::make_unique<ValueNode>("OLD"), "NEW"));

    TreeNode* kept = root.FindChild("OWN");
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Tag().View(), "T");
    EXPECT_EQ(kept->Parent(), &root);
    EXPECT_EQ(kept->Console(), &console);
    EXPECT_NE(root.FindChild("NEW"), nullptr);
    EXPECT_EQ(root.FindChild("OLD"), nullptr);
    EXPECT_EQ(root.FindChild("OW"), nullptr);

    test_support::RecordingConsole other;
    root.SetConsole(&other);
    EXPECT_EQ(root.ChildAt(1)->Console(), &other);
}

TEST(TreeNodeTest, AdoptionRefusesNullAndNamesASiblingHasAndDeletesWhatItRefuses) {
    BranchNode root("ROOT");
    EXPECT_FALSE(root.AddChild(nullptr, "A"));
    ASSERT_TRUE(root.AddChild(std::make_unique<ValueNode>("A")));

    bool deleted = false;
    EXPECT_FALSE(root.AddChild(std::make_unique<ValueNode>("A", &deleted)));
    EXPECT_TRUE(deleted);
    deleted = false;
    EXPECT_FALSE(root.AddChild(std::make_unique<ValueNode>("B", &deleted), "A"));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(root.ChildCount(), 1);

    // The same name below another parent is another full name.
    BranchNode* group = Add<BranchNode>(root, "G");
    EXPECT_TRUE(group->AddChild(std::make_unique<ValueNode>("A")));
}

TEST(TreeNodeTest, FullNameListsTheNodeThenItsAncestorsBelowTheRoot) {
    BranchNode root("MACHINE");
    BranchNode* group = Add<BranchNode>(root, "B");
    BranchNode* device = Add<BranchNode>(*group, "A");
    TreeNode* leaf = Add<ValueNode>(*device, "L");
    EXPECT_EQ(root.FullName().View(), "MACHINE");
    EXPECT_EQ(group->FullName().View(), "B");
    EXPECT_EQ(device->FullName().View(), "A.B");
    EXPECT_EQ(leaf->FullName().View(), "L.A.B");
}

TEST(TreeNodeTest, NameChecksFindTheRepeatedOrMissingName) {
    BranchNode root("ROOT");
    BranchNode* first = Add<BranchNode>(root, "P");
    BranchNode* second = Add<BranchNode>(root, "Q");
    Add<ValueNode>(*first, "X");
    TreeNode* repeated = Add<ValueNode>(*second, "X");
    EXPECT_EQ(root.CheckNames(false, true), repeated);
    EXPECT_EQ(root.CheckNames(true, true), repeated);
    EXPECT_EQ(root.CheckNames(true, false), nullptr);
    EXPECT_EQ(root.CheckNames(false, false), nullptr);

    TreeNode* unnamed = Add<ValueNode>(*first);
    EXPECT_EQ(root.CheckNames(true, true), unnamed);
    EXPECT_EQ(root.CheckNames(true, false), unnamed);
    EXPECT_EQ(root.CheckNames(false, true), repeated);
}

TEST(TreeNodeTest, EnabledWithAncestorsNeedsTheWholePathEnabled) {
    BranchNode root("ROOT");
    BranchNode* group = Add<BranchNode>(root, "G");
    TreeNode* leaf = Add<ValueNode>(*group, "L");
    EXPECT_TRUE(leaf->IsEnabled(true));
    root.SetEnabled(false);
    EXPECT_TRUE(leaf->IsEnabled());
    EXPECT_FALSE(leaf->IsEnabled(true));
    EXPECT_FALSE(root.IsEnabled(true));
}

TEST(TreeNodeTest, UnnamedNodeChunkRoundTrips) {
    ValueNode node;
    node.value = 0x5A;
    const Bytes expected =
        Concat({ChunkBegin(""), U8Value("_VER", 0), BoolValue("_ENBL", true), U8Value("X", 0x5A), ChunkEnd("")});
    ASSERT_EQ(SavedState(node), expected);
    EXPECT_EQ(expected[1], 0x81);
    EXPECT_EQ(expected[2], 0x81);

    ValueNode loaded;
    bool consumedAll = false;
    EXPECT_TRUE(LoadState(loaded, expected, &consumedAll));
    EXPECT_TRUE(consumedAll);
    EXPECT_EQ(loaded.value, 0x5A);
}

TEST(TreeNodeTest, LoadingADisabledChunkDisablesTheNodeAndStillReadsItsData) {
    ValueNode saved("N");
    saved.value = 7;
    saved.SetEnabled(false);
    ValueNode loaded("N");
    EXPECT_TRUE(LoadState(loaded, SavedState(saved)));
    EXPECT_FALSE(loaded.IsEnabled());
    EXPECT_EQ(loaded.value, 7);
}

// A root with three leaves; the middle one disabled when asked.
std::unique_ptr<BranchNode> ThreeChildren(bool middleEnabled, uint8_t base) {
    auto root = std::make_unique<BranchNode>("ROOT");
    for (const char* name : {"A", "B", "C"}) {
        Add<ValueNode>(*root, name)->value = static_cast<uint8_t>(base + root->ChildCount());
    }
    root->ChildAt(1)->SetEnabled(middleEnabled);
    return root;
}

TEST(TreeNodeTest, DisabledChildWritesNoChunkAndALoadExpectingItFails) {
    const std::unique_ptr<BranchNode> saved = ThreeChildren(false, 10);
    const Bytes bytes = SavedState(*saved);
    const Bytes leafA =
        Concat({ChunkBegin("A"), U8Value("_VER", 0), BoolValue("_ENBL", true), U8Value("X", 10), ChunkEnd("A")});
    const Bytes leafC =
        Concat({ChunkBegin("C"), U8Value("_VER", 0), BoolValue("_ENBL", true), U8Value("X", 12), ChunkEnd("C")});
    EXPECT_EQ(bytes, Concat({ChunkBegin("ROOT"), U8Value("_VER", 0), BoolValue("_ENBL", true), leafA, leafC,
                             ChunkEnd("ROOT")}));

    const std::unique_ptr<BranchNode> sameShape = ThreeChildren(false, 0);
    EXPECT_TRUE(LoadState(*sameShape, bytes));
    EXPECT_EQ(static_cast<ValueNode*>(sameShape->ChildAt(2))->value, 12);

    const std::unique_ptr<BranchNode> middleEnabled = ThreeChildren(true, 0);
    EXPECT_FALSE(LoadState(*middleEnabled, bytes));
}

TEST(TreeNodeTest, AChildChunkThatSwitchesItsChildOffIsRefusedAndLeavesItOn) {
    const std::unique_ptr<BranchNode> saved = ThreeChildren(true, 10);
    Bytes bytes = SavedState(*saved);
    // The middle child's flag; the root's own comes first.
    const Bytes on = BoolValue("_ENBL", true);
    auto at = std::search(bytes.begin(), bytes.end(), on.begin(), on.end());
    for (int skip = 0; skip < 2; ++skip) {
        at = std::search(at + 1, bytes.end(), on.begin(), on.end());
    }
    ASSERT_NE(at, bytes.end());
    const Bytes off = BoolValue("_ENBL", false);
    std::copy(off.begin(), off.end(), at);

    const std::unique_ptr<BranchNode> target = ThreeChildren(true, 0);
    EXPECT_FALSE(LoadState(*target, bytes));
    EXPECT_TRUE(target->ChildAt(1)->IsEnabled());
}

TEST(TreeNodeTest, EveryCutOfAStateFailsToLoad) {
    const std::unique_ptr<BranchNode> saved = ThreeChildren(true, 1);
    const Bytes bytes = SavedState(*saved);
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::unique_ptr<BranchNode> target = ThreeChildren(true, 0);
        EXPECT_FALSE(LoadState(*target, Bytes(bytes.begin(), bytes.begin() + length))) << "cut at " << length;
    }
}

TEST(TreeNodeTest, LoadEndsWithAfterLoadState) {
    class Checked : public BranchNode {
    public:
        using BranchNode::BranchNode;
        int calls = 0;
        bool answer = true;
        bool AfterLoadState(common::NarrowString*) override {
            ++calls;
            return answer;
        }
    };
    Checked node("N");
    const Bytes bytes = SavedState(node);
    EXPECT_TRUE(LoadState(node, bytes));
    node.answer = false;
    EXPECT_FALSE(LoadState(node, bytes));
    EXPECT_FALSE(LoadState(node, Bytes(bytes.begin(), bytes.end() - 1)));
    EXPECT_EQ(node.calls, 2);
}

} // namespace
} // namespace emu
