#include "gui/FakeNativeMenus.h"
#include "gui/FakeWindows.h"

#include "common/BasicOptionNode.h"
#include "frontend/OptionMenus.h"
#include "gui/MenuBar.h"
#include "gui/PopupMenu.h"
#include "gui/UiText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

using gui::testing::FakeFrame;
using gui::testing::FakeNativeMenus;
using Labels = std::vector<std::string>;

// What the program's handler would hand over: a runner that parks the thread, or refuses (a timed-out park).
bool parks = true;
int parkedRuns = 0;

bool TestHandler(gui::MenuItem* item, int32_t position, int32_t kind, int32_t) {
    return HandleDeviceOption(item, position, kind, [](const std::function<void()>& work) {
        if (!parks) {
            return false;
        }
        ++parkedRuns;
        work();
        return true;
    });
}

bool NoCoreHandler(gui::MenuItem* item, int32_t position, int32_t kind, int32_t) {
    return HandleDeviceOption(item, position, kind, nullptr);
}

class OptionMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        parks = true;
        parkedRuns = 0;
        popup = bar.AddSubmenu(common::WideString("Input"), true, false, false);
        ASSERT_NE(popup, nullptr);
        ASSERT_NE(popup->AddItem(common::WideString("Capture Mouse"), true), nullptr);
    }
    void TearDown() override { gui::SetUiTextLookup(nullptr); }

    Labels LabelsOf(gui::PopupMenu* menu) { return native.Labels(menu->GetNativeHandle()); }
    const FakeNativeMenus::Entry& EntryOf(gui::MenuItem* item) {
        return native.Find(item->GetParent()->GetNativeHandle())->entries[static_cast<size_t>(item->GetPosition())];
    }
    void Choose(gui::MenuItem* item) { item->GetParent()->OnMenuCommand(item->GetPosition()); }

    FakeNativeMenus native;
    FakeFrame owner{100, 100};
    gui::MenuBar bar{&owner};
    gui::PopupMenu* popup = nullptr;
    common::BasicOptionNode root;
};

TEST_F(OptionMenusTest, SeparatorRunsGiveOneSeparatorAndNoneTrails) {
    bool flag = false;
    int32_t rate = 0;
    root.AddSeparator();
    root.AddItem(common::WideString("Plain"));
    root.AddSeparator();
    root.AddSeparator();
    root.AddToggleItem(common::WideString("Toggle"), &flag, true, nullptr, false);
    root.AddRadioItem(common::WideString("Radio"), &rate, 1, nullptr, false);
    root.AddSeparator();
    root.AddSeparator();

    ASSERT_TRUE(BuildOptionTreeMenus({{&root, popup, false}}, TestHandler));
    EXPECT_EQ(LabelsOf(popup), (Labels{"Capture Mouse", "-", "Plain", "-", "Toggle", "Radio"}))
        << "the tree's leading separator option merges with the one set before the tree";
    gui::MenuItem* toggle = popup->ItemAt(4);
    gui::MenuItem* radio = popup->ItemAt(5);
    EXPECT_TRUE(toggle->ExtraFlag1());
    EXPECT_FALSE(toggle->ExtraByte());
    EXPECT_TRUE(radio->ExtraByte()) << "a radio item";
    EXPECT_FALSE(popup->ItemAt(2)->ExtraFlag1()) << "a plain item";
    EXPECT_EQ(popup->ItemAt(1)->UserData(), 0u) << "the separator before the tree is static";
    EXPECT_EQ(popup->ItemAt(3)->UserData(), reinterpret_cast<uintptr_t>(root.ChildAt(3)));
    EXPECT_EQ(toggle->OnAny(), &TestHandler);

    popup->RemoveByGroup(0, false);
    EXPECT_EQ(LabelsOf(popup), (Labels{"Capture Mouse", "-"}));
    common::BasicOptionNode empty;
    ASSERT_TRUE(BuildOptionTreeMenus({{&empty, popup, false}, {nullptr, nullptr, false}}, TestHandler));
    EXPECT_EQ(LabelsOf(popup), (Labels{"Capture Mouse"})) << "an empty tree leaves no trailing separator";
    ASSERT_TRUE(BuildOptionTreeMenus({{nullptr, popup, false}}, TestHandler));
    EXPECT_EQ(LabelsOf(popup), (Labels{"Capture Mouse"}));
    EXPECT_FALSE(BuildOptionMenu(nullptr, popup, false, TestHandler));
    EXPECT_FALSE(BuildOptionMenu(&root, nullptr, false, TestHandler));
}

TEST_F(OptionMenusTest, ChoosingARadioMovesItsCheckInOneRefresh) {
    int32_t rate = 0;
    root.AddRadioItem(common::WideString("Low"), &rate, 0, nullptr, false);
    root.AddRadioItem(common::WideString("High"), &rate, 1, nullptr, false);
    ASSERT_TRUE(BuildOptionTreeMenus({{&root, popup, false}}, TestHandler));
    gui::MenuItem* low = popup->ItemAt(2);
    gui::MenuItem* high = popup->ItemAt(3);
    EXPECT_TRUE(EntryOf(low).checked) << "built with the option's state";
    EXPECT_FALSE(EntryOf(high).checked);

    Choose(high);
    EXPECT_EQ(rate, 1);
    EXPECT_EQ(parkedRuns, 1) << "activated with the thread parked";
    EXPECT_FALSE(EntryOf(low).checked);
    EXPECT_TRUE(EntryOf(high).checked);

    rate = 0; // a change made elsewhere shows on the next refresh
    bar.UpdateAll();
    EXPECT_TRUE(EntryOf(low).checked);
    EXPECT_FALSE(EntryOf(high).checked);
}

TEST_F(OptionMenusTest, AGreyedOptionOrARefusedParkOrNoCoreChangesNothing) {
    bool flag = false;
    bool allowed = false;
    common::OptionNode* toggle = root.AddToggleItem(common::WideString("Toggle"), &flag, true, &allowed, true);
    ASSERT_TRUE(BuildOptionTreeMenus({{&root, popup, false}}, TestHandler));
    gui::MenuItem* item = popup->ItemAt(2);
    EXPECT_TRUE(item->IsEnabled()) << "made enabled, greyed by the first refresh";
    bar.UpdateAll();
    EXPECT_FALSE(EntryOf(item).enabled);
    Choose(item);
    EXPECT_FALSE(flag);

    allowed = true;
    parks = false;
    Choose(item);
    EXPECT_FALSE(flag) << "a park that timed out";
    EXPECT_TRUE(EntryOf(item).enabled) << "the tree is refreshed all the same";

    parks = true;
    item->OnAny() = NoCoreHandler;
    EXPECT_FALSE(NoCoreHandler(item, -1, gui::kMenuCommand, 0));
    EXPECT_FALSE(flag);
    allowed = false;
    EXPECT_FALSE(NoCoreHandler(item, -1, gui::kMenuUpdate, 0));
    EXPECT_TRUE(item->IsEnabled()) << "no core: no refresh either";

    item->OnAny() = TestHandler;
    allowed = true;
    Choose(item);
    EXPECT_TRUE(flag);
    EXPECT_TRUE(EntryOf(item).checked);
    toggle->SetVisible(false);
    EXPECT_TRUE(TestHandler(item, -1, gui::kMenuUpdate, 0));
    EXPECT_FALSE(item->Visible());
    EXPECT_FALSE(TestHandler(item, 0, gui::kMenuCommand, 0)) << "a position below the item";
    EXPECT_FALSE(TestHandler(item, -1, 2, 0)) << "an unknown kind";
}

TEST_F(OptionMenusTest, OnlyDebugSubmenusCarryTheNestedFlag) {
    gui::PopupMenu* debug = bar.AddSubmenu(common::WideString("Debug"), true, false, false);
    bool flag = false;
    common::BasicOptionNode debugRoot;
    common::OptionNode* trace = debugRoot.AddItem(common::WideString("Trace"));
    trace->AddToggleItem(common::WideString("Ports"), &flag, true, nullptr, false);
    common::OptionNode* group = root.AddItem(common::WideString("Group"));
    group->AddToggleItem(common::WideString("Keys"), &flag, true, nullptr, false);
    group->SetEnabled(false);

    ASSERT_TRUE(BuildOptionTreeMenus({{&root, popup, false}, {&debugRoot, debug, true}}, TestHandler));
    auto* inputGroup = static_cast<gui::PopupMenu*>(popup->ItemAt(2));
    auto* debugTrace = static_cast<gui::PopupMenu*>(debug->ItemAt(0));
    EXPECT_EQ(LabelsOf(debug), Labels{"Trace"}) << "no separator in an empty popup";
    ASSERT_EQ(debugTrace->ItemCount(), 1);
    EXPECT_EQ(LabelsOf(debugTrace), Labels{"Ports"});
    EXPECT_TRUE(debugTrace->ExtraFlag2());
    EXPECT_FALSE(inputGroup->ExtraFlag2());
    EXPECT_FALSE(inputGroup->IsEnabled()) << "a submenu takes the option's enabled state";
    EXPECT_EQ(inputGroup->UserData(), reinterpret_cast<uintptr_t>(group));
}

TEST_F(OptionMenusTest, ARenamedOptionRelabelsItsGeneratedChainInTheCurrentLanguage) {
    bool flag = false;
    root.SetTextLookup([](int32_t id) { return common::WideString(id == 40 ? "Sound" : "Beep"); });
    common::OptionNode* group = root.AddItemById(40);
    common::OptionNode* beep = group->AddToggleItemById(41, &flag, true, nullptr, false);
    ASSERT_NE(beep, nullptr);
    ASSERT_TRUE(BuildOptionTreeMenus({{&root, popup, false}}, TestHandler));
    auto* submenu = static_cast<gui::PopupMenu*>(popup->ItemAt(2));
    gui::MenuItem* item = submenu->ItemAt(0);
    EXPECT_EQ(submenu->TextId(), 40);
    EXPECT_EQ(item->TextId(), 41);

    // After a switch to Russian the options keep their first captions; the menu takes the language's text.
    gui::SetUiTextLookup([](int32_t id) {
        return common::WideString(id == 40 ? u"\u0417\u0432\u0443\u043a" : id == 41 ? u"\u0417\u0443\u043c" : u"");
    });
    Choose(item);
    EXPECT_TRUE(flag);
    EXPECT_EQ(item->GetText().Compare(u"\u0417\u0443\u043c"), 0);
    EXPECT_EQ(submenu->GetText().Compare(u"\u0417\u0432\u0443\u043a"), 0);
    EXPECT_EQ(popup->GetText().Compare("Input"), 0) << "the static popup keeps its label";

    // A caption without a text id is taken from the option as it stands now.
    common::OptionNode* fixed = root.AddToggleItem(common::WideString("Old"), &flag, true, nullptr, false);
    popup->RemoveByGroup(0, false);
    ASSERT_TRUE(BuildOptionTreeMenus({{&root, popup, false}}, TestHandler));
    fixed->SetText(common::WideString("New"));
    gui::MenuItem* fixedItem = popup->ItemAt(popup->ItemCount() - 1);
    Choose(fixedItem);
    EXPECT_EQ(EntryOf(fixedItem).text, "New");
}

} // namespace
} // namespace emu
