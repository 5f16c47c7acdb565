#include "FakeNativeMenus.h"
#include "FakeWindows.h"

#include "gui/MenuBar.h"
#include "gui/UiText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gui::testing {
namespace {

using Labels = std::vector<std::string>;

std::vector<std::string> calls;

std::string NameOf(MenuItem* item) {
    return item->GetText().GetNarrow();
}

bool LogCommand(MenuItem* item, int32_t position) {
    calls.push_back("command " + NameOf(item) + " " + std::to_string(position));
    return false;
}

bool LogUpdate(MenuItem* item, int32_t position) {
    calls.push_back("update " + NameOf(item) + " " + std::to_string(position));
    return false;
}

bool TakeUpdate(MenuItem* item, int32_t position) {
    LogUpdate(item, position);
    return true;
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override { calls.clear(); }
    void TearDown() override { SetUiTextLookup(nullptr); }

    FakeNativeMenus native;
    FakeFrame owner{100, 100};
    MenuBar bar{&owner};
};

TEST_F(MenuTest, TheNativeMenusMirrorTheTree) {
    PopupMenu* file = bar.AddSubmenu(common::WideString("File"), true, false, false);
    ASSERT_NE(file, nullptr);
    MenuItem* open = file->AddItem(common::WideString("Open"), true);
    ASSERT_NE(open, nullptr);
    ASSERT_NE(file->AddSeparator(false), nullptr);
    MenuItem* quit = file->AddItem(common::WideString("Quit"), true);

    MenuHandle barMenu = bar.GetNativeHandle();
    ASSERT_NE(barMenu, nullptr);
    EXPECT_TRUE(native.Find(barMenu)->bar);
    EXPECT_EQ(native.Find(barMenu)->data, &bar);
    EXPECT_EQ(native.Labels(barMenu), Labels{"File"});
    EXPECT_EQ(native.Find(barMenu)->entries[0].submenu, file->GetNativeHandle());
    EXPECT_EQ(native.Find(file->GetNativeHandle())->data, file);
    EXPECT_EQ(native.Labels(file->GetNativeHandle()), (Labels{"Open", "-", "Quit"}));
    EXPECT_EQ(quit->GetPosition(), 2);
    EXPECT_EQ(quit->GetParent(), file);

    open->SetEnabled(false);
    quit->SetChecked(true);
    quit->SetText(common::WideString("Exit"));
    const auto& entries = native.Find(file->GetNativeHandle())->entries;
    EXPECT_FALSE(entries[0].enabled);
    EXPECT_TRUE(entries[2].checked);
    EXPECT_EQ(entries[2].text, "Exit");
}

TEST_F(MenuTest, ChangesRedrawTheAttachedWindowsBar) {
    int window = 0;
    ASSERT_NE(bar.AddItem(common::WideString("Run"), true), nullptr);
    EXPECT_EQ(native.redraws, 0);
    EXPECT_TRUE(bar.AttachWindow(&window));
    EXPECT_EQ(native.redraws, 1);
    EXPECT_EQ(bar.GetWindowHandle(), &window);
    bar.ItemAt(0)->SetChecked(true);
    EXPECT_EQ(native.redraws, 2);
}

TEST_F(MenuTest, ACommandGoesToThePopupFirstAndStopsWhereItIsTaken) {
    PopupMenu* popup = bar.AddSubmenu(common::WideString("popup"), true, false, false);
    MenuItem* item = popup->AddItem(common::WideString("item"), true);
    popup->OnCommand() = LogCommand;
    item->OnCommand() = LogCommand;
    popup->OnMenuCommand(0);
    EXPECT_EQ(calls, (std::vector<std::string>{"command popup 0", "command item -1"}));

    calls.clear();
    popup->OnCommand() = [](MenuItem* menu, int32_t position) {
        LogCommand(menu, position);
        return true;
    };
    popup->OnMenuCommand(0);
    EXPECT_EQ(calls, (std::vector<std::string>{"command popup 0"}));

    calls.clear();
    EXPECT_FALSE(popup->Dispatch(1, kMenuCommand, 0)) << "no item there";
    EXPECT_TRUE(calls.empty());

    // A key runs an item's command on the item itself, as the shortcuts shown after a tab do.
    item->OnMenuCommand(-1);
    EXPECT_EQ(calls, (std::vector<std::string>{"command item -1"}));
}

TEST_F(MenuTest, AnUpdateOfTheWholeTreeReachesEveryLeaf) {
    PopupMenu* first = bar.AddSubmenu(common::WideString("first"), true, false, false);
    PopupMenu* second = first->AddSubmenu(common::WideString("second"), true, false, false);
    MenuItem* a = first->AddItem(common::WideString("a"), true);
    MenuItem* b = second->AddItem(common::WideString("b"), true);
    ASSERT_NE(first->AddSeparator(false), nullptr);
    first->OnUpdate() = TakeUpdate; // a popup with items does not end the walk
    second->OnUpdate() = TakeUpdate;
    a->OnUpdate() = TakeUpdate;
    b->OnUpdate() = LogUpdate;

    b->UpdateAll();
    EXPECT_EQ(calls, (std::vector<std::string>{"update first -1", "update second -1", "update b -1", "update a -1"}));

    calls.clear();
    a->TriggerItem(-1);
    EXPECT_EQ(calls, (std::vector<std::string>{"update a -1"}));
}

TEST_F(MenuTest, TheAnyCallbackSeesBothKinds) {
    MenuItem* item = bar.AddItem(common::WideString("item"), true);
    item->OnAny() = [](MenuItem* menu, int32_t position, int32_t kind, int32_t argument) {
        calls.push_back(NameOf(menu) + " " + std::to_string(position) + " " + std::to_string(kind) + " " +
                        std::to_string(argument));
        return true;
    };
    EXPECT_TRUE(bar.Dispatch(0, kMenuCommand, 5));
    EXPECT_TRUE(bar.Dispatch(-1, kMenuUpdate, 6));
    EXPECT_EQ(calls, (std::vector<std::string>{"item -1 0 5", "item -1 1 6"}));
}

TEST_F(MenuTest, RemovingAnItemRenumbersTheOnesBehind) {
    PopupMenu* popup = bar.AddSubmenu(common::WideString("popup"), true, false, false);
    popup->AddItem(common::WideString("one"), true);
    popup->AddItem(common::WideString("two"), true);
    MenuItem* three = popup->AddItem(common::WideString("three"), true);
    popup->RemoveAt(1);
    EXPECT_EQ(popup->ItemCount(), 2);
    EXPECT_EQ(three->GetPosition(), 1);
    EXPECT_EQ(popup->ItemAt(1), three);
    EXPECT_EQ(native.Labels(popup->GetNativeHandle()), (Labels{"one", "three"}));
    three->SetEnabled(false);
    EXPECT_FALSE(native.Find(popup->GetNativeHandle())->entries[1].enabled);

    popup->RemoveAt(5);
    popup->RemoveAt(-1);
    EXPECT_EQ(popup->ItemCount(), 2);
    EXPECT_EQ(popup->ItemAt(2), nullptr);
}

TEST_F(MenuTest, GroupsAreRemovedByTheirUserData) {
    for (const char* name : {"v1", "w", "v2"}) {
        MenuItem* item = bar.AddItem(common::WideString(name), true);
        item->UserData() = name[0] == 'v' ? 7 : 8;
    }
    bar.RemoveByGroup(7, true);
    ASSERT_EQ(bar.ItemCount(), 1);
    EXPECT_EQ(NameOf(bar.ItemAt(0)), "w");
    EXPECT_EQ(bar.ItemAt(0)->GetPosition(), 0);
    EXPECT_EQ(native.Labels(bar.GetNativeHandle()), Labels{"w"});
    bar.RemoveByGroup(7, false);
    EXPECT_EQ(bar.ItemCount(), 0);
}

TEST_F(MenuTest, DeletingASubmenuDestroysItsNativeMenu) {
    PopupMenu* popup = bar.AddSubmenu(common::WideString("popup"), true, false, false);
    popup->AddSubmenu(common::WideString("inner"), true, false, false);
    MenuHandle popupMenu = popup->GetNativeHandle();
    bar.Clear();
    EXPECT_EQ(native.Find(popupMenu), nullptr);
    EXPECT_EQ(native.destroyed, 2);
    EXPECT_TRUE(native.Labels(bar.GetNativeHandle()).empty());
}

TEST_F(MenuTest, SeparatorsOnlyWhereNeeded) {
    EXPECT_EQ(bar.AddSeparator(true), nullptr) << "an empty menu";
    bar.AddItem(common::WideString("a"), true);
    MenuItem* separator = bar.AddSeparator(true);
    ASSERT_NE(separator, nullptr);
    EXPECT_TRUE(separator->IsSeparator());
    EXPECT_EQ(bar.AddSeparator(true), nullptr) << "after a separator";
    EXPECT_NE(bar.AddSeparator(false), nullptr);
    EXPECT_EQ(native.Labels(bar.GetNativeHandle()), (Labels{"a", "-", "-"}));

    separator->OnCommand() = LogCommand;
    separator->SetText(common::WideString("text"));
    EXPECT_FALSE(bar.Dispatch(1, kMenuCommand, 0));
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(separator->GetText().IsEmpty());
}

TEST_F(MenuTest, ARefusedInsertionChangesNothing) {
    PopupMenu* popup = bar.AddSubmenu(common::WideString("popup"), true, false, false);
    popup->AddItem(common::WideString("kept"), true);
    native.refuseAppend = true;
    EXPECT_EQ(popup->AddItem(common::WideString("refused"), true), nullptr);
    EXPECT_EQ(popup->AddSeparator(false), nullptr);
    const int destroyedBefore = native.destroyed;
    EXPECT_EQ(popup->AddSubmenu(common::WideString("refused"), true, false, false), nullptr);
    EXPECT_EQ(native.destroyed, destroyedBefore + 1) << "the submenu's own menu goes with it";
    EXPECT_EQ(popup->ItemCount(), 1);
    EXPECT_EQ(native.Labels(popup->GetNativeHandle()), Labels{"kept"});

    native.refuseAppend = false;
    native.refuseCreate = true;
    EXPECT_EQ(popup->AddSubmenu(common::WideString("no menu"), true, false, false), nullptr);
    EXPECT_EQ(popup->ItemCount(), 1);
}

TEST_F(MenuTest, WithoutNativeMenusNothingIsAdded) {
    SetNativeMenus(nullptr);
    MenuBar lonely(&owner);
    EXPECT_EQ(lonely.AddItem(common::WideString("item"), true), nullptr);
    EXPECT_EQ(lonely.ItemCount(), 0);
    EXPECT_EQ(lonely.GetHandle(), nullptr);
    SetNativeMenus(&native);
}

TEST_F(MenuTest, RetranslateRelabelsItemsTiedToTexts) {
    SetUiTextLookup([](int32_t id) {
        switch (id) {
        case 1:
            return common::WideString("File");
        case 2:
            return common::WideString("Open");
        default:
            return common::WideString();
        }
    });
    PopupMenu* file = bar.AddSubmenuById(1);
    MenuItem* open = file->AddItemById(2);
    MenuItem* untranslated = file->AddItemByIdEx(3);
    MenuItem* fixed = file->AddItem(common::WideString("Fixed"), true);
    MenuItem* separator = file->AddSeparator(false);
    ASSERT_TRUE(file && open && untranslated && fixed && separator);
    EXPECT_EQ(file->TextId(), 1);
    EXPECT_EQ(NameOf(open), "Open");
    EXPECT_TRUE(untranslated->ExtraFlag1());
    untranslated->SetText(common::WideString("Own"));
    separator->TextId() = 2;

    SetUiTextLookup([](int32_t id) {
        switch (id) {
        case 1:
            return common::WideString("Fichier");
        case 2:
            return common::WideString("Ouvrir");
        default:
            return common::WideString();
        }
    });
    int window = 0;
    bar.SetRedrawWindow(&window);
    const int redraws = native.redraws;
    bar.Retranslate();
    EXPECT_EQ(native.Labels(bar.GetNativeHandle()), Labels{"Fichier"});
    EXPECT_EQ(native.Labels(file->GetNativeHandle()), (Labels{"Ouvrir", "Own", "Fixed", "-"}));
    EXPECT_EQ(native.redraws, redraws + 1);
}

TEST_F(MenuTest, ItemsReachTheWindowThatHoldsTheBar) {
    MenuItem* item = bar.AddItem(common::WideString("item"), true);
    EXPECT_EQ(item->GetTopLevelWindow(), static_cast<TitledWindow*>(&owner));
    EXPECT_EQ(item->GetFrameWindow(), static_cast<FrameWindow*>(&owner));

    PopupMenu loose;
    MenuItem* looseItem = loose.AddItem(common::WideString("loose"), true);
    ASSERT_NE(looseItem, nullptr);
    EXPECT_EQ(looseItem->GetTopLevelWindow(), nullptr);
    EXPECT_EQ(looseItem->GetWindowHandle(), nullptr);
}

} // namespace
} // namespace gui::testing
