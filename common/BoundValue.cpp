#include "common/BoundValue.h"

namespace common {

namespace {

template <typename T>
uint64_t LoadBits(const void* variable) {
    return static_cast<uint64_t>(*static_cast<const T*>(variable));
}

template <typename T>
void StoreBits(void* variable, uint64_t bits) {
    *static_cast<T*>(variable) = static_cast<T>(bits);
}

} // namespace

void BoundValue::Reset() {
    if (IsInteger(tag)) {
        StoreInteger(tag, {});
    } else if (tag == ValueTag::Bool) {
        StoreBool(false);
    } else if (tag == ValueTag::Pointer) {
        StorePointer(nullptr);
    } else if (tag == ValueTag::String) {
        StringObject()->Clear();
    }
}

bool BoundValue::StoreInteger(ValueTag, Integer value) {
    if (!IsInteger(tag) || !Fits(value, tag)) {
        return false;
    }
    switch (tag) {
    case ValueTag::U8:
        StoreBits<uint8_t>(variable, value.bits);
        break;
    case ValueTag::U16:
        StoreBits<uint16_t>(variable, value.bits);
        break;
    case ValueTag::U32:
        StoreBits<uint32_t>(variable, value.bits);
        break;
    case ValueTag::U64:
        StoreBits<uint64_t>(variable, value.bits);
        break;
    case ValueTag::I8:
        StoreBits<int8_t>(variable, value.bits);
        break;
    case ValueTag::I16:
        StoreBits<int16_t>(variable, value.bits);
        break;
    case ValueTag::I32:
        StoreBits<int32_t>(variable, value.bits);
        break;
    case ValueTag::I64:
        StoreBits<int64_t>(variable, value.bits);
        break;
    default:
        return false;
    }
    return true;
}

std::optional<TypedValue::Integer> BoundValue::LoadInteger() const {
    switch (tag) {
    case ValueTag::U8:
        return Integer{LoadBits<uint8_t>(variable), false};
    case ValueTag::U16:
        return Integer{LoadBits<uint16_t>(variable), false};
    case ValueTag::U32:
        return Integer{LoadBits<uint32_t>(variable), false};
    case ValueTag::U64:
        return Integer{LoadBits<uint64_t>(variable), false};
    case ValueTag::I8:
        return Integer{LoadBits<int8_t>(variable), true};
    case ValueTag::I16:
        return Integer{LoadBits<int16_t>(variable), true};
    case ValueTag::I32:
        return Integer{LoadBits<int32_t>(variable), true};
    case ValueTag::I64:
        return Integer{LoadBits<int64_t>(variable), true};
    default:
        return std::nullopt;
    }
}

bool BoundValue::StoreBool(bool value) {
    if (tag != ValueTag::Bool) {
        return false;
    }
    *static_cast<bool*>(variable) = value;
    return true;
}

std::optional<bool> BoundValue::LoadBool() const {
    return tag == ValueTag::Bool ? std::optional<bool>(*static_cast<const bool*>(variable)) : std::nullopt;
}

bool BoundValue::StoreString(const String& value) {
    if (tag != ValueTag::String) {
        return false;
    }
    static_cast<String*>(variable)->Assign(value);
    return true;
}

String* BoundValue::StringObject() const {
    return tag == ValueTag::String ? static_cast<String*>(variable) : nullptr;
}

bool BoundValue::StorePointer(void* value) {
    if (tag != ValueTag::Pointer) {
        return false;
    }
    *static_cast<void**>(variable) = value;
    return true;
}

std::optional<void*> BoundValue::LoadPointer() const {
    return tag == ValueTag::Pointer ? std::optional<void*>(*static_cast<void* const*>(variable)) : std::nullopt;
}

} // namespace common
