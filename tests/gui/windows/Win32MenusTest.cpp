#include "WindowTestSupport.h"

#include "gui/MenuBar.h"
#include "gui/UiText.h"
#include "gui/windows/Win32Menus.h"

#include <string>

namespace gui::Windows::testing {
namespace {

HMENU Native(PopupMenu* menu) {
    return static_cast<HMENU>(menu->GetNativeHandle());
}

std::wstring Label(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

// The popup object a native menu reports to, and whether it reports by position.
PopupMenu* DataOf(HMENU menu, bool* byPosition = nullptr) {
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA | MIM_STYLE;
    if (!GetMenuInfo(menu, &info))
        return nullptr;
    if (byPosition != nullptr)
        *byPosition = (info.dwStyle & MNS_NOTIFYBYPOS) != 0;
    return reinterpret_cast<PopupMenu*>(info.dwMenuData);
}

MenuItem* picked = nullptr;
TitledWindow* pickedFrom = nullptr;

bool Pick(MenuItem* item, int32_t) {
    picked = item;
    pickedFrom = item->GetTopLevelWindow();
    return true;
}

// A window whose bar holds File (Open, a separator, Recent > (One), Quit) and Run.
class Win32MenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        picked = nullptr;
        pickedFrom = nullptr;
        bar = new MenuBar(&window);
        ASSERT_TRUE(window.SetMenuBar(bar));
        file = bar->AddSubmenu(common::WideString("File"), true, false, false);
        ASSERT_NE(file, nullptr);
        open = file->AddItem(common::WideString("Open"), true);
        ASSERT_NE(file->AddSeparator(true), nullptr);
        recent = file->AddSubmenu(common::WideString("Recent"), true, false, false);
        ASSERT_NE(recent, nullptr);
        ASSERT_NE(recent->AddItem(common::WideString("One"), true), nullptr);
        quit = file->AddItem(common::WideString("Quit"), true);
        run = bar->AddItem(common::WideString("Run"), true);
        ASSERT_TRUE(open && quit && run);
        for (MenuItem* item : {open, quit, run, recent->ItemAt(0)})
            item->OnCommand() = Pick;
        ASSERT_TRUE(window.CreateOnInstance(GetModuleHandleW(nullptr)));
        bar->AttachWindow(window.GetHandle());
    }
    void TearDown() override {
        window.Destroy();
        PumpPending();
        SetUiTextLookup(nullptr);
    }

    void Command(PopupMenu* menu, WPARAM position) {
        SendMessageW(window.GetHandle(), WM_MENUCOMMAND, position, reinterpret_cast<LPARAM>(Native(menu)));
    }

    TopLevelWindow window{0, 0, 300, 200, 1};
    MenuBar* bar = nullptr;
    PopupMenu* file = nullptr;
    PopupMenu* recent = nullptr;
    MenuItem* open = nullptr;
    MenuItem* quit = nullptr;
    MenuItem* run = nullptr;
};

TEST_F(Win32MenusTest, CommandsArriveByPositionAtTheirItems) {
    EXPECT_EQ(GetMenu(window.GetHandle()), Native(bar));
    bool byPosition = false;
    for (PopupMenu* menu : {static_cast<PopupMenu*>(bar), file, recent}) {
        EXPECT_EQ(DataOf(Native(menu), &byPosition), menu);
        EXPECT_TRUE(byPosition);
    }
    EXPECT_EQ(GetSubMenu(Native(file), 2), Native(recent));

    Command(file, 3);
    EXPECT_EQ(picked, quit);
    EXPECT_EQ(pickedFrom, static_cast<TitledWindow*>(&window));
    Command(recent, 0);
    EXPECT_EQ(picked, recent->ItemAt(0));
    Command(bar, 1);
    EXPECT_EQ(picked, run);

    // Menus the tree did not make, or no menu at all, are left alone.
    picked = nullptr;
    HMENU foreign = CreatePopupMenu();
    AppendMenuW(foreign, MF_STRING, 0, L"foreign");
    SendMessageW(window.GetHandle(), WM_MENUCOMMAND, 0, reinterpret_cast<LPARAM>(foreign));
    SendMessageW(window.GetHandle(), WM_MENUCOMMAND, 0, 0);
    DestroyMenu(foreign);
    Command(file, 9);
    EXPECT_EQ(picked, nullptr);
}

TEST_F(Win32MenusTest, GreyCheckedAndRelabelledItemsShowInTheNativeMenus) {
    open->SetEnabled(false);
    quit->SetChecked(true);
    EXPECT_EQ(GetMenuState(Native(file), 0, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED), MF_GRAYED | MF_DISABLED);
    EXPECT_EQ(GetMenuState(Native(file), 3, MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED), MF_CHECKED);
    open->SetEnabled(true);
    quit->SetChecked(false);
    EXPECT_EQ(GetMenuState(Native(file), 0, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED), 0u);
    EXPECT_EQ(GetMenuState(Native(file), 3, MF_BYPOSITION) & MF_CHECKED, 0u);

    // Relabelled popups keep their submenus, and those keep reporting to their objects.
    HMENU fileMenu = Native(file);
    HMENU recentMenu = Native(recent);
    file->SetText(common::WideString("Files"));
    recent->SetText(common::WideString("Recent files"));
    EXPECT_EQ(Label(Native(bar), 0), L"Files");
    EXPECT_EQ(Label(fileMenu, 2), L"Recent files");
    EXPECT_EQ(GetSubMenu(Native(bar), 0), fileMenu);
    EXPECT_EQ(GetSubMenu(fileMenu, 2), recentMenu);
    EXPECT_EQ(DataOf(fileMenu), file);
    EXPECT_EQ(DataOf(recentMenu), recent);
    Command(recent, 0);
    EXPECT_EQ(picked, recent->ItemAt(0));

    recent->SetEnabled(false);
    EXPECT_EQ(GetMenuState(fileMenu, 2, MF_BYPOSITION) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(GetSubMenu(fileMenu, 2), recentMenu);
}

TEST_F(Win32MenusTest, RetranslateRelabelsTheWholeBar) {
    file->TextId() = 1;
    recent->TextId() = 2;
    open->TextId() = 3;
    SetUiTextLookup([](int32_t id) {
        switch (id) {
        case 1:
            return common::WideString("Datei");
        case 2:
            return common::WideString("Zuletzt");
        default:
            return common::WideString(); // no text: the label stays
        }
    });
    bar->SetRedrawWindow(window.GetHandle());
    bar->Retranslate();
    EXPECT_EQ(Label(Native(bar), 0), L"Datei");
    EXPECT_EQ(Label(Native(file), 2), L"Zuletzt");
    EXPECT_EQ(Label(Native(file), 0), L"Open");
    EXPECT_EQ(Label(Native(bar), 1), L"Run");
    EXPECT_EQ(GetSubMenu(Native(file), 2), Native(recent));
}

TEST_F(Win32MenusTest, RemovingEntriesRenumbersAndDestroysTheirSubmenus) {
    HMENU recentMenu = Native(recent);
    file->RemoveAt(2); // Recent
    EXPECT_FALSE(IsMenu(recentMenu));
    EXPECT_EQ(GetMenuItemCount(Native(file)), 3);
    EXPECT_EQ(quit->GetPosition(), 2);
    quit->SetChecked(true);
    EXPECT_TRUE(GetMenuState(Native(file), 2, MF_BYPOSITION) & MF_CHECKED);
    Command(file, 2);
    EXPECT_EQ(picked, quit);

    // Out-of-range positions change nothing.
    file->RemoveAt(3);
    file->RemoveAt(-1);
    NativeMenus& menus = GetNativeMenus();
    menus.SetText(Native(file), 7, common::WideString("nowhere"));
    menus.SetEnabled(Native(file), 7, false);
    menus.SetChecked(Native(file), -1, true);
    menus.DeleteAt(Native(file), 7);
    EXPECT_EQ(GetMenuItemCount(Native(file)), 3);
    EXPECT_EQ(Label(Native(file), 0), L"Open");
    EXPECT_EQ(GetMenuState(Native(file), 0, MF_BYPOSITION) & (MF_GRAYED | MF_CHECKED), 0u);

    HMENU fileMenu = Native(file);
    bar->Clear();
    EXPECT_FALSE(IsMenu(fileMenu));
    EXPECT_EQ(GetMenuItemCount(Native(bar)), 0);
}

// The Win32 menus, but appending a submenu fails: what the tree makes for it must not stay behind.
class RefusingSubmenus : public NativeMenus {
public:
    explicit RefusingSubmenus(NativeMenus& real) : real(real) {}
    MenuHandle CreateBar() override { return real.CreateBar(); }
    MenuHandle CreatePopup() override { return lastPopup = real.CreatePopup(); }
    void DestroyMenu(MenuHandle menu) override { real.DestroyMenu(menu); }
    bool SetMenuData(MenuHandle menu, PopupMenu* popup) override { return real.SetMenuData(menu, popup); }
    bool AppendString(MenuHandle menu, const common::WideString& text) override {
        return real.AppendString(menu, text);
    }
    bool AppendPopup(MenuHandle, MenuHandle, const common::WideString&) override { return false; }
    bool AppendSeparator(MenuHandle menu) override { return real.AppendSeparator(menu); }
    void SetText(MenuHandle menu, int32_t position, const common::WideString& text) override {
        real.SetText(menu, position, text);
    }
    void SetEnabled(MenuHandle menu, int32_t position, bool enabled) override {
        real.SetEnabled(menu, position, enabled);
    }
    void SetChecked(MenuHandle menu, int32_t position, bool checked) override {
        real.SetChecked(menu, position, checked);
    }
    void DeleteAt(MenuHandle menu, int32_t position) override { real.DeleteAt(menu, position); }
    void RedrawBar(WindowHandle window) override { real.RedrawBar(window); }

    NativeMenus& real;
    MenuHandle lastPopup = nullptr;
};

TEST_F(Win32MenusTest, ARefusedSubmenuLeavesTheNativeMenuAsItWas) {
    RefusingSubmenus refusing(GetNativeMenus());
    SetNativeMenus(&refusing);
    EXPECT_EQ(file->AddSubmenu(common::WideString("Refused"), true, false, false), nullptr);
    SetNativeMenus(&refusing.real);
    ASSERT_NE(refusing.lastPopup, nullptr);
    EXPECT_FALSE(IsMenu(static_cast<HMENU>(refusing.lastPopup))) << "its own menu is destroyed";
    EXPECT_EQ(file->ItemCount(), 4);
    EXPECT_EQ(GetMenuItemCount(Native(file)), 4);
    EXPECT_EQ(Label(Native(file), 3), L"Quit");
}

} // namespace
} // namespace gui::Windows::testing
