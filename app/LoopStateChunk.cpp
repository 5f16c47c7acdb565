#include "app/LoopStateChunk.h"

#include "common/NarrowString.h"
#include "common/RecordArchive.h"

#include <cmath>
#include <cstring>

namespace emu {

namespace {

constexpr const char* kChunkName = "_EMUCORE";
constexpr uint8_t kVersion = 1;
constexpr uint8_t kLoopVersion = 1;
constexpr int32_t kFramesPerSecond = 50;

bool WriteDouble(common::RecordArchive& archive, double value, const char* name) {
    uint8_t bytes[sizeof(double)];
    std::memcpy(bytes, &value, sizeof bytes);
    return archive.WriteRecordBlob(bytes, sizeof bytes, common::NarrowString(name));
}

bool ReadDouble(common::RecordArchive& archive, double& value, const char* name) {
    uint8_t bytes[sizeof(double)];
    if (!archive.ReadRecordBlob(bytes, sizeof bytes, common::NarrowString(name))) {
        return false;
    }
    std::memcpy(&value, bytes, sizeof bytes);
    return true;
}

} // namespace

bool WriteLoopState(common::RecordArchive& archive, const LoopState& state) {
    const common::NarrowString chunk(kChunkName);
    return archive.WriteMarker(common::kChunkBeginMarker, chunk) &&
           archive.WriteRecordU8(kVersion, common::NarrowString("VER")) &&
           archive.WriteRecordU8(kLoopVersion, common::NarrowString("VERR")) &&
           archive.WriteRecordU8(state.maxSpeed ? 1 : 0, common::NarrowString("MAXS")) &&
           archive.WriteRecordI32(state.budget, common::NarrowString("PC")) &&
           archive.WriteRecordI32(state.carry, common::NarrowString("PCR")) &&
           archive.WriteRecordI32(state.slicesLeft, common::NarrowString("PI")) &&
           (state.maxSpeed ||
            (WriteDouble(archive, state.owed, "PFC") && WriteDouble(archive, state.perFrame, "CPF"))) &&
           archive.WriteRecordI32(state.slicesPerFrame, common::NarrowString("IPF")) &&
           archive.WriteRecordI32(state.frames, common::NarrowString("FI")) &&
           archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool ReadLoopState(common::RecordArchive& archive, bool maxSpeedLoop, int32_t slicesPerFrame, LoopState& state,
                   common::NarrowString& error) {
    const common::NarrowString chunk(kChunkName);
    uint8_t version = 0;
    uint8_t loopVersion = 0;
    uint8_t maxSpeed = 0;
    if (!archive.ReadMarker(chunk, common::kChunkBeginMarker) ||
        !archive.ReadRecordU8(version, common::NarrowString("VER")) || version == 0 ||
        !archive.ReadRecordU8(loopVersion, common::NarrowString("VERR")) || loopVersion != kLoopVersion ||
        !archive.ReadRecordU8(maxSpeed, common::NarrowString("MAXS")) || maxSpeed > 1) {
        return false;
    }
    if ((maxSpeed == 1) != maxSpeedLoop) {
        error.Assign(maxSpeedLoop ? "Disable \"Max CPU Speed\"!" : "Enable \"Max CPU Speed\"!");
        return false;
    }
    LoopState read;
    read.maxSpeed = maxSpeedLoop;
    if (!archive.ReadRecordI32(read.budget, common::NarrowString("PC")) ||
        !archive.ReadRecordI32(read.carry, common::NarrowString("PCR")) ||
        !archive.ReadRecordI32(read.slicesLeft, common::NarrowString("PI")) ||
        (!maxSpeedLoop && (!ReadDouble(archive, read.owed, "PFC") || !ReadDouble(archive, read.perFrame, "CPF"))) ||
        !archive.ReadRecordI32(read.slicesPerFrame, common::NarrowString("IPF")) ||
        !archive.ReadRecordI32(read.frames, common::NarrowString("FI")) ||
        !archive.ReadMarker(chunk, common::kChunkEndMarker)) {
        return false;
    }
    const bool fits = read.slicesPerFrame == slicesPerFrame && read.slicesLeft > 0 &&
                      read.slicesLeft <= read.slicesPerFrame && read.budget >= 0 && read.carry >= 0 &&
                      (maxSpeedLoop || (std::isfinite(read.owed) && std::isfinite(read.perFrame) && read.perFrame > 0));
    if (!fits) {
        return false;
    }
    if (read.frames < 0 || read.frames >= kFramesPerSecond) {
        read.frames = 0;
    }
    state = read;
    return true;
}

} // namespace emu
