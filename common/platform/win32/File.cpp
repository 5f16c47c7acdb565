#include "common/platform/File.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace common::platform {

namespace {

std::wstring WindowsPath(std::u16string_view path) {
    return std::wstring(path.begin(), path.end());
}

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

constexpr int64_t kLargestTransfer = 1 << 30;

} // namespace

File::~File() {
    Close();
}

bool File::Open(std::u16string_view path, FileMode mode) {
    Close();
    const std::wstring name = WindowsPath(path);
    if (name.empty() || name.find(L'\0') != std::wstring::npos) {
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
    int64_t done = 0;
    while (IsOpen() && done < count) {
        DWORD moved = 0;
        const DWORD chunk = static_cast<DWORD>(std::min(count - done, kLargestTransfer));
        if (!::ReadFile(AsHandle(handle), static_cast<char*>(buffer) + done, chunk, &moved, nullptr) || moved == 0) {
            break;
        }
        done += moved;
    }
    return done;
}

int64_t File::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    while (IsOpen() && done < count) {
        DWORD moved = 0;
        const DWORD chunk = static_cast<DWORD>(std::min(count - done, kLargestTransfer));
        if (!::WriteFile(AsHandle(handle), static_cast<const char*>(buffer) + done, chunk, &moved, nullptr) ||
            moved == 0) {
            break;
        }
        done += moved;
    }
    return done;
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
    const DWORD attributes = ::GetFileAttributesW(WindowsPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace common::platform
