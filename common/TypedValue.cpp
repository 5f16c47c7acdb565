#include "common/TypedValue.h"

#include "common/RecordArchive.h"

#include <array>

namespace common {

namespace {

uint8_t CheckByte(ValueTag tag) {
    const auto bits = static_cast<uint8_t>(tag);
    return ((bits >> 4) ^ bits) & 0x0F;
}

bool IsStoredTag(uint8_t bits) {
    switch (static_cast<ValueTag>(bits)) {
    case ValueTag::U8:
    case ValueTag::U16:
    case ValueTag::U32:
    case ValueTag::U64:
    case ValueTag::I8:
    case ValueTag::I16:
    case ValueTag::I32:
    case ValueTag::I64:
    case ValueTag::Bool:
    case ValueTag::String:
        return true;
    default:
        return false;
    }
}

} // namespace

bool TypedValue::Fits(Integer value, ValueTag type) {
    const int bits = WidthOf(type) * 8;
    const bool negative = value.isSigned && static_cast<int64_t>(value.bits) < 0;
    if (negative) {
        return IsSigned(type) && (bits == 64 || static_cast<int64_t>(value.bits) >= -(int64_t{1} << (bits - 1)));
    }
    const uint64_t largest = IsSigned(type) ? (uint64_t{1} << (bits - 1)) - 1
                             : bits == 64   ? ~uint64_t{0}
                                            : (uint64_t{1} << bits) - 1;
    return value.bits <= largest;
}

bool TypedValue::GetBool(bool& value) const {
    const std::optional<bool> held = LoadBool();
    if (held) {
        value = *held;
    }
    return held.has_value();
}

bool TypedValue::GetString(String& value) const {
    const String* held = GetStringObject();
    if (held != nullptr) {
        value.Assign(*held);
    }
    return held != nullptr;
}

std::unique_ptr<String> TypedValue::CloneString() const {
    const String* held = GetStringObject();
    return held != nullptr ? held->Substr(0, held->Length()) : nullptr;
}

bool TypedValue::GetPointer(void*& value) const {
    const std::optional<void*> held = LoadPointer();
    if (held) {
        value = *held;
    }
    return held.has_value();
}

bool TypedValue::AssignFrom(const TypedValue& source) {
    if (IsInteger(source.tag)) {
        const std::optional<Integer> value = source.LoadInteger();
        return value && StoreInteger(source.tag, *value);
    }
    switch (source.tag) {
    case ValueTag::Bool:
        return StoreBool(*source.LoadBool());
    case ValueTag::Pointer:
        return StorePointer(*source.LoadPointer());
    case ValueTag::String:
        return StoreString(*source.StringObject());
    default:
        return false;
    }
}

bool TypedValue::ReadValue(ByteStream& stream) {
    return ReadRecord(stream, nullptr);
}

bool TypedValue::ReadValueChanged(ByteStream& stream, bool& changed) {
    return ReadRecord(stream, &changed);
}

bool TypedValue::ReadRecord(ByteStream& stream, bool* changed) {
    std::array<uint8_t, 2> header{};
    if (stream.Read(header.data(), 2) != 2 || !IsStoredTag(header[1]) ||
        header[0] != CheckByte(static_cast<ValueTag>(header[1]))) {
        return false;
    }
    const auto type = static_cast<ValueTag>(header[1]);
    if (IsInteger(type)) {
        std::array<uint8_t, 8> bytes{};
        const int width = WidthOf(type);
        if (stream.Read(bytes.data(), width) != width) {
            return false;
        }
        Integer value{0, IsSigned(type)};
        for (int i = 0; i < width; ++i) {
            value.bits |= uint64_t{bytes[i]} << (8 * i);
        }
        if (value.isSigned && width < 8 && (value.bits >> (width * 8 - 1)) != 0) {
            value.bits |= ~uint64_t{0} << (width * 8);
        }
        if (changed != nullptr) {
            const std::optional<Integer> current = LoadInteger();
            *changed = !current || !Fits(*current, type) || current->bits != value.bits;
        }
        return StoreInteger(type, value);
    }
    if (type == ValueTag::Bool) {
        uint8_t byte = 0;
        if (stream.Read(&byte, 1) != 1) {
            return false;
        }
        if (changed != nullptr) {
            *changed = LoadBool() != (byte != 0);
        }
        return StoreBool(byte != 0);
    }
    const std::unique_ptr<String> text = ReadStringRecord(stream);
    if (text == nullptr) {
        return false;
    }
    if (changed != nullptr) {
        const String* current = GetStringObject();
        *changed = current == nullptr || current->Compare(*text) != 0;
    }
    return StoreString(*text);
}

bool TypedValue::WriteValue(ByteStream& stream) const {
    if (!IsStoredTag(static_cast<uint8_t>(tag))) {
        return false;
    }
    const std::array<uint8_t, 2> header = {CheckByte(tag), static_cast<uint8_t>(tag)};
    if (stream.Write(header.data(), 2) != 2) {
        return false;
    }
    if (IsInteger(tag)) {
        std::array<uint8_t, 8> bytes{};
        const uint64_t bits = LoadInteger()->bits;
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
        }
        return stream.Write(bytes.data(), WidthOf(tag)) == WidthOf(tag);
    }
    if (tag == ValueTag::Bool) {
        const uint8_t byte = *LoadBool() ? 0xFF : 0x00;
        return stream.Write(&byte, 1) == 1;
    }
    return WriteStringRecord(stream, *StringObject());
}

} // namespace common
