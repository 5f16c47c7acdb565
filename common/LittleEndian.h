// Integers in bytes as the emulator keeps them whatever the host: little-endian, low byte first. Saved states,
// settings files, file headers and pixels all use this order.
#pragma once

#include <cstdint>

namespace common {

// The integer in byteCount bytes (1 to 8) from at.
inline uint64_t LoadLittleEndian(const uint8_t* at, int byteCount) {
    uint64_t value = 0;
    for (int i = byteCount - 1; i >= 0; --i) {
        value = value << 8 | at[i];
    }
    return value;
}

// The low byteCount bytes (1 to 8) of value from at.
inline void StoreLittleEndian(uint8_t* at, int byteCount, uint64_t value) {
    for (int i = 0; i < byteCount; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

} // namespace common
