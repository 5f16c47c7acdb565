// The floppy ROM's sector routine served directly: the fetch of its first word moves the sectors and answers RTS PC.
#include "emu/bk/BkFloppyController.h"

#include "emu/core/DriveSlot.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "emu/devices/DiskDrive.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace emu {

namespace {

constexpr const char* kHookName = "ROM_BK0010";
constexpr uint16_t kCarry = 1;
constexpr uint32_t kBlockBytes = 54;

// The parameter block's fields the transfer uses, by byte offset from R3.
struct DriverRequest {
    uint16_t buffer = 0;
    int16_t words = 0;
    uint8_t head = 0;
    uint8_t track = 0;
    uint8_t drive = 0;
    uint8_t sector = 0;

    static DriverRequest From(const std::array<uint8_t, kBlockBytes>& block) {
        DriverRequest request;
        request.buffer = static_cast<uint16_t>(block[22] | block[23] << 8);
        request.words = static_cast<int16_t>(block[24] | block[25] << 8);
        request.head = block[26];
        request.track = block[27];
        request.drive = block[28] & 1;
        request.sector = block[29];
        return request;
    }
};

} // namespace

bool BkFloppyController::InstallRomHook() {
    if (!Params().Remove(kHookName)) {
        return false;
    }
    hookFirstPage = kHookPage;
    hookPageCount = 1;
    hookActive = true;
    return Params().AddMemoryRange(kHookName, true, &hookActive, &hookFirstPage, &hookPageCount, OnRomHook, nullptr);
}

Cpu1801BM1* BkFloppyController::Processor() const {
    return Machine() != nullptr ? dynamic_cast<Cpu1801BM1*>(Machine()->FirstCpu()) : nullptr;
}

// Every read of the page comes here, so the address is looked at before the processor is asked.
bool BkFloppyController::OnRomHook(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek) {
    if (context == nullptr || size != 2 || address != kDriverEntry) {
        return false;
    }
    auto* controller = static_cast<BkFloppyController*>(static_cast<Device*>(context));
    Cpu1801BM1* cpu = controller->Processor();
    if (cpu == nullptr || cpu->GetPC() != address) {
        return false;
    }
    if (peek == 0 && !controller->DriverTransfer(kDriverEntry)) {
        cpu->SetPsw(static_cast<uint16_t>(cpu->Psw() | kCarry));
    }
    *static_cast<uint16_t*>(buffer) = kReturnOpcode;
    return true;
}

bool BkFloppyController::DriverTransfer(uint16_t address) {
    Cpu1801BM1* cpu = Processor();
    if (address != kDriverEntry || cpu == nullptr || Memory() == nullptr) {
        return false;
    }
    const uint16_t blockAddress = cpu->Register(3);
    std::array<uint8_t, kBlockBytes> block{};
    if (blockAddress > kLastBlockAddress || !Memory()->ReadBytes(blockAddress, block.data(), kBlockBytes, 0)) {
        return false;
    }
    const DriverRequest request = DriverRequest::From(block);
    const bool read = request.words > 0;
    const int32_t bytes = std::abs(static_cast<int32_t>(request.words)) * 2;
    const uint8_t broke =
        read ? TraceEventBreak(flags.traceReadSectors, flags.breakReadSectors, false,
                               "Read Sectors (Drive=%ld, Track=%ld, Head=%ld, Sector=%ld, Bytes=%ld) to [%.6lo]",
                               request.drive, request.track, request.head, request.sector, bytes, request.buffer)
             : TraceEventBreak(flags.traceWriteSectors, flags.breakWriteSectors, false,
                               "Write Sectors (Drive=%ld, Track=%ld, Head=%ld, Sector=%ld, Bytes=%ld) from [%.6lo]",
                               request.drive, request.track, request.head, request.sector, bytes, request.buffer);
    if (broke != 0) {
        return true;
    }
    if (bytes != 0) {
        DiskDrive* drive = GetDrive(request.drive);
        if (drive == nullptr) {
            return false;
        }
        if (drive->Slot() != nullptr) {
            drive->Slot()->accessBlink = true;
        }
        if (!read && drive->IsReady() && !drive->IsWritable()) {
            if (const DriveSlot* slot = RefusalToTell(*drive)) {
                PrintError("[FDD_%ld ERROR] Can not write to file \"%s\": it is read-only!", request.drive,
                           slot->ImagePath());
            }
        }
        // Sector 0 wraps to an index far outside the geometry.
        if (!drive->CheckPosition(request.track, request.head, static_cast<uint64_t>(request.sector) - 1) ||
            !MoveSectors(*drive, read, request.buffer, bytes)) {
            return false;
        }
    }
    cpu->SetPsw(static_cast<uint16_t>(cpu->Psw() & ~kCarry));
    return true;
}

bool BkFloppyController::MoveSectors(DiskDrive& drive, bool read, uint16_t address, int32_t bytes) {
    const auto sectorSize = static_cast<int32_t>(drive.SectorSize());
    if (sectorSize <= 0) {
        return false;
    }
    std::vector<uint8_t> buffer(static_cast<size_t>(sectorSize));
    // A write over the track the register view holds encodes it anew, also when it fails part way.
    bool encodedTrackWritten = false;
    const auto move = [&]() {
        while (bytes > 0) {
            const int32_t chunk = std::min(bytes, sectorSize);
            if (read) {
                if (drive.ReadSector(buffer.data(), chunk, 0) != chunk ||
                    !Memory()->WriteBytes(address, buffer.data(), static_cast<uint32_t>(chunk), 0xFFFF)) {
                    return false;
                }
            } else {
                encodedTrackWritten =
                    encodedTrackWritten ||
                    (&drive == selected && drive.CylinderIndex() == trackCylinder && drive.HeadIndex() == trackHead);
                if (!Memory()->ReadBytes(address, buffer.data(), static_cast<uint32_t>(chunk), 0xFFFF) ||
                    drive.WriteSector(buffer.data(), chunk, 0) != chunk) {
                    return false;
                }
            }
            address = static_cast<uint16_t>(address + chunk);
            bytes -= chunk;
            if (bytes > 0 && !drive.NextSector()) {
                return false;
            }
        }
        return true;
    };
    // The image holds every written sector when the routine returns.
    const bool moved = move() && (read || drive.FlushBuffer());
    if (encodedTrackWritten) {
        const int32_t position = trackPosition;
        EncodeTrack(trackCylinder, trackHead);
        trackPosition = position;
    }
    return moved;
}

} // namespace emu
