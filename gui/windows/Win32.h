// The Windows headers as the toolkit includes them: the macros that clash with the toolkit's member names go.
#pragma once

#include <windows.h>

#include <commctrl.h>

#undef DrawText
#undef FillMemory

#include <cstdint>

namespace gui::Windows {

// A rectangle as position and size.
inline void SplitRect(const RECT& rect, int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    x = rect.left;
    y = rect.top;
    w = rect.right - rect.left;
    h = rect.bottom - rect.top;
}

} // namespace gui::Windows
