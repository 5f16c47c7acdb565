// Ids of the emulation thread's run modes and of the ways a step to an address ends, shared by the core, its
// status line and its state image.
#pragma once

#include <cstdint>

namespace emu {

// The run loop the emulation thread is in (its run mode); the value is stored in the state image.
enum class LoopMode : int32_t { None = -1, Synced = 0, MaxSpeed = 1 };

// A step to an address runs until the program counter leaves the address or reaches it.
enum class RunToKind : int32_t { UntilLeaves = 0, UntilReaches = 1 };

} // namespace emu
