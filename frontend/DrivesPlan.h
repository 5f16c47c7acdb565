// What the Drives menu and the toolbar's drive panel show of a machine's drives, worked out apart from any window:
// one submenu per drive, and on the panel the drives grouped by kind under a label, their indicators in pairs,
// a divider after each group. A drive is known everywhere by its index, its place in the drive set's list of all
// drives.
#pragma once

#include "common/NarrowString.h"
#include "common/WideString.h"

#include <cstdint>
#include <vector>

namespace emu {

class DriveSetBase;
enum class DriveKind : int32_t;

// One drive's submenu in the Drives popup.
struct DriveMenuEntry {
    int32_t index = -1;
    DriveKind kind{};
    // The label's text id (so that a language switch relabels it), or -1 with the label in caption.
    int32_t textId = -1;
    common::WideString caption;
    // A separator stands before the submenu.
    bool separatorBefore = false;
    // The submenu holds Mount From Folder (Read-Only).
    bool folderItem = false;

    // The label in the current language.
    common::WideString Label() const;
};

// The picture sets of drive indicators.
enum class IndicatorPictures : int32_t { Floppy, HardDisk, Cartridge };

// One control of the drive panel, in the order they stand in the row.
struct DrivePanelPart {
    enum class Kind : int32_t {
        // An empty panel width pixels wide.
        Spacer,
        // A group label reading text.
        Label,
        // The indicator of drive index, with its picture set.
        Indicator,
        // A panel width pixels wide with an edge on its left only: the line between groups.
        Divider,
    };
    Kind kind = Kind::Spacer;
    int32_t width = 0;
    common::NarrowString text;
    int32_t index = -1;
    IndicatorPictures pictures = IndicatorPictures::Floppy;
};

struct DrivesPlan {
    std::vector<DriveMenuEntry> menu;
    // Empty when there is no panel to fill.
    std::vector<DrivePanelPart> panel;
};

// The plan of a drive set (null: no drives): cartridges, floppies, hard disks, CD-ROM drives. With a panel the
// cartridge group takes its slots' own short label ("BIN:") and names their submenus by the slot ("Binary File 1");
// without one they read "ROM:" and "Cartridge 1".
DrivesPlan PlanDrives(const DriveSetBase* drives, bool withPanel);

// The group labels' width in pixels and font size in points for the screen DPI, when one is known.
struct GroupLabelMetrics {
    int32_t width = 0;
    int32_t points = 0;
};
GroupLabelMetrics GroupLabelMetricsFor(bool dpiKnown, int32_t dpi);

// The size of an indicator's Open File dialog for a main window of that size: three quarters of a narrow window's
// width, half a wide one's, and at least 32 pixels smaller than the window either way.
void DriveDialogSize(int32_t windowWidth, int32_t windowHeight, int32_t& width, int32_t& height);

} // namespace emu
