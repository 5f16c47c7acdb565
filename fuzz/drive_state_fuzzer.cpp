// Loads arbitrary bytes as the drive set's state into a set of two floppy drives and a hard disk, and checks that
// a state that loads saves again into bytes that load back to the same state.
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/DriveSet.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<emu::DriveSet> Drives() {
    auto drives = std::make_unique<emu::DriveSet>();
    drives->SetFloppyCount(2);
    drives->SetHardDiskCount(1);
    return drives;
}

std::vector<uint8_t> Saved(emu::DriveSet& drives) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    common::RecordArchive archive(stream);
    if (!drives.SaveOwnData(archive)) {
        std::abort();
    }
    return std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

bool Load(emu::DriveSet& drives, std::vector<uint8_t> bytes) {
    common::MemoryStream stream;
    stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
    common::RecordArchive archive(stream);
    common::NarrowString note;
    return drives.LoadOwnData(archive, &note);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::unique_ptr<emu::DriveSet> drives = Drives();
    if (Load(*drives, std::vector<uint8_t>(data, data + size))) {
        const std::vector<uint8_t> saved = Saved(*drives);
        const std::unique_ptr<emu::DriveSet> again = Drives();
        if (!Load(*again, saved) || Saved(*again) != saved) {
            std::abort();
        }
    }
    return 0;
}
