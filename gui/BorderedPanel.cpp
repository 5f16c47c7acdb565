#include "gui/BorderedPanel.h"

namespace gui {

namespace {

constexpr int32_t kEdge = 2;

// One axis: the origin moves past a leading edge and the size loses both edges; a size below 0 becomes 0 with
// the origin back where it was.
void RemoveEdges(int32_t& origin, int32_t& size, bool leading, bool trailing) {
    const int32_t unadjusted = origin;
    if (leading) {
        origin += kEdge;
        size -= kEdge;
    }
    if (trailing) {
        size -= kEdge;
    }
    if (size < 0) {
        size = 0;
        origin = unadjusted;
    }
}

} // namespace

void BorderedPanelBase::Changed() {
    LayoutChildren();
    Invalidate(0, 0, -1, -1);
}

void BorderedPanelBase::SetBorderStyle(int32_t style) {
    if (style == borderStyle) {
        return;
    }
    borderStyle = style;
    Changed();
}

void BorderedPanelBase::SetBorders(bool left, bool top, bool right, bool bottom) {
    if (left == borderLeft && top == borderTop && right == borderRight && bottom == borderBottom) {
        return;
    }
    borderLeft = left;
    borderTop = top;
    borderRight = right;
    borderBottom = bottom;
    Changed();
}

void BorderedPanelBase::RemoveBorders(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const {
    if (borderStyle == kNoBorder) {
        return;
    }
    RemoveEdges(x, w, borderLeft, borderRight);
    RemoveEdges(y, h, borderTop, borderBottom);
}

} // namespace gui
