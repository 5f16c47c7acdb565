#include "common/platform/File.h"

#include "common/platform/HostPath.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace common::platform {

namespace {

int OpenFlags(FileMode mode) {
    switch (mode) {
    case FileMode::ReadWrite:
        return O_RDWR;
    case FileMode::ReadOnly:
        return O_RDONLY;
    case FileMode::CreateNew:
        return O_RDWR | O_CREAT | O_EXCL;
    case FileMode::CreateAlways:
        return O_RDWR | O_CREAT | O_TRUNC;
    }
    return O_RDONLY;
}

// Moves count bytes with read or write, a piece at a time, until done, at the end of the file or on an error.
template <typename Bytes, typename Call>
int64_t Transfer(int descriptor, Bytes* bytes, int64_t count, Call call) {
    constexpr int64_t kLargestPiece = 1 << 30;
    int64_t done = 0;
    while (done < count) {
        const ssize_t moved =
            call(descriptor, bytes + done, static_cast<size_t>(std::min(count - done, kLargestPiece)));
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            break;
        }
        done += moved;
    }
    return done;
}

} // namespace

File::~File() {
    Close();
}

bool File::OpenRegular(std::u16string_view path, FileMode mode) {
    Close();
    const std::string name = ToHostPath(path);
    if (name.empty() || name.find('\0') != std::string::npos) {
        return false;
    }
    // Opening a device can act on it (a tape rewinds), so what is there is looked at first.
    struct stat status {};
    if (::stat(name.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return false;
    }
    // Non-blocking, so that a FIFO put there after the look cannot hold the open.
    const int descriptor = ::open(name.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (descriptor < 0) {
        return false;
    }
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(descriptor);
        return false;
    }
    handle = descriptor;
    return true;
}

bool File::OpenRegularInside(std::u16string_view folder, const std::vector<std::u16string_view>& names) {
    Close();
    const std::string base = ToHostPath(folder);
    if (base.empty() || base.find('\0') != std::string::npos || names.empty()) {
        return false;
    }
    // One step at a time from the folder, none of them followed when it is a link; O_NONBLOCK keeps a pipe put in
    // a file's place from holding the open.
    int current = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    for (size_t step = 0; step < names.size() && current >= 0; ++step) {
        const std::string name = ToHostPath(names[step]);
        const bool oneStep = !name.empty() && name != "." && name != ".." &&
                             name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
        const int flags =
            O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (step + 1 == names.size() ? O_NOCTTY : O_DIRECTORY);
        const int next = oneStep ? ::openat(current, name.c_str(), flags) : -1;
        ::close(current);
        current = next;
    }
    struct stat status {};
    const int fileFlags = current >= 0 ? ::fcntl(current, F_GETFL) : -1;
    if (current < 0 || ::fstat(current, &status) != 0 || !S_ISREG(status.st_mode) || fileFlags < 0 ||
        ::fcntl(current, F_SETFL, fileFlags & ~O_NONBLOCK) != 0) {
        if (current >= 0) {
            ::close(current);
        }
        return false;
    }
    handle = current;
    return true;
}

void File::Close() {
    if (IsOpen()) {
        ::close(static_cast<int>(handle));
        handle = kNoHandle;
    }
}

int64_t File::Read(void* buffer, int64_t count) {
    return IsOpen() ? Transfer(static_cast<int>(handle), static_cast<char*>(buffer), count, ::read) : 0;
}

int64_t File::Write(const void* buffer, int64_t count) {
    return IsOpen() ? Transfer(static_cast<int>(handle), static_cast<const char*>(buffer), count, ::write) : 0;
}

bool File::Seek(int64_t position) {
    return IsOpen() && position >= 0 && ::lseek(static_cast<int>(handle), position, SEEK_SET) == position;
}

bool File::Flush() {
    return IsOpen() && ::fsync(static_cast<int>(handle)) == 0;
}

int64_t File::Tell() const {
    return IsOpen() ? ::lseek(static_cast<int>(handle), 0, SEEK_CUR) : -1;
}

int64_t File::Size() const {
    struct stat status {};
    return IsOpen() && ::fstat(static_cast<int>(handle), &status) == 0 ? status.st_size : -1;
}

FileIdentity File::Identity() const {
    struct stat status {};
    if (!IsOpen() || ::fstat(static_cast<int>(handle), &status) != 0) {
        return {};
    }
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

bool IsFolder(std::u16string_view path) {
    struct stat status {};
    return ::stat(ToHostPath(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace common::platform
