#pragma once

#include "emu/core/Device.h"

#include <cstdint>
#include <vector>

namespace emu {

struct BusEvent;
class DiskController;
class DriveSlot;
class ImageStream;

// The mechanics between a disk controller and the image in one drive slot of the machine's drive set: the
// medium's geometry (cylinders, heads, sectors, sector size), the head position and the byte position within the
// current sector, one sector buffered from and written back to the slot's image stream, the reaction to media
// changes announced on the machine, and a timed seek (one cylinder a millisecond) and a timed read (one transfer
// a millisecond) driven by bus events. A controller derived from DiskController makes its drives with AddDrive
// and drives them through the position, sector and byte operations; a drive of its own kind overrides
// DiskController::CreateDrive.
//
// Images without a geometry of their own are addressed linearly: sector (c, h, s) lies at
// ((c x heads + h) x sectors + s) x sectorSize. Images that report one are read and written by cylinder, head and
// sector through the stream.
//
// The image is written only when the buffered sector must go: when the head position changes, the machine stops,
// the state is saved, a media change is announced, or the drive is destroyed; a sector that cannot be written then
// is dropped. Everything runs on the emulation thread; media change only between run slices, so the drive takes no
// lock.
class DiskDrive : public Device {
public:
    // Told when a timed seek ends, arrived (ok) or failed.
    using SeekDoneCallback = void (*)(void* context, DiskDrive* drive, bool ok);
    // Fed by the timed read with up to count bytes of the current sector (no data and 0 when the read can go on
    // no further); answers the bytes it took. When the read can go on no further, a non-zero answer keeps it
    // waiting and 0 ends it.
    using ReadDataCallback = int32_t (*)(void* context, DiskDrive* drive, const uint8_t* data, int32_t count,
                                         uint64_t requested, uint64_t done);

    // The largest sector a drive buffers.
    static constexpr uint64_t kMaxSectorSize = 0x10000;

    // Examines the medium in slot (none for null) as a media change does. A drive of another kind names and tags
    // itself; AddDrive names every drive anew after its index.
    DiskDrive(DriveSlot* slot, DiskController* controller, int32_t driveIndex, const char* name = nullptr,
              const char* tag = nullptr);
    // Writes a changed sector back (a failure is printed).
    ~DiskDrive() override;

    // Starts the head position over with (cylinder, head, sector); false outside the geometry. A dirty sector of a
    // writable drive is written back first; when that fails, the sector is dropped and the position kept, this
    // once. The Set forms change one index (and always start over at byte 0).
    bool CheckPosition(uint64_t cylinder, uint64_t head, uint64_t sector);
    bool SetCylinderIndex(uint64_t cylinder);
    bool SetHeadIndex(uint64_t head);
    bool SetSectorIndex(uint64_t sector);
    // The next sector, head, then cylinder; false at the end of the medium, keeping the position.
    bool NextSector();

    // Copies up to count bytes of the current sector from offset on (from the byte position for a negative
    // offset) and moves the byte position past them; answers the bytes copied, 0 when the drive is not ready or
    // the sector cannot be read. An offset at or past the sector's end leaves the byte position there.
    int32_t ReadSector(uint8_t* destination, int32_t count, int32_t offset);
    int32_t ReadByte(uint8_t* destination, int32_t offset);
    // The same into the buffered sector, for a writable drive.
    int32_t WriteSector(const uint8_t* source, int32_t count, int32_t offset);
    int32_t WriteByte(uint8_t value, int32_t offset);

    // Reads the sector at the head position into the buffer unless it holds it.
    bool LoadBuffer();
    // Writes a dirty buffered sector back; true when nothing had to be written. A sector that cannot be written
    // is dropped, so that it never lands in the image later (a full disk freed, say) and the head moves on: the
    // write it held has failed, and the next read of that sector reads the image.
    bool FlushBuffer();
    // Forgets the buffered sector without writing it.
    void DropBuffer();
    // Takes a new slot (or none) and examines its medium.
    void AttachSlot(DriveSlot* newSlot);

    // Moves the head one cylinder a millisecond toward cylinder; false while a seek runs or when the bus refuses
    // the event. Without a seek-done callback the outcome stays in SeekState (1 arrived, 2 failed).
    bool StartSeek(uint64_t cylinder);
    // Hands the read-data callback up to bytes bytes, one transfer a millisecond, going on into the following
    // sectors; false while a read runs or when the bus refuses the event.
    bool StartRead(uint64_t bytes);
    uint64_t ImageOffset(uint64_t cylinder, uint64_t head, uint64_t sector) const;

    void SetSeekDoneCallback(SeekDoneCallback callback, void* context);
    void SetReadDataCallback(ReadDataCallback callback, void* context);
    void SetMotorOn(bool on) { motorOn = on; }

    DiskController* Controller() const { return controller; }
    int32_t DriveIndex() const { return driveIndex; }
    DriveSlot* Slot() const { return slot; }
    uint64_t ImageSize() const { return imageSize; }
    bool IsSupported() const { return supported; }
    bool IsDetected() const { return detected; }
    bool HasFixedGeometry() const { return fixedGeometry; }
    uint64_t Cylinders() const { return cylinders; }
    uint64_t Heads() const { return heads; }
    uint64_t Sectors() const { return sectors; }
    uint64_t SectorSize() const { return sectorSize; }
    bool IsReady() const { return ready; }
    bool IsWritable() const { return writable; }
    bool IsMotorOn() const { return motorOn; }
    // 0 idle, 3 seeking toward a lower cylinder, 4 toward a higher or the same one; 1 arrived and 2 failed when
    // no seek-done callback is installed.
    int32_t SeekState() const { return seekState; }
    uint64_t ReadRequested() const { return readRequested; }
    uint64_t ReadDone() const { return readDone; }
    uint64_t CylinderIndex() const { return cylinderIndex; }
    uint64_t HeadIndex() const { return headIndex; }
    uint64_t SectorIndex() const { return sectorIndex; }
    int32_t BytePosition() const { return bytePosition; }
    bool IsBufferValid() const { return bufferValid; }
    bool IsBufferDirty() const { return bufferDirty; }

    // Raises the bus rate to at least 50 Hz, ends any seek or read, and examines a changed medium.
    bool Start(int32_t& rate) override;
    // Ends any seek or read, writes a dirty sector back and frees the buffer.
    void Stop() override;
    // 0x200 (a medium is about to change) writes a dirty sector back; after any code a changed medium is
    // examined. Notifications go no further.
    bool Notify(uint32_t code) override;
    // "VER", then "_DDRV": image size, geometry, head and byte position, motor, seek and read.
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Reads all of "_DDRV" and checks it against the image now in the slot (same size, a geometry that fits it,
    // positions within it), then a derived drive's own data (ReadKindData), before anything changes.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

protected:
    // A drive of another kind saves data of its own after "_DDRV". It reads and checks all of it here without
    // taking it, and takes it in ApplyKindData, which runs once the drive's own part is taken too: a state that
    // fails in either part changes nothing.
    virtual bool ReadKindData(common::RecordArchive&, common::NarrowString*) { return true; }
    virtual void ApplyKindData() {}
    // The stream the medium is read through: the slot's image stream. A drive of another kind may read it through
    // a stream of its own (one that reports a geometry, say); it then examines the slot again once constructed
    // (AttachSlot), since the constructor examines it through this one.
    virtual ImageStream* Medium() const;

private:
    struct SavedDrive;

    // The drive's reaction to a media change.
    void RefreshMedia(DriveSlot* newSlot);
    // Examines the slot's medium again when it changed.
    void RefreshChangedMedia();
    // Forgets the buffered sector's content; the buffer stays.
    void DropSector();
    // Sets ready and writable from the slot's flags.
    void UpdateReadiness();
    bool MoveTo(uint64_t cylinder, uint64_t head, uint64_t sector);
    bool Inside(uint64_t cylinder, uint64_t head, uint64_t sector) const;
    // The byte position a sector access starts at, or -1 when it starts at the sector's end.
    int32_t AccessOffset(int32_t offset);
    static bool OnSeekStep(TreeNode* owner, BusEvent* event);
    static bool OnReadStep(TreeNode* owner, BusEvent* event);
    bool SeekStep();
    bool ReadStep();
    void EndSeek(bool ok);
    bool ReadDriveChunk(common::RecordArchive& archive, SavedDrive& saved) const;
    bool SavedDriveFits(const SavedDrive& saved) const;

    DiskController* controller;
    int32_t driveIndex;
    DriveSlot* slot = nullptr;
    uint64_t imageSize = 0;
    bool supported = false;
    bool detected = false;
    bool fixedGeometry = false;
    uint64_t cylinders = 0;
    uint64_t heads = 0;
    uint64_t sectors = 0;
    uint64_t sectorSize = 0;
    bool ready = false;
    bool writable = false;
    bool motorOn = false;
    int32_t seekState = 0;
    uint64_t seekTarget = 0;
    int64_t seekGeneration = 0;
    uint64_t readRequested = 0;
    uint64_t readDone = 0;
    int64_t readGeneration = 0;
    uint64_t cylinderIndex = 0;
    uint64_t headIndex = 0;
    uint64_t sectorIndex = 0;
    int32_t bytePosition = 0;
    // Empty while no sector is buffered.
    std::vector<uint8_t> sectorBuffer;
    uint64_t bufferOffset = 0;
    bool bufferValid = false;
    bool bufferDirty = false;
    SeekDoneCallback seekDone = nullptr;
    void* seekDoneContext = nullptr;
    ReadDataCallback readData = nullptr;
    void* readDataContext = nullptr;
};

} // namespace emu
