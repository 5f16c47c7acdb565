#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace common::platform {

enum class FileMode {
    ReadWrite,    // an existing file, for reading and writing
    ReadOnly,     // an existing file, for reading
    CreateNew,    // a new empty file for reading and writing; fails when anything exists at the path
    CreateAlways, // an empty file for reading and writing, replacing a file that exists
};

// What tells one host file from another while both exist: the device and inode, or the volume serial number and
// file index.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// One open host file, named by a UTF-16 path. Only regular files are opened: paths from state, settings and
// drive files name whatever the user (or a crafted file) wrote, and a FIFO, device or folder there would block the
// emulation thread or stand in for a disk.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Refuses anything that is not a regular file (folders, FIFOs, sockets, devices) and never waits on the path:
    // nothing but a regular file is ever opened.
    bool OpenRegular(std::u16string_view path, FileMode mode);
    // Opens for reading the regular file reached from folder through names: a folder at every step, the file at
    // the last. Refused when any step is a link (symbolic link, junction or other reparse point), "." or "..",
    // empty or holds a separator, so nothing outside the folder is reached. Never waits on the path.
    bool OpenRegularInside(std::u16string_view folder, const std::vector<std::u16string_view>& names);
    void Close();
    bool IsOpen() const { return handle != kNoHandle; }

    // The number of bytes moved; short at the end of the file or on a failure.
    int64_t Read(void* buffer, int64_t count);
    int64_t Write(const void* buffer, int64_t count);
    // Positions past the end are allowed; writing there fills the gap with zeros.
    bool Seek(int64_t position);
    // Hands what was written to the disk itself; false on a failure or when closed.
    bool Flush();
    int64_t Tell() const; // -1 on failure
    int64_t Size() const; // -1 on failure
    // All 0 when no file is open or the host does not tell.
    FileIdentity Identity() const;

private:
    static constexpr intptr_t kNoHandle = -1; // neither a descriptor nor a Windows handle
    intptr_t handle = kNoHandle;
};

// Whether the path names an existing folder.
bool IsFolder(std::u16string_view path);

} // namespace common::platform
