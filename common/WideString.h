#pragma once

#include "common/BasicString.h"

namespace common {

// A string of 16-bit characters (UTF-16 code units) on every platform; narrow text assigned to it widens byte by
// byte. Paths and user-interface texts are wide.
class WideString : public BasicString<char16_t, WideString> {
public:
    WideString() = default;
    WideString(const char* text) { Assign(text); }
    WideString(const char16_t* text) { Assign(text); }

    // A copy of this string with the narrow text appended.
    WideString operator+(const char* suffix) const {
        WideString result(*this);
        result.Append(suffix);
        return result;
    }
};

} // namespace common
