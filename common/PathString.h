#pragma once

#include "common/NarrowString.h"
#include "common/WideString.h"

#include <memory>

namespace common {

// The wide string that names files and folders; a path that names a folder ends with the separator.
class PathString : public WideString {
public:
    PathString() = default;
    PathString(const char* text) : WideString(text) {}
    PathString(const char16_t* text) : WideString(text) {}
    PathString(const NarrowString& text) : WideString(text.GetNarrow()) {}
    PathString(const WideString& text) : WideString(text) {}

    // A new path with a copy of this one's text; a new empty path.
    std::unique_ptr<PathString> Clone() const;
    static std::unique_ptr<PathString> NewEmpty();
};

} // namespace common
