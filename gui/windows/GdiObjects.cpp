#include "gui/windows/GdiObjects.h"

#include <algorithm>

namespace gui::Windows {

namespace {

struct FaceInfo {
    const wchar_t* name;
    BYTE pitchAndFamily;
};

FaceInfo FaceOf(int32_t face) {
    switch (face) {
    case kArial:
        return {L"Arial", 0x22};
    case kCourierNew:
        return {L"Courier New", 0x31};
    case kTimesNewRoman:
        return {L"Times New Roman", 0x12};
    case kMicrosoftSansSerif:
        return {L"Microsoft Sans Serif", 0x22};
    default:
        return {L"", 0};
    }
}

COLORREF ColorRefOf(const Colour& colour) {
    return static_cast<COLORREF>(colour.ToColorRef());
}

} // namespace

bool GdiFont::NeedsHandle() const {
    uint32_t style = 0;
    return GetFace() != kDefaultFace || GetSize() != 0 || GetStyle(&style);
}

HFONT GdiFont::Build() const {
    LOGFONTW font{};
    if (GetSize() > 0) {
        HDC screen = GetDC(nullptr);
        font.lfHeight = -MulDiv(GetSize(), GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
    }
    uint32_t style = 0;
    if (GetStyle(&style)) {
        font.lfWeight = (style & kBold) != 0 ? FW_BOLD : FW_NORMAL;
        font.lfItalic = (style & kItalic) != 0 ? TRUE : FALSE;
    }
    font.lfCharSet = DEFAULT_CHARSET;
    const FaceInfo face = FaceOf(GetFace());
    font.lfPitchAndFamily = face.pitchAndFamily;
    lstrcpynW(font.lfFaceName, face.name, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

bool GdiPen::NeedsHandle() const {
    return GetStyle() != kDefaultPen || GetWidth() != 0 || ColourOf(*this).IsSet();
}

HPEN GdiPen::Build() const {
    if (GetStyle() < kDefaultPen || GetStyle() > kDottedPen) {
        return nullptr;
    }
    return CreatePen(GetStyle() == kDottedPen ? PS_DOT : PS_SOLID, std::max(1, GetWidth()),
                     ColorRefOf(ColourOf(*this)));
}

bool GdiBrush::NeedsHandle() const {
    return GetStyle() != kDefaultBrush || ColourOf(*this).IsSet();
}

HBRUSH GdiBrush::Build() const {
    switch (GetStyle()) {
    case kDefaultBrush:
    case kSolidBrush:
        return CreateSolidBrush(ColorRefOf(ColourOf(*this)));
    case kHollowBrush: {
        LOGBRUSH hollow{BS_NULL, 0, 0};
        return CreateBrushIndirect(&hollow);
    }
    default:
        return nullptr;
    }
}

} // namespace gui::Windows
