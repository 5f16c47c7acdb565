// The devices' option menus in process: the real models' options appear under their popups, choosing one changes
// the device and moves the item's check.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "emu/bk/BkKeyboard.h"
#include "emu/bk/BkMachine.h"

#include <string>

namespace emu::testing {
namespace {

class DeviceOptionsTest : public FrontEndTest {
protected:
    BkKeyboard* Keyboard() const {
        auto* machine = dynamic_cast<BkMachine*>(window->core->Machine());
        return machine != nullptr ? machine->Keyboard() : nullptr;
    }
};

TEST_F(DeviceOptionsTest, TheKeyboardsOptionShowsUnderInputAndChoosingItFlipsTheDevice) {
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    ASSERT_NE(window->core, nullptr);
    const std::string input = DumpMenu(static_cast<HMENU>(bar->inputMenu->GetHandle()));
    EXPECT_NE(input.find("Capture Mouse on DblClick [x]\n----\n"), std::string::npos) << input;
    EXPECT_NE(input.find("Allow several key presses"), std::string::npos) << input;

    gui::MenuItem* item = ItemNamed(bar->inputMenu, "Allow several key presses");
    ASSERT_NE(item, nullptr);
    BkKeyboard* keyboard = Keyboard();
    ASSERT_NE(keyboard, nullptr);
    const bool before = keyboard->AllowSeveralKeys();
    EXPECT_EQ(item->IsChecked(), before);

    Choose(item);
    EXPECT_EQ(keyboard->AllowSeveralKeys(), !before);
    EXPECT_EQ(item->IsChecked(), !before);
    const std::string after = DumpMenu(static_cast<HMENU>(bar->inputMenu->GetHandle()));
    EXPECT_EQ(after.find("Allow several key presses [x]") != std::string::npos, !before) << after;

    // A machine change replaces the generated items: still one option, bound to the new keyboard.
    Choose(ItemNamed(bar->computerMenu, "BK-0010.01"));
    gui::MenuItem* again = ItemNamed(bar->inputMenu, "Allow several key presses");
    ASSERT_NE(again, nullptr);
    ASSERT_NE(Keyboard(), nullptr);
    const bool now = Keyboard()->AllowSeveralKeys();
    Choose(again);
    EXPECT_EQ(Keyboard()->AllowSeveralKeys(), !now);
    const std::string replaced = DumpMenu(static_cast<HMENU>(bar->inputMenu->GetHandle()));
    EXPECT_EQ(replaced.find("Allow several key presses"), replaced.rfind("Allow several key presses")) << replaced;
}

} // namespace
} // namespace emu::testing
