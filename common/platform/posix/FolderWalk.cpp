#include "common/platform/FolderWalk.h"

#include "common/platform/HostPath.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace common::platform {

namespace {

EntryKind KindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return EntryKind::File;
    }
    if (S_ISDIR(mode)) {
        return EntryKind::Folder;
    }
    return S_ISLNK(mode) ? EntryKind::Link : EntryKind::Other;
}

FileIdentity IdentityOf(const struct stat& status) {
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

class Descriptor {
public:
    explicit Descriptor(int value = -1) : value(value) {}
    ~Descriptor() {
        if (value >= 0) {
            ::close(value);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return value; }
    int Release() {
        const int released = value;
        value = -1;
        return released;
    }

private:
    int value;
};

} // namespace

bool ReadFolderEntries(std::u16string_view folder, bool followLink, std::vector<FolderEntry>& entries,
                       FileIdentity& identity) {
    entries.clear();
    const std::string path = ToHostPath(folder);
    if (path.empty() || path.find('\0') != std::string::npos) {
        return false;
    }
    Descriptor opened(
        ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW)));
    struct stat status {};
    if (opened.Get() < 0 || ::fstat(opened.Get(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return false;
    }
    identity = IdentityOf(status);
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(::fdopendir(opened.Get()), ::closedir);
    if (!directory) {
        return false;
    }
    opened.Release();
    errno = 0;
    while (const dirent* found = ::readdir(directory.get())) {
        const std::string name = found->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        FolderEntry entry;
        entry.name = FromHostPath(name);
        struct stat entryStatus {};
        if (::fstatat(::dirfd(directory.get()), found->d_name, &entryStatus, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.kind = KindOf(entryStatus.st_mode);
            entry.size = entry.kind == EntryKind::File ? static_cast<uint64_t>(entryStatus.st_size) : 0;
            entry.writeTime = static_cast<int64_t>(entryStatus.st_mtime);
            entry.identity = IdentityOf(entryStatus);
        }
        entries.push_back(std::move(entry));
        errno = 0;
    }
    return errno == 0;
}

uint32_t LocalDosDateTime(int64_t utcSeconds) {
    const auto time = static_cast<time_t>(utcSeconds);
    struct tm local {};
    if (static_cast<int64_t>(time) != utcSeconds || ::localtime_r(&time, &local) == nullptr) {
        return 0;
    }
    return DosDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                       local.tm_sec);
}

} // namespace common::platform
