// Paths past MAX_PATH open only in their "\\?\" form, which takes a full path with backslashes alone.
#pragma once

#include <windows.h>

#include <string>

namespace common::platform {

// The full form of a host path, "\\?\"-prefixed, without trailing separators but a drive's; the path as it is when
// it cannot be made full.
inline std::wstring LongHostPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return path;
    }
    full.resize(length);
    while (full.size() > 3 && full.back() == L'\\') {
        full.pop_back();
    }
    if (full.rfind(L"\\\\?\\", 0) == 0) {
        return full;
    }
    return full.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
}

} // namespace common::platform
