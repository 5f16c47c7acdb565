// Folder trees for the folder disk's tests, and readers of the image it builds: sectors, directory entries, the
// FAT and whole exported images that the host's FAT tools can check.
#pragma once

#include "common/PathString.h"
#include "common/platform/FolderWalk.h"
#include "emu/storage/FolderDiskImage.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace emu {

inline constexpr int64_t kPartitionOffset = 32256;
// 2024-03-05 06:07:08 UTC: DOS date 5865h, time 30E4h.
inline constexpr int64_t kFixedTime = 1709618828;
inline constexpr uint32_t kFixedDosDateTime = 0x586530E4;

// Local time is UTC, so DOS times are known.
inline void UseUtc() {
#ifdef _WIN32
    _putenv_s("TZ", "UTC");
    _tzset();
#else
    setenv("TZ", "UTC", 1);
    tzset();
#endif
}

// False where the host does not let it be set (folders on Windows builds).
inline bool SetFixedTime(const std::filesystem::path& path) {
    const auto time = std::chrono::sys_seconds(std::chrono::seconds(kFixedTime));
    std::error_code error;
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::from_sys(time), error);
    return !error;
}

// The DOS time an entry gets: of its last write time in local time.
inline uint32_t DosTimeOf(const std::filesystem::path& path) {
    const auto time = std::filesystem::file_time_type::clock::to_sys(std::filesystem::last_write_time(path));
    return common::platform::LocalDosDateTime(
        std::chrono::floor<std::chrono::seconds>(time).time_since_epoch().count());
}

// A folder tree made by the test; every entry gets the fixed time.
class FolderTree {
public:
    const std::filesystem::path& Root() const { return folder.Path(); }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return Root() / relative; }
    common::PathString RootPath() const { return common::PathString(Root().u16string().c_str()); }

    void File(const std::filesystem::path& relative, const std::string& content) const {
        std::filesystem::create_directories((Root() / relative).parent_path());
        std::ofstream(Root() / relative, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
        EXPECT_TRUE(SetFixedTime(Root() / relative));
    }
    // A file of size bytes, holes but for a marker at its start.
    void SparseFile(const std::filesystem::path& relative, uint64_t size) const {
        File(relative, "");
        std::filesystem::resize_file(Root() / relative, size);
        EXPECT_TRUE(SetFixedTime(Root() / relative));
    }
    void Folder(const std::filesystem::path& relative) const {
        std::filesystem::create_directories(Root() / relative);
        SetFixedTime(Root() / relative);
    }
    // Folder times last: adding entries changes them. Where they cannot be set they stay as they are.
    void FixFolderTimes() const {
        std::error_code error;
        for (auto entry = std::filesystem::recursive_directory_iterator(Root(), error);
             !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
            if (entry->is_directory() && !entry->is_symlink()) {
                SetFixedTime(entry->path());
            }
        }
    }

private:
    test_support::TemporaryFolder folder;
};

// Content that differs at every position and between files.
inline std::string Pattern(size_t size, uint32_t seed = 1) {
    std::string bytes(size, '\0');
    uint32_t value = seed * 2654435761u;
    for (char& byte : bytes) {
        value = value * 1103515245u + 12345u;
        byte = static_cast<char>(value >> 16);
    }
    return bytes;
}

inline std::string ReadImage(FolderDiskImage& disk, int64_t at, size_t count) {
    std::string bytes(count, '\0');
    bytes.resize(static_cast<size_t>(disk.ReadAt(bytes.data(), at, static_cast<int64_t>(count))));
    return bytes;
}

inline uint32_t Little(const std::string& bytes, size_t at, size_t width) {
    uint32_t value = 0;
    for (size_t byte = 0; byte < width; ++byte) {
        value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + byte])) << (8 * byte);
    }
    return value;
}

// The partition's layout as its boot sector gives it.
struct Layout {
    int64_t fat = 0;
    int64_t fatBytes = 0;
    int64_t root = 0;
    int64_t data = 0;
    int64_t cluster = 0;

    explicit Layout(FolderDiskImage& disk) {
        const std::string boot = ReadImage(disk, kPartitionOffset, 512);
        cluster = Little(boot, 13, 1) * 512;
        fat = kPartitionOffset + 512;
        fatBytes = Little(boot, 22, 2) * 512;
        root = fat + 2 * fatBytes;
        data = root + 512 * 32;
    }
    int64_t ClusterAt(uint32_t number) const { return data + (static_cast<int64_t>(number) - 2) * cluster; }
};

struct DirEntry {
    std::string name; // 11 characters
    uint8_t attributes = 0;
    uint32_t dosDateTime = 0;
    uint16_t cluster = 0;
    uint32_t size = 0;

    bool operator==(const DirEntry&) const = default;
};

inline void PrintTo(const DirEntry& entry, std::ostream* out) {
    *out << '"' << entry.name << "\" attributes " << int{entry.attributes} << " time " << std::hex << entry.dosDateTime
         << std::dec << " cluster " << entry.cluster << " size " << entry.size;
}

inline DirEntry ParseEntry(const std::string& bytes, size_t at = 0) {
    return {bytes.substr(at, 11), static_cast<uint8_t>(bytes[at + 11]),
            Little(bytes, at + 24, 2) << 16 | Little(bytes, at + 22, 2),
            static_cast<uint16_t>(Little(bytes, at + 26, 2)), Little(bytes, at + 28, 4)};
}

// The used entries of a directory's bytes, up to the first free one.
inline std::vector<DirEntry> ParseDirectory(const std::string& bytes) {
    std::vector<DirEntry> entries;
    for (size_t at = 0; at + 32 <= bytes.size() && bytes[at] != '\0'; at += 32) {
        entries.push_back(ParseEntry(bytes, at));
    }
    return entries;
}

inline std::vector<DirEntry> RootEntries(FolderDiskImage& disk) {
    const Layout layout(disk);
    return ParseDirectory(ReadImage(disk, layout.root, 512 * 32));
}

inline std::vector<DirEntry> FolderEntries(FolderDiskImage& disk, uint16_t cluster) {
    const Layout layout(disk);
    return ParseDirectory(ReadImage(disk, layout.ClusterAt(cluster), static_cast<size_t>(layout.cluster)));
}

// The image's bytes from offset on, written to a sparse file: runs of zeros are left as holes.
inline bool ExportImage(FolderDiskImage& disk, const std::filesystem::path& path, int64_t offset = 0) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    std::string chunk(65536, '\0');
    const std::string zeros(chunk.size(), '\0');
    for (int64_t at = offset; at < disk.Size(); at += static_cast<int64_t>(chunk.size())) {
        const int64_t count = std::min<int64_t>(static_cast<int64_t>(chunk.size()), disk.Size() - at);
        if (disk.ReadAt(chunk.data(), at, count) != count) {
            return false;
        }
        if (chunk.compare(0, static_cast<size_t>(count), zeros, 0, static_cast<size_t>(count)) != 0) {
            file.seekp(at - offset);
            file.write(chunk.data(), count);
        }
    }
    file.close();
    std::filesystem::resize_file(path, static_cast<uintmax_t>(disk.Size() - offset));
    return true;
}

} // namespace emu
