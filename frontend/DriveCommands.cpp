#include "frontend/DriveCommands.h"

#include "app/EmulatorCore.h"
#include "common/Paths.h"
#include "common/TextTable.h"
#include "emu/core/DriveSlot.h"

namespace emu {
namespace {

constexpr int32_t kAllFiles = 10000;

void SetLatch(DriveSlot& slot, bool on) {
    slot.NotifyOwner(true);
    slot.latched = on;
    slot.NotifyOwner(false);
}

// The work on the drive, parked; false when the drive is gone or the thread did not park.
template <typename Work>
bool OnDrive(EmulatorCore& core, int32_t index, Work work) {
    bool found = false;
    const bool parked = core.RunParked([&] {
        if (DriveSlot* slot = core.GetDrive(index)) {
            found = true;
            work(*slot);
        }
    });
    return parked && found;
}

} // namespace

DriveCounts DriveCounts::Of(EmulatorCore& core) {
    DriveCounts counts;
    counts.total = core.GetDriveInfo(counts.floppies, counts.hardDisks, counts.cartridges, counts.cdRoms);
    return counts;
}

std::vector<FileFilter> DriveFileFilters(const DriveSlot* slot) {
    std::vector<FileFilter> filters;
    for (int32_t i = 0; slot != nullptr && i < slot->FileTypeCount(); ++i) {
        FileFilter filter;
        if (slot->GetFileType(i, filter.extension, filter.description)) {
            filters.push_back(std::move(filter));
        }
    }
    filters.push_back({common::WideString("*"), common::GetText(kAllFiles, u"All Files")});
    return filters;
}

int32_t DriveLabelTextId(int32_t index, const DriveCounts& counts) {
    const auto within = [](int32_t place, int32_t count, int32_t first) {
        return place < count && place < kDriveLabelsPerKind ? first + place : -1;
    };
    if (index < 0 || index >= counts.total) {
        return -1;
    }
    if (index < counts.floppies) {
        return within(index, counts.floppies, kFloppyDriveLabel1);
    }
    index -= counts.floppies;
    if (index < counts.hardDisks) {
        return within(index, counts.hardDisks, kHardDriveLabel1);
    }
    index -= counts.hardDisks;
    return counts.cartridges != 0 ? within(index, counts.cartridges, kCartridgeLabel1)
                                  : within(index, counts.cdRoms, kCdDriveLabel1);
}

int32_t DriveIndexOfIndicator(EmulatorCore& core, const void* indicator) {
    if (indicator == nullptr) {
        return -1;
    }
    const DriveCounts counts = DriveCounts::Of(core);
    for (int32_t i = 0; i < counts.total; ++i) {
        const DriveSlot* slot = core.GetDrive(i);
        if (slot != nullptr && slot->indicator == indicator) {
            return i;
        }
    }
    return -1;
}

bool ToggleDriveLatch(EmulatorCore& core, int32_t index) {
    return OnDrive(core, index, [](DriveSlot& slot) { SetLatch(slot, !slot.latched); });
}

bool UnloadDrive(EmulatorCore& core, int32_t index) {
    return OnDrive(core, index, [](DriveSlot& slot) {
        slot.EjectImage();
        if (slot.latched) {
            SetLatch(slot, false);
        }
    });
}

bool MountDriveImage(EmulatorCore& core, int32_t index, const common::PathString& path, bool folder) {
    if (path.IsEmpty() || (folder ? !common::IsDirectory(path) : !common::FileExists(path))) {
        return false;
    }
    return OnDrive(core, index, [&](DriveSlot& slot) {
        slot.EjectImage();
        slot.OpenImage(path);
    });
}

DialogPause::DialogPause(EmulatorCore* core) : core(core) {
    if (core != nullptr && core->IsPowered() && !core->IsBreakPending()) {
        core->Pause(false);
        paused = true;
    }
}

DialogPause::~DialogPause() {
    if (paused && core->IsPowered() && core->IsBreakPending()) {
        core->Resume();
    }
}

} // namespace emu
