#pragma once

#include "common/MemoryStream.h"

#include <cstdint>

namespace common {

// A first-in first-out byte queue on a memory stream's buffer (sample queues, drive data transfers). The
// inherited size is the ring's length; `count` bytes are stored from offset `head` on, wrapping at the length.
// The stream position counts from the oldest stored byte. A full ring grows rather than overwrite unread bytes.
class RingStream : public MemoryStream {
public:
    // The stored bytes.
    int64_t Size() const override { return count; }
    // Makes the whole ring of newSize bytes count as stored: the stored bytes first, then unspecified ones.
    bool Resize(int64_t newSize) override;
    bool Seek(int64_t newPosition) override;
    // Copies stored bytes from the position on, without removing them.
    int64_t Read(void* destination, int64_t n) override;
    // Copies the n oldest bytes, removing them when consume is set.
    int64_t Read(void* destination, int64_t n, bool consume);
    // Writes at the position, over stored bytes and past them.
    int64_t Write(const void* source, int64_t n) override;
    int64_t ReadAt(void* destination, int64_t at, int64_t n) override;
    int64_t WriteAt(const void* source, int64_t at, int64_t n) override;
    bool Create(int64_t initialSize, int64_t newGrowth) override;
    bool Attach(void* callerBuffer, int64_t callerSize) override;
    void Free() override;
    // The stored bytes in one piece (moved to the start of the buffer when they wrap); null without a buffer.
    uint8_t* GetBuffer() override;

    // Removes the n oldest bytes (all of them for a negative n); the result is the number removed.
    int64_t Skip(int64_t n);
    // Adds n bytes after the newest, growing the ring when full; 0 when it cannot grow.
    int64_t Append(const void* source, int64_t n);
    // Makes the stored bytes contiguous from offset 0 and lengthens the ring by extra bytes (when not negative).
    bool Reserve(int64_t extra);

private:
    int64_t RingLength() const { return size; }
    // Makes the stored bytes contiguous and the ring long enough for storedAfter bytes: it grows by what is
    // missing, a quarter of its length and 1 KiB, so that steady traffic soon stops regrowing it.
    bool MakeRoom(int64_t storedAfter);
    void MakeContiguous();
    void CopyOut(void* destination, int64_t index, int64_t n) const;
    void CopyIn(const void* source, int64_t index, int64_t n);

    int64_t count = 0;
    int64_t head = 0;
};

} // namespace common
