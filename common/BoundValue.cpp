#include "common/BoundValue.h"

#include <type_traits>

namespace common {

namespace {

// Calls visit with a null pointer of the integer type the tag names; false for a tag that names none.
template <typename Visit>
bool WithIntegerType(ValueTag tag, Visit&& visit) {
    switch (tag) {
    case ValueTag::U8:
        visit(static_cast<uint8_t*>(nullptr));
        return true;
    case ValueTag::U16:
        visit(static_cast<uint16_t*>(nullptr));
        return true;
    case ValueTag::U32:
        visit(static_cast<uint32_t*>(nullptr));
        return true;
    case ValueTag::U64:
        visit(static_cast<uint64_t*>(nullptr));
        return true;
    case ValueTag::I8:
        visit(static_cast<int8_t*>(nullptr));
        return true;
    case ValueTag::I16:
        visit(static_cast<int16_t*>(nullptr));
        return true;
    case ValueTag::I32:
        visit(static_cast<int32_t*>(nullptr));
        return true;
    case ValueTag::I64:
        visit(static_cast<int64_t*>(nullptr));
        return true;
    default:
        return false;
    }
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
    return IsInteger(tag) && Fits(value, tag) && WithIntegerType(tag, [&](auto* type) {
               using T = std::remove_pointer_t<decltype(type)>;
               *static_cast<T*>(variable) = static_cast<T>(value.bits);
           });
}

std::optional<TypedValue::Integer> BoundValue::LoadInteger() const {
    Integer value;
    const bool isInteger = WithIntegerType(tag, [&](auto* type) {
        using T = std::remove_pointer_t<decltype(type)>;
        value = {static_cast<uint64_t>(*static_cast<const T*>(variable)), std::is_signed_v<T>};
    });
    return isInteger ? std::optional<Integer>(value) : std::nullopt;
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
