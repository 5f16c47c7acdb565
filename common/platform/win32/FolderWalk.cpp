#include "common/platform/FolderWalk.h"

#include "common/platform/HostPath.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace common::platform {

namespace {

constexpr int64_t kUnixEpochTicks = 116444736000000000; // 1970-01-01 in 100 ns ticks since 1601
constexpr int64_t kTicksPerSecond = 10000000;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

struct HandleCloser {
    void operator()(void* handle) const { ::CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

OwnedHandle OpenHandle(const std::wstring& path, DWORD access, DWORD share, DWORD flags) {
    HANDLE handle = ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    return OwnedHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& information) {
    return {information.dwVolumeSerialNumber,
            static_cast<uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
}

int64_t SecondsOf(int64_t ticks) {
    const int64_t since = ticks - kUnixEpochTicks;
    return since >= 0 ? since / kTicksPerSecond : -((-since + kTicksPerSecond - 1) / kTicksPerSecond);
}

EntryKind KindOf(DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return EntryKind::Link;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return EntryKind::Folder;
    }
    return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? EntryKind::Other : EntryKind::File;
}

// A name that is one step: not empty, no separator, drive colon or NUL, not "." or "..".
bool IsOneStep(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." && name.find_first_of(u"\\/:") == std::u16string_view::npos &&
           name.find(u'\0') == std::u16string_view::npos;
}

} // namespace

bool ReadFolderEntries(std::u16string_view folder, bool followLink, std::vector<FolderEntry>& entries,
                       FileIdentity& identity) {
    entries.clear();
    const std::wstring path = ToHostPath(folder);
    if (path.empty() || path.find(L'\0') != std::wstring::npos) {
        return false;
    }
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const OwnedHandle directory = OpenHandle(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kShareAll, flags);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!directory || !::GetFileInformationByHandle(directory.get(), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (!followLink && (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)) {
        return false;
    }
    identity = IdentityOf(information);
    // Records are DWORD aligned; the buffer is kept as DWORDs for that.
    std::vector<DWORD> buffer(16384);
    for (;;) {
        if (!::GetFileInformationByHandleEx(directory.get(), FileIdBothDirectoryInfo, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(DWORD)))) {
            return ::GetLastError() == ERROR_NO_MORE_FILES;
        }
        const auto* bytes = reinterpret_cast<const std::byte*>(buffer.data());
        for (size_t offset = 0;;) {
            const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + offset);
            const std::u16string name(reinterpret_cast<const char16_t*>(record->FileName),
                                      record->FileNameLength / sizeof(WCHAR));
            if (name != u"." && name != u"..") {
                FolderEntry entry;
                entry.name = name;
                entry.kind = KindOf(record->FileAttributes);
                entry.size = entry.kind == EntryKind::File ? static_cast<uint64_t>(record->EndOfFile.QuadPart) : 0;
                entry.writeTime = SecondsOf(record->LastWriteTime.QuadPart);
                entry.identity = {information.dwVolumeSerialNumber, static_cast<uint64_t>(record->FileId.QuadPart)};
                entries.push_back(std::move(entry));
            }
            if (record->NextEntryOffset == 0) {
                break;
            }
            offset += record->NextEntryOffset;
        }
    }
}

uint32_t LocalDosDateTime(int64_t utcSeconds) {
    constexpr int64_t kLargestSeconds = (INT64_MAX - kUnixEpochTicks) / kTicksPerSecond;
    if (utcSeconds < -kUnixEpochTicks / kTicksPerSecond || utcSeconds > kLargestSeconds) {
        return 0;
    }
    const auto ticks = static_cast<uint64_t>(utcSeconds * kTicksPerSecond + kUnixEpochTicks);
    const FILETIME fileTime{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!::FileTimeToSystemTime(&fileTime, &utc) || !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return 0;
    }
    return DosDateTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
}

InsideFile::~InsideFile() {
    Close();
}

bool InsideFile::Open(std::u16string_view folder, const std::vector<std::u16string_view>& names) {
    Close();
    std::wstring path = ToHostPath(folder);
    if (path.empty() || path.find(L'\0') != std::wstring::npos || names.empty()) {
        return false;
    }
    // Each folder on the way is held open, without delete sharing, so none can be swapped for a link until the
    // file is open.
    std::vector<OwnedHandle> held;
    for (size_t step = 0; step < names.size(); ++step) {
        if (!IsOneStep(names[step])) {
            return false;
        }
        if (path.back() != L'\\' && path.back() != L'/') {
            path.push_back(L'\\');
        }
        path += ToHostPath(names[step]);
        const bool last = step + 1 == names.size();
        OwnedHandle opened = last ? OpenHandle(path, GENERIC_READ, kShareAll, FILE_FLAG_OPEN_REPARSE_POINT)
                                  : OpenHandle(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
        BY_HANDLE_FILE_INFORMATION information{};
        if (!opened || !::GetFileInformationByHandle(opened.get(), &information) ||
            (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == last) {
            return false;
        }
        if (last) {
            if (::GetFileType(opened.get()) != FILE_TYPE_DISK) {
                return false;
            }
            identity = IdentityOf(information);
            handle = reinterpret_cast<intptr_t>(opened.release());
        } else {
            held.push_back(std::move(opened));
        }
    }
    return true;
}

void InsideFile::Close() {
    if (IsOpen()) {
        ::CloseHandle(AsHandle(handle));
        handle = kNoHandle;
    }
    identity = {};
}

int64_t InsideFile::Size() const {
    LARGE_INTEGER size{};
    return IsOpen() && ::GetFileSizeEx(AsHandle(handle), &size) ? size.QuadPart : -1;
}

int64_t InsideFile::ReadAt(void* buffer, int64_t position, int64_t count) {
    if (!IsOpen() || position < 0 || count <= 0) {
        return 0;
    }
    constexpr int64_t kLargestPiece = 1 << 30;
    int64_t done = 0;
    while (done < count) {
        OVERLAPPED at{};
        const auto offset = static_cast<uint64_t>(position + done);
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD moved = 0;
        const auto piece = static_cast<DWORD>(std::min(count - done, kLargestPiece));
        if (!::ReadFile(AsHandle(handle), static_cast<char*>(buffer) + done, piece, &moved, &at) || moved == 0) {
            break;
        }
        done += moved;
    }
    return done;
}

} // namespace common::platform
