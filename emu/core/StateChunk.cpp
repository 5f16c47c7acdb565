#include "emu/core/StateChunk.h"

#include "common/NarrowString.h"
#include "common/RecordArchive.h"
#include "emu/core/IndexedKey.h"
#include "emu/core/TreeNode.h"

namespace emu {

bool WriteVersion(common::RecordArchive& archive, const char* name) {
    return archive.WriteRecordU8(0, common::NarrowString(name));
}

bool ReadVersion(common::RecordArchive& archive, const char* name) {
    uint8_t version = 0;
    return archive.ReadRecordU8(version, common::NarrowString(name)) && version == 0;
}

bool WriteVersionChunk(common::RecordArchive& archive, const char* name) {
    const common::NarrowString chunk(name);
    return archive.WriteMarker(common::kChunkBeginMarker, chunk) && WriteVersion(archive, "VER") &&
           archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool ReadVersionChunk(common::RecordArchive& archive, const char* name) {
    const common::NarrowString chunk(name);
    return archive.ReadMarker(chunk, common::kChunkBeginMarker) && ReadVersion(archive, "VER") &&
           archive.ReadMarker(chunk, common::kChunkEndMarker);
}

bool WriteEventRecords(common::RecordArchive& archive, int64_t index, const TreeNode& owner, const char* name,
                       std::span<const uint8_t> data) {
    return archive.WriteRecordString(owner.FullName(), IndexedKey("DVEVT", index)) &&
           archive.WriteRecordString(common::NarrowString(name), IndexedKey("NMEVT", index)) &&
           archive.WriteRecordBlob(data.data(), static_cast<int64_t>(data.size()), IndexedKey("DTEVT", index));
}

bool ReadEventRecords(common::RecordArchive& archive, int64_t index, common::NarrowString& ownerName,
                      common::NarrowString& name, std::span<uint8_t> data) {
    return archive.ReadRecordString(ownerName, IndexedKey("DVEVT", index)) && !ownerName.IsEmpty() &&
           archive.ReadRecordString(name, IndexedKey("NMEVT", index)) &&
           archive.ReadRecordBlob(data.data(), static_cast<int64_t>(data.size()), IndexedKey("DTEVT", index));
}

} // namespace emu
