// Loads damaged states into a disk built from a small folder. The seeds are states the disk saves itself: fresh,
// after writes into file, folder, system and empty clusters, and with its pool used up. The first input byte picks
// one; then a length to cut it to and groups of a three-byte offset (from the end when its top bit is set) and a
// value to mix into it. A refused state must leave the disk as it was; a state that loads must read, write and save.
// The corpus seeds take each state whole or cut inside each chunk.
#include "common/MemoryStream.h"
#include "common/PathString.h"
#include "common/RecordArchive.h"
#include "emu/storage/FolderDiskImage.h"
#include "fuzz/Seed.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int64_t kPoolBytes = 8 * 2048;

// The folder every disk is built from, made once and removed at the end.
class FuzzFolder {
public:
    FuzzFolder() {
        std::random_device entropy;
        root = std::filesystem::temp_directory_path() / ("zov_folder_disk_fuzz_" + std::to_string(entropy()));
        std::filesystem::create_directories(root / "SUB" / "DEEPER");
        std::ofstream(root / "A.TXT") << std::string(5000, 'a');
        std::ofstream(root / "SUB" / "B.BIN") << std::string(3000, 'b');
        std::ofstream(root / "SUB" / "DEEPER" / "Long name.text") << "c";
        std::ofstream(root / "EMPTY");
        path.Assign(root.u16string().c_str());
    }
    ~FuzzFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    std::filesystem::path root;
    common::PathString path;
};

const common::PathString& Folder() {
    static const FuzzFolder folder;
    return folder.path;
}

Bytes Saved(emu::FolderDiskImage& disk) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    common::RecordArchive archive(stream);
    if (!disk.SaveState(archive)) {
        std::abort();
    }
    return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

Bytes Seed(const std::function<void(emu::FolderDiskImage&)>& step) {
    emu::FolderDiskImage disk(kPoolBytes);
    if (!disk.Open(Folder())) {
        std::abort();
    }
    step(disk);
    return Saved(disk);
}

int64_t Cluster(emu::FolderDiskImage& disk, int64_t number) {
    // Class 0: the data area starts after two 63-sector FATs and the root directory.
    return 32768 + 2 * 63 * 512 + 16384 + (number - 2) * disk.ClusterSize();
}

const std::array<Bytes, 4>& Seeds() {
    static const std::array<Bytes, 4> seeds{
        Seed([](emu::FolderDiskImage&) {}),
        Seed([](emu::FolderDiskImage& disk) {
            disk.WriteAt("file", Cluster(disk, 3) + 7, 4);
            disk.WriteAt("fat", 32768 + 40, 3);
            disk.WriteAt("empty", Cluster(disk, 1000), 5);
            disk.Seek(4096);
        }),
        Seed([](emu::FolderDiskImage& disk) {
            const std::string block(64 * 1024, 'w');
            disk.WriteAt(block.data(), Cluster(disk, 500), static_cast<int64_t>(block.size()));
        }),
        Seed([](emu::FolderDiskImage& disk) { disk.Close(); }),
    };
    return seeds;
}

bool Load(emu::FolderDiskImage& disk, Bytes& state) {
    common::MemoryStream stream;
    stream.Attach(state.data(), static_cast<int64_t>(state.size()));
    common::RecordArchive archive(stream);
    return disk.LoadState(archive, nullptr);
}

// What a refused load must leave alone: the system area, the first clusters, the position and the pool.
std::string Visible(emu::FolderDiskImage& disk) {
    std::string bytes(1 << 20, '\0');
    const int64_t position = disk.Tell();
    disk.ReadAt(bytes.data(), 0, static_cast<int64_t>(bytes.size()));
    disk.Seek(position);
    return bytes + std::to_string(position) + "|" + std::to_string(disk.FreePoolClusters());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (uint8_t which = 0; which < Seeds().size(); ++which) {
        fuzz::WriteCutSeeds("state" + std::to_string(which), {which}, Seeds()[which], 64);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    Bytes state = Seeds()[data[0] % Seeds().size()];
    state.resize(std::min(state.size(), static_cast<size_t>(data[1] << 8 | data[2]) * 64));
    for (size_t at = 3; at + 3 < size && !state.empty(); at += 4) {
        const uint32_t offset = static_cast<uint32_t>(data[at] << 16 | data[at + 1] << 8 | data[at + 2]);
        const size_t index = (offset & 0x7FFFFF) % state.size();
        state[(offset & 0x800000) != 0 ? state.size() - 1 - index : index] ^= data[at + 3];
    }
    emu::FolderDiskImage disk(kPoolBytes);
    if (!disk.Open(Folder())) {
        std::abort();
    }
    const std::string before = Visible(disk);
    if (!Load(disk, state)) {
        if (Visible(disk) != before) {
            std::abort();
        }
        return 0;
    }
    std::string bytes(8192, '\0');
    for (const int64_t cluster : {2, 3, 5, 6, 600, 9000}) {
        disk.ReadAt(bytes.data(), Cluster(disk, cluster) - 100, static_cast<int64_t>(bytes.size()));
        disk.WriteAt(bytes.data(), Cluster(disk, cluster) + 50, 100);
    }
    Saved(disk);
    return 0;
}
