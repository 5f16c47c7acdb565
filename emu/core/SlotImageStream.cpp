#include "emu/core/SlotImageStream.h"

#include "common/Paths.h"

namespace emu {

bool SlotImageStream::Open(const common::String& path, bool writable) {
    if (fileStream.IsOpen() || memoryStream.IsOpen() || (folderDisk != nullptr && folderDisk->IsOpen())) {
        return false;
    }
    usable = true;
    if (common::FileExists(path)) {
        SetInner(fileStream);
        return writable ? fileStream.Open(path, false) : fileStream.OpenForReading(path);
    }
    if (folderDisk != nullptr && common::IsDirectory(path)) {
        SetInner(*folderDisk);
        if (!folderDisk->Open(path)) {
            return false;
        }
        usable = folderDisk->IsComplete();
        return true;
    }
    SetInner(fileStream);
    return false;
}

void SlotImageStream::Close() {
    fileStream.Close();
    memoryStream.Free();
    if (folderDisk != nullptr) {
        folderDisk->Close();
    }
}

bool SlotImageStream::AttachFolderDisk(std::unique_ptr<VirtualDiskImage> disk) {
    if (IsOpen()) {
        return false;
    }
    DropFolderDisk();
    folderDisk = std::move(disk);
    return true;
}

void SlotImageStream::DropFolderDisk() {
    if (folderDisk == nullptr) {
        return;
    }
    folderDisk->Close();
    SetInner(fileStream);
    folderDisk.reset();
}

} // namespace emu
