#pragma once

#include "common/LittleEndian.h"
#include "common/NarrowString.h"
#include "common/RingStream.h"
#include "emu/core/BusService.h"
#include "emu/devices/DiskDrive.h"

#include <array>
#include <cstdint>
#include <vector>

namespace emu {

class AtaController;
class CpuInterface;

// ATA task-file register numbers: the index of each register's trace and break switches. Reads and writes share an
// index where the register file does (ERROR/PRECOMP, STATUS/COMMAND, ALT_STATUS/CONTROL).
namespace ata {
inline constexpr int32_t kData = 0;
inline constexpr int32_t kError = 1;
inline constexpr int32_t kPrecomp = 1;
inline constexpr int32_t kSectorCount = 2;
inline constexpr int32_t kSectorIndex = 3;
inline constexpr int32_t kCylinderLow = 4;
inline constexpr int32_t kCylinderHigh = 5;
inline constexpr int32_t kDriveHead = 6;
inline constexpr int32_t kStatus = 7;
inline constexpr int32_t kCommand = 7;
inline constexpr int32_t kAltStatus = 8;
inline constexpr int32_t kControl = 8;
inline constexpr int32_t kDriveAddress = 9;
inline constexpr int32_t kRegisterCount = 10;

// STATUS bits.
inline constexpr uint8_t kBusy = 0x80;
inline constexpr uint8_t kReady = 0x40;
inline constexpr uint8_t kSeekComplete = 0x10;
inline constexpr uint8_t kDataRequest = 0x08;
inline constexpr uint8_t kErrorBit = 0x01;
// ERROR bits.
inline constexpr uint8_t kUncorrectable = 0x40;
inline constexpr uint8_t kIdNotFound = 0x10;
inline constexpr uint8_t kAborted = 0x04;
// CYLINDER after a reset or a signature read: an ATAPI device's signature.
inline constexpr uint16_t kPacketSignature = 0xEB14;
// The largest chunk of a packet READ.
inline constexpr uint32_t kLargestChunk = 16384;

// The per-register trace and break switches of one drive, which its controller keeps.
struct RegisterSwitches {
    std::array<bool, kRegisterCount> readTrace{};
    std::array<bool, kRegisterCount> readBreak{};
    std::array<bool, kRegisterCount> writeTrace{};
    std::array<bool, kRegisterCount> writeBreak{};
};

inline constexpr int32_t kAtaCommandRows = 20;
inline constexpr int32_t kAtapiCommandRows = 16;
// The captions of the per-command trace and break switches, by row.
inline constexpr std::array<const char*, kAtaCommandRows> kAtaCommandCaptions{
    "10h - Recalibrate",
    "20h - Read Sectors",
    "30h - Write Sectors",
    "3Ch - Write And Verify Sectors",
    "40h - Read And Verify Sectors",
    "70h - Seek",
    "90h - Drives Diagnostic",
    "91h - Initialize Parameters",
    "DAh - Get Media Status",
    "E5h - Check Power Mode",
    "E7h - Flush Cache",
    "ECh - Identify Drive",
    "EFh - Set Features",
    "08h - Reset Packet Drive (ATAPI)",
    "A0h - Start Packet Command (ATAPI)",
    "A1h - Identify Packet Drive (ATAPI)",
    "C4h - Read Multiple Sectors",
    "C5h - Write Multiple Sectors",
    "C6h - Set Multiple Mode",
    "??h - (unknown)",
};
inline constexpr std::array<const char*, kAtapiCommandRows> kAtapiCommandCaptions{
    "00h - Test Unit Ready (check if ready)",
    "01h - Rezero Unit (seek to zero)",
    "03h - Request Sense",
    "12h - Inquiry Drive Configuration",
    "1Bh - Start/Stop Unit",
    "1Eh - Prevent/Allow Media Removal",
    "25h - Read Drive Capacity",
    "28h - Read Data",
    "2Bh - Seek (to sector)",
    "42h - Read Sub-Channel",
    "43h - Read TOC (table of contents)",
    "46h - Get Configuration",
    "4Ah - Get Event/Status Notification",
    "1A/5Ah - Mode Sense (get parameters)",
    "BEh - Read CD (universal)",
    "??h - (unknown)",
};

// The register byte zero-extended into a read of 1, 2 or 4 bytes; false for any other width.
inline bool StoreRegister(void* value, uint32_t size, uint8_t byte) {
    if (size != 1 && size != 2 && size != 4) {
        return false;
    }
    common::StoreLittleEndian(static_cast<uint8_t*>(value), static_cast<int>(size), byte);
    return true;
}

// The trace and break switches of the commands, by row of the tables above; settings of the drive.
struct CommandSwitches {
    std::array<bool, kAtaCommandRows> traceAta{};
    std::array<bool, kAtaCommandRows> breakAta{};
    std::array<bool, kAtapiCommandRows> traceAtapi{};
    std::array<bool, kAtapiCommandRows> breakAtapi{};
};
} // namespace ata

// One drive behind an ATA controller: an ATA hard disk on a raw image of 512-byte sectors, or an ATAPI CD drive on
// a raw image of 2048-byte blocks. It holds the task-file registers and the data FIFO between host and image, runs
// the ATA commands with timed completions (sector steps on a bus event and, with a processor, a cycle event), the
// ATAPI packet commands of a CD drive, and requests its controller's interrupt line. The controller routes the
// register accesses of the selected drive here and runs reset and diagnostics over both drives.
//
// Timed work carries sequence tags: a new command, reset or request raises the sequence, and an event whose tag
// differs ends without effect. Everything runs on the emulation thread.
class AtaDrive : public DiskDrive {
public:
    AtaDrive(DriveSlot* slot, AtaController* controller, int32_t driveIndex, bool atapi,
             ata::RegisterSwitches* switches);
    ~AtaDrive() override;

    bool IsAtapi() const { return atapi; }
    // An image the drive took is in the slot: the drive answers its registers.
    bool IsPresent() const;
    ata::CommandSwitches& CommandTraces() { return commandSwitches; }

    // Register reads: widths 1, 2 and 4 get the byte zero-extended; other widths are not handled. While busy the
    // parameter registers read as STATUS. quiet (the debugger's reads) neither traces nor changes anything.
    bool ReadError(uint32_t size, void* value, bool quiet);
    bool ReadSectorCount(uint32_t size, void* value, bool quiet);
    bool ReadSectorIndex(uint32_t size, void* value, bool quiet);
    bool ReadCylinderLow(uint32_t size, void* value, bool quiet);
    bool ReadCylinderHigh(uint32_t size, void* value, bool quiet);
    bool ReadDriveHead(uint32_t size, void* value, bool quiet);
    // STATUS (primary) or ALT_STATUS. Reading STATUS withdraws the drive's interrupt request and makes any pending
    // one stale.
    bool ReadStatus(uint32_t size, void* value, bool quiet, bool primary);
    bool ReadDriveAddress(uint32_t size, void* value, bool quiet);
    // The head of the FIFO; the status byte while busy or with nothing to read. peek consumes nothing.
    bool ReadData(uint32_t size, void* value, bool peek);

    // Writes of the parameter registers: stored unless busy; breaks tells that the trace broke, and the value
    // was then dropped. A shadow write is the silent copy for the drive that is not selected.
    bool WriteParameter(int32_t index, uint32_t size, const void* value, bool& breaks);
    void ShadowWrite(int32_t index, uint8_t value);
    void WriteDriveHead(uint8_t value, bool& breaks);
    bool WritePrecomp(uint32_t size, const void* value);
    // Traces a CONTROL write; the controller acts on it unless breaks.
    void TraceControl(uint8_t value, bool& breaks);
    void SetInterruptDisabled(bool disabled) { state.interruptDisabled = disabled ? 1 : 0; }
    bool WriteData(uint32_t size, const void* value);
    // The COMMAND register. forced takes the command even while busy or not ready (the controller's diagnostic).
    bool WriteCommand(uint8_t command, bool forced = false);

    // Enters (begin) or leaves the reset: leaving loads the signature of a drive that just reset.
    void ResetRegisters(bool begin);
    // Requests the interrupt: at once for rate 0 when the line is in force, the drive selected and nIEN clear,
    // else on a bus event at the rate, retried every tick until a source takes it.
    void RaiseIrq(int32_t rate);
    bool DiagnosticActive() const { return state.diagnosticActive; }
    void SetDiagnosticActive(bool active) { state.diagnosticActive = active; }
    // The end of the controller's diagnostic on this drive: not busy, ERROR 01h.
    void EndDiagnostic();

    uint8_t Status() const { return state.status; }
    uint8_t Error() const { return state.error; }
    bool IsBusy() const { return state.busy; }
    uint16_t Cylinder() const { return state.cylinder; }
    int64_t FifoSize() const { return fifo.Size(); }
    const common::NarrowString& Model() const { return state.model; }
    const common::NarrowString& Serial() const { return state.serial; }

    // The 72 keys of the command trace and break switches.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // Busy until the controller's reset ends; binds the events by name.
    bool Start(int32_t& rate) override;
    void Stop() override;
    bool SaveOwnData(common::RecordArchive& archive) override;

protected:
    bool ReadKindData(common::RecordArchive& archive, common::NarrowString* note) override;
    void ApplyKindData() override;

private:
    // Everything of the drive a state carries; a load reads it whole into a copy before it is taken.
    struct State {
        common::NarrowString model;
        common::NarrowString serial;
        uint8_t dataLatch = 0;
        uint8_t error = 0;
        // For a CD drive the interrupt reason: 1 packet expected, 2 data for the host, 3 status.
        uint8_t sectorCount = 0;
        uint8_t sectorIndex = 0;
        // The sector count decoded (0 is 256), counting down as sectors move.
        uint32_t sectorsToDo = 0;
        // For a CD drive the byte count of the current data chunk.
        uint16_t cylinder = 0;
        uint8_t driveBit = 0;
        uint8_t head = 0;
        bool lbaMode = false;
        uint8_t status = 0;
        // nIEN of CONTROL.
        uint8_t interruptDisabled = 0;
        // Mirrors BSY.
        bool busy = false;
        int64_t irqSequence = 0;
        int64_t commandSequence = 0;
        uint8_t command = 0;
        bool clearBusyOnIrq = false;
        bool diagnosticActive = false;
        // The read moves no data (READ VERIFY).
        bool verifyOnly = false;
        // A sector transfer is under way.
        bool dataPhase = false;
        // A PACKET command collects its 12 bytes.
        bool packetPhase = false;
        // DRIVE_HEAD as last written.
        uint8_t driveHeadValue = 0;
        // The byte count limit of a chunk, and the position and bytes left of a READ.
        uint32_t atapiByteCount = 0;
        uint32_t atapiReadPosition = 0;
        uint32_t atapiBytesToRead = 0;
        bool atapiReadActive = false;
        uint8_t senseKey = 0;
        uint8_t additionalSense = 0;
        // Sectors per READ/WRITE MULTIPLE block; 0 is multiple mode off.
        uint8_t multipleBlockSize = 0;
        uint32_t multipleToDo = 0;
        // The bytes beyond one sector that a written block holds.
        int32_t multipleBytes = 0;
        // More sectors of the current transfer follow.
        bool transferPending = false;
        bool multipleMode = false;
        // Cycles at the last command start or sector step.
        int64_t lastCommandTime = 0;
    };
    // What a command does at its COMMAND write: the new status and phases.
    struct Acceptance {
        uint8_t status = 0;
        bool dataPhase = false;
        bool packetPhase = false;
    };
    // One sector of a step, where it lies.
    struct Place {
        uint64_t cylinder = 0;
        uint64_t head = 0;
        uint64_t sector = 0;
    };

    AtaController& Ata() const;
    CpuInterface* Cpu() const;
    int64_t CpuCycles() const;
    bool EnabledAndSelected() const;
    // Offers (on) or withdraws the request on the controller's line; true when a source took it.
    bool OfferInterrupt(bool on);
    void MarkActivity() const;
    bool AddBusEvent(int32_t rate, BusEventCallback callback, const char* name, uint64_t tag);
    // An empty FIFO with a buffer.
    void PrepareFifo();

    template <typename... Args>
    bool TraceRead(int32_t index, bool quiet, const char* format, const Args&... args) const {
        return TraceEventBreak(switches->readTrace[index], switches->readBreak[index], quiet, format, args...) != 0;
    }
    template <typename... Args>
    bool TraceWrite(int32_t index, const char* format, const Args&... args) const {
        return TraceEventBreak(switches->writeTrace[index], switches->writeBreak[index], false, format, args...) != 0;
    }
    // A read of a width it answers, marked as the drive's activity unless quiet.
    bool BeginRead(uint32_t size, bool quiet) const;
    // A parameter register read while busy: the status, with the register's busy line.
    bool ReadBusy(uint32_t size, void* value, bool quiet, int32_t index, const char* format) const;

    static bool OnIrqEvent(TreeNode* owner, BusEvent* event);
    bool IrqEvent(uint64_t tag);

    // ---- Commands
    // A command's line, on the COMMAND register's switches or the command's row; true when it breaks.
    template <typename... Args>
    bool TraceCommand(int32_t row, const char* format, const Args&... args) const {
        const auto at = static_cast<size_t>(row);
        return TraceEventBreak(switches->writeTrace[ata::kCommand] || commandSwitches.traceAta[at],
                               switches->writeBreak[ata::kCommand] || commandSwitches.breakAta[at], false, format,
                               args...) != 0;
    }
    // What the command does at its write, from the status it met; breaks when its line broke.
    Acceptance AcceptCommand(uint8_t command, uint8_t status, bool& breaks);
    Acceptance AbortWithoutInterrupt(uint8_t status);
    Acceptance AbortWithInterrupt(uint8_t status, int32_t rate);
    // An ATA command on a CD drive: aborted, with the packet signature in the registers.
    Acceptance AbortWithSignature(uint8_t status, int32_t rate);
    // Completed by "CMDEvent" at the rate.
    Acceptance Timed(uint8_t status, int32_t rate);
    // Completed in sector steps by "CMDEvent" and, with a processor, "CMDEventCPU".
    Acceptance SectorCommand(uint8_t status, uint8_t newStatus);
    void LoadSignature();
    void ClearBusy();
    static bool OnCmdEvent(TreeNode* owner, BusEvent* event);
    static bool OnCmdEventCpu(TreeNode* owner, int32_t* period, uint64_t* data, CpuInterface* cpu);
    bool CompleteCommand();
    bool CompleteSectorStep();
    bool FinishCommand();
    bool FinishCheckPowerMode();
    bool FinishSetMultiple();
    bool FinishDiagnostic();
    bool IdentifyDevice();
    bool IdentifyPacketDevice();
    bool FillIdentify(const std::array<uint16_t, 256>& words);
    // Whether a step may run now: 50 cycles after the previous one (always without a processor).
    bool StepDue();
    // The address the registers hold in LBA mode.
    uint32_t LbaAddress() const;
    bool Inside(const Place& place) const;
    // The place the registers address; false when it lies outside the geometry.
    bool CurrentPlace(Place& place) const;
    void NextPlace(Place& place) const;
    bool SelectPlace(const Place& place);
    // The registers after moved sectors: the next place in CHS mode, the address plus moved in LBA mode.
    void AdvanceRegisters(const Place& next, uint32_t address, uint32_t moved);
    void CountSector();
    // A step that moved its sectors: ends the command unless more follow, and interrupts.
    bool EndStep(bool more);
    // A step that failed: the transfer ends with ERR, the error bit, an empty FIFO and an interrupt.
    bool FailTransfer(uint8_t errorBit);
    bool ReadSectors(bool multiple);
    bool VerifySector();
    bool WriteSectors(bool multiple);

    // ---- DATA and packets
    class Reply;
    template <typename... Args>
    void TracePacket(int32_t row, const char* format, const Args&... args) const {
        const auto at = static_cast<size_t>(row);
        TraceEventNotify(commandSwitches.traceAtapi[at], commandSwitches.breakAtapi[at], false, format, args...);
    }
    void TraceBusyData(uint32_t size, uint32_t value) const;
    // The host moved the last byte of a block: DRQ drops, and a sector transfer goes on busy (true).
    bool EndHostBlock();
    void ExecutePacket();
    // Runs the packet's command, leaving its reply in the FIFO; false when it fails.
    bool RunPacket(const std::array<uint8_t, 12>& packet);
    // The status phase, or the data phase when a reply waits.
    void EndPacket(bool ok);
    bool SendReply(const Reply& reply);
    bool AtapiModeSense(const std::array<uint8_t, 12>& packet, Reply& reply);
    bool AtapiReadToc(const std::array<uint8_t, 12>& packet, Reply& reply);
    bool AtapiRead(uint64_t block, uint64_t count);
    // Loads the next chunk of a READ into the FIFO; false when the image gives fewer bytes.
    bool LoadAtapiChunk();
    void NextAtapiChunk();
    // The medium's size in 2048-byte blocks.
    uint64_t Blocks() const;

    bool ReadState(common::RecordArchive& archive, State& loaded, std::vector<uint8_t>& fifoBytes) const;
    bool StateFits(const State& loaded) const;

    bool atapi;
    ata::RegisterSwitches* switches;
    ata::CommandSwitches commandSwitches;
    common::RingStream fifo;
    common::NarrowString firmware;

    State state;

    // A state read whole, waiting until the drive base has taken its part.
    State loadedState;
    std::vector<uint8_t> loadedFifo;
};

} // namespace emu
