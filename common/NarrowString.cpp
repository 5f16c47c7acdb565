#include "common/NarrowString.h"

#include "common/IndexRange.h"

namespace common {

NarrowString::NarrowString(const char* text) : text(text ? text : "") {}

NarrowString::NarrowString(const NarrowString& other) : String(), text(other.text) {}

NarrowString::NarrowString(NarrowString&& other) noexcept : text(std::move(other.text)) {
    other.Changed();
}

NarrowString& NarrowString::operator=(const NarrowString& other) {
    Assign(other);
    return *this;
}

NarrowString& NarrowString::operator=(NarrowString&& other) noexcept {
    text = std::move(other.text);
    Changed();
    other.Changed();
    return *this;
}

std::unique_ptr<String> NarrowString::Substr(int pos, int count) const {
    const IndexRange range = IndexRange::Clamp(Length(), pos, count);
    auto part = std::make_unique<NarrowString>();
    part->text = text.substr(range.first, range.count);
    return part;
}

void NarrowString::Clear() {
    text.clear();
    Changed();
}

const char16_t* NarrowString::GetWide() const {
    if (!wideCopy) {
        wideCopy = WidenText(text);
    }
    return wideCopy->c_str();
}

void NarrowString::Assign(const char* source, int length) {
    if (source == nullptr || length == 0) {
        Clear();
        return;
    }
    text.assign(source, TextLength(source, length));
    Changed();
}

void NarrowString::Assign(const char16_t* source) {
    text = NarrowText(source ? source : u"");
    Changed();
}

void NarrowString::Assign(const String& other) {
    if (&other != this) {
        Assign(other.GetNarrow());
    }
}

void NarrowString::Append(const char* source) {
    text.append(source ? source : "");
    Changed();
}

void NarrowString::Append(const char16_t* source) {
    text += NarrowText(source ? source : u"");
    Changed();
}

void NarrowString::Append(const String& other) {
    Append(other.GetNarrow());
}

void NarrowString::Erase(int pos, int count) {
    const IndexRange range = IndexRange::Clamp(Length(), pos, count);
    text.erase(range.first, range.count);
    Changed();
}

void NarrowString::ToUpper() {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    Changed();
}

} // namespace common
