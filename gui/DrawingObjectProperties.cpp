#include "gui/DrawingObjectProperties.h"

#include "gui/DrawingContext.h"

#include <algorithm>

namespace gui {

namespace {

// The colour of an object's getter, unset when it has none.
// The getters' rule: a set colour is copied out, an unset one leaves the output alone.
bool CopySet(const Colour& colour, Colour* out) {
    if (!colour.IsSet()) {
        return false;
    }
    *out = colour;
    return true;
}

} // namespace

void FontProperties::OnChanged(uint32_t mask) {
    if (owner != nullptr) {
        owner->OnFontChanged(mask);
    }
}

void FontProperties::Apply(Values values) {
    values.size = std::max(values.size, 0);
    uint32_t mask = 0;
    if (values.face != face) {
        mask |= kFontFace;
    }
    if (values.hasStyle != hasStyle || (values.hasStyle && values.style != style)) {
        mask |= kFontStyle;
    }
    if (values.size != size) {
        mask |= kFontSize;
    }
    if (!(values.colour == colour)) {
        mask |= kFontColour;
    }
    if (mask == 0) {
        return;
    }
    face = values.face;
    size = values.size;
    hasStyle = values.hasStyle;
    style = values.hasStyle ? values.style : 0;
    colour = values.colour;
    OnChanged(mask);
}

void FontProperties::Assign(const Font* other) {
    if (other == this) {
        return;
    }
    if (other == nullptr) {
        Reset();
        return;
    }
    Values values{other->GetFace(), other->GetSize(), false, 0, ColourOf(*other)};
    values.hasStyle = other->GetStyle(&values.style);
    Apply(values);
}

void FontProperties::SetFace(int32_t newFace) {
    Values values = Current();
    values.face = newFace;
    Apply(values);
}

void FontProperties::SetSize(int32_t newSize) {
    Values values = Current();
    values.size = newSize;
    Apply(values);
}

bool FontProperties::GetStyle(uint32_t* out) const {
    if (!hasStyle) {
        return false;
    }
    *out = style;
    return true;
}

void FontProperties::SetStyle(const uint32_t* newStyle) {
    Values values = Current();
    values.hasStyle = newStyle != nullptr;
    values.style = newStyle != nullptr ? *newStyle : 0;
    Apply(values);
}

void FontProperties::SetBoldItalic(bool bold, bool italic) {
    uint32_t newStyle = (hasStyle ? style : 0) & ~uint32_t{kBold | kItalic};
    if (bold) {
        newStyle |= kBold;
    }
    if (italic) {
        newStyle |= kItalic;
    }
    SetStyle(&newStyle);
}

bool FontProperties::GetColour(Colour* out) const {
    return CopySet(colour, out);
}

void FontProperties::SetColour(const Colour& newColour) {
    Values values = Current();
    values.colour = newColour;
    Apply(values);
}

void FontProperties::SetFaceAndSize(int32_t newFace, int32_t newSize) {
    Values values = Current();
    values.face = newFace;
    values.size = newSize;
    Apply(values);
}

void FontProperties::SetFaceSizeColour(int32_t newFace, int32_t newSize, const Colour& newColour) {
    Apply(Values{newFace, newSize, hasStyle, style, newColour});
}

bool FontProperties::IsDefault() const {
    return face == kDefaultFace && size == 0 && !hasStyle && !colour.IsSet();
}

void FontProperties::Reset() {
    Apply(Values{});
}

void PenProperties::OnChanged(uint32_t mask) {
    if (owner != nullptr) {
        owner->OnPenChanged(mask);
    }
}

void PenProperties::Set(const Colour& newColour, int32_t newWidth, int32_t newStyle, int32_t newMode) {
    newWidth = std::max(newWidth, 0);
    uint32_t mask = 0;
    if (newStyle != style) {
        mask |= kPenStyle;
    }
    if (newWidth != width) {
        mask |= kPenWidth;
    }
    if (!(newColour == colour)) {
        mask |= kPenColour;
    }
    if (newMode != mode) {
        mask |= kPenMode;
    }
    if (mask == 0) {
        return;
    }
    style = newStyle;
    width = newWidth;
    colour = newColour;
    mode = newMode;
    OnChanged(mask);
}

void PenProperties::Assign(const Pen* other) {
    if (other == this) {
        return;
    }
    if (other == nullptr) {
        Reset();
        return;
    }
    Set(ColourOf(*other), other->GetWidth(), other->GetStyle(), other->GetMode());
}

void PenProperties::SetStyle(int32_t newStyle) {
    Set(colour, width, newStyle, mode);
}

void PenProperties::SetMode(int32_t newMode) {
    Set(colour, width, style, newMode);
}

void PenProperties::SetWidth(int32_t newWidth) {
    Set(colour, newWidth, style, mode);
}

bool PenProperties::GetColour(Colour* out) const {
    return CopySet(colour, out);
}

void PenProperties::SetColour(const Colour& newColour) {
    Set(newColour, width, style, mode);
}

bool PenProperties::IsDefault() const {
    return style == kDefaultPen && mode == kDefaultMode && width == 0 && !colour.IsSet();
}

void PenProperties::Reset() {
    Set(Colour{}, 0, kDefaultPen, kDefaultMode);
}

void BrushProperties::OnChanged(uint32_t mask) {
    if (owner != nullptr) {
        owner->OnBrushChanged(mask);
    }
}

void BrushProperties::Apply(int32_t newStyle, const Colour& newColour) {
    uint32_t mask = 0;
    if (newStyle != style) {
        mask |= kBrushStyle;
    }
    if (!(newColour == colour)) {
        mask |= kBrushColour;
    }
    if (mask == 0) {
        return;
    }
    style = newStyle;
    colour = newColour;
    OnChanged(mask);
}

void BrushProperties::Assign(const Brush* other) {
    if (other == this) {
        return;
    }
    if (other == nullptr) {
        Reset();
        return;
    }
    Apply(other->GetStyle(), ColourOf(*other));
}

void BrushProperties::SetStyle(int32_t newStyle) {
    Apply(newStyle, colour);
}

bool BrushProperties::GetColour(Colour* out) const {
    return CopySet(colour, out);
}

void BrushProperties::SetColour(const Colour& newColour) {
    Apply(style, newColour);
}

void BrushProperties::SetSolidColour(const Colour& newColour) {
    Apply(kSolidBrush, newColour);
}

bool BrushProperties::IsDefault() const {
    return style == kDefaultBrush && !colour.IsSet();
}

void BrushProperties::Reset() {
    Apply(kDefaultBrush, Colour{});
}

} // namespace gui
