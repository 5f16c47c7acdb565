#include "common/SafeFileName.h"

#include <algorithm>
#include <array>

namespace common {

namespace {

constexpr std::array<std::u16string_view, 6> kDevices{u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
constexpr std::array<std::u16string_view, 2> kNumberedDevices{u"COM", u"LPT"};
// The host also numbers its ports with the superscript digits of its character set.
constexpr std::u16string_view kSuperscriptDigits = u"\u00B9\u00B2\u00B3";

bool IsControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameLetters(std::u16string_view text, std::u16string_view upper) {
    return text.size() == upper.size() &&
           std::equal(text.begin(), text.end(), upper.begin(), [](char16_t a, char16_t b) { return Upper(a) == b; });
}

bool IsPortNumber(char16_t c) {
    return (c >= u'1' && c <= u'9') || kSuperscriptDigits.find(c) != std::u16string_view::npos;
}

// The text after the last separator, or after a drive's colon.
std::u16string_view LastComponent(std::u16string_view path) {
    const auto found = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    if (found != path.rend()) {
        return path.substr(static_cast<size_t>(path.rend() - found));
    }
    return path.size() >= 2 && path[1] == u':' ? path.substr(2) : path;
}

enum class Namespace { None, Device, Drive, Share };

// What a path's namespace prefix ("\\.\", "\\?\" or "\??\", either separator) opens onto; rest is the path after it.
Namespace NamespaceOf(std::u16string_view path, std::u16string_view& rest) {
    const bool prefixed =
        path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[3]) &&
        ((IsSeparator(path[1]) && (path[2] == u'.' || path[2] == u'?')) || (path[1] == u'?' && path[2] == u'?'));
    if (!prefixed) {
        return Namespace::None;
    }
    rest = path.substr(4);
    if (path[2] == u'.') {
        return Namespace::Device;
    }
    if (rest.size() >= 2 && rest[1] == u':' && Upper(rest[0]) >= u'A' && Upper(rest[0]) <= u'Z') {
        return Namespace::Drive;
    }
    return rest.size() >= 4 && SameLetters(rest.substr(0, 3), u"UNC") && IsSeparator(rest[3]) ? Namespace::Share
                                                                                              : Namespace::Device;
}

} // namespace

// The host takes a name whose part before the first dot or colon, trailing blanks dropped, is a device name for the
// device.
bool IsHostDeviceName(std::u16string_view name) {
    std::u16string_view base = name.substr(0, std::min(name.find_first_of(u".:"), name.size()));
    while (!base.empty() && base.back() == u' ') {
        base.remove_suffix(1);
    }
    if (std::any_of(kDevices.begin(), kDevices.end(),
                    [&](std::u16string_view device) { return SameLetters(base, device); })) {
        return true;
    }
    return base.size() == 4 && IsPortNumber(base[3]) &&
           std::any_of(kNumberedDevices.begin(), kNumberedDevices.end(),
                       [&](std::u16string_view device) { return SameLetters(base.substr(0, 3), device); });
}

bool IsAllowedFileName(std::u16string_view name) {
    if (name.empty() || name == u"." || name == u"..") {
        return false;
    }
    if (std::any_of(name.begin(), name.end(),
                    [](char16_t c) { return c == u'/' || c == u'\\' || c == u':' || IsControl(c); })) {
        return false;
    }
    return !IsHostDeviceName(name);
}

bool IsAllowedFileName(std::string_view name) {
    std::u16string wide(name.size(), u'\0');
    std::transform(name.begin(), name.end(), wide.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return IsAllowedFileName(wide);
}

bool IsDevicePath(std::u16string_view path) {
    std::u16string_view rest;
    return NamespaceOf(path, rest) == Namespace::Device || IsHostDeviceName(LastComponent(path));
}

bool IsNetworkPath(std::u16string_view path) {
    std::u16string_view rest;
    switch (NamespaceOf(path, rest)) {
    case Namespace::Share:
        return true;
    case Namespace::None:
        return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
    default:
        // "\\.\UNC\" reaches a share too.
        return rest.size() >= 4 && SameLetters(rest.substr(0, 3), u"UNC") && IsSeparator(rest[3]);
    }
}

std::string PrintableFileName(std::string_view name) {
    std::string shown(name);
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return IsControl(static_cast<unsigned char>(c)); }, '?');
    return shown;
}

} // namespace common
