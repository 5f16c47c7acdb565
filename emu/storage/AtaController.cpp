#include "emu/storage/AtaController.h"

#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "emu/core/BusService.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/StateChunk.h"

#include <algorithm>

namespace emu {

namespace {

// The rate the controller and its drives need of the bus.
constexpr int32_t kBusRate = 2000;
// A reset ends on the second firing of this event; the diagnostic polls its drives at the other rate.
constexpr int32_t kResetRate = 1000;
constexpr int32_t kDiagnoseRate = 15;
constexpr const char* kResetEvent = "ResetDrives";
constexpr const char* kDiagnoseEvent = "DiagnoseDrives";
constexpr uint8_t kExecuteDiagnostic = 0x90;
constexpr uint8_t kShadowDriveHeadBits = 0xA0;
constexpr uint8_t kControlSoftReset = 0x04;
constexpr uint8_t kControlInterruptOff = 0x02;

struct KnownDisk {
    uint64_t size;
    uint64_t cylinders;
    uint64_t heads;
    uint64_t sectors;
};

// Hard-disk images of these sizes get their drive's geometry (512-byte sectors).
constexpr std::array<KnownDisk, 19> kKnownDisks{{
    {10653696, 306, 4, 17},   {21307392, 306, 8, 17},   {21411840, 615, 4, 17},    {31900160, 733, 5, 17},
    {32117760, 615, 6, 17},   {32169984, 462, 8, 17},   {33546240, 65, 16, 63},    {37209600, 855, 5, 17},
    {49090560, 940, 6, 17},   {52093440, 855, 7, 17},   {64339968, 924, 8, 17},    {65454080, 940, 8, 17},
    {67092480, 130, 16, 63},  {101941248, 732, 16, 17}, {104767488, 203, 16, 63},  {117504000, 900, 15, 17},
    {268369920, 520, 16, 63}, {314302464, 609, 16, 63}, {528482304, 1024, 16, 63},
}};

common::NarrowString Key(const char* name) {
    return common::NarrowString(name);
}

AtaController* Controller(void* context) {
    return static_cast<AtaController*>(static_cast<Device*>(context));
}

uint8_t LowByte(const void* value, uint32_t size) {
    return size == 0 ? 0 : *static_cast<const uint8_t*>(value);
}

} // namespace

AtaController::AtaController() : DiskController("HDC ATA", "HDC ATA") {}

AtaController::~AtaController() = default;

bool AtaController::RegisterPorts(int32_t base) {
    if (!Params().Remove("PORTS")) {
        return false;
    }
    if (base < 0) {
        return true;
    }
    taskFileBase = static_cast<uint64_t>(base);
    return Params().AddPortRangeValues("PORTS", true, true, taskFileBase, 8, &ReadPort, &WritePort);
}

bool AtaController::RegisterControlPorts(int32_t base) {
    if (!Params().Remove("PORTSEX")) {
        return false;
    }
    if (base < 0) {
        return true;
    }
    controlBase = static_cast<uint64_t>(base);
    return Params().AddPortRangeValues("PORTSEX", true, true, controlBase, 2, &ReadControlBlock, &WriteControlPort);
}

AtaDrive* AtaController::PresentDrive(int32_t index) const {
    AtaDrive* drive = AtaDriveAt(index);
    return drive != nullptr && drive->IsPresent() ? drive : nullptr;
}

AtaDrive* AtaController::SelectedDrive() {
    if (selectedDrive == nullptr) {
        selectedDrive = AtaDriveAt(selectedIndex);
    }
    return selectedDrive != nullptr && selectedDrive->IsPresent() ? selectedDrive : nullptr;
}

void AtaController::Select(int32_t index) {
    selectedIndex = index;
    selectedDrive = AtaDriveAt(index);
}

// ---- Geometry and drives

bool AtaController::GeometryFromSize(int32_t driveIndex, bool detected, uint64_t& cylinders, uint64_t& heads,
                                     uint64_t& sectors, uint64_t& sectorSize) {
    const AtaDrive* drive = AtaDriveAt(driveIndex);
    if (drive == nullptr || detected) {
        return false;
    }
    const uint64_t size = drive->ImageSize();
    if (drive->IsAtapi()) {
        cylinders = heads = sectors = sectorSize = 1;
        return size != 0;
    }
    const auto known = std::ranges::find(kKnownDisks, size, &KnownDisk::size);
    if (known != kKnownDisks.end()) {
        cylinders = known->cylinders;
        heads = known->heads;
        sectors = known->sectors;
    } else if (size >= kLargeDiskSize && size % kLargeDiskCylinderBytes == 0) {
        cylinders = size / kLargeDiskCylinderBytes;
        heads = 16;
        sectors = 63;
    } else {
        return false;
    }
    sectorSize = 512;
    return true;
}

std::unique_ptr<DiskDrive> AtaController::CreateDrive(DriveSlot* slot, int32_t driveIndex) {
    if (driveIndex < 0 || driveIndex > 1) {
        return nullptr;
    }
    return std::make_unique<AtaDrive>(slot, this, driveIndex, newDrivesAtapi,
                                      &switches[static_cast<size_t>(driveIndex)]);
}

// ---- Port handlers

bool AtaController::ReadPort(void* context, uint32_t port, uint32_t size, void* value, uint8_t quiet) {
    AtaController* controller = Controller(context);
    if (controller == nullptr) {
        return false;
    }
    const bool mute = quiet != 0;
    switch ((port - static_cast<uint32_t>(controller->taskFileBase)) & 0xFF) {
    case 0:
        return controller->ReadDataRegister(size, value, mute);
    case 1:
        return controller->ReadRegister(ata::kError, size, value, mute, &AtaDrive::ReadError,
                                        "<=ERROR = %.2lXh (no drive %ld)");
    case 2:
        return controller->ReadRegister(ata::kSectorCount, size, value, mute, &AtaDrive::ReadSectorCount,
                                        "<=SECTOR_COUNT = %.2lXh (no drive %ld)");
    case 3:
        return controller->ReadRegister(ata::kSectorIndex, size, value, mute, &AtaDrive::ReadSectorIndex,
                                        "<=SECTOR_INDEX = %.2lXh (no drive %ld)");
    case 4:
        return controller->ReadRegister(ata::kCylinderLow, size, value, mute, &AtaDrive::ReadCylinderLow,
                                        "<=CYLINDER_LOW = %.2lXh (no drive %ld)");
    case 5:
        return controller->ReadRegister(ata::kCylinderHigh, size, value, mute, &AtaDrive::ReadCylinderHigh,
                                        "<=CYLINDER_HIGH = %.2lXh (no drive %ld)");
    case 6:
        return controller->ReadRegister(ata::kDriveHead, size, value, mute, &AtaDrive::ReadDriveHead,
                                        "<=DRIVE_HEAD = %.2lXh (no drive %ld)");
    case 7:
        return controller->ReadStatusRegister(size, value, mute, true);
    default:
        return false;
    }
}

bool AtaController::WritePort(void* context, uint32_t port, uint32_t size, const void* value) {
    AtaController* controller = Controller(context);
    if (controller == nullptr) {
        return false;
    }
    switch ((port - static_cast<uint32_t>(controller->taskFileBase)) & 0xFF) {
    case 0:
        return controller->WriteData(size, value);
    case 1:
        return controller->WriteFeatures(size, value);
    case 2:
        return controller->WriteParameter(ata::kSectorCount, size, value, "=>SECTOR_COUNT = %.2lXh (no drive %ld)");
    case 3:
        return controller->WriteParameter(ata::kSectorIndex, size, value, "=>SECTOR_INDEX = %.2lXh (no drive %ld)");
    case 4:
        return controller->WriteParameter(ata::kCylinderLow, size, value, "=>CYLINDER_LOW = %.2lXh (no drive %ld)");
    case 5:
        return controller->WriteParameter(ata::kCylinderHigh, size, value, "=>CYLINDER_HIGH = %.2lXh (no drive %ld)");
    case 6:
        return controller->WriteDriveHead(size, value);
    case 7:
        return controller->WriteCommand(size, value);
    default:
        return true;
    }
}

bool AtaController::ReadControlBlock(void* context, uint32_t port, uint32_t size, void* value, uint8_t quiet) {
    AtaController* controller = Controller(context);
    if (controller == nullptr) {
        return false;
    }
    switch ((port - static_cast<uint32_t>(controller->controlBase)) & 0xFF) {
    case 0:
        return controller->ReadStatusRegister(size, value, quiet != 0, false);
    case 1:
        return controller->ReadRegister(ata::kDriveAddress, size, value, quiet != 0, &AtaDrive::ReadDriveAddress,
                                        "<=DRIVE_ADDRESS = %.2lXh (no drive %ld)");
    default:
        return false;
    }
}

bool AtaController::WriteControlPort(void* context, uint32_t port, uint32_t size, const void* value) {
    AtaController* controller = Controller(context);
    if (controller == nullptr) {
        return false;
    }
    return port != static_cast<uint32_t>(controller->controlBase) || controller->WriteControl(size, value);
}

// ---- Register accesses

bool AtaController::ReadRegister(int32_t index, uint32_t size, void* value, bool quiet, DriveRead read,
                                 const char* missingFormat) {
    if (size > 4) {
        return false;
    }
    if (AtaDrive* drive = SelectedDrive()) {
        return (drive->*read)(size, value, quiet);
    }
    const uint8_t byte = index == ata::kDriveHead ? shadowDriveHead : 0;
    if (TraceMissing(false, selectedIndex, index, quiet, missingFormat, byte, selectedIndex)) {
        return true;
    }
    return ata::StoreRegister(value, size, byte);
}

bool AtaController::ReadStatusRegister(uint32_t size, void* value, bool quiet, bool primary) {
    if (size > 4) {
        return false;
    }
    if (AtaDrive* drive = SelectedDrive()) {
        return drive->ReadStatus(size, value, quiet, primary);
    }
    if (TraceMissing(false, selectedIndex, primary ? ata::kStatus : ata::kAltStatus, quiet,
                     "<=%sSTATUS = 00h (no drive %ld)", primary ? "" : "ALT_", selectedIndex)) {
        return true;
    }
    return ata::StoreRegister(value, size, 0);
}

bool AtaController::ReadDataRegister(uint32_t size, void* value, bool quiet) {
    if (size > 4) {
        return false;
    }
    if (AtaDrive* drive = SelectedDrive()) {
        return drive->ReadData(size, value, quiet);
    }
    if (TraceMissing(false, selectedIndex, ata::kData, quiet, "<=DATA = %.2lXh (no drive %ld)", 0, selectedIndex)) {
        return true;
    }
    return ata::StoreRegister(value, size, 0);
}

bool AtaController::WriteParameter(int32_t index, uint32_t size, const void* value, const char* missingFormat) {
    if (size > 4) {
        return false;
    }
    const uint8_t byte = LowByte(value, size);
    if (AtaDrive* drive = SelectedDrive()) {
        bool breaks = false;
        if (!drive->WriteParameter(index, size, value, breaks)) {
            return false;
        }
        if (breaks) {
            return true;
        }
    } else if (TraceMissing(true, selectedIndex, index, false, missingFormat, byte, selectedIndex)) {
        return true;
    }
    if (AtaDrive* other = PresentDrive(selectedIndex ^ 1)) {
        other->ShadowWrite(index, byte);
    }
    return true;
}

bool AtaController::WriteDriveHead(uint32_t size, const void* value) {
    if (size > 4) {
        return false;
    }
    const uint8_t byte = LowByte(value, size);
    const int32_t index = (byte >> 4) & 1;
    AtaDrive* candidate = PresentDrive(index);
    if (candidate != nullptr) {
        bool breaks = false;
        candidate->WriteDriveHead(byte, breaks);
        if (!breaks) {
            Select(index);
        }
        return true;
    }
    if (!TraceMissing(true, index, ata::kDriveHead, false, "=>DRIVE_HEAD = %.2lXh (no drive %ld)", byte, index)) {
        Select(index);
        shadowDriveHead = byte | kShadowDriveHeadBits;
    }
    return true;
}

bool AtaController::WriteData(uint32_t size, const void* value) {
    if (size > 4) {
        return false;
    }
    if (AtaDrive* drive = SelectedDrive()) {
        return drive->WriteData(size, value);
    }
    TraceMissing(true, selectedIndex, ata::kData, false, "=>DATA = %.2lXh (no drive %ld)", LowByte(value, size),
                 selectedIndex);
    return true;
}

bool AtaController::WriteFeatures(uint32_t size, const void* value) {
    if (size > 4) {
        return false;
    }
    if (AtaDrive* drive = SelectedDrive()) {
        return drive->WritePrecomp(size, value);
    }
    TraceMissing(true, selectedIndex, ata::kPrecomp, false, "=>PRECOMP = %.2lXh (no drive %ld)", LowByte(value, size),
                 selectedIndex);
    return true;
}

bool AtaController::WriteCommand(uint32_t size, const void* value) {
    if (size > 4) {
        return false;
    }
    const uint8_t command = LowByte(value, size);
    if (command != kExecuteDiagnostic) {
        if (AtaDrive* drive = SelectedDrive()) {
            return drive->WriteCommand(command);
        }
        TraceMissing(true, selectedIndex, ata::kCommand, false, "=>COMMAND = %.2lXh (no drive %ld)", command,
                     selectedIndex);
        return true;
    }
    // The diagnostic involves both drives, busy or in reset as they may be: a pending reset ends with it.
    ++resetSequence;
    ++diagnoseSequence;
    bool anyPresent = false;
    for (int32_t index = 0; index < 2; ++index) {
        if (AtaDrive* drive = PresentDrive(index)) {
            anyPresent = true;
            drive->SetDiagnosticActive(true);
            drive->WriteCommand(command, true);
        }
    }
    if (anyPresent && Bus() != nullptr &&
        Bus()->AddEvent(kDiagnoseRate, &OnDiagnoseDrivesEvent, this, kDiagnoseEvent,
                        static_cast<uint64_t>(diagnoseSequence), false) != 0) {
        TraceEventNotify(sequenceSwitches.diagnoseStartTrace, sequenceSwitches.diagnoseStartBreak, false,
                         "START DIAGNOSE DRIVES");
    }
    return true;
}

bool AtaController::WriteControl(uint32_t size, const void* value) {
    if (size > 4) {
        return false;
    }
    const uint8_t byte = LowByte(value, size);
    AtaDrive* target = SelectedDrive();
    if (target == nullptr) {
        target = PresentDrive(selectedIndex ^ 1);
    }
    bool breaks = false;
    if (target != nullptr) {
        target->TraceControl(byte, breaks);
    } else {
        breaks = TraceMissing(true, selectedIndex, ata::kControl, false, "=>CONTROL = %.2lXh (no drive %ld)", byte,
                              selectedIndex);
    }
    if (breaks) {
        return true;
    }
    // nIEN is the line's, which both drives share.
    for (int32_t index = 0; index < 2; ++index) {
        if (AtaDrive* drive = AtaDriveAt(index)) {
            drive->SetInterruptDisabled((byte & kControlInterruptOff) != 0);
        }
    }
    const bool assert = (byte & kControlSoftReset) != 0;
    if (assert != softReset) {
        softReset = assert;
        ResetDrives(assert, false);
    }
    return true;
}

// ---- Reset and diagnostic

void AtaController::ResetDrives(bool assert, bool quiet) {
    ++resetSequence;
    ++diagnoseSequence;
    for (int32_t index = 0; index < 2; ++index) {
        if (AtaDrive* drive = AtaDriveAt(index)) {
            drive->ResetRegisters(assert);
        }
    }
    if (!assert) {
        softReset = false;
        Select(0);
        TraceEventNotify(sequenceSwitches.resetStopTrace, sequenceSwitches.resetStopBreak, false, "STOP RESET DRIVES");
        return;
    }
    if (Bus() != nullptr) {
        Bus()->AddEvent(kResetRate, &OnResetDrivesDone, this, kResetEvent, static_cast<uint64_t>(resetSequence), false);
    }
    if (!quiet) {
        TraceEventNotify(sequenceSwitches.resetStartTrace, sequenceSwitches.resetStartBreak, false,
                         "START RESET DRIVES");
    }
}

bool AtaController::OnResetDrivesDone(TreeNode* owner, BusEvent* event) {
    auto* controller = static_cast<AtaController*>(owner);
    if (event->tag != static_cast<uint64_t>(controller->resetSequence)) {
        return false;
    }
    // The reset lasts two periods, whether or not the host still holds SRST.
    if (event->fireCount == 0) {
        return true;
    }
    controller->ResetDrives(false, false);
    return false;
}

bool AtaController::OnDiagnoseDrivesEvent(TreeNode* owner, BusEvent* event) {
    auto* controller = static_cast<AtaController*>(owner);
    return event->tag == static_cast<uint64_t>(controller->diagnoseSequence) && controller->OnDiagnoseDrivesDone();
}

bool AtaController::OnDiagnoseDrivesDone() {
    AtaDrive* present[2] = {PresentDrive(0), PresentDrive(1)};
    for (AtaDrive* drive : present) {
        if (drive != nullptr && drive->DiagnosticActive()) {
            return true;
        }
    }
    for (AtaDrive* drive : present) {
        if (drive != nullptr) {
            drive->EndDiagnostic();
        }
    }
    // A drive found alone is the selected one; with both, the host's choice stays.
    if (present[0] != nullptr && present[1] == nullptr) {
        Select(0);
    } else if (present[0] == nullptr && present[1] != nullptr) {
        Select(1);
    }
    if (AtaDrive* drive = SelectedDrive()) {
        drive->RaiseIrq(0);
    }
    TraceEventNotify(sequenceSwitches.diagnoseStopTrace, sequenceSwitches.diagnoseStopBreak, false,
                     "STOP DIAGNOSE DRIVES");
    return false;
}

// ---- Life

bool AtaController::Start(int32_t& rate) {
    selectedDrive = nullptr;
    sebh = false;
    swdr = false;
    if (!DiskController::Start(rate)) {
        return false;
    }
    rate = std::max(rate, kBusRate);
    resetSequence = 0;
    diagnoseSequence = 0;
    selectedIndex = 0;
    softReset = false;
    shadowDriveHead = kShadowDriveHeadBits;
    if (Bus() == nullptr || !Bus()->BindCallbackEvent(kResetEvent, &OnResetDrivesDone, this) ||
        !Bus()->BindCallbackEvent(kDiagnoseEvent, &OnDiagnoseDrivesEvent, this)) {
        return false;
    }
    ResetDrives(true, true);
    return true;
}

void AtaController::Stop() {
    swdr = false;
    DiskController::Stop();
}

// ---- Trace menu

void AtaController::AddDriveGroups(common::OptionNode* item, bool breaks) {
    common::NarrowString caption;
    for (int32_t index = 0; index < 2; ++index) {
        AtaDrive* drive = AtaDriveAt(index);
        if (drive == nullptr) {
            continue;
        }
        // Every drive answers the ATA commands; a CD drive also the packet commands.
        for (const bool packets : {false, true}) {
            if (packets && !drive->IsAtapi()) {
                continue;
            }
            ata::CommandSwitches& commands = drive->CommandTraces();
            bool* flags = packets ? (breaks ? commands.breakAtapi.data() : commands.traceAtapi.data())
                                  : (breaks ? commands.breakAta.data() : commands.traceAta.data());
            const int32_t rows = packets ? ata::kAtapiCommandRows : ata::kAtaCommandRows;
            caption.Format(breaks ? (packets ? "Break On ATAPI Drive %ld" : "Break On ATA/IDE Drive %ld")
                                  : (packets ? "Trace ATAPI Drive %ld" : "Trace ATA/IDE Drive %ld"),
                           index);
            common::OptionNode* group = item->AddItem(caption);
            if (group == nullptr) {
                continue;
            }
            item->AddEnabledLink(group, true);
            for (int32_t row = 0; row < rows; ++row) {
                const char* text = packets ? ata::kAtapiCommandCaptions[static_cast<size_t>(row)]
                                           : ata::kAtaCommandCaptions[static_cast<size_t>(row)];
                group->AddEnabledLink(
                    group->AddToggleItem(common::NarrowString(text), flags + row, true, nullptr, false), true);
            }
            group->AddSeparator();
            if (common::OptionNode* all = group->AddItem(common::NarrowString("Select All"))) {
                all->AddActionSetBytes(flags, true, rows);
            }
            if (common::OptionNode* none = group->AddItem(common::NarrowString("Clear All"))) {
                none->AddActionSetBytes(flags, false, rows);
            }
        }
    }
}

void AtaController::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    DiskController::FillSettingsTree(item, kind);
    if (item == nullptr || kind != OptionKind::Trace) {
        return;
    }
    // Sets one kind of switch (trace or break) of every drive, or both kinds.
    const auto setAll = [this](common::OptionNode* button, bool traces, bool breaks, bool value) {
        if (button == nullptr) {
            return;
        }
        for (int32_t index = 0; index < 2; ++index) {
            AtaDrive* drive = AtaDriveAt(index);
            if (drive == nullptr) {
                continue;
            }
            ata::CommandSwitches& commands = drive->CommandTraces();
            if (traces) {
                button->AddActionSetBytes(commands.traceAta.data(), value, ata::kAtaCommandRows);
            }
            if (breaks) {
                button->AddActionSetBytes(commands.breakAta.data(), value, ata::kAtaCommandRows);
            }
            if (drive->IsAtapi() && traces) {
                button->AddActionSetBytes(commands.traceAtapi.data(), value, ata::kAtapiCommandRows);
            }
            if (drive->IsAtapi() && breaks) {
                button->AddActionSetBytes(commands.breakAtapi.data(), value, ata::kAtapiCommandRows);
            }
        }
    };
    AddDriveGroups(item, false);
    setAll(item->AddItem(common::NarrowString("Trace All")), true, false, true);
    item->AddSeparator();
    AddDriveGroups(item, true);
    setAll(item->AddItem(common::NarrowString("Break On All")), false, true, true);
    item->AddSeparator();
    setAll(item->AddItem(common::NarrowString("Select All")), true, true, true);
    setAll(item->AddItem(common::NarrowString("Clear All")), true, true, false);
}

// ---- State

bool AtaController::SaveOwnData(common::RecordArchive& archive) {
    const uint8_t cached = selectedDrive != nullptr ? static_cast<uint8_t>(selectedDrive->DriveIndex() + 1) : 0;
    return DiskController::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordI64(resetSequence, Key("RSTT")) &&
           archive.WriteRecordI64(diagnoseSequence, Key("DGNT")) && archive.WriteRecordBool(softReset, Key("SWRS")) &&
           archive.WriteRecordBool(immediateWrite, Key("BOWH")) &&
           archive.WriteRecordU8(shadowDriveHead, Key("DRHD")) &&
           archive.WriteRecordU8(static_cast<uint8_t>(selectedIndex), Key("DRID")) &&
           archive.WriteRecordU8(cached, Key("DIDX")) && archive.WriteRecordBool(sebh, Key("SEBH")) &&
           archive.WriteRecordBool(swdr, Key("SWDR"));
}

bool AtaController::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    int64_t loadedReset = 0;
    int64_t loadedDiagnose = 0;
    bool loadedSoftReset = false;
    bool loadedImmediate = false;
    uint8_t loadedShadow = 0;
    uint8_t loadedIndex = 0;
    uint8_t cached = 0;
    bool loadedSebh = false;
    bool loadedSwdr = false;
    if (!DiskController::LoadOwnData(archive, note) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordI64(loadedReset, Key("RSTT")) || !archive.ReadRecordI64(loadedDiagnose, Key("DGNT")) ||
        !archive.ReadRecordBool(loadedSoftReset, Key("SWRS")) ||
        !archive.ReadRecordBool(loadedImmediate, Key("BOWH")) || !archive.ReadRecordU8(loadedShadow, Key("DRHD")) ||
        !archive.ReadRecordU8(loadedIndex, Key("DRID")) || !archive.ReadRecordU8(cached, Key("DIDX")) ||
        !archive.ReadRecordBool(loadedSebh, Key("SEBH")) || !archive.ReadRecordBool(loadedSwdr, Key("SWDR"))) {
        return false;
    }
    // The cached drive is the one at the selected index, and it must be there.
    if (loadedIndex > 1 || (cached != 0 && (cached != loadedIndex + 1 || AtaDriveAt(loadedIndex) == nullptr))) {
        return false;
    }
    resetSequence = loadedReset;
    diagnoseSequence = loadedDiagnose;
    softReset = loadedSoftReset;
    immediateWrite = loadedImmediate;
    shadowDriveHead = loadedShadow;
    selectedIndex = loadedIndex;
    selectedDrive = cached != 0 ? AtaDriveAt(loadedIndex) : nullptr;
    sebh = loadedSebh;
    swdr = loadedSwdr;
    return true;
}

} // namespace emu
