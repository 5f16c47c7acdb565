// The toolkit's colour record: a colour may be left unset, meaning "not given" (use the default).
#pragma once

#include "common/Image.h"

#include <cstdint>

namespace gui {

struct Colour {
    uint8_t unset = 1; // non-zero: no colour given
    common::Colour argb = common::kDefaultColour;

    static constexpr Colour Of(common::Colour argb) { return Colour{0, argb}; }
    constexpr bool IsSet() const { return unset == 0; }

    // R | G << 8 | B << 16 as GDI wants it; alpha is ignored and an unset colour is black.
    constexpr uint32_t ToColorRef() const {
        if (!IsSet()) {
            return 0;
        }
        return (argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16;
    }
    // The opaque colour of a GDI COLORREF.
    static constexpr Colour FromColorRef(uint32_t colorRef) {
        return Of(0xFF000000 | (colorRef & 0xFF) << 16 | (colorRef & 0xFF00) | (colorRef >> 16 & 0xFF));
    }

    // Two unset colours are equal whatever their values.
    friend constexpr bool operator==(const Colour& a, const Colour& b) {
        return a.unset == b.unset && (a.unset != 0 || a.argb == b.argb);
    }
};

} // namespace gui
