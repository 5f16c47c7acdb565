// Byte vectors for the tests of what streams, archives, states and settings files hold.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
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

// The bytes with the value of the last archive record named name overwritten from its first byte after the type
// byte (for a byte block, its length comes first); unchanged when no such record is there. For crafted states:
// the record keeps its type and size.
inline Bytes WithRecordValue(Bytes bytes, std::string_view name, const Bytes& value) {
    // A value record: 0xF8, the narrow tag header (kind, check byte, length, 0), the tag, the type byte.
    Bytes header = {0xF8, 0x81, static_cast<uint8_t>(0x81 ^ name.size()), static_cast<uint8_t>(name.size()), 0};
    header.insert(header.end(), name.begin(), name.end());
    const auto found = std::find_end(bytes.begin(), bytes.end(), header.begin(), header.end());
    const auto at = static_cast<size_t>(found - bytes.begin()) + header.size() + 1;
    if (found != bytes.end() && at + value.size() <= bytes.size()) {
        std::copy(value.begin(), value.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return bytes;
}

} // namespace test_support
