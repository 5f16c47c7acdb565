#pragma once

#include "common/NarrowString.h"

#include <cstdint>

namespace emu {

// Condition codes and the trace bit of the processor status word.
inline constexpr uint16_t kPswCarry = 01;
inline constexpr uint16_t kPswOverflow = 02;
inline constexpr uint16_t kPswZero = 04;
inline constexpr uint16_t kPswNegative = 010;
inline constexpr uint16_t kPswTrace = 020;

// The five flag letters the register dump and the disassembler show: T, S (the N bit), Z, V and C, each replaced
// by '-' when its bit is clear.
common::NarrowString PswFlagsText(uint16_t psw);

} // namespace emu
