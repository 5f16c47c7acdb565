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

} // namespace fuzz
