#include "emu/bk/BkFloppyController.h"

#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/bk/BkMachine.h"
#include "emu/bk/TraceMenu.h"
#include "emu/core/BusService.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/StateChunk.h"
#include "emu/devices/DiskDrive.h"

#include <algorithm>
#include <array>
#include <utility>

namespace emu {

namespace {

constexpr uint16_t kControlPort = 0177130;
constexpr uint16_t kDataPort = 0177132;
constexpr uint16_t kSelectBits = 0x000F;
constexpr int32_t kMarkerFrequency = 100;
constexpr int32_t kRotateFrequency = 1;
constexpr const char* kMarkerEvent = "MarkerEvent";
constexpr const char* kRotateEvent = "RotateEvent";
// Every state bit the controller can set.
constexpr uint16_t kStateBits = BkFloppyController::kZeroTrack | BkFloppyController::kDriveReady |
                                BkFloppyController::kData | BkFloppyController::kCrcWriting | BkFloppyController::kHole;
// Raw images of 80 cylinders, the last two cut short of a whole disk; 409600 bytes hold 40.
constexpr std::array<uint64_t, 3> kEightyCylinderSizes{819200, 719872, 726964};
constexpr uint64_t kFortyCylinderSize = 409600;
constexpr uint64_t kDeclaredCylinders = 80;
constexpr uint64_t kHeads = 2;
// The size code of a 512-byte sector in the ID field.
constexpr uint16_t kSizeCode = 0x02;

common::NarrowString Key(const char* name) {
    return common::NarrowString(name);
}

const char* YesNo(uint16_t value, uint16_t bit) {
    return (value & bit) != 0 ? "True " : "False";
}

// The drive a control value selects: bit 0 or 2 drive 0, bit 1 or 3 drive 1, the lower bit first; -1 for none.
int32_t SelectedDrive(uint16_t value) {
    if ((value & 1) != 0) {
        return 0;
    }
    if ((value & 2) != 0) {
        return 1;
    }
    if ((value & 4) != 0) {
        return 0;
    }
    return (value & 8) != 0 ? 1 : -1;
}

} // namespace

BkFloppyController::BkFloppyController() : DiskController("FDC BK", "FDC") {}

BkFloppyController::~BkFloppyController() = default;

// ---- Register page

bool BkFloppyController::AddRegisters(BkRegisterTable& table) {
    return table.Add({
        {kControlPort, 2,
         [](BkMachine& machine, uint16_t, RegisterAccess access, bool peek) {
             return machine.FloppyController()->ReadState(access, peek);
         },
         [](BkMachine& machine, uint16_t, RegisterAccess access, uint16_t value) {
             machine.FloppyController()->WriteControlPort(value, access);
         }},
        {kDataPort, 2,
         [](BkMachine& machine, uint16_t, RegisterAccess access, bool peek) {
             return machine.FloppyController()->ReadData(access, peek);
         },
         [](BkMachine& machine, uint16_t, RegisterAccess access, uint16_t value) {
             machine.FloppyController()->WriteData(value, access);
         }},
    });
}

void BkFloppyController::WriteControlPort(uint16_t value, RegisterAccess access) {
    if (access == RegisterAccess::Word) {
        WriteControl(value);
    }
}

int32_t BkFloppyController::SelectedIndex() const {
    return selected != nullptr ? selected->DriveIndex() : -1;
}

bool BkFloppyController::IsDriveReady(const DiskDrive* drive) const {
    return drive != nullptr && drive->IsEnabled() && drive->Slot() != nullptr && drive->IsReady();
}

void BkFloppyController::WriteControl(uint16_t value) {
    if (TraceEventBreak(flags.traceWriteControl, flags.breakWriteControl, false, ">CTRLReg = %.4lXh", value) != 0) {
        return;
    }
    stateReg = 0;
    DiskDrive* const before = selected;
    const uint16_t previous = ctrlReg;
    ctrlReg = value;
    selected = nullptr;
    DiskDrive* drive = GetDrive(SelectedDrive(value & kSelectBits));
    if (!IsDriveReady(drive)) {
        return;
    }
    selected = drive;
    // Another drive than before (or one after none) gets its own track: the buffer never serves the other disk.
    if (before != drive) {
        AllocTrackBuffer();
    }
    stateReg |= kDriveReady | kCrcWriting;
    const bool motor = (value & kMotorOn) != 0;
    const uint64_t head = (value & kHeadSelect) != 0 ? 1 : 0;
    if (motor != drive->IsMotorOn()) {
        drive->SetMotorOn(motor);
        drive->SetHeadIndex(head);
        ++rotateTag;
        ++markerTag;
        if (!motor) {
            return;
        }
        if (Bus() != nullptr) {
            Bus()->AddEvent(kMarkerFrequency, OnMarkerEvent, this, kMarkerEvent, static_cast<uint64_t>(markerTag),
                            false);
            Bus()->AddEvent(kRotateFrequency, OnRotateEvent, this, kRotateEvent, static_cast<uint64_t>(rotateTag),
                            false);
        }
        if (!BuildTrack()) {
            stateReg &= ~kDriveReady;
        }
    }
    if (!drive->IsMotorOn()) {
        return;
    }
    if ((value & kStep) != 0) {
        const uint64_t cylinder = drive->CylinderIndex();
        const bool up = (value & kStepUp) != 0;
        if (up ? cylinder + 1 < drive->Cylinders() : cylinder > 0) {
            drive->SetCylinderIndex(up ? cylinder + 1 : cylinder - 1);
            drive->SetHeadIndex(head);
            if (!BuildTrack()) {
                stateReg &= ~kDriveReady;
            }
        }
    }
    if (drive->HeadIndex() != head) {
        drive->SetHeadIndex(head);
    }
    // A new head, or a head the sector routine moved since the track was encoded.
    if ((drive->CylinderIndex() != trackCylinder || drive->HeadIndex() != trackHead) && !BuildTrack()) {
        stateReg &= ~kDriveReady;
    }
    if (drive->CylinderIndex() == 0) {
        stateReg |= kZeroTrack;
    }
    if ((previous & kMarkerSearch) != 0 && (value & kMarkerSearch) == 0) {
        while (trackPosition < trackLength && track[static_cast<size_t>(trackPosition)] != kSyncWord) {
            ++trackPosition;
        }
        if (trackPosition < trackLength) {
            stateReg |= kData;
        }
    } else if (trackPosition < trackLength) {
        stateReg |= kData;
    }
}

uint16_t BkFloppyController::ReadState(RegisterAccess access, bool peek) {
    const uint16_t value = stateReg;
    switch (access) {
    case RegisterAccess::EvenByte:
        TraceEventBreak(flags.traceReadState, flags.breakReadState, peek,
                        "<STATERegLow = %.2lXh (Data=%s, DrvReady=%s, ZeroTrack=%s, R/O=%s)", value & 0xFF,
                        YesNo(value, kData), YesNo(value, kDriveReady), YesNo(value, kZeroTrack),
                        YesNo(value, kReadOnly));
        return value & 0xFF;
    case RegisterAccess::OddByte:
        TraceEventBreak(flags.traceReadState, flags.breakReadState, peek,
                        "<STATERegHigh = %.2lXh (Hole=%s, CRCWriting=%s)", value >> 8, YesNo(value, kHole),
                        YesNo(value, kCrcWriting));
        return value >> 8;
    case RegisterAccess::Word:
        TraceEventBreak(flags.traceReadState, flags.breakReadState, peek,
                        "<STATEReg = %.4lXh (Data=%s, DrvReady=%s, ZeroTrack=%s, R/O=%s, Hole=%s, CRCWriting=%s)",
                        value, YesNo(value, kData), YesNo(value, kDriveReady), YesNo(value, kZeroTrack),
                        YesNo(value, kReadOnly), YesNo(value, kHole), YesNo(value, kCrcWriting));
        return value;
    }
    return 0;
}

uint16_t BkFloppyController::ReadData(RegisterAccess access, bool peek) {
    if (!track.empty() && trackPosition >= 0 && trackPosition < trackLength && access == RegisterAccess::Word) {
        const uint16_t word = track[static_cast<size_t>(trackPosition)];
        if (TraceEventBreak(flags.traceReadData, flags.breakReadData, peek, "<DATAReg = %.4lXh", word) != 0 || peek) {
            return word;
        }
        stateReg |= kCrcWriting;
        ++trackPosition;
        return word;
    }
    if (!peek) {
        stateReg &= static_cast<uint16_t>(~(kData | kCrcWriting));
    }
    return 0;
}

void BkFloppyController::WriteData(uint16_t value, RegisterAccess access) {
    if (access == RegisterAccess::Word &&
        TraceEventBreak(flags.traceWriteData, flags.breakWriteData, false, ">DATAReg = %.4lXh", value) == 0) {
        dataReg = value;
    }
}

// ---- Track

void BkFloppyController::AllocTrackBuffer() {
    track = {};
    trackTemplate = {};
    sectorTable = {};
    trackPosition = 0;
    trackLength = 0;
    if (selected == nullptr) {
        return;
    }
    trackLength = kTrackWords;
    trackTemplate.assign(kTrackWords, kGapWord);
    track.assign(kTrackWords, kGapWord);
    const auto sectors = static_cast<int32_t>(std::min(selected->Sectors(), kSectorsPerTrack));
    for (int32_t sector = 0; sector < sectors; ++sector) {
        const int32_t start = sector * kSectorWords;
        const auto at = [&](int32_t offset) -> uint16_t& { return trackTemplate[static_cast<size_t>(start + offset)]; };
        std::fill_n(&at(18), 6, uint16_t{0});
        at(24) = kSyncWord;
        at(25) = 0xA1FE;
        at(kHeaderWord) = 0;
        at(kHeaderWord + 1) = static_cast<uint16_t>((sector + 1) << 8 | kSizeCode);
        std::fill_n(&at(44), 6, uint16_t{0});
        at(50) = kSyncWord;
        at(51) = 0xA1FB;
        sectorTable.emplace_back(start + kHeaderWord, start + kDataWord);
    }
    BuildTrack();
}

bool BkFloppyController::BuildTrack() {
    return selected != nullptr && EncodeTrack(selected->CylinderIndex(), selected->HeadIndex());
}

bool BkFloppyController::EncodeTrack(uint64_t cylinder, uint64_t head) {
    if (selected == nullptr || track.size() != trackTemplate.size()) {
        return false;
    }
    track = trackTemplate;
    trackCylinder = cylinder;
    trackHead = head;
    trackPosition = 0;
    const auto header = static_cast<uint16_t>((cylinder & 0xFF) << 8 | (head & 0xFF));
    for (size_t sector = 0; sector < sectorTable.size(); ++sector) {
        if (!selected->CheckPosition(cylinder, head, sector)) {
            return false;
        }
        const auto [headerWord, dataWord] = sectorTable[sector];
        track[static_cast<size_t>(headerWord)] = header;
        // A sector the image cannot supply keeps the gap words.
        std::array<uint8_t, kSectorBytes> bytes{};
        if (selected->ReadSector(bytes.data(), static_cast<int32_t>(bytes.size()), -1) !=
            static_cast<int32_t>(bytes.size())) {
            continue;
        }
        for (size_t word = 0; word < bytes.size() / 2; ++word) {
            track[static_cast<size_t>(dataWord) + word] =
                static_cast<uint16_t>(bytes[2 * word] << 8 | bytes[2 * word + 1]);
        }
    }
    return true;
}

bool BkFloppyController::OnRotateEvent(TreeNode* owner, BusEvent* event) {
    auto* controller = static_cast<BkFloppyController*>(owner);
    if (event->tag != static_cast<uint64_t>(controller->rotateTag)) {
        return false;
    }
    controller->stateReg |= kHole;
    return true;
}

bool BkFloppyController::OnMarkerEvent(TreeNode* owner, BusEvent* event) {
    auto* controller = static_cast<BkFloppyController*>(owner);
    if (event->tag != static_cast<uint64_t>(controller->markerTag)) {
        return false;
    }
    if ((controller->stateReg & kHole) != 0) {
        controller->stateReg &= static_cast<uint16_t>(~kHole);
        controller->trackPosition = 0;
    }
    return true;
}

// ---- Media

bool BkFloppyController::GeometryFromSize(int32_t driveIndex, bool detected, uint64_t& cylinders, uint64_t& heads,
                                          uint64_t& sectors, uint64_t& sectorSize) {
    const DiskDrive* drive = GetDrive(driveIndex);
    if (drive == nullptr) {
        return false;
    }
    if (detected) {
        return cylinders == kDeclaredCylinders && heads == kHeads && sectors == kSectorsPerTrack &&
               sectorSize == kSectorBytes;
    }
    const uint64_t size = drive->ImageSize();
    if (std::find(kEightyCylinderSizes.begin(), kEightyCylinderSizes.end(), size) != kEightyCylinderSizes.end()) {
        cylinders = kDeclaredCylinders;
    } else if (size == kFortyCylinderSize) {
        cylinders = kDeclaredCylinders / 2;
    } else {
        if (const DriveSlot* slot = RefusalToTell(*drive)) {
            PrintError("[FDD_%ld ERROR] Incorrect file \"%s\" size %llu (need 409600 or 819200)!", driveIndex,
                       slot->ImagePath(), size);
        }
        return false;
    }
    heads = kHeads;
    sectors = kSectorsPerTrack;
    sectorSize = kSectorBytes;
    return true;
}

DriveSlot* BkFloppyController::RefusalToTell(const DiskDrive& drive) {
    DriveSlot* slot = drive.Slot();
    if (slot == nullptr || !slot->Image().IsOpen() || slot->refusalReported) {
        return nullptr;
    }
    slot->refusalReported = true;
    return slot;
}

void BkFloppyController::OnDriveChanged(int32_t driveIndex) {
    if (selected != nullptr && selected == GetDrive(driveIndex)) {
        stateReg = 0;
        selected = nullptr;
        AllocTrackBuffer();
    }
}

// ---- Lifecycle and settings

bool BkFloppyController::Start(int32_t& rate) {
    selected = nullptr;
    if (!DiskController::Start(rate)) {
        return false;
    }
    ctrlReg = stateReg = dataReg = 0;
    for (int32_t index = 0; index < DriveCount(); ++index) {
        DiskDrive* drive = GetDrive(index);
        drive->SetMotorOn(false);
        drive->CheckPosition(0, 0, 0);
    }
    rotateTag = markerTag = 1;
    pending = {};
    AllocTrackBuffer();
    return Bus() != nullptr && Bus()->BindCallbackEvent(kMarkerEvent, OnMarkerEvent, this) &&
           Bus()->BindCallbackEvent(kRotateEvent, OnRotateEvent, this);
}

bool BkFloppyController::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        const std::pair<const char*, bool*> keys[] = {
            {"TraceReadSTATE", &flags.traceReadState},       {"BreakReadSTATE", &flags.breakReadState},
            {"TraceWriteCTRL", &flags.traceWriteControl},    {"BreakWriteCTRL", &flags.breakWriteControl},
            {"TraceReadDATA", &flags.traceReadData},         {"BreakReadDATA", &flags.breakReadData},
            {"TraceWriteDATA", &flags.traceWriteData},       {"BreakWriteDATA", &flags.breakWriteData},
            {"TraceReadSectors", &flags.traceReadSectors},   {"BreakReadSectors", &flags.breakReadSectors},
            {"TraceWriteSectors", &flags.traceWriteSectors}, {"BreakWriteSectors", &flags.breakWriteSectors},
        };
        for (const auto& [key, flag] : keys) {
            settings->BindBool(key, flag);
        }
    }
    return DiskController::ExchangeSettings(settings, enabledOnly);
}

void BkFloppyController::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    DiskController::FillSettingsTree(item, kind);
    if (item == nullptr || kind != OptionKind::Trace) {
        return;
    }
    const std::array<TraceFlag, 4> traceRegisters{{{"Trace Write Control Reg", &flags.traceWriteControl},
                                                   {"Trace Read State Reg", &flags.traceReadState},
                                                   {"Trace Write Data Reg", &flags.traceWriteData},
                                                   {"Trace Read Data Reg", &flags.traceReadData}}};
    const std::array<TraceFlag, 2> traceDriver{
        {{"Trace Read Sectors", &flags.traceReadSectors}, {"Trace Write Sectors", &flags.traceWriteSectors}}};
    const std::array<TraceFlag, 4> breakRegisters{{{"Break On Write Control Reg", &flags.breakWriteControl},
                                                   {"Break On Read State Reg", &flags.breakReadState},
                                                   {"Break On Write Data Reg", &flags.breakWriteData},
                                                   {"Break On Read Data Reg", &flags.breakReadData}}};
    const std::array<TraceFlag, 2> breakDriver{
        {{"Break On Read Sectors", &flags.breakReadSectors}, {"Break On Write Sectors", &flags.breakWriteSectors}}};
    const auto joined = [](const std::array<TraceFlag, 4>& registers, const std::array<TraceFlag, 2>& driver) {
        return std::array<TraceFlag, 6>{registers[0], registers[1], registers[2], registers[3], driver[0], driver[1]};
    };
    AddFlagSubmenu(item, "Trace Registers", traceRegisters);
    AddFlagSubmenu(item, "Trace Driver", traceDriver);
    AddSetButton(item, "Trace All", joined(traceRegisters, traceDriver), true);
    item->AddSeparator();
    AddFlagSubmenu(item, "Break On Registers", breakRegisters);
    AddFlagSubmenu(item, "Break On Driver", breakDriver);
    AddSetButton(item, "Break All", joined(breakRegisters, breakDriver), true);
    item->AddSeparator();
    // Each trace switch followed by its break switch.
    std::array<TraceFlag, 12> all{};
    const std::array<TraceFlag, 6> traces = joined(traceRegisters, traceDriver);
    const std::array<TraceFlag, 6> breaks = joined(breakRegisters, breakDriver);
    for (size_t index = 0; index < traces.size(); ++index) {
        all[2 * index] = traces[index];
        all[2 * index + 1] = breaks[index];
    }
    AddSetButton(item, "Select All", all, true);
    AddSetButton(item, "Clear All", all, false);
}

// ---- State

bool BkFloppyController::SaveOwnData(common::RecordArchive& archive) {
    return DiskController::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordU8(static_cast<uint8_t>(SelectedIndex() + 1), Key("DIDX")) &&
           archive.WriteRecordU16(ctrlReg, Key("CTLR")) && archive.WriteRecordU16(stateReg, Key("STSR")) &&
           archive.WriteRecordU16(dataReg, Key("DATR")) && archive.WriteRecordI64(rotateTag, Key("TROT")) &&
           archive.WriteRecordI64(markerTag, Key("TMRK")) &&
           archive.WriteRecordI16(static_cast<int16_t>(trackPosition), Key("TRBP")) &&
           archive.WriteRecordI16(static_cast<int16_t>(trackLength), Key("TRBS"));
}

// A track is there in full or not at all, and the state holds only bits the controller sets.
bool BkFloppyController::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    uint8_t driveNumber = 0;
    uint16_t control = 0;
    uint16_t state = 0;
    uint16_t data = 0;
    int64_t rotate = 0;
    int64_t marker = 0;
    int16_t position = 0;
    int16_t length = 0;
    if (!DiskController::LoadOwnData(archive, note) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordU8(driveNumber, Key("DIDX")) || !archive.ReadRecordU16(control, Key("CTLR")) ||
        !archive.ReadRecordU16(state, Key("STSR")) || !archive.ReadRecordU16(data, Key("DATR")) ||
        !archive.ReadRecordI64(rotate, Key("TROT")) || !archive.ReadRecordI64(marker, Key("TMRK")) ||
        !archive.ReadRecordI16(position, Key("TRBP")) || !archive.ReadRecordI16(length, Key("TRBS"))) {
        return false;
    }
    if (driveNumber > DriveCount() || (state & ~kStateBits) != 0 || (length != 0 && length != kTrackWords) ||
        position < 0 || position > length) {
        return false;
    }
    ctrlReg = control;
    stateReg = state;
    dataReg = data;
    rotateTag = rotate;
    markerTag = marker;
    pending = {driveNumber - 1, position};
    RestoreTrack();
    return true;
}

bool BkFloppyController::AfterLoadState(common::NarrowString* note) {
    const bool loaded = DiskController::AfterLoadState(note);
    RestoreTrack();
    return loaded;
}

void BkFloppyController::RestoreTrack() {
    DiskDrive* drive = GetDrive(pending.driveIndex);
    selected = IsDriveReady(drive) ? drive : nullptr;
    // A drive that lost its disk is no longer selected, as after a media change.
    if (drive != nullptr && selected == nullptr) {
        stateReg = 0;
    }
    AllocTrackBuffer();
    if (pending.position <= trackLength) {
        trackPosition = pending.position;
    }
}

} // namespace emu
