#pragma once

#include "emu/core/DriveFileStream.h"
#include "emu/core/DriveMemoryStream.h"
#include "emu/core/ForwardingImageStream.h"
#include "emu/core/VirtualDiskImage.h"

#include <memory>

namespace emu {

// The image stream of a drive slot: an image file, opened for reading and writing when the slot asks and the file
// allows it and for reading only otherwise, or a folder through the virtual disk image attached to the slot. The memory
// stream takes part in the slot's state but is filled by nothing yet.
class SlotImageStream : public ForwardingImageStream {
public:
    // The file stream backs the image until a folder is opened.
    SlotImageStream() : ForwardingImageStream(fileStream) {}
    ~SlotImageStream() override = default;

    // Refused while any of the three is open, and for a path that is neither an existing file nor, with a virtual
    // disk attached, a folder. Never creates a file. A file opens for writing too when the file allows it.
    bool Open(const common::String& path) override { return Open(path, true); }
    // As Open, but a file opens for writing only when writable is set (and the file allows it).
    bool Open(const common::String& path, bool writable);
    void Close() override;

    // Taken from the virtual disk when a folder opens: false when not all of the folder fitted. True for files.
    bool IsUsable() const { return usable; }

    DriveFileStream& ImageFile() { return fileStream; }
    DriveMemoryStream& ImageMemory() { return memoryStream; }
    VirtualDiskImage* FolderDisk() const { return folderDisk.get(); }
    // Gives the slot a virtual disk for folders; refused while the stream is open.
    bool AttachFolderDisk(std::unique_ptr<VirtualDiskImage> disk);
    // Deletes the virtual disk, closing it first.
    void DropFolderDisk();

private:
    DriveFileStream fileStream;
    DriveMemoryStream memoryStream;
    std::unique_ptr<VirtualDiskImage> folderDisk;
    bool usable = true;
};

} // namespace emu
