#pragma once

#include "common/NarrowString.h"

#include <cstdint>

namespace emu {

// The name of a numbered record in a state chunk: the prefix and the number in decimal, such as "DVEVT0".
inline common::NarrowString IndexedKey(const char* prefix, int64_t index) {
    common::NarrowString key;
    key.Format("%s%ld", prefix, index);
    return key;
}

} // namespace emu
