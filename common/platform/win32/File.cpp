#include "common/platform/File.h"

#include "common/platform/HostPath.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace common::platform {

namespace {

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// Moves count bytes with ReadFile or WriteFile, a piece at a time, until done, at the end or on an error.
template <typename Bytes, typename Call>
int64_t Transfer(HANDLE file, Bytes* bytes, int64_t count, Call call) {
    constexpr int64_t kLargestPiece = 1 << 30;
    int64_t done = 0;
    while (done < count) {
        DWORD moved = 0;
        const auto piece = static_cast<DWORD>(std::min(count - done, kLargestPiece));
        if (!call(file, bytes + done, piece, &moved, nullptr) || moved == 0) {
            break;
        }
        done += moved;
    }
    return done;
}

// Device paths are refused before anything opens them: "\\.\" names (pipes, volumes, raw disks) and the
// device-namespace forms of "\\?\" other than a drive letter or a UNC share; raw disks answer as disk files.
bool NamesADevice(const std::wstring& name) {
    const auto startsWith = [&](std::wstring_view prefix) { return name.compare(0, prefix.size(), prefix) == 0; };
    if (startsWith(L"\\\\.\\") || startsWith(L"//./")) {
        return true;
    }
    if (startsWith(L"\\\\?\\")) {
        const bool driveLetter = name.size() > 5 && name[5] == L':';
        return !driveLetter && !startsWith(L"\\\\?\\UNC\\");
    }
    return false;
}

} // namespace

File::~File() {
    Close();
}

bool File::OpenRegular(std::u16string_view path, FileMode mode) {
    Close();
    const std::wstring name = ToHostPath(path);
    if (name.empty() || name.find(L'\0') != std::wstring::npos || NamesADevice(name)) {
        return false;
    }
    const DWORD access = mode == FileMode::ReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const DWORD disposition = mode == FileMode::CreateNew      ? CREATE_NEW
                              : mode == FileMode::CreateAlways ? CREATE_ALWAYS
                                                               : OPEN_EXISTING;
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open.
    const HANDLE opened = ::CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Pipes and character devices (a console, a serial port) are not files.
    if (::GetFileType(opened) != FILE_TYPE_DISK) {
        ::CloseHandle(opened);
        return false;
    }
    handle = reinterpret_cast<intptr_t>(opened);
    return true;
}

void File::Close() {
    if (IsOpen()) {
        ::CloseHandle(AsHandle(handle));
        handle = kNoHandle;
    }
}

int64_t File::Read(void* buffer, int64_t count) {
    return IsOpen() ? Transfer(AsHandle(handle), static_cast<char*>(buffer), count, ::ReadFile) : 0;
}

int64_t File::Write(const void* buffer, int64_t count) {
    return IsOpen() ? Transfer(AsHandle(handle), static_cast<const char*>(buffer), count, ::WriteFile) : 0;
}

bool File::Seek(int64_t position) {
    LARGE_INTEGER distance{};
    distance.QuadPart = position;
    return IsOpen() && position >= 0 && ::SetFilePointerEx(AsHandle(handle), distance, nullptr, FILE_BEGIN);
}

int64_t File::Tell() const {
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    return IsOpen() && ::SetFilePointerEx(AsHandle(handle), zero, &position, FILE_CURRENT) ? position.QuadPart : -1;
}

int64_t File::Size() const {
    LARGE_INTEGER size{};
    return IsOpen() && ::GetFileSizeEx(AsHandle(handle), &size) ? size.QuadPart : -1;
}

bool IsFolder(std::u16string_view path) {
    const DWORD attributes = ::GetFileAttributesW(ToHostPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace common::platform
