#include "emu/devices/DiskDrive.h"

#include "common/RecordArchive.h"
#include "emu/core/BusService.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/StateChunk.h"
#include "emu/devices/DiskController.h"

#include <algorithm>
#include <cstring>

namespace emu {

namespace {

// Seeks move one cylinder, reads one transfer, each millisecond.
constexpr int32_t kStepFrequency = 1000;
constexpr int32_t kLowestBusRate = 50;
constexpr const char* kSeekEvent = "SeekEvent";
constexpr const char* kReadEvent = "ReadEvent";
constexpr const char* kChunk = "_DDRV";
constexpr int32_t kLastSeekState = 4;

common::NarrowString Key(const char* name) {
    return common::NarrowString(name);
}

// a x b, or false when it does not fit 64 bits.
bool MultiplyFits(uint64_t a, uint64_t b, uint64_t& product) {
    return !__builtin_mul_overflow(a, b, &product);
}

} // namespace

// "_DDRV" as read, before it is applied.
struct DiskDrive::SavedDrive {
    uint64_t imageSize = 0;
    bool detected = false;
    bool supported = false;
    bool fixedGeometry = false;
    uint64_t heads = 0;
    uint64_t cylinders = 0;
    uint64_t sectors = 0;
    uint64_t sectorSize = 0;
    uint64_t headIndex = 0;
    uint64_t cylinderIndex = 0;
    uint64_t sectorIndex = 0;
    int32_t bytePosition = 0;
    bool motorOn = false;
    uint8_t seekState = 0;
    uint64_t seekTarget = 0;
    int64_t seekGeneration = 0;
    uint64_t readRequested = 0;
    uint64_t readDone = 0;
    int64_t readGeneration = 0;
};

DiskDrive::DiskDrive(DriveSlot* slot, DiskController* controller, int32_t driveIndex, const char* name, const char* tag)
    : Device(name, tag), controller(controller), driveIndex(driveIndex) {
    RefreshMedia(slot);
}

DiskDrive::~DiskDrive() {
    if (bufferDirty && !FlushBuffer()) {
        PrintError("[ERROR] %s: a changed sector could not be written back to its disk image", Name());
    }
}

void DiskDrive::RefreshMedia(DriveSlot* newSlot) {
    DropBuffer();
    slot = newSlot;
    motorOn = supported = fixedGeometry = ready = writable = detected = false;
    cylinders = heads = sectors = sectorSize = 0;
    bytePosition = 0;
    cylinderIndex = headIndex = sectorIndex = 0;
    imageSize = 0;
    if (slot != nullptr) {
        ImageStream& image = *Medium();
        imageSize = static_cast<uint64_t>(std::max<int64_t>(image.Size(), 0));
        int64_t reported[4] = {0, 0, 0, 0};
        detected = fixedGeometry = image.GetGeometry(reported[0], reported[1], reported[2], reported[3]) &&
                                   std::all_of(reported, reported + 4, [](int64_t value) { return value >= 0; });
        if (detected) {
            cylinders = static_cast<uint64_t>(reported[0]);
            heads = static_cast<uint64_t>(reported[1]);
            sectors = static_cast<uint64_t>(reported[2]);
            sectorSize = static_cast<uint64_t>(reported[3]);
        }
        uint64_t proposal[4] = {cylinders, heads, sectors, sectorSize};
        supported = controller != nullptr ? controller->GeometryFromSize(driveIndex, detected, proposal[0], proposal[1],
                                                                         proposal[2], proposal[3])
                                          : detected;
        if (supported && detected &&
            (proposal[0] != cylinders || proposal[1] != heads || proposal[2] != sectors || proposal[3] != sectorSize)) {
            supported = false;
        }
        // A geometry the drive cannot buffer or address is no medium for it.
        if (supported && (proposal[0] == 0 || proposal[1] == 0 || proposal[2] == 0 || proposal[3] == 0 ||
                          proposal[3] > kMaxSectorSize)) {
            supported = false;
        }
        if (supported) {
            cylinders = proposal[0];
            heads = proposal[1];
            sectors = proposal[2];
            sectorSize = proposal[3];
            detected = true;
        }
        slot->changeSeen = true;
        slot->mediaReady = supported;
        slot->changed = false;
        UpdateReadiness();
    }
    if (controller != nullptr && controller->IsRunning()) {
        controller->OnDriveChanged(driveIndex);
    }
}

ImageStream* DiskDrive::Medium() const {
    return slot != nullptr ? &slot->Image() : nullptr;
}

void DiskDrive::UpdateReadiness() {
    writable = supported && slot->latched && !slot->writeLocked && Medium()->CanWrite();
    ready = supported && slot->latched;
}

void DiskDrive::RefreshChangedMedia() {
    if (Drives() != nullptr && slot != nullptr && slot->changed) {
        RefreshMedia(slot->detached ? nullptr : slot);
    }
}

void DiskDrive::AttachSlot(DriveSlot* newSlot) {
    RefreshMedia(newSlot);
}

void DiskDrive::SetSeekDoneCallback(SeekDoneCallback callback, void* context) {
    seekDone = callback;
    seekDoneContext = context;
}

void DiskDrive::SetReadDataCallback(ReadDataCallback callback, void* context) {
    readData = callback;
    readDataContext = context;
}

uint64_t DiskDrive::ImageOffset(uint64_t cylinder, uint64_t head, uint64_t sector) const {
    return ((cylinder * heads + head) * sectors + sector) * sectorSize;
}

bool DiskDrive::Inside(uint64_t cylinder, uint64_t head, uint64_t sector) const {
    return cylinder < cylinders && head < heads && sector < sectors;
}

bool DiskDrive::MoveTo(uint64_t cylinder, uint64_t head, uint64_t sector) {
    if (!Inside(cylinder, head, sector)) {
        return false;
    }
    bytePosition = 0;
    if (cylinder == cylinderIndex && head == headIndex && sector == sectorIndex) {
        return true;
    }
    // A drive that cannot write drops its changes.
    if (bufferDirty && writable && !FlushBuffer()) {
        return false;
    }
    cylinderIndex = cylinder;
    headIndex = head;
    sectorIndex = sector;
    bufferValid = bufferDirty = false;
    return true;
}

bool DiskDrive::CheckPosition(uint64_t cylinder, uint64_t head, uint64_t sector) {
    return MoveTo(cylinder, head, sector);
}

bool DiskDrive::SetCylinderIndex(uint64_t cylinder) {
    bytePosition = 0;
    return MoveTo(cylinder, headIndex, sectorIndex);
}

bool DiskDrive::SetHeadIndex(uint64_t head) {
    bytePosition = 0;
    return MoveTo(cylinderIndex, head, sectorIndex);
}

bool DiskDrive::SetSectorIndex(uint64_t sector) {
    bytePosition = 0;
    return MoveTo(cylinderIndex, headIndex, sector);
}

bool DiskDrive::NextSector() {
    uint64_t cylinder = cylinderIndex;
    uint64_t head = headIndex;
    uint64_t sector = sectorIndex + 1;
    if (sector >= sectors) {
        sector = 0;
        if (++head >= heads) {
            head = 0;
            if (++cylinder >= cylinders) {
                return false;
            }
        }
    }
    return MoveTo(cylinder, head, sector);
}

bool DiskDrive::LoadBuffer() {
    if (!sectorBuffer.empty() && bufferValid) {
        return true;
    }
    if (slot == nullptr || !slot->mediaReady || !slot->latched || sectorSize == 0 || sectorSize > kMaxSectorSize) {
        return false;
    }
    sectorBuffer.resize(static_cast<size_t>(sectorSize));
    ImageStream& image = *Medium();
    const auto size = static_cast<int64_t>(sectorSize);
    const uint64_t offset = ImageOffset(cylinderIndex, headIndex, sectorIndex);
    const int64_t read =
        fixedGeometry ? image.ReadSectorAt(sectorBuffer.data(), static_cast<int64_t>(cylinderIndex),
                                           static_cast<int64_t>(headIndex), static_cast<int64_t>(sectorIndex), size)
                      : image.ReadAt(sectorBuffer.data(), static_cast<int64_t>(offset), size);
    if (read != 0) {
        slot->readActivity = true;
    }
    if (read != size) {
        return false;
    }
    bufferDirty = false;
    bufferValid = true;
    bufferOffset = offset;
    return true;
}

bool DiskDrive::FlushBuffer() {
    if (sectorBuffer.empty() || !bufferDirty || !bufferValid) {
        return true;
    }
    if (slot == nullptr || !slot->mediaReady || !slot->latched || slot->writeLocked || !Medium()->CanWrite()) {
        DropSector();
        return false;
    }
    ImageStream& image = *Medium();
    const auto size = static_cast<int64_t>(sectorSize);
    const int64_t written =
        fixedGeometry ? image.WriteSectorAt(sectorBuffer.data(), static_cast<int64_t>(cylinderIndex),
                                            static_cast<int64_t>(headIndex), static_cast<int64_t>(sectorIndex), size)
                      : image.WriteAt(sectorBuffer.data(), static_cast<int64_t>(bufferOffset), size);
    if (written != 0) {
        slot->written = true;
        slot->writeActivity = true;
    }
    if (written != size) {
        DropSector();
        return false;
    }
    bufferDirty = false;
    return true;
}

void DiskDrive::DropSector() {
    bufferValid = false;
    bufferDirty = false;
}

void DiskDrive::DropBuffer() {
    bufferValid = false;
    sectorBuffer = {};
    bufferOffset = 0;
    bufferDirty = false;
}

int32_t DiskDrive::AccessOffset(int32_t offset) {
    const auto size = static_cast<int64_t>(sectorSize);
    if (offset < 0) {
        offset = bytePosition >= size ? 0 : bytePosition;
    }
    if (offset >= size) {
        bytePosition = static_cast<int32_t>(size);
        return -1;
    }
    bytePosition = offset;
    return offset;
}

int32_t DiskDrive::ReadSector(uint8_t* destination, int32_t count, int32_t offset) {
    if (count <= 0 || destination == nullptr || !ready || !LoadBuffer()) {
        return 0;
    }
    const int32_t from = AccessOffset(offset);
    if (from < 0) {
        return 0;
    }
    const auto copied = static_cast<int32_t>(std::min<int64_t>(count, static_cast<int64_t>(sectorSize) - from));
    std::memcpy(destination, sectorBuffer.data() + from, static_cast<size_t>(copied));
    bytePosition += copied;
    return copied;
}

int32_t DiskDrive::ReadByte(uint8_t* destination, int32_t offset) {
    return ReadSector(destination, 1, offset);
}

int32_t DiskDrive::WriteSector(const uint8_t* source, int32_t count, int32_t offset) {
    if (count <= 0 || source == nullptr || !writable || !LoadBuffer()) {
        return 0;
    }
    const int32_t from = AccessOffset(offset);
    if (from < 0) {
        return 0;
    }
    const auto copied = static_cast<int32_t>(std::min<int64_t>(count, static_cast<int64_t>(sectorSize) - from));
    std::memcpy(sectorBuffer.data() + from, source, static_cast<size_t>(copied));
    bytePosition += copied;
    bufferDirty = true;
    return copied;
}

int32_t DiskDrive::WriteByte(uint8_t value, int32_t offset) {
    return WriteSector(&value, 1, offset);
}

bool DiskDrive::StartSeek(uint64_t cylinder) {
    if (seekState != 0 || Bus() == nullptr) {
        return false;
    }
    seekTarget = cylinder;
    seekState = cylinder < cylinderIndex ? 3 : 4;
    ++seekGeneration;
    if (Bus()->AddEvent(kStepFrequency, OnSeekStep, this, kSeekEvent, static_cast<uint64_t>(seekGeneration), false) ==
        0) {
        // Nothing will end a seek the bus did not take.
        seekState = 0;
        return false;
    }
    return true;
}

bool DiskDrive::OnSeekStep(TreeNode* owner, BusEvent* event) {
    auto* drive = static_cast<DiskDrive*>(owner);
    return event->tag == static_cast<uint64_t>(drive->seekGeneration) && drive->SeekStep();
}

bool DiskDrive::SeekStep() {
    if (cylinderIndex == seekTarget) {
        EndSeek(true);
        return false;
    }
    const uint64_t cylinder = cylinderIndex < seekTarget ? cylinderIndex + 1 : cylinderIndex - 1;
    bytePosition = 0;
    if (cylinder >= cylinders || headIndex >= heads || sectorIndex >= sectors ||
        (bufferDirty && writable && !FlushBuffer())) {
        EndSeek(false);
        return false;
    }
    cylinderIndex = cylinder;
    bufferValid = bufferDirty = false;
    return true;
}

void DiskDrive::EndSeek(bool ok) {
    if (seekDone == nullptr) {
        seekState = ok ? 1 : 2;
        return;
    }
    seekDone(seekDoneContext, this, ok);
    ++seekGeneration;
    seekState = 0;
}

bool DiskDrive::StartRead(uint64_t bytes) {
    if (readRequested != 0 || Bus() == nullptr) {
        return false;
    }
    readRequested = bytes;
    readDone = 0;
    ++readGeneration;
    if (Bus()->AddEvent(kStepFrequency, OnReadStep, this, kReadEvent, static_cast<uint64_t>(readGeneration), false) ==
        0) {
        // Nothing will end a read the bus did not take.
        readRequested = 0;
        return false;
    }
    return true;
}

bool DiskDrive::OnReadStep(TreeNode* owner, BusEvent* event) {
    auto* drive = static_cast<DiskDrive*>(owner);
    return event->tag == static_cast<uint64_t>(drive->readGeneration) && drive->ReadStep();
}

bool DiskDrive::ReadStep() {
    const uint64_t remaining = readRequested - readDone;
    int64_t inSector = static_cast<int64_t>(sectorSize) - bytePosition;
    if (inSector == 0 && NextSector()) {
        inSector = static_cast<int64_t>(sectorSize) - bytePosition;
    }
    if (!bufferValid) {
        LoadBuffer();
    }
    if (remaining == 0 || sectorBuffer.empty() || !ready || !bufferValid || inSector <= 0) {
        if (readData == nullptr) {
            return false;
        }
        if (readData(readDataContext, this, nullptr, 0, readRequested, readDone) != 0) {
            return true;
        }
        ++readGeneration;
        readRequested = 0;
        return false;
    }
    auto count = static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(inSector), remaining));
    if (readData != nullptr) {
        const int32_t taken =
            readData(readDataContext, this, sectorBuffer.data() + bytePosition, count, readRequested, readDone);
        if (taken < 1) {
            return true;
        }
        count = std::min(count, taken);
    }
    readDone += static_cast<uint64_t>(count);
    bytePosition += count;
    return true;
}

bool DiskDrive::Start(int32_t& rate) {
    if (!Device::Start(rate)) {
        return false;
    }
    rate = std::max(rate, kLowestBusRate);
    seekState = 0;
    seekGeneration = 0;
    readGeneration = 0;
    readRequested = 0;
    motorOn = false;
    // Bound by name, so that a state saved while a seek or read runs finds the drive again.
    if (Bus() != nullptr) {
        Bus()->BindCallbackEvent(kSeekEvent, OnSeekStep, this);
        Bus()->BindCallbackEvent(kReadEvent, OnReadStep, this);
    }
    RefreshChangedMedia();
    return true;
}

void DiskDrive::Stop() {
    ++seekGeneration;
    seekState = 0;
    ++readGeneration;
    readRequested = 0;
    motorOn = false;
    FlushBuffer();
    DropBuffer();
    Device::Stop();
}

bool DiskDrive::Notify(uint32_t code) {
    if ((code & notification::kMediaChangePending) != 0) {
        FlushBuffer();
    }
    RefreshChangedMedia();
    return true;
}

bool DiskDrive::SaveOwnData(common::RecordArchive& archive) {
    FlushBuffer();
    const common::NarrowString chunk(kChunk);
    return Device::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteMarker(common::kChunkBeginMarker, chunk) && archive.WriteRecordU64(imageSize, Key("DSZ")) &&
           archive.WriteRecordBool(detected, Key("DTCT")) && archive.WriteRecordBool(supported, Key("SPRT")) &&
           archive.WriteRecordBool(fixedGeometry, Key("FXED")) && archive.WriteRecordU64(heads, Key("HDS")) &&
           archive.WriteRecordU64(cylinders, Key("CYS")) && archive.WriteRecordU64(sectors, Key("SES")) &&
           archive.WriteRecordU64(sectorSize, Key("SSZ")) && archive.WriteRecordU64(headIndex, Key("HDI")) &&
           archive.WriteRecordU64(cylinderIndex, Key("CYI")) && archive.WriteRecordU64(sectorIndex, Key("SEI")) &&
           archive.WriteRecordI32(bytePosition, Key("SCP")) && archive.WriteRecordBool(motorOn, Key("MTON")) &&
           archive.WriteRecordU8(static_cast<uint8_t>(seekState), Key("SEKS")) &&
           archive.WriteRecordU64(seekTarget, Key("SEKT")) && archive.WriteRecordI64(seekGeneration, Key("SKTG")) &&
           archive.WriteRecordU64(readRequested, Key("SRDS")) && archive.WriteRecordU64(readDone, Key("DRDS")) &&
           archive.WriteRecordI64(readGeneration, Key("RDTG")) && archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool DiskDrive::ReadDriveChunk(common::RecordArchive& archive, SavedDrive& saved) const {
    const common::NarrowString chunk(kChunk);
    return ReadVersion(archive, "VER") && archive.ReadMarker(chunk, common::kChunkBeginMarker) &&
           archive.ReadRecordU64(saved.imageSize, Key("DSZ")) && archive.ReadRecordBool(saved.detected, Key("DTCT")) &&
           archive.ReadRecordBool(saved.supported, Key("SPRT")) &&
           archive.ReadRecordBool(saved.fixedGeometry, Key("FXED")) && archive.ReadRecordU64(saved.heads, Key("HDS")) &&
           archive.ReadRecordU64(saved.cylinders, Key("CYS")) && archive.ReadRecordU64(saved.sectors, Key("SES")) &&
           archive.ReadRecordU64(saved.sectorSize, Key("SSZ")) && archive.ReadRecordU64(saved.headIndex, Key("HDI")) &&
           archive.ReadRecordU64(saved.cylinderIndex, Key("CYI")) &&
           archive.ReadRecordU64(saved.sectorIndex, Key("SEI")) &&
           archive.ReadRecordI32(saved.bytePosition, Key("SCP")) &&
           archive.ReadRecordBool(saved.motorOn, Key("MTON")) && archive.ReadRecordU8(saved.seekState, Key("SEKS")) &&
           archive.ReadRecordU64(saved.seekTarget, Key("SEKT")) &&
           archive.ReadRecordI64(saved.seekGeneration, Key("SKTG")) &&
           archive.ReadRecordU64(saved.readRequested, Key("SRDS")) &&
           archive.ReadRecordU64(saved.readDone, Key("DRDS")) &&
           archive.ReadRecordI64(saved.readGeneration, Key("RDTG")) &&
           archive.ReadMarker(chunk, common::kChunkEndMarker);
}

bool DiskDrive::SavedDriveFits(const SavedDrive& saved) const {
    // A finished read keeps the count it delivered; only a running one must not be past its request.
    const bool readFits = saved.readRequested == 0 || saved.readDone <= saved.readRequested;
    if (saved.imageSize != imageSize || saved.seekState > kLastSeekState || !readFits || saved.bytePosition < 0 ||
        static_cast<uint64_t>(saved.bytePosition) > saved.sectorSize) {
        return false;
    }
    const bool hasGeometry = saved.cylinders != 0 || saved.heads != 0 || saved.sectors != 0 || saved.sectorSize != 0;
    if (!hasGeometry) {
        return !saved.supported && saved.cylinderIndex == 0 && saved.headIndex == 0 && saved.sectorIndex == 0;
    }
    uint64_t trackBytes = 0;
    uint64_t cylinderBytes = 0;
    uint64_t mediumBytes = 0;
    const bool fitsImage =
        saved.fixedGeometry || (MultiplyFits(saved.sectors, saved.sectorSize, trackBytes) &&
                                MultiplyFits(trackBytes, saved.heads, cylinderBytes) &&
                                MultiplyFits(cylinderBytes, saved.cylinders, mediumBytes) && mediumBytes <= imageSize);
    return saved.sectorSize >= 1 && saved.sectorSize <= kMaxSectorSize && fitsImage &&
           saved.cylinderIndex < saved.cylinders && saved.headIndex < saved.heads && saved.sectorIndex < saved.sectors;
}

bool DiskDrive::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    SavedDrive saved;
    if (!Device::LoadOwnData(archive, note) || !ReadDriveChunk(archive, saved) || !SavedDriveFits(saved) ||
        !ReadKindData(archive, note)) {
        return false;
    }
    DropBuffer();
    detected = saved.detected;
    supported = saved.supported;
    fixedGeometry = saved.fixedGeometry;
    heads = saved.heads;
    cylinders = saved.cylinders;
    sectors = saved.sectors;
    sectorSize = saved.sectorSize;
    headIndex = saved.headIndex;
    cylinderIndex = saved.cylinderIndex;
    sectorIndex = saved.sectorIndex;
    bytePosition = saved.bytePosition;
    motorOn = saved.motorOn;
    if (slot != nullptr) {
        slot->changeSeen = true;
        slot->changed = false;
        slot->mediaReady = supported;
        UpdateReadiness();
    } else {
        ready = writable = false;
    }
    seekState = saved.seekState;
    seekTarget = saved.seekTarget;
    seekGeneration = saved.seekGeneration;
    readRequested = saved.readRequested;
    readDone = saved.readDone;
    readGeneration = saved.readGeneration;
    ApplyKindData();
    return true;
}

} // namespace emu
