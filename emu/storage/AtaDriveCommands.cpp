// The COMMAND register of an ATA drive: acceptance, the timed completions, sector steps and identify data.
#include "emu/core/CpuInterface.h"
#include "emu/storage/AtaController.h"
#include "emu/storage/AtaDrive.h"

#include <algorithm>

namespace emu {

namespace {

constexpr const char* kCommandEvent = "CMDEvent";
constexpr const char* kCommandCpuEvent = "CMDEventCPU";
// Sector steps run at most this often, on the bus and on the processor's clock, and at least 50 cycles apart.
constexpr int32_t kSectorStepRate = 44100;
constexpr int64_t kStepSpacing = 50;
constexpr uint8_t kLargestBlockSize = 128;
constexpr uint32_t kAtaSectorBytes = 512;
// Images above 504 MiB are said to take LBA addresses.
constexpr uint64_t kLbaImageSize = 0x1F800000;

// Commands (the low nibble of RECALIBRATE and SEEK is dropped).
enum : uint8_t {
    kDeviceReset = 0x08,
    kRecalibrate = 0x10,
    kReadSectors = 0x20,
    kWriteSectors = 0x30,
    kWriteVerify = 0x3C,
    kReadVerify = 0x40,
    kSeek = 0x70,
    kDiagnostic = 0x90,
    kInitializeParameters = 0x91,
    kCheckPowerModeOld = 0x98,
    kGetMediaStatus = 0xDA,
    kPacket = 0xA0,
    kIdentifyPacket = 0xA1,
    kReadMultiple = 0xC4,
    kWriteMultiple = 0xC5,
    kSetMultiple = 0xC6,
    kCheckPowerMode = 0xE5,
    kFlushCache = 0xE7,
    kIdentify = 0xEC,
    kSetFeatures = 0xEF,
};

// Rows of the command switches.
enum : int32_t {
    kRecalibrateRow = 0,
    kReadRow = 1,
    kWriteRow = 2,
    kWriteVerifyRow = 3,
    kReadVerifyRow = 4,
    kSeekRow = 5,
    kDiagnosticRow = 6,
    kInitializeRow = 7,
    kMediaStatusRow = 8,
    kPowerModeRow = 9,
    kFlushRow = 10,
    kIdentifyRow = 11,
    kFeaturesRow = 12,
    kDeviceResetRow = 13,
    kPacketRow = 14,
    kIdentifyPacketRow = 15,
    kReadMultipleRow = 16,
    kWriteMultipleRow = 17,
    kSetMultipleRow = 18,
    kUnknownRow = 19,
};

// Commands that one timed event completes: their switch row, their line and the event's rate.
struct TimedCommand {
    uint8_t code;
    int32_t row;
    const char* format;
    int32_t rate;
};

constexpr TimedCommand kTimedCommands[] = {
    {kRecalibrate, kRecalibrateRow, "=>COMMAND = %.2lXh (recalibrate)", 15},
    {kSeek, kSeekRow, "=>COMMAND = %.2lXh (seek)", 1300},
    {kInitializeParameters, kInitializeRow, "=>COMMAND = %.2lXh (init drive params)", 75},
    {kCheckPowerModeOld, kPowerModeRow, "=>COMMAND = %.2lXh (check power mode)", 150},
    {kCheckPowerMode, kPowerModeRow, "=>COMMAND = %.2lXh (check power mode)", 150},
    {kGetMediaStatus, kMediaStatusRow, "=>COMMAND = %.2lXh (get media status)", 100},
    {kFlushCache, kFlushRow, "=>COMMAND = %.2lXh (flush cache)", 150},
    {kSetFeatures, kFeaturesRow, "=>COMMAND = %.2lXh (set features)", 150},
    {kSetMultiple, kSetMultipleRow, "=>COMMAND = %.2lXh (set multiple mode)", 1000},
};

// Status with ERR cleared and BSY set: a command at work.
uint8_t Working(uint8_t status) {
    return static_cast<uint8_t>((status & 0xFE) | ata::kBusy);
}

// Status with BSY and ERR cleared and DRQ set: a command waiting for the host's data.
uint8_t AwaitingData(uint8_t status) {
    return static_cast<uint8_t>((status & 0x7E) | ata::kDataRequest);
}

// Two characters per word, the first in the high byte, the text padded with blanks to width characters.
void PutText(std::array<uint16_t, 256>& words, size_t first, const common::NarrowString& text, size_t width) {
    const std::string_view view = text.View();
    const auto at = [&view](size_t index) { return static_cast<uint8_t>(index < view.size() ? view[index] : ' '); };
    for (size_t index = 0; index < width / 2; ++index) {
        words[first + index] = static_cast<uint16_t>(at(2 * index) << 8 | at(2 * index + 1));
    }
}

} // namespace

// ---- Acceptance

bool AtaDrive::WriteCommand(uint8_t command, bool forced) {
    if (!forced && (state.busy || (state.status & ata::kReady) == 0)) {
        TraceWrite(ata::kCommand, "=>COMMAND = %.2lXh (%s, no write)", command, state.busy ? "busy" : "unready");
        return true;
    }
    MarkActivity();
    ++state.commandSequence;
    state.lastCommandTime = CpuCycles();
    state.multipleBytes = 0;
    state.multipleMode = false;
    bool breaks = false;
    Acceptance accepted = AcceptCommand(command, state.status, breaks);
    if (breaks) {
        return true;
    }
    if ((accepted.status & ata::kErrorBit) != 0) {
        accepted.status &= static_cast<uint8_t>(~ata::kBusy);
    }
    state.status = accepted.status;
    state.busy = (state.status & ata::kBusy) != 0;
    state.dataPhase = accepted.dataPhase;
    state.packetPhase = accepted.packetPhase;
    const uint8_t family = command & 0xF0;
    state.command = family == kRecalibrate || family == kSeek ? family : command;
    fifo.Skip(-1);
    return true;
}

AtaDrive::Acceptance AtaDrive::AcceptCommand(uint8_t command, uint8_t status, bool& breaks) {
    const uint8_t family = command & 0xF0;
    const uint8_t code = family == kRecalibrate || family == kSeek ? family : command;
    for (const TimedCommand& timed : kTimedCommands) {
        if (timed.code == code) {
            breaks = TraceCommand(timed.row, timed.format, command);
            return breaks ? Acceptance{} : Timed(status, timed.rate);
        }
    }
    switch (command) {
    case kReadSectors:
    case kReadVerify:
        breaks = command == kReadSectors
                     ? TraceCommand(kReadRow, "=>COMMAND = %.2lXh (read sectors)", command)
                     : TraceCommand(kReadVerifyRow, "=>COMMAND = %.2lXh (read verify sectors)", command);
        if (breaks) {
            return {};
        }
        if (atapi) {
            return AbortWithSignature(status, 2000);
        }
        state.verifyOnly = command == kReadVerify;
        state.multipleToDo = 0;
        return SectorCommand(status, Working(status));
    case kWriteSectors:
    case kWriteVerify:
        breaks =
            TraceCommand(command == kWriteSectors ? kWriteRow : kWriteVerifyRow, "=>COMMAND = %.2lXh (write %ssectors)",
                         command, command == kWriteSectors ? "" : "and verify ");
        if (breaks) {
            return {};
        }
        if (atapi) {
            return AbortWithSignature(status, 2000);
        }
        state.verifyOnly = false;
        state.multipleToDo = 0;
        return SectorCommand(status, AwaitingData(status));
    case kReadMultiple:
    case kWriteMultiple: {
        const bool reading = command == kReadMultiple;
        breaks = TraceCommand(reading ? kReadMultipleRow : kWriteMultipleRow,
                              reading ? "=>COMMAND = %.2lXh (read multiple sectors, count=%d, block=%d)"
                                      : "=>COMMAND = %.2lXh (write multiple sectors, count=%d, block=%d)",
                              command, state.sectorCount, state.multipleBlockSize);
        if (breaks) {
            return {};
        }
        if (atapi) {
            return AbortWithSignature(status, 2000);
        }
        // Multiple mode off: the host learns it from an interrupt, like every other refusal.
        if (state.multipleBlockSize == 0) {
            return AbortWithInterrupt(status, 2000);
        }
        state.verifyOnly = false;
        state.multipleToDo = state.sectorCount == 0 ? 256 : state.sectorCount;
        state.multipleMode = true;
        if (reading) {
            return SectorCommand(status, Working(status));
        }
        // Each block the host writes is what remains or a whole block, whichever is less.
        state.multipleBytes =
            static_cast<int32_t>((std::min<uint32_t>(state.multipleToDo, state.multipleBlockSize) - 1) * 512);
        return SectorCommand(status, AwaitingData(status));
    }
    case kDiagnostic: {
        TraceEventNotify(switches->writeTrace[ata::kCommand] || commandSwitches.traceAta[kDiagnosticRow],
                         switches->writeBreak[ata::kCommand] || commandSwitches.breakAta[kDiagnosticRow], false,
                         "=>COMMAND = %.2lXh (drives diagnostic)", command);
        const Acceptance accepted = Timed(status, 15);
        if ((accepted.status & ata::kErrorBit) != 0) {
            state.diagnosticActive = false;
        }
        return accepted;
    }
    case kIdentify:
        breaks = TraceCommand(kIdentifyRow, "=>COMMAND = %.2lXh (identify drive)", command);
        return breaks ? Acceptance{} : atapi ? AbortWithSignature(status, 1000) : Timed(status, 1000);
    case kIdentifyPacket:
        breaks = TraceCommand(kIdentifyPacketRow, "=>COMMAND = %.2lXh (identify packet drive)", command);
        if (breaks) {
            return {};
        }
        if (atapi) {
            return Timed(status, 1000);
        }
        state.sectorIndex = 1;
        state.sectorCount = 1;
        state.sectorsToDo = 1;
        state.cylinder = 0;
        state.transferPending = true;
        return AbortWithInterrupt(status, 1000);
    case kDeviceReset:
        breaks = TraceCommand(kDeviceResetRow, "=>COMMAND = %.2lXh (reset packet drive)", command);
        if (breaks) {
            return {};
        }
        if (!atapi) {
            return AbortWithInterrupt(status, 1000);
        }
        ResetRegisters(true);
        ResetRegisters(false);
        RaiseIrq(1000);
        // Ready with the signature, whatever the drive was doing.
        return {state.status, false, false};
    case kPacket:
        breaks = TraceCommand(kPacketRow, "=>COMMAND = %.2lXh (start packet command)", command);
        if (breaks) {
            return {};
        }
        if (!atapi) {
            state.sectorCount = 3;
            return AbortWithInterrupt(status, 1000);
        }
        state.verifyOnly = false;
        state.sectorCount = 1;
        state.atapiByteCount = state.cylinder == 0xFFFF ? 0xFFFE : state.cylinder;
        return {AwaitingData(status), false, true};
    default:
        breaks = TraceCommand(kUnknownRow, "=>CMDReg = %.2lXh (unknown command)", command);
        return breaks ? Acceptance{} : AbortWithInterrupt(status, 1000);
    }
}

AtaDrive::Acceptance AtaDrive::AbortWithoutInterrupt(uint8_t status) {
    state.error |= ata::kAborted;
    return {static_cast<uint8_t>((status & 0x7E) | ata::kErrorBit), false, false};
}

AtaDrive::Acceptance AtaDrive::AbortWithInterrupt(uint8_t status, int32_t rate) {
    const Acceptance aborted = AbortWithoutInterrupt(status);
    RaiseIrq(rate);
    return aborted;
}

AtaDrive::Acceptance AtaDrive::AbortWithSignature(uint8_t status, int32_t rate) {
    state.sectorIndex = 1;
    state.sectorCount = 1;
    state.sectorsToDo = 1;
    state.cylinder = ata::kPacketSignature;
    state.transferPending = true;
    return AbortWithInterrupt(status, rate);
}

AtaDrive::Acceptance AtaDrive::Timed(uint8_t status, int32_t rate) {
    if (!AddBusEvent(rate, &OnCmdEvent, kCommandEvent, static_cast<uint64_t>(state.commandSequence))) {
        return AbortWithoutInterrupt(status);
    }
    return {Working(status), false, false};
}

AtaDrive::Acceptance AtaDrive::SectorCommand(uint8_t status, uint8_t newStatus) {
    const auto tag = static_cast<uint64_t>(state.commandSequence);
    bool added = AddBusEvent(kSectorStepRate, &OnCmdEvent, kCommandEvent, tag);
    if (CpuInterface* cpu = Cpu()) {
        const int32_t period = std::max(1, cpu->PrimaryFrequency() / kSectorStepRate);
        added = cpu->AddEvent(period, &OnCmdEventCpu, this, kCommandCpuEvent, tag) || added;
    }
    if (!added) {
        return AbortWithoutInterrupt(status);
    }
    return {newStatus, true, false};
}

// ---- Completions

bool AtaDrive::OnCmdEvent(TreeNode* owner, BusEvent* event) {
    auto* drive = static_cast<AtaDrive*>(owner);
    if (event != nullptr && event->tag != static_cast<uint64_t>(drive->state.commandSequence)) {
        return false;
    }
    return drive->CompleteCommand();
}

bool AtaDrive::OnCmdEventCpu(TreeNode* owner, int32_t*, uint64_t* data, CpuInterface*) {
    auto* drive = static_cast<AtaDrive*>(owner);
    return *data == static_cast<uint64_t>(drive->state.commandSequence) && drive->CompleteSectorStep();
}

bool AtaDrive::CompleteCommand() {
    switch (state.command) {
    case kRecalibrate:
    case kSeek:
    case kInitializeParameters:
    case kGetMediaStatus:
    case kFlushCache:
    case kSetFeatures:
        return FinishCommand();
    case kCheckPowerModeOld:
    case kCheckPowerMode:
        return FinishCheckPowerMode();
    case kSetMultiple:
        return FinishSetMultiple();
    case kDiagnostic:
        return FinishDiagnostic();
    case kIdentify:
        return IdentifyDevice();
    case kIdentifyPacket:
        return IdentifyPacketDevice();
    default:
        return CompleteSectorStep();
    }
}

bool AtaDrive::CompleteSectorStep() {
    switch (state.command) {
    case kReadSectors:
    case kReadMultiple:
        return ReadSectors(state.command == kReadMultiple);
    case kReadVerify:
        return VerifySector();
    case kWriteSectors:
    case kWriteVerify:
    case kWriteMultiple:
        return WriteSectors(state.command == kWriteMultiple);
    default:
        return false;
    }
}

void AtaDrive::ClearBusy() {
    state.status &= static_cast<uint8_t>(~ata::kBusy);
    state.busy = false;
}

bool AtaDrive::FinishCommand() {
    ClearBusy();
    RaiseIrq(0);
    return false;
}

bool AtaDrive::FinishCheckPowerMode() {
    ClearBusy();
    // Active or idle.
    state.sectorCount = 0xFF;
    state.sectorsToDo = 255;
    state.transferPending = true;
    RaiseIrq(0);
    return false;
}

bool AtaDrive::FinishSetMultiple() {
    ClearBusy();
    if (state.sectorCount <= kLargestBlockSize) {
        state.multipleBlockSize = state.sectorCount;
    } else {
        state.error = ata::kAborted;
        state.status |= ata::kErrorBit;
    }
    RaiseIrq(0);
    return false;
}

bool AtaDrive::FinishDiagnostic() {
    // The controller ends the command once both drives are through.
    LoadSignature();
    state.diagnosticActive = false;
    state.status = ata::kBusy | ata::kReady | ata::kSeekComplete;
    state.busy = true;
    fifo.Skip(-1);
    return false;
}

bool AtaDrive::IdentifyDevice() {
    std::array<uint16_t, 256> words{};
    const auto cylinders = static_cast<uint16_t>(Cylinders());
    const auto heads = static_cast<uint16_t>(Heads());
    const auto sectors = static_cast<uint16_t>(Sectors());
    const auto sectorSize = static_cast<uint16_t>(SectorSize());
    const auto total = static_cast<uint32_t>(Cylinders() * Heads() * Sectors());
    words[0] = 0x0442;
    words[1] = cylinders;
    words[3] = heads;
    words[4] = static_cast<uint16_t>(sectorSize * sectors);
    words[5] = sectorSize;
    words[6] = sectors;
    PutText(words, 10, state.serial, 20);
    words[20] = 1;
    words[21] = 0x0100;
    PutText(words, 23, firmware, 8);
    PutText(words, 27, state.model, 40);
    words[47] = 0x0080;
    words[48] = 1;
    words[49] = ImageSize() > kLbaImageSize ? 0x0200 : 0;
    words[51] = 0x0200;
    words[53] = 1;
    words[54] = cylinders;
    words[55] = heads;
    words[56] = sectors;
    words[57] = words[60] = static_cast<uint16_t>(total);
    words[58] = words[61] = static_cast<uint16_t>(total >> 16);
    words[59] = static_cast<uint16_t>(0x0100 | state.multipleBlockSize);
    words[80] = 0x001E;
    return FillIdentify(words);
}

bool AtaDrive::IdentifyPacketDevice() {
    std::array<uint16_t, 256> words{};
    words[0] = 0x8580;
    PutText(words, 23, firmware, 8);
    PutText(words, 27, state.model, 40);
    words[49] = 0x0200;
    words[51] = 0x0200;
    words[64] = 1;
    std::fill(words.begin() + 65, words.begin() + 69, 5);
    words[80] = 0x001E;
    return FillIdentify(words);
}

bool AtaDrive::FillIdentify(const std::array<uint16_t, 256>& words) {
    ClearBusy();
    PrepareFifo();
    std::array<uint8_t, 512> bytes;
    for (size_t index = 0; index < words.size(); ++index) {
        bytes[2 * index] = static_cast<uint8_t>(words[index]);
        bytes[2 * index + 1] = static_cast<uint8_t>(words[index] >> 8);
    }
    if (fifo.Append(bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size())) {
        state.status |= ata::kDataRequest;
    } else {
        state.status |= ata::kErrorBit;
        state.error = ata::kAborted;
        fifo.Skip(-1);
    }
    RaiseIrq(0);
    return false;
}

// ---- Sector steps

bool AtaDrive::StepDue() {
    const CpuInterface* cpu = Cpu();
    if (cpu == nullptr) {
        return true;
    }
    const auto now = static_cast<int64_t>(cpu->Cycles());
    if (now - state.lastCommandTime < kStepSpacing) {
        return false;
    }
    state.lastCommandTime = now;
    return true;
}

uint32_t AtaDrive::LbaAddress() const {
    return static_cast<uint32_t>(state.sectorIndex | state.cylinder << 8 | (state.head & 0x0F) << 24);
}

bool AtaDrive::Inside(const Place& place) const {
    return place.cylinder < Cylinders() && place.head < Heads() && place.sector >= 1 && place.sector <= Sectors();
}

bool AtaDrive::CurrentPlace(Place& place) const {
    if (!state.lbaMode) {
        place = {state.cylinder, state.head, state.sectorIndex};
        return Inside(place);
    }
    const uint64_t perCylinder = Heads() * Sectors();
    if (perCylinder == 0) {
        return false;
    }
    const uint64_t address = LbaAddress();
    place = {address / perCylinder, address % perCylinder / Sectors(), address % perCylinder % Sectors() + 1};
    return Inside(place);
}

void AtaDrive::NextPlace(Place& place) const {
    if (++place.sector > Sectors()) {
        place.sector = 1;
        if (++place.head >= Heads()) {
            place.head = 0;
            ++place.cylinder;
        }
    }
}

// Selects the place for a sector of the step: within the geometry and taken by the drive base.
bool AtaDrive::SelectPlace(const Place& place) {
    return Inside(place) && CheckPosition(place.cylinder, place.head, place.sector - 1);
}

void AtaDrive::AdvanceRegisters(const Place& next, uint32_t address, uint32_t moved) {
    if (state.lbaMode) {
        const uint32_t advanced = (address + moved) & 0x0FFFFFFF;
        state.sectorIndex = static_cast<uint8_t>(advanced);
        state.cylinder = static_cast<uint16_t>(advanced >> 8);
        state.head = static_cast<uint8_t>(advanced >> 24);
        return;
    }
    state.cylinder = static_cast<uint16_t>(next.cylinder);
    state.head = static_cast<uint8_t>(next.head & 0x0F);
    state.sectorIndex = static_cast<uint8_t>(next.sector);
}

bool AtaDrive::FailTransfer(uint8_t errorBit) {
    state.error |= errorBit;
    state.status = static_cast<uint8_t>((state.status & ~(ata::kBusy | ata::kDataRequest)) | ata::kErrorBit);
    state.busy = false;
    state.dataPhase = false;
    state.transferPending = false;
    state.multipleToDo = 0;
    fifo.Skip(-1);
    // The other step event of the command goes too.
    ++state.commandSequence;
    RaiseIrq(0);
    return false;
}

bool AtaDrive::EndStep(bool more) {
    if (!more) {
        state.dataPhase = false;
        ++state.commandSequence;
    }
    RaiseIrq(0);
    return more;
}

void AtaDrive::CountSector() {
    if (state.sectorsToDo != 0) {
        --state.sectorsToDo;
        --state.sectorCount;
        state.transferPending = state.sectorsToDo != 0;
    }
}

bool AtaDrive::ReadSectors(bool multiple) {
    if (fifo.Size() != 0 || !StepDue()) {
        return true;
    }
    ClearBusy();
    Place place;
    if (!CurrentPlace(place)) {
        return FailTransfer(ata::kIdNotFound);
    }
    const uint32_t address = LbaAddress();
    uint32_t count = 1;
    if (multiple) {
        count = std::min<uint32_t>(state.multipleToDo, state.multipleBlockSize);
        if (count == 0) {
            return FailTransfer(ata::kAborted);
        }
        state.multipleToDo -= count;
    }
    const auto sectorBytes = static_cast<int32_t>(SectorSize());
    PrepareFifo();
    if (!fifo.Resize(static_cast<int64_t>(count) * sectorBytes)) {
        return FailTransfer(ata::kAborted);
    }
    uint8_t* buffer = fifo.GetBuffer();
    for (uint32_t index = 0; index < count; ++index, NextPlace(place)) {
        if (!SelectPlace(place)) {
            return FailTransfer(ata::kIdNotFound);
        }
        state.dataPhase = true;
        if (ReadSector(buffer + static_cast<size_t>(index) * static_cast<size_t>(sectorBytes), sectorBytes, 0) !=
            sectorBytes) {
            return FailTransfer(ata::kUncorrectable);
        }
    }
    AdvanceRegisters(place, address, count);
    if (multiple) {
        state.transferPending = state.multipleToDo != 0;
    } else {
        CountSector();
    }
    state.status |= ata::kDataRequest;
    return EndStep(multiple ? state.transferPending : state.sectorsToDo != 0);
}

bool AtaDrive::VerifySector() {
    if (!StepDue()) {
        return true;
    }
    Place place;
    if (!CurrentPlace(place) || !SelectPlace(place)) {
        return FailTransfer(ata::kIdNotFound);
    }
    std::array<uint8_t, kAtaSectorBytes> sector;
    const auto bytes = static_cast<int32_t>(std::min<uint64_t>(SectorSize(), sector.size()));
    if (ReadSector(sector.data(), bytes, 0) != bytes) {
        return FailTransfer(ata::kUncorrectable);
    }
    const uint32_t address = LbaAddress();
    NextPlace(place);
    AdvanceRegisters(place, address, 1);
    CountSector();
    // No data moves: the drive stays busy until the last sector, then interrupts once.
    if (state.sectorsToDo != 0) {
        return true;
    }
    ClearBusy();
    return EndStep(false);
}

bool AtaDrive::WriteSectors(bool multiple) {
    if (fifo.Size() < state.multipleBytes + static_cast<int64_t>(kAtaSectorBytes) ||
        (!Ata().ImmediateWrite() && !StepDue())) {
        return true;
    }
    ClearBusy();
    Place place;
    if (!CurrentPlace(place)) {
        return FailTransfer(ata::kIdNotFound);
    }
    const uint32_t address = LbaAddress();
    const int64_t total = multiple ? fifo.Size() : kAtaSectorBytes;
    const uint8_t* data = fifo.GetBuffer();
    uint32_t moved = 0;
    for (int64_t offset = 0; offset < total; offset += kAtaSectorBytes, ++moved, NextPlace(place)) {
        if (!SelectPlace(place)) {
            return FailTransfer(ata::kIdNotFound);
        }
        state.dataPhase = true;
        const auto chunk = static_cast<int32_t>(std::min<int64_t>(kAtaSectorBytes, total - offset));
        // Each sector is in the image before the host hears of it.
        if (WriteSector(data + offset, chunk, 0) != chunk || !FlushBuffer()) {
            // What the image did not take is dropped, not kept for a later write-back.
            DropBuffer();
            return FailTransfer(ata::kAborted);
        }
    }
    fifo.Skip(total);
    AdvanceRegisters(place, address, moved);
    bool more = false;
    if (multiple) {
        state.multipleToDo -= std::min(state.multipleToDo, moved);
        const uint32_t next = std::min<uint32_t>(state.multipleToDo, state.multipleBlockSize);
        state.multipleBytes = next == 0 ? 0 : static_cast<int32_t>((next - 1) * kAtaSectorBytes);
        state.transferPending = more = state.multipleToDo != 0;
    } else {
        CountSector();
        more = state.sectorsToDo != 0;
    }
    if (more) {
        state.status |= ata::kDataRequest;
    }
    return EndStep(more);
}

} // namespace emu
