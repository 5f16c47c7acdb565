#include "common/FileStream.h"

#include <algorithm>
#include <array>

namespace common {

bool FileStream::OpenAs(const String& filePath, platform::FileMode mode) {
    if (!file.OpenRegular(filePath.GetWide(), mode)) {
        return false;
    }
    if (file.Size() < 0 || !file.Seek(0)) {
        Close();
        return false;
    }
    canRead = true;
    canWrite = mode != platform::FileMode::ReadOnly;
    path.Assign(filePath);
    return true;
}

bool FileStream::Open(const String& filePath, bool createIfMissing) {
    if (IsOpen() || filePath.IsEmpty()) {
        return false;
    }
    // Creating is exclusive, so a file that exists but cannot be opened is never truncated.
    return OpenAs(filePath, platform::FileMode::ReadWrite) || OpenAs(filePath, platform::FileMode::ReadOnly) ||
           (createIfMissing && OpenAs(filePath, platform::FileMode::CreateNew));
}

bool FileStream::OpenForReading(const String& filePath) {
    return !IsOpen() && !filePath.IsEmpty() && OpenAs(filePath, platform::FileMode::ReadOnly);
}

bool FileStream::Create(const String& filePath, bool overwrite) {
    if (IsOpen() || filePath.IsEmpty()) {
        return false;
    }
    return OpenAs(filePath, overwrite ? platform::FileMode::CreateAlways : platform::FileMode::CreateNew);
}

bool FileStream::Flush() {
    return canWrite && file.Flush();
}

void FileStream::Close() {
    file.Close();
    canRead = canWrite = false;
}

int64_t FileStream::Size() const {
    return std::max<int64_t>(file.Size(), 0);
}

bool FileStream::Resize(int64_t newSize) {
    int64_t size = Size();
    if (newSize == size) {
        return true;
    }
    if (newSize < size || !file.Seek(size)) {
        return false;
    }
    static constexpr std::array<uint8_t, 4096> zeros{};
    while (size < newSize) {
        const int64_t chunk = std::min<int64_t>(newSize - size, zeros.size());
        if (file.Write(zeros.data(), chunk) != chunk) {
            break;
        }
        size += chunk;
    }
    size = Size();
    file.Seek(size);
    return size == newSize;
}

int64_t FileStream::Tell() const {
    return IsOpen() ? file.Tell() : 0;
}

bool FileStream::Seek(int64_t position) {
    return file.Seek(position);
}

int64_t FileStream::Read(void* buffer, int64_t count) {
    return canRead ? file.Read(buffer, count) : 0;
}

int64_t FileStream::Write(const void* buffer, int64_t count) {
    return canWrite ? file.Write(buffer, count) : 0;
}

} // namespace common
