// The folder disk's tables and the layout facts its two sources share.
#pragma once

#include "common/LittleEndian.h"
#include "emu/storage/FolderDiskImage.h"

#include <array>
#include <cstring>

namespace emu {

inline constexpr int64_t kMiB = 1024 * 1024;
// The pool the host's memory gives at most.
inline constexpr int64_t kLargestPool = 32 * kMiB;
inline constexpr int32_t kRootEntries = 512;
inline constexpr int32_t kSectorBytes = 512;
inline constexpr int32_t kDirEntryBytes = 32;
inline constexpr uint32_t kPartitionStart = 63;
inline constexpr int64_t kPartitionEntryOffset = 446;
inline constexpr int64_t kBootSectorOffset = kPartitionStart * kSectorBytes;
inline constexpr int64_t kFatOffset = kBootSectorOffset + kSectorBytes;
// 0008h time, 0021h date: 1980-01-01 00:00:16.
inline constexpr uint32_t kDefaultDosDateTime = 0x00210008;

struct FolderDiskImage::SizeClassRow {
    int64_t measureLimit;
    int64_t imageSize;
    uint32_t partitionSectors;
    uint32_t heads;
    uint32_t sectorsPerFat;
    int32_t sectorsPerCluster;
    uint32_t lastCylinder;

    constexpr int32_t DataClusters() const {
        return static_cast<int32_t>((partitionSectors - 32 - 2 * sectorsPerFat - 1) / sectorsPerCluster);
    }
};

inline constexpr std::array<FolderDiskImage::SizeClassRow, 7> kSizeClasses = {{
    {33432576, 33546240, 64449, 16, 63, 4, 63},
    {66913280, 67092480, 129969, 16, 127, 4, 128},
    {104514560, 104767488, 203553, 16, 199, 4, 201},
    {268058624, 268369920, 523089, 16, 256, 8, 518},
    {528175104, 528482304, 1031121, 16, 252, 16, 1022},
    {1073168384, 1073479680, 2092545, 64, 256, 32, 518},
    {2147164160, 2147475456, 4185153, 128, 256, 64, 518},
}};

struct FolderDiskImage::Entry {
    int32_t parent = -1;
    bool folder = false;
    // Not in the image: it did not fit, or its folder was left out.
    bool leftOut = false;
    uint32_t size = 0;
    int64_t writeTime = 0;
    uint32_t dosDateTime = 0;
    ShortName shortName{};
    std::u16string hostName;
    common::platform::FileIdentity identity;
    std::vector<int32_t> children;
    int32_t firstCluster = 0;
    // Folders: where their directory lies in memory and how many of its entries are written.
    int64_t directory = -1;
    int32_t placed = 0;
};

// Where a cluster's bytes come from: memory (an offset into it), a host file's bytes, or zeros.
struct FolderDiskImage::ClusterEntry {
    int64_t memory = -1;
    int32_t file = 0;
    uint32_t fileOffset = 0;
    uint32_t fileBytes = 0;
};

struct FolderDiskImage::ScanFrame {
    int32_t folder = 0;
    std::u16string path;
    std::vector<common::platform::FolderEntry> items;
    size_t next = 0;
};

// A state as read, before it is checked against the image.
struct FolderDiskImage::SavedState {
    uint32_t size = 0;
    int64_t measure = 0;
    int32_t clusterCount = 0;
    int64_t poolBytes = 0;
    int32_t memoryBytes = 0;
    uint64_t fingerprint = 0;
    std::vector<uint8_t> memory;
    std::vector<uint32_t> poolTable;
    int64_t position = 0;
};

inline void PutDirectoryEntry(uint8_t* at, const ShortName& name, uint8_t attributes, uint32_t dosDateTime,
                              uint16_t cluster, uint32_t size) {
    std::memset(at, 0, kDirEntryBytes);
    std::memcpy(at, name.data(), name.size());
    at[11] = attributes;
    common::StoreLittleEndian(at + 22, 2, dosDateTime & 0xFFFF);
    common::StoreLittleEndian(at + 24, 2, dosDateTime >> 16);
    common::StoreLittleEndian(at + 26, 2, cluster);
    common::StoreLittleEndian(at + 28, 4, size);
}

// "." and ".." at the start of a folder's first cluster; both without time and date.
inline void PutDotEntries(uint8_t* at, int32_t own, int32_t parent) {
    ShortName dot{};
    dot.fill(' ');
    dot[0] = '.';
    PutDirectoryEntry(at, dot, 0x10, 0, static_cast<uint16_t>(own), 0);
    dot[1] = '.';
    PutDirectoryEntry(at + kDirEntryBytes, dot, 0x10, 0, static_cast<uint16_t>(parent), 0);
}

} // namespace emu
