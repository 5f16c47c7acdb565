// The toolbar's run buttons, the title and the drive lights kept in step with the core.
#include "app/EmulatorCore.h"
#include "common/TextTable.h"
#include "emu/core/DriveSlot.h"
#include "frontend/UiTextTables.h"
#include "frontend/win32/MainMenuBar.h"
#include "frontend/win32/MainWindow.h"
#include "gui/Cursor.h"
#include "gui/windows/Button.h"
#include "gui/windows/ImageIndicator.h"
#include "gui/windows/PictureControl.h"

namespace emu {
namespace {

// The Emulation menu item a toolbar button stands for, chosen as if from the menu.
void InvokeFromToolbar(gui::Control* button, gui::MenuItem* MainMenuBar::*item) {
    MainWindow* window = MainWindow::Of(button);
    MainMenuBar* bar = window != nullptr ? window->Menu() : nullptr;
    if (bar != nullptr && bar->*item != nullptr) {
        (bar->*item)->OnMenuCommand(-1);
    }
}

void ShowIndicator(DriveSlot& slot, bool running) {
    if (auto* indicator = static_cast<gui::Windows::ImageIndicator*>(slot.indicator)) {
        indicator->SetCurrent(GetDriveImageIndex(slot, running));
    }
}

// Every drive of the core's machine.
template <typename Each>
void ForEachDrive(EmulatorCore& core, Each each) {
    int32_t floppies = 0;
    int32_t hardDisks = 0;
    int32_t cartridges = 0;
    int32_t cdRoms = 0;
    const int32_t count = core.GetDriveInfo(floppies, hardDisks, cartridges, cdRoms);
    for (int32_t i = 0; i < count; ++i) {
        if (DriveSlot* slot = core.GetDrive(i)) {
            each(*slot);
        }
    }
}

} // namespace

void OnToolbarStart(gui::Control* button) {
    InvokeFromToolbar(button, &MainMenuBar::startItem);
}

void OnToolbarPause(gui::Control* button) {
    InvokeFromToolbar(button, &MainMenuBar::pauseItem);
}

void OnToolbarStop(gui::Control* button) {
    InvokeFromToolbar(button, &MainMenuBar::stopItem);
}

void MainWindow::UpdateRunControls() {
    MainMenuBar* bar = Menu();
    if (bar == nullptr || bar->startItem == nullptr || bar->pauseItem == nullptr || bar->stopItem == nullptr) {
        return;
    }
    if (startButton != nullptr) {
        startButton->SetEnabled(bar->startItem->IsEnabled());
    }
    if (pauseButton != nullptr) {
        pauseButton->SetEnabled(bar->pauseItem->IsEnabled());
        pauseButton->SetLatched(bar->pauseItem->IsChecked());
    }
    if (stopButton != nullptr) {
        stopButton->SetEnabled(bar->stopItem->IsEnabled());
    }
}

void MainWindow::RelabelToolbar() {
    if (MainMenuBar* bar = Menu()) {
        bar->Retranslate();
    }
    if (startButton != nullptr) {
        startButton->SetText(common::GetText(text::kStart));
    }
    if (pauseButton != nullptr) {
        pauseButton->SetText(common::GetText(text::kPause));
    }
    if (stopButton != nullptr) {
        stopButton->SetText(common::GetText(text::kStop));
    }
}

void MainWindow::UpdateWindowTitle() {
    if (switchingMachine) {
        return;
    }
    common::WideString status;
    if (core != nullptr) {
        core->GetStatusText(status);
    }
    const common::WideString newTitle =
        ComposeWindowTitle(title, status, ScreenHoldsCapture(), common::GetText(text::kReleaseMouseHint));
    if (GetTitle().Compare(newTitle) != 0) {
        SetTitle(newTitle);
    }
}

bool MainWindow::ScreenHoldsCapture() const {
    return screen != nullptr && screen->GetHandle() != nullptr && GetCapture() == screen->GetHandle();
}

void MainWindow::DropMouseCapture() {
    mouseCaptured = false;
    if (screen != nullptr) {
        if (gui::Cursor* cursor = screen->GetCursor()) {
            cursor->LoadStandard(0);
        }
    }
    if (ScreenHoldsCapture()) {
        ReleaseCapture();
        ClipCursor(nullptr);
    }
    ShowCursorAgain();
}

void MainWindow::RefreshFromCore(bool force) {
    if (core == nullptr) {
        return;
    }
    // The core keeps no change flag of its own for the drives: every status change shows them again, and so does
    // a forced refresh, which follows the drive commands (a mount must bring its path to the tooltip).
    if (!force && !core->TakeStatusChanged()) {
        return;
    }
    if (mouseCaptured && !core->IsPowered()) {
        DropMouseCapture();
    }
    ForEachDrive(*core, [this](DriveSlot& slot) {
        if (auto* indicator = static_cast<gui::Windows::ImageIndicator*>(slot.indicator)) {
            ShowIndicator(slot, core->IsPowered());
            indicator->SetTooltip(slot.Image().IsOpen() ? slot.ImagePath() : common::PathString());
        }
    });
    if (MainMenuBar* bar = Menu()) {
        bar->UpdateAll();
    }
}

void MainWindow::RefreshDriveIndicators(bool all) {
    if (core == nullptr) {
        return;
    }
    ForEachDrive(*core, [this, all](DriveSlot& slot) {
        if (StepDriveLight(slot, all)) {
            ShowIndicator(slot, core->IsPowered());
        }
    });
}

} // namespace emu
