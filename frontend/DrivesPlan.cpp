#include "frontend/DrivesPlan.h"

#include "common/TextTable.h"
#include "emu/core/DriveSetBase.h"
#include "frontend/DriveCommands.h"

#include <algorithm>
#include <string>

namespace emu {
namespace {

constexpr int32_t kGroupSpacer = 12;
constexpr int32_t kPairGap = 2;
constexpr int32_t kBetweenPairs = 10;
constexpr int32_t kDividerLine = 2;

struct Group {
    DriveKind kind;
    int32_t firstTextId;
    const char* label;
    IndicatorPictures pictures;
};
// In the order the menu and the panel show them.
constexpr Group kGroups[] = {
    {DriveKind::Cartridge, kCartridgeLabel1, "ROM:", IndicatorPictures::Cartridge},
    {DriveKind::Floppy, kFloppyDriveLabel1, "FDD:", IndicatorPictures::Floppy},
    {DriveKind::HardDisk, kHardDriveLabel1, "HDD:", IndicatorPictures::HardDisk},
    {DriveKind::CdRom, kCdDriveLabel1, "DVD:", IndicatorPictures::HardDisk},
};

int32_t IndexOf(const DriveSetBase& drives, const DriveSlot* slot) {
    const std::vector<DriveSlot*>& all = drives.AllDrives();
    const auto found = std::find(all.begin(), all.end(), slot);
    return found != all.end() ? static_cast<int32_t>(found - all.begin()) : -1;
}

DrivePanelPart Spacer(int32_t width) {
    DrivePanelPart part;
    part.width = width;
    return part;
}

} // namespace

common::WideString DriveMenuEntry::Label() const {
    return textId >= 0 ? common::GetText(textId) : caption;
}

DrivesPlan PlanDrives(const DriveSetBase* drives, bool withPanel) {
    DrivesPlan plan;
    if (drives == nullptr) {
        return plan;
    }
    const int32_t hardDisks = drives->Count(DriveKind::HardDisk);
    for (const Group& group : kGroups) {
        const int32_t count = drives->Count(group.kind);
        if (count == 0) {
            continue;
        }
        size_t labelPart = 0;
        if (withPanel) {
            plan.panel.push_back(Spacer(kGroupSpacer));
            labelPart = plan.panel.size();
            DrivePanelPart label;
            label.kind = DrivePanelPart::Kind::Label;
            label.text.Assign(group.label);
            plan.panel.push_back(label);
        }
        // A slot with a short label of its own names the group on the panel, and names its submenu and those after
        // it.
        common::NarrowString namePrefix;
        for (int32_t i = 0; i < count; ++i) {
            const DriveSlot* slot = drives->DriveAt(group.kind, i);
            DriveMenuEntry entry;
            entry.index = IndexOf(*drives, slot);
            entry.kind = group.kind;
            if (withPanel) {
                if (i > 0) {
                    plan.panel.push_back(Spacer(i % 2 != 0 ? kPairGap : kBetweenPairs));
                }
                DrivePanelPart indicator;
                indicator.kind = DrivePanelPart::Kind::Indicator;
                indicator.index = entry.index;
                indicator.pictures = group.pictures;
                plan.panel.push_back(indicator);
                if (group.kind == DriveKind::Cartridge && slot != nullptr && !slot->ShortLabel().IsEmpty()) {
                    plan.panel[labelPart].text = slot->ShortLabel();
                    namePrefix = slot->Name();
                }
            }
            if (!namePrefix.IsEmpty()) {
                entry.caption.Assign(namePrefix);
                entry.caption.Append(" ");
                entry.caption.Append(common::NarrowString(std::to_string(i + 1).c_str()));
            } else if (i < kDriveLabelsPerKind) {
                entry.textId = group.firstTextId + i;
            } else {
                entry.caption.Assign(common::NarrowString(("Drive " + std::to_string(entry.index + 1)).c_str()));
            }
            // Groups stand apart; four floppies without hard disks also split in pairs.
            entry.separatorBefore =
                (i == 0 && !plan.menu.empty()) || (group.kind == DriveKind::Floppy && i == 2 && hardDisks == 0);
            entry.folderItem = group.kind == DriveKind::HardDisk ||
                               (group.kind == DriveKind::Floppy && slot != nullptr && slot->hardDisk);
            plan.menu.push_back(std::move(entry));
        }
        if (withPanel) {
            plan.panel.push_back(Spacer(kGroupSpacer));
            DrivePanelPart divider;
            divider.kind = DrivePanelPart::Kind::Divider;
            divider.width = kDividerLine;
            plan.panel.push_back(divider);
        }
    }
    return plan;
}

GroupLabelMetrics GroupLabelMetricsFor(bool dpiKnown, int32_t dpi) {
    if (!dpiKnown || dpi < 111) {
        return {42, 10};
    }
    if (dpi <= 130) {
        return {44, 9};
    }
    return {47, 8};
}

void DriveDialogSize(int32_t windowWidth, int32_t windowHeight, int32_t& width, int32_t& height) {
    if (windowWidth < windowHeight) {
        width = std::max(windowWidth / 4 * 3 + 14, 200);
        const int32_t tall = 3 * windowHeight / 5;
        height = std::max(tall - tall / 16, 240);
    } else {
        width = std::max(windowWidth / 2, 240);
        height = std::max(windowHeight / 6 * 4 + 14, 200);
    }
    if (width >= windowWidth - 31) {
        width = windowWidth - 32;
    }
    if (height >= windowHeight - 31) {
        height = windowHeight - 32;
    }
}

} // namespace emu
