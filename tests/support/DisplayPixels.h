// What the display itself shows, for the Windows tests. What a window's device context reads back need not be what
// the user sees: under Wine a child window's GL picture is in no device context, and a window's device context may
// hold a picture the X display never shows. A test of what the user sees reads the display's own pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

struct DisplayRead {
    // The area's pixels as 0x00RRGGBB, top row first; empty when the display could not be read.
    std::vector<uint32_t> pixels;
    // Why not, when it could not.
    std::string error;
};

// The header of a 32-bit top-down device-independent bitmap: row 0 first in memory.
BITMAPINFO TopDownBitmapInfo(int32_t width, int32_t height);

// A device context's pixels in a rectangle as 0x00RRGGBB, top row first, copied with BitBlt; empty for an empty
// rectangle.
std::vector<uint32_t> CopyDcPixels(HDC source, const RECT& area);

// The pixels of a screen rectangle as the display shows them. Under Wine the X display's own, read with xwd (from
// x11-apps) after the thread's window surfaces went to the display; on Windows the desktop's.
DisplayRead ReadDisplay(const RECT& area);

} // namespace test_support
