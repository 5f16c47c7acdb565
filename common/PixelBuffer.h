// A plain 32-bit pixel buffer that renderers draw into, seen as a bitmap through a view. The derived renderer
// provides the pixel memory and keeps Width, Height and the row table current; rows may run upward or downward
// in memory.
#pragma once

#include "common/DirectColourImage.h"

#include <cstdint>
#include <memory>

namespace common {

class PixelBufferView;

class PixelBuffer {
public:
    PixelBuffer();
    virtual ~PixelBuffer();
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    // Forgets the frame (0 x 0, no row table); the view stays.
    virtual void Free();
    // The frame as a bitmap; the view is refreshed to the buffer's current size on every call.
    virtual Image* AsImage();

    // With row < 0 on every row, else on that row only; nothing for a row outside the buffer.
    void Fill(Colour colour, int32_t row);
    void SetOpaque(bool opaque, int32_t row);
    void SetAlpha(uint8_t alpha, int32_t row);

    int32_t GetWidth() const { return Width; }
    int32_t GetHeight() const { return Height; }
    // Null outside the buffer.
    uint32_t* Row(int32_t y) const { return Rows && y >= 0 && y < Height ? Rows[y] : nullptr; }

protected:
    int32_t Width = 0;
    int32_t Height = 0;
    std::unique_ptr<uint32_t*[]> Rows;

private:
    template <typename Change>
    void ForRows(int32_t row, Change change);

    std::unique_ptr<PixelBufferView> View;
};

// Reads and writes the owner's current rows; its own size, base and stride change only when AsImage is called.
class PixelBufferView : public DirectColourImage {
public:
    explicit PixelBufferView(const PixelBuffer& owner);

    std::unique_ptr<Image> NewEmpty() const override { return nullptr; }
    bool Create(int32_t width, int32_t height) override;
    uint32_t BitsPerPixel() const override { return 32; }
    uint8_t* Data() override { return Base; }
    uint8_t* RowPointer(int32_t y) override;
    // Pixels go through the owner's current rows and size.
    uint32_t GetPixelIndex(int32_t y, int32_t x) const override;
    void SetPixelIndex(int32_t y, int32_t x, uint32_t value) override;
    Colour GetPixelColour(int32_t y, int32_t x) const override;
    void SetPixelColour(int32_t y, int32_t x, Colour colour) override;
    bool QueryOption() const override { return Option; }
    // The owner's row itself.
    const Colour* GetRowColours(int32_t y) override;

private:
    friend class PixelBuffer;
    void Refresh();
    uint32_t* OwnerPixel(int32_t y, int32_t x) const;

    uint8_t* Base = nullptr;
    const PixelBuffer& Owner;
    bool Option = false;
};

} // namespace common
