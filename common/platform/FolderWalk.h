// Folder walks that stay inside a folder: links are reported, never followed, and nothing is opened but folders,
// so nothing outside the folder is reached and nothing waits on a pipe or device. Files inside are opened with
// File::OpenRegularInside.
#pragma once

#include "common/platform/File.h"

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

} // namespace common::platform
