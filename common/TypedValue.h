#pragma once

#include "common/ByteStream.h"
#include "common/String.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace common {

// The type of a typed value. Bit 0x10 marks an integer, 0x20 a signed one; an integer's low four bits give its
// width in bytes. Settings files store the low byte.
enum class ValueTag : uint8_t {
    Empty = 0x00,
    Pointer = 0x01, // never stored
    U8 = 0x11,
    U16 = 0x12,
    U32 = 0x14,
    U64 = 0x18,
    I8 = 0x31,
    I16 = 0x32,
    I32 = 0x34,
    I64 = 0x38,
    Bool = 0x40,
    String = 0x80,
};

// One setting or property: an integer of a stated width and signedness, a boolean, a string or an untyped
// pointer. Integer getters succeed only when the value lies in the range of the asked type; setters answer
// false and change nothing when they cannot store the value.
//
// Value record, as settings files hold it: check byte ((tag >> 4) ^ tag) & 0x0F, tag byte, then the integer
// little-endian in its width, a boolean as 0xFF or 0x00, or a string as a string record.
class TypedValue {
public:
    virtual ~TypedValue() = default;
    TypedValue(const TypedValue&) = delete;
    TypedValue& operator=(const TypedValue&) = delete;

    ValueTag Tag() const { return tag; }
    // Makes the value untyped.
    virtual void Clear() = 0;
    // Sets the value to zero, false, null or the empty string, keeping its type.
    virtual void Reset() = 0;

    bool SetU8(uint8_t value) { return SetInteger(value); }
    bool SetU16(uint16_t value) { return SetInteger(value); }
    bool SetU32(uint32_t value) { return SetInteger(value); }
    bool SetU64(uint64_t value) { return SetInteger(value); }
    bool SetI8(int8_t value) { return SetInteger(value); }
    bool SetI16(int16_t value) { return SetInteger(value); }
    bool SetI32(int32_t value) { return SetInteger(value); }
    bool SetI64(int64_t value) { return SetInteger(value); }
    bool SetBool(bool value) { return StoreBool(value); }
    bool SetString(const String& value) { return StoreString(value); }
    bool SetPointer(void* value) { return StorePointer(value); }

    bool GetU8(uint8_t& value) const { return GetInteger(value); }
    bool GetU16(uint16_t& value) const { return GetInteger(value); }
    bool GetU32(uint32_t& value) const { return GetInteger(value); }
    bool GetU64(uint64_t& value) const { return GetInteger(value); }
    bool GetI8(int8_t& value) const { return GetInteger(value); }
    bool GetI16(int16_t& value) const { return GetInteger(value); }
    bool GetI32(int32_t& value) const { return GetInteger(value); }
    bool GetI64(int64_t& value) const { return GetInteger(value); }
    bool GetBool(bool& value) const;
    // Assigns the held string to value.
    bool GetString(String& value) const;
    // The held string object itself; null when the value is not a string.
    String* GetStringObject() const { return tag == ValueTag::String ? StringObject() : nullptr; }
    // A copy of the held string in its own width; null when the value is not a string.
    std::unique_ptr<String> CloneString() const;
    bool GetPointer(void*& value) const;

    // Stores the source's value with the setter of the source's type: an owning value takes that type, a bound
    // value keeps its own and its range. False for an empty source.
    bool AssignFrom(const TypedValue& source);
    // Reads a value record and stores it with the setter of the record's type.
    bool ReadValue(ByteStream& stream);
    // As ReadValue; first sets changed to whether the current value differs from the record's.
    bool ReadValueChanged(ByteStream& stream, bool& changed);
    // Writes the value record; refused, writing nothing, for an empty or pointer value.
    bool WriteValue(ByteStream& stream) const;

protected:
    // An integer of any type: its bits sign-extended (signed) or zero-extended to 64.
    struct Integer {
        uint64_t bits = 0;
        bool isSigned = false;
    };

    TypedValue() = default;

    // type is the tag of the setter used.
    virtual bool StoreInteger(ValueTag type, Integer value) = 0;
    virtual std::optional<Integer> LoadInteger() const = 0;
    virtual bool StoreBool(bool value) = 0;
    virtual std::optional<bool> LoadBool() const = 0;
    virtual bool StoreString(const String& value) = 0;
    virtual String* StringObject() const = 0;
    virtual bool StorePointer(void* value) = 0;
    virtual std::optional<void*> LoadPointer() const = 0;

    static bool IsInteger(ValueTag type) { return (static_cast<uint8_t>(type) & 0x10) != 0; }
    static bool IsSigned(ValueTag type) { return (static_cast<uint8_t>(type) & 0x20) != 0; }
    static int WidthOf(ValueTag type) { return static_cast<uint8_t>(type) & 0x0F; }
    // Whether the integer lies in the range of the integer type.
    static bool Fits(Integer value, ValueTag type);

    ValueTag tag = ValueTag::Empty;

private:
    template <typename T>
    bool SetInteger(T value) {
        return StoreInteger(TagOf<T>(), {static_cast<uint64_t>(value), std::is_signed_v<T>});
    }

    template <typename T>
    bool GetInteger(T& value) const {
        const std::optional<Integer> held = LoadInteger();
        if (!held || !Fits(*held, TagOf<T>())) {
            return false;
        }
        value = static_cast<T>(held->bits);
        return true;
    }

    template <typename T>
    static constexpr ValueTag TagOf() {
        return static_cast<ValueTag>(0x10 | sizeof(T) | (std::is_signed_v<T> ? 0x20 : 0));
    }

    bool ReadRecord(ByteStream& stream, bool* changed);
};

} // namespace common
