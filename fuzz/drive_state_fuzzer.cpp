// Loads arbitrary bytes as the drive set's state into a set of two floppy drives and a hard disk, and checks that
// a state that loads saves again into bytes that load back to the same state. The seed is the set's own state.
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/DriveSet.h"
#include "fuzz/OwnState.h"
#include "fuzz/Seed.h"

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

bool Load(emu::DriveSet& drives, std::vector<uint8_t> bytes) {
    common::MemoryStream stream;
    stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
    common::RecordArchive archive(stream);
    common::NarrowString note;
    return drives.LoadOwnData(archive, &note);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::WriteSeed("drives", fuzz::SavedOwnData(*Drives()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::unique_ptr<emu::DriveSet> drives = Drives();
    if (Load(*drives, std::vector<uint8_t>(data, data + size))) {
        const std::vector<uint8_t> saved = fuzz::SavedOwnData(*drives);
        const std::unique_ptr<emu::DriveSet> again = Drives();
        if (!Load(*again, saved) || fuzz::SavedOwnData(*again) != saved) {
            std::abort();
        }
    }
    return 0;
}
