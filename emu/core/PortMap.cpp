#include "emu/core/PortMap.h"

#include "emu/core/StateChunk.h"

namespace emu {

PortMap::PortMap() : TreeNode("_PORT") {}

PortMap::~PortMap() = default;

bool PortMap::BindReadPort(uint32_t port, void* context, BusReadHandler handler) {
    ReadEntry* entry = EntryToBind(readBlocks, port, handler != nullptr);
    if (entry != nullptr) {
        *entry = {context, handler, nullptr};
    }
    return port < kPortCount;
}

bool PortMap::BindReadPortStatus(uint32_t port, void* context, PortStatusReadHandler handler) {
    ReadEntry* entry = EntryToBind(readBlocks, port, handler != nullptr);
    if (entry != nullptr) {
        *entry = {context, nullptr, handler};
    }
    return port < kPortCount;
}

bool PortMap::BindWritePort(uint32_t port, void* context, BusWriteHandler handler) {
    WriteEntry* entry = EntryToBind(writeBlocks, port, handler != nullptr);
    if (entry != nullptr) {
        *entry = {context, handler};
    }
    return port < kPortCount;
}

uint8_t PortMap::ReadPortByte(uint32_t port, uint8_t peek, uint8_t* status) {
    uint8_t value = 0;
    return ReadWhole(port, byteMask, sizeof value, &value, peek, status) ? value : openBus;
}

uint16_t PortMap::ReadPortWord(uint32_t port, uint8_t peek, uint8_t* status) {
    uint16_t value = 0;
    if (ReadWhole(port, wordMask, sizeof value, &value, peek, status)) {
        return value;
    }
    const uint8_t low = ReadPortByte(port, peek, status);
    return static_cast<uint16_t>(low | ReadPortByte(port + 1, peek, status) << 8);
}

uint32_t PortMap::ReadPortDword(uint32_t port, uint8_t peek, uint8_t* status) {
    uint32_t value = 0;
    if (ReadWhole(port, dwordMask, sizeof value, &value, peek, status)) {
        return value;
    }
    const uint32_t low = ReadPortWord(port, peek, status);
    return low | static_cast<uint32_t>(ReadPortWord(port + 2, peek, status)) << 16;
}

void PortMap::WritePortByte(uint32_t port, uint8_t value) {
    WriteWhole(port, byteMask, sizeof value, &value, true);
}

void PortMap::WritePortWord(uint32_t port, uint16_t value) {
    if (!WriteWhole(port, wordMask, sizeof value, &value, false)) {
        WritePortByte(port, static_cast<uint8_t>(value));
        WritePortByte(port + 1, static_cast<uint8_t>(value >> 8));
    }
}

void PortMap::WritePortDword(uint32_t port, uint32_t value) {
    if (!WriteWhole(port, dwordMask, sizeof value, &value, false)) {
        WritePortWord(port, static_cast<uint16_t>(value));
        WritePortWord(port + 2, static_cast<uint16_t>(value >> 16));
    }
}

void PortMap::SetDefaultReadHook(void* context, BusReadHandler plain, PortStatusReadHandler status) {
    defaultRead = {context, plain, status};
}

void PortMap::SetDefaultWriteHook(void* context, BusWriteHandler handler) {
    defaultWrite = {context, handler};
}

void PortMap::SetDecodeMasks(uint32_t port, uint32_t byte, uint32_t word, uint32_t dword) {
    portMask = port;
    byteMask = byte;
    wordMask = word;
    dwordMask = dword;
}

bool PortMap::Start(int32_t&) {
    ReleasePorts();
    SetDecodeMasks(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF);
    return true;
}

void PortMap::Stop() {
    ReleasePorts();
}

bool PortMap::SaveOwnData(common::RecordArchive& archive) {
    return WriteVersionChunk(archive, "_PORTS");
}

bool PortMap::LoadOwnData(common::RecordArchive& archive, common::NarrowString*) {
    return ReadVersionChunk(archive, "_PORTS");
}

template <typename Entry>
Entry* PortMap::EntryToBind(Blocks<Entry>& blocks, uint32_t port, bool binding) {
    if (port >= kPortCount) {
        return nullptr;
    }
    auto& block = blocks[port / kBlockPorts];
    if (block == nullptr) {
        // Unbinding a port of a block that was never bound leaves nothing to clear.
        if (!binding) {
            return nullptr;
        }
        block = std::make_unique<std::array<Entry, kBlockPorts>>();
    }
    return &(*block)[port % kBlockPorts];
}

template <typename Entry>
const Entry* PortMap::FindEntry(const Blocks<Entry>& blocks, uint32_t port) {
    if (port >= kPortCount) {
        return nullptr;
    }
    const auto& block = blocks[port / kBlockPorts];
    return block != nullptr ? &(*block)[port % kBlockPorts] : nullptr;
}

bool PortMap::CallRead(const ReadEntry& entry, uint32_t port, uint32_t size, void* value, uint8_t peek,
                       uint8_t* status) {
    if (entry.plain != nullptr) {
        return entry.plain(entry.context, port, size, value, peek);
    }
    return entry.status != nullptr && entry.status(entry.context, port, size, value, peek, status);
}

bool PortMap::ReadWhole(uint32_t port, uint32_t widthMask, uint32_t size, void* value, uint8_t peek, uint8_t* status) {
    uint8_t ignoredStatus = 0;
    status = status != nullptr ? status : &ignoredStatus;
    *status = 0;
    const ReadEntry* entry = FindEntry(readBlocks, port & widthMask & portMask);
    return (entry != nullptr && CallRead(*entry, port, size, value, peek, status)) ||
           CallRead(defaultRead, port, size, value, peek, status);
}

bool PortMap::WriteWhole(uint32_t port, uint32_t widthMask, uint32_t size, const void* value, bool byteWrite) {
    const WriteEntry* entry = FindEntry(writeBlocks, port & widthMask & portMask);
    if (entry != nullptr && entry->handler != nullptr && entry->handler(entry->context, port, size, value)) {
        return true;
    }
    if (defaultWrite.handler == nullptr) {
        return false;
    }
    // A byte write ends at the default hook, whatever it answers.
    return defaultWrite.handler(defaultWrite.context, port, size, value) || byteWrite;
}

void PortMap::ReleasePorts() {
    for (auto& block : readBlocks) {
        block.reset();
    }
    for (auto& block : writeBlocks) {
        block.reset();
    }
    defaultRead = {};
    defaultWrite = {};
    openBus = 0xFF;
}

} // namespace emu
