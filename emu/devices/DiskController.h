#pragma once

#include "emu/core/Device.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace emu {

class DiskDrive;
class DriveSlot;

// The base of a disk controller: one drive device per drive slot of the machine's drive set, made by AddDrive and
// owned as the controller's children. A controller decides which media it accepts and with what geometry
// (GeometryFromSize), and hears of its drives' media changes, finished seeks and timed reads through the virtual
// operations below; the drives call them with their index in the controller's list.
class DiskController : public Device {
public:
    // The size of the one medium the base accepts without a geometry of its own: 80 cylinders, 2 heads,
    // 18 sectors of 512 bytes.
    static constexpr uint64_t kFloppyImageSize = 0x168000;

    DiskController(const char* name = nullptr, const char* tag = nullptr);
    ~DiskController() override;

    // Makes the drive for the next index on slot, named name ("drive<index>" when null) with the label (the given
    // name when null), and announces the slot's medium to it when no drive has accepted it yet. False for no slot,
    // while running, or when the tree refuses the drive (which is then deleted).
    bool AddDrive(DriveSlot* slot, const char* name = nullptr, const char* label = nullptr);
    int32_t DriveCount() const { return static_cast<int32_t>(drives.size()); }

    // The medium of drive driveIndex changed (called only while the controller runs).
    virtual void OnDriveChanged([[maybe_unused]] int32_t driveIndex) {}
    // Whether the controller accepts the medium, with the geometry it proposes. detected: the image reported the
    // geometry itself, and a controller that changes it refuses the medium. The base keeps a reported geometry and
    // otherwise takes only the 1,474,560-byte floppy image.
    virtual bool GeometryFromSize(int32_t driveIndex, bool detected, uint64_t& cylinders, uint64_t& heads,
                                  uint64_t& sectors, uint64_t& sectorSize);
    // A timed seek of the drive ended, arrived (ok) or failed.
    virtual void OnSeekDone([[maybe_unused]] int32_t driveIndex, [[maybe_unused]] bool ok) {}
    // The drive's timed read offers count bytes (none when it can go on no further); answers the bytes taken.
    // The base takes everything.
    virtual int32_t OnReadData(int32_t driveIndex, const uint8_t* data, int32_t count, uint64_t requested,
                               uint64_t done);
    // The drive for AddDrive; a controller with drives of its own kind overrides it.
    virtual std::unique_ptr<DiskDrive> CreateDrive(DriveSlot* slot, int32_t driveIndex);
    // Null out of range.
    virtual DiskDrive* GetDrive(int32_t driveIndex) const;

private:
    static void SeekDone(void* context, DiskDrive* drive, bool ok);
    static int32_t ReadData(void* context, DiskDrive* drive, const uint8_t* data, int32_t count, uint64_t requested,
                            uint64_t done);

    // Children of the controller, borrowed, in the order added.
    std::vector<DiskDrive*> drives;
};

} // namespace emu
