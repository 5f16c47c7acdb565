#include "emu/storage/FolderDiskImage.h"

#include "common/LittleEndian.h"
#include "common/SystemUtilities.h"
#include "emu/storage/FolderDiskImageParts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace emu {

namespace {

using common::platform::EntryKind;
using common::platform::FolderEntry;

// A file that does not fit ends the scan when no more than this is left of the total.
constexpr int64_t kScanEndRoom = 8 * kMiB;

constexpr std::array<uint8_t, 33> kBootCode = {0xFA, 0x33, 0xC0, 0xBC, 0x00, 0x7C, 0x8E, 0xD0, 0x50, 0x50, 0x1F,
                                               0x07, 0xBE, 0x21, 0x7C, 0xFC, 0xAC, 0x56, 0xBB, 0x07, 0x00, 0xB4,
                                               0x0E, 0xCD, 0x10, 0x5E, 0xAC, 0x3C, 0x00, 0x75, 0xF2, 0xFA, 0xF4};
constexpr char kBootText[] = "\r\nNon-system disk, can not boot.";
// Where the text lies when the block is loaded at 7C00h: right after the code, at offset 0 or at 62.
constexpr size_t kTextAddressOffset = 13;

void PutWord(uint8_t* at, uint32_t value) {
    common::StoreLittleEndian(at, 2, value);
}

void PutDword(uint8_t* at, uint32_t value) {
    common::StoreLittleEndian(at, 4, value);
}

// The code, then the text; loaded at 7C00h from offset blockOffset of its sector.
void PutBootBlock(uint8_t* at, uint32_t blockOffset) {
    std::copy(kBootCode.begin(), kBootCode.end(), at);
    PutWord(at + kTextAddressOffset, 0x7C00 + blockOffset + static_cast<uint32_t>(kBootCode.size()));
    std::memcpy(at + kBootCode.size(), kBootText, sizeof(kBootText));
}

int64_t PoolBytesOfHost() {
    uint32_t totalMiB = 0;
    uint32_t availableMiB = 0;
    common::GetMemoryStatus(&totalMiB, &availableMiB);
    if (totalMiB == 0xFFFFFFFF || totalMiB <= 512) {
        return 8 * kMiB;
    }
    return totalMiB <= 1024 ? 16 * kMiB : totalMiB <= 1536 ? 24 * kMiB : kLargestPool;
}

bool ByName(const FolderEntry& a, const FolderEntry& b) {
    return a.name < b.name;
}

} // namespace

FolderDiskImage::FolderDiskImage(int64_t poolBytes) : injectedPoolBytes(poolBytes) {}

FolderDiskImage::~FolderDiskImage() = default;

std::string FolderDiskImage::FormatVolumeLabel(int64_t megabytes) {
    return "HDD_" + std::to_string(megabytes) + "       ";
}

bool FolderDiskImage::Open(const common::String& folder) {
    Close();
    complete = true;
    mountFolder.assign(folder.GetWide());
    if (mountFolder.empty()) {
        return false;
    }
    if (mountFolder.back() != u'/' && mountFolder.back() != u'\\') {
        mountFolder.push_back(u'/');
    }
    try {
        ScanFolder();
        for (int32_t index = 0; index < static_cast<int32_t>(entries.size()); ++index) {
            if (entries[static_cast<size_t>(index)].folder) {
                NameEntries(index);
            }
        }
        fingerprint = Fingerprint();
        if (BuildImage()) {
            return true;
        }
    } catch (const std::bad_alloc&) {
    }
    Close();
    return false;
}

void FolderDiskImage::ScanFolder() {
    entries.assign(1, Entry{});
    entries[0].folder = true;
    fileBytes = 0;
    folderCount = 1;
    std::vector<ScanFrame> stack(1);
    common::platform::FileIdentity identity;
    if (!common::platform::ReadFolderEntries(mountFolder, true, stack[0].items, identity)) {
        complete = false;
        return;
    }
    std::sort(stack[0].items.begin(), stack[0].items.end(), ByName);
    stack[0].path = mountFolder;
    while (!stack.empty()) {
        ScanFrame& frame = stack.back();
        if (frame.next == frame.items.size()) {
            stack.pop_back();
            continue;
        }
        const FolderEntry found = std::move(frame.items[frame.next++]);
        const int32_t parent = frame.folder;
        if (found.kind != EntryKind::File && found.kind != EntryKind::Folder) {
            complete = false;
            continue;
        }
        if (found.kind == EntryKind::File &&
            (found.size > UINT32_MAX || fileBytes + static_cast<int64_t>(found.size) > kFileBytesLimit)) {
            complete = false;
            if (found.size <= UINT32_MAX && kFileBytesLimit - fileBytes <= kScanEndRoom) {
                return;
            }
            continue;
        }
        if (static_cast<int32_t>(entries.size()) - 1 >= kItemLimit) {
            complete = false;
            return;
        }
        if (found.kind == EntryKind::File) {
            AddEntry(parent, found);
            fileBytes += static_cast<int64_t>(found.size);
            continue;
        }
        // The folder listed is the one scanned, or it is left out.
        ScanFrame inner;
        inner.path = frame.path + found.name + u'/';
        if (!common::platform::ReadFolderEntries(inner.path, false, inner.items, identity) ||
            !(identity == found.identity)) {
            complete = false;
            continue;
        }
        std::sort(inner.items.begin(), inner.items.end(), ByName);
        inner.folder = static_cast<int32_t>(entries.size());
        AddEntry(parent, found);
        ++folderCount;
        stack.push_back(std::move(inner));
    }
}

void FolderDiskImage::AddEntry(int32_t parent, const FolderEntry& found) {
    Entry entry;
    entry.parent = parent;
    entry.folder = found.kind == EntryKind::Folder;
    entry.size = entry.folder ? 0 : static_cast<uint32_t>(found.size);
    entry.writeTime = found.writeTime;
    entry.dosDateTime = common::platform::LocalDosDateTime(found.writeTime);
    entry.hostName = found.name;
    entry.identity = found.identity;
    entries[static_cast<size_t>(parent)].children.push_back(static_cast<int32_t>(entries.size()));
    entries.push_back(std::move(entry));
}

void FolderDiskImage::NameEntries(int32_t folder) {
    const std::vector<int32_t>& children = entries[static_cast<size_t>(folder)].children;
    std::vector<std::u16string_view> names;
    names.reserve(children.size());
    for (const int32_t child : children) {
        names.emplace_back(entries[static_cast<size_t>(child)].hostName);
    }
    const std::vector<ShortName> shortNames = MakeShortNames(names);
    for (size_t at = 0; at < children.size(); ++at) {
        entries[static_cast<size_t>(children[at])].shortName = shortNames[at];
    }
}

uint64_t FolderDiskImage::Fingerprint() const {
    // FNV-1a over what the layout is made of.
    uint64_t hash = 0xCBF29CE484222325;
    const auto mix = [&hash](uint64_t value, int bytes) {
        for (int byte = 0; byte < bytes; ++byte) {
            hash = (hash ^ (value >> (8 * byte) & 0xFF)) * 0x100000001B3;
        }
    };
    for (size_t index = 1; index < entries.size(); ++index) {
        const Entry& entry = entries[index];
        mix(static_cast<uint32_t>(entry.parent), 4);
        mix(entry.folder ? 1 : 0, 1);
        mix(entry.size, 4);
        mix(static_cast<uint64_t>(entry.writeTime), 8);
        mix(entry.hostName.size(), 4);
        for (const char16_t unit : entry.hostName) {
            mix(unit, 2);
        }
    }
    return hash;
}

bool FolderDiskImage::BuildImage() {
    contentMeasure = 2 * (fileBytes + 1024 * static_cast<int64_t>(folderCount));
    sizeClass = 0;
    while (sizeClass + 1 < static_cast<int32_t>(kSizeClasses.size()) &&
           contentMeasure > kSizeClasses[static_cast<size_t>(sizeClass)].measureLimit) {
        ++sizeClass;
    }
    const SizeClassRow& row = kSizeClasses[static_cast<size_t>(sizeClass)];
    imageSize = row.imageSize;
    clusterSize = row.sectorsPerCluster * kSectorBytes;
    clusterShift = 0;
    while ((1 << clusterShift) < clusterSize) {
        ++clusterShift;
    }
    fatBytes = static_cast<int64_t>(row.sectorsPerFat) * kSectorBytes;
    dataStart = kFatOffset + 2 * fatBytes + kRootEntries * kDirEntryBytes;
    clusterZero = dataStart - 2 * static_cast<int64_t>(clusterSize);
    dataClusters = row.DataClusters();
    freeClusters = dataClusters;
    searchCluster = 2;

    const int64_t poolBytes = injectedPoolBytes > 0 ? std::min(injectedPoolBytes, kLargestPool) : PoolBytesOfHost();
    const int64_t poolClusters = poolBytes / clusterSize + 2 * static_cast<int64_t>(folderCount);
    memory.assign(static_cast<size_t>(dataStart + poolClusters * clusterSize), 0);
    poolTable.assign(static_cast<size_t>(poolClusters), 0);
    poolUsed = 0;
    clusterMap.assign(static_cast<size_t>(std::max<int64_t>(imageSize / clusterSize + 1, dataClusters + 2)), {});
    clusterMap[0].memory = clusterZero;
    clusterMap[1].memory = clusterZero + clusterSize;
    ComposeSystemArea(row);
    return BuildDirectory();
}

bool FolderDiskImage::BuildDirectory() {
    if (!MakeRootFolder()) {
        return false;
    }
    // The table is in scan order, each folder before what it holds: clusters are handed out in that order.
    for (int32_t index = 1; index < static_cast<int32_t>(entries.size()); ++index) {
        Entry& entry = entries[static_cast<size_t>(index)];
        if (entries[static_cast<size_t>(entry.parent)].leftOut) {
            // Counted as missing when its folder was left out.
            entry.leftOut = true;
            continue;
        }
        entry.leftOut = !(entry.folder ? MakeDirEntry(index) : MakeFileEntry(index));
        if (entry.leftOut) {
            complete = false;
        } else {
            PlaceEntry(index);
        }
    }
    return true;
}

void FolderDiskImage::ComposeSystemArea(const SizeClassRow& row) {
    uint8_t* master = memory.data();
    PutBootBlock(master, 0);
    uint8_t* partition = master + kPartitionEntryOffset;
    partition[0] = 0x80;
    partition[1] = 1;
    partition[2] = 1;
    partition[3] = 0;
    partition[4] = 0x06;
    partition[5] = static_cast<uint8_t>(row.heads - 1);
    partition[6] = static_cast<uint8_t>(63 | (row.lastCylinder >> 8) << 6);
    partition[7] = static_cast<uint8_t>(row.lastCylinder);
    PutDword(partition + 8, kPartitionStart);
    PutDword(partition + 12, row.partitionSectors);
    master[510] = 0x55;
    master[511] = 0xAA;

    uint8_t* boot = memory.data() + kBootSectorOffset;
    boot[0] = 0xEB;
    boot[1] = 0x3C;
    boot[2] = 0x90;
    std::memcpy(boot + 3, "MSDOS5.0", 8);
    PutWord(boot + 11, kSectorBytes);
    boot[13] = static_cast<uint8_t>(row.sectorsPerCluster);
    PutWord(boot + 14, 1);
    boot[16] = 2;
    PutWord(boot + 17, kRootEntries);
    PutWord(boot + 19, row.partitionSectors < 65536 ? row.partitionSectors : 0);
    boot[21] = 0xF8;
    PutWord(boot + 22, row.sectorsPerFat);
    PutWord(boot + 24, 63);
    PutWord(boot + 26, row.heads);
    PutDword(boot + 28, kPartitionStart);
    PutDword(boot + 32, row.partitionSectors >= 65536 ? row.partitionSectors : 0);
    boot[36] = 0x80;
    boot[38] = 0x29;
    PutDword(boot + 39, 0x0B1107BC);
    const std::string label = FormatVolumeLabel(imageSize >> 20).substr(0, 11);
    std::memcpy(boot + 43, label.data(), 11);
    std::memcpy(boot + 54, "FAT16   ", 8);
    PutBootBlock(boot + 62, 62);
    boot[510] = 0x55;
    boot[511] = 0xAA;

    // Cluster 1 is taken so that files start at cluster 2.
    SetFatEntry(0, 0xFFF8);
    SetFatEntry(1, 0xFFFF);
    MakeLabelEntry(label);
}

void FolderDiskImage::MakeLabelEntry(const std::string& label) {
    ShortName labelName{};
    std::copy(label.begin(), label.end(), labelName.begin());
    PutDirectoryEntry(memory.data() + RootOffset(), labelName, 0x28, kDefaultDosDateTime, 0, 0);
}

bool FolderDiskImage::MakeRootFolder() {
    Entry& root = entries[0];
    const auto count = static_cast<int32_t>(root.children.size());
    if (count < kRootEntries) {
        root.directory = RootOffset();
        root.placed = 1;
        return true;
    }
    // Too many for the root directory: everything goes into one folder named after the mount folder.
    const int32_t first = AllocateClusters(static_cast<int64_t>(count + 2) * kDirEntryBytes);
    if (first == 0 || !TakePoolClusters(first)) {
        return false;
    }
    std::u16string_view name(mountFolder);
    while (!name.empty() && (name.back() == u'/' || name.back() == u'\\')) {
        name.remove_suffix(1);
    }
    name.remove_prefix(std::min(name.size(), name.find_last_of(u"/\\:") + 1));
    ShortName wrapperName{};
    if (name.empty()) {
        const std::string_view fallback = "ROOT_DIR   ";
        std::copy(fallback.begin(), fallback.end(), wrapperName.begin());
    } else {
        bool exact = false;
        wrapperName = ShortNameBasis(name, exact);
    }
    PutDirectoryEntry(memory.data() + RootOffset() + kDirEntryBytes, wrapperName, 0x10, kDefaultDosDateTime,
                      static_cast<uint16_t>(first), 0);
    root.directory = clusterMap[static_cast<size_t>(first)].memory;
    root.firstCluster = first;
    root.placed = 2;
    PutDotEntries(memory.data() + root.directory, first, 0);
    return true;
}

bool FolderDiskImage::MakeDirEntry(int32_t index) {
    Entry& entry = entries[static_cast<size_t>(index)];
    const int64_t bytes = static_cast<int64_t>(entry.children.size() + 2) * kDirEntryBytes;
    const int32_t first = AllocateClusters(bytes);
    if (first == 0) {
        return false;
    }
    if (!TakePoolClusters(first)) {
        FreeChain(first);
        return false;
    }
    entry.firstCluster = first;
    entry.directory = clusterMap[static_cast<size_t>(first)].memory;
    entry.placed = 2;
    PutDotEntries(memory.data() + entry.directory, first, entries[static_cast<size_t>(entry.parent)].firstCluster);
    return true;
}

bool FolderDiskImage::MakeFileEntry(int32_t index) {
    Entry& entry = entries[static_cast<size_t>(index)];
    if (entry.size == 0) {
        return true;
    }
    const int32_t first = AllocateClusters(entry.size);
    if (first == 0) {
        return false;
    }
    entry.firstCluster = first;
    uint32_t offset = 0;
    for (int32_t cluster = first; cluster != 0; cluster = NextCluster(cluster)) {
        ClusterEntry& mapped = clusterMap[static_cast<size_t>(cluster)];
        mapped.file = index;
        mapped.fileOffset = offset;
        mapped.fileBytes = std::min<uint32_t>(static_cast<uint32_t>(clusterSize), entry.size - offset);
        offset += mapped.fileBytes;
    }
    return true;
}

void FolderDiskImage::PlaceEntry(int32_t index) {
    const Entry& entry = entries[static_cast<size_t>(index)];
    Entry& owner = entries[static_cast<size_t>(entry.parent)];
    PutDirectoryEntry(memory.data() + owner.directory + static_cast<int64_t>(owner.placed) * kDirEntryBytes,
                      entry.shortName, entry.folder ? 0x10 : 0x20, entry.dosDateTime,
                      static_cast<uint16_t>(entry.firstCluster), entry.size);
    ++owner.placed;
}

int64_t FolderDiskImage::RootOffset() const {
    return kFatOffset + 2 * fatBytes;
}

int32_t FolderDiskImage::AllocateClusters(int64_t byteCount) {
    const int64_t wanted = std::max<int64_t>(1, (byteCount + clusterSize - 1) / clusterSize);
    if (wanted > freeClusters) {
        return 0;
    }
    const int32_t last = dataClusters + 1;
    int32_t first = 0;
    int32_t previous = 0;
    for (int64_t taken = 0; taken < wanted;) {
        const int32_t cluster = searchCluster;
        searchCluster = cluster >= last ? 2 : cluster + 1;
        if (FatEntry(cluster) != 0) {
            continue;
        }
        if (previous == 0) {
            first = cluster;
        } else {
            SetFatEntry(previous, static_cast<uint16_t>(cluster));
        }
        SetFatEntry(cluster, 0xFFFF);
        previous = cluster;
        ++taken;
    }
    freeClusters -= static_cast<int32_t>(wanted);
    return first;
}

void FolderDiskImage::FreeChain(int32_t first) {
    for (int32_t cluster = first; cluster != 0;) {
        const int32_t next = NextCluster(cluster);
        SetFatEntry(cluster, 0);
        ++freeClusters;
        cluster = next;
    }
}

bool FolderDiskImage::TakePoolClusters(int32_t first) {
    int32_t count = 0;
    for (int32_t cluster = first; cluster != 0; cluster = NextCluster(cluster)) {
        ++count;
    }
    if (count > FreePoolClusters()) {
        return false;
    }
    for (int32_t cluster = first; cluster != 0; cluster = NextCluster(cluster)) {
        poolTable[static_cast<size_t>(poolUsed)] = static_cast<uint32_t>(cluster);
        clusterMap[static_cast<size_t>(cluster)].memory = PoolSlotOffset(poolUsed);
        ++poolUsed;
    }
    return true;
}

int32_t FolderDiskImage::NextCluster(int32_t cluster) const {
    const uint16_t next = FatEntry(cluster);
    return next >= 2 && next <= dataClusters + 1 ? next : 0;
}

void FolderDiskImage::SetFatEntry(int32_t cluster, uint16_t value) {
    for (const int64_t fat : {kFatOffset, kFatOffset + fatBytes}) {
        PutWord(memory.data() + fat + 2 * static_cast<int64_t>(cluster), value);
    }
}

uint16_t FolderDiskImage::FatEntry(int32_t cluster) const {
    return static_cast<uint16_t>(common::LoadLittleEndian(memory.data() + kFatOffset + 2 * cluster, 2));
}

void FolderDiskImage::Close() {
    memory.clear();
    memory.shrink_to_fit();
    poolTable.clear();
    poolTable.shrink_to_fit();
    clusterMap.clear();
    clusterMap.shrink_to_fit();
    entries.clear();
    entries.shrink_to_fit();
    poolUsed = 0;
    imageSize = 0;
    position = 0;
    contentMeasure = 0;
    fingerprint = 0;
    fileBytes = 0;
    folderCount = 0;
    sizeClass = 0;
    hostFile.Close();
    openFile = 0;
}

} // namespace emu
