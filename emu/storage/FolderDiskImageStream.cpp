#include "common/RecordArchive.h"
#include "emu/storage/FolderDiskImage.h"
#include "emu/storage/FolderDiskImageParts.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace emu {

namespace {

constexpr uint8_t kStateVersion = 1;
constexpr const char* kChangedText = "Mounted folder was changed!";

void Note(common::NarrowString* note, const char* text) {
    if (note != nullptr) {
        note->Assign(text);
    }
}

common::NarrowString Tag(const char* name) {
    return common::NarrowString(name);
}

} // namespace

bool FolderDiskImage::Seek(int64_t newPosition) {
    if (newPosition < 0 || newPosition > imageSize) {
        return false;
    }
    position = newPosition;
    return true;
}

int64_t FolderDiskImage::ReadAt(void* buffer, int64_t at, int64_t count) {
    return Transfer(static_cast<uint8_t*>(buffer), at, count, false);
}

int64_t FolderDiskImage::WriteAt(const void* buffer, int64_t at, int64_t count) {
    // Transfer only reads from the buffer when it writes.
    return Transfer(static_cast<uint8_t*>(const_cast<void*>(buffer)), at, count, true);
}

int64_t FolderDiskImage::Transfer(uint8_t* buffer, int64_t at, int64_t count, bool write) {
    if (at < 0 || count < 0) {
        return 0;
    }
    if (at > imageSize) {
        position = imageSize;
        return 0;
    }
    count = std::min(count, imageSize - at);
    int64_t done = 0;
    while (done < count) {
        const int64_t offset = at + done;
        uint8_t* bytes = buffer + done;
        int64_t part = count - done;
        int64_t memoryAt = -1;
        if (offset < clusterZero) {
            part = std::min(part, clusterZero - offset);
            memoryAt = offset;
        } else {
            const auto cluster = static_cast<int32_t>((offset - clusterZero) >> clusterShift);
            const int64_t inside = (offset - clusterZero) & (clusterSize - 1);
            part = std::min(part, clusterSize - inside);
            if (write && clusterMap[static_cast<size_t>(cluster)].memory < 0 && !TakeWriteCluster(cluster)) {
                break;
            }
            const ClusterEntry& mapped = clusterMap[static_cast<size_t>(cluster)];
            if (mapped.memory >= 0) {
                memoryAt = mapped.memory + inside;
            } else {
                // Reads only: the file's bytes of the cluster, then zeros.
                const int64_t fromFile = mapped.file > 0 ? std::clamp<int64_t>(mapped.fileBytes - inside, 0, part) : 0;
                if (fromFile > 0 &&
                    !ReadHostBytes(mapped.file, mapped.fileOffset + static_cast<uint32_t>(inside), bytes, fromFile)) {
                    break;
                }
                std::memset(bytes + fromFile, 0, static_cast<size_t>(part - fromFile));
            }
        }
        if (memoryAt >= 0) {
            if (write) {
                std::memcpy(memory.data() + memoryAt, bytes, static_cast<size_t>(part));
            } else {
                std::memcpy(bytes, memory.data() + memoryAt, static_cast<size_t>(part));
            }
        }
        done += part;
    }
    position = at + done;
    return done;
}

bool FolderDiskImage::TakeWriteCluster(int32_t cluster) {
    if (FreePoolClusters() <= 0) {
        return false;
    }
    const int64_t slotAt = PoolSlotOffset(poolUsed);
    uint8_t* slot = memory.data() + slotAt;
    std::memset(slot, 0, static_cast<size_t>(clusterSize));
    const ClusterEntry& mapped = clusterMap[static_cast<size_t>(cluster)];
    if (mapped.file > 0 && !ReadHostBytes(mapped.file, mapped.fileOffset, slot, mapped.fileBytes)) {
        std::memset(slot, 0, static_cast<size_t>(clusterSize));
        return false;
    }
    poolTable[static_cast<size_t>(poolUsed)] = static_cast<uint32_t>(cluster);
    clusterMap[static_cast<size_t>(cluster)].memory = slotAt;
    ++poolUsed;
    return true;
}

bool FolderDiskImage::ReadHostBytes(int32_t file, uint32_t offset, uint8_t* buffer, int64_t count) {
    return OpenHostFile(file) && hostFile.Seek(offset) && hostFile.Read(buffer, count) == count;
}

bool FolderDiskImage::OpenHostFile(int32_t file) {
    if (openFile == file && hostFile.IsOpen()) {
        return true;
    }
    openFile = 0;
    std::vector<std::u16string_view> names;
    for (int32_t index = file; index > 0; index = entries[static_cast<size_t>(index)].parent) {
        names.emplace_back(entries[static_cast<size_t>(index)].hostName);
    }
    std::reverse(names.begin(), names.end());
    const Entry& entry = entries[static_cast<size_t>(file)];
    // Only the file scanned, and all of its scanned bytes: a file replaced or cut since is not read.
    if (!hostFile.OpenRegularInside(mountFolder, names) || !(hostFile.Identity() == entry.identity) ||
        hostFile.Size() < static_cast<int64_t>(entry.size)) {
        hostFile.Close();
        return false;
    }
    openFile = file;
    return true;
}

bool FolderDiskImage::SaveState(common::RecordArchive& archive) {
    if (!archive.WriteRecordU8(kStateVersion, Tag("VER")) ||
        !archive.WriteRecordU32(static_cast<uint32_t>(imageSize), Tag("SIZE"))) {
        return false;
    }
    if (imageSize == 0) {
        return true;
    }
    std::vector<uint8_t> pool(poolTable.size() * 4);
    for (size_t slot = 0; slot < poolTable.size(); ++slot) {
        common::StoreLittleEndian(pool.data() + 4 * slot, 4, poolTable[slot]);
    }
    return archive.WriteRecordI64(contentMeasure, Tag("TSIZE")) &&
           archive.WriteRecordI32(static_cast<int32_t>(clusterMap.size()), Tag("CNUM")) &&
           archive.WriteRecordI64(static_cast<int64_t>(poolTable.size()) * clusterSize, Tag("CSIZE")) &&
           archive.WriteRecordI32(static_cast<int32_t>(memory.size()), Tag("MSIZE")) &&
           archive.WriteRecordU64(fingerprint, Tag("FPRINT")) &&
           archive.WriteRecordBlob(memory.data(), static_cast<int64_t>(memory.size()), Tag("MDATA")) &&
           (pool.empty() || archive.WriteRecordBlob(pool.data(), static_cast<int64_t>(pool.size()), Tag("CDATA"))) &&
           archive.WriteRecordI64(position, Tag("SPOS"));
}

bool FolderDiskImage::LoadState(common::RecordArchive& archive, common::NarrowString* note) {
    SavedState saved;
    if (!ReadStateInto(archive, saved, note, true) || !CheckState(saved, note)) {
        return false;
    }
    ApplyState(saved);
    return true;
}

bool FolderDiskImage::ReadState(common::RecordArchive& archive, common::NarrowString* note) {
    readState.reset();
    auto saved = std::make_unique<SavedState>();
    if (!ReadStateInto(archive, *saved, note, false)) {
        return false;
    }
    readState = std::move(saved);
    return true;
}

bool FolderDiskImage::CheckReadState(common::NarrowString* note) const {
    return readState != nullptr && CheckState(*readState, note);
}

void FolderDiskImage::ApplyReadState() {
    if (readState != nullptr) {
        ApplyState(*readState);
        readState.reset();
    }
}

void FolderDiskImage::DropReadState() {
    readState.reset();
}

bool FolderDiskImage::ReadStateInto(common::RecordArchive& archive, SavedState& saved, common::NarrowString* note,
                                    bool againstMounted) const {
    uint8_t version = 0;
    if (!archive.ReadRecordU8(version, Tag("VER")) || version != kStateVersion ||
        !archive.ReadRecordU32(saved.size, Tag("SIZE"))) {
        return false;
    }
    if (saved.size == 0) {
        return true;
    }
    if (!archive.ReadRecordI64(saved.measure, Tag("TSIZE")) ||
        !archive.ReadRecordI32(saved.clusterCount, Tag("CNUM")) ||
        !archive.ReadRecordI64(saved.poolBytes, Tag("CSIZE")) ||
        !archive.ReadRecordI32(saved.memoryBytes, Tag("MSIZE")) ||
        !archive.ReadRecordU64(saved.fingerprint, Tag("FPRINT"))) {
        return false;
    }
    // The blobs' lengths must be those of the image mounted, or else of an image of this size, before room is made
    // for them.
    if (againstMounted && !FitsMounted(saved, note)) {
        return false;
    }
    const auto row = std::find_if(kSizeClasses.begin(), kSizeClasses.end(), [&saved](const SizeClassRow& candidate) {
        return candidate.imageSize == saved.size;
    });
    if (row == kSizeClasses.end()) {
        return false;
    }
    const int64_t cluster = static_cast<int64_t>(row->sectorsPerCluster) * kSectorBytes;
    const int64_t systemBytes = kFatOffset + 2 * static_cast<int64_t>(row->sectorsPerFat) * kSectorBytes +
                                static_cast<int64_t>(kRootEntries) * kDirEntryBytes;
    const int64_t largestPool = kLargestPool + 2 * static_cast<int64_t>(kItemLimit + 1) * cluster;
    if (saved.poolBytes < 0 || saved.poolBytes % cluster != 0 || saved.poolBytes > largestPool ||
        saved.memoryBytes != systemBytes + saved.poolBytes) {
        return false;
    }
    std::vector<uint8_t> pool(static_cast<size_t>(saved.poolBytes / cluster) * 4);
    try {
        saved.memory.resize(static_cast<size_t>(saved.memoryBytes));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!archive.ReadRecordBlob(saved.memory.data(), saved.memoryBytes, Tag("MDATA")) ||
        (!pool.empty() && !archive.ReadRecordBlob(pool.data(), static_cast<int64_t>(pool.size()), Tag("CDATA"))) ||
        !archive.ReadRecordI64(saved.position, Tag("SPOS"))) {
        return false;
    }
    saved.poolTable.resize(pool.size() / 4);
    for (size_t slot = 0; slot < saved.poolTable.size(); ++slot) {
        saved.poolTable[slot] = static_cast<uint32_t>(common::LoadLittleEndian(pool.data() + 4 * slot, 4));
    }
    return true;
}

bool FolderDiskImage::FitsMounted(const SavedState& saved, common::NarrowString* note) const {
    const bool fits =
        saved.size == static_cast<uint64_t>(imageSize) &&
        (saved.size == 0 ||
         (saved.measure == contentMeasure && saved.clusterCount == static_cast<int32_t>(clusterMap.size()) &&
          saved.poolBytes == static_cast<int64_t>(poolTable.size()) * clusterSize &&
          saved.memoryBytes == static_cast<int32_t>(memory.size()) && saved.fingerprint == fingerprint));
    if (!fits) {
        Note(note, kChangedText);
    }
    return fits;
}

bool FolderDiskImage::CheckState(const SavedState& saved, common::NarrowString* note) const {
    if (!FitsMounted(saved, note)) {
        return false;
    }
    if (saved.size == 0) {
        return true;
    }
    if (saved.position < 0 || saved.position > imageSize) {
        return false;
    }
    // Used slots come first, each naming a cluster of the map that no other slot names.
    std::vector<bool> named(clusterMap.size(), false);
    bool used = true;
    for (const uint32_t cluster : saved.poolTable) {
        if (cluster == 0) {
            used = false;
            continue;
        }
        if (!used || cluster < 2 || cluster >= clusterMap.size() || named[cluster]) {
            return false;
        }
        named[cluster] = true;
    }
    return true;
}

void FolderDiskImage::ApplyState(SavedState& saved) {
    position = saved.position;
    if (saved.size == 0) {
        return;
    }
    memory.swap(saved.memory);
    poolTable.swap(saved.poolTable);
    for (size_t cluster = 2; cluster < clusterMap.size(); ++cluster) {
        clusterMap[cluster].memory = -1;
    }
    poolUsed = 0;
    for (const uint32_t cluster : poolTable) {
        if (cluster == 0) {
            break;
        }
        clusterMap[cluster].memory = PoolSlotOffset(poolUsed);
        ++poolUsed;
    }
}

} // namespace emu
