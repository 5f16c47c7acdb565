// A node's own state as bytes, for the fuzzers that load a device's state and check that it saves back alike.
#pragma once

#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/TreeNode.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace fuzz {

// The node's own data; a node that cannot save is a fault of the fuzzed code.
inline std::vector<uint8_t> SavedOwnData(emu::TreeNode& node) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    common::RecordArchive archive(stream);
    if (!node.SaveOwnData(archive)) {
        std::abort();
    }
    return std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

inline bool LoadOwnData(emu::TreeNode& node, std::vector<uint8_t> bytes) {
    common::MemoryStream stream;
    stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
    common::RecordArchive archive(stream);
    return node.LoadOwnData(archive, nullptr);
}

// Changes the state as the input says: from data[1] on, triples of a 16-bit position (low byte first) and the
// byte to put there; positions past the state are passed over.
inline void ChangeBytes(std::vector<uint8_t>& state, const uint8_t* data, size_t size) {
    for (size_t at = 1; at + 2 < size; at += 3) {
        const size_t position = static_cast<size_t>(data[at] | data[at + 1] << 8);
        if (position < state.size()) {
            state[position] = data[at + 2];
        }
    }
}

} // namespace fuzz
