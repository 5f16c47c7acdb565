#include "common/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace common {

namespace {

constexpr int64_t kEmptyBufferSize = 1024;

int64_t AutomaticGrowthStep(int64_t contentSize) {
    if (contentSize < 0x10000) {
        return 0x10000;
    }
    if (contentSize <= 0x100000) {
        return contentSize / 2;
    }
    if (contentSize <= 0xA00000) {
        return contentSize / 3;
    }
    return contentSize / 4;
}

std::unique_ptr<uint8_t[]> Allocate(int64_t bytes) {
    if (bytes < 0 || static_cast<uint64_t>(bytes) > std::numeric_limits<size_t>::max() / 2) {
        return nullptr;
    }
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]());
}

} // namespace

bool MemoryStream::Reallocate(int64_t newCapacity, int64_t keep) {
    std::unique_ptr<uint8_t[]> replacement = Allocate(newCapacity);
    if (!replacement) {
        return false;
    }
    if (keep > 0) {
        std::memcpy(replacement.get(), buffer, static_cast<size_t>(keep));
    }
    storage = std::move(replacement);
    buffer = storage.get();
    capacity = newCapacity;
    return true;
}

bool MemoryStream::Resize(int64_t newSize) {
    if (newSize == size) {
        return true;
    }
    if (growth == 0 || newSize < 0 || !Reallocate(newSize == 0 ? kEmptyBufferSize : newSize, std::min(size, newSize))) {
        return false;
    }
    size = newSize;
    position = std::min(position, newSize);
    return true;
}

bool MemoryStream::Seek(int64_t newPosition) {
    if (newPosition < 0 || newPosition > size) {
        return false;
    }
    position = newPosition;
    return true;
}

int64_t MemoryStream::Read(void* destination, int64_t count) {
    count = std::min(count, size - position);
    if (count <= 0) {
        return 0;
    }
    std::memcpy(destination, buffer + position, static_cast<size_t>(count));
    position += count;
    return count;
}

int64_t MemoryStream::Write(const void* source, int64_t count) {
    count = std::min(count, std::numeric_limits<int64_t>::max() - position);
    if (count <= 0) {
        return 0;
    }
    int64_t end = position + count;
    if (end > size) {
        if (end > capacity && (growth == 0 || !GrowPolicy(end - size + 1) || end > capacity)) {
            count = capacity - position;
            end = capacity;
        }
        size = end;
    }
    if (count > 0) {
        std::memcpy(buffer + position, source, static_cast<size_t>(count));
    }
    position = end;
    return count;
}

bool MemoryStream::MoveForTransferAt(int64_t at) {
    if (at < 0) {
        return false;
    }
    position = std::min(at, size);
    return at <= size;
}

int64_t MemoryStream::ReadAt(void* destination, int64_t at, int64_t count) {
    return MoveForTransferAt(at) ? Read(destination, count) : 0;
}

int64_t MemoryStream::WriteAt(const void* source, int64_t at, int64_t count) {
    return MoveForTransferAt(at) ? Write(source, count) : 0;
}

bool MemoryStream::GrowPolicy(int64_t minimumExtra) {
    if (growth == 0) {
        return false;
    }
    const int64_t step = std::max(growth > 0 ? growth : AutomaticGrowthStep(size), minimumExtra);
    return Reallocate(size + step, size);
}

bool MemoryStream::Create(int64_t initialSize, int64_t newGrowth) {
    if (buffer != nullptr || initialSize < 0 || (initialSize == 0 && newGrowth == 0) ||
        !Reallocate(initialSize == 0 ? kEmptyBufferSize : initialSize, 0)) {
        return false;
    }
    size = initialSize;
    growth = newGrowth;
    position = 0;
    return true;
}

bool MemoryStream::Attach(void* callerBuffer, int64_t callerSize) {
    if (callerBuffer == nullptr || buffer != nullptr || callerSize < 0) {
        return false;
    }
    buffer = static_cast<uint8_t*>(callerBuffer);
    size = capacity = callerSize;
    position = 0;
    growth = 0;
    return true;
}

void MemoryStream::Free() {
    storage.reset();
    buffer = nullptr;
    growth = size = capacity = position = 0;
}

uint8_t* MemoryStream::GetBuffer() {
    return buffer;
}

} // namespace common
