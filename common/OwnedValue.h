#pragma once

#include "common/TypedValue.h"

#include <memory>

namespace common {

// A typed value that holds its own value and takes the type of each value stored into it. Starts empty.
class OwnedValue : public TypedValue {
public:
    OwnedValue() = default;

    void Clear() override;
    void Reset() override;
    // Releases the held string, if any, and makes the value empty.
    void ReleaseValue() { Clear(); }

protected:
    bool StoreInteger(ValueTag type, Integer value) override;
    std::optional<Integer> LoadInteger() const override;
    bool StoreBool(bool value) override;
    std::optional<bool> LoadBool() const override;
    bool StoreString(const String& value) override;
    String* StringObject() const override { return string.get(); }
    bool StorePointer(void* value) override;
    std::optional<void*> LoadPointer() const override;

private:
    // Makes room for a value of the given type.
    void Retype(ValueTag type);

    uint64_t bits = 0; // integers extended to 64 bits; a boolean as 0 or 1
    void* pointer = nullptr;
    std::unique_ptr<String> string;
};

} // namespace common
