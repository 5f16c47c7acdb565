#include "emu/core/DriveSet.h"

#include "common/FileStream.h"
#include "common/Paths.h"
#include "common/ProgramFolders.h"
#include "common/RecordArchive.h"
#include "common/SafeFileName.h"
#include "emu/core/IndexedKey.h"
#include "emu/core/SettingsFile.h"
#include "emu/core/StateChunk.h"

#include <algorithm>
#include <optional>

namespace emu {

// A stream's size and position as a state holds them; the position only when the size is above 0.
struct DriveSet::SavedStream {
    int64_t size = 0;
    int64_t position = 0;
};

struct DriveSet::StreamSizes {
    int64_t image = 0;
    int64_t file = 0;
    int64_t memory = 0;
};

struct DriveSet::SavedDrive {
    common::PathString path;
    uint64_t size = 0;
    bool latched = false;
    bool readActivity = false;
    // Hard disks only.
    SavedStream file;
    SavedStream memory;
};

namespace {

template <typename... Args>
common::NarrowString Formatted(const char* format, const Args&... args) {
    common::NarrowString text;
    text.Format(format, args...);
    return text;
}

// "FDCNT" for the count of a kind, "FDFLE0" for a value of drive 0.
common::NarrowString RecordName(DriveKind kind, const char* field, int32_t number = -1) {
    const common::NarrowString name = Formatted("%s%s", NamesOf(kind).record, field);
    return number < 0 ? name : IndexedKey(name.GetNarrow(), number);
}

bool SaveStream(common::RecordArchive& archive, const common::ByteStream& stream) {
    const int64_t size = stream.Size();
    return WriteVersion(archive, "VER") && archive.WriteRecordI64(size, common::NarrowString("SIZE")) &&
           (size <= 0 || archive.WriteRecordI64(stream.Tell(), common::NarrowString("POS")));
}

bool ReadSavedStream(common::RecordArchive& archive, int64_t& size, int64_t& position) {
    return ReadVersion(archive, "VER") && archive.ReadRecordI64(size, common::NarrowString("SIZE")) &&
           (size < 1 || archive.ReadRecordI64(position, common::NarrowString("POS")));
}

bool SaveHardDiskChunk(common::RecordArchive& archive, SlotImageStream& image, int32_t number) {
    const common::NarrowString chunk = IndexedKey("_HDD", number);
    VirtualDiskImage* folderDisk = image.FolderDisk();
    return archive.WriteMarker(common::kChunkBeginMarker, chunk) && SaveStream(archive, image.ImageFile()) &&
           SaveStream(archive, image.ImageMemory()) && (folderDisk == nullptr || folderDisk->SaveState(archive)) &&
           archive.WriteMarker(common::kChunkEndMarker, chunk);
}

} // namespace

void DriveSet::Notify(DriveSlot* slot, bool pending) {
    if (hostCallback != nullptr) {
        hostCallback(hostContext, slot, pending);
    }
}

bool DriveSet::Start(int32_t&) {
    ClearDriveActivity();
    return true;
}

bool DriveSet::SaveOwnData(common::RecordArchive& archive) {
    const common::NarrowString chunk("_DRIVES");
    if (!WriteVersion(archive, "VER") || !archive.WriteMarker(common::kChunkBeginMarker, chunk) ||
        !archive.WriteRecordI32(static_cast<int32_t>(AllDrives().size()), common::NarrowString("DCNT"))) {
        return false;
    }
    for (const DriveKind kind : kDriveKinds) {
        if (!SaveKind(archive, kind)) {
            return false;
        }
    }
    return archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool DriveSet::SaveKind(common::RecordArchive& archive, DriveKind kind) {
    if (!archive.WriteRecordI32(Count(kind), RecordName(kind, "CNT"))) {
        return false;
    }
    for (int32_t number = 0; number < Count(kind); ++number) {
        DriveSlot& slot = *DriveAt(kind, number);
        if (!archive.WriteRecordString(slot.ImagePath(), RecordName(kind, "FLE", number)) ||
            !archive.WriteRecordU64(static_cast<uint64_t>(slot.Image().Size()), RecordName(kind, "SIZ", number)) ||
            !archive.WriteRecordBool(slot.latched, RecordName(kind, "LCH", number)) ||
            !archive.WriteRecordBool(slot.readActivity, RecordName(kind, "RDD", number)) ||
            (kind == DriveKind::HardDisk && !SaveHardDiskChunk(archive, slot.Image(), number))) {
            return false;
        }
    }
    return true;
}

bool DriveSet::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    SavedDrives saved;
    if (!ReadSavedDrives(archive, note, saved)) {
        DropFolderDiskStates();
        return false;
    }
    for (const DriveKind kind : kDriveKinds) {
        const std::vector<SavedDrive>& drives = saved[static_cast<size_t>(kind)];
        for (int32_t number = 0; number < Count(kind); ++number) {
            if (!CheckSavedDrive(kind, number, drives[static_cast<size_t>(number)], note)) {
                DropFolderDiskStates();
                return false;
            }
        }
    }
    // Remounting moves the recent folders to the images' folders; the user's choice stays.
    const common::PathString imageFolder(lastImageFolder);
    const common::PathString mountFolder(lastMountFolder);
    bool remounted = true;
    for (const DriveKind kind : kDriveKinds) {
        const std::vector<SavedDrive>& drives = saved[static_cast<size_t>(kind)];
        for (int32_t number = 0; remounted && number < Count(kind); ++number) {
            remounted = RemountSavedDrive(kind, number, drives[static_cast<size_t>(number)], note);
        }
    }
    lastImageFolder = imageFolder;
    lastMountFolder = mountFolder;
    return SettleFolderDiskStates(remounted, note);
}

bool DriveSet::SettleFolderDiskStates(bool remounted, common::NarrowString* note) {
    // A folder disk's state fits only the image built from its folder, known once the drives are remounted:
    // every one is checked before any is applied.
    bool fits = remounted;
    for (int32_t number = 0; fits && number < Count(DriveKind::HardDisk); ++number) {
        const VirtualDiskImage* folderDisk = DriveAt(DriveKind::HardDisk, number)->Image().FolderDisk();
        fits = folderDisk == nullptr || folderDisk->CheckReadState(note);
    }
    for (int32_t number = 0; number < Count(DriveKind::HardDisk); ++number) {
        VirtualDiskImage* folderDisk = DriveAt(DriveKind::HardDisk, number)->Image().FolderDisk();
        if (folderDisk != nullptr && fits) {
            folderDisk->ApplyReadState();
        } else if (folderDisk != nullptr) {
            folderDisk->DropReadState();
        }
    }
    return fits;
}

void DriveSet::DropFolderDiskStates() {
    SettleFolderDiskStates(false, nullptr);
}

bool DriveSet::ReadSavedDrives(common::RecordArchive& archive, common::NarrowString* note, SavedDrives& saved) {
    const common::NarrowString chunk("_DRIVES");
    int32_t driveCount = 0;
    if (!ReadVersion(archive, "VER") || !archive.ReadMarker(chunk, common::kChunkBeginMarker) ||
        !archive.ReadRecordI32(driveCount, common::NarrowString("DCNT")) ||
        driveCount != static_cast<int32_t>(AllDrives().size())) {
        return false;
    }
    for (const DriveKind kind : kDriveKinds) {
        int32_t count = 0;
        if (!archive.ReadRecordI32(count, RecordName(kind, "CNT")) || count != Count(kind)) {
            return false;
        }
        std::vector<SavedDrive>& drives = saved[static_cast<size_t>(kind)];
        drives.resize(static_cast<size_t>(count));
        for (int32_t number = 0; number < count; ++number) {
            if (!ReadSavedDrive(archive, kind, number, note, drives[static_cast<size_t>(number)])) {
                return false;
            }
        }
    }
    return archive.ReadMarker(chunk, common::kChunkEndMarker);
}

bool DriveSet::ReadSavedDrive(common::RecordArchive& archive, DriveKind kind, int32_t number,
                              common::NarrowString* note, SavedDrive& drive) {
    if (!archive.ReadRecordString(drive.path, RecordName(kind, "FLE", number)) ||
        !archive.ReadRecordU64(drive.size, RecordName(kind, "SIZ", number)) ||
        !archive.ReadRecordBool(drive.latched, RecordName(kind, "LCH", number)) ||
        !archive.ReadRecordBool(drive.readActivity, RecordName(kind, "RDD", number))) {
        return false;
    }
    if (kind != DriveKind::HardDisk) {
        return true;
    }
    // A virtual disk reads its own state and keeps it aside until the drives are remounted.
    const common::NarrowString chunk = IndexedKey("_HDD", number);
    VirtualDiskImage* folderDisk = DriveAt(kind, number)->Image().FolderDisk();
    return archive.ReadMarker(chunk, common::kChunkBeginMarker) &&
           ReadSavedStream(archive, drive.file.size, drive.file.position) &&
           ReadSavedStream(archive, drive.memory.size, drive.memory.position) &&
           (folderDisk == nullptr || folderDisk->ReadState(archive, note)) &&
           archive.ReadMarker(chunk, common::kChunkEndMarker);
}

bool DriveSet::CheckSavedDrive(DriveKind kind, int32_t number, const SavedDrive& drive,
                               common::NarrowString* note) const {
    DriveSlot& slot = *DriveAt(kind, number);
    std::optional<StreamSizes> sizes;
    if (slot.ImagePath().Compare(drive.path) == 0) {
        sizes = SizesOf(slot);
    } else if (common::IsNetworkPath(drive.path.View())) {
        // Not even looked at: that would contact the host the state names.
        PrintError("[%s_%ld ERROR] Can not load file \"%s\": a state may not name a network path!",
                   NamesOf(kind).message, number, drive.path);
        return false;
    } else if (drive.path.IsEmpty()) {
        sizes = StreamSizes{};
    } else if (common::FileExists(drive.path)) {
        common::FileStream file;
        file.OpenForReading(drive.path);
        sizes = StreamSizes{file.Size(), file.Size(), 0};
    } else if (slot.Image().FolderDisk() == nullptr || !common::IsDirectory(drive.path)) {
        PrintError("[%s_%ld ERROR] Can not load file \"%s\"!", NamesOf(kind).message, number, drive.path);
        return false;
    }
    // A folder's image size is known only once the virtual disk has built it.
    return !sizes.has_value() || SizesMatch(kind, number, drive, *sizes, note);
}

bool DriveSet::RemountSavedDrive(DriveKind kind, int32_t number, const SavedDrive& drive, common::NarrowString* note) {
    DriveSlot& slot = *DriveAt(kind, number);
    if (slot.ImagePath().Compare(drive.path) != 0) {
        slot.EjectImage();
        // A state names any path it likes: an image it brings in is never written to.
        if (!drive.path.IsEmpty() && !slot.OpenImage(drive.path, false)) {
            PrintError("[%s_%ld ERROR] Can not load file \"%s\"!", NamesOf(kind).message, number, drive.path);
            return false;
        }
    }
    if (!SizesMatch(kind, number, drive, SizesOf(slot), note)) {
        return false;
    }
    SlotImageStream& image = slot.Image();
    if (kind == DriveKind::HardDisk &&
        !(RestorePosition(image.ImageFile(), drive.file) && RestorePosition(image.ImageMemory(), drive.memory))) {
        return false;
    }
    if (number < kRememberedDriveLimit) {
        Record(kind).rememberedLatch[static_cast<size_t>(number)] = drive.latched;
    }
    slot.SetLatch(drive.latched);
    slot.readActivity = drive.readActivity;
    return true;
}

DriveSet::StreamSizes DriveSet::SizesOf(DriveSlot& slot) {
    SlotImageStream& image = slot.Image();
    return {image.Size(), image.ImageFile().Size(), image.ImageMemory().Size()};
}

bool DriveSet::SizesMatch(DriveKind kind, int32_t number, const SavedDrive& drive, const StreamSizes& sizes,
                          common::NarrowString* note) const {
    if (static_cast<uint64_t>(sizes.image) != drive.size) {
        PrintError("[%s_%ld ERROR] Incorrect file \"%s\" size (need %ld)!", NamesOf(kind).message, number, drive.path,
                   static_cast<int64_t>(drive.size));
        return false;
    }
    return kind != DriveKind::HardDisk ||
           (StreamFits(drive.file, sizes.file, "Disk image size was changed!", note) &&
            StreamFits(drive.memory, sizes.memory, "Size of image size was changed!", note));
}

bool DriveSet::StreamFits(const SavedStream& saved, int64_t size, const char* changedText, common::NarrowString* note) {
    if (saved.size != size) {
        if (note != nullptr) {
            note->Assign(changedText);
        }
        return false;
    }
    return saved.size < 1 || (saved.position >= 0 && saved.position <= saved.size);
}

bool DriveSet::RestorePosition(common::ByteStream& stream, const SavedStream& saved) {
    return saved.size < 1 || stream.Seek(saved.position);
}

std::vector<DriveSet::Mount> DriveSet::Mounts() const {
    std::vector<Mount> mounts;
    for (const DriveSlot* slot : AllDrives()) {
        mounts.push_back({slot->ImagePath(), slot->IsReadOnlyMount(), slot->latched});
    }
    return mounts;
}

void DriveSet::RestoreMounts(const std::vector<Mount>& mounts) {
    const common::PathString imageFolder(lastImageFolder);
    const common::PathString mountFolder(lastMountFolder);
    for (size_t index = 0; index < std::min(mounts.size(), AllDrives().size()); ++index) {
        DriveSlot& slot = *AllDrives()[index];
        const Mount& mount = mounts[index];
        if (slot.ImagePath().Compare(mount.path) != 0 || slot.IsReadOnlyMount() != mount.readOnly) {
            slot.EjectImage();
            if (!mount.path.IsEmpty()) {
                slot.OpenImage(mount.path, !mount.readOnly);
            }
        }
        slot.SetLatch(mount.latched);
    }
    lastImageFolder = imageFolder;
    lastMountFolder = mountFolder;
}

std::unique_ptr<common::SettingsTree> DriveSet::BindSettings(bool all) {
    auto settings = std::make_unique<common::SettingsTree>();
    settings->BindString(common::NarrowString("lastPath"), &lastImageFolder);
    settings->BindString(common::NarrowString("lastFolder"), &lastMountFolder);
    for (const DriveKind kind : kDriveKinds) {
        DriveKindRecord& record = Record(kind);
        const char* prefix = NamesOf(kind).settings;
        const auto inUse = static_cast<uint8_t>(std::min(Count(kind), kRememberedDriveLimit));
        record.rememberedCount = std::max(record.rememberedCount, inUse);
        settings->BindU8(Formatted("%sMax", prefix), &record.rememberedCount);
        record.rememberedCount = std::min<uint8_t>(record.rememberedCount, kRememberedDriveLimit);
        for (int32_t number = 0; number < kRememberedDriveLimit; ++number) {
            if (all || number < record.rememberedCount) {
                const auto index = static_cast<size_t>(number);
                settings->BindBool(Formatted("%s%.1ldLatch", prefix, number), &record.rememberedLatch[index]);
                settings->BindString(Formatted("%s%.1ldPath", prefix, number), &record.rememberedPath[index]);
            }
        }
    }
    return settings;
}

bool DriveSet::SaveDriveSettings(const common::String& path) {
    if (path.IsEmpty()) {
        return false;
    }
    const std::unique_ptr<common::SettingsTree> settings = BindSettings(false);
    for (const DriveKind kind : kDriveKinds) {
        DriveKindRecord& record = Record(kind);
        for (int32_t number = 0; number < std::min(Count(kind), kRememberedDriveLimit); ++number) {
            const DriveSlot& slot = *DriveAt(kind, number);
            record.rememberedPath[static_cast<size_t>(number)] =
                slot.IsReadOnlyMount() ? common::PathString() : slot.ImagePath();
            record.rememberedLatch[static_cast<size_t>(number)] = slot.latched;
        }
    }
    return SaveSettingsFile(path, *settings);
}

bool DriveSet::LoadDriveSettings(const common::String& path, const common::ProgramFolders& folders) {
    const common::PathString programFolder = folders.GetProgramFolder();
    lastImageFolder = programFolder;
    lastMountFolder = programFolder;
    for (const DriveKind kind : kDriveKinds) {
        Record(kind).ForgetRemembered();
    }
    if (!LoadSettingsFile(path, *BindSettings(true))) {
        return false;
    }
    for (common::PathString* folder : {&lastImageFolder, &lastMountFolder}) {
        if (folder->IsEmpty() || !common::IsDirectory(*folder)) {
            *folder = programFolder;
        }
    }
    // Remounting moves the recent folders to the images' folders; the ones read from the file stay.
    const common::PathString imageFolder(lastImageFolder);
    const common::PathString mountFolder(lastMountFolder);
    RemountRemembered();
    lastImageFolder = imageFolder;
    lastMountFolder = mountFolder;
    return true;
}

void DriveSet::RemountRemembered() {
    for (const DriveKind kind : kDriveKinds) {
        const DriveKindRecord& record = Record(kind);
        for (int32_t number = 0; number < std::min(Count(kind), kRememberedDriveLimit); ++number) {
            DriveSlot& slot = *DriveAt(kind, number);
            slot.EjectImage();
            slot.OpenImage(record.rememberedPath[static_cast<size_t>(number)]);
            slot.SetLatch(record.rememberedLatch[static_cast<size_t>(number)]);
        }
    }
}

} // namespace emu
