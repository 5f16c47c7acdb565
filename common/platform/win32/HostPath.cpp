#include "common/platform/HostPath.h"

namespace common::platform {

// wchar_t holds UTF-16 code units on Windows: the text passes unchanged.
HostPathString ToHostPath(std::u16string_view path) {
    return HostPathString(path.begin(), path.end());
}

std::u16string FromHostPath(const HostPathString& path) {
    return std::u16string(path.begin(), path.end());
}

} // namespace common::platform
