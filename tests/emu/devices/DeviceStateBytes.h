// State chunks of the device bases as bytes, for their round-trip and refusal tests.
#pragma once

#include "support/StateBytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace test_support {

// What every device without parameters writes before its own chunks.
inline const Bytes kDevicePart = Concat(
    {ChunkBegin("_CFP"), U8Value("VER", 0), ChunkEnd("_CFP"), ChunkBegin("_DEV"), U8Value("VER", 0), ChunkEnd("_DEV")});

// One record of a sound channel's ring: cycle stamp, payload length, tag, payload.
inline Bytes SoundRecord(uint64_t time, int32_t length, const Bytes& payload, int32_t tag = 0) {
    return Concat({LittleEndian(time), LittleEndian(length), LittleEndian(tag), payload});
}

// The fields of a "_SNDCH" chunk.
struct ChannelChunk {
    int32_t baseFrequency = 1;
    int32_t recordIndex = 0;
    Bytes ring0;
    Bytes ring1;
    uint64_t renderStart = 0;
    uint64_t lastRecordTime = 0;
    uint64_t lastStep = ~uint64_t{0};
    bool hasRecords = false;
    uint8_t version = 0;
    // Stored sizes other than the rings' own, when set.
    std::optional<int32_t> size0;
    std::optional<int32_t> size1;
};

inline Bytes RingValues(const char* sizeName, const char* dataName, const Bytes& ring, std::optional<int32_t> size) {
    return Concat({I32Value(sizeName, size.value_or(static_cast<int32_t>(ring.size()))),
                   ring.empty() ? Bytes{} : BlobValue(dataName, ring)});
}

inline Bytes ChannelChunkBytes(const ChannelChunk& chunk) {
    return Concat({ChunkBegin("_SNDCH"), U8Value("VER", chunk.version), I32Value("BFRQ", chunk.baseFrequency),
                   I32Value("BFID", chunk.recordIndex), RingValues("BFS0", "BFD0", chunk.ring0, chunk.size0),
                   RingValues("BFS1", "BFD1", chunk.ring1, chunk.size1), U64Value("CSTR", chunk.renderStart),
                   U64Value("CLSP", chunk.lastRecordTime), U64Value("CLSC", chunk.lastStep),
                   BoolValue("BCHN", chunk.hasRecords), ChunkEnd("_SNDCH")});
}

} // namespace test_support
