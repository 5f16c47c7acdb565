#pragma once

#include "common/ByteStream.h"

#include <cstdint>
#include <memory>

namespace common {

// A byte stream over a memory buffer: an owned buffer made by Create, fixed or growing as writes need, or a
// caller's buffer borrowed by Attach, which is never reallocated nor freed.
class MemoryStream : public ByteStream {
public:
    MemoryStream() = default;
    ~MemoryStream() override = default;

    bool IsOpen() const override { return buffer != nullptr; }
    bool Growable() const override { return growth != 0; }
    bool IsValid() const override { return true; }
    bool CanRead() const override { return true; }
    bool CanWrite() const override { return true; }
    int64_t Size() const override { return size; }
    // Sets the content size, keeping the content up to the smaller size; refused on a fixed buffer.
    bool Resize(int64_t newSize) override;
    int64_t Tell() const override { return position; }
    // Refused beyond the content.
    bool Seek(int64_t newPosition) override;
    int64_t Read(void* destination, int64_t count) override;
    // Grows the buffer when the write runs past it; a buffer that cannot grow takes what fits.
    int64_t Write(const void* source, int64_t count) override;
    // Past the content: nothing moves and the position goes to the end.
    int64_t ReadAt(void* destination, int64_t at, int64_t count) override;
    int64_t WriteAt(const void* source, int64_t at, int64_t count) override;

    // Enlarges the buffer by the growth step (at least minimumExtra bytes): a fixed step when growth is positive;
    // with a negative growth 64 KiB below 64 KiB of content, then a half, a third, from 10 MiB a quarter of it.
    virtual bool GrowPolicy(int64_t minimumExtra);
    // An owned buffer of initialSize bytes (1024 when 0) with growth 0 (fixed), > 0 (step) or < 0 (automatic);
    // refused while a buffer is held, for a negative size, and for size and growth both 0.
    virtual bool Create(int64_t initialSize, int64_t newGrowth);
    // Uses the caller's buffer of the given size without copying; refused while a buffer is held.
    virtual bool Attach(void* callerBuffer, int64_t callerSize);
    virtual void Free();
    virtual uint8_t* GetBuffer();

    int64_t Capacity() const { return capacity; }

protected:
    // Moves to `at` for ReadAt and WriteAt; past the content the position goes to the end and nothing may move.
    bool MoveForTransferAt(int64_t at);
    // Reallocates the owned buffer to newCapacity bytes, keeping the first `keep` of the content.
    bool Reallocate(int64_t newCapacity, int64_t keep);

    std::unique_ptr<uint8_t[]> storage; // the owned buffer; null for an attached one
    uint8_t* buffer = nullptr;
    int64_t growth = 0;
    int64_t size = 0;
    int64_t capacity = 0;
    int64_t position = 0;
};

} // namespace common
