// The emulation screen's keys and mouse with a running machine: Alt+Enter switches full screen while the machine
// still gets the Enter key; Alt+F4 closes the window while F4 alone goes to the machine; a double-click captures
// the mouse and the middle button gives it back.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "gui/windows/BorderedPanel.h"
#include "gui/windows/PictureControl.h"

#include <utility>

namespace emu::testing {
namespace {

using ScreenInputTest = FrontEndTest;

const app_test::ProbeDevice& ProbeOf(const MainWindow& window) {
    return static_cast<const app_test::StandInModel*>(window.core->Machine())->Probe();
}

void SendKey(WORD key, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

// Sends the key and waits until the machine has it.
bool TypeKey(const MainWindow& window, WORD key, bool down) {
    const int32_t before = ProbeOf(window).keyEvents;
    SendKey(key, down);
    return PumpUntil([&] { return ProbeOf(window).keyEvents > before; });
}

// Alt+Enter by the system's input, so that the key state the window asks for is real; each key is seen by the
// machine before the next goes, so Alt is held while Enter is handled, as a user holds it.
bool AltEnter(const MainWindow& window) {
    for (auto [key, down] :
         {std::pair<WORD, bool>{VK_LMENU, true}, {VK_RETURN, true}, {VK_RETURN, false}, {VK_LMENU, false}}) {
        if (!TypeKey(window, key, down)) {
            return false;
        }
    }
    return true;
}

TEST_F(ScreenInputTest, AltEnterSwitchesFullScreenAndTheMachineStillGetsEnter) {
    ASSERT_TRUE(Start());
    SetForegroundWindow(window->GetHandle());
    SetFocus(window->GetHandle());
    Choose(bar->startItem);
    ASSERT_TRUE(window->core->IsPowered());
    ASSERT_TRUE(AltEnter(*window)) << "the machine gets all four keys, Enter too";
    EXPECT_TRUE(window->fullscreen);
    EXPECT_FALSE(window->toolbar->IsVisible(false)) << "the toolbar goes in full screen";
    ASSERT_TRUE(AltEnter(*window));
    EXPECT_FALSE(window->fullscreen);
    EXPECT_TRUE(window->toolbar->IsVisible(false));
}

TEST_F(ScreenInputTest, AltF4ClosesTheWindowAndKeepsTheChoicesWhileF4AloneGoesToTheMachine) {
    ASSERT_TRUE(Start());
    SetForegroundWindow(window->GetHandle());
    SetFocus(window->GetHandle());
    Choose(ItemOf(bar->viewMenu, 5));
    ASSERT_FALSE(window->config.guiShowToolbar);
    Choose(bar->startItem);
    ASSERT_TRUE(window->core->IsPowered());
    ASSERT_TRUE(TypeKey(*window, VK_F4, true));
    EXPECT_EQ(ProbeOf(*window).lastKey, 0x73);
    ASSERT_TRUE(TypeKey(*window, VK_F4, false));
    ASSERT_TRUE(IsWindowVisible(window->GetHandle()));

    HWND handle = window->GetHandle();
    ASSERT_TRUE(TypeKey(*window, VK_LMENU, true));
    SendKey(VK_F4, true);
    const bool closed = PumpUntil([&] { return IsWindow(handle) == FALSE; });
    SendKey(VK_F4, false);
    SendKey(VK_LMENU, false);
    PumpPending();
    ASSERT_TRUE(closed) << "Alt+F4 closes the window";
    EXPECT_EQ(window->core, nullptr);
    EXPECT_FALSE(SavedSettings()->guiShowToolbar) << "the settings are written as the close button writes them";
}

TEST_F(ScreenInputTest, ADoubleClickCapturesTheMouseAndTheMiddleButtonReleasesIt) {
    ASSERT_TRUE(Start());
    HWND screen = window->screen->GetHandle();
    SendMessageW(screen, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 40));
    EXPECT_NE(GetCapture(), screen) << "no capture while stopped";

    Choose(bar->startItem);
    SendMessageW(screen, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 40));
    EXPECT_EQ(GetCapture(), screen);
    EXPECT_TRUE(window->mouseCaptured);
    window->UpdateWindowTitle();
    EXPECT_NE(GetTitleOf(window).find("[press middle button or \"Win\" key to release mouse]"), std::string::npos)
        << GetTitleOf(window);

    SendMessageW(screen, WM_MBUTTONUP, 0, MAKELPARAM(40, 40));
    EXPECT_NE(GetCapture(), screen);
    window->UpdateWindowTitle();
    EXPECT_EQ(GetTitleOf(window).find("[press middle button"), std::string::npos);
    ShowCursor(TRUE);
}

} // namespace
} // namespace emu::testing
