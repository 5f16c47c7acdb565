#include "emu/devices/MemoryPageDevice.h"

#include "common/RecordArchive.h"
#include "common/SystemUtilities.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/RendererBase.h"

#include <cstring>

namespace emu {

namespace {

const char* const kPageChunk = "_VIDP";
constexpr uint8_t kPageChunkVersion = 1;
// Slack after an owned block.
constexpr int64_t kSlackBytes = 1024;
// The largest block whose size in bytes a signed 32-bit value holds.
constexpr int32_t kLargestSizeInKB = INT32_MAX / 1024;

MemoryPageDevice* PageDeviceOf(void* context) {
    return static_cast<MemoryPageDevice*>(static_cast<Device*>(context));
}

} // namespace

MemoryPageDevice::MemoryPageDevice(const char* name, const char* tag) : Device(name, tag) {}

MemoryPageDevice::~MemoryPageDevice() {
    ReleaseBuffer();
}

bool MemoryPageDevice::Start(int32_t& rate) {
    if (!Device::Start(rate)) {
        return false;
    }
    ReleaseBuffer();
    return AcquireBuffer();
}

void MemoryPageDevice::Stop() {
    ReleaseBuffer();
    Device::Stop();
}

bool MemoryPageDevice::Notify(uint32_t code) {
    const bool result = Device::Notify(code);
    if (result && (code & 0x80) != 0 && windowEnabled) {
        baseAddress = firstPage * page::kSize;
    }
    return result;
}

bool MemoryPageDevice::WriteByte(uint8_t* block, int32_t offset, uint8_t value) {
    block[offset] = value;
    if (markFrameOnWrite && Renderer() != nullptr) {
        Renderer()->ForceRedraw();
    }
    return true;
}

bool MemoryPageDevice::ReadByte(const uint8_t* block, int32_t offset, uint8_t& value, bool) {
    value = block[offset];
    return true;
}

bool MemoryPageDevice::SetMemoryWindow(int32_t newFirstPage, int32_t newPageCount, bool enabled, bool optionFlag) {
    if (!Params().Remove("MEMORY")) {
        return false;
    }
    windowEnabled = false;
    if (newPageCount <= 0) {
        return true;
    }
    firstPage = static_cast<uint64_t>(static_cast<int64_t>(newFirstPage));
    pageCount = static_cast<uint64_t>(static_cast<int64_t>(newPageCount));
    baseAddress = firstPage * page::kSize;
    windowEnabled = enabled;
    return Params().AddMemoryRange("MEMORY", optionFlag, &windowEnabled, &firstPage, &pageCount, readHandler,
                                   writeHandler);
}

bool MemoryPageDevice::SetMemorySize(int32_t sizeInKB, uint32_t mask) {
    if (IsRunning() || sizeInKB < 0 || sizeInKB > kLargestSizeInKB) {
        return false;
    }
    memorySize = sizeInKB * 1024;
    addressMask = mask;
    return true;
}

bool MemoryPageDevice::HandlePageRead(void* context, uint32_t address, uint32_t size, void* value, uint8_t peek) {
    MemoryPageDevice* device = PageDeviceOf(context);
    const int64_t offset = size == 1 ? device->OffsetOf(address) : -1;
    return offset >= 0 &&
           device->ReadByte(device->buffer, static_cast<int32_t>(offset), *static_cast<uint8_t*>(value), peek != 0);
}

bool MemoryPageDevice::HandlePageWrite(void* context, uint32_t address, uint32_t size, const void* value) {
    MemoryPageDevice* device = PageDeviceOf(context);
    const int64_t offset = size == 1 ? device->OffsetOf(address) : -1;
    return offset >= 0 &&
           device->WriteByte(device->buffer, static_cast<int32_t>(offset), *static_cast<const uint8_t*>(value));
}

int64_t MemoryPageDevice::OffsetOf(uint64_t address) const {
    const uint32_t offset = static_cast<uint32_t>(address - baseAddress) & addressMask;
    return buffer != nullptr && offset < static_cast<uint32_t>(memorySize) ? static_cast<int64_t>(offset) : -1;
}

bool MemoryPageDevice::SaveOwnData(common::RecordArchive& archive) {
    const bool holdsContents = ownsBuffer && memorySize > 0;
    if (!Device::SaveOwnData(archive) || memorySize < 0 || (holdsContents && buffer == nullptr) ||
        (memorySize == 0 && buffer != nullptr)) {
        return false;
    }
    return archive.WriteMarker(common::kChunkBeginMarker, common::NarrowString(kPageChunk)) &&
           archive.WriteRecordU8(kPageChunkVersion, common::NarrowString("VER")) &&
           archive.WriteRecordI32(memorySize, common::NarrowString("MSZ")) &&
           archive.WriteRecordI32(static_cast<int32_t>(addressMask), common::NarrowString("MSK")) &&
           (!holdsContents || archive.WriteRecordBlob(buffer, memorySize, common::NarrowString("MEM"))) &&
           archive.WriteMarker(common::kChunkEndMarker, common::NarrowString(kPageChunk));
}

bool MemoryPageDevice::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    PageChunk chunk;
    if (!Device::LoadOwnData(archive, note) || !ReadPageChunk(archive, chunk) || !PrepareBuffer()) {
        return false;
    }
    ApplyPageChunk(chunk);
    return true;
}

bool MemoryPageDevice::ReadPageChunk(common::RecordArchive& archive, PageChunk& chunk) const {
    uint8_t version = 0;
    int32_t size = 0;
    int32_t mask = 0;
    if (!archive.ReadMarker(common::NarrowString(kPageChunk), common::kChunkBeginMarker) ||
        !archive.ReadRecordU8(version, common::NarrowString("VER")) || version != kPageChunkVersion ||
        !archive.ReadRecordI32(size, common::NarrowString("MSZ")) ||
        !archive.ReadRecordI32(mask, common::NarrowString("MSK")) || size != memorySize) {
        return false;
    }
    chunk.mask = static_cast<uint32_t>(mask);
    // A block held is owned or not; one still to be taken is owned unless the memory map lends its extra area.
    const bool owned = buffer != nullptr ? ownsBuffer : Memory() == nullptr || Memory()->ExtraArea() == nullptr;
    chunk.hasContents = owned && memorySize > 0;
    if (chunk.hasContents) {
        chunk.contents.resize(static_cast<size_t>(memorySize));
        if (!archive.ReadRecordBlob(chunk.contents.data(), memorySize, common::NarrowString("MEM"))) {
            return false;
        }
    }
    return archive.ReadMarker(common::NarrowString(kPageChunk), common::kChunkEndMarker);
}

bool MemoryPageDevice::PrepareBuffer() {
    return buffer != nullptr || AcquireBuffer();
}

void MemoryPageDevice::ApplyPageChunk(const PageChunk& chunk) {
    addressMask = chunk.mask;
    if (chunk.hasContents && buffer != nullptr) {
        std::memcpy(buffer, chunk.contents.data(), chunk.contents.size());
    }
}

bool MemoryPageDevice::AcquireBuffer() {
    if (memorySize <= 0) {
        return true;
    }
    MemoryMap* memory = Memory();
    if (memory != nullptr && memory->ExtraArea() != nullptr) {
        if (static_cast<uint32_t>(memorySize) > memory->ExtraSize()) {
            return false;
        }
        buffer = memory->ExtraArea();
        ownsBuffer = false;
        return true;
    }
    ownsBuffer = true;
    allocationSize = static_cast<int64_t>(memorySize) + kSlackBytes;
    buffer = static_cast<uint8_t*>(common::AllocPages(allocationSize, false));
    if (buffer == nullptr) {
        allocationSize = 0;
        return false;
    }
    std::memset(buffer, 0, static_cast<size_t>(memorySize));
    return true;
}

void MemoryPageDevice::ReleaseBuffer() {
    if (buffer != nullptr && ownsBuffer) {
        common::FreePages(buffer, allocationSize);
        allocationSize = 0;
    }
    buffer = nullptr;
}

} // namespace emu
