#pragma once

#include "common/String.h"

#include <optional>
#include <string>
#include <string_view>

namespace common {

// A string of 16-bit characters (UTF-16 code units) on every platform; narrow text assigned to it widens byte by
// byte. Paths and user-interface texts are wide.
class WideString : public String {
public:
    WideString() = default;
    WideString(const char* text);
    WideString(const char16_t* text);
    WideString(const WideString& other);
    WideString(WideString&& other) noexcept;
    WideString& operator=(const WideString& other);
    WideString& operator=(WideString&& other) noexcept;

    // A copy of this string with the narrow text appended.
    WideString operator+(const char* suffix) const;

    int Kind() const override { return 2; }
    int CharSize() const override { return 2; }
    const void* Data() const override { return text.c_str(); }
    int Length() const override { return static_cast<int>(text.size()); }
    std::unique_ptr<String> Substr(int pos, int count) const override;
    void Clear() override;
    // A copy cut to the low byte of each character, made on first use after every change.
    const char* GetNarrow() const override;
    const char16_t* GetWide() const override { return text.c_str(); }
    void Assign(const char* source, int length = -1) override;
    void Assign(const char16_t* source) override;
    void Assign(const String& other) override;
    void Append(const char* source) override;
    void Append(const char16_t* source) override;
    void Append(const String& other) override;
    void Erase(int pos, int count) override;
    void ToUpper() override;

    std::u16string_view View() const { return text; }

private:
    void Changed() { narrowCopy.reset(); }

    std::u16string text;
    mutable std::optional<std::string> narrowCopy;
};

} // namespace common
