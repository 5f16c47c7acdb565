#pragma once

#include "common/ByteStream.h"
#include "common/String.h"

#include <cstdint>
#include <memory>

namespace common {

// Markers of the tagged record format in which every saved state is written: a chunk is its begin marker and
// name, its records, then its end marker and the same name; a value record is its marker, name, type and value.
inline constexpr uint8_t kChunkBeginMarker = 0xF0;
inline constexpr uint8_t kChunkEndMarker = 0xFF;
inline constexpr uint8_t kValueRecordMarker = 0xF8;

// A string record: header byte (kind in bits 0-3, character size - 1 in bits 4-6, bit 7 set), check byte,
// u16 byte length, then the characters without terminator. Names and keys are stored this way. Refused (nothing
// written) for 64 KiB of characters or more.
bool WriteStringRecord(ByteStream& stream, const String& text);
// Reads a narrow (0x81) or wide (0x92) string record into target, up to its first zero character.
bool ReadStringRecord(ByteStream& stream, String& target);
// Reads a string record into a new string of the record's width; null on failure.
std::unique_ptr<String> ReadStringRecord(ByteStream& stream);

// Reads and writes the records of one pass over a byte stream. Reading is strict: the marker, name and type must
// be the expected ones, and the first difference fails; callers then abandon the load.
class RecordArchive {
public:
    // Over a stream the caller keeps.
    explicit RecordArchive(ByteStream& stream) : stream(&stream) {}
    // Over a stream the archive owns.
    explicit RecordArchive(std::unique_ptr<ByteStream> ownedStream)
        : owned(std::move(ownedStream)), stream(owned.get()) {}
    virtual ~RecordArchive() = default;
    RecordArchive(const RecordArchive&) = delete;
    RecordArchive& operator=(const RecordArchive&) = delete;

    ByteStream& Stream() const { return *stream; }

    bool WriteRecordU8(uint8_t value, const String& name);
    bool WriteRecordU16(uint16_t value, const String& name);
    bool WriteRecordU32(uint32_t value, const String& name);
    bool WriteRecordU64(uint64_t value, const String& name);
    bool WriteRecordI8(int8_t value, const String& name);
    bool WriteRecordI16(int16_t value, const String& name);
    bool WriteRecordI32(int32_t value, const String& name);
    bool WriteRecordI64(int64_t value, const String& name);
    // Shares the type of an i8 record: 1 for true, 0 for false.
    bool WriteRecordBool(bool value, const String& name);
    // The characters with their terminator, in the string's own width.
    bool WriteRecordString(const String& value, const String& name);
    bool WriteRecordBlob(const void* data, int64_t length, const String& name);

    bool ReadRecordU8(uint8_t& value, const String& name);
    bool ReadRecordU16(uint16_t& value, const String& name);
    bool ReadRecordU32(uint32_t& value, const String& name);
    bool ReadRecordU64(uint64_t& value, const String& name);
    bool ReadRecordI8(int8_t& value, const String& name);
    bool ReadRecordI16(int16_t& value, const String& name);
    bool ReadRecordI32(int32_t& value, const String& name);
    bool ReadRecordI64(int64_t& value, const String& name);
    // Any non-zero byte reads as true.
    bool ReadRecordBool(bool& value, const String& name);
    // False also when the text holds a zero character before its end (value then holds the text up to it).
    bool ReadRecordString(String& value, const String& name);
    // The stored length must be exactly length.
    bool ReadRecordBlob(void* buffer, int64_t length, const String& name);

    // Writes a chunk begin or end: the marker, then the name.
    bool WriteMarker(uint8_t marker, const String& name);
    // Reads a chunk begin or end: the marker must match; with nameOut the name is read into it, otherwise it must
    // equal expected.
    bool ReadMarker(const String& expected, uint8_t marker, String* nameOut = nullptr);
    // Reads a string record and answers whether it equals expected.
    bool ExpectName(const String& expected);

private:
    template <typename T>
    bool WriteInteger(T value, const String& name);
    template <typename T>
    bool ReadInteger(T& value, const String& name);
    bool WriteValueHeader(const String& name, uint8_t type);
    bool ReadValueHeader(const String& name, uint8_t& type);

    std::unique_ptr<ByteStream> owned;
    ByteStream* stream;
};

} // namespace common
