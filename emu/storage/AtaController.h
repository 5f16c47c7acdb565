#pragma once

#include "emu/devices/DiskController.h"
#include "emu/storage/AtaDrive.h"

#include <array>
#include <cstdint>
#include <memory>

namespace emu {

// An ATA/IDE host controller with up to two drives, master (index 0) and slave (1), each an ATA hard disk or an
// ATAPI CD drive (AtaDrive). It claims eight task-file ports ("PORTS"), the two ports of the control block
// ("PORTSEX") and one interrupt line ("IRQ"), selects the drive that DRIVE_HEAD addresses and routes register
// accesses to it, answers for a drive that is not there, copies the parameter registers to both drives, and runs the
// soft reset (SRST of CONTROL) and EXECUTE DEVICE DIAGNOSTIC over both. Hard-disk images get their geometry from a
// table of known sizes.
//
// No machine model creates it. A model that wants it sets its line with SetIrq, its ports with RegisterPorts and
// RegisterControlPorts, makes its drives with AddDrive (SetNewDrivesAtapi before each, for the kind) and adds it to
// its device tree.
class AtaController : public DiskController {
public:
    // The image size from which a disk takes 16 heads of 63 sectors, and the smallest such size.
    static constexpr uint64_t kLargeDiskCylinderBytes = 16 * 63 * 512;
    static constexpr uint64_t kLargeDiskSize = 528482304;

    AtaController();
    ~AtaController() override;

    // The eight task-file ports from base on, and the two control-block ports. False when the old claim could not be
    // dropped; a negative base claims nothing.
    bool RegisterPorts(int32_t base);
    bool RegisterControlPorts(int32_t base);
    // Whether the drives AddDrive makes from now on are ATAPI CD drives.
    void SetNewDrivesAtapi(bool on) { newDrivesAtapi = on; }
    // Written sectors go to the image at the DATA write that completes them, not at the next sector step.
    void SetImmediateWrite(bool on) { immediateWrite = on; }
    bool ImmediateWrite() const { return immediateWrite; }

    AtaDrive* AtaDriveAt(int32_t index) const { return static_cast<AtaDrive*>(GetDrive(index)); }
    // The drive at index when it answers its registers, else null.
    AtaDrive* PresentDrive(int32_t index) const;
    int32_t SelectedIndex() const { return selectedIndex; }
    // The "IRQ" parameter is in force.
    bool InterruptEnabled() const { return irqActive; }
    uint32_t InterruptLine() const { return static_cast<uint32_t>(irq); }
    ata::RegisterSwitches& RegisterTraces(int32_t index) { return switches[static_cast<size_t>(index & 1)]; }
    // The switches of the four reset and diagnostic lines.
    struct SequenceSwitches {
        bool resetStartTrace = false;
        bool resetStopTrace = false;
        bool resetStartBreak = false;
        bool resetStopBreak = false;
        bool diagnoseStartTrace = false;
        bool diagnoseStopTrace = false;
        bool diagnoseStartBreak = false;
        bool diagnoseStopBreak = false;
    };
    SequenceSwitches& SequenceTraces() { return sequenceSwitches; }

    // Port handlers with the controller as context.
    static bool ReadPort(void* context, uint32_t port, uint32_t size, void* value, uint8_t quiet);
    static bool WritePort(void* context, uint32_t port, uint32_t size, const void* value);
    static bool ReadControlBlock(void* context, uint32_t port, uint32_t size, void* value, uint8_t quiet);
    static bool WriteControlPort(void* context, uint32_t port, uint32_t size, const void* value);

    // The table's geometry of a hard-disk image, and 1/1/1/1 for the non-empty image of a CD drive. Images that
    // report a geometry of their own are refused.
    bool GeometryFromSize(int32_t driveIndex, bool detected, uint64_t& cylinders, uint64_t& heads, uint64_t& sectors,
                          uint64_t& sectorSize) override;
    // Drives 0 and 1, of the kind SetNewDrivesAtapi set.
    std::unique_ptr<DiskDrive> CreateDrive(DriveSlot* slot, int32_t driveIndex) override;

    // Raises the bus rate to 2000 Hz, binds the events and starts both drives' reset, which ends two milliseconds
    // later.
    bool Start(int32_t& rate) override;
    void Stop() override;
    // The trace menu: per drive the command trace and break switches, with their group buttons.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Reads and checks every value before it takes any.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    // A register read of the selected drive, through the drive's operation, or the missing-drive answer.
    using DriveRead = bool (AtaDrive::*)(uint32_t size, void* value, bool quiet);

    AtaDrive* SelectedDrive();
    void Select(int32_t index);
    bool ReadRegister(int32_t index, uint32_t size, void* value, bool quiet, DriveRead read, const char* missingFormat);
    bool ReadStatusRegister(uint32_t size, void* value, bool quiet, bool primary);
    bool ReadDataRegister(uint32_t size, void* value, bool quiet);
    // A missing-drive line on the controller's switches of the selected index; true when it breaks.
    template <typename... Args>
    bool TraceMissing(bool write, int32_t driveIndex, int32_t index, bool quiet, const char* format,
                      const Args&... args) const {
        const ata::RegisterSwitches& row = switches[static_cast<size_t>(driveIndex & 1)];
        const size_t at = static_cast<size_t>(index);
        return TraceEventBreak(write ? row.writeTrace[at] : row.readTrace[at],
                               write ? row.writeBreak[at] : row.readBreak[at], quiet, format, args...) != 0;
    }
    bool WriteParameter(int32_t index, uint32_t size, const void* value, const char* missingFormat);
    bool WriteDriveHead(uint32_t size, const void* value);
    bool WriteData(uint32_t size, const void* value);
    bool WriteFeatures(uint32_t size, const void* value);
    bool WriteCommand(uint32_t size, const void* value);
    bool WriteControl(uint32_t size, const void* value);
    // Starts (assert) or ends the soft reset of both drives.
    void ResetDrives(bool assert, bool quiet);
    void EndReset();
    static bool OnResetDrivesDone(TreeNode* owner, BusEvent* event);
    static bool OnDiagnoseDrivesEvent(TreeNode* owner, BusEvent* event);
    bool OnDiagnoseDrivesDone();
    void AddDriveGroups(common::OptionNode* item, bool breaks);

    std::array<ata::RegisterSwitches, 2> switches{};
    SequenceSwitches sequenceSwitches;
    int64_t resetSequence = 0;
    int64_t diagnoseSequence = 0;
    uint64_t taskFileBase = 0;
    uint64_t controlBase = 0;
    // The drive at the selected index once it was looked up; null until then.
    AtaDrive* selectedDrive = nullptr;
    int32_t selectedIndex = 0;
    bool softReset = false;
    // What DRIVE_HEAD reads while no drive is selected.
    uint8_t shadowDriveHead = 0xA0;
    bool newDrivesAtapi = false;
    bool immediateWrite = false;
    // Kept in the state only.
    bool sebh = false;
    bool swdr = false;
};

} // namespace emu
