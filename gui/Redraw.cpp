#include "gui/Redraw.h"

#include "gui/DrawingContext.h"
#include "gui/Window.h"

namespace gui {

void SavedClip::Restore(DrawingContext& context) const {
    if (!captured) {
        return;
    }
    if (held) {
        context.SetBounds(clip);
    } else {
        context.ClearBounds();
    }
}

bool PrepareRedraw(Window& window, int32_t x, int32_t y, int32_t w, int32_t h, RedrawArea& area) {
    if (!window.IsVisible(false)) {
        return false;
    }
    int32_t boundsX = 0;
    int32_t boundsY = 0;
    int32_t boundsWidth = 0;
    int32_t boundsHeight = 0;
    window.GetBounds(boundsX, boundsY, boundsWidth, boundsHeight);
    if (w < 0) {
        w = boundsWidth - x;
    }
    if (h < 0) {
        h = boundsHeight - y;
    }
    if (x >= boundsWidth || y >= boundsHeight) {
        return false;
    }
    if (x < 0) {
        w += x;
        x = 0;
    }
    if (y < 0) {
        h += y;
        y = 0;
    }
    if (w > boundsWidth - x) {
        w = boundsWidth - x;
    }
    if (h > boundsHeight - y) {
        h = boundsHeight - y;
    }
    if (w <= 0 || h <= 0) {
        return false;
    }

    area.x = x;
    area.y = y;
    area.width = w;
    area.height = h;
    area.originX = 0;
    area.originY = 0;
    area.context = window.GetGraphics(area.originX, area.originY);
    area.windowRect = {area.originX, area.originY, area.originX + boundsWidth - 1, area.originY + boundsHeight - 1};
    area.dirtyRect = {area.originX + x, area.originY + y, area.originX + x + w - 1, area.originY + y + h - 1};
    return true;
}

bool PaintFace(Window& window, const RedrawArea& area, bool restoreClip, SavedClip& saved, Rect* painted) {
    DrawingContext* context = area.context;
    if (context == nullptr) {
        return false;
    }
    saved.captured = true;
    saved.held = context->GetBounds(saved.clip);
    if (!context->Begin()) {
        return false;
    }
    if (saved.held && area.windowRect.Overlaps(saved.clip)) {
        context->SetBounds(area.windowRect.Intersect(saved.clip));
    } else {
        context->SetBounds(area.windowRect);
    }
    const bool drawn = window.Draw(context, area.windowRect, area.dirtyRect, nullptr);
    if (restoreClip) {
        saved.Restore(*context);
    }
    context->End();
    if (drawn && painted != nullptr) {
        *painted = area.dirtyRect;
    }
    return drawn;
}

} // namespace gui
