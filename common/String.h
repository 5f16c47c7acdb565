#pragma once

#include "common/FormatArg.h"

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace common {

// A text of 8-bit (narrow) or 16-bit (wide) characters. Any string can be assigned from, appended to and compared
// with any other, whatever its width: a byte widens to the character of the same value (U+0000-U+00FF), and a
// character narrows to its low byte, a zero-terminated narrow copy ending at the first character whose low byte
// is zero. Indexes, positions and counts are in characters; a null text argument counts as the empty text.
class String {
public:
    virtual ~String() = default;

    virtual int Kind() const = 0; // 1 narrow, 2 wide
    virtual int CharSize() const = 0;
    // The characters, zero-terminated; never null.
    virtual const void* Data() const = 0;
    virtual int Length() const = 0;
    int ByteSize() const { return Length() * CharSize(); }
    bool IsEmpty() const { return Length() == 0; }

    // A new string of the same width with the characters [pos, pos + count) that exist; a negative pos counts
    // from before the start, so Substr(-1, 3) takes two characters. Empty when nothing is covered.
    virtual std::unique_ptr<String> Substr(int pos, int count) const = 0;
    virtual void Clear() = 0;

    // The character at index as a byte (low 8 bits of a wide one) or as a 16-bit character; 0 out of range.
    char CharAt(int index) const;
    char16_t WideCharAt(int index) const;

    // The text in the other width (or the string's own): valid until the string changes or goes away.
    virtual const char* GetNarrow() const = 0;
    virtual const char16_t* GetWide() const = 0;

    // A negative length takes the text up to its terminator; otherwise at most length characters of it.
    virtual void Assign(const char* text, int length = -1) = 0;
    virtual void Assign(const char16_t* text) = 0;
    virtual void Assign(const String& other) = 0;
    virtual void Append(const char* text) = 0;
    virtual void Append(const char16_t* text) = 0;
    virtual void Append(const String& other) = 0;
    // Inserts before pos: at the front for a negative pos, at the end for pos at or past the end. A null text
    // inserts nothing.
    void Insert(const char* text, int pos);
    void InsertChar(char c, int pos);
    // Removes the characters [pos, pos + count) that exist.
    virtual void Erase(int pos, int count) = 0;
    // Removes white space (tab, line feed, vertical tab, form feed, carriage return, space) from both ends.
    void Trim();
    // Upper-cases a to z; other characters stay as they are.
    virtual void ToUpper() = 0;

    // Code unit by code unit as unsigned values, the shorter text first when one is the start of the other.
    // Only the sign of the result counts.
    int Compare(const char* text) const;
    int Compare(const char16_t* text) const;
    int Compare(const String& other) const;
    // Whether the last n characters of both strings are equal; true for n <= 0. When either string is shorter
    // than n, whether both have the same length.
    bool TailEquals(const String& other, int n) const;

    // The first index at or after start holding c, or -1; a negative start counts as 0.
    int Find(char c, int start = 0) const;
    int FindWide(char16_t c, int start = 0) const;
    // The last index below start holding c, or -1; a start outside [0, Length] searches the whole string.
    int ReverseFind(char c, int start = -1) const;
    int ReverseFindWide(char16_t c, int start = -1) const;

    // printf-style formatting (see AppendFormatted): Format replaces the text, AppendFormat adds to it.
    template <typename... Args>
    void Format(const char* format, const Args&... args) {
        Clear();
        AppendFormat(format, args...);
    }

    template <typename... Args>
    void AppendFormat(const char* format, const Args&... args) {
        const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
        FormatV(format, list);
    }

    void FormatV(const char* format, std::span<const FormatArg> args);

protected:
    String() = default;
    String(const String&) = default;
    String& operator=(const String&) = default;
};

// Each byte becomes the character of the same value.
std::u16string WidenText(std::string_view text);
// Each character becomes its low byte, up to the first character whose low byte is zero.
std::string NarrowText(std::u16string_view text);

// Characters of a zero-terminated text, at most maxLength of them unless maxLength is negative.
size_t TextLength(const char* text, int maxLength = -1);

// Strict weak order of strings by Compare, for maps keyed by strings.
bool StringLess(const String& a, const String& b);

struct StringLessOrder {
    bool operator()(const String& a, const String& b) const { return StringLess(a, b); }
};

} // namespace common
