#include "common/String.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace common {

namespace {

char16_t Unit(char c) {
    return static_cast<unsigned char>(c);
}
char16_t Unit(char16_t c) {
    return c;
}

bool IsWhiteSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Calls visit with the string's characters as a std::string_view or a std::u16string_view.
template <typename Visitor>
auto VisitText(const String& text, Visitor&& visit) {
    if (text.CharSize() == 1) {
        return visit(std::string_view(static_cast<const char*>(text.Data()), text.Length()));
    }
    return visit(std::u16string_view(static_cast<const char16_t*>(text.Data()), text.Length()));
}

template <typename A, typename B>
int CompareUnits(A a, B b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        if (Unit(a[i]) != Unit(b[i])) {
            return Unit(a[i]) < Unit(b[i]) ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

template <typename Text>
int CompareWith(const String& self, Text other) {
    return VisitText(self, [&](auto text) { return CompareUnits(text, other); });
}

int FindUnit(const String& text, char16_t c, int start) {
    return VisitText(text, [&](auto units) {
        for (size_t i = std::max(start, 0); i < units.size(); ++i) {
            if (Unit(units[i]) == c) {
                return static_cast<int>(i);
            }
        }
        return -1;
    });
}

int ReverseFindUnit(const String& text, char16_t c, int start) {
    const int length = text.Length();
    const int from = (start >= 0 && start <= length) ? start : length;
    return VisitText(text, [&](auto units) {
        for (int i = from - 1; i >= 0; --i) {
            if (Unit(units[i]) == c) {
                return i;
            }
        }
        return -1;
    });
}

} // namespace

char String::CharAt(int index) const {
    return static_cast<char>(WideCharAt(index) & 0xFF);
}

char16_t String::WideCharAt(int index) const {
    if (index < 0 || index >= Length()) {
        return 0;
    }
    return VisitText(*this, [&](auto units) { return Unit(units[index]); });
}

void String::Insert(const char* text, int pos) {
    if (text == nullptr) {
        return;
    }
    const int length = Length();
    if (length == 0) {
        Assign(text, -1);
        return;
    }
    if (pos >= length) {
        Append(text);
        return;
    }
    pos = std::max(pos, 0);
    const std::unique_ptr<String> tail = Substr(pos, length - pos);
    Erase(pos, length - pos);
    Append(text);
    Append(*tail);
}

void String::InsertChar(char c, int pos) {
    const char text[2] = {c, 0};
    Insert(text, pos);
}

void String::Trim() {
    int end = Length();
    while (end > 0 && IsWhiteSpace(WideCharAt(end - 1))) {
        --end;
    }
    Erase(end, Length() - end);
    int first = 0;
    while (first < end && IsWhiteSpace(WideCharAt(first))) {
        ++first;
    }
    Erase(0, first);
}

int String::Compare(const char* text) const {
    return CompareWith(*this, std::string_view(text ? text : ""));
}

int String::Compare(const char16_t* text) const {
    return CompareWith(*this, std::u16string_view(text ? text : u""));
}

int String::Compare(const String& other) const {
    return VisitText(other, [&](auto text) { return CompareWith(*this, text); });
}

bool String::TailEquals(const String& other, int n) const {
    if (n <= 0) {
        return true;
    }
    const int length = Length();
    const int otherLength = other.Length();
    if (length < n || otherLength < n) {
        return length == otherLength;
    }
    return VisitText(*this, [&](auto mine) {
        return VisitText(other, [&](auto theirs) {
            return CompareUnits(mine.substr(length - n), theirs.substr(otherLength - n)) == 0;
        });
    });
}

int String::Find(char c, int start) const {
    return FindUnit(*this, Unit(c), start);
}

int String::FindWide(char16_t c, int start) const {
    return FindUnit(*this, c, start);
}

int String::ReverseFind(char c, int start) const {
    return ReverseFindUnit(*this, Unit(c), start);
}

int String::ReverseFindWide(char16_t c, int start) const {
    return ReverseFindUnit(*this, c, start);
}

void String::FormatV(const char* format, std::span<const FormatArg> args) {
    std::string text;
    AppendFormatted(text, format, args);
    Append(text.c_str());
}

std::u16string WidenText(std::string_view text) {
    std::u16string wide(text.size(), u'\0');
    std::transform(text.begin(), text.end(), wide.begin(), [](char c) { return Unit(c); });
    return wide;
}

std::string NarrowText(std::u16string_view text) {
    std::string narrow;
    for (const char16_t c : text) {
        if ((c & 0xFF) == 0) {
            break;
        }
        narrow += static_cast<char>(c & 0xFF);
    }
    return narrow;
}

size_t TextLength(const char* text, int maxLength) {
    const size_t limit = maxLength < 0 ? std::string_view::npos : static_cast<size_t>(maxLength);
    size_t length = 0;
    while (length < limit && text[length] != 0) {
        ++length;
    }
    return length;
}

bool StringLess(const String& a, const String& b) {
    return a.Compare(b) < 0;
}

} // namespace common
