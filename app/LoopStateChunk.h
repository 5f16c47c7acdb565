// The run loop's own values in a saved state, the chunk "_EMUCORE": where the loop stands in its slice and frame,
// written and read by the emulation thread while it is parked.
//
// Records in order: "VER" u8 1, "VERR" u8 1, "MAXS" u8 (1 for the maximum-speed loop), "PC" i32 budget, "PCR" i32
// carry, "PI" i32 slices left, then for the synchronised loop only "PFC" and "CPF" (8-byte blocks holding the
// doubles owed cycles and cycles per frame), "IPF" i32 slices per frame, "FI" i32 frames of the second.
#pragma once

#include <cstdint>

namespace common {
class NarrowString;
class RecordArchive;
} // namespace common

namespace emu {

struct LoopState {
    bool maxSpeed = false;
    int32_t budget = 0;
    int32_t carry = 0;
    int32_t slicesLeft = 0;
    // Synchronised loop only.
    double owed = 0;
    double perFrame = 0;
    int32_t slicesPerFrame = 0;
    int32_t frames = 0;
};

// Stops at the first record that is not written.
bool WriteLoopState(common::RecordArchive& archive, const LoopState& state);

// Reads the chunk as the running loop (maxSpeedLoop, cutting its frames into slicesPerFrame slices) takes it;
// state changes only when the whole chunk was read and its values fit that loop: the same slices per frame,
// 0 < slices left <= slices per frame, budget and carry not negative, the synchronised loop's doubles finite with
// cycles per frame above 0. A frame count outside 0..49 reads as 0. A chunk of the other loop sets error to the
// setting the user must change.
bool ReadLoopState(common::RecordArchive& archive, bool maxSpeedLoop, int32_t slicesPerFrame, LoopState& state,
                   common::NarrowString& error);

} // namespace emu
