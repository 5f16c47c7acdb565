#pragma once

#include "common/TypedValue.h"

#include <cstdint>

namespace common {

// A typed value bound to a variable that lives elsewhere (a field of a device or of the settings). It reads and
// writes the variable in place, keeps the variable's type for life and refuses values outside its range. The
// variable must outlive the binding. A new bound value is an untyped placeholder that accepts nothing.
class BoundValue : public TypedValue {
public:
    BoundValue() = default;

    // Binds the variable, taking its type; a null variable leaves the value untyped.
    void Bind(uint8_t* variable) { BindAs(ValueTag::U8, variable); }
    void Bind(uint16_t* variable) { BindAs(ValueTag::U16, variable); }
    void Bind(uint32_t* variable) { BindAs(ValueTag::U32, variable); }
    void Bind(uint64_t* variable) { BindAs(ValueTag::U64, variable); }
    void Bind(int8_t* variable) { BindAs(ValueTag::I8, variable); }
    void Bind(int16_t* variable) { BindAs(ValueTag::I16, variable); }
    void Bind(int32_t* variable) { BindAs(ValueTag::I32, variable); }
    void Bind(int64_t* variable) { BindAs(ValueTag::I64, variable); }
    void Bind(bool* variable) { BindAs(ValueTag::Bool, variable); }
    void Bind(String* variable) { BindAs(ValueTag::String, variable); }
    void Bind(void** variable) { BindAs(ValueTag::Pointer, variable); }

    // The variable is no longer reachable through this value.
    void Clear() override { BindAs(ValueTag::Empty, nullptr); }
    void Reset() override;

protected:
    bool StoreInteger(ValueTag type, Integer value) override;
    std::optional<Integer> LoadInteger() const override;
    bool StoreBool(bool value) override;
    std::optional<bool> LoadBool() const override;
    bool StoreString(const String& value) override;
    String* StringObject() const override;
    bool StorePointer(void* value) override;
    std::optional<void*> LoadPointer() const override;

private:
    void BindAs(ValueTag type, void* bound) {
        tag = bound != nullptr ? type : ValueTag::Empty;
        variable = tag == ValueTag::Empty ? nullptr : bound;
    }

    void* variable = nullptr;
};

} // namespace common
