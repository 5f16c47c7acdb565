#include "gui/windows/GdiDrawingContext.h"

#include "common/Image.h"

#include <algorithm>
#include <vector>

namespace gui::Windows {

namespace {

int RopOfMode(int32_t mode, int fallback) {
    switch (mode) {
    case kCopyMode:
        return R2_COPYPEN;
    case kXorMode:
        return R2_XORPEN;
    default:
        return fallback;
    }
}

// A BITMAPINFO with room for a full colour table.
struct BitmapInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD colours[256]{};

    BITMAPINFO* Get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

RGBQUAD QuadOf(common::Colour colour) {
    return RGBQUAD{static_cast<BYTE>(colour), static_cast<BYTE>(colour >> 8), static_cast<BYTE>(colour >> 16), 0};
}

// The image as a top-down DIB of its own bit count.
void DescribeImage(common::Image& image, BitmapInfo& info) {
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = image.GetWidth();
    info.header.biHeight = -image.GetHeight();
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(image.BitsPerPixel());
    info.header.biCompression = BI_RGB;
    if (image.ColourKind() == 2) { // grey levels
        info.header.biClrUsed = 256;
        for (uint32_t level = 0; level < 256; ++level) {
            info.colours[level] =
                RGBQUAD{static_cast<BYTE>(level), static_cast<BYTE>(level), static_cast<BYTE>(level), 0};
        }
    } else if (image.ColourKind() == 1) { // palettised
        const uint32_t entries = image.PaletteSize(false);
        const common::Colour* palette = image.EnsurePalette();
        info.header.biClrUsed = entries;
        for (uint32_t entry = 0; entry < entries && entry < 256; ++entry) {
            info.colours[entry] = QuadOf(palette[entry]);
        }
    } else if (image.BitsPerPixel() == 16) { // 5-6-5
        info.header.biCompression = BI_BITFIELDS;
        auto* masks = reinterpret_cast<DWORD*>(info.colours);
        masks[0] = 0xF800;
        masks[1] = 0x07E0;
        masks[2] = 0x001F;
    }
    info.header.biClrImportant = info.header.biClrUsed;
}

} // namespace

UINT DrawTextFlagsOf(uint32_t alignment) {
    switch (alignment) {
    case 0:
        return DT_CENTER | DT_VCENTER;
    case kAlignLeft:
        return DT_VCENTER;
    case kAlignTop:
        return DT_CENTER;
    case kAlignRight:
        return DT_RIGHT | DT_VCENTER;
    case kAlignTop | kAlignRight:
        return DT_RIGHT;
    case kAlignBottom:
        return DT_CENTER | DT_BOTTOM;
    case kAlignBottom | kAlignLeft:
        return DT_BOTTOM;
    case kAlignBottom | kAlignRight:
        return DT_RIGHT | DT_BOTTOM;
    default: // top-left, contradictory or unknown
        return 0;
    }
}

GdiDrawingContext::~GdiDrawingContext() {
    DeselectFont();
    DeselectPen();
    DeselectBrush();
    if (ownsDc && dc != nullptr) {
        ReleaseDC(window, dc);
    }
}

Font* GdiDrawingContext::GetFont() {
    if (!font) {
        font = std::make_unique<GdiFont>(this);
    }
    return font.get();
}

Pen* GdiDrawingContext::GetPen() {
    if (!pen) {
        pen = std::make_unique<GdiPen>(this);
    }
    return pen.get();
}

Brush* GdiDrawingContext::GetBrush() {
    if (!brush) {
        brush = std::make_unique<GdiBrush>(this);
    }
    return brush.get();
}

template <typename Object, typename Handle>
void GdiDrawingContext::Select(Object* object, Handle& selected, HGDIOBJ& previous) {
    if (dc == nullptr || object == nullptr || !object->NeedsHandle()) {
        return;
    }
    Handle handle = object->Acquire();
    if (handle == nullptr) {
        return;
    }
    previous = SelectObject(dc, handle);
    selected = handle;
}

template <typename Object, typename Handle>
void GdiDrawingContext::Deselect(Object* object, Handle& selected, HGDIOBJ previous) {
    if (selected == nullptr) {
        return;
    }
    selected = nullptr;
    if (dc != nullptr) {
        SelectObject(dc, previous);
    }
    object->Release();
}

void GdiDrawingContext::SelectFont() {
    Select(font.get(), selectedFont, previousFont);
}

void GdiDrawingContext::DeselectFont() {
    Deselect(font.get(), selectedFont, previousFont);
}

void GdiDrawingContext::SelectPen() {
    Select(pen.get(), selectedPen, previousPen);
}

void GdiDrawingContext::DeselectPen() {
    Deselect(pen.get(), selectedPen, previousPen);
}

void GdiDrawingContext::SelectBrush() {
    Select(brush.get(), selectedBrush, previousBrush);
}

void GdiDrawingContext::DeselectBrush() {
    Deselect(brush.get(), selectedBrush, previousBrush);
}

void GdiDrawingContext::OnFontChanged(uint32_t mask) {
    if ((mask & kFontColour) != 0) {
        if (dc == nullptr) {
            return;
        }
        Colour colour;
        SetTextColor(dc,
                     font && font->GetColour(&colour) ? static_cast<COLORREF>(colour.ToColorRef()) : savedTextColour);
        if (mask == kFontColour) {
            return;
        }
    }
    DeselectFont();
    SelectFont();
}

void GdiDrawingContext::OnPenChanged(uint32_t mask) {
    if ((mask & kPenMode) != 0) {
        if (dc == nullptr) {
            return;
        }
        SetROP2(dc, RopOfMode(pen ? pen->GetMode() : kDefaultMode, savedRop));
        if (mask == kPenMode) {
            return;
        }
    }
    DeselectPen();
    SelectPen();
}

void GdiDrawingContext::OnBrushChanged(uint32_t) {
    DeselectBrush();
    SelectBrush();
}

bool GdiDrawingContext::Begin() {
    if (window == nullptr) {
        return false;
    }
    active = true;
    if (dc == nullptr) {
        dc = GetDC(window);
        if (dc == nullptr) {
            active = false;
            return false;
        }
        ownsDc = true;
    } else {
        ownsDc = false;
    }
    savedTextColour = GetTextColor(dc);
    Colour colour;
    if (font && font->GetColour(&colour)) {
        SetTextColor(dc, static_cast<COLORREF>(colour.ToColorRef()));
    }
    savedRop = GetROP2(dc);
    const int32_t mode = pen ? pen->GetMode() : kDefaultMode;
    if (mode == kCopyMode || mode == kXorMode) {
        if (savedRop != RopOfMode(mode, 0)) {
            SetROP2(dc, RopOfMode(mode, 0));
        }
    } else if (savedRop == 0) {
        SetROP2(dc, R2_COPYPEN);
    }
    SelectFont();
    SelectPen();
    SelectBrush();
    savedBkMode = GetBkMode(dc);
    SetBkMode(dc, TRANSPARENT);
    return true;
}

void GdiDrawingContext::End() {
    if (!active) {
        return;
    }
    SetTextColor(dc, savedTextColour);
    DeselectFont();
    if (savedRop != 0) {
        SetROP2(dc, savedRop);
    }
    DeselectPen();
    DeselectBrush();
    if (savedBkMode != 0) {
        SetBkMode(dc, savedBkMode);
    }
    if (ownsDc) {
        ReleaseDC(window, dc);
        ownsDc = false;
    }
    dc = nullptr;
    active = false;
}

void GdiDrawingContext::Retarget(HWND target) {
    if (fixedTarget || active) {
        return;
    }
    window = target;
    dc = nullptr;
}

void GdiDrawingContext::SetBounds(const Rect& newBounds) {
    bounds = newBounds.Normalised();
    hasBounds = true;
}

bool GdiDrawingContext::GetBounds(Rect& out) const {
    if (hasBounds) {
        out = bounds;
    }
    return hasBounds;
}

bool GdiDrawingContext::MoveTo(int32_t x, int32_t y) {
    return dc != nullptr && MoveToEx(dc, x, y, nullptr) != FALSE;
}

bool GdiDrawingContext::LineTo(int32_t x, int32_t y) {
    return dc != nullptr && ::LineTo(dc, x, y) != FALSE;
}

bool GdiDrawingContext::DrawPolyline(const int32_t* points, int32_t count) {
    if (count < 1 || dc == nullptr) {
        return false;
    }
    std::vector<POINT> line(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        line[static_cast<size_t>(i)] = POINT{points[2 * i], points[2 * i + 1]};
    }
    return Polyline(dc, line.data(), count) != FALSE;
}

bool GdiDrawingContext::GetTextExtent(const common::String& text, int32_t* width, int32_t* height) {
    *width = 0;
    *height = 0;
    if (text.IsEmpty()) {
        return true;
    }
    SIZE size{};
    if (dc == nullptr ||
        !GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.GetWide()), text.Length(), &size)) {
        return false;
    }
    *width = size.cx;
    *height = size.cy;
    return true;
}

void GdiDrawingContext::DrawText(const common::String& text, int32_t x, int32_t y) {
    if (dc == nullptr) {
        return;
    }
    RECT place{x, y, x, y};
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.GetWide()), text.Length(), &place, DT_SINGLELINE | DT_NOCLIP);
}

void GdiDrawingContext::DrawTextInRect(const common::String& text, const Rect& rect, uint32_t alignment) {
    if (dc == nullptr) {
        return;
    }
    RECT place{rect.left, rect.top, rect.right, rect.bottom};
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.GetWide()), text.Length(), &place,
              DT_SINGLELINE | DrawTextFlagsOf(alignment));
}

bool GdiDrawingContext::DrawRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (dc != nullptr) {
        ::Rectangle(dc, x0, y0, x1 + 1, y1 + 1);
    }
    return true;
}

bool GdiDrawingContext::DrawFrame(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    POINT old{};
    if (dc == nullptr || !MoveToEx(dc, x0, y0, &old)) {
        return false;
    }
    ::LineTo(dc, x1, y0);
    ::LineTo(dc, x1, y1);
    ::LineTo(dc, x0, y1);
    ::LineTo(dc, x0, y0);
    MoveToEx(dc, old.x, old.y, nullptr);
    return true;
}

bool GdiDrawingContext::FillRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (dc == nullptr || selectedBrush == nullptr) {
        return false;
    }
    RECT area{x0, y0, x1 + 1, y1 + 1};
    return FillRect(dc, &area, selectedBrush) != 0;
}

bool GdiDrawingContext::DrawImage(common::Image& image, const Rect* source, const Rect* destination,
                                  common::Image* mask) {
    if (window == nullptr || dc == nullptr || image.GetWidth() == 0 || image.GetHeight() == 0 ||
        image.Data() == nullptr) {
        return false;
    }
    if (mask != nullptr && (mask->GetWidth() != image.GetWidth() || mask->GetHeight() != image.GetHeight() ||
                            mask->BitsPerPixel() != 1 || mask->Data() == nullptr)) {
        return false;
    }

    Rect from{0, 0, image.GetWidth() - 1, image.GetHeight() - 1};
    if (source != nullptr) {
        from = source->Normalised();
        if (from.right < 0 || from.bottom < 0 || from.left >= image.GetWidth() || from.top >= image.GetHeight()) {
            return true;
        }
        // Never past the image's own pixels.
        from = from.Intersect(Rect{0, 0, image.GetWidth() - 1, image.GetHeight() - 1});
    }
    RECT client{};
    if (!::GetClientRect(window, &client)) {
        return false;
    }
    Rect to{client.left, client.top, client.right - 1, client.bottom - 1};
    if (destination != nullptr) {
        to = destination->Normalised();
        if (to.right < client.left || to.bottom < client.top || to.left >= client.right || to.top >= client.bottom) {
            return true;
        }
    }
    const int fromWidth = from.right - from.left + 1;
    const int fromHeight = from.bottom - from.top + 1;
    const int toWidth = to.right - to.left + 1;
    const int toHeight = to.bottom - to.top + 1;

    BitmapInfo info;
    DescribeImage(image, info);
    // Only the source rows are handed over, as a bitmap of their own: StretchDIBits counts a source row offset
    // from the bottom, for top-down bitmaps too, and not alike on every path.
    info.header.biHeight = -fromHeight;
    SetStretchBltMode(dc, COLORONCOLOR);
    auto draw = [&](common::Image& bits, BITMAPINFO* description, DWORD rop) {
        StretchDIBits(dc, to.left, to.top, toWidth, toHeight, from.left, 0, fromWidth, fromHeight,
                      bits.RowPointer(from.top), description, DIB_RGB_COLORS, rop);
    };
    if (mask == nullptr) {
        draw(image, info.Get(), SRCCOPY);
        return true;
    }
    BitmapInfo maskInfo;
    maskInfo.header.biSize = sizeof(BITMAPINFOHEADER);
    maskInfo.header.biWidth = mask->GetWidth();
    maskInfo.header.biHeight = -fromHeight;
    maskInfo.header.biPlanes = 1;
    maskInfo.header.biBitCount = 1;
    maskInfo.header.biCompression = BI_RGB;
    maskInfo.header.biClrUsed = 2;
    maskInfo.header.biClrImportant = 2;
    maskInfo.colours[0] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
    maskInfo.colours[1] = RGBQUAD{0, 0, 0, 0};
    // Where the mask bit is 0 the destination comes back; where it is 1 the image shows.
    draw(image, info.Get(), SRCINVERT);
    draw(*mask, maskInfo.Get(), SRCAND);
    draw(image, info.Get(), SRCINVERT);
    return true;
}

} // namespace gui::Windows
