#include "common/BasicOptionNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace common {
namespace {

std::u16string Caption(const OptionNode* node) {
    return std::u16string(node->Text().View());
}

TEST(BasicOptionNodeTest, FreshNode) {
    BasicOptionNode node;
    EXPECT_FALSE(node.IsChecked());
    EXPECT_TRUE(node.IsEnabled());
    EXPECT_TRUE(node.IsVisible());
    EXPECT_EQ(node.TextId(), -1);
    EXPECT_EQ(node.ChildCount(), 0);
    EXPECT_EQ(node.Parent(), nullptr);
    EXPECT_FALSE(node.Activate()); // nothing to do
    EXPECT_EQ(node.Value().Tag(), ValueTag::Empty);

    // A plain item shows no check mark, so it is never checked.
    node.SetChecked(true);
    EXPECT_FALSE(node.IsChecked());
    bool flag = false;
    node.AddCheckedByte(&flag, true);
    EXPECT_TRUE(node.HasCheckMark());
}

TEST(BasicOptionNodeTest, ToggleItemFollowsItsFlag) {
    BasicOptionNode menu;
    bool flag = false;
    bool allowed = false;
    OptionNode* toggle = menu.AddToggleItem(WideString("Sound"), &flag, true, &allowed, true);
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(Caption(toggle), u"Sound");
    EXPECT_FALSE(toggle->IsChecked());

    EXPECT_FALSE(toggle->IsEnabled());
    EXPECT_FALSE(toggle->Activate());
    EXPECT_FALSE(flag);

    allowed = true;
    EXPECT_TRUE(toggle->Activate());
    EXPECT_TRUE(flag);
    EXPECT_TRUE(toggle->IsChecked());
    EXPECT_TRUE(toggle->Activate());
    EXPECT_FALSE(flag);

    EXPECT_EQ(menu.AddToggleItem(WideString("none"), nullptr, true, nullptr, true), nullptr);
    EXPECT_EQ(menu.ChildCount(), 1);
}

TEST(BasicOptionNodeTest, RadioItemsShareOneVariable) {
    BasicOptionNode menu;
    int32_t choice = 1;
    std::vector<OptionNode*> items;
    for (int32_t value = 0; value < 3; ++value)
        items.push_back(menu.AddRadioItem(WideString("choice"), &choice, value, nullptr, true));
    for (int32_t value = 0; value < 3; ++value) {
        EXPECT_EQ(items[value]->IsChecked(), value == 1);
        EXPECT_TRUE(items[value]->IsRadioItem());
        EXPECT_TRUE(items[value]->HasCheckMark());
    }
    EXPECT_TRUE(items[2]->Activate());
    EXPECT_EQ(choice, 2);
    EXPECT_TRUE(items[2]->IsChecked());
    EXPECT_FALSE(items[1]->IsChecked());
    EXPECT_FALSE(items[2]->Activate()); // already chosen: nothing changes
}

TEST(BasicOptionNodeTest, SeparatorsTakeNothing) {
    BasicOptionNode menu;
    OptionNode* separator = menu.AddSeparator();
    ASSERT_NE(separator, nullptr);
    EXPECT_TRUE(separator->IsSeparator());
    EXPECT_FALSE(separator->IsEnabled());
    EXPECT_TRUE(separator->IsVisible());
    EXPECT_FALSE(separator->Activate());

    bool flag = false;
    int32_t number = 0;
    BasicOptionNode other;
    EXPECT_EQ(separator->AddSeparator(), nullptr);
    EXPECT_EQ(separator->AddItem(WideString("x")), nullptr);
    EXPECT_FALSE(separator->AddCheckedByte(&flag, true));
    EXPECT_FALSE(separator->AddCheckedInt(&number, 1));
    EXPECT_FALSE(separator->AddCheckedLink(&other, true));
    EXPECT_FALSE(separator->AddCheckedCallback([] { return true; }, true));
    EXPECT_FALSE(separator->AddEnabledByte(&flag, true));
    EXPECT_FALSE(separator->AddVisibleInt(&number, 1));
    EXPECT_FALSE(separator->AddActionToggle(&flag));
    EXPECT_FALSE(separator->AddActionSetBytes(&flag, true, 1));
    EXPECT_FALSE(separator->AddActionLink(&other));
    EXPECT_FALSE(separator->IsChecked());
}

TEST(BasicOptionNodeTest, NullTargetsAreRefused) {
    BasicOptionNode node;
    EXPECT_FALSE(node.AddCheckedByte(nullptr, true));
    EXPECT_FALSE(node.AddCheckedInt(nullptr, 1));
    EXPECT_FALSE(node.AddCheckedLink(nullptr, true));
    EXPECT_FALSE(node.AddCheckedCallback(nullptr, true));
    EXPECT_FALSE(node.AddEnabledLink(nullptr, true));
    EXPECT_FALSE(node.AddVisibleByte(nullptr, true));
    EXPECT_FALSE(node.AddActionCallback(nullptr));
    EXPECT_FALSE(node.AddActionSyncCheck(nullptr, true));
    EXPECT_FALSE(node.AddActionSetInt(nullptr, 1));
    EXPECT_FALSE(node.HasCheckMark());
    EXPECT_FALSE(node.AddActionLink(&node));
    EXPECT_FALSE(node.AddActionSyncCheck(&node, true));
}

TEST(BasicOptionNodeTest, ConditionsOfEveryKind) {
    BasicOptionNode node;
    BasicOptionNode linked;
    bool flag = false;
    int32_t number = 0;
    bool callbackAnswer = false;

    ASSERT_TRUE(node.AddEnabledInt(&number, 7));
    ASSERT_TRUE(node.AddEnabledByte(&flag, true));
    ASSERT_TRUE(node.AddEnabledLink(&linked, true));
    ASSERT_TRUE(node.AddEnabledCallback([&] { return callbackAnswer; }, true));
    linked.SetEnabled(false);
    EXPECT_FALSE(node.IsEnabled());
    const std::vector<std::function<void(bool)>> switches = {
        [&](bool on) { number = on ? 7 : 0; },
        [&](bool on) { flag = on; },
        [&](bool on) { linked.SetEnabled(on); },
        [&](bool on) { callbackAnswer = on; },
    };
    // Any one condition that holds is enough.
    for (const auto& turn : switches) {
        turn(true);
        EXPECT_TRUE(node.IsEnabled());
        turn(false);
        EXPECT_FALSE(node.IsEnabled());
    }

    // A link to the node itself stands for its own flag.
    BasicOptionNode self;
    ASSERT_TRUE(self.AddVisibleLink(&self, true));
    self.SetVisible(false);
    EXPECT_FALSE(self.IsVisible());
    self.SetVisible(true);
    EXPECT_TRUE(self.IsVisible());
    ASSERT_TRUE(self.AddCheckedLink(&self, true));
    EXPECT_FALSE(self.IsChecked());
    self.SetChecked(true);
    EXPECT_TRUE(self.IsChecked());
}

TEST(BasicOptionNodeTest, ActionsOfEveryKind) {
    BasicOptionNode node;
    bool flags[3] = {false, false, false};
    int32_t number = 0;
    int calls = 0;
    bool target = false;
    BasicOptionNode menu;
    OptionNode* linked = menu.AddToggleItem(WideString("linked"), &target, true, nullptr, true);

    ASSERT_TRUE(node.AddActionSetBytes(flags, true, 3));
    ASSERT_FALSE(node.AddActionSetBytes(flags, true, 0));
    ASSERT_TRUE(node.AddActionSetInt(&number, 5));
    ASSERT_TRUE(node.AddActionCallback([&] {
        ++calls;
        return false;
    }));
    EXPECT_TRUE(node.Activate());
    EXPECT_TRUE(flags[0] && flags[1] && flags[2]);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(node.Activate()); // everything already as asked; the callback still runs
    EXPECT_EQ(calls, 2);

    BasicOptionNode link;
    ASSERT_TRUE(link.AddActionLink(linked));
    EXPECT_TRUE(link.Activate());
    EXPECT_TRUE(target);

    BasicOptionNode sync;
    ASSERT_TRUE(sync.AddActionSyncCheck(linked, false));
    EXPECT_TRUE(sync.Activate()); // unchecks the linked toggle
    EXPECT_FALSE(target);
    EXPECT_TRUE(sync.Activate()); // already matches: still the outcome true
    EXPECT_FALSE(target);
}

TEST(BasicOptionNodeTest, SubmenusAreNeverActivated) {
    BasicOptionNode menu;
    bool flag = false;
    OptionNode* submenu = menu.AddToggleItem(WideString("sub"), &flag, true, nullptr, true);
    submenu->AddItem(WideString("child"));
    EXPECT_FALSE(submenu->Activate());
    EXPECT_FALSE(flag);
}

TEST(BasicOptionNodeTest, ChildrenAreOwnedOnce) {
    BasicOptionNode first;
    BasicOptionNode second;
    OptionNode* child = first.AddItem(WideString("child"));
    OptionNode* grandchild = child->AddItem(WideString("grandchild"));
    ASSERT_NE(grandchild, nullptr);
    EXPECT_EQ(child->Parent(), &first);

    EXPECT_TRUE(first.MoveChild(*child)); // already there: nothing changes
    EXPECT_EQ(first.ChildCount(), 1);

    EXPECT_TRUE(second.MoveChild(*child));
    EXPECT_EQ(first.ChildCount(), 0);
    EXPECT_EQ(second.ChildAt(0), child);
    EXPECT_EQ(child->Parent(), &second);

    // No cycles: a node never goes below itself or its own children.
    EXPECT_FALSE(grandchild->MoveChild(second));
    EXPECT_FALSE(child->MoveChild(*child));
    EXPECT_FALSE(first.MoveChild(second)); // a root has no owner to take it from

    auto detached = second.DetachChildAt(0);
    ASSERT_EQ(detached.get(), child);
    EXPECT_EQ(child->Parent(), nullptr);
    EXPECT_EQ(second.DetachChildAt(0), nullptr);
    EXPECT_EQ(first.AddExisting(std::move(detached)), child);
    EXPECT_EQ(first.AddExisting(nullptr), nullptr);

    EXPECT_EQ(first.ChildAt(-1), nullptr);
    EXPECT_EQ(first.ChildAt(1), nullptr);
    first.DeleteChildren();
    EXPECT_EQ(first.ChildCount(), 0);
}

TEST(BasicOptionNodeTest, NotifyReachesTheNearestCallback) {
    BasicOptionNode root;
    OptionNode* middle = root.AddItem(WideString("middle"));
    OptionNode* leaf = middle->AddItem(WideString("leaf"));
    EXPECT_FALSE(leaf->Notify(nullptr));

    std::vector<OptionNode*> heard;
    root.SetCallback([&](OptionNode* source) { heard.push_back(source); });
    EXPECT_TRUE(leaf->Notify(nullptr));
    EXPECT_TRUE(middle->Notify(leaf));
    EXPECT_EQ(heard, (std::vector<OptionNode*>{leaf, leaf}));
}

TEST(BasicOptionNodeTest, CaptionsById) {
    BasicOptionNode root;
    root.SetTextLookup([](int32_t id) { return id == 44 ? WideString("Stretch screen") : WideString(); });
    bool stretch = false;
    int32_t mode = 0;
    OptionNode* toggle = root.AddToggleItemById(44, &stretch, true, nullptr, true);
    EXPECT_EQ(Caption(toggle), u"Stretch screen");
    EXPECT_EQ(toggle->TextId(), 44);
    OptionNode* submenu = root.AddItemById(7);
    EXPECT_EQ(Caption(submenu), u"");
    EXPECT_EQ(submenu->TextId(), 7);
    // Children made below inherit the lookup.
    OptionNode* radio = submenu->AddRadioItemById(44, &mode, 1, nullptr, true);
    EXPECT_EQ(Caption(radio), u"Stretch screen");
    radio->SetTextId(-1);
    EXPECT_EQ(radio->TextId(), -1);
    EXPECT_EQ(Caption(radio), u"Stretch screen");

    BasicOptionNode alone;
    alone.SetText(WideString("kept"));
    alone.SetDetail(WideString("detail"));
    alone.SetTextId(3); // no lookup: no text
    EXPECT_EQ(Caption(&alone), u"");
    EXPECT_EQ(std::u16string(alone.Detail().View()), u"detail");
}

} // namespace
} // namespace common
