// Folder walks and file reads that stay inside a folder: links are reported, never followed, and only regular
// files are ever opened, so nothing outside the folder is reached and no open waits on a pipe or device.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace common::platform {

enum class EntryKind : uint8_t {
    File,
    Folder,
    Link, // a symbolic link, junction or other reparse point, whatever it points at
    Other // pipes, sockets, devices
};

// What tells one host file from another while both exist: the device and inode, or the volume serial number and
// file index.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FolderEntry {
    std::u16string name;
    EntryKind kind = EntryKind::Other;
    uint64_t size = 0;     // files only
    int64_t writeTime = 0; // last write, seconds since 1970-01-01 UTC
    FileIdentity identity;
};

// The entries of a folder, "." and ".." left out, in the order the host gives them. The folder itself is opened
// without following a link at its last step unless followLink is set (the folder a user chose may be one);
// identity receives the opened folder's. False when it cannot be listed.
bool ReadFolderEntries(std::u16string_view folder, bool followLink, std::vector<FolderEntry>& entries,
                       FileIdentity& identity);

// A UTC time as a DOS date (bits 16-31) and time (bits 0-15) in the host's local time; 0 when the host cannot
// convert it or the local time lies outside 1980-2107.
uint32_t LocalDosDateTime(int64_t utcSeconds);

// The DOS form of a broken-down time; 0 outside 1980-2107.
uint32_t DosDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second);

// A regular file opened for reading, reached from a folder through the given names, none of which may be a link.
class InsideFile {
public:
    InsideFile() = default;
    ~InsideFile();
    InsideFile(const InsideFile&) = delete;
    InsideFile& operator=(const InsideFile&) = delete;

    // Refused unless every step below folder is a real folder and the last a regular file. Never blocks.
    bool Open(std::u16string_view folder, const std::vector<std::u16string_view>& names);
    void Close();
    bool IsOpen() const { return handle != kNoHandle; }

    const FileIdentity& Identity() const { return identity; }
    int64_t Size() const; // -1 on failure
    // Reads count bytes at position; the result is the number read, short at the end or on a failure.
    int64_t ReadAt(void* buffer, int64_t position, int64_t count);

private:
    static constexpr intptr_t kNoHandle = -1;
    intptr_t handle = kNoHandle;
    FileIdentity identity;
};

} // namespace common::platform
