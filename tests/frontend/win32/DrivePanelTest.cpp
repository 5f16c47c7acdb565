// The toolbar's drive panel of the real models in process: its row per model, the indicators' pictures and tooltips
// following mounts and latches, the indicator's mouse (right click latches, double click opens the file dialog),
// the sized Open File dialog, and a rebuild that leaves no drive pointing at a deleted indicator.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "frontend/DriveCommands.h"
#include "frontend/win32/DriveMenu.h"
#include "frontend/win32/DrivePanel.h"
#include "gui/windows/BorderedPanel.h"
#include "gui/windows/DialogDriver.h"
#include "gui/windows/ImageIndicator.h"
#include "gui/windows/Label.h"
#include "gui/windows/WindowTestSupport.h"

#include <string>

namespace emu::testing {
namespace {

using gui::Windows::ImageIndicator;
using gui::Windows::testing::DialogDriver;

class DrivePanelTest : public FrontEndTest {
protected:
    void StartOn(const char* machine) {
        ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
        if (machine != nullptr) {
            Choose(ItemNamed(bar->computerMenu, machine));
        }
        ASSERT_NE(window->core, nullptr);
        ASSERT_NE(window->drivePanel, nullptr);
        image = folder.WriteFile(u"disk.img", std::string(819200, '\0'));
    }

    // The panel's row: "_w" a plain panel w pixels wide, "|w" one with an edge (a divider), a label's text, "#n" the
    // indicator of drive n.
    std::string Row() const {
        std::string row;
        for (int32_t i = 0; i < window->drivePanel->ChildCount(); ++i) {
            gui::Control* child = window->drivePanel->ChildAt(i);
            int32_t x = 0;
            int32_t y = 0;
            int32_t width = 0;
            int32_t height = 0;
            child->GetBounds(x, y, width, height);
            if (!row.empty()) {
                row += " ";
            }
            if (auto* label = dynamic_cast<gui::Windows::Label*>(child)) {
                row += label->GetText().GetNarrow();
            } else if (auto* indicator = dynamic_cast<ImageIndicator*>(child)) {
                row += "#" + std::to_string(static_cast<int32_t>(indicator->UserData()));
            } else if (auto* panel = dynamic_cast<gui::Windows::BorderedPanel*>(child)) {
                row += (panel->GetBorderStyle() == gui::kNoBorder ? "_" : "|") + std::to_string(width);
            } else {
                row += "?";
            }
        }
        return row;
    }

    ImageIndicator* IndicatorOf(int32_t index) const {
        DriveSlot* slot = window->core->GetDrive(index);
        return slot != nullptr ? static_cast<ImageIndicator*>(slot->indicator) : nullptr;
    }

    // Every drive's indicator is one of the panel's children (compared, never followed).
    void ExpectNoStaleIndicator() const {
        const DriveSet* drives = window->core->GetDriveSet();
        ASSERT_NE(drives, nullptr);
        for (DriveSlot* slot : drives->AllDrives()) {
            bool found = false;
            for (int32_t i = 0; i < window->drivePanel->ChildCount(); ++i) {
                found = found || dynamic_cast<ImageIndicator*>(window->drivePanel->ChildAt(i)) ==
                                     static_cast<ImageIndicator*>(slot->indicator);
            }
            EXPECT_TRUE(found) << "drive " << slot->indicatorNumber;
        }
    }

    // The indicator on the screen shows the picture centred on the button face, the key colour left as the face.
    static void ExpectShows(ImageIndicator* indicator, int32_t index) {
        indicator->Invalidate(0, 0, -1, -1);
        PumpPending();
        const gui::Windows::testing::Capture capture(indicator->GetHandle());
        const common::Image* picture = indicator->GetImage(index);
        const common::IndexedImage1Bit* mask = indicator->GetMask(index);
        ASSERT_NE(picture, nullptr);
        ASSERT_NE(mask, nullptr);
        const int32_t left = (capture.width - picture->GetWidth()) / 2;
        const int32_t top = (capture.height - picture->GetHeight()) / 2;
        const uint32_t face = gui::Windows::testing::SystemRgb(COLOR_BTNFACE);
        int32_t wrong = 0;
        int32_t keyed = 0;
        for (int32_t y = 0; y < picture->GetHeight(); ++y) {
            for (int32_t x = 0; x < picture->GetWidth(); ++x) {
                const bool opaque = mask->GetPixelIndex(y, x) != 0;
                keyed += opaque ? 0 : 1;
                const uint32_t expected = opaque ? picture->GetPixelColour(y, x) & 0xFFFFFF : face;
                wrong += capture.At(left + x, top + y) != expected;
            }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(keyed, 0) << "the picture has a keyed background";
    }

    std::string Tooltip(int32_t index) const { return IndicatorOf(index)->GetTooltip().GetNarrow(); }

    static void Mouse(ImageIndicator* indicator, UINT message) {
        SendMessageW(indicator->GetHandle(), message, 0, MAKELPARAM(4, 4));
    }

    std::u16string image;
};

TEST_F(DrivePanelTest, EachModelShowsItsDrivesInTheirGroups) {
    StartOn(nullptr);
    EXPECT_EQ(Row(), "_12 BIN: #0 _12 |2");
    Choose(ItemNamed(bar->computerMenu, "BK-0010 + FDD"));
    EXPECT_EQ(Row(), "_12 FDD: #0 _2 #1 _12 |2");
    for (int32_t index = 0; index < 2; ++index) {
        ImageIndicator* indicator = IndicatorOf(index);
        ASSERT_NE(indicator, nullptr);
        EXPECT_EQ(indicator->ImageCount(), 12);
        EXPECT_EQ(indicator->GetCurrent(), 3) << "an empty open drive";
        EXPECT_EQ(window->core->GetDrive(index)->indicatorNumber, index);
        EXPECT_EQ(Tooltip(index), "");
    }
    ExpectNoStaleIndicator();
}

TEST_F(DrivePanelTest, AnImageFromTheMenuShowsOnTheIndicatorAndTheRightButtonWorksTheLatch) {
    StartOn("BK-0010 + FDD");
    DialogDriver open;
    open.Then([&] { return OpenInFileDialog(image); });
    open.Start();
    Choose(ItemNamed(static_cast<gui::PopupMenu*>(ItemNamed(bar->drivesMenu, "Floppy Drive 1")), "Load From File"));
    ASSERT_TRUE(open.Finished());
    DriveSlot* slot = window->core->GetDrive(0);
    ASSERT_TRUE(slot->Image().IsOpen());
    EXPECT_EQ(Tooltip(0), std::string(slot->ImagePath().GetNarrow()));
    window->RefreshDriveIndicators(true);
    ImageIndicator* indicator = IndicatorOf(0);
    ASSERT_TRUE(slot->latched) << "a mount closes the drive";
    EXPECT_EQ(indicator->GetCurrent(), 0);
    ExpectShows(indicator, 0);

    Mouse(indicator, WM_RBUTTONDOWN);
    EXPECT_FALSE(slot->latched);
    EXPECT_EQ(indicator->GetCurrent(), 1);
    Mouse(indicator, WM_RBUTTONDOWN);
    EXPECT_TRUE(slot->latched);
    EXPECT_EQ(indicator->GetCurrent(), 0);
    // Other buttons leave the drive alone.
    Mouse(indicator, WM_LBUTTONDOWN);
    Mouse(indicator, WM_RBUTTONUP);
    EXPECT_TRUE(slot->latched);

    // Unloaded from the menu: the tooltip empties.
    Choose(ItemNamed(static_cast<gui::PopupMenu*>(ItemNamed(bar->drivesMenu, "Floppy Drive 1")), "Unload"));
    EXPECT_EQ(Tooltip(0), "");
    EXPECT_EQ(indicator->GetCurrent(), 3);
}

TEST_F(DrivePanelTest, ADoubleClickChoosesTheImageAndACancelledDialogChangesNothing) {
    StartOn("BK-0010 + FDD");
    ImageIndicator* indicator = IndicatorOf(1);
    ASSERT_NE(indicator, nullptr);
    DialogDriver cancel;
    cancel.Then(CancelFileDialog);
    cancel.Start();
    Mouse(indicator, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(cancel.Finished());
    DriveSlot* slot = window->core->GetDrive(1);
    EXPECT_FALSE(slot->Image().IsOpen());
    EXPECT_EQ(indicator->GetCurrent(), 3);
    EXPECT_EQ(Tooltip(1), "");

    DialogDriver open;
    open.Then([&] { return OpenInFileDialog(image); });
    open.Start();
    Mouse(indicator, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(open.Finished());
    ASSERT_TRUE(slot->Image().IsOpen());
    EXPECT_EQ(Tooltip(1), std::string(slot->ImagePath().GetNarrow()));
    EXPECT_FALSE(window->core->GetDrive(0)->Image().IsOpen()) << "only the indicator's own drive";
    EXPECT_EQ(indicator->GetCurrent(), 0);
}

TEST_F(DrivePanelTest, TheOpenFileDialogOfAnIndicatorMountsIntoItsDrive) {
    StartOn("BK-0010 + FDD");
    std::string title;
    RECT box{};
    DialogDriver open;
    open.Then([&] {
        HWND dialog = FindFileDialog();
        if (dialog == nullptr) {
            return false;
        }
        wchar_t text[64] = {};
        GetWindowTextW(dialog, text, 64);
        title = Utf8(text);
        GetWindowRect(dialog, &box);
        return OpenInFileDialog(image);
    });
    open.Start();
    ShowOpenFileDialog(IndicatorOf(1));
    ASSERT_TRUE(open.Finished());
    EXPECT_EQ(title, "Open File");
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    window->GetBounds(x, y, width, height);
    EXPECT_LT(box.right - box.left, width) << "sized from the main window";
    DriveSlot* slot = window->core->GetDrive(1);
    ASSERT_TRUE(slot->Image().IsOpen());
    EXPECT_EQ(Tooltip(1), std::string(slot->ImagePath().GetNarrow()));

    // Cancelled, the drive keeps its image.
    DialogDriver cancel;
    cancel.Then(CancelFileDialog);
    cancel.Start();
    ShowOpenFileDialog(IndicatorOf(1));
    ASSERT_TRUE(cancel.Finished());
    EXPECT_TRUE(slot->Image().IsOpen());
    // Not an indicator of a drive: nothing runs.
    ShowOpenFileDialog(nullptr);
    ShowOpenFileDialog(window->drivePanel);
}

TEST_F(DrivePanelTest, AMachineSwitchAndARebuildLeaveNoDrivePointingAtADeletedIndicator) {
    StartOn("BK-0010 + FDD");
    ASSERT_TRUE(MountDriveImage(*window->core, 0, common::PathString(image.c_str()), false));
    window->RefreshFromCore(true);
    // A light on, then the same machine's panel built again.
    DriveSlot* slot = window->core->GetDrive(0);
    slot->accessBlink = true;
    window->RefreshDriveIndicators(false);
    ASSERT_LT(slot->indicatorNumber, 0);
    BuildDrivesMenu(*window, *bar->drivesMenu);
    EXPECT_EQ(Row(), "_12 FDD: #0 _2 #1 _12 |2");
    ExpectNoStaleIndicator();
    EXPECT_EQ(slot->indicatorNumber, 0) << "the light went out with the old indicator";
    EXPECT_EQ(Tooltip(0), std::string(slot->ImagePath().GetNarrow()));

    Choose(ItemNamed(bar->computerMenu, "BK-0010.01"));
    EXPECT_EQ(Row(), "_12 BIN: #0 _12 |2");
    ExpectNoStaleIndicator();
    ASSERT_NE(IndicatorOf(0), nullptr);
    EXPECT_EQ(IndicatorOf(0)->GetCurrent(), 3);
}

// A stand-in with a floppy drive and a hard disk.
class HardDiskMachine : public app_test::StandInModel {
public:
    HardDiskMachine() : StandInModel(1) {}
    bool CreateServices() override {
        return StandInModel::CreateServices() && Drives()->SetFloppyCount(1) && Drives()->SetHardDiskCount(1);
    }
    std::unique_ptr<emu::Computer> NewInstance() const override { return std::make_unique<HardDiskMachine>(); }
};

std::unique_ptr<emu::Computer> MakeHardDiskMachine() {
    return std::make_unique<HardDiskMachine>();
}
constexpr EmulatorConfig::MachineListEntry kHardDiskList[] = {{&MakeHardDiskMachine, false}};

TEST_F(DrivePanelTest, WithCtrlHeldAHardDiskTakesAFolderAndTheScreenLetsCtrlGo) {
    ASSERT_TRUE(Start(kHardDiskList));
    ASSERT_NE(window->core, nullptr);
    EXPECT_EQ(Row(), "_12 FDD: #0 _12 |2 _12 HDD: #1 _12 |2");

    // Ctrl on a floppy: still the file dialog.
    window->ctrlHeld = true;
    DialogDriver file;
    file.Then(CancelFileDialog);
    file.Start();
    Mouse(IndicatorOf(0), WM_LBUTTONDBLCLK);
    ASSERT_TRUE(file.Finished());
    EXPECT_TRUE(window->ctrlHeld);

    // The folder dialog is titled by the drive.
    DialogDriver folderDialog;
    folderDialog.Then([] {
        HWND dialog = FindWindowW(L"#32770", L"Hard Drive 1");
        if (dialog == nullptr || !IsWindowVisible(dialog)) {
            return false;
        }
        return PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0) != FALSE;
    });
    folderDialog.Start();
    Mouse(IndicatorOf(1), WM_LBUTTONDBLCLK);
    ASSERT_TRUE(folderDialog.Finished());
    EXPECT_FALSE(window->ctrlHeld) << "the dialog took the key-up";
    EXPECT_FALSE(window->core->GetDrive(1)->Image().IsOpen());
}

} // namespace
} // namespace emu::testing
