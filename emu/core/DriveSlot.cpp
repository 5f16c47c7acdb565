#include "emu/core/DriveSlot.h"

#include "common/Paths.h"
#include "emu/core/DriveSetBase.h"

namespace emu {

DriveSlot::DriveSlot(DriveSetBase& owner) : owner(&owner) {}

DriveSlot::~DriveSlot() {
    owner->Notify(this, true);
    EjectImage();
    detached = true;
    image.DropFolderDisk();
    changed = true;
    owner->Notify(this, false);
}

bool DriveSlot::OpenImage(const common::String& path, bool writable) {
    if (!path.IsEmpty()) {
        if (common::IsDirectory(path)) {
            owner->SetLastMountFolder(path);
        } else {
            // The folder keeps its separator; a bare name is kept whole.
            int cut = path.ReverseFindWide(u'/');
            if (cut < 0) {
                cut = path.ReverseFindWide(u'\\');
            }
            common::PathString folder;
            folder.Assign(path);
            if (cut >= 0) {
                folder.Erase(cut + 1, folder.Length());
            }
            owner->SetLastImageFolder(folder);
        }
    }
    if (image.IsOpen()) {
        return false;
    }
    imageUsable = true;
    if (!image.Open(path, writable)) {
        return false;
    }
    imageUsable = image.IsUsable();
    imagePath.Assign(path);
    readOnlyMount = !writable;
    ClearMediumFlags();
    latched = true;
    changed = true;
    owner->Notify(this, false);
    return true;
}

void DriveSlot::EjectImage() {
    if (!image.IsOpen()) {
        return;
    }
    owner->Notify(this, true);
    image.Close();
    imagePath.Clear();
    readOnlyMount = false;
    ClearMediumFlags();
    changed = true;
    owner->Notify(this, false);
}

void DriveSlot::SetLatch(bool on) {
    if (latched == on) {
        return;
    }
    owner->Notify(this, true);
    latched = on;
    changed = true;
    owner->Notify(this, false);
}

void DriveSlot::NotifyOwner(bool pending) {
    if (!pending) {
        changed = true;
    }
    owner->Notify(this, pending);
}

void DriveSlot::SetNames(const char* newName, const char* newShortLabel) {
    name.Assign(newName);
    shortLabel.Assign(newShortLabel != nullptr ? newShortLabel : name.GetNarrow());
}

void DriveSlot::AddFileType(const common::String& extension, const common::String& description) {
    if (extension.IsEmpty()) {
        return;
    }
    extensions.Add(extension);
    descriptions.Add(description.IsEmpty() ? extension : description);
}

bool DriveSlot::GetFileType(int32_t index, common::String& extension, common::String& description) const {
    if (index < 0 || index >= extensions.Count()) {
        return false;
    }
    extension.Assign(*extensions.At(index));
    description.Assign(*descriptions.At(index));
    return true;
}

const common::PathString& DriveSlot::GetLastImageFolder() const {
    return owner->LastImageFolder();
}

const common::PathString& DriveSlot::GetLastMountFolder() const {
    return owner->LastMountFolder();
}

void DriveSlot::ClearMediumFlags() {
    readActivity = false;
    writeActivity = false;
    written = false;
    changeSeen = false;
    mediaReady = false;
    accessBlink = false;
    refusalReported = false;
}

} // namespace emu
