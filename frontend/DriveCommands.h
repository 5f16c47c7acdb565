// What the drive commands do to the machine, apart from any window: the file types a drive's dialog offers, the
// label of a drive by its index, and the mounts, ejects and latches, each taken with the emulation thread parked
// under the core lock (a drive must not read a stream being closed under it).
#pragma once

#include "common/PathString.h"
#include "common/WideString.h"

#include <cstdint>
#include <vector>

namespace emu {

class DriveSlot;
class EmulatorCore;

// The core's drive counts by kind, as GetDriveInfo gives them.
struct DriveCounts {
    int32_t floppies = 0;
    int32_t hardDisks = 0;
    int32_t cartridges = 0;
    int32_t cdRoms = 0;
    int32_t total = 0;

    static DriveCounts Of(EmulatorCore& core);
};

// One entry of a file dialog's filter: an extension without dot ("*" for every file) and its description.
struct FileFilter {
    common::WideString extension;
    common::WideString description;
};

// The drive's own file types, then every file ("All Files"); only every file without a slot.
std::vector<FileFilter> DriveFileFilters(const DriveSlot* slot);

// The text ids of each kind's first drive label ("Cartridge 1", "Floppy Drive 1", "Hard Drive 1", "CD/DVD Drive 1");
// the next ids label the kind's next drives, up to the fourth.
enum DriveLabelId : int32_t {
    kCartridgeLabel1 = 45,
    kFloppyDriveLabel1 = 50,
    kHardDriveLabel1 = 55,
    kCdDriveLabel1 = 60,
};
inline constexpr int32_t kDriveLabelsPerKind = 4;

// The text id of a drive's own label by its place among all drives (floppies first, then hard disks, then the
// cartridges or CD-ROM drives): "Floppy Drive n", "Hard Drive n", "Cartridge n", "CD/DVD Drive n"; -1 past the
// last drive or past the fourth of a kind.
int32_t DriveLabelTextId(int32_t index, const DriveCounts& counts);

// The index of the drive whose indicator is the control; -1 when no drive shows it.
int32_t DriveIndexOfIndicator(EmulatorCore& core, const void* indicator);

// Inverts the drive's latch. False when there is no such drive or the thread did not park (nothing changed).
bool ToggleDriveLatch(EmulatorCore& core, int32_t index);
// Ejects the drive's image and opens its latch. False as for ToggleDriveLatch.
bool UnloadDrive(EmulatorCore& core, int32_t index);
// Ejects the drive's image and mounts the path: a file (folder false) that exists, or a folder (folder true). False,
// nothing ejected, when the path fails that check, there is no such drive or the thread did not park; true once
// the old image is out, even when the new one does not open (the drive then stays empty).
bool MountDriveImage(EmulatorCore& core, int32_t index, const common::PathString& path, bool folder);

// Pauses a running machine for the life of a dialog and resumes it afterwards, unless it was paused already.
class DialogPause {
public:
    explicit DialogPause(EmulatorCore* core);
    ~DialogPause();
    DialogPause(const DialogPause&) = delete;
    DialogPause& operator=(const DialogPause&) = delete;

private:
    EmulatorCore* core;
    bool paused = false;
};

} // namespace emu
