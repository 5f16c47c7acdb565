// Proves the Windows chain end to end: a real window, a DIB drawn with StretchDIBits, the pixels read back.
#include "support/DisplayPixels.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 8;

// A pattern that catches swapped channels, flipped rows and an off-by-one column.
uint32_t PatternPixel(int x, int y) {
    constexpr std::array<uint32_t, 4> colours = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
    return colours[(x / 4 + y) % colours.size()] ^ static_cast<uint32_t>(x * 0x010000 + y * 0x0100);
}

TEST(GdiSmokeTest, StretchDIBitsIntoWindowReadsBackThePattern) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"ZovGdiSmokeTest";
    ASSERT_NE(RegisterClassW(&windowClass), 0);

    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"GDI smoke test", WS_POPUP | WS_VISIBLE, 0, 0,
                                  kWidth * 2, kHeight * 2, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(window, nullptr);

    std::vector<uint32_t> source(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            source[y * kWidth + x] = PatternPixel(x, y);

    HDC windowDc = GetDC(window);
    ASSERT_NE(windowDc, nullptr);

    // Draw into an offscreen DIB section through the same StretchDIBits call a renderer makes, then copy it
    // through the window's DC so both the memory and the window path are exercised.
    BITMAPINFO info = test_support::TopDownBitmapInfo(kWidth, kHeight);
    void* bits = nullptr;
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    HGDIOBJ previous = SelectObject(memoryDc, section);

    int lines = StretchDIBits(windowDc, 0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, source.data(), &info,
                              DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(lines, kHeight);
    ASSERT_TRUE(BitBlt(memoryDc, 0, 0, kWidth, kHeight, windowDc, 0, 0, SRCCOPY));
    GdiFlush();

    const auto* read = static_cast<const uint32_t*>(bits);
    int mismatches = 0;
    for (int i = 0; i < kWidth * kHeight; ++i)
        mismatches += (read[i] & 0x00FFFFFF) != source[i];
    EXPECT_EQ(mismatches, 0);

    // And the memory path alone: StretchDIBits straight into the DIB section, read with GetDIBits.
    std::fill(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + kWidth * kHeight, 0);
    EXPECT_EQ(StretchDIBits(memoryDc, 0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, source.data(), &info,
                            DIB_RGB_COLORS, SRCCOPY),
              kHeight);
    SelectObject(memoryDc, previous);
    std::vector<uint32_t> copy(kWidth * kHeight);
    EXPECT_EQ(GetDIBits(memoryDc, section, 0, kHeight, copy.data(), &info, DIB_RGB_COLORS), kHeight);
    for (int i = 0; i < kWidth * kHeight; ++i)
        ASSERT_EQ(copy[i] & 0x00FFFFFF, source[i]) << "pixel " << i;

    DeleteObject(section);
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    DestroyWindow(window);
    UnregisterClassW(windowClass.lpszClassName, instance);
}

} // namespace
