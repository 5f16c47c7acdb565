#include "common/platform/Folders.h"

#include "common/platform/HostPath.h"

#include <windows.h>

#include <shlobj.h>

namespace common::platform {

namespace {

std::u16string FromWide(const wchar_t* text) {
    return FromHostPath(HostPathString(text));
}

} // namespace

std::u16string ProgramFilePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return FromHostPath(path);
        }
        if (path.size() >= 32768) {
            return {};
        }
        path.resize(path.size() * 2);
    }
}

std::u16string ApplicationDataFolder() {
    wchar_t path[MAX_PATH] = {};
    // The common folder for every user first; the user's local and roaming folders when there is none.
    if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, reinterpret_cast<HANDLE>(-1), SHGFP_TYPE_CURRENT, path) ==
        S_OK) {
        return FromWide(path);
    }
    for (int folder : {CSIDL_LOCAL_APPDATA, CSIDL_APPDATA}) {
        path[0] = L'\0';
        if (SHGetSpecialFolderPathW(nullptr, path, folder, TRUE)) {
            return FromWide(path);
        }
    }
    return {};
}

bool PathExists(std::u16string_view path) {
    return !path.empty() && GetFileAttributesW(ToHostPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(std::u16string_view path) {
    return !path.empty() && CreateDirectoryW(ToHostPath(path).c_str(), nullptr) != FALSE;
}

bool RemoveFile(std::u16string_view path) {
    return !path.empty() && DeleteFileW(ToHostPath(path).c_str()) != FALSE;
}

bool RenameReplacing(std::u16string_view source, std::u16string_view target) {
    return !source.empty() && !target.empty() &&
           MoveFileExW(ToHostPath(source).c_str(), ToHostPath(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool ListFolder(std::u16string_view folder, std::u16string_view pattern,
                const std::function<void(std::u16string_view name, bool isFolder)>& found) {
    if (folder.empty()) {
        return false;
    }
    std::u16string search(folder);
    if (search.back() != u'\\' && search.back() != u'/') {
        search += u'\\';
    }
    search += pattern;
    WIN32_FIND_DATAW entry{};
    const HANDLE handle = FindFirstFileW(ToHostPath(search).c_str(), &entry);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        found(FromWide(entry.cFileName), (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(handle, &entry));
    FindClose(handle);
    return true;
}

} // namespace common::platform
