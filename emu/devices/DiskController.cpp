#include "emu/devices/DiskController.h"

#include "emu/core/DriveSlot.h"
#include "emu/devices/DiskDrive.h"

namespace emu {

DiskController::DiskController(const char* name, const char* tag) : Device(name, tag) {}

DiskController::~DiskController() = default;

bool DiskController::AddDrive(DriveSlot* slot, const char* name, const char* label) {
    if (slot == nullptr || IsRunning()) {
        return false;
    }
    const auto index = static_cast<int32_t>(drives.size());
    std::unique_ptr<DiskDrive> drive = CreateDrive(slot, index);
    if (drive == nullptr) {
        return false;
    }
    drive->SetSeekDoneCallback(SeekDone, this);
    drive->SetReadDataCallback(ReadData, this);
    common::NarrowString defaultName;
    defaultName.Format("drive%d", index);
    DiskDrive* added = drive.get();
    if (!AddChild(std::move(drive), name != nullptr ? name : defaultName.GetNarrow(),
                  label != nullptr ? label : name)) {
        return false;
    }
    drives.push_back(added);
    if (!slot->mediaReady) {
        slot->NotifyOwner(false);
    }
    return true;
}

bool DiskController::GeometryFromSize(int32_t driveIndex, bool detected, uint64_t& cylinders, uint64_t& heads,
                                      uint64_t& sectors, uint64_t& sectorSize) {
    const DiskDrive* drive = GetDrive(driveIndex);
    if (drive == nullptr) {
        return false;
    }
    if (detected) {
        return true;
    }
    if (drive->ImageSize() != kFloppyImageSize) {
        return false;
    }
    cylinders = 80;
    heads = 2;
    sectors = 18;
    sectorSize = 512;
    return true;
}

int32_t DiskController::OnReadData(int32_t, const uint8_t*, int32_t count, uint64_t, uint64_t) {
    return count;
}

std::unique_ptr<DiskDrive> DiskController::CreateDrive(DriveSlot* slot, int32_t driveIndex) {
    return std::make_unique<DiskDrive>(slot, this, driveIndex);
}

DiskDrive* DiskController::GetDrive(int32_t driveIndex) const {
    return driveIndex >= 0 && driveIndex < DriveCount() ? drives[static_cast<size_t>(driveIndex)] : nullptr;
}

void DiskController::SeekDone(void* context, DiskDrive* drive, bool ok) {
    static_cast<DiskController*>(context)->OnSeekDone(drive->DriveIndex(), ok);
}

int32_t DiskController::ReadData(void* context, DiskDrive* drive, const uint8_t* data, int32_t count,
                                 uint64_t requested, uint64_t done) {
    return static_cast<DiskController*>(context)->OnReadData(drive->DriveIndex(), data, count, requested, done);
}

} // namespace emu
