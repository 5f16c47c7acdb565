#include "gui/DrawingContext.h"

namespace gui {

bool DrawingContext::DrawPolyline(const int32_t* points, int32_t count) {
    if (count < 1 || !MoveTo(points[0], points[1])) {
        return false;
    }
    for (int32_t i = 1; i < count; ++i) {
        if (!LineTo(points[2 * i], points[2 * i + 1])) {
            return false;
        }
    }
    return true;
}

bool DrawingContext::DrawImageNow(bool* done, common::Image& image, const Rect* source, const Rect* destination,
                                  common::Image* mask) {
    if (done != nullptr) {
        *done = false;
    }
    return DrawImage(image, source, destination, mask);
}

} // namespace gui
