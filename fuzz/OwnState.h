// A node's state as bytes, for the fuzzers that load states and check that they save back alike, and for their seeds.
#pragma once

#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/TreeNode.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

namespace fuzz {

using ArchiveStep = std::function<bool(common::RecordArchive&)>;

// What write leaves in an archive; a write that fails is a fault of the fuzzed code.
inline std::vector<uint8_t> Archived(const ArchiveStep& write) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    common::RecordArchive archive(stream);
    if (!write(archive)) {
        std::abort();
    }
    return std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

// Whether read takes the bytes.
inline bool Reads(std::vector<uint8_t> bytes, const ArchiveStep& read) {
    common::MemoryStream stream;
    stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
    common::RecordArchive archive(stream);
    return read(archive);
}

// The node's own data.
inline std::vector<uint8_t> SavedOwnData(emu::TreeNode& node) {
    return Archived([&node](common::RecordArchive& archive) { return node.SaveOwnData(archive); });
}

inline bool LoadOwnData(emu::TreeNode& node, std::vector<uint8_t> bytes) {
    return Reads(std::move(bytes),
                 [&node](common::RecordArchive& archive) { return node.LoadOwnData(archive, nullptr); });
}

// The node's whole state: its own data and its children's.
inline std::vector<uint8_t> SavedState(emu::TreeNode& node) {
    return Archived([&node](common::RecordArchive& archive) { return node.SaveState(archive); });
}

inline bool LoadState(emu::TreeNode& node, std::vector<uint8_t> bytes) {
    return Reads(std::move(bytes),
                 [&node](common::RecordArchive& archive) { return node.LoadState(archive, nullptr); });
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
