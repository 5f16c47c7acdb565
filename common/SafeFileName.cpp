#include "common/SafeFileName.h"

#include <algorithm>
#include <array>

namespace common {

namespace {

constexpr std::array<std::u16string_view, 4> kDevices{u"CON", u"PRN", u"AUX", u"NUL"};
constexpr std::array<std::u16string_view, 2> kNumberedDevices{u"COM", u"LPT"};

bool IsControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameLetters(std::u16string_view text, std::u16string_view upper) {
    return text.size() == upper.size() &&
           std::equal(text.begin(), text.end(), upper.begin(), [](char16_t a, char16_t b) { return Upper(a) == b; });
}

// The host takes a name whose part before the first dot, trailing blanks dropped, is a device name for the device.
bool IsDeviceName(std::u16string_view name) {
    std::u16string_view base = name.substr(0, std::min(name.find(u'.'), name.size()));
    while (!base.empty() && base.back() == u' ') {
        base.remove_suffix(1);
    }
    if (std::any_of(kDevices.begin(), kDevices.end(),
                    [&](std::u16string_view device) { return SameLetters(base, device); })) {
        return true;
    }
    return base.size() == 4 && base[3] >= u'1' && base[3] <= u'9' &&
           std::any_of(kNumberedDevices.begin(), kNumberedDevices.end(),
                       [&](std::u16string_view device) { return SameLetters(base.substr(0, 3), device); });
}

} // namespace

bool IsAllowedFileName(std::u16string_view name) {
    if (name.empty() || name == u"." || name == u"..") {
        return false;
    }
    if (std::any_of(name.begin(), name.end(),
                    [](char16_t c) { return c == u'/' || c == u'\\' || c == u':' || IsControl(c); })) {
        return false;
    }
    return !IsDeviceName(name);
}

bool IsAllowedFileName(std::string_view name) {
    std::u16string wide(name.size(), u'\0');
    std::transform(name.begin(), name.end(), wide.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return IsAllowedFileName(wide);
}

std::string PrintableFileName(std::string_view name) {
    std::string shown(name);
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return IsControl(static_cast<unsigned char>(c)); }, '?');
    return shown;
}

} // namespace common
