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

int64_t File::Tell() const {
    return IsOpen() ? ::lseek(static_cast<int>(handle), 0, SEEK_CUR) : -1;
}

int64_t File::Size() const {
    struct stat status {};
    return IsOpen() && ::fstat(static_cast<int>(handle), &status) == 0 ? status.st_size : -1;
}

bool IsFolder(std::u16string_view path) {
    struct stat status {};
    return ::stat(ToHostPath(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace common::platform
