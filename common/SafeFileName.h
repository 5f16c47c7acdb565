// Names that programs inside the emulated machine (or a typed command) hand over for a file beside others in one
// host folder: a name that could leave the folder or reach a device is refused the same way on every host. And
// paths whose form alone says that the Windows host would reach a device or another host with them.
#pragma once

#include <string>
#include <string_view>

namespace common {

// Whether the name names a plain file inside a folder on every host: not empty, not "." or "..", without '/', '\',
// ':' or a control byte (below 0x20, or 0x7F), and no device name of the Windows host (IsHostDeviceName).
bool IsAllowedFileName(std::string_view name);
bool IsAllowedFileName(std::u16string_view name);

// Whether the Windows host takes the path component for a device: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9,
// COM¹-COM³, LPT1-LPT9 or LPT¹-LPT³, in any case, with or without an extension, blanks before it or a stream after a
// colon.
bool IsHostDeviceName(std::u16string_view name);

// Whether the path reaches a device on the Windows host: a device namespace ("\\.\", and "\\?\" or "\??\" but
// for a drive letter or a UNC share; either separator), or a last component that is a device name.
bool IsDevicePath(std::u16string_view path);

// Whether the path names a file on another host: "\\host\share\..." with either separator, also in its "\\?\UNC\"
// form.
bool IsNetworkPath(std::u16string_view path);

// The name for a message: control bytes shown as '?'.
std::string PrintableFileName(std::string_view name);

} // namespace common
