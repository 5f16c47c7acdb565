// The Drives menu's and the drive panel's plan of a drive set: the submenus with their separators and folder items,
// the panel's row of spacers, labels, indicators in pairs and dividers, the indices that follow the drive set's own
// list, and the group labels' size by DPI.
#include "frontend/DrivesPlan.h"

#include "common/TextTable.h"
#include "emu/core/DriveSetBase.h"
#include "frontend/UiTextTables.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using emu::DriveKind;
using emu::DrivePanelPart;

class DrivesPlanTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The program's tables, unless a test registered them before.
        auto english = std::make_unique<emu::EnglishTextTable>();
        if (common::TextRegistry::Process().Register(common::TextRegistry::kEnglish, english.get())) {
            english.release();
        }
        common::SelectLanguage(common::TextRegistry::kEnglish);
    }

    // One line per submenu: a "----" line for a separator before it, then "index label", " +folder" when it
    // holds Mount From Folder.
    static std::string Menu(const emu::DrivesPlan& plan) {
        std::string text;
        for (const emu::DriveMenuEntry& entry : plan.menu) {
            if (entry.separatorBefore) {
                text += "----\n";
            }
            text += std::to_string(entry.index) + " " + std::string(entry.Label().GetNarrow());
            text += entry.folderItem ? " +folder\n" : "\n";
        }
        return text;
    }

    // The row: "_w" a spacer w pixels wide, the label's text, "#n/f|h|c" drive n's indicator with its pictures,
    // "|w" a divider.
    static std::string Panel(const emu::DrivesPlan& plan) {
        std::string text;
        for (const DrivePanelPart& part : plan.panel) {
            if (!text.empty()) {
                text += " ";
            }
            switch (part.kind) {
            case DrivePanelPart::Kind::Spacer:
                text += "_" + std::to_string(part.width);
                break;
            case DrivePanelPart::Kind::Label:
                text += part.text.GetNarrow();
                break;
            case DrivePanelPart::Kind::Indicator:
                text += "#" + std::to_string(part.index) + "/" + "fhc"[static_cast<int32_t>(part.pictures)];
                break;
            case DrivePanelPart::Kind::Divider:
                text += "|" + std::to_string(part.width);
                break;
            }
        }
        return text;
    }
};

TEST_F(DrivesPlanTest, EachDriveSetGetsItsSubmenusAndItsPanelRow) {
    const struct Case {
        const char* name;
        std::function<void(emu::DriveSetBase&)> make;
        const char* menu;
        const char* panel;
    } cases[] = {
        {"BK-0010",
         [](emu::DriveSetBase& drives) {
             drives.SetCartridgeCount(1);
             drives.DriveAt(DriveKind::Cartridge, 0)->SetNames("Binary File", "BIN:");
         },
         "0 Binary File 1\n", "_12 BIN: #0/c _12 |2"},
        {"two floppies", [](emu::DriveSetBase& drives) { drives.SetFloppyCount(2); },
         "0 Floppy Drive 1\n1 Floppy Drive 2\n", "_12 FDD: #0/f _2 #1/f _12 |2"},
        {"four floppies stand in pairs", [](emu::DriveSetBase& drives) { drives.SetFloppyCount(4); },
         "0 Floppy Drive 1\n1 Floppy Drive 2\n----\n2 Floppy Drive 3\n3 Floppy Drive 4\n",
         "_12 FDD: #0/f _2 #1/f _10 #2/f _2 #3/f _12 |2"},
        {"two floppies and two hard disks",
         [](emu::DriveSetBase& drives) {
             drives.SetFloppyCount(2);
             drives.SetHardDiskCount(2);
         },
         "0 Floppy Drive 1\n1 Floppy Drive 2\n----\n2 Hard Drive 1 +folder\n3 Hard Drive 2 +folder\n",
         "_12 FDD: #0/f _2 #1/f _12 |2 _12 HDD: #2/h _2 #3/h _12 |2"},
        {"a cartridge made before two floppies",
         [](emu::DriveSetBase& drives) {
             drives.SetCartridgeCount(1);
             drives.SetFloppyCount(2);
         },
         "0 Cartridge 1\n----\n1 Floppy Drive 1\n2 Floppy Drive 2\n",
         "_12 ROM: #0/c _12 |2 _12 FDD: #1/f _2 #2/f _12 |2"},
        {"a hard disk and CD-ROM drives",
         [](emu::DriveSetBase& drives) {
             drives.SetHardDiskCount(1);
             drives.SetCdRomCount(2);
         },
         "0 Hard Drive 1 +folder\n----\n1 CD/DVD Drive 1\n2 CD/DVD Drive 2\n",
         "_12 HDD: #0/h _12 |2 _12 DVD: #1/h _2 #2/h _12 |2"},
        {"no drives", [](emu::DriveSetBase&) {}, "", ""},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        emu::DriveSetBase drives;
        each.make(drives);
        const emu::DrivesPlan plan = emu::PlanDrives(&drives, true);
        EXPECT_EQ(Menu(plan), each.menu);
        EXPECT_EQ(Panel(plan), each.panel);
    }
    EXPECT_TRUE(emu::PlanDrives(nullptr, true).menu.empty());
    EXPECT_TRUE(emu::PlanDrives(nullptr, true).panel.empty());
}

TEST_F(DrivesPlanTest, WithoutAPanelCartridgesKeepTheirOwnLabelsAndNothingIsPlacedInARow) {
    emu::DriveSetBase drives;
    drives.SetCartridgeCount(2);
    drives.DriveAt(DriveKind::Cartridge, 0)->SetNames("Binary File", "BIN:");
    const emu::DrivesPlan plan = emu::PlanDrives(&drives, false);
    EXPECT_EQ(Menu(plan), "0 Cartridge 1\n1 Cartridge 2\n");
    EXPECT_TRUE(plan.panel.empty());
    // Fixed labels keep their ids, so that a language switch relabels them.
    EXPECT_EQ(plan.menu[0].textId, 45);
    EXPECT_EQ(plan.menu[1].textId, 46);

    // With a panel the slot's name goes on to the submenus after it; the slot's own label stays as text.
    const emu::DrivesPlan withPanel = emu::PlanDrives(&drives, true);
    EXPECT_EQ(Menu(withPanel), "0 Binary File 1\n1 Binary File 2\n");
    EXPECT_EQ(withPanel.menu[0].textId, -1);
    EXPECT_EQ(Panel(withPanel), "_12 BIN: #0/c _2 #1/c _12 |2");
}

TEST_F(DrivesPlanTest, AFloppySlotMarkedAsAHardDiskOffersTheFolderAndAFifthDriveGetsALabelOfItsOwn) {
    emu::DriveSetBase drives;
    drives.SetFloppyCount(5);
    drives.DriveAt(DriveKind::Floppy, 1)->hardDisk = true;
    const emu::DrivesPlan plan = emu::PlanDrives(&drives, false);
    EXPECT_EQ(Menu(plan), "0 Floppy Drive 1\n1 Floppy Drive 2 +folder\n----\n2 Floppy Drive 3\n3 Floppy Drive 4\n"
                          "4 Drive 5\n");
}

TEST(GroupLabelMetricsTest, LargerScreensGetWiderLabelsInSmallerType) {
    const struct {
        bool known;
        int32_t dpi;
        int32_t width;
        int32_t points;
    } cases[] = {
        {false, 144, 42, 10}, {true, 96, 42, 10}, {true, 110, 42, 10}, {true, 111, 44, 9},
        {true, 130, 44, 9},   {true, 131, 47, 8}, {true, 192, 47, 8},
    };
    for (const auto& each : cases) {
        const emu::GroupLabelMetrics metrics = emu::GroupLabelMetricsFor(each.known, each.dpi);
        EXPECT_EQ(metrics.width, each.width) << each.known << " " << each.dpi;
        EXPECT_EQ(metrics.points, each.points) << each.known << " " << each.dpi;
    }
}

TEST(DriveDialogSizeTest, TheDialogFollowsTheWindowsShapeAndStaysInsideIt) {
    const struct {
        int32_t windowWidth;
        int32_t windowHeight;
        int32_t width;
        int32_t height;
    } cases[] = {
        {800, 600, 400, 414},   // wide: half the width, two thirds of the height and 14
        {600, 800, 464, 450},   // narrow: three quarters and 14; three fifths less a sixteenth
        {1000, 1000, 500, 678}, // square counts as wide
        {300, 260, 240, 200},   // the least sizes
        {250, 230, 218, 198},   // within 31 pixels of the window: 32 less than it
        {200, 400, 168, 240},
    };
    for (const auto& each : cases) {
        int32_t width = 0;
        int32_t height = 0;
        emu::DriveDialogSize(each.windowWidth, each.windowHeight, width, height);
        EXPECT_EQ(width, each.width) << each.windowWidth << "x" << each.windowHeight;
        EXPECT_EQ(height, each.height) << each.windowWidth << "x" << each.windowHeight;
    }
}

} // namespace
