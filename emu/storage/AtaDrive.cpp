#include "emu/storage/AtaDrive.h"

#include "common/LittleEndian.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/core/BusService.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/InterruptController.h"
#include "emu/core/MachineInterface.h"
#include "emu/core/StateChunk.h"
#include "emu/storage/AtaController.h"

#include <algorithm>

namespace emu {

namespace {

// The bus rate the drive needs, and the rate at which a request no source took is offered again.
constexpr int32_t kBusRate = 2000;
constexpr int32_t kRetryRate = 44100;
constexpr const char* kIrqEvent = "IRQEvent";
constexpr const char* kCommandEvent = "CMDEvent";
constexpr const char* kCommandCpuEvent = "CMDEventCPU";
constexpr uint8_t kStartBlockSize = 128;
constexpr uint8_t kResetStatus = ata::kBusy;
constexpr uint8_t kSignatureStatus = ata::kReady | ata::kSeekComplete;
// The largest FIFO a state may hold: a whole 256-sector transfer.
constexpr int32_t kLargestSavedFifo = 131072;
constexpr int32_t kLargestBlockBytes = 127 * 512;
constexpr uint32_t kLargestByteCount = 65534;

// The switches of a drive made without a controller: all off.
ata::RegisterSwitches kNoSwitches;

common::NarrowString Key(const char* name) {
    return common::NarrowString(name);
}

// Text padded with blanks, or cut, to width characters.
common::NarrowString Padded(const common::NarrowString& text, size_t width) {
    std::string padded(text.View().substr(0, width));
    padded.resize(width, ' ');
    return common::NarrowString(padded.c_str());
}

} // namespace

AtaDrive::AtaDrive(DriveSlot* slot, AtaController* controller, int32_t driveIndex, bool atapi,
                   ata::RegisterSwitches* switches)
    : DiskDrive(slot, controller, driveIndex, "HDD ATA", "HDD ATA"), atapi(atapi),
      switches(switches != nullptr ? switches : &kNoSwitches) {}

AtaDrive::~AtaDrive() = default;

AtaController& AtaDrive::Ata() const {
    return *static_cast<AtaController*>(Controller());
}

CpuInterface* AtaDrive::Cpu() const {
    return Machine() != nullptr ? Machine()->FirstCpu() : nullptr;
}

int64_t AtaDrive::CpuCycles() const {
    const CpuInterface* cpu = Cpu();
    return cpu != nullptr ? static_cast<int64_t>(cpu->Cycles()) : 0;
}

bool AtaDrive::IsPresent() const {
    return IsSupported() && IsEnabled() && Slot() != nullptr && Slot()->Image().IsOpen();
}

void AtaDrive::MarkActivity() const {
    if (Slot() != nullptr) {
        Slot()->accessBlink = true;
    }
}

bool AtaDrive::AddBusEvent(int32_t rate, BusEventCallback callback, const char* name, uint64_t tag) {
    return Bus() != nullptr && Bus()->AddEvent(rate, callback, this, name, tag, false) != 0;
}

void AtaDrive::PrepareFifo() {
    if (!fifo.IsOpen()) {
        fifo.Create(0, -1);
    }
    fifo.Skip(-1);
}

// ---- Register reads

bool AtaDrive::BeginRead(uint32_t size, bool quiet) const {
    if (size != 1 && size != 2 && size != 4) {
        return false;
    }
    if (!quiet) {
        MarkActivity();
    }
    return true;
}

bool AtaDrive::ReadBusy(uint32_t size, void* value, bool quiet, int32_t index, const char* format) const {
    return TraceRead(index, quiet, format, state.status) || ata::StoreRegister(value, size, state.status);
}

bool AtaDrive::ReadError(uint32_t size, void* value, bool quiet) {
    if (!BeginRead(size, quiet)) {
        return false;
    }
    if (state.busy) {
        return ReadBusy(size, value, quiet, ata::kError, "<=ERROR = %.2lXh (busy, <status)");
    }
    const uint8_t e = state.error;
    const auto bit = [e](uint8_t mask, const char* name) { return (e & mask) != 0 ? name : ""; };
    return TraceRead(ata::kError, quiet, "<=ERROR = %.2lXh (%s%s%s%s%s%s%s)", e, (e & 0xD7) == 0 ? "no error" : "",
                     bit(0x01, "MarkErr "), bit(0x02, "Trk0Err "), bit(0x04, "CmdAbort "), bit(0x10, "SectNotFound "),
                     bit(0x40, "DataErr "), bit(0x80, "BadBlock ")) ||
           ata::StoreRegister(value, size, e);
}

bool AtaDrive::ReadSectorCount(uint32_t size, void* value, bool quiet) {
    if (!BeginRead(size, quiet)) {
        return false;
    }
    if (state.busy) {
        return ReadBusy(size, value, quiet, ata::kSectorCount, "<=SECTOR_COUNT = %.2lXh (busy, <status)");
    }
    const uint8_t count = state.sectorCount;
    return TraceRead(ata::kSectorCount, quiet, "<=SECTOR_COUNT = %.2lXh (process %ld sectors)", count,
                     count == 0 ? 256 : count) ||
           ata::StoreRegister(value, size, count);
}

bool AtaDrive::ReadSectorIndex(uint32_t size, void* value, bool quiet) {
    if (!BeginRead(size, quiet)) {
        return false;
    }
    if (state.busy) {
        return ReadBusy(size, value, quiet, ata::kSectorIndex, "<=SECTOR_INDEX = %.2lXh (busy, <status)");
    }
    const uint8_t index = state.sectorIndex;
    return TraceRead(ata::kSectorIndex, quiet, "<=SECTOR_INDEX = %.2lXh (start from %ld sectors)", index, index) ||
           ata::StoreRegister(value, size, index);
}

bool AtaDrive::ReadCylinderLow(uint32_t size, void* value, bool quiet) {
    if (!BeginRead(size, quiet)) {
        return false;
    }
    if (state.busy) {
        return ReadBusy(size, value, quiet, ata::kCylinderLow, "<=CYLINDER_LOW = %.2lXh (busy, <status)");
    }
    const auto low = static_cast<uint8_t>(state.cylinder);
    return TraceRead(ata::kCylinderLow, quiet, "<=CYLINDER_LOW = %.2lXh (cylinder=%ld)", low, state.cylinder) ||
           ata::StoreRegister(value, size, low);
}

bool AtaDrive::ReadCylinderHigh(uint32_t size, void* value, bool quiet) {
    if (!BeginRead(size, quiet)) {
        return false;
    }
    if (state.busy) {
        return ReadBusy(size, value, quiet, ata::kCylinderHigh, "<=CYLINDER_HIGH = %.2lXh (busy, <status)");
    }
    const auto high = static_cast<uint8_t>(state.cylinder >> 8);
    return TraceRead(ata::kCylinderHigh, quiet, "<=CYLINDER_HIGH = %.2lXh (cylinder=%ld)", high, state.cylinder) ||
           ata::StoreRegister(value, size, high);
}

bool AtaDrive::ReadDriveHead(uint32_t size, void* value, bool quiet) {
    if (!BeginRead(size, quiet)) {
        return false;
    }
    if (state.busy) {
        return ReadBusy(size, value, quiet, ata::kDriveHead, "<=DRIVE_HEAD = %.2lXh (busy, <status)");
    }
    // The head as transfers leave it, under the bits last written.
    const auto byte = static_cast<uint8_t>((state.driveHeadValue & 0xF0) | (state.head & 0x0F));
    return TraceRead(ata::kDriveHead, quiet, "<=DRIVE_HEAD = %.2lXh (drive=%ld, head=%ld, %s)", byte, state.driveBit,
                     state.head, state.lbaMode ? "LBA" : "CHS") ||
           ata::StoreRegister(value, size, byte);
}

bool AtaDrive::ReadStatus(uint32_t size, void* value, bool quiet, bool primary) {
    if (!BeginRead(size, quiet)) {
        return false;
    }
    const uint8_t s = state.status;
    const auto bit = [s](int shift) { return (s >> shift & 1) != 0 ? '1' : '0'; };
    if (TraceRead(primary ? ata::kStatus : ata::kAltStatus, quiet,
                  "<=%sSTATUS = %.2lXh (%s:%c,%s:%c,%s:%c,%s:%c,%s:%c,%s:%c,%s:%c,%s:%c)", primary ? "" : "ALT_", s,
                  "Error", bit(0), "RotIdx", bit(1), "RdCorr", bit(2), "Data", bit(3), "SeekRdy", bit(4), "WrFault",
                  bit(5), "Ready", bit(6), "Busy", bit(7))) {
        return true;
    }
    ata::StoreRegister(value, size, s);
    // Reading STATUS acknowledges the interrupt.
    if (primary && !quiet) {
        ++state.irqSequence;
        if (EnabledAndSelected()) {
            OfferInterrupt(false);
        }
    }
    return true;
}

bool AtaDrive::ReadDriveAddress(uint32_t size, void* value, bool quiet) {
    if (!BeginRead(size, quiet)) {
        return false;
    }
    return TraceRead(ata::kDriveAddress, quiet, "<=DRIVE_ADDRESS = %.2lXh (TODO)", 0) ||
           ata::StoreRegister(value, size, 0);
}

// ---- Register writes

bool AtaDrive::WriteParameter(int32_t index, uint32_t size, const void* value, bool& breaks) {
    if (size > 4 || index < ata::kSectorCount || index > ata::kCylinderHigh) {
        return false;
    }
    const uint8_t byte = size == 0 ? 0 : *static_cast<const uint8_t*>(value);
    MarkActivity();
    static constexpr const char* kBusyFormats[] = {
        "=>SECTOR_COUNT = %.2lXh (busy, no write)", "=>SECTOR_INDEX = %.2lXh (busy, no write)",
        "=>CYLINDER_LOW = %.2lXh (busy, no write)", "=>CYLINDER_HIGH = %.2lXh (busy, no write)"};
    if (state.busy) {
        breaks = TraceWrite(index, kBusyFormats[index - ata::kSectorCount], byte);
        return true;
    }
    switch (index) {
    case ata::kSectorCount:
        breaks = TraceWrite(index, "=>SECTOR_COUNT = %.2lXh (process %ld sectors)", byte, byte == 0 ? 256 : byte);
        break;
    case ata::kSectorIndex:
        breaks = TraceWrite(index, "=>SECTOR_INDEX = %.2lXh (start from %ld sector)", byte, byte);
        break;
    case ata::kCylinderLow:
        breaks = TraceWrite(index, "=>CYLINDER_LOW = %.2lXh (cylinder=%ld)", byte, (state.cylinder & 0xFF00) | byte);
        break;
    default:
        breaks =
            TraceWrite(index, "=>CYLINDER_HIGH = %.2lXh (cylinder=%ld)", byte, (byte << 8) | (state.cylinder & 0xFF));
        break;
    }
    if (!breaks) {
        ShadowWrite(index, byte);
    }
    return true;
}

void AtaDrive::ShadowWrite(int32_t index, uint8_t value) {
    if (state.busy) {
        return;
    }
    switch (index) {
    case ata::kSectorCount:
        state.sectorCount = value;
        state.sectorsToDo = value == 0 ? 256 : value;
        state.transferPending = true;
        break;
    case ata::kSectorIndex:
        state.sectorIndex = value;
        break;
    case ata::kCylinderLow:
        state.cylinder = static_cast<uint16_t>((state.cylinder & 0xFF00) | value);
        break;
    case ata::kCylinderHigh:
        state.cylinder = static_cast<uint16_t>(value << 8 | (state.cylinder & 0x00FF));
        break;
    default:
        break;
    }
}

void AtaDrive::WriteDriveHead(uint8_t value, bool& breaks) {
    MarkActivity();
    if (state.busy) {
        breaks = TraceWrite(ata::kDriveHead, "=>DRIVE_HEAD = %.2lXh (busy, no write)", value);
        return;
    }
    breaks = TraceWrite(ata::kDriveHead, "=>DRIVE_HEAD = %.2lXh (drive=%ld, head=%ld, %s)", value, (value >> 4) & 1,
                        value & 0x0F, (value & 0x40) != 0 ? "LBA" : "CHS");
    if (!breaks) {
        state.head = value & 0x0F;
        state.driveBit = (value >> 4) & 1;
        state.lbaMode = (value & 0x40) != 0;
        state.status &= static_cast<uint8_t>(~ata::kErrorBit);
        state.driveHeadValue = value;
    }
}

bool AtaDrive::WritePrecomp(uint32_t size, const void* value) {
    const char* format = size == 1   ? "=>PRECOMP = %.2lXh (features to set)"
                         : size == 2 ? "=>PRECOMP = %.4lXh (features to set)"
                         : size == 4 ? "=>PRECOMP = %.8lXh (features to set)"
                                     : nullptr;
    if (format == nullptr) {
        return false;
    }
    MarkActivity();
    TraceWrite(ata::kPrecomp, format,
               static_cast<uint32_t>(common::LoadLittleEndian(static_cast<const uint8_t*>(value), size)));
    return true;
}

void AtaDrive::TraceControl(uint8_t value, bool& breaks) {
    MarkActivity();
    breaks = TraceWrite(ata::kControl, "=>CONTROL = %.2lXh (soft reset:%ld, disable irq:%ld)", value, (value >> 2) & 1,
                        (value >> 1) & 1);
}

// ---- Interrupt requests

bool AtaDrive::EnabledAndSelected() const {
    return Ata().InterruptEnabled() && Ata().SelectedIndex() == DriveIndex();
}

bool AtaDrive::OfferInterrupt(bool on) {
    return Interrupts() != nullptr && Interrupts()->SetRequest(Ata().InterruptLine(), on ? 1 : 0);
}

void AtaDrive::RaiseIrq(int32_t rate) {
    ++state.irqSequence;
    const bool enabledAndSelected = EnabledAndSelected();
    if (enabledAndSelected) {
        OfferInterrupt(false);
    }
    if (rate == 0 && enabledAndSelected && state.interruptDisabled == 0 && OfferInterrupt(true)) {
        return;
    }
    if (rate < 1) {
        rate = kRetryRate;
    }
    state.clearBusyOnIrq = false;
    AddBusEvent(rate, &OnIrqEvent, kIrqEvent, static_cast<uint64_t>(state.irqSequence));
}

bool AtaDrive::OnIrqEvent(TreeNode* owner, BusEvent* event) {
    return static_cast<AtaDrive*>(owner)->IrqEvent(event->tag);
}

bool AtaDrive::IrqEvent(uint64_t tag) {
    if (tag != static_cast<uint64_t>(state.irqSequence)) {
        return false;
    }
    // Held while nIEN is set, offered again each tick until a source takes it; an unselected drive drops it.
    if (EnabledAndSelected() && (state.interruptDisabled != 0 || !OfferInterrupt(true))) {
        return true;
    }
    if (state.clearBusyOnIrq) {
        state.status &= static_cast<uint8_t>(~ata::kBusy);
        state.busy = false;
    }
    return false;
}

// ---- Reset

void AtaDrive::ResetRegisters(bool begin) {
    if (!begin) {
        LoadSignature();
        return;
    }
    ++state.commandSequence;
    ++state.irqSequence;
    state.status = kResetStatus;
    state.busy = true;
    if (EnabledAndSelected()) {
        OfferInterrupt(false);
    }
    fifo.Skip(-1);
    state.atapiReadActive = false;
    state.packetPhase = false;
    state.dataPhase = false;
    state.diagnosticActive = false;
}

void AtaDrive::LoadSignature() {
    state.error = 0x01;
    state.head = 0;
    state.driveBit = 0;
    state.dataLatch = 0;
    state.sectorIndex = 1;
    state.sectorCount = 1;
    state.sectorsToDo = 1;
    state.cylinder = atapi ? ata::kPacketSignature : 0;
    state.status = kSignatureStatus;
    state.driveHeadValue = 0xA0;
    state.transferPending = true;
    state.busy = false;
    state.lbaMode = false;
}

void AtaDrive::EndDiagnostic() {
    state.status &= static_cast<uint8_t>(~ata::kBusy);
    state.busy = false;
    state.error = 0x01;
}

// ---- Settings and life

bool AtaDrive::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        const auto bind = [settings](const char* name, bool* flags, int32_t count) {
            common::NarrowString key;
            for (int32_t index = 0; index < count; ++index) {
                key.Format("%s[%ld]", name, index);
                settings->BindBool(key, flags + index);
            }
        };
        bind("TraceATAPICmd", commandSwitches.traceAtapi.data(), ata::kAtapiCommandRows);
        bind("BreakATAPICmd", commandSwitches.breakAtapi.data(), ata::kAtapiCommandRows);
        bind("TraceATACmd", commandSwitches.traceAta.data(), ata::kAtaCommandRows);
        bind("BreakATACmd", commandSwitches.breakAta.data(), ata::kAtaCommandRows);
    }
    return DiskDrive::ExchangeSettings(settings, enabledOnly);
}

bool AtaDrive::Start(int32_t& rate) {
    if (!DiskDrive::Start(rate)) {
        return false;
    }
    rate = std::max(rate, kBusRate);
    fifo.Free();
    fifo.Create(0, -1);
    firmware.Assign(common::NarrowString("12-08-13"));
    common::NarrowString text;
    text.Format("ZOV_DISK_IMAGE_%ldMB", static_cast<int64_t>(ImageSize() >> 20));
    const common::NarrowString model = Padded(text, 40);
    text.Format("%ld", static_cast<int64_t>(ImageSize() & 0x0FFFFFFF));
    const common::NarrowString serial = Padded(text, 20);
    // Busy until the controller's reset loads the signature.
    state = State{};
    state.model = model;
    state.serial = serial;
    state.status = kResetStatus;
    state.driveHeadValue = 0xA0;
    state.multipleBlockSize = kStartBlockSize;
    return Bus() != nullptr && Bus()->BindCallbackEvent(kIrqEvent, &OnIrqEvent, this) &&
           Bus()->BindCallbackEvent(kCommandEvent, &OnCmdEvent, this) &&
           Bus()->BindObjectEvent(kCommandCpuEvent, &OnCmdEventCpu, this);
}

void AtaDrive::Stop() {
    fifo.Free();
    DiskDrive::Stop();
}

// ---- State

bool AtaDrive::SaveOwnData(common::RecordArchive& archive) {
    const State& s = state;
    const auto fifoBytes = static_cast<int32_t>(fifo.Size());
    uint8_t time[8];
    common::StoreLittleEndian(time, 8, static_cast<uint64_t>(s.lastCommandTime));
    return DiskDrive::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordString(s.model, Key("STMN")) && archive.WriteRecordString(s.serial, Key("STSN")) &&
           archive.WriteRecordI32(fifoBytes, Key("BUFS")) &&
           (fifoBytes == 0 || archive.WriteRecordBlob(fifo.GetBuffer(), fifoBytes, Key("BUFD"))) &&
           archive.WriteRecordU8(s.dataLatch, Key("RDAT")) && archive.WriteRecordU8(s.error, Key("RERR")) &&
           archive.WriteRecordU8(s.sectorCount, Key("RSCN")) && archive.WriteRecordU8(s.sectorIndex, Key("RSCI")) &&
           archive.WriteRecordU32(s.sectorsToDo, Key("RSCD")) && archive.WriteRecordU16(s.cylinder, Key("RCLI")) &&
           archive.WriteRecordU8(s.driveBit, Key("RDRI")) && archive.WriteRecordU8(s.head, Key("RHDI")) &&
           archive.WriteRecordBool(s.lbaMode, Key("MLBA")) && archive.WriteRecordU8(s.status, Key("RSTS")) &&
           archive.WriteRecordU8(s.interruptDisabled, Key("DIRQ")) && archive.WriteRecordBool(s.busy, Key("BUSY")) &&
           archive.WriteRecordI64(s.irqSequence, Key("IRQT")) &&
           archive.WriteRecordI64(s.commandSequence, Key("CMDT")) && archive.WriteRecordU8(s.command, Key("CMDI")) &&
           archive.WriteRecordBool(s.clearBusyOnIrq, Key("IRUB")) &&
           archive.WriteRecordBool(s.diagnosticActive, Key("DIGA")) &&
           archive.WriteRecordBool(s.verifyOnly, Key("VEFO")) && archive.WriteRecordBool(s.dataPhase, Key("RWSA")) &&
           archive.WriteRecordBool(s.packetPhase, Key("PKSA")) &&
           archive.WriteRecordU8(s.driveHeadValue, Key("DHVL")) &&
           archive.WriteRecordU32(s.atapiByteCount, Key("ATAPBS")) &&
           archive.WriteRecordU32(s.atapiReadPosition, Key("ATAPRP")) &&
           archive.WriteRecordU32(s.atapiBytesToRead, Key("ATAPRS")) &&
           archive.WriteRecordBool(s.atapiReadActive, Key("ATAPRA")) &&
           archive.WriteRecordU8(s.senseKey, Key("ATAPLE")) &&
           archive.WriteRecordU8(s.additionalSense, Key("ATAPAE")) &&
           archive.WriteRecordU8(s.multipleBlockSize, Key("MSEC")) &&
           archive.WriteRecordU32(s.multipleToDo, Key("MTDO")) &&
           archive.WriteRecordI32(s.multipleBytes, Key("MMBT")) &&
           archive.WriteRecordBool(s.transferPending, Key("RWTD")) &&
           archive.WriteRecordBool(s.multipleMode, Key("MMOD")) && archive.WriteRecordBlob(time, 8, Key("LCMDST"));
}

bool AtaDrive::ReadState(common::RecordArchive& archive, State& s, std::vector<uint8_t>& fifoBytes) const {
    int32_t stored = 0;
    uint8_t time[8];
    if (!ReadVersion(archive, "VER") || !archive.ReadRecordString(s.model, Key("STMN")) ||
        !archive.ReadRecordString(s.serial, Key("STSN")) || !archive.ReadRecordI32(stored, Key("BUFS")) || stored < 0 ||
        stored > kLargestSavedFifo) {
        return false;
    }
    fifoBytes.assign(static_cast<size_t>(stored), 0);
    if ((stored > 0 && !archive.ReadRecordBlob(fifoBytes.data(), stored, Key("BUFD"))) ||
        !archive.ReadRecordU8(s.dataLatch, Key("RDAT")) || !archive.ReadRecordU8(s.error, Key("RERR")) ||
        !archive.ReadRecordU8(s.sectorCount, Key("RSCN")) || !archive.ReadRecordU8(s.sectorIndex, Key("RSCI")) ||
        !archive.ReadRecordU32(s.sectorsToDo, Key("RSCD")) || !archive.ReadRecordU16(s.cylinder, Key("RCLI")) ||
        !archive.ReadRecordU8(s.driveBit, Key("RDRI")) || !archive.ReadRecordU8(s.head, Key("RHDI")) ||
        !archive.ReadRecordBool(s.lbaMode, Key("MLBA")) || !archive.ReadRecordU8(s.status, Key("RSTS")) ||
        !archive.ReadRecordU8(s.interruptDisabled, Key("DIRQ")) || !archive.ReadRecordBool(s.busy, Key("BUSY")) ||
        !archive.ReadRecordI64(s.irqSequence, Key("IRQT")) || !archive.ReadRecordI64(s.commandSequence, Key("CMDT")) ||
        !archive.ReadRecordU8(s.command, Key("CMDI")) || !archive.ReadRecordBool(s.clearBusyOnIrq, Key("IRUB")) ||
        !archive.ReadRecordBool(s.diagnosticActive, Key("DIGA")) ||
        !archive.ReadRecordBool(s.verifyOnly, Key("VEFO")) || !archive.ReadRecordBool(s.dataPhase, Key("RWSA")) ||
        !archive.ReadRecordBool(s.packetPhase, Key("PKSA")) || !archive.ReadRecordU8(s.driveHeadValue, Key("DHVL")) ||
        !archive.ReadRecordU32(s.atapiByteCount, Key("ATAPBS")) ||
        !archive.ReadRecordU32(s.atapiReadPosition, Key("ATAPRP")) ||
        !archive.ReadRecordU32(s.atapiBytesToRead, Key("ATAPRS")) ||
        !archive.ReadRecordBool(s.atapiReadActive, Key("ATAPRA")) || !archive.ReadRecordU8(s.senseKey, Key("ATAPLE")) ||
        !archive.ReadRecordU8(s.additionalSense, Key("ATAPAE")) ||
        !archive.ReadRecordU8(s.multipleBlockSize, Key("MSEC")) ||
        !archive.ReadRecordU32(s.multipleToDo, Key("MTDO")) || !archive.ReadRecordI32(s.multipleBytes, Key("MMBT")) ||
        !archive.ReadRecordBool(s.transferPending, Key("RWTD")) ||
        !archive.ReadRecordBool(s.multipleMode, Key("MMOD")) || !archive.ReadRecordBlob(time, 8, Key("LCMDST"))) {
        return false;
    }
    s.lastCommandTime = static_cast<int64_t>(common::LoadLittleEndian(time, 8));
    return true;
}

bool AtaDrive::StateFits(const State& s) const {
    const bool byteCountFits = s.atapiReadActive ? s.atapiByteCount >= 1 && s.atapiByteCount <= ata::kLargestChunk
                                                 : s.atapiByteCount <= kLargestByteCount;
    return s.driveBit < 2 && s.head < 16 && s.multipleBlockSize <= kStartBlockSize && s.multipleBytes >= 0 &&
           s.multipleBytes <= kLargestBlockBytes && s.multipleBytes % 512 == 0 && byteCountFits &&
           static_cast<uint64_t>(s.atapiReadPosition) + s.atapiBytesToRead <= ImageSize();
}

bool AtaDrive::ReadKindData(common::RecordArchive& archive, common::NarrowString*) {
    return ReadState(archive, loadedState, loadedFifo) && StateFits(loadedState);
}

void AtaDrive::ApplyKindData() {
    state = loadedState;
    PrepareFifo();
    fifo.Append(loadedFifo.data(), static_cast<int64_t>(loadedFifo.size()));
    loadedFifo = {};
}

} // namespace emu
