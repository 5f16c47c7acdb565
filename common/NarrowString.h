#pragma once

#include "common/BasicString.h"

namespace common {

// A string of 8-bit characters; wide text assigned to it keeps the low byte of each character.
class NarrowString : public BasicString<char, NarrowString> {
public:
    NarrowString() = default;
    NarrowString(const char* text) { Assign(text); }
};

} // namespace common
