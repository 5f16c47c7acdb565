#pragma once

#include "common/String.h"

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace common {

// The implementation both string widths share: the text in its own width, and a copy in the other width made
// on demand for GetNarrow or GetWide and dropped by every change. Plain is the concrete string that Substr makes.
template <typename Char, typename Plain>
class BasicString : public String {
public:
    using OtherChar = std::conditional_t<std::is_same_v<Char, char>, char16_t, char>;

    int Kind() const override { return sizeof(Char); } // 1 narrow, 2 wide
    int CharSize() const override { return sizeof(Char); }
    const void* Data() const override { return text.c_str(); }
    int Length() const override { return static_cast<int>(text.size()); }
    std::unique_ptr<String> Substr(int pos, int count) const override;
    void Clear() override;
    const char* GetNarrow() const override { return TextIn<char>(); }
    const char16_t* GetWide() const override { return TextIn<char16_t>(); }
    void Assign(const char* source, int length = -1) override;
    void Assign(const char16_t* source) override;
    void Assign(const String& other) override;
    void Append(const char* source) override;
    void Append(const char16_t* source) override;
    void Append(const String& other) override;
    void Erase(int pos, int count) override;
    void ToUpper() override;

    std::basic_string_view<Char> View() const { return text; }

protected:
    BasicString() = default;
    BasicString(const BasicString& other) : String(), text(other.text) {}
    BasicString(BasicString&& other) noexcept : text(std::move(other.text)) { other.Changed(); }
    BasicString& operator=(const BasicString& other);
    BasicString& operator=(BasicString&& other) noexcept;

private:
    template <typename Wanted>
    const Wanted* TextIn() const {
        if constexpr (std::is_same_v<Wanted, Char>) {
            return text.c_str();
        } else {
            if (!otherCopy) {
                otherCopy = ConvertTo<OtherChar>(std::basic_string_view<Char>(text));
            }
            return otherCopy->c_str();
        }
    }

    template <typename To, typename From>
    static std::basic_string<To> ConvertTo(std::basic_string_view<From> source) {
        if constexpr (std::is_same_v<To, From>) {
            return std::basic_string<To>(source);
        } else if constexpr (std::is_same_v<To, char16_t>) {
            return WidenText(source);
        } else {
            return NarrowText(source);
        }
    }

    static const Char* InOwnWidth(const String& other) {
        if constexpr (std::is_same_v<Char, char>) {
            return other.GetNarrow();
        } else {
            return other.GetWide();
        }
    }

    void Changed() { otherCopy.reset(); }

    std::basic_string<Char> text;
    mutable std::optional<std::basic_string<OtherChar>> otherCopy;
};

} // namespace common
