#pragma once

#include "emu/core/Device.h"

#include <cstdint>
#include <vector>

namespace emu {

// A device that owns a block of memory the processor sees through a window of 1 KB pages: video memory, or on
// its own a page view (a second video page of a raster video device). The block is allocated at Start, or
// borrowed from the memory map's extra area when the machine reserved one; byte accesses go through the virtual
// WriteByte and ReadByte so a derived device can watch every write.
//
// Configuration, before Start: SetMemorySize (the block) and SetMemoryWindow (the parameter "MEMORY" that maps
// it at a page range). The window's pages are served a byte at a time: an access of another width is refused,
// and the memory map then splits it into bytes. An address maps to the offset (address - BaseAddress()) &
// AddressMask(); offsets past the block are declined (the map's own storage answers them).
//
// State chunk "_VIDP" (after "_DEV"): "VER" 1, "MSZ" the block size, "MSK" the mask, and "MEM" the block's bytes
// when the device owns it (a borrowed block travels with the memory map's chunk).
class MemoryPageDevice : public Device {
public:
    explicit MemoryPageDevice(const char* name = nullptr, const char* tag = nullptr);
    ~MemoryPageDevice() override;

    // Takes the block (allocated, or borrowed from the memory map's extra area); Stop gives it back.
    bool Start(int32_t& rate) override;
    void Stop() override;
    // A settings change (bit 0x80) with the window mapped moves the base address to the window's first page.
    bool Notify(uint32_t code) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Everything is read and checked before anything changes: the version, a block size equal to the configured
    // one, and "MEM" exactly when the device owns its block.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    // Byte access to a block (this device's or, for a page view, another's); true when served.
    virtual bool WriteByte(uint8_t* block, int32_t offset, uint8_t value);
    virtual bool ReadByte(const uint8_t* block, int32_t offset, uint8_t& value, bool peek);

    // Maps the block at pageCount pages from firstPage through the parameter "MEMORY" (replacing the one before,
    // and unmapping it); a count of 0 or less only removes it. False when the parameter set refused.
    bool SetMemoryWindow(int32_t firstPage, int32_t pageCount, bool enabled, bool optionFlag);
    // The block's size from the next Start; refused while running and for sizes outside 0 .. 2 GiB - 1 KiB.
    bool SetMemorySize(int32_t sizeInKB, uint32_t mask);
    // Every write asks the renderer for a full redraw.
    void SetMarkFrameOnWrite(bool on) { markFrameOnWrite = on; }

    // Page handlers of "MEMORY", with the device as context.
    static bool HandlePageRead(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    static bool HandlePageWrite(void* context, uint32_t address, uint32_t size, const void* buffer);

    // Null while stopped.
    uint8_t* Buffer() const { return buffer; }
    int32_t MemorySize() const { return memorySize; }
    uint32_t AddressMask() const { return addressMask; }
    uint64_t BaseAddress() const { return baseAddress; }
    bool OwnsBuffer() const { return ownsBuffer; }
    bool IsWindowEnabled() const { return windowEnabled; }

protected:
    // "_VIDP" as read, applied only once the whole state was read.
    struct PageChunk {
        uint32_t mask = 0;
        bool hasContents = false;
        std::vector<uint8_t> contents;
    };

    // The offset of an address in the block, or -1 outside it (or without a block).
    int64_t OffsetOf(uint64_t address) const;
    // Reads "_VIDP" into chunk, checking it against the device's configuration.
    bool ReadPageChunk(common::RecordArchive& archive, PageChunk& chunk) const;
    // Takes a block when there is none; false when it cannot be had.
    bool PrepareBuffer();
    // The read chunk into the device: mask and contents. The block must be prepared.
    void ApplyPageChunk(const PageChunk& chunk);
    bool AcquireBuffer();
    void ReleaseBuffer();

    bool windowEnabled = false;
    uint64_t firstPage = 0;
    uint64_t pageCount = 0;
    uint64_t baseAddress = 0;
    int32_t memorySize = 0;
    uint32_t addressMask = 0xFFFFFFFF;
    bool markFrameOnWrite = false;
    BusReadHandler readHandler = HandlePageRead;
    BusWriteHandler writeHandler = HandlePageWrite;
    uint8_t* buffer = nullptr;
    bool ownsBuffer = false;
    int64_t allocationSize = 0;
};

} // namespace emu
