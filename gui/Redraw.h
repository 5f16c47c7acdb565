// The two halves of every Redraw: the rectangle asked for, cut to the window, and the window's own face painted
// through its drawing context, clipped to the window.
#pragma once

#include "gui/Geometry.h"

#include <cstdint>

namespace gui {

class DrawingContext;
class Window;

struct RedrawArea {
    // The part asked for, in the window's own coordinates, cut to the window.
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    DrawingContext* context = nullptr;
    // The window's origin in the context, the whole window and the part asked for, in context coordinates.
    int32_t originX = 0;
    int32_t originY = 0;
    Rect windowRect;
    Rect dirtyRect;
};

// The clip a context held before a painter changed it; Restore puts it back, or clears it when there was none.
struct SavedClip {
    bool captured = false;
    bool held = false;
    Rect clip;
    void Restore(DrawingContext& context) const;
};

// False when nothing is to be painted: the window is hidden (own flag) or the part lies outside it.
bool PrepareRedraw(Window& window, int32_t x, int32_t y, int32_t w, int32_t h, RedrawArea& area);

// Begins drawing, clips to the window (within the clip already set), calls the window's Draw and ends drawing.
// The clip before is left in saved; it is put back at once when restoreClip is set. True when Draw painted; the
// painted part then goes to painted (when given).
bool PaintFace(Window& window, const RedrawArea& area, bool restoreClip, SavedClip& saved, Rect* painted);

} // namespace gui
