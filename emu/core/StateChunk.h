// Records that many state chunks share: a version value, which must read back as 0, and a chunk holding nothing
// but its version.
#pragma once

namespace common {
class RecordArchive;
} // namespace common

namespace emu {

// The u8 value `name` = 0.
bool WriteVersion(common::RecordArchive& archive, const char* name);
// Reads the u8 value `name`; false unless it is there and 0.
bool ReadVersion(common::RecordArchive& archive, const char* name);

// Chunk `name` holding the value "VER" = 0.
bool WriteVersionChunk(common::RecordArchive& archive, const char* name);
bool ReadVersionChunk(common::RecordArchive& archive, const char* name);

} // namespace emu
