// The Drives menu and its commands: the dialogs run here, the work on the drives is the portable drive commands'.
#include "app/EmulatorCore.h"
#include "common/OptionNode.h"
#include "common/Paths.h"
#include "common/TextTable.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/UiTextId.h"
#include "frontend/DriveCommands.h"
#include "frontend/DrivesPlan.h"
#include "frontend/OptionMenus.h"
#include "frontend/win32/DriveMenu.h"
#include "frontend/win32/DrivePanel.h"
#include "frontend/win32/MainMenuBar.h"
#include "frontend/win32/MainWindow.h"
#include "gui/PopupMenu.h"
#include "gui/windows/FileDialog.h"
#include "gui/windows/FolderDialog.h"

namespace emu {
namespace {

MainWindow* WindowFor(gui::MenuItem* item, int32_t kind) {
    if (item == nullptr || (kind != gui::kMenuCommand && kind != gui::kMenuUpdate)) {
        return nullptr;
    }
    return MainWindow::Of(item);
}

void ShowDrive(MainWindow& window) {
    window.RefreshDriveIndicators(true);
    window.RefreshFromCore(true);
}

// A drive item's handler: a refresh enables it while the drive exists and enabled(slot) holds (and with
// checkLatch checks it by the latch); a command greys it, runs on the item's drive index, and refreshes.
template <typename Enabled, typename Run>
bool DriveCommand(gui::MenuItem* item, int32_t kind, bool checkLatch, Enabled enabled, Run run) {
    MainWindow* window = WindowFor(item, kind);
    if (window == nullptr) {
        return false;
    }
    if (kind == gui::kMenuUpdate) {
        const DriveSlot* slot = window->core != nullptr ? window->core->GetDrive(item->UserValue()) : nullptr;
        const bool checked = checkLatch ? slot != nullptr && slot->latched : item->IsChecked();
        SyncItem(*item, slot != nullptr && enabled(*slot), checked);
        return true;
    }
    if (window->core == nullptr) {
        return false;
    }
    if (item->IsEnabled()) {
        item->SetEnabled(false);
    }
    run(*window, *window->core, item->UserValue());
    ShowDrive(*window);
    item->UpdateAll();
    return true;
}

bool Always(const DriveSlot&) {
    return true;
}

} // namespace

bool OnMenuDriveLatch(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return DriveCommand(item, kind, true, Always,
                        [](MainWindow&, EmulatorCore& core, int32_t index) { ToggleDriveLatch(core, index); });
}

bool OnMenuDriveUnload(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return DriveCommand(
        item, kind, false, [](const DriveSlot& slot) { return slot.Image().IsOpen(); },
        [](MainWindow&, EmulatorCore& core, int32_t index) { UnloadDrive(core, index); });
}

bool OnMenuDriveLoadFile(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return DriveCommand(item, kind, false, Always,
                        [](MainWindow& window, EmulatorCore&, int32_t index) { ChooseDriveImage(window, index); });
}

bool OnMenuDriveMountFolder(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    return DriveCommand(item, kind, false, Always,
                        [](MainWindow& window, EmulatorCore&, int32_t index) { ChooseDriveFolder(window, index); });
}

bool ChooseDriveImage(MainWindow& window, int32_t index) {
    if (window.core == nullptr) {
        return false;
    }
    EmulatorCore& core = *window.core;
    const DriveSlot* slot = core.GetDrive(index);
    gui::Windows::OpenFileDialog dialog;
    for (const FileFilter& filter : DriveFileFilters(slot)) {
        dialog.AddFilter(filter.extension, filter.description);
    }
    const common::PathString folder = slot != nullptr ? slot->GetLastImageFolder() : common::GetProgramFolder();
    const common::PathString name = slot != nullptr ? common::GetFileName(slot->ImagePath()) : common::PathString();
    DialogPause pause(&core);
    return dialog.RunInFolder(&window, folder, name) && dialog.GetResult() == gui::kAnswerOk &&
           MountDriveImage(core, index, dialog.GetPath(), false);
}

bool ChooseDriveFolder(MainWindow& window, int32_t index) {
    if (window.core == nullptr) {
        return false;
    }
    EmulatorCore& core = *window.core;
    const DriveSlot* slot = core.GetDrive(index);
    gui::Windows::FolderDialog dialog;
    // The dialog names the drive as its submenu does.
    const int32_t titleId = DriveLabelTextId(index, DriveCounts::Of(core));
    if (titleId >= 0) {
        dialog.SetTitle(common::GetText(titleId, u""));
    }
    dialog.SetPrompt(common::GetText(text::kMountPrompt, u""));
    const common::PathString folder = slot != nullptr ? slot->GetLastMountFolder() : common::GetProgramFolder();
    DialogPause pause(&core);
    return dialog.RunAt(&window, folder) && dialog.GetResult() == gui::kAnswerOk &&
           MountDriveImage(core, index, dialog.GetPath(), true);
}

void BuildDrivesMenu(MainWindow& window, gui::PopupMenu& drives) {
    drives.Clear();
    ClearDrivePanel(window);
    if (window.core == nullptr) {
        return;
    }
    const DrivesPlan plan = PlanDrives(window.core->GetDriveSet(), window.drivePanel != nullptr);
    FillDrivePanel(window, plan);
    for (const DriveMenuEntry& entry : plan.menu) {
        if (entry.separatorBefore) {
            drives.AddSeparator(true);
        }
        gui::PopupMenu* submenu = drives.AddSubmenu(entry.Label(), true, false, false);
        if (submenu == nullptr) {
            drives.Clear();
            return;
        }
        submenu->UserValue() = entry.index;
        submenu->TextId() = entry.textId;
        const auto add = [&](int32_t textId, gui::MenuItem::AnyCallback handler, bool check) {
            gui::MenuItem* added =
                check ? submenu->AddItem(common::GetText(textId, u""), true, false) : submenu->AddItemById(textId);
            if (added != nullptr) {
                added->TextId() = textId;
                added->OnAny() = handler;
                added->UserValue() = entry.index;
            }
            return added != nullptr;
        };
        bool ok = add(text::kLoadFromFile, OnMenuDriveLoadFile, false) &&
                  add(text::kUnload, OnMenuDriveUnload, false) && submenu->AddSeparator(false) != nullptr;
        if (ok && entry.folderItem) {
            ok = add(text::kMountFromFolder, OnMenuDriveMountFolder, false) && submenu->AddSeparator(false) != nullptr;
        }
        if (!ok || !add(text::kLatch, OnMenuDriveLatch, true)) {
            drives.Clear();
            return;
        }
    }
    common::OptionNode* options = window.core->GetParam(OptionKind::Drives);
    if (options != nullptr && options->ChildCount() > 0) {
        drives.AddSeparator(true);
        BuildOptionMenu(options, &drives, false, OnMenuDeviceOption);
    }
}

} // namespace emu
