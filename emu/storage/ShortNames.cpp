#include "emu/storage/ShortNames.h"

#include <algorithm>
#include <set>

namespace emu {

namespace {

constexpr std::string_view kInvalidCharacters = "\"*+,/:;<=>?[\\]|";
constexpr std::array<std::string_view, 22> kDeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

// Upper case, with everything a short name cannot hold as '_' (a surrogate pair is one character); replaced
// tells whether any was.
std::string UpperName(std::u16string_view name, bool& replaced) {
    replaced = false;
    std::string upper;
    for (size_t at = 0; at < name.size(); ++at) {
        const char16_t unit = name[at];
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < name.size() && name[at + 1] >= 0xDC00 &&
            name[at + 1] <= 0xDFFF) {
            ++at;
        }
        if (unit >= 0x80 || unit < 0x20 || unit == 0x7F ||
            kInvalidCharacters.find(static_cast<char>(unit)) != std::string_view::npos) {
            upper.push_back('_');
            replaced = true;
        } else if (unit >= 'a' && unit <= 'z') {
            upper.push_back(static_cast<char>(unit - 'a' + 'A'));
        } else {
            upper.push_back(static_cast<char>(unit));
        }
    }
    return upper;
}

void Place(ShortName& target, std::string_view name, std::string_view extension) {
    target.fill(' ');
    std::copy(name.begin(), name.end(), target.begin());
    std::copy(extension.begin(), extension.end(), target.begin() + 8);
}

std::string_view NamePart(const ShortName& name) {
    const std::string_view all(name.data(), 8);
    return all.substr(0, all.find_last_not_of(' ') + 1);
}

std::string_view ExtensionPart(const ShortName& name) {
    const std::string_view all(name.data() + 8, 3);
    const size_t last = all.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : all.substr(0, last + 1);
}

} // namespace

ShortName ShortNameBasis(std::u16string_view name, bool& exact) {
    bool replaced = false;
    const std::string upper = UpperName(name, replaced);
    std::string stripped;
    std::copy_if(upper.begin(), upper.end(), std::back_inserter(stripped), [](char c) { return c != ' '; });
    stripped.erase(0, stripped.find_first_not_of('.'));
    const size_t firstDot = stripped.find('.');
    const size_t lastDot = stripped.rfind('.');
    std::string base = stripped.substr(0, std::min<size_t>(firstDot, stripped.size())).substr(0, 8);
    const std::string extension = lastDot == std::string::npos ? std::string() : stripped.substr(lastDot + 1, 3);
    if (base.empty()) {
        base = "_";
    }
    ShortName result{};
    Place(result, base, extension);
    exact = !replaced && ShortNameText(result) == upper &&
            std::find(kDeviceNames.begin(), kDeviceNames.end(), base) == kDeviceNames.end();
    return result;
}

std::vector<ShortName> MakeShortNames(const std::vector<std::u16string_view>& names) {
    std::vector<ShortName> result(names.size());
    std::vector<bool> named(names.size(), false);
    std::set<ShortName> taken;
    for (size_t index = 0; index < names.size(); ++index) {
        bool exact = false;
        result[index] = ShortNameBasis(names[index], exact);
        if (exact && taken.insert(result[index]).second) {
            named[index] = true;
        }
    }
    for (size_t index = 0; index < names.size(); ++index) {
        if (named[index]) {
            continue;
        }
        const std::string base(NamePart(result[index]));
        const std::string extension(ExtensionPart(result[index]));
        // A folder holds far fewer entries than the tails a six-digit number gives.
        for (int number = 1; number < 1000000; ++number) {
            const std::string tail = "~" + std::to_string(number);
            ShortName candidate{};
            Place(candidate, base.substr(0, 8 - tail.size()) + tail, extension);
            if (taken.insert(candidate).second) {
                result[index] = candidate;
                break;
            }
        }
    }
    return result;
}

std::string ShortNameText(const ShortName& name) {
    std::string text(NamePart(name));
    const std::string_view extension = ExtensionPart(name);
    if (!extension.empty()) {
        text += '.';
        text += extension;
    }
    return text;
}

} // namespace emu
