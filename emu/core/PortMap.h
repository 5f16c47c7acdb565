#pragma once

#include "emu/core/PortMapInterface.h"
#include "emu/core/TreeNode.h"

#include <array>
#include <cstdint>
#include <memory>

namespace emu {

// The machine's I/O port service "_PORT": ports 0 .. 65535 mapped to the read and write handlers of devices, in
// blocks of 256 ports allocated as they are first bound. A read that nobody serves gives the open-bus byte for
// each byte; a write nobody serves is dropped. Accesses wider than a byte that are not served whole are split
// into halves, low half first, through the byte and word operations.
class PortMap : public PortMapInterface, public TreeNode {
public:
    static constexpr uint32_t kPortCount = 0x10000;

    PortMap();
    ~PortMap() override;

    bool BindReadPort(uint32_t port, void* context, BusReadHandler handler) override;
    bool BindReadPortStatus(uint32_t port, void* context, PortStatusReadHandler handler) override;
    bool BindWritePort(uint32_t port, void* context, BusWriteHandler handler) override;

    // Reads through the port's handler, else the default read hook. status is cleared first; status handlers
    // may set it.
    virtual uint8_t ReadPortByte(uint32_t port, uint8_t peek, uint8_t* status);
    virtual uint16_t ReadPortWord(uint32_t port, uint8_t peek, uint8_t* status);
    virtual uint32_t ReadPortDword(uint32_t port, uint8_t peek, uint8_t* status);
    virtual void WritePortByte(uint32_t port, uint8_t value);
    virtual void WritePortWord(uint32_t port, uint16_t value);
    virtual void WritePortDword(uint32_t port, uint32_t value);

    // Consulted when a port's own handler is missing or declines; cleared by Start and Stop.
    void SetDefaultReadHook(void* context, BusReadHandler plain, PortStatusReadHandler status);
    void SetDefaultWriteHook(void* context, BusWriteHandler handler);
    // The byte a read nobody serves gives; 0xFF after Start and Stop.
    void SetOpenBusByte(uint8_t value) { openBus = value; }
    // An access of width w looks up the entry of port AND the width's mask AND the port mask; handlers still get
    // the port as the caller gave it. All 0xFFFF after Start.
    void SetDecodeMasks(uint32_t portMask, uint32_t byteMask, uint32_t wordMask, uint32_t dwordMask);

    // Drops every binding and hook and resets the masks.
    bool Start(int32_t& rate) override;
    // Drops every binding and hook; the masks stay.
    void Stop() override;
    // The "_PORTS" chunk, which holds only its version: devices bind their ports anew.
    bool SaveOwnData(common::RecordArchive& archive) override;
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    struct ReadEntry {
        void* context = nullptr;
        BusReadHandler plain = nullptr;
        PortStatusReadHandler status = nullptr;
    };
    struct WriteEntry {
        void* context = nullptr;
        BusWriteHandler handler = nullptr;
    };
    static constexpr size_t kBlockPorts = 256;
    template <typename Entry>
    using Blocks = std::array<std::unique_ptr<std::array<Entry, kBlockPorts>>, kPortCount / kBlockPorts>;

    // The entry of a port in the blocks, allocating its block unless the entry would stay empty; null when
    // there is nothing to bind into.
    template <typename Entry>
    static Entry* EntryToBind(Blocks<Entry>& blocks, uint32_t port, bool binding);
    template <typename Entry>
    static const Entry* FindEntry(const Blocks<Entry>& blocks, uint32_t port);
    static bool CallRead(const ReadEntry& entry, uint32_t port, uint32_t size, void* value, uint8_t peek,
                         uint8_t* status);
    // The whole access through the port's entry, then the default hook.
    bool ReadWhole(uint32_t port, uint32_t widthMask, uint32_t size, void* value, uint8_t peek, uint8_t* status);
    bool WriteWhole(uint32_t port, uint32_t widthMask, uint32_t size, const void* value, bool byteWrite);
    void ReleasePorts();

    Blocks<ReadEntry> readBlocks;
    Blocks<WriteEntry> writeBlocks;
    ReadEntry defaultRead;
    WriteEntry defaultWrite;
    uint8_t openBus = 0xFF;
    uint32_t portMask = 0xFFFF;
    uint32_t byteMask = 0xFFFF;
    uint32_t wordMask = 0xFFFF;
    uint32_t dwordMask = 0xFFFF;
};

} // namespace emu
