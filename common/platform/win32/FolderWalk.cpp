#include "common/platform/FolderWalk.h"

#include "common/platform/HostPath.h"
#include "common/platform/win32/LongPath.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>

namespace common::platform {

namespace {

constexpr int64_t kUnixEpochTicks = 116444736000000000; // 1970-01-01 in 100 ns ticks since 1601
constexpr int64_t kTicksPerSecond = 10000000;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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

} // namespace

bool ReadFolderEntries(std::u16string_view folder, bool followLink, std::vector<FolderEntry>& entries,
                       FileIdentity& identity) {
    entries.clear();
    const std::wstring path = ToHostPath(folder);
    if (path.empty() || path.find(L'\0') != std::wstring::npos) {
        return false;
    }
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const OwnedHandle directory =
        OpenHandle(LongHostPath(path), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kShareAll, flags);
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

} // namespace common::platform
