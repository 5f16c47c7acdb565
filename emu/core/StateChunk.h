// Records that many state chunks share: a version value, which must read back as 0, and a chunk holding nothing
// but its version.
#pragma once

#include <cstdint>
#include <span>

namespace common {
class NarrowString;
class RecordArchive;
} // namespace common

namespace emu {

class TreeNode;

// The u8 value `name` = 0.
bool WriteVersion(common::RecordArchive& archive, const char* name);
// Reads the u8 value `name`; false unless it is there and 0.
bool ReadVersion(common::RecordArchive& archive, const char* name);

// Chunk `name` holding the value "VER" = 0.
bool WriteVersionChunk(common::RecordArchive& archive, const char* name);
bool ReadVersionChunk(common::RecordArchive& archive, const char* name);

// A timed event of the bus or of a processor, as a state keeps it: "DVEVT<index>" the full dotted name of its
// owner, "NMEVT<index>" its name and "DTEVT<index>" its data. The loader finds it again by the two names.
bool WriteEventRecords(common::RecordArchive& archive, int64_t index, const TreeNode& owner, const char* name,
                       std::span<const uint8_t> data);
// Reads the three records; false also for an empty owner name or data of another size.
bool ReadEventRecords(common::RecordArchive& archive, int64_t index, common::NarrowString& ownerName,
                      common::NarrowString& name, std::span<uint8_t> data);

} // namespace emu
