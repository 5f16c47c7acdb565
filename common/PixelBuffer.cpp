#include "common/PixelBuffer.h"

#include <algorithm>

namespace common {

PixelBuffer::PixelBuffer() = default;

PixelBuffer::~PixelBuffer() = default;

void PixelBuffer::Free() {
    Width = 0;
    Height = 0;
    Rows.reset();
}

Image* PixelBuffer::AsImage() {
    if (!View) {
        View = std::make_unique<PixelBufferView>(*this);
    }
    View->Refresh();
    return View.get();
}

template <typename Change>
void PixelBuffer::ForRows(int32_t row, Change change) {
    if (!Rows || row >= Height || Width < 1) {
        return;
    }
    const int32_t first = row < 0 ? 0 : row;
    const int32_t last = row < 0 ? Height - 1 : row;
    for (int32_t y = first; y <= last; ++y) {
        std::for_each(Rows[y], Rows[y] + Width, change);
    }
}

void PixelBuffer::Fill(Colour colour, int32_t row) {
    ForRows(row, [colour](uint32_t& pixel) { pixel = colour; });
}

void PixelBuffer::SetOpaque(bool opaque, int32_t row) {
    SetAlpha(opaque ? 0xFF : 0x00, row);
}

void PixelBuffer::SetAlpha(uint8_t alpha, int32_t row) {
    const uint32_t alphaBits = static_cast<uint32_t>(alpha) << 24;
    ForRows(row, [alphaBits](uint32_t& pixel) { pixel = (pixel & 0x00FFFFFF) | alphaBits; });
}

PixelBufferView::PixelBufferView(const PixelBuffer& owner) : DirectColourImage(false), Owner(owner) {}

void PixelBufferView::Refresh() {
    Width = Owner.GetWidth();
    Height = Owner.GetHeight();
    Base = nullptr;
    Stride = 0;
    if (Height < 1 || Owner.Row(0) == nullptr) {
        return;
    }
    auto* first = reinterpret_cast<uint8_t*>(Owner.Row(0));
    auto* last = reinterpret_cast<uint8_t*>(Owner.Row(Height - 1));
    Base = std::min(first, last);
    if (Height == 1) {
        Stride = static_cast<uint32_t>(Width) * 4;
    } else {
        auto* second = reinterpret_cast<uint8_t*>(Owner.Row(1));
        Stride = static_cast<uint32_t>(second > first ? second - first : first - second);
    }
}

bool PixelBufferView::Create(int32_t, int32_t) {
    return false;
}

uint8_t* PixelBufferView::RowPointer(int32_t y) {
    // Rows only while the owner is still as wide as the view thinks.
    if (y >= Height || Owner.GetWidth() < Width) {
        return nullptr;
    }
    return reinterpret_cast<uint8_t*>(Owner.Row(y));
}

uint32_t* PixelBufferView::OwnerPixel(int32_t y, int32_t x) const {
    uint32_t* row = Owner.Row(y);
    return row != nullptr && x >= 0 && x < Owner.GetWidth() ? row + x : nullptr;
}

uint32_t PixelBufferView::GetPixelIndex(int32_t y, int32_t x) const {
    const uint32_t* pixel = OwnerPixel(y, x);
    return pixel != nullptr ? *pixel : 0;
}

void PixelBufferView::SetPixelIndex(int32_t y, int32_t x, uint32_t value) {
    if (uint32_t* pixel = OwnerPixel(y, x)) {
        *pixel = value;
    }
}

Colour PixelBufferView::GetPixelColour(int32_t y, int32_t x) const {
    const uint32_t* pixel = OwnerPixel(y, x);
    return pixel != nullptr ? *pixel : kDefaultColour;
}

void PixelBufferView::SetPixelColour(int32_t y, int32_t x, Colour colour) {
    SetPixelIndex(y, x, colour);
}

const Colour* PixelBufferView::GetRowColours(int32_t y) {
    if (Owner.GetWidth() < 1) {
        return nullptr;
    }
    return Owner.Row(y);
}

} // namespace common
