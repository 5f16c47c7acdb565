// Saved states and archive chunks as bytes, for the tests of what the loaders read: the records spelled out byte by
// byte, and steps that write through an archive into bytes or read bytes back through one.
#pragma once

#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/TreeNode.h"
#include "support/Bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace test_support {

// A narrow string record.
inline Bytes Name(const std::string& text) {
    const auto length = static_cast<uint8_t>(text.size());
    Bytes record(4 + text.size());
    record[0] = 0x81;
    record[1] = static_cast<uint8_t>(0x81 ^ length);
    record[2] = length;
    std::copy(text.begin(), text.end(), record.begin() + 4);
    return record;
}

inline Bytes ChunkBegin(const std::string& name) {
    return Concat({{0xF0}, Name(name)});
}

inline Bytes ChunkEnd(const std::string& name) {
    return Concat({{0xFF}, Name(name)});
}

template <typename T>
Bytes LittleEndian(T value) {
    Bytes bytes;
    for (size_t i = 0; i < sizeof(T); ++i) {
        bytes.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
    }
    return bytes;
}

inline Bytes U8Value(const std::string& name, uint8_t value) {
    return Concat({{0xF8}, Name(name), {0x00, value}});
}

inline Bytes BoolValue(const std::string& name, bool value) {
    return Concat({{0xF8}, Name(name), {0x40, static_cast<uint8_t>(value ? 1 : 0)}});
}

inline Bytes U16Value(const std::string& name, uint16_t value) {
    return Concat({{0xF8}, Name(name), {0x01}, LittleEndian(value)});
}

inline Bytes I16Value(const std::string& name, int16_t value) {
    return Concat({{0xF8}, Name(name), {0x41}, LittleEndian(value)});
}

inline Bytes I32Value(const std::string& name, int32_t value) {
    return Concat({{0xF8}, Name(name), {0x43}, LittleEndian(value)});
}

inline Bytes U32Value(const std::string& name, uint32_t value) {
    return Concat({{0xF8}, Name(name), {0x03}, LittleEndian(value)});
}

inline Bytes U64Value(const std::string& name, uint64_t value) {
    return Concat({{0xF8}, Name(name), {0x07}, LittleEndian(value)});
}

inline Bytes I64Value(const std::string& name, int64_t value) {
    return Concat({{0xF8}, Name(name), {0x47}, LittleEndian(value)});
}

// A narrow text value: its character count with the terminator, then the characters and the terminator.
inline Bytes NarrowValue(const std::string& name, const std::string& text) {
    Bytes value = Concat({{0xF8}, Name(name), {0x80}, LittleEndian(static_cast<uint32_t>(text.size() + 1))});
    value.insert(value.end(), text.begin(), text.end());
    value.push_back(0);
    return value;
}

// A wide text value: its character count with the terminator, then 16-bit characters and the terminator.
inline Bytes WideValue(const std::string& name, const std::string& text) {
    Bytes value = Concat({{0xF8}, Name(name), {0x81}, LittleEndian(static_cast<uint32_t>(text.size() + 1))});
    for (const char c : text + '\0') {
        value.insert(value.end(), {static_cast<uint8_t>(c), 0x00});
    }
    return value;
}

// A byte block value: its u32 length, then the bytes.
inline Bytes BlobValue(const std::string& name, const Bytes& data) {
    return Concat({{0xF8}, Name(name), {0xC0}, LittleEndian(static_cast<uint32_t>(data.size())), data});
}

inline common::NarrowString Key(const char* text) {
    return common::NarrowString(text);
}

// One write or read through an archive.
using ArchiveStep = std::function<bool(common::RecordArchive&)>;

// The bytes that write leaves in an archive; write must succeed.
inline Bytes Archived(const ArchiveStep& write) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    common::RecordArchive archive(stream);
    EXPECT_TRUE(write(archive));
    return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

// Whether read succeeds over the bytes; with consumedAll, also whether it read exactly all of them.
inline bool Reads(Bytes bytes, const ArchiveStep& read, bool* consumedAll = nullptr) {
    common::MemoryStream stream;
    stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
    common::RecordArchive archive(stream);
    const bool succeeded = read(archive);
    if (consumedAll != nullptr) {
        *consumedAll = stream.Tell() == stream.Size();
    }
    return succeeded;
}

// Whether read succeeds over the bytes and, when it does, reads all of them.
inline bool ReadsWhole(Bytes bytes, const ArchiveStep& read) {
    bool consumedAll = false;
    return Reads(std::move(bytes), read, &consumedAll) && consumedAll;
}

// Steps that write or read a node's own chunk, or its whole state (its own chunk and its children's).
inline ArchiveStep SavingOwnData(emu::TreeNode& node) {
    return [&node](common::RecordArchive& archive) { return node.SaveOwnData(archive); };
}

inline ArchiveStep LoadingOwnData(emu::TreeNode& node) {
    return [&node](common::RecordArchive& archive) { return node.LoadOwnData(archive, nullptr); };
}

inline ArchiveStep SavingState(emu::TreeNode& node) {
    return [&node](common::RecordArchive& archive) { return node.SaveState(archive); };
}

inline ArchiveStep LoadingState(emu::TreeNode& node) {
    return [&node](common::RecordArchive& archive) { return node.LoadState(archive, nullptr); };
}

inline Bytes SavedState(emu::TreeNode& node) {
    return Archived(SavingState(node));
}

// Loads the bytes into node; with consumedAll, also whether the load read exactly all of them.
inline bool LoadState(emu::TreeNode& node, Bytes bytes, bool* consumedAll = nullptr) {
    return Reads(std::move(bytes), LoadingState(node), consumedAll);
}

} // namespace test_support
