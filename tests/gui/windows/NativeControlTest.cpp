#include "WindowTestSupport.h"

#include "gui/windows/BorderedPanel.h"
#include "gui/windows/Button.h"
#include "gui/windows/Label.h"

namespace gui::Windows::testing {
namespace {

// The tooltip windows of a top-level window (a child control's tooltip is owned by its top-level window).
std::vector<HWND> TooltipsOf(HWND owner) {
    struct Search {
        HWND owner;
        std::vector<HWND> found;
    } search{owner, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* search = reinterpret_cast<Search*>(parameter);
            wchar_t name[32] = {};
            GetClassNameW(window, name, 32);
            if (std::wstring(name) == TOOLTIPS_CLASSW && GetWindow(window, GW_OWNER) == search->owner)
                search->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ToolText(HWND tooltip, HWND tool) {
    wchar_t text[64] = {};
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&info));
    return text;
}

Button* MakeButton(int32_t x, int32_t y, int32_t w, int32_t h, int32_t mode = kDockNone) {
    return new Button(Bounds{x, y, w, h}, common::WideString("OK"), kPlainButton, mode, true, kPixels);
}

using NativeControlTest = ShownWindowTest;

TEST_F(NativeControlTest, AControlIsMadeOnlyInACreatedParent) {
    Button loose(Bounds{0, 0, 10, 10}, common::WideString("x"), kPlainButton, kDockNone, true, kPixels);
    EXPECT_FALSE(loose.Create()) << "no parent";

    Button* button = MakeButton(10, 10, 60, 24);
    button->SetParent(window.get());
    EXPECT_FALSE(button->Create()) << "the parent has no window yet";
    EXPECT_FALSE(button->IsCreated());
    EXPECT_EQ(button->GetHandle(), nullptr);
    button->SetParent(nullptr);
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(button)));
    CreateAndShow();
    EXPECT_TRUE(button->IsCreated());
    EXPECT_EQ(GetParent(button->GetHandle()), window->GetHandle());

    Button* late = MakeButton(100, 10, 60, 24);
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(late)))
        << "a created parent makes its new child at once";
    EXPECT_TRUE(late->IsCreated());
}

TEST_F(NativeControlTest, ControlsSitInsideTheParentsMarginsAndReadBackTheSame) {
    window->SetMargins({7, 9, 0, 0});
    Button* button = MakeButton(10, 20, 60, 24);
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(button)));
    CreateAndShow();
    RECT rect{};
    GetWindowRect(button->GetHandle(), &rect);
    POINT corner{rect.left, rect.top};
    ScreenToClient(window->GetHandle(), &corner);
    EXPECT_EQ(corner.x, 17);
    EXPECT_EQ(corner.y, 29);
    button->Update(true, true, true);
    const Bounds bounds = BoundsOf(*button);
    EXPECT_EQ(bounds.x, 10);
    EXPECT_EQ(bounds.y, 20);
    EXPECT_EQ(bounds.width, 60);
    EXPECT_EQ(bounds.height, 24);
}

TEST_F(NativeControlTest, HidingADockedControlLaysItsParentOut) {
    Button* left = MakeButton(0, 0, 50, 24, kDockLeft);
    Button* next = MakeButton(0, 0, 40, 24, kDockLeft);
    Button* loose = MakeButton(200, 0, 40, 24, kDockNone);
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(left)));
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(next)));
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(loose)));
    CreateAndShow();
    EXPECT_EQ(BoundsOf(*next).x, 50);
    left->Show(false);
    EXPECT_FALSE(IsWindowVisible(left->GetHandle()));
    EXPECT_EQ(BoundsOf(*next).x, 0) << "laid out again";
    loose->Show(false);
    EXPECT_EQ(BoundsOf(*loose).x, 200);
}

TEST_F(NativeControlTest, ATooltipKeepsOneToolWhoseTextFollows) {
    Button* button = MakeButton(10, 10, 60, 24);
    button->SetTooltip(common::WideString("first"));
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(button)));
    CreateAndShow();
    std::vector<HWND> tooltips = TooltipsOf(window->GetHandle());
    ASSERT_EQ(tooltips.size(), 1u);
    HWND tooltip = tooltips[0];
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(ToolText(tooltip, button->GetHandle()), L"first");

    button->SetTooltip(common::WideString("second"));
    button->SetTooltip(common::WideString("second"));
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(ToolText(tooltip, button->GetHandle()), L"second");

    button->SetTooltip(common::WideString(""));
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 0);
    button->SetTooltip(common::WideString("third"));
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(TooltipsOf(window->GetHandle()).size(), 1u);
}

TEST_F(NativeControlTest, EnablingReachesTheNativeWindowAndThePanelsChildren) {
    auto* panel = new BorderedPanel(0, 0, 200, 50, kDockTop, kRaisedBorder, true);
    Button* button = MakeButton(5, 5, 60, 24);
    ASSERT_TRUE(panel->AddChild(std::unique_ptr<gui::Control>(button)));
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(panel)));
    CreateAndShow();
    button->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(button->GetHandle()));
    EXPECT_FALSE(button->IsEnabled(true));
    button->SetEnabled(true);
    panel->SetEnabled(false);
    EXPECT_FALSE(button->IsEnabled(true));
    EXPECT_TRUE(button->IsEnabled(false));
}

} // namespace
} // namespace gui::Windows::testing
