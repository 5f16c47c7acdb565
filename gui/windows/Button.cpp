#include "gui/windows/Button.h"

#include <algorithm>

namespace gui::Windows {

namespace {

constexpr DWORD kOwnerDrawnButton = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_OWNERDRAW;

Colour SystemColour(int index) {
    return Colour::FromColorRef(GetSysColor(index));
}

// A one-pixel line between two inclusive points' rectangle corners, with a pen of the colour.
void Edge(GdiDrawingContext& context, Colour colour, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    context.GetPen()->Set(colour, 1, kSolidPen, kCopyMode);
    context.MoveTo(x0, y0);
    context.LineTo(x1, y1);
}

// Fills with the light checkerboard of a latched flat button.
void FillChecked(HDC dc, const RECT& box) {
    static const WORD pattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    HBITMAP bits = CreateBitmap(8, 8, 1, 1, pattern);
    HBRUSH brush = bits != nullptr ? CreatePatternBrush(bits) : nullptr;
    if (brush == nullptr) {
        FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    } else {
        const COLORREF text = SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        const COLORREF background = SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        FillRect(dc, &box, brush);
        SetTextColor(dc, text);
        SetBkColor(dc, background);
        DeleteObject(brush);
    }
    if (bits != nullptr) {
        DeleteObject(bits);
    }
}

} // namespace

Button::Button(const Bounds& bounds, const common::String& caption, int32_t kind, int32_t dockMode, bool visible,
               int32_t unit)
    : ButtonBase(caption, kind, dockMode), NativeControl(bounds, dockMode, visible, unit) {}

Button::~Button() {
    MarkDestroying();
    closing = true;
}

bool Button::Create() {
    if (IsCreated()) {
        return true;
    }
    if (!MakeWindow(L"BUTTON", kOwnerDrawnButton | (IsEnabled(false) ? 0 : WS_DISABLED))) {
        return false;
    }
    HWND window = GetHandle();
    SetWindowTextW(window, reinterpret_cast<const wchar_t*>(Text().GetWide()));
    // Two quick clicks are two clicks.
    SetClassLongPtrW(window, GCL_STYLE, GetClassLongPtrW(window, GCL_STYLE) & ~static_cast<ULONG_PTR>(CS_DBLCLKS));
    return NativeControl::Create();
}

void Button::SetText(const common::String& text) {
    if (Text().Compare(text) == 0) {
        return;
    }
    ButtonBase::SetText(text);
    if (GetHandle() != nullptr) {
        SetWindowTextW(GetHandle(), reinterpret_cast<const wchar_t*>(Text().GetWide()));
    }
}

void Button::SetImage(common::Image* image) {
    if (image == GetImage()) {
        return;
    }
    ButtonBase::SetImage(image);
    if (image == nullptr || image->GetWidth() == 0 || image->GetHeight() == 0 ||
        !image->MakeMask(mask, image->GetPixelColour(0, 0))) {
        mask.Create(0, 0);
    }
}

void Button::SetKind(int32_t kind) {
    if (kind == GetKind()) {
        return;
    }
    ButtonBase::SetKind(kind);
    Repaint();
}

bool Button::Draw(DrawingContext*, const Rect&, const Rect& dirty, Rect* extent) {
    if (extent != nullptr || inDraw || closing || GetHandle() == nullptr) {
        return false;
    }
    RECT area{dirty.left, dirty.top, dirty.right + 1, dirty.bottom + 1};
    RedrawWindow(GetHandle(), &area, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return true;
}

bool Button::IsHovering() {
    if (hover != 0) {
        return hover > 0;
    }
    POINT point{};
    return GetCursorPos(&point) && WindowFromPoint(point) == GetHandle();
}

LRESULT Button::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = GetHandle();
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && GetFocus() == window) {
            pressed = true;
        }
        break;
    case WM_KEYUP:
        if (wParam == VK_SPACE && pressed && GetFocus() == window) {
            OnClick();
            pressed = false;
        }
        break;
    case WM_LBUTTONDOWN:
        pressed = true;
        if (!IsFocusable() && IsWindowEnabled(window)) {
            // Disabled for the moment of the press, the button never takes the focus.
            EnableWindow(window, FALSE);
            const LRESULT result = NativeControl::HandleMessage(message, wParam, lParam);
            EnableWindow(window, TRUE);
            return result;
        }
        break;
    case WM_LBUTTONUP:
        if (pressed) {
            OnClick();
            pressed = false;
        }
        break;
    case WM_MOUSEMOVE:
        if (hover < 1) {
            hover = 1;
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof(track);
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = window;
            if (!TrackMouseEvent(&track)) {
                hover = 0;
            }
            if (IsFlat()) {
                Repaint();
            }
        }
        break;
    case WM_MOUSELEAVE:
        hover = -1;
        if (IsFlat()) {
            Repaint();
        }
        break;
    case WM_SETFOCUS:
        if (!IsFocusable()) {
            SetFocus(reinterpret_cast<HWND>(wParam));
            return 0;
        }
        break;
    case WM_PAINT:
        return GetPreviousProcedure() != nullptr
                   ? CallWindowProcW(GetPreviousProcedure(), window, message, wParam, lParam)
                   : 0;
    case WM_ERASEBKGND:
        return -1;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item != nullptr && item->hwndItem == window && item->CtlType == ODT_BUTTON) {
            if (!IsLocked()) {
                DrawItem(*item);
            }
            return 1;
        }
        break;
    }
    default:
        break;
    }
    return NativeControl::HandleMessage(message, wParam, lParam);
}

void Button::DrawItem(const DRAWITEMSTRUCT& item) {
    inDraw = true;
    OffscreenSurface surface(GetHandle());
    surface.SetDc(item.hDC);
    if (!Text().IsEmpty()) {
        surface.GetFont()->Assign(GetEffectiveFont());
    }
    if (!surface.Begin()) {
        inDraw = false;
        return;
    }
    HDC dc = item.hDC;
    const bool enabled = IsEnabled(true);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool pushed = selected || IsLatched();
    RECT box = item.rcItem;
    if ((item.itemState & ODS_DEFAULT) != 0) {
        surface.GetPen()->Set(SystemColour(COLOR_3DDKSHADOW), 1, kSolidPen, kCopyMode);
        surface.DrawFrame(box.left, box.top, box.right - 1, box.bottom - 1);
        InflateRect(&box, -1, -1);
    }
    if (!IsFlat()) {
        DrawFrameControl(dc, &box, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE));
        InflateRect(&box, -2, -2);
    } else {
        const bool hovering = IsHovering();
        if ((hovering && enabled) || pushed) {
            const Colour light = SystemColour(COLOR_BTNHIGHLIGHT);
            const Colour dark = SystemColour(COLOR_BTNSHADOW);
            const Colour topLeft = pushed ? dark : light;
            const Colour bottomRight = pushed ? light : dark;
            Edge(surface, topLeft, box.left, box.bottom - 1, box.left, box.top);
            Edge(surface, topLeft, box.left, box.top, box.right, box.top);
            Edge(surface, bottomRight, box.right - 1, box.top, box.right - 1, box.bottom);
            Edge(surface, bottomRight, box.left, box.bottom - 1, box.right, box.bottom - 1);
            InflateRect(&box, -1, -1);
        }
        if (IsLatched() && enabled && !hovering) {
            FillChecked(dc, box);
        } else {
            FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
        }
    }

    common::Image* image = GetImage();
    const bool hasImage = image != nullptr && image->GetWidth() > 0 && image->GetHeight() > 0;
    const int32_t imageWidth = hasImage ? image->GetWidth() : 0;
    const int32_t imageHeight = hasImage ? image->GetHeight() : 0;
    int32_t textWidth = 0;
    int32_t textHeight = 0;
    if (!surface.GetTextExtent(Text(), &textWidth, &textHeight)) {
        textWidth = 0;
        textHeight = 0;
    }
    const int32_t gap = hasImage && textWidth > 0 ? textWidth / Text().Length() : 0;
    const int32_t total = imageWidth + gap + textWidth;
    const int32_t shift = pushed ? 1 : 0;
    const int32_t centreX = (box.left + box.right) / 2 + shift;
    const int32_t centreY = (box.top + box.bottom) / 2 + shift;
    const int32_t left = centreX - total / 2;

    if (hasImage) {
        const Rect place{left, centreY - imageHeight / 2, left + imageWidth - 1,
                         centreY - imageHeight / 2 + imageHeight - 1};
        common::Image* shape = mask.GetWidth() > 0 ? &mask : nullptr;
        if (enabled) {
            surface.DrawImage(*image, nullptr, &place, shape);
        } else if (shape != nullptr) {
            // Only the shape, embossed: a light copy one pixel down and right, the grey one in place.
            common::Colour* palette = mask.EnsurePalette();
            palette[1] = SystemColour(COLOR_BTNHIGHLIGHT).argb;
            const Rect shifted{place.left + 1, place.top + 1, place.right + 1, place.bottom + 1};
            surface.DrawImage(mask, nullptr, &shifted, &mask);
            palette[1] = SystemColour(COLOR_GRAYTEXT).argb;
            surface.DrawImage(mask, nullptr, &place, &mask);
        }
    }
    if (textWidth > 0) {
        const int32_t textLeft = left + total - textWidth;
        const int32_t textTop = centreY - textHeight / 2;
        const Rect text{textLeft, textTop, textLeft + textWidth, textTop + textHeight};
        if (enabled) {
            surface.DrawTextInRect(Text(), text, kAlignLeft | kAlignTop);
        } else {
            Font* font = surface.GetFont();
            font->SetColour(SystemColour(COLOR_BTNHIGHLIGHT));
            surface.DrawTextInRect(Text(), Rect{text.left + 1, text.top + 1, text.right + 1, text.bottom + 1},
                                   kAlignLeft | kAlignTop);
            font->SetColour(SystemColour(COLOR_GRAYTEXT));
            surface.DrawTextInRect(Text(), text, kAlignLeft | kAlignTop);
        }
    }
    if ((item.itemState & ODS_FOCUS) != 0 && enabled) {
        RECT focus = box;
        InflateRect(&focus, -1, -1);
        DrawFocusRect(dc, &focus);
    }
    surface.End();
    inDraw = false;
}

} // namespace gui::Windows
