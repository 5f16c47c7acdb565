// The user-interface texts of the current language, as the front end installs them for the whole process.
#pragma once

#include "common/TextLookup.h"
#include "common/WideString.h"

#include <cstdint>

namespace gui {

// Replaces the lookup; an empty one makes every text empty.
void SetUiTextLookup(common::TextLookup lookup);
// The text of an id, empty when there is none.
common::WideString GetUiText(int32_t id);

} // namespace gui
