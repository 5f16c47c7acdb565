#pragma once

#include "common/String.h"

#include <optional>
#include <string>
#include <string_view>

namespace common {

// A string of 8-bit characters; wide text assigned to it keeps the low byte of each character.
class NarrowString : public String {
public:
    NarrowString() = default;
    NarrowString(const char* text);
    NarrowString(const NarrowString& other);
    NarrowString(NarrowString&& other) noexcept;
    NarrowString& operator=(const NarrowString& other);
    NarrowString& operator=(NarrowString&& other) noexcept;

    int Kind() const override { return 1; }
    int CharSize() const override { return 1; }
    const void* Data() const override { return text.c_str(); }
    int Length() const override { return static_cast<int>(text.size()); }
    std::unique_ptr<String> Substr(int pos, int count) const override;
    void Clear() override;
    const char* GetNarrow() const override { return text.c_str(); }
    // A widened copy, made on first use after every change.
    const char16_t* GetWide() const override;
    void Assign(const char* source, int length = -1) override;
    void Assign(const char16_t* source) override;
    void Assign(const String& other) override;
    void Append(const char* source) override;
    void Append(const char16_t* source) override;
    void Append(const String& other) override;
    void Erase(int pos, int count) override;
    void ToUpper() override;

    std::string_view View() const { return text; }

private:
    void Changed() { wideCopy.reset(); }

    std::string text;
    mutable std::optional<std::u16string> wideCopy;
};

} // namespace common
