#pragma once

#include "emu/bk/BkRegisterTable.h"
#include "emu/devices/DiskController.h"

#include <cstdint>
#include <vector>

namespace emu {

struct BusEvent;
class Cpu1801BM1;
class DiskDrive;
class DriveSlot;

// The floppy-disk controller of the BK models with a disk drive, "FDC BK", tag "FDC", over two drives. The CPU
// sees it two ways:
//
// - Registers 0177130 (control written, state read) and 0177132 (data): the selected drive's current track,
//   encoded from the image's sectors as a raw track of 3200 words (gaps, sync zeros, address marks, the sector
//   data, no CRC words), which the CPU steps, switches heads on, searches for the 0xA1A1 sync word and reads word
//   by word. The index hole shows once a second ("RotateEvent", 1 Hz) and is cleared within 10 ms, rewinding the
//   track ("MarkerEvent", 100 Hz). The register view only reads: a word written to the data register stays there.
// - The floppy ROM's sector routine at 0160372: when the CPU fetches its first word, the requested sectors are
//   copied between the image and memory at once, the carry tells the outcome, and the fetch answers RTS PC. Every
//   write to a disk goes this way.
//
// Images are raw: 2 heads, 10 sectors of 512 bytes per track; 819200, 719872 and 726964 bytes give 80 cylinders,
// 409600 bytes 40. An image of another size, and a write to a read-only image, are told on the console once per
// mount.
//
// State: "VER" 0, "DIDX" selected drive + 1, "CTLR", "STSR", "DATR" the registers, "TROT" and "TMRK" the event
// generations, "TRBP" and "TRBS" the track position and length.
class BkFloppyController : public DiskController {
public:
    static constexpr int32_t kDriveCount = 2;
    static constexpr int32_t kTrackWords = 3200;
    static constexpr int32_t kSectorWords = 308;
    static constexpr uint64_t kSectorsPerTrack = 10;
    static constexpr uint64_t kSectorBytes = 512;
    // Word offsets within a sector's block of the raw track.
    static constexpr int32_t kHeaderWord = 26;
    static constexpr int32_t kDataWord = 52;
    static constexpr uint16_t kGapWord = 0x4E4E;
    static constexpr uint16_t kSyncWord = 0xA1A1;

    // Control register bits.
    static constexpr uint16_t kMotorOn = 0x0010;
    static constexpr uint16_t kHeadSelect = 0x0020;
    static constexpr uint16_t kStepUp = 0x0040;
    static constexpr uint16_t kStep = 0x0080;
    static constexpr uint16_t kMarkerSearch = 0x0100;
    // State register bits.
    static constexpr uint16_t kZeroTrack = 0x0001;
    static constexpr uint16_t kDriveReady = 0x0002;
    static constexpr uint16_t kReadOnly = 0x0004;
    static constexpr uint16_t kData = 0x0080;
    static constexpr uint16_t kCrcWriting = 0x4000;
    static constexpr uint16_t kHole = 0x8000;

    // The floppy ROM's sector routine, and the 54-byte parameter block R3 points at there.
    static constexpr uint16_t kDriverEntry = 0160372;
    static constexpr uint16_t kLastBlockAddress = 0177711;
    static constexpr uint32_t kHookPage = 56;
    static constexpr uint16_t kReturnOpcode = 0000207;

    BkFloppyController();
    ~BkFloppyController() override;

    // The controller's rows of a machine's register table, 0177130-0177133, untraced by the machine: they reach
    // the machine's floppy controller, which the machine must have.
    static bool AddRegisters(BkRegisterTable& table);

    // Only word writes reach the control register.
    void WriteControlPort(uint16_t value, RegisterAccess access);
    void WriteControl(uint16_t value);
    // A state read changes nothing.
    uint16_t ReadState(RegisterAccess access, bool peek);
    // The word at the track position, which moves on; 0 past the track, on byte reads and without a track.
    uint16_t ReadData(RegisterAccess access, bool peek);
    // Latches a word; byte writes do nothing.
    void WriteData(uint16_t value, RegisterAccess access);

    uint16_t Control() const { return ctrlReg; }
    uint16_t State() const { return stateReg; }
    uint16_t DataLatch() const { return dataReg; }
    // The selected drive's index, -1 for none.
    int32_t SelectedIndex() const;
    int32_t TrackPosition() const { return trackPosition; }
    int32_t TrackLength() const { return trackLength; }
    // The encoded track; empty without one.
    const std::vector<uint16_t>& Track() const { return track; }

    // 80/2/10/512 only for an image that declares its geometry; otherwise by image size.
    bool GeometryFromSize(int32_t driveIndex, bool detected, uint64_t& cylinders, uint64_t& heads, uint64_t& sectors,
                          uint64_t& sectorSize) override;
    // A new medium in the selected drive ends the selection and its track.
    void OnDriveChanged(int32_t driveIndex) override;

    // Registers cleared, no selection, every drive stopped at cylinder 0, head 0, sector 0, the event names bound.
    bool Start(int32_t& rate) override;
    // The twelve trace and break keys, "TraceReadSTATE" .. "BreakWriteSectors", then the children's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The trace menu: registers and driver, trace and break.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Every record is read and checked before any is taken.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;
    // Once the drives have their state back, the selected drive's track is encoded anew at the saved position.
    bool AfterLoadState(common::NarrowString* note) override;

    // Declares the memory hook "ROM_BK0010" on page 56 (0160000-0161777), bound whenever the machine applies the
    // controller's parameters. False when the parameter set refuses it.
    bool InstallRomHook();
    // The hook, with the controller as context: the fetch of the word at 0160372 by the first processor runs the
    // transfer (unless a peek) and answers RTS PC; every other read is left to the ROM.
    static bool OnRomHook(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    // Moves the sectors the parameter block at R3 asks for; false on a failure (bytes already moved stay). A granted
    // break moves nothing and answers true.
    bool DriverTransfer(uint16_t address);

private:
    struct Flags {
        bool traceReadState = false;
        bool breakReadState = false;
        bool traceWriteControl = false;
        bool breakWriteControl = false;
        bool traceReadData = false;
        bool breakReadData = false;
        bool traceWriteData = false;
        bool breakWriteData = false;
        bool traceReadSectors = false;
        bool breakReadSectors = false;
        bool traceWriteSectors = false;
        bool breakWriteSectors = false;
    };
    // What "DIDX" and the track records name, applied again once the drives are loaded.
    struct PendingTrack {
        int32_t driveIndex = -1;
        int32_t position = 0;
    };

    static bool OnRotateEvent(TreeNode* owner, BusEvent* event);
    static bool OnMarkerEvent(TreeNode* owner, BusEvent* event);
    bool IsDriveReady(const DiskDrive* drive) const;
    // Frees the track, and makes and encodes it anew for a selected drive.
    void AllocTrackBuffer();
    // Encodes the selected drive's current cylinder and head; false without a selection or when a sector cannot
    // be reached. The position goes back to 0.
    bool BuildTrack();
    bool EncodeTrack(uint64_t cylinder, uint64_t head);
    // Takes the selection of the pending track: the drive when it is ready (else none), its track at the position.
    void RestoreTrack();
    // The drive's slot when it holds an image whose refusal (a size no geometry takes, a write to a read-only
    // image) has not been told yet, which then counts as told: once per mount. Null otherwise.
    static DriveSlot* RefusalToTell(const DiskDrive& drive);
    // The transfer's sector copies on the drive; false at the first that fails.
    bool MoveSectors(DiskDrive& drive, bool read, uint16_t address, int32_t bytes);
    Cpu1801BM1* Processor() const;

    Flags flags;
    DiskDrive* selected = nullptr;
    uint16_t ctrlReg = 0;
    uint16_t stateReg = 0;
    uint16_t dataReg = 0;
    int64_t rotateTag = 0;
    int64_t markerTag = 0;
    int32_t trackPosition = 0;
    int32_t trackLength = 0;
    std::vector<uint16_t> track;
    std::vector<uint16_t> trackTemplate;
    // Per sector: the word index of its cylinder/head word and of its first data word.
    std::vector<std::pair<int32_t, int32_t>> sectorTable;
    // The cylinder and head the track holds.
    uint64_t trackCylinder = 0;
    uint64_t trackHead = 0;
    PendingTrack pending;
    // The memory hook's parameter variables.
    bool hookActive = false;
    uint64_t hookFirstPage = kHookPage;
    uint64_t hookPageCount = 1;
};

} // namespace emu
