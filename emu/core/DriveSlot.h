#pragma once

#include "common/NarrowString.h"
#include "common/PathString.h"
#include "common/StringList.h"
#include "emu/core/SlotImageStream.h"

#include <atomic>
#include <cstdint>

namespace emu {

class DriveSetBase;

// One drive of the machine's drive set: the image mounted in it, the file types it takes, its names in the
// menus, and the media flags that the slot, the drive devices and the front end exchange. Devices touch the image
// only through the slot's image stream. Every change of the medium is announced through the owning drive set,
// before (pending) and after it.
class DriveSlot {
public:
    explicit DriveSlot(DriveSetBase& owner);
    // Ejects, marks the slot detached and changed, and announces it.
    virtual ~DriveSlot();
    DriveSlot(const DriveSlot&) = delete;
    DriveSlot& operator=(const DriveSlot&) = delete;

    // Mounts an image file, or a folder through the image stream's virtual disk. The folder of the path is
    // remembered by the owner even when the slot is occupied (an eject must come first) or the open fails. An image
    // file opens for writing only when writable is set and the file allows it; without writable it is a read-only
    // mount.
    bool OpenImage(const common::String& path, bool writable = true);
    // Closes the image; latched stays as it is. Nothing happens on an empty slot.
    void EjectImage();
    void SetLatch(bool on);
    // For callers that change the slot's flags themselves: they call it pending before and not pending after
    // the change, which marks the slot changed.
    void NotifyOwner(bool pending);

    // A null name clears the name; a null label takes the (new) name.
    void SetNames(const char* newName, const char* newShortLabel);
    // An empty extension is ignored; an empty description stands for the extension.
    void AddFileType(const common::String& extension, const common::String& description);
    // The extension at index and its description (the extension when it has none); false past the last one.
    bool GetFileType(int32_t index, common::String& extension, common::String& description) const;
    const common::PathString& GetLastImageFolder() const;
    const common::PathString& GetLastMountFolder() const;

    DriveSetBase& Owner() const { return *owner; }
    SlotImageStream& Image() { return image; }
    const SlotImageStream& Image() const { return image; }
    // The path the image was opened with; empty when nothing is mounted.
    const common::PathString& ImagePath() const { return imagePath; }
    // The image was opened for reading only at the caller's asking (as every image a state brings in): it is never
    // written, and the drive settings do not remember it.
    bool IsReadOnlyMount() const { return readOnlyMount; }
    const common::NarrowString& Name() const { return name; }
    const common::NarrowString& ShortLabel() const { return shortLabel; }
    int32_t FileTypeCount() const { return extensions.Count(); }

    // The drive is closed on the medium.
    bool latched = false;
    // Set by devices on every access; the front end clears it once it has lit the drive's indicator.
    std::atomic<bool> accessBlink{false};
    // The drive device accepted the medium after the last change.
    bool mediaReady = false;
    // The image stream's usable flag at the last open.
    bool imageUsable = true;
    // The drive device has processed the last change.
    bool changeSeen = false;
    // A device wrote to the image since it was opened.
    bool written = false;
    bool writeActivity = false;
    bool readActivity = false;
    // Devices must not write the image.
    bool writeLocked = false;
    // A device has told the user why it refuses the medium or a write to it; cleared when the medium changes, so
    // that it is told once per mount.
    bool refusalReported = false;
    // The medium changed and the drive device has not processed it yet.
    bool changed = false;
    // The slot is going away; devices must drop it.
    bool detached = false;
    bool hardDisk = false;
    // The front end's own: its indicator control for this drive and the drive's number in its panels.
    void* indicator = nullptr;
    int32_t indicatorNumber = 0;

private:
    // Forgets what belonged to the previous medium.
    void ClearMediumFlags();

    DriveSetBase* owner;
    SlotImageStream image;
    common::PathString imagePath;
    bool readOnlyMount = false;
    common::StringList extensions;
    common::StringList descriptions;
    common::NarrowString name;
    common::NarrowString shortLabel;
};

} // namespace emu
