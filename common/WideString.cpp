#include "common/WideString.h"

#include "common/IndexRange.h"

namespace common {

WideString::WideString(const char* text) {
    Assign(text);
}

WideString::WideString(const char16_t* text) : text(text ? text : u"") {}

WideString::WideString(const WideString& other) : String(), text(other.text) {}

WideString::WideString(WideString&& other) noexcept : text(std::move(other.text)) {
    other.Changed();
}

WideString& WideString::operator=(const WideString& other) {
    Assign(other);
    return *this;
}

WideString& WideString::operator=(WideString&& other) noexcept {
    text = std::move(other.text);
    Changed();
    other.Changed();
    return *this;
}

WideString WideString::operator+(const char* suffix) const {
    WideString result(*this);
    result.Append(suffix);
    return result;
}

std::unique_ptr<String> WideString::Substr(int pos, int count) const {
    const IndexRange range = IndexRange::Clamp(Length(), pos, count);
    auto part = std::make_unique<WideString>();
    part->text = text.substr(range.first, range.count);
    return part;
}

void WideString::Clear() {
    text.clear();
    Changed();
}

const char* WideString::GetNarrow() const {
    if (!narrowCopy) {
        narrowCopy = NarrowText(text);
    }
    return narrowCopy->c_str();
}

void WideString::Assign(const char* source, int length) {
    if (source == nullptr || length == 0) {
        Clear();
        return;
    }
    text = WidenText(std::string_view(source, TextLength(source, length)));
    Changed();
}

void WideString::Assign(const char16_t* source) {
    text = source ? source : u"";
    Changed();
}

void WideString::Assign(const String& other) {
    if (&other != this) {
        Assign(other.GetWide());
    }
}

void WideString::Append(const char* source) {
    text += WidenText(source ? source : "");
    Changed();
}

void WideString::Append(const char16_t* source) {
    text.append(source ? source : u"");
    Changed();
}

void WideString::Append(const String& other) {
    Append(other.GetWide());
}

void WideString::Erase(int pos, int count) {
    const IndexRange range = IndexRange::Clamp(Length(), pos, count);
    text.erase(range.first, range.count);
    Changed();
}

void WideString::ToUpper() {
    for (char16_t& c : text) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    Changed();
}

} // namespace common
