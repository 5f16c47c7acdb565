// Chunks as bytes for the state tests of the services: written through an archive, read back from bytes.
#pragma once

#include "StateBytes.h"
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"

#include <functional>

namespace emu {

using ArchiveStep = std::function<bool(common::RecordArchive&)>;

// The bytes that write leaves in an archive; write must succeed.
inline Bytes Archived(const ArchiveStep& write) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    common::RecordArchive archive(stream);
    EXPECT_TRUE(write(archive));
    return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

// Whether read succeeds over the bytes and, when it does, reads all of them.
inline bool ReadsWhole(Bytes bytes, const ArchiveStep& read) {
    common::MemoryStream stream;
    stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
    common::RecordArchive archive(stream);
    return read(archive) && stream.Tell() == stream.Size();
}

inline common::NarrowString Key(const char* text) {
    return common::NarrowString(text);
}

} // namespace emu
