// Help > About... in process: the box comes up titled "About", OK ends it, and the machine is left as found.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "gui/windows/DialogDriver.h"

namespace emu::testing {
namespace {

class AboutBoxTest : public FrontEndTest {
protected:
    gui::MenuItem* AboutItem() const { return bar->helpMenu->ItemAt(0); }
    // Opens the box and ends it with OK; false when it did not come.
    bool OpenAndConfirm() {
        bool running = false;
        gui::Windows::testing::DialogDriver driver;
        driver.Then([&] {
            HWND box = FindWindowW(nullptr, L"About");
            if (box == nullptr || !IsWindowVisible(box)) {
                return false;
            }
            running = window->core->IsPowered() && !window->core->IsBreakPending();
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        });
        driver.Start();
        Choose(AboutItem());
        EXPECT_FALSE(running) << "the machine stands paused while the box is open";
        return driver.Finished();
    }
};

TEST_F(AboutBoxTest, ARunningMachineRunsAgainAfterTheBoxAndAPausedOneStaysPaused) {
    ASSERT_TRUE(Start());
    ASSERT_NE(AboutItem(), nullptr);
    Choose(bar->startItem);
    ASSERT_TRUE(window->core->IsPowered());
    ASSERT_TRUE(OpenAndConfirm());
    EXPECT_TRUE(window->core->IsPowered());
    EXPECT_FALSE(window->core->IsBreakPending());

    Choose(bar->pauseItem);
    ASSERT_TRUE(window->core->IsBreakPending());
    ASSERT_TRUE(OpenAndConfirm());
    EXPECT_TRUE(window->core->IsBreakPending());
}

} // namespace
} // namespace emu::testing
