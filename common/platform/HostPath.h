// Paths as the host's file functions take them: UTF-16 wchar_t text on Windows, UTF-8 bytes elsewhere. The rest
// of the program keeps paths as 16-bit text.
#pragma once

#include <string>
#include <string_view>

namespace common::platform {

#ifdef _WIN32
using HostPathString = std::wstring;
#else
using HostPathString = std::string;
#endif

// Unpaired surrogates become U+FFFD on the way to UTF-8; bytes that are not UTF-8 come back one character each.
HostPathString ToHostPath(std::u16string_view path);
std::u16string FromHostPath(const HostPathString& path);

} // namespace common::platform
