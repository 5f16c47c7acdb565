#pragma once

#include "common/ProgramFolders.h"
#include "common/SettingsTree.h"
#include "emu/core/DriveSetBase.h"
#include "emu/core/TreeNode.h"

#include <memory>

namespace emu {

// The machine's drive set service "_DRIVES". It announces every change of a drive to the host callback the
// machine installs, clears the drives' activity when the machine starts, saves which image every drive holds in
// the machine's state and remounts those images when a state is loaded, and keeps the images and folders of the
// drives between runs in the model's drive settings file.
class DriveSet : public DriveSetBase, public TreeNode {
public:
    // Told of a change of slot (null for the drive lists), pending before and not pending after it.
    using HostCallback = bool (*)(void* context, DriveSlot* slot, bool pending);

    DriveSet() : TreeNode("_DRIVES") {}
    ~DriveSet() override = default;

    void SetHostCallback(HostCallback callback, void* context) {
        hostCallback = callback;
        hostContext = context;
    }
    void Notify(DriveSlot* slot, bool pending) override;

    // Clears the activity of every drive.
    bool Start(int32_t& rate) override;

    // "VER", then the chunk "_DRIVES": the number of drives, and per kind its count and, per drive, the image's
    // path, size, latch and read activity; a hard disk adds the "_HDD<n>" chunk with its streams' positions.
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Reads the whole chunk and checks the drive counts, the images and their sizes before any drive changes;
    // then remounts the images that differ, for reading only, and gives the folder disks the states read for them
    // once every one fits the image now mounted. A path on another host is refused without being looked at. A
    // failure is printed as a console error, or explained in note. The recent folders stay as they were.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    // What a drive holds: its image's path (empty for none), whether that was a read-only mount, and its latch.
    struct Mount {
        common::PathString path;
        bool readOnly = false;
        bool latched = false;
    };
    // Every drive's, in the order of all drives.
    std::vector<Mount> Mounts() const;
    // Gives every drive back what it held, its image opened as it was: after a refused state load, whose remounts
    // open every image for reading only. A drive that holds its image so already keeps it open.
    void RestoreMounts(const std::vector<Mount>& mounts);

    // The drive settings: the two recent folders, and per kind how many drives are remembered and each one's
    // latch and image path; with all, every remembered place is bound, else only those in use.
    std::unique_ptr<common::SettingsTree> BindSettings(bool all);
    // Remembers what every drive holds and writes the drive settings file; a read-only mount is not remembered, as
    // the next run would mount it writable.
    bool SaveDriveSettings(const common::String& path);
    // Forgets what was remembered, reads the drive settings file and remounts what it names. A file that is
    // missing or damaged leaves the drives as they are and the recent folders at the program's folder (that of
    // folders, the running program's by default).
    bool LoadDriveSettings(const common::String& path,
                           const common::ProgramFolders& folders = common::ProgramFolders::Host());

private:
    struct SavedStream;
    struct SavedDrive;
    struct StreamSizes;
    using SavedDrives = std::array<std::vector<SavedDrive>, kDriveKindCount>;

    bool SaveKind(common::RecordArchive& archive, DriveKind kind);
    bool ReadSavedDrives(common::RecordArchive& archive, common::NarrowString* note, SavedDrives& saved);
    bool ReadSavedDrive(common::RecordArchive& archive, DriveKind kind, int32_t number, common::NarrowString* note,
                        SavedDrive& drive);
    bool CheckSavedDrive(DriveKind kind, int32_t number, const SavedDrive& drive, common::NarrowString* note) const;
    bool RemountSavedDrive(DriveKind kind, int32_t number, const SavedDrive& drive, common::NarrowString* note);
    static StreamSizes SizesOf(DriveSlot& slot);
    // Whether the drive's streams have the sizes the state holds (printed or noted when not), and its positions
    // lie within them.
    bool SizesMatch(DriveKind kind, int32_t number, const SavedDrive& drive, const StreamSizes& sizes,
                    common::NarrowString* note) const;
    static bool StreamFits(const SavedStream& saved, int64_t size, const char* changedText, common::NarrowString* note);
    static bool RestorePosition(common::ByteStream& stream, const SavedStream& saved);
    // Checks the folder disks' states read with the drives against the images mounted now and applies them all,
    // or (remounted false, or one does not fit) drops them all.
    bool SettleFolderDiskStates(bool remounted, common::NarrowString* note);
    void DropFolderDiskStates();
    // Each remembered drive of each kind gets its remembered image and latch.
    void RemountRemembered();

    HostCallback hostCallback = nullptr;
    void* hostContext = nullptr;
};

} // namespace emu
