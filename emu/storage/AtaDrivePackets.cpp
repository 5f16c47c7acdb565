// The DATA register of an ATA drive, and the ATAPI packet commands of a CD drive.
#include "common/LittleEndian.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/ImageStream.h"
#include "emu/storage/AtaController.h"
#include "emu/storage/AtaDrive.h"

#include <algorithm>
#include <limits>

namespace emu {

namespace {

constexpr int64_t kPacketBytes = 12;
constexpr uint64_t kBlockBytes = 2048;
// The chunk size of a READ when the host leaves it open.
constexpr uint32_t kDefaultChunk = 1024;

// Interrupt reasons in SECTOR_COUNT.
constexpr uint8_t kReasonPacket = 1;
constexpr uint8_t kReasonData = 2;
constexpr uint8_t kReasonStatus = 3;

// Sense of every failed packet: ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE.
constexpr uint8_t kIllegalRequest = 0x05;
constexpr uint8_t kInvalidOperation = 0x20;

// Rows of the packet command switches.
enum : int32_t {
    kTestUnitReadyRow = 0,
    kRezeroRow = 1,
    kRequestSenseRow = 2,
    kInquiryRow = 3,
    kStartStopRow = 4,
    kPreventAllowRow = 5,
    kReadCapacityRow = 6,
    kReadRow = 7,
    kSeekRow = 8,
    kSubChannelRow = 9,
    kTocRow = 10,
    kConfigurationRow = 11,
    kEventStatusRow = 12,
    kModeSenseRow = 13,
    kReadCdRow = 14,
    kUnknownRow = 15,
};

constexpr const char* kPageControlNames[] = {"current", "changable", "default", "saved"};

// A mode page with its own header, the header's length field giving the bytes after it.
struct ModePage {
    uint8_t code;
    const char* name;
    std::initializer_list<uint8_t> bytes;
};

const ModePage kModePages[] = {
    {0x01, "Read error recovery", {0x01, 0x06, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00}},
    {0x0D, "CD-ROM", {0x0D, 0x06, 0x00, 0x01, 0x00, 0x3C, 0x00, 0x4B}},
    {0x0E,
     "CD-ROM audio control",
     {0x0E, 0x0E, 0x04, 0x00, 0x00, 0x00, 0x00, 0x4B, 0x01, 0xFF, 0x02, 0xFF, 0x00, 0x00, 0x00, 0x00}},
    {0x2A, "CD-ROM capabilities", {0x2A, 0x12, 0x3B, 0x00, 0x30, 0x00, 0x00, 0x00, 0x0B, 0x08,
                                   0x00, 0x02, 0x00, 0x00, 0x0B, 0x08, 0x00, 0x00, 0x00, 0x00}},
    {0x00, "Vendor-specific", {0x00, 0x05, 'Z', 'O', 'V', 'B', 'K'}},
};

uint32_t BigEndian32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0] << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3]);
}

uint32_t BigEndian16(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0] << 8 | bytes[1]);
}

} // namespace

// A reply built before it goes to the FIFO, cut to the host's allocation.
class AtaDrive::Reply {
public:
    void Add(std::initializer_list<uint8_t> values) {
        for (const uint8_t value : values) {
            Add(value);
        }
    }
    void Add(uint8_t value) {
        if (length < bytes.size()) {
            bytes[length++] = value;
        }
    }
    void AddBigEndian(uint32_t value) {
        Add({static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
             static_cast<uint8_t>(value)});
    }
    // A block address as LBA, or as 00, minutes, seconds, frames.
    void AddAddress(uint32_t block, bool msf) {
        if (!msf) {
            AddBigEndian(block);
            return;
        }
        const uint64_t frames = static_cast<uint64_t>(block) + 150;
        Add({0, static_cast<uint8_t>(frames / 4500), static_cast<uint8_t>(frames / 75 % 60),
             static_cast<uint8_t>(frames % 75)});
    }
    // A mode page behind its own header, whose length field counts the bytes after it.
    void AddModePage(const ModePage& page) {
        Add({0x00, static_cast<uint8_t>(8 + page.bytes.size() - 2), 0x11, 0x00, 0x00, 0x00, 0x00, 0x00});
        Add(page.bytes);
    }
    void AddTrack(uint8_t track, uint32_t block, bool msf) {
        Add({0x00, 0x14, track, 0x00});
        AddAddress(block, msf);
    }
    void Cut(uint32_t allocation) { length = std::min<size_t>(length, allocation); }
    const uint8_t* Data() const { return bytes.data(); }
    size_t Length() const { return length; }

private:
    std::array<uint8_t, 128> bytes{};
    size_t length = 0;
};

// ---- DATA

void AtaDrive::TraceBusyData(uint32_t size, uint32_t value) const {
    TraceWrite(ata::kData,
               size == 1   ? "=>DATA = %.2lXh (busy, no write)"
               : size == 2 ? "=>DATA = %.4lXh (busy, no write)"
                           : "=>DATA = %.8lXh (busy, no write)",
               value);
}

bool AtaDrive::EndHostBlock() {
    state.status &= static_cast<uint8_t>(~ata::kDataRequest);
    state.lastCommandTime = CpuCycles();
    if (!state.dataPhase || !state.transferPending) {
        return false;
    }
    state.status |= ata::kBusy;
    state.busy = true;
    return true;
}

bool AtaDrive::WriteData(uint32_t size, const void* value) {
    if (size > 4) {
        return false;
    }
    if ((state.status & ata::kDataRequest) == 0) {
        return true;
    }
    const int64_t target = state.packetPhase ? kPacketBytes : state.multipleBytes + 512;
    MarkActivity();
    if (size != 1 && size != 2 && size != 4) {
        return false;
    }
    if (state.busy) {
        TraceBusyData(size, static_cast<uint32_t>(
                                common::LoadLittleEndian(static_cast<const uint8_t*>(value), static_cast<int>(size))));
        return true;
    }
    fifo.Append(value, size);
    if (fifo.Size() < target) {
        return true;
    }
    if (EndHostBlock()) {
        if (Ata().ImmediateWrite()) {
            CompleteCommand();
            if (CpuInterface* cpu = Cpu()) {
                cpu->RequestInterruptCheck();
            }
        }
    } else if (state.packetPhase) {
        state.status |= ata::kBusy;
        state.busy = true;
        ExecutePacket();
    } else {
        ++state.commandSequence;
    }
    return true;
}

bool AtaDrive::ReadData(uint32_t size, void* value, bool peek) {
    if (!BeginRead(size, peek)) {
        return false;
    }
    if (state.busy || fifo.Size() == 0) {
        common::StoreLittleEndian(static_cast<uint8_t*>(value), static_cast<int>(size), state.status);
        return true;
    }
    uint8_t bytes[4] = {};
    fifo.Read(bytes, size, false);
    common::StoreLittleEndian(static_cast<uint8_t*>(value), static_cast<int>(size),
                              common::LoadLittleEndian(bytes, static_cast<int>(size)));
    if (peek) {
        return true;
    }
    fifo.Skip(size);
    if (fifo.Size() != 0) {
        return true;
    }
    if (EndHostBlock()) {
        // The pending sector step loads the next sector.
        return true;
    }
    if (!state.atapiReadActive) {
        if (atapi) {
            state.sectorCount = kReasonStatus;
            RaiseIrq(0);
        }
        ++state.commandSequence;
    } else if (state.atapiBytesToRead == 0) {
        state.atapiReadActive = false;
        state.sectorCount = kReasonStatus;
        RaiseIrq(0);
    } else {
        NextAtapiChunk();
    }
    return true;
}

// ---- READ chunks

uint64_t AtaDrive::Blocks() const {
    return ImageSize() / kBlockBytes;
}

bool AtaDrive::LoadAtapiChunk() {
    const uint32_t chunk = std::min(state.atapiByteCount, state.atapiBytesToRead);
    PrepareFifo();
    if (chunk == 0 || Slot() == nullptr || !fifo.Resize(chunk)) {
        fifo.Skip(-1);
        return false;
    }
    const int64_t read = Medium()->ReadAt(fifo.GetBuffer(), state.atapiReadPosition, chunk);
    if (read > 0) {
        Slot()->readActivity = true;
    }
    if (read != chunk) {
        fifo.Skip(-1);
        return false;
    }
    state.atapiReadPosition += chunk;
    state.atapiBytesToRead -= chunk;
    // The last chunk is what remains.
    if (state.atapiBytesToRead != 0 && state.atapiBytesToRead < state.atapiByteCount) {
        state.atapiByteCount = state.atapiBytesToRead;
    }
    return true;
}

void AtaDrive::NextAtapiChunk() {
    if (!LoadAtapiChunk()) {
        EndPacket(false);
        return;
    }
    state.cylinder = static_cast<uint16_t>(fifo.Size());
    TraceEventNotify(switches->readTrace[ata::kData], false, false, "<=NEXT ATAPI CHUNK (todo count=%ld)",
                     state.atapiBytesToRead);
    state.status |= ata::kDataRequest;
    RaiseIrq(0);
}

bool AtaDrive::AtapiRead(uint64_t block, uint64_t count) {
    if (count == 0) {
        return true;
    }
    const uint64_t position = block * kBlockBytes;
    const uint64_t bytes = count * kBlockBytes;
    // Positions are kept in 32 bits: a READ reaches no further than 4 GiB, nor past the medium.
    if (Slot() == nullptr || block >= (uint64_t{1} << 32) || position + bytes > ImageSize() ||
        position + bytes > std::numeric_limits<uint32_t>::max()) {
        return false;
    }
    const uint32_t limit =
        state.atapiByteCount == 0 ? kDefaultChunk : std::min(state.atapiByteCount, ata::kLargestChunk);
    state.atapiReadPosition = static_cast<uint32_t>(position);
    state.atapiBytesToRead = static_cast<uint32_t>(bytes);
    state.atapiByteCount = std::min<uint32_t>(limit, state.atapiBytesToRead);
    if (!LoadAtapiChunk()) {
        return false;
    }
    state.atapiReadActive = true;
    return true;
}

// ---- Packets

void AtaDrive::ExecutePacket() {
    state.status &= static_cast<uint8_t>(~ata::kBusy);
    state.packetPhase = false;
    state.busy = false;
    std::array<uint8_t, kPacketBytes> packet{};
    const int64_t taken = fifo.Read(packet.data(), kPacketBytes, false);
    fifo.Skip(-1);
    state.cylinder = 0;
    state.sectorCount = kReasonPacket;
    state.sectorsToDo = 1;
    state.transferPending = true;
    EndPacket(taken > 0 && RunPacket(packet));
}

void AtaDrive::EndPacket(bool ok) {
    if (!ok) {
        state.status |= ata::kErrorBit;
        state.senseKey = kIllegalRequest;
        state.additionalSense = kInvalidOperation;
        state.error = ata::kAborted;
        state.sectorCount = kReasonStatus;
        state.atapiReadActive = false;
        fifo.Skip(-1);
        RaiseIrq(0);
        return;
    }
    state.senseKey = 0;
    state.additionalSense = 0;
    if (fifo.Size() != 0) {
        state.sectorCount = kReasonData;
        if (state.cylinder == 0) {
            state.cylinder = static_cast<uint16_t>(fifo.Size());
        }
        state.status |= ata::kDataRequest;
    } else {
        state.sectorCount = kReasonStatus;
    }
    RaiseIrq(0);
    state.error = 0;
}

bool AtaDrive::SendReply(const Reply& reply) {
    return reply.Length() == 0 ||
           fifo.Append(reply.Data(), static_cast<int64_t>(reply.Length())) == static_cast<int64_t>(reply.Length());
}

bool AtaDrive::RunPacket(const std::array<uint8_t, 12>& packet) {
    const uint8_t opcode = packet[0];
    Reply reply;
    switch (opcode) {
    case 0x00:
        TracePacket(kTestUnitReadyRow, "ATAPI_CMD = 00h (TEST UNIT READY - check if ready)");
        return true;
    case 0x01:
        TracePacket(kRezeroRow, "ATAPI_CMD = 01h (REZERO UNIT - seek to zero)");
        return true;
    case 0x03:
        TracePacket(kRequestSenseRow, "ATAPI_CMD = 03h (REQUEST SENSE, last error code=%.2lXh)", state.senseKey);
        reply.Add({static_cast<uint8_t>(state.senseKey != 0 ? 0x70 : 0x00), 0x00, state.senseKey, 0, 0, 0, 0, 0, 0, 0,
                   0, 0, state.additionalSense, 0, 0, 0, 0, 0});
        return SendReply(reply);
    case 0x12:
        TracePacket(kInquiryRow, "ATAPI_CMD = 12h (INQUIRY drive configuration)");
        reply.Add({0x05, 0x80, 0x00, 0x21, 0x1F, 0x00, 0x00, 0x00});
        for (const char c : std::string_view("ZOV/BK  ZOV/AT CD-DRIVE 1.00")) {
            reply.Add(static_cast<uint8_t>(c));
        }
        reply.Cut(packet[4]);
        return SendReply(reply);
    case 0x1A:
    case 0x5A:
        return AtapiModeSense(packet, reply);
    case 0x1B:
        TracePacket(kStartStopRow, "ATAPI_CMD = 1Bh (START/STOP UNIT - start/stop/eject/load)");
        return true;
    case 0x1E:
        TracePacket(kPreventAllowRow, "ATAPI_CMD = 1Eh (PREVENT/ALLOW MEDIA REMOVAL)");
        return true;
    case 0x25: {
        const auto blocks = static_cast<uint32_t>(Blocks());
        TracePacket(kReadCapacityRow, "ATAPI_CMD = 25h (READ drive CAPACITY, sect.count=%ld, sect.size=%ld)", blocks,
                    kBlockBytes);
        // The number of blocks, not the last block's address.
        reply.AddBigEndian(blocks);
        reply.AddBigEndian(kBlockBytes);
        return SendReply(reply);
    }
    case 0x28:
    case 0xA8:
    case 0xBE: {
        const uint32_t block = BigEndian32(&packet[2]);
        const uint32_t count = opcode == 0xA8 ? BigEndian32(&packet[6]) : BigEndian16(&packet[7]);
        if (opcode == 0xBE) {
            TracePacket(kReadCdRow, "ATAPI_CMD = BEh (READ CD, sect.index=%ld, sect.count=%ld)", block, count);
        } else {
            TracePacket(kReadRow, "ATAPI_CMD = 28h (READ DATA, sect.index=%ld, sect.count=%ld)", block, count);
        }
        return AtapiRead(block, count);
    }
    case 0x2B:
        TracePacket(kSeekRow, "ATAPI_CMD = 2Bh (SEEK to sector %ld)", BigEndian32(&packet[2]));
        return true;
    case 0x42: {
        static constexpr const char* kFormats[] = {"Reserved", "CD-ROM cur.position", "Media catalog number",
                                                   "Track recording code"};
        TracePacket(kSubChannelRow, "ATAPI_CMD = 42h (READ SUB-CHANNEL, %s data)",
                    packet[3] < 4 ? kFormats[packet[3]] : "Reserved");
        // Audio status: no current audio status to return.
        reply.Add({0x00, 0x15, 0x00, 0x00});
        reply.Cut(BigEndian16(&packet[7]));
        return SendReply(reply);
    }
    case 0x43:
        return AtapiReadToc(packet, reply);
    case 0x46: {
        const uint32_t feature = BigEndian16(&packet[2]);
        TracePacket(kConfigurationRow, "ATAPI_CMD = 46h (GET CONFIGURATION, feature=%ld)", feature);
        if (feature == 0) {
            // Current profile CD-ROM, then the profile list feature, persistent and current.
            reply.Add({0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x03, 0x00});
        }
        reply.Cut(BigEndian16(&packet[7]));
        return SendReply(reply);
    }
    case 0x4A:
        TracePacket(kEventStatusRow, "ATAPI_CMD = 4Ah (GET EVENT/STATUS Notification)");
        // Media class: no change, medium present.
        reply.Add({0x00, 0x06, 0x04, 0x00, 0x00, 0x02, 0x00, 0x00});
        return SendReply(reply);
    default:
        TracePacket(kUnknownRow, "ATAPI_CMD = %.2lXh (unknown command, aborted)", opcode);
        return false;
    }
}

bool AtaDrive::AtapiModeSense(const std::array<uint8_t, 12>& packet, Reply& reply) {
    const uint8_t control = packet[2] >> 6;
    const uint8_t code = packet[2] & 0x3F;
    const uint32_t allocation = packet[0] == 0x1A ? packet[4] : BigEndian16(&packet[7]);
    const char* name = "Reserved";
    bool found = false;
    for (const ModePage& page : kModePages) {
        if (code == 0x3F || page.code == code) {
            reply.AddModePage(page);
            name = code == 0x3F ? "ALL" : page.name;
            found = true;
        }
    }
    TracePacket(kModeSenseRow, "ATAPI_CMD = 5Ah (MODE SENSE - get %s values from %s page size=%ld)",
                kPageControlNames[control], name, allocation);
    reply.Cut(allocation);
    return found && SendReply(reply);
}

bool AtaDrive::AtapiReadToc(const std::array<uint8_t, 12>& packet, Reply& reply) {
    const bool msf = (packet[1] & 0x02) != 0;
    const uint8_t start = packet[6];
    const uint8_t format = packet[9] >> 6;
    TracePacket(kTocRow, "ATAPI_CMD = 43h (READ TOC, format=%ld)", format);
    if (start > 99 && start != 0xAA) {
        return false;
    }
    const auto blocks = static_cast<uint32_t>(Blocks());
    constexpr uint8_t kLeadOut = 0xAA;
    switch (format) {
    case 0:
        if (start == kLeadOut) {
            reply.Add({0x00, 10, 0x01, 0x01});
        } else {
            // Tracks spread over the medium in 64 parts; track 65 is where the medium ends.
            const uint8_t track = start == 0 ? 1 : start;
            reply.Add({0x00, 18, 0x01, 0x01});
            reply.AddTrack(track, track == 65 ? blocks : (track - 1u) * (blocks / 64), msf);
        }
        reply.AddTrack(kLeadOut, blocks, msf);
        break;
    case 1:
        reply.Add({0x00, 10, 0x01, 0x01, 0, 0, 0, 0, 0, 0, 0, 0});
        break;
    case 2:
        reply.Add({0x00, 46, 0x01, 0x01});
        for (const uint8_t point : {0xA0, 0xA1, 0xA2, 0x01}) {
            reply.Add({0x01, 0x14, 0x00, point, 0x00, 0x00, 0x00});
            if (point != 0xA2) {
                reply.Add({0, 0, 0, 0});
            } else {
                reply.AddAddress(blocks, msf);
            }
        }
        break;
    default:
        reply.Add({0x00, 2, 0x01, 0x01});
        break;
    }
    reply.Cut(BigEndian16(&packet[7]));
    return SendReply(reply);
}

} // namespace emu
