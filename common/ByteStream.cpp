#include "common/ByteStream.h"

namespace common {

int64_t ByteStream::ReadAt(void* buffer, int64_t position, int64_t count) {
    return Seek(position) ? Read(buffer, count) : 0;
}

int64_t ByteStream::WriteAt(const void* buffer, int64_t position, int64_t count) {
    return Seek(position) ? Write(buffer, count) : 0;
}

} // namespace common
