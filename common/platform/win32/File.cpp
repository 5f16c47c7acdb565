#include "common/platform/File.h"

#include "common/SafeFileName.h"
#include "common/platform/HostPath.h"
#include "common/platform/win32/LongPath.h"

#include <windows.h>

#include <algorithm>
#include <memory>
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

struct HandleCloser {
    void operator()(void* opened) const { ::CloseHandle(opened); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// A name that is one step: not empty, no separator, drive colon or NUL, not "." or "..".
bool IsOneStep(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." && name.find_first_of(u"\\/:") == std::u16string_view::npos &&
           name.find(u'\0') == std::u16string_view::npos;
}

} // namespace

File::~File() {
    Close();
}

bool File::OpenRegular(std::u16string_view path, FileMode mode) {
    Close();
    const std::wstring name = ToHostPath(path);
    // What the path's form says is a device is never opened: opening one can act on it, and a raw disk answers as a
    // disk file.
    if (name.empty() || name.find(L'\0') != std::wstring::npos || IsDevicePath(path)) {
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

bool File::OpenRegularInside(std::u16string_view folder, const std::vector<std::u16string_view>& names) {
    Close();
    const std::wstring base = ToHostPath(folder);
    if (base.empty() || base.find(L'\0') != std::wstring::npos || names.empty() || IsDevicePath(folder)) {
        return false;
    }
    // Each folder on the way is held open without delete sharing, so none can be swapped for a link until the file
    // is open.
    std::wstring path = LongHostPath(base);
    std::vector<OwnedHandle> held;
    for (size_t step = 0; step < names.size(); ++step) {
        if (!IsOneStep(names[step])) {
            return false;
        }
        if (path.back() != L'\\') {
            path.push_back(L'\\');
        }
        path += ToHostPath(names[step]);
        const bool last = step + 1 == names.size();
        const DWORD access = last ? GENERIC_READ : FILE_READ_ATTRIBUTES;
        const DWORD share =
            last ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ | FILE_SHARE_WRITE;
        const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (last ? 0 : FILE_FLAG_BACKUP_SEMANTICS);
        HANDLE opened = ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
        OwnedHandle owned(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
        BY_HANDLE_FILE_INFORMATION information{};
        if (!owned || !::GetFileInformationByHandle(owned.get(), &information) ||
            (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == last ||
            (last && ::GetFileType(owned.get()) != FILE_TYPE_DISK)) {
            return false;
        }
        if (last) {
            handle = reinterpret_cast<intptr_t>(owned.release());
        } else {
            held.push_back(std::move(owned));
        }
    }
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

bool File::Flush() {
    return IsOpen() && ::FlushFileBuffers(AsHandle(handle)) != 0;
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

FileIdentity File::Identity() const {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!IsOpen() || !::GetFileInformationByHandle(AsHandle(handle), &information)) {
        return {};
    }
    return {information.dwVolumeSerialNumber,
            static_cast<uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
}

bool IsFolder(std::u16string_view path) {
    if (IsDevicePath(path)) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(ToHostPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace common::platform
