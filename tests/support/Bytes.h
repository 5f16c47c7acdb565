// Byte vectors for the tests of what streams, archives, states and settings files hold.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;

// The parts one after the other.
inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

} // namespace test_support
