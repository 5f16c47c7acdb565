#include "emu/core/StateChunk.h"

#include "common/NarrowString.h"
#include "common/RecordArchive.h"

#include <cstdint>

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

} // namespace emu
