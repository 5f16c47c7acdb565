#include "common/BasicString.h"

#include "common/IndexRange.h"
#include "common/NarrowString.h"
#include "common/WideString.h"

namespace common {

template <typename Char, typename Plain>
BasicString<Char, Plain>& BasicString<Char, Plain>::operator=(const BasicString& other) {
    if (&other != this) {
        text = other.text;
        Changed();
    }
    return *this;
}

template <typename Char, typename Plain>
BasicString<Char, Plain>& BasicString<Char, Plain>::operator=(BasicString&& other) noexcept {
    text = std::move(other.text);
    Changed();
    other.Changed();
    return *this;
}

template <typename Char, typename Plain>
std::unique_ptr<String> BasicString<Char, Plain>::Substr(int pos, int count) const {
    const IndexRange range = IndexRange::Clamp(Length(), pos, count);
    auto part = std::make_unique<Plain>();
    static_cast<BasicString&>(*part).text = text.substr(range.first, range.count);
    return part;
}

template <typename Char, typename Plain>
void BasicString<Char, Plain>::Clear() {
    text.clear();
    Changed();
}

template <typename Char, typename Plain>
void BasicString<Char, Plain>::Assign(const char* source, int length) {
    if (source == nullptr || length == 0) {
        Clear();
        return;
    }
    text = ConvertTo<Char>(std::string_view(source, TextLength(source, length)));
    Changed();
}

template <typename Char, typename Plain>
void BasicString<Char, Plain>::Assign(const char16_t* source) {
    text = ConvertTo<Char>(std::u16string_view(source ? source : u""));
    Changed();
}

template <typename Char, typename Plain>
void BasicString<Char, Plain>::Assign(const String& other) {
    if (&other != this) {
        Assign(InOwnWidth(other));
    }
}

template <typename Char, typename Plain>
void BasicString<Char, Plain>::Append(const char* source) {
    text += ConvertTo<Char>(std::string_view(source ? source : ""));
    Changed();
}

template <typename Char, typename Plain>
void BasicString<Char, Plain>::Append(const char16_t* source) {
    text += ConvertTo<Char>(std::u16string_view(source ? source : u""));
    Changed();
}

template <typename Char, typename Plain>
void BasicString<Char, Plain>::Append(const String& other) {
    Append(InOwnWidth(other));
}

template <typename Char, typename Plain>
void BasicString<Char, Plain>::Erase(int pos, int count) {
    const IndexRange range = IndexRange::Clamp(Length(), pos, count);
    text.erase(range.first, range.count);
    Changed();
}

template <typename Char, typename Plain>
void BasicString<Char, Plain>::ToUpper() {
    for (Char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<Char>(c - 'a' + 'A');
        }
    }
    Changed();
}

template class BasicString<char, NarrowString>;
template class BasicString<char16_t, WideString>;

} // namespace common
