// Resolves a user-interface text id to its text in the current language; empty for an id it does not know.
// The front end's text tables provide it; option nodes ask it for the captions they are given by id.
#pragma once

#include "common/WideString.h"

#include <cstdint>
#include <functional>

namespace common {

using TextLookup = std::function<WideString(int32_t id)>;

} // namespace common
