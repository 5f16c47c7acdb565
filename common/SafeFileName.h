// Names that programs inside the emulated machine (or a typed command) hand over for a file beside others in one
// host folder: a name that could leave the folder or reach a device is refused the same way on every host.
#pragma once

#include <string>
#include <string_view>

namespace common {

// Whether the name names a plain file inside a folder on every host: not empty, not "." or "..", without '/', '\',
// ':' or a control byte (below 0x20, or 0x7F), and no device name of the Windows host (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, in any case, with or without an extension and blanks before it).
bool IsAllowedFileName(std::string_view name);
bool IsAllowedFileName(std::u16string_view name);

// The name for a message: control bytes shown as '?'.
std::string PrintableFileName(std::string_view name);

} // namespace common
