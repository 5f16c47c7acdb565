#include "common/platform/Folders.h"

#include "common/platform/HostPath.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace common::platform {

std::u16string ProgramFilePath() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size()) {
        return {};
    }
    path.resize(static_cast<size_t>(length));
    return FromHostPath(path);
}

std::u16string ApplicationDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        return FromHostPath(dataHome);
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return FromHostPath(std::string(home) + "/.local/share");
    }
    return {};
}

bool PathExists(std::u16string_view path) {
    struct stat status {};
    return !path.empty() && lstat(ToHostPath(path).c_str(), &status) == 0;
}

bool MakeFolder(std::u16string_view path) {
    return !path.empty() && mkdir(ToHostPath(path).c_str(), 0777) == 0;
}

bool RemoveFile(std::u16string_view path) {
    return !path.empty() && unlink(ToHostPath(path).c_str()) == 0;
}

bool RenameReplacing(std::u16string_view source, std::u16string_view target) {
    return !source.empty() && !target.empty() &&
           std::rename(ToHostPath(source).c_str(), ToHostPath(target).c_str()) == 0;
}

bool ListFolder(std::u16string_view folder, std::u16string_view pattern,
                const std::function<void(std::u16string_view name, bool isFolder)>& found) {
    if (folder.empty()) {
        return false;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(ToHostPath(folder).c_str()), closedir);
    if (!directory) {
        return false;
    }
    // Letters match in either case, as the Windows folder search does.
    const std::string hostPattern = ToHostPath(pattern);
    bool any = false;
    while (const dirent* entry = readdir(directory.get())) {
        if (fnmatch(hostPattern.c_str(), entry->d_name, FNM_CASEFOLD) != 0) {
            continue;
        }
        struct stat status {};
        const bool isFolder =
            fstatat(dirfd(directory.get()), entry->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
        found(FromHostPath(entry->d_name), isFolder);
        any = true;
    }
    return any;
}

} // namespace common::platform
