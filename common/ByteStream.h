#pragma once

#include "common/LittleEndian.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace common {

// Every byte the emulator reads or writes (files, saved states, settings, disk images, sample buffers) goes through
// this interface. Sizes, positions and counts are signed 64-bit; counts passed in are never negative.
class ByteStream {
public:
    virtual ~ByteStream() = default;

    virtual bool IsOpen() const = 0;
    // Whether Write beyond the end may enlarge the storage.
    virtual bool Growable() const = 0;
    virtual bool IsValid() const = 0;
    virtual bool CanRead() const = 0;
    virtual bool CanWrite() const = 0;
    virtual int64_t Size() const = 0;
    virtual bool Resize(int64_t newSize) = 0;
    virtual int64_t Tell() const = 0;
    // Moves to an absolute position.
    virtual bool Seek(int64_t position) = 0;
    // Copy up to count bytes from or to the position and move past them; the result is the number moved.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Seek, then Read or Write; 0 when the seek fails.
    virtual int64_t ReadAt(void* buffer, int64_t position, int64_t count);
    virtual int64_t WriteAt(const void* buffer, int64_t position, int64_t count);

protected:
    ByteStream() = default;
    ByteStream(const ByteStream&) = delete;
    ByteStream& operator=(const ByteStream&) = delete;
};

// Saved states and settings store their integers little-endian whatever the host.
template <typename T>
concept StoredInteger = std::is_integral_v<T> && !std::is_same_v<T, bool>;

template <StoredInteger T>
bool WriteLittleEndian(ByteStream& stream, T value) {
    std::array<uint8_t, sizeof(T)> bytes{};
    StoreLittleEndian(bytes.data(), sizeof(T), static_cast<uint64_t>(value));
    return stream.Write(bytes.data(), sizeof(T)) == sizeof(T);
}

template <StoredInteger T>
bool ReadLittleEndian(ByteStream& stream, T& value) {
    std::array<uint8_t, sizeof(T)> bytes{};
    if (stream.Read(bytes.data(), sizeof(T)) != sizeof(T)) {
        return false;
    }
    value = static_cast<T>(LoadLittleEndian(bytes.data(), sizeof(T)));
    return true;
}

} // namespace common
