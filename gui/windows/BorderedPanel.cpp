#include "gui/windows/BorderedPanel.h"

#include "gui/windows/GdiDrawingContext.h"

namespace gui::Windows {

namespace {

constexpr DWORD kOwnerDrawnStatic = WS_CHILD | WS_CLIPSIBLINGS | SS_NOTIFY | SS_OWNERDRAW;

UINT EdgeOf(int32_t style) {
    switch (style) {
    case kRaisedBorder:
        return EDGE_RAISED;
    case kSunkenBorder:
        return EDGE_SUNKEN;
    case kEtchedBorder:
        return EDGE_ETCHED;
    case kBumpBorder:
        return EDGE_BUMP;
    default:
        return 0;
    }
}

} // namespace

BorderedPanel::BorderedPanel(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dockMode, int32_t borderStyle,
                             bool visible)
    : BorderedPanelBase(dockMode, borderStyle), NativeContainerControl(x, y, w, h, dockMode, visible) {}

BorderedPanel::BorderedPanel(const Bounds& bounds, int32_t dockMode, int32_t borderStyle, bool visible, int32_t unit)
    : BorderedPanelBase(dockMode, borderStyle), NativeContainerControl(bounds, dockMode, visible, unit) {}

BorderedPanel::~BorderedPanel() {
    MarkDestroying();
    closing = true;
}

bool BorderedPanel::Create() {
    if (IsCreated()) {
        return true;
    }
    if (!MakeWindow(L"STATIC", kOwnerDrawnStatic)) {
        return false;
    }
    return NativeContainerControl::Create();
}

bool BorderedPanel::GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    if (!NativeContainerControl::GetClientRect(x, y, w, h)) {
        return false;
    }
    RemoveBorders(x, y, w, h);
    return true;
}

bool BorderedPanel::Draw(DrawingContext* context, const Rect& bounds, const Rect& clip, Rect* extent) {
    if (extent != nullptr || painting || closing) {
        return false;
    }
    auto* gdi = dynamic_cast<GdiDrawingContext*>(context);
    if (gdi == nullptr || gdi->GetDc() == nullptr) {
        return false;
    }
    painting = true;
    HDC dc = gdi->GetDc();
    HRGN region = CreateRectRgn(clip.left, clip.top, clip.right + 1, clip.bottom + 1);
    SelectClipRgn(dc, region);
    RECT area{bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1};
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    if (const UINT edge = EdgeOf(GetBorderStyle()); edge != 0) {
        const UINT sides = (BorderLeft() ? BF_LEFT : 0) | (BorderTop() ? BF_TOP : 0) | (BorderRight() ? BF_RIGHT : 0) |
                           (BorderBottom() ? BF_BOTTOM : 0);
        DrawEdge(dc, &area, edge, sides);
    }
    SelectClipRgn(dc, nullptr);
    DeleteObject(region);
    painting = false;
    return true;
}

LRESULT BorderedPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        return -1; // Draw paints the background
    }
    return NativeContainerControl::HandleMessage(message, wParam, lParam);
}

} // namespace gui::Windows
