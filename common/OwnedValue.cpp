#include "common/OwnedValue.h"

namespace common {

void OwnedValue::Retype(ValueTag type) {
    string.reset();
    tag = type;
}

void OwnedValue::Clear() {
    Retype(ValueTag::Empty);
}

void OwnedValue::Reset() {
    bits = 0;
    pointer = nullptr;
    if (string) {
        string->Clear();
    }
}

bool OwnedValue::StoreInteger(ValueTag type, Integer value) {
    Retype(type);
    bits = value.bits;
    return true;
}

std::optional<TypedValue::Integer> OwnedValue::LoadInteger() const {
    if (!IsInteger(tag)) {
        return std::nullopt;
    }
    return Integer{bits, IsSigned(tag)};
}

bool OwnedValue::StoreBool(bool value) {
    Retype(ValueTag::Bool);
    bits = value ? 1 : 0;
    return true;
}

std::optional<bool> OwnedValue::LoadBool() const {
    return tag == ValueTag::Bool ? std::optional<bool>(bits != 0) : std::nullopt;
}

bool OwnedValue::StoreString(const String& value) {
    std::unique_ptr<String> copy = value.Substr(0, value.Length());
    Retype(ValueTag::String);
    string = std::move(copy);
    return true;
}

bool OwnedValue::StorePointer(void* value) {
    Retype(ValueTag::Pointer);
    pointer = value;
    return true;
}

std::optional<void*> OwnedValue::LoadPointer() const {
    return tag == ValueTag::Pointer ? std::optional<void*>(pointer) : std::nullopt;
}

} // namespace common
