// Emulation > Save State and Load State in process, the confirmations answered by a driver posting to the boxes:
// No saves nothing, Yes writes the model's state file and the machine runs on; a stopped machine loads at once; a
// damaged file gets a box with the core's reason and the machine runs on.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "gui/windows/DialogDriver.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace emu::testing {
namespace {

class StateCommandsTest : public FrontEndTest {
protected:
    // Posts the button to the box with the caption once it is up; answered records that it was.
    gui::Windows::testing::DialogDriver::Step Answer(const wchar_t* caption, int button, bool& answered) {
        return [caption, button, &answered] {
            HWND box = FindWindowW(L"#32770", caption);
            if (box == nullptr || !IsWindowVisible(box)) {
                return false;
            }
            answered = true;
            PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
            return true;
        };
    }
    // The state files under the program's folder.
    std::vector<std::filesystem::path> StateFiles() const { return app_test::StateFilesUnder(folder.Path()); }
    // Chooses the item while the driver answers the boxes; false when a box did not come in time.
    bool ChooseAnswering(gui::MenuItem* item, gui::Windows::testing::DialogDriver& driver) {
        driver.Start();
        Choose(item);
        return driver.Finished();
    }
    bool Running() const { return window->core->IsPowered() && !window->core->IsBreakPending(); }
};

TEST_F(StateCommandsTest, SaveAsksFirstAndTheMachineRunsOn) {
    ASSERT_TRUE(Start());
    Choose(bar->startItem);
    ASSERT_TRUE(Running());

    bool asked = false;
    gui::Windows::testing::DialogDriver no;
    no.Then(Answer(L"Confirmation", IDNO, asked));
    ASSERT_TRUE(ChooseAnswering(bar->saveStateItem, no));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(StateFiles().empty());
    EXPECT_TRUE(Running());

    gui::Windows::testing::DialogDriver yes;
    yes.Then(Answer(L"Confirmation", IDYES, asked));
    ASSERT_TRUE(ChooseAnswering(bar->saveStateItem, yes));
    EXPECT_EQ(StateFiles().size(), 1u);
    EXPECT_TRUE(Running());

    // A paused machine stays paused.
    Choose(bar->pauseItem);
    ASSERT_TRUE(window->core->IsBreakPending());
    gui::Windows::testing::DialogDriver paused;
    paused.Then(Answer(L"Confirmation", IDNO, asked));
    ASSERT_TRUE(ChooseAnswering(bar->saveStateItem, paused));
    EXPECT_TRUE(window->core->IsBreakPending());
}

TEST_F(StateCommandsTest, ARefusedLoadIsToldWithTheCoresReasonAndTheMachineRunsOn) {
    ASSERT_TRUE(Start());
    Choose(bar->startItem);
    bool asked = false;
    gui::Windows::testing::DialogDriver save;
    save.Then(Answer(L"Confirmation", IDYES, asked));
    ASSERT_TRUE(ChooseAnswering(bar->saveStateItem, save));
    const std::vector<std::filesystem::path> files = StateFiles();
    ASSERT_EQ(files.size(), 1u);

    // A stopped machine loads without a question and stays stopped.
    Choose(bar->stopItem);
    ASSERT_FALSE(window->core->IsPowered());
    gui::Windows::testing::DialogDriver none(500);
    none.Then(Answer(L"Confirmation", IDNO, asked));
    none.Start();
    asked = false;
    Choose(bar->loadStateItem);
    EXPECT_FALSE(asked);

    // A cut copy: the error box names the refusal; the running machine runs on.
    Choose(bar->startItem);
    ASSERT_TRUE(Running());
    std::filesystem::resize_file(files.front(), std::filesystem::file_size(files.front()) / 2);
    bool told = false;
    gui::Windows::testing::DialogDriver load;
    load.Then(Answer(L"Confirmation", IDYES, asked)).Then(Answer(L"LOAD emulation state!", IDOK, told));
    ASSERT_TRUE(ChooseAnswering(bar->loadStateItem, load));
    EXPECT_TRUE(told);
    EXPECT_TRUE(Running());
}

} // namespace
} // namespace emu::testing
