#include "frontend/win32/DrivePanel.h"

#include "app/EmulatorCore.h"
#include "common/Paths.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "frontend/DriveCommands.h"
#include "frontend/DrivesPlan.h"
#include "frontend/Pictures.h"
#include "frontend/RunStatus.h"
#include "frontend/win32/DriveMenu.h"
#include "frontend/win32/MainWindow.h"
#include "gui/Units.h"
#include "gui/windows/BorderedPanel.h"
#include "gui/windows/FileDialog.h"
#include "gui/windows/ImageIndicator.h"
#include "gui/windows/Label.h"
#include "gui/windows/PictureControl.h"

#include <memory>

namespace emu {
namespace {

constexpr int32_t kDividerBorder = 3;
constexpr int32_t kPictureCount = 12;
constexpr int32_t kEmptyOpenDrive = 3;
constexpr int32_t kLeftCtrl = 0xE2;
constexpr int32_t kRightCtrl = 0xE3;

std::unique_ptr<common::Image> LoadPicture(IndicatorPictures pictures, uint32_t index) {
    switch (pictures) {
    case IndicatorPictures::HardDisk:
        return LoadHardDiskIndicatorImage(index);
    case IndicatorPictures::Cartridge:
        return LoadCartridgeIndicatorImage(index);
    case IndicatorPictures::Floppy:
    default:
        return LoadIndexedIndicatorImage(index);
    }
}

void AddIndicator(MainWindow& window, const DrivePanelPart& part) {
    auto* indicator = gui::AddOwned(
        *window.drivePanel, std::make_unique<gui::Windows::ImageIndicator>(gui::Bounds{0, 0, 9, 0}, gui::kMillimetres,
                                                                           nullptr, gui::kDockLeftFitted, true));
    if (indicator == nullptr) {
        return;
    }
    for (int32_t i = 0; i < kPictureCount; ++i) {
        std::unique_ptr<common::Image> picture = LoadPicture(part.pictures, static_cast<uint32_t>(i));
        if (picture == nullptr || indicator->AddImage(picture.get()) < 0) {
            break;
        }
        picture.release();
    }
    indicator->UserData() = static_cast<uintptr_t>(part.index);
    indicator->MouseCallback() = OnDrivePanel;
    DriveSlot* slot = window.core->GetDrive(part.index);
    if (slot == nullptr) {
        indicator->SetCurrent(kEmptyOpenDrive);
        return;
    }
    slot->indicator = indicator;
    slot->indicatorNumber = part.index;
    indicator->SetCurrent(GetDriveImageIndex(*slot, window.core->IsPowered()));
    indicator->SetTooltip(slot->Image().IsOpen() ? slot->ImagePath() : common::PathString());
}

// The main window of a drive's indicator, and the drive's index; null for a control that shows no drive.
MainWindow* WindowOfIndicator(gui::Window* control, int32_t& index) {
    auto* indicator = dynamic_cast<gui::Windows::ImageIndicator*>(control);
    MainWindow* window = MainWindow::Of(indicator);
    if (window == nullptr || window->core == nullptr) {
        return nullptr;
    }
    index = DriveIndexOfIndicator(*window->core, indicator);
    return index >= 0 ? window : nullptr;
}

void ShowDrives(MainWindow& window) {
    window.RefreshDriveIndicators(true);
    window.RefreshFromCore(true);
}

// What ShowOpenFileDialog remembers from its first call to the dialog's call back.
struct OpenFileTarget {
    MainWindow* window = nullptr;
    int32_t index = -1;
};
OpenFileTarget openFileTarget;

} // namespace

void ClearDrivePanel(MainWindow& window) {
    // No slot may point at a control about to be deleted, nor keep a light for it.
    if (window.core != nullptr) {
        if (const DriveSet* drives = window.core->GetDriveSet()) {
            for (DriveSlot* slot : drives->AllDrives()) {
                slot->indicator = nullptr;
                slot->indicatorNumber = 0;
            }
        }
    }
    if (window.drivePanel != nullptr) {
        window.drivePanel->DeleteAllChildren();
    }
}

void FillDrivePanel(MainWindow& window, const DrivesPlan& plan) {
    if (window.drivePanel == nullptr || window.core == nullptr) {
        return;
    }
    const gui::Dpi& dpi = gui::ProcessDpi();
    const GroupLabelMetrics metrics = GroupLabelMetricsFor(dpi.IsFixed(), dpi.ScreenX());
    for (const DrivePanelPart& part : plan.panel) {
        switch (part.kind) {
        case DrivePanelPart::Kind::Spacer:
            gui::AddOwned(*window.drivePanel, std::make_unique<gui::Windows::BorderedPanel>(
                                                  0, 0, part.width, 0, gui::kDockLeft, gui::kNoBorder, true));
            break;
        case DrivePanelPart::Kind::Label:
            if (auto* label = gui::AddOwned(
                    *window.drivePanel,
                    std::make_unique<gui::Windows::Label>(0, 0, metrics.width, 0, part.text, gui::kDockLeft, true))) {
                label->GetFont()->SetFaceAndSize(gui::kMicrosoftSansSerif, metrics.points);
                label->Invalidate(0, 0, -1, -1);
            }
            break;
        case DrivePanelPart::Kind::Indicator:
            AddIndicator(window, part);
            break;
        case DrivePanelPart::Kind::Divider:
            if (auto* divider =
                    gui::AddOwned(*window.drivePanel, std::make_unique<gui::Windows::BorderedPanel>(
                                                          0, 0, part.width, 0, gui::kDockLeft, kDividerBorder, true))) {
                divider->SetBorders(true, false, false, false);
            }
            break;
        }
    }
}

int32_t OnDrivePanel(gui::Window* indicator, int32_t, int32_t, int32_t event) {
    if (event != gui::kLeftDoubleClick && event != gui::kRightDown) {
        return 0;
    }
    int32_t index = -1;
    MainWindow* window = WindowOfIndicator(indicator, index);
    if (window == nullptr) {
        return 0;
    }
    if (event == gui::kRightDown) {
        ToggleDriveLatch(*window->core, index);
        ShowDrives(*window);
        return 1;
    }
    const DriveSlot* slot = window->core->GetDrive(index);
    if (slot->hardDisk && window->ctrlHeld) {
        ChooseDriveFolder(*window, index);
        // The dialog took the key-ups of Ctrl: the screen and the machine let it go now.
        OnScreenKey(window->screen, kLeftCtrl, false);
        OnScreenKey(window->screen, kRightCtrl, false);
    } else {
        ChooseDriveImage(*window, index);
    }
    ShowDrives(*window);
    return 1;
}

void ShowOpenFileDialog(gui::Window* object) {
    if (auto* dialog = dynamic_cast<gui::Windows::FileDialog*>(object)) {
        const OpenFileTarget target = openFileTarget;
        openFileTarget = OpenFileTarget();
        // The drive is looked up again: the machine may have changed its drives while the dialog was open.
        if (target.window == nullptr || target.window->core == nullptr || dialog->GetResult() != gui::kAnswerOk) {
            return;
        }
        const common::PathString& path = dialog->GetPath();
        if (path.IsEmpty()) {
            UnloadDrive(*target.window->core, target.index);
        } else if (!MountDriveImage(*target.window->core, target.index, path, false)) {
            return;
        }
        ShowDrives(*target.window);
        return;
    }
    int32_t index = -1;
    MainWindow* window = WindowOfIndicator(object, index);
    if (window == nullptr) {
        return;
    }
    const DriveSlot* slot = window->core->GetDrive(index);
    int32_t x = 0;
    int32_t y = 0;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    window->GetBounds(x, y, windowWidth, windowHeight);
    int32_t width = 0;
    int32_t height = 0;
    DriveDialogSize(windowWidth, windowHeight, width, height);
    gui::Windows::OpenFileDialog dialog(width, height);
    for (const FileFilter& filter : DriveFileFilters(slot)) {
        dialog.AddFilter(filter.extension, filter.description);
    }
    dialog.SetTitle(common::WideString("Open File"));
    openFileTarget = {window, index};
    dialog.RunAtWithCallback(window, ShowOpenFileDialog, slot->GetLastImageFolder());
    openFileTarget = OpenFileTarget();
}

} // namespace emu
