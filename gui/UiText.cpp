#include "gui/UiText.h"

#include <utility>

namespace gui {

namespace {

common::TextLookup& Lookup() {
    static common::TextLookup lookup;
    return lookup;
}

} // namespace

void SetUiTextLookup(common::TextLookup lookup) {
    Lookup() = std::move(lookup);
}

common::WideString GetUiText(int32_t id) {
    const common::TextLookup& lookup = Lookup();
    return lookup ? lookup(id) : common::WideString();
}

} // namespace gui
