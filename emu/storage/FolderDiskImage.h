#pragma once

#include "common/platform/FolderWalk.h"
#include "emu/core/VirtualDiskImage.h"
#include "emu/storage/ShortNames.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace emu {

// A host folder presented as a hard disk: a master boot record with one FAT16 partition whose directory tree
// mirrors the folder. Only the system area and the directories are built in memory; a file cluster is read from
// its host file when the guest reads it. Guest writes go to a cluster pool in memory and never reach the host.
// Links and special files are never followed or opened, so nothing outside the folder is read.
class FolderDiskImage : public VirtualDiskImage {
public:
    // Files and folders mirrored at most.
    static constexpr int32_t kItemLimit = 5498;
    // Total bytes of the files mirrored at most.
    static constexpr int64_t kFileBytesLimit = 0x7FFFE000;
    // The pool is chosen from the host's memory when poolBytes is 0; a larger one is cut to the largest the host
    // would get. Each folder adds two clusters to it.
    explicit FolderDiskImage(int64_t poolBytes = 0);
    ~FolderDiskImage() override;

    // folder may end with a separator or not. False when the image could not be built (memory); IsComplete then
    // tells whether everything found fitted.
    bool Open(const common::String& folder) override;
    void Close() override;
    bool SaveState(common::RecordArchive& archive) override;
    // Checks everything before anything changes; note receives "Mounted folder was changed!" for a state of
    // another folder or folder content.
    bool LoadState(common::RecordArchive& archive, common::NarrowString* note) override;
    bool ReadState(common::RecordArchive& archive, common::NarrowString* note) override;
    bool CheckReadState(common::NarrowString* note) const override;
    void ApplyReadState() override;
    void DropReadState() override;

    bool IsOpen() const override { return imageSize > 0; }
    bool Growable() const override { return false; }
    bool IsValid() const override { return imageSize > 0; }
    bool CanRead() const override { return true; }
    bool CanWrite() const override { return true; }
    int64_t Size() const override { return imageSize; }
    bool Resize(int64_t) override { return false; }
    int64_t Tell() const override { return position; }
    bool Seek(int64_t newPosition) override;
    int64_t Read(void* buffer, int64_t count) override { return ReadAt(buffer, position, count); }
    int64_t Write(const void* buffer, int64_t count) override { return WriteAt(buffer, position, count); }
    // The bytes moved before the first part that failed.
    int64_t ReadAt(void* buffer, int64_t at, int64_t count) override;
    int64_t WriteAt(const void* buffer, int64_t at, int64_t count) override;

    // The size class the content chose (0 to 6); the image's cluster size and pool.
    int32_t SizeClass() const { return sizeClass; }
    int32_t ClusterSize() const { return clusterSize; }
    int32_t PoolClusters() const { return static_cast<int32_t>(poolTable.size()); }
    int32_t FreePoolClusters() const { return PoolClusters() - poolUsed; }
    int64_t ContentMeasure() const { return contentMeasure; }
    // "HDD_<megabytes>" and seven blanks.
    static std::string FormatVolumeLabel(int64_t megabytes);

    // A row of the size classes: the measure it takes at most and the disk it gives.
    struct SizeClassRow;

private:
    struct Entry;
    struct ClusterEntry;
    struct SavedState;
    struct ScanFrame;

    // The folder tree into the entry table, depth first in name order, with a stack of its own.
    void ScanFolder();
    void AddEntry(int32_t parent, const common::platform::FolderEntry& found);
    // 8.3 names for the entries of one folder.
    void NameEntries(int32_t folder);
    // Of each entry's folder, host name, size and time: a state fits only the layout it was saved from.
    uint64_t Fingerprint() const;
    bool BuildImage();
    void ComposeSystemArea(const SizeClassRow& row);
    // The folder tree in scan order; false when even the root's entries find no room.
    bool BuildDirectory();
    void MakeLabelEntry(const std::string& label);
    // Room for the root's entries: the root directory, or one folder in it when they are too many for it.
    bool MakeRootFolder();
    // A folder's clusters with its "." and "..", or a file's chain; false (nothing kept) when they find no room.
    bool MakeDirEntry(int32_t index);
    bool MakeFileEntry(int32_t index);
    // The entry in its folder's directory.
    void PlaceEntry(int32_t index);
    // A chain for the bytes from clusters 2 to data clusters + 1, ascending from where the last one ended; its
    // first cluster, 0 when there is not enough room (nothing is taken then).
    int32_t AllocateClusters(int64_t byteCount);
    void FreeChain(int32_t first);
    // Pool memory for every cluster of a chain; false (nothing taken) when the pool lacks room.
    bool TakePoolClusters(int32_t first);
    // 0 at the chain's end.
    int32_t NextCluster(int32_t cluster) const;
    void SetFatEntry(int32_t cluster, uint16_t value);
    uint16_t FatEntry(int32_t cluster) const;

    int64_t RootOffset() const;
    int64_t PoolSlotOffset(int32_t slot) const { return dataStart + static_cast<int64_t>(slot) * clusterSize; }

    bool ReadHostBytes(int32_t file, uint32_t offset, uint8_t* buffer, int64_t count);
    // The scanned file, reached through its real names and checked to be the file scanned, still regular and no
    // shorter than it was.
    bool OpenHostFile(int32_t file);
    // A pool cluster for a cluster the guest writes first, filled with its file's bytes.
    bool TakeWriteCluster(int32_t cluster);
    int64_t Transfer(uint8_t* buffer, int64_t at, int64_t count, bool write);
    // againstMounted: the sizes must be those of the image mounted now, before room is made for the blobs.
    bool ReadStateInto(common::RecordArchive& archive, SavedState& saved, common::NarrowString* note,
                       bool againstMounted) const;
    // Whether the state's sizes and layout are those of the image mounted now; notes the folder changed when not.
    bool FitsMounted(const SavedState& saved, common::NarrowString* note) const;
    bool CheckState(const SavedState& saved, common::NarrowString* note) const;
    void ApplyState(SavedState& saved);

    int64_t injectedPoolBytes;
    std::u16string mountFolder;
    std::vector<Entry> entries;
    int64_t fileBytes = 0;
    int32_t folderCount = 0;
    int64_t contentMeasure = 0;
    uint64_t fingerprint = 0;

    int32_t sizeClass = 0;
    int64_t imageSize = 0;
    int64_t position = 0;
    int32_t clusterSize = 0;
    int32_t clusterShift = 0;
    int64_t fatBytes = 0;
    int64_t dataStart = 0;
    int64_t clusterZero = 0;
    int32_t dataClusters = 0;
    int32_t freeClusters = 0;
    int32_t searchCluster = 2;
    // The system area (all bytes below the data area), then the cluster pool.
    std::vector<uint8_t> memory;
    std::vector<ClusterEntry> clusterMap;
    // The cluster each pool slot holds (0 free); the used slots come first.
    std::vector<uint32_t> poolTable;
    int32_t poolUsed = 0;

    common::platform::File hostFile;
    int32_t openFile = 0;

    // A state read inside a drive set's state, waiting for its check.
    std::unique_ptr<SavedState> readState;
};

} // namespace emu
