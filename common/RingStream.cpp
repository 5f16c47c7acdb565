#include "common/RingStream.h"

#include <algorithm>
#include <cstring>

namespace common {

bool RingStream::Resize(int64_t newSize) {
    MakeContiguous();
    if (newSize != RingLength() && (growth == 0 || newSize < 0 || !MemoryStream::Resize(newSize))) {
        return false;
    }
    count = RingLength();
    position = std::min(position, count);
    return true;
}

bool RingStream::Seek(int64_t newPosition) {
    if (newPosition < 0 || newPosition > count) {
        return false;
    }
    position = newPosition;
    return true;
}

int64_t RingStream::Read(void* destination, int64_t n) {
    n = std::min(n, count - position);
    if (n <= 0) {
        return 0;
    }
    CopyOut(destination, position, n);
    position += n;
    return n;
}

int64_t RingStream::Read(void* destination, int64_t n, bool consume) {
    n = std::min(n, count);
    if (n <= 0) {
        return 0;
    }
    CopyOut(destination, 0, n);
    if (consume) {
        Skip(n);
    }
    return n;
}

int64_t RingStream::Write(const void* source, int64_t n) {
    if (n <= 0) {
        return 0;
    }
    if (head + position + n <= RingLength()) {
        std::memcpy(buffer + head + position, source, static_cast<size_t>(n));
        position += n;
    } else {
        // A ring that cannot grow keeps what fits, as a fixed memory stream does.
        MakeRoom(position + n);
        n = MemoryStream::Write(source, n);
    }
    count = std::max(count, position);
    return n;
}

int64_t RingStream::ReadAt(void* destination, int64_t at, int64_t n) {
    if (at < 0) {
        return 0;
    }
    position = std::min(at, count);
    return Read(destination, n);
}

int64_t RingStream::WriteAt(const void* source, int64_t at, int64_t n) {
    if (at < 0) {
        return 0;
    }
    if (at > count) {
        position = count;
        return 0;
    }
    position = at;
    return Write(source, n);
}

bool RingStream::Create(int64_t initialSize, int64_t newGrowth) {
    if (!MemoryStream::Create(initialSize, newGrowth)) {
        return false;
    }
    count = head = 0;
    return true;
}

bool RingStream::Attach(void* callerBuffer, int64_t callerSize) {
    if (!MemoryStream::Attach(callerBuffer, callerSize)) {
        return false;
    }
    count = head = 0;
    return true;
}

void RingStream::Free() {
    count = head = 0;
    MemoryStream::Free();
}

uint8_t* RingStream::GetBuffer() {
    if (buffer != nullptr && head + count > RingLength()) {
        MakeContiguous();
    }
    return buffer == nullptr ? nullptr : buffer + head;
}

int64_t RingStream::Skip(int64_t n) {
    n = n < 0 ? count : std::min(n, count);
    head += n;
    if (head > RingLength()) {
        head -= RingLength();
    }
    count -= n;
    if (count == 0) {
        head = 0;
    }
    position = std::min(position, count);
    return n;
}

int64_t RingStream::Append(const void* source, int64_t n) {
    if (n <= 0 || (count + n > RingLength() && !MakeRoom(count + n))) {
        return 0;
    }
    CopyIn(source, count, n);
    count += n;
    return n;
}

bool RingStream::Reserve(int64_t extra) {
    MakeContiguous();
    return extra < 0 || MemoryStream::Resize(RingLength() + extra);
}

bool RingStream::MakeRoom(int64_t storedAfter) {
    const int64_t length = RingLength();
    if (storedAfter <= length) {
        MakeContiguous();
        return true;
    }
    return Reserve(storedAfter - length + (length >> 2) + 1024);
}

void RingStream::MakeContiguous() {
    if (count == 0) {
        head = 0;
    } else if (head != 0) {
        std::rotate(buffer, buffer + head, buffer + RingLength());
        head = 0;
    }
    position = std::min(position, count);
}

void RingStream::CopyOut(void* destination, int64_t index, int64_t n) const {
    const int64_t start = (head + index) % RingLength();
    const int64_t first = std::min(n, RingLength() - start);
    std::memcpy(destination, buffer + start, static_cast<size_t>(first));
    std::memcpy(static_cast<uint8_t*>(destination) + first, buffer, static_cast<size_t>(n - first));
}

void RingStream::CopyIn(const void* source, int64_t index, int64_t n) {
    const int64_t start = (head + index) % RingLength();
    const int64_t first = std::min(n, RingLength() - start);
    std::memcpy(buffer + start, source, static_cast<size_t>(first));
    std::memcpy(buffer, static_cast<const uint8_t*>(source) + first, static_cast<size_t>(n - first));
}

} // namespace common
