#include "common/RecordArchive.h"

#include "common/NarrowString.h"
#include "common/WideString.h"

#include <array>
#include <limits>
#include <type_traits>
#include <vector>

namespace common {

namespace {

constexpr int64_t kLargestStringRecord = 0xFFFF;
constexpr uint8_t kBlobType = 0xC0;
constexpr uint8_t kStringTypeBase = 0x80;

// Integer type bytes: the size in bytes minus 1 in bits 0-2, bit 6 for signed values.
template <typename T>
constexpr uint8_t IntegerType() {
    return static_cast<uint8_t>((sizeof(T) - 1) | (std::is_signed_v<T> ? 0x40 : 0));
}

// The characters of a string as stored: bytes, or 16-bit little-endian units; optionally with the terminator.
std::vector<uint8_t> StoredCharacters(const String& text, bool withTerminator) {
    const int length = text.Length() + (withTerminator ? 1 : 0);
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(length) * text.CharSize());
    if (text.CharSize() == 1) {
        const auto* characters = static_cast<const uint8_t*>(text.Data());
        bytes.assign(characters, characters + length);
    } else {
        const auto* characters = static_cast<const char16_t*>(text.Data());
        for (int i = 0; i < length; ++i) {
            bytes.push_back(static_cast<uint8_t>(characters[i]));
            bytes.push_back(static_cast<uint8_t>(characters[i] >> 8));
        }
    }
    return bytes;
}

bool WriteBytes(ByteStream& stream, const std::vector<uint8_t>& bytes) {
    return stream.Write(bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size());
}

// Wide characters from little-endian bytes, up to (not including) the first zero character.
std::u16string WideCharacters(const std::vector<uint8_t>& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == 0) {
            break;
        }
        text += c;
    }
    return text;
}

// Reads a string record's characters as narrow text (kind 1) or wide text (kind 2), each up to its first zero.
bool ReadStringRecordText(ByteStream& stream, int& kind, std::string& narrow, std::u16string& wide) {
    std::array<uint8_t, 4> header{};
    if (stream.Read(header.data(), header.size()) != 4 || header[1] != (header[0] ^ header[2] ^ header[3])) {
        return false;
    }
    const int charSize = (header[0] & 0x80) ? ((header[0] >> 4) & 7) + 1 : 0;
    kind = header[0] & 0x0F;
    if (!(kind == 1 && charSize == 1) && !(kind == 2 && charSize == 2)) {
        return false;
    }
    std::vector<uint8_t> bytes(header[2] | (header[3] << 8));
    if (stream.Read(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size())) {
        return false;
    }
    if (kind == 1) {
        narrow.assign(bytes.begin(), bytes.end());
        narrow.resize(TextLength(narrow.c_str()));
    } else {
        wide = WideCharacters(bytes);
    }
    return true;
}

} // namespace

bool WriteStringRecord(ByteStream& stream, const String& text) {
    const int64_t length = text.ByteSize();
    const int charSize = text.CharSize();
    if (length > kLargestStringRecord || charSize > 8) {
        return false;
    }
    const uint8_t kind =
        static_cast<uint8_t>((text.Kind() & 0x0F) | (charSize != 0 ? 0x80 | ((charSize - 1) << 4) : 0));
    const uint8_t low = static_cast<uint8_t>(length);
    const uint8_t high = static_cast<uint8_t>(length >> 8);
    const std::array<uint8_t, 4> header = {kind, static_cast<uint8_t>(kind ^ low ^ high), low, high};
    return stream.Write(header.data(), header.size()) == 4 && WriteBytes(stream, StoredCharacters(text, false));
}

bool ReadStringRecord(ByteStream& stream, String& target) {
    int kind = 0;
    std::string narrow;
    std::u16string wide;
    if (!ReadStringRecordText(stream, kind, narrow, wide)) {
        return false;
    }
    if (kind == 1) {
        target.Assign(narrow.c_str());
    } else {
        target.Assign(wide.c_str());
    }
    return true;
}

std::unique_ptr<String> ReadStringRecord(ByteStream& stream) {
    int kind = 0;
    std::string narrow;
    std::u16string wide;
    if (!ReadStringRecordText(stream, kind, narrow, wide)) {
        return nullptr;
    }
    if (kind == 1) {
        return std::make_unique<NarrowString>(narrow.c_str());
    }
    return std::make_unique<WideString>(wide.c_str());
}

bool RecordArchive::WriteValueHeader(const String& name, uint8_t type) {
    return stream->Write(&kValueRecordMarker, 1) == 1 && WriteStringRecord(*stream, name) &&
           stream->Write(&type, 1) == 1;
}

bool RecordArchive::ReadValueHeader(const String& name, uint8_t& type) {
    uint8_t marker = 0;
    return stream->Read(&marker, 1) == 1 && marker == kValueRecordMarker && ExpectName(name) &&
           stream->Read(&type, 1) == 1;
}

template <typename T>
bool RecordArchive::WriteInteger(T value, const String& name) {
    return WriteValueHeader(name, IntegerType<T>()) && WriteLittleEndian(*stream, value);
}

template <typename T>
bool RecordArchive::ReadInteger(T& value, const String& name) {
    uint8_t type = 0;
    return ReadValueHeader(name, type) && type == IntegerType<T>() && ReadLittleEndian(*stream, value);
}

bool RecordArchive::WriteRecordU8(uint8_t value, const String& name) {
    return WriteInteger(value, name);
}
bool RecordArchive::WriteRecordU16(uint16_t value, const String& name) {
    return WriteInteger(value, name);
}
bool RecordArchive::WriteRecordU32(uint32_t value, const String& name) {
    return WriteInteger(value, name);
}
bool RecordArchive::WriteRecordU64(uint64_t value, const String& name) {
    return WriteInteger(value, name);
}
bool RecordArchive::WriteRecordI8(int8_t value, const String& name) {
    return WriteInteger(value, name);
}
bool RecordArchive::WriteRecordI16(int16_t value, const String& name) {
    return WriteInteger(value, name);
}
bool RecordArchive::WriteRecordI32(int32_t value, const String& name) {
    return WriteInteger(value, name);
}
bool RecordArchive::WriteRecordI64(int64_t value, const String& name) {
    return WriteInteger(value, name);
}
bool RecordArchive::WriteRecordBool(bool value, const String& name) {
    return WriteInteger<int8_t>(value, name);
}

bool RecordArchive::ReadRecordU8(uint8_t& value, const String& name) {
    return ReadInteger(value, name);
}
bool RecordArchive::ReadRecordU16(uint16_t& value, const String& name) {
    return ReadInteger(value, name);
}
bool RecordArchive::ReadRecordU32(uint32_t& value, const String& name) {
    return ReadInteger(value, name);
}
bool RecordArchive::ReadRecordU64(uint64_t& value, const String& name) {
    return ReadInteger(value, name);
}
bool RecordArchive::ReadRecordI8(int8_t& value, const String& name) {
    return ReadInteger(value, name);
}
bool RecordArchive::ReadRecordI16(int16_t& value, const String& name) {
    return ReadInteger(value, name);
}
bool RecordArchive::ReadRecordI32(int32_t& value, const String& name) {
    return ReadInteger(value, name);
}
bool RecordArchive::ReadRecordI64(int64_t& value, const String& name) {
    return ReadInteger(value, name);
}

bool RecordArchive::ReadRecordBool(bool& value, const String& name) {
    int8_t stored = 0;
    if (!ReadInteger(stored, name)) {
        return false;
    }
    value = stored != 0;
    return true;
}

bool RecordArchive::WriteRecordString(const String& value, const String& name) {
    const int charSize = value.CharSize();
    return charSize >= 1 && WriteValueHeader(name, static_cast<uint8_t>(kStringTypeBase | (charSize - 1))) &&
           WriteLittleEndian(*stream, static_cast<uint32_t>(value.Length() + 1)) &&
           WriteBytes(*stream, StoredCharacters(value, true));
}

bool RecordArchive::ReadRecordString(String& value, const String& name) {
    uint8_t type = 0;
    uint32_t count = 0;
    if (!ReadValueHeader(name, type) || (type != kStringTypeBase && type != (kStringTypeBase | 1)) ||
        !ReadLittleEndian(*stream, count) || count == 0) {
        return false;
    }
    // The count is checked against what the stream holds before anything is allocated for it.
    const int64_t position = stream->Tell();
    if (position < 0 || position + count > stream->Size()) {
        return false;
    }
    const int charSize = type == kStringTypeBase ? 1 : 2;
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * charSize);
    if (stream->Read(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size())) {
        return false;
    }
    if (charSize == 1) {
        if (bytes.back() != 0) {
            return false;
        }
        value.Assign(reinterpret_cast<const char*>(bytes.data()));
    } else {
        if (bytes[bytes.size() - 2] != 0 || bytes.back() != 0) {
            return false;
        }
        value.Assign(WideCharacters(bytes).c_str());
    }
    return value.Length() == static_cast<int64_t>(count) - 1;
}

bool RecordArchive::WriteRecordBlob(const void* data, int64_t length, const String& name) {
    if (length < 0 || length > std::numeric_limits<uint32_t>::max()) {
        return false;
    }
    return WriteValueHeader(name, kBlobType) && WriteLittleEndian(*stream, static_cast<uint32_t>(length)) &&
           stream->Write(data, length) == length;
}

bool RecordArchive::ReadRecordBlob(void* buffer, int64_t length, const String& name) {
    uint8_t type = 0;
    uint32_t stored = 0;
    return length >= 0 && length <= std::numeric_limits<uint32_t>::max() && ReadValueHeader(name, type) &&
           type == kBlobType && ReadLittleEndian(*stream, stored) && stored == length &&
           stream->Read(buffer, length) == length;
}

bool RecordArchive::WriteMarker(uint8_t marker, const String& name) {
    return stream->Write(&marker, 1) == 1 && WriteStringRecord(*stream, name);
}

bool RecordArchive::ReadMarker(const String& expected, uint8_t marker, String* nameOut) {
    uint8_t stored = 0;
    if (stream->Read(&stored, 1) != 1 || stored != marker) {
        return false;
    }
    return nameOut != nullptr ? ReadStringRecord(*stream, *nameOut) : ExpectName(expected);
}

bool RecordArchive::ExpectName(const String& expected) {
    const std::unique_ptr<String> name = ReadStringRecord(*stream);
    return name != nullptr && expected.Compare(*name) == 0;
}

} // namespace common
