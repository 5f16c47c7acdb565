#include "emu/devices/FrameLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace emu {

namespace {

// Aspect ratios outside these show square pixels.
constexpr double kLowestAspect = 1.0 / 16;
constexpr double kHighestAspect = 16.0;

int64_t RoundHalfUp(double value) {
    return static_cast<int64_t>(std::floor(value + 0.5));
}

int64_t RoundHalfAway(double value) {
    return static_cast<int64_t>(value >= 0 ? std::floor(value + 0.5) : std::ceil(value - 0.5));
}

int32_t Clamped(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The whole factor nearest to wanted, kept to 1 .. limit (the largest that fits).
int64_t WholeFactor(double wanted, int64_t limit) {
    return std::max<int64_t>(1, std::min(RoundHalfUp(wanted), limit));
}

} // namespace

FrameLayout ComputeLayout(int32_t width, int32_t height, float aspect, const LayoutRect& client, int32_t scaleMode) {
    FrameLayout layout;
    layout.destination = client;
    if (width <= 0 || height <= 0) {
        return layout;
    }
    const int64_t clientLeft = client.left;
    const int64_t clientTop = client.top;
    const int64_t clientWidth = std::max<int64_t>(0, static_cast<int64_t>(client.right) - client.left);
    const int64_t clientHeight = std::max<int64_t>(0, static_cast<int64_t>(client.bottom) - client.top);

    // The frame's size with the aspect ratio applied to its shorter side; the quotients in double on the float
    // aspect as given (4/3 as a float makes 512 wide frames 383 lines high, not 384).
    const double shownAspect = aspect;
    bool corrected = std::isfinite(shownAspect) && shownAspect >= kLowestAspect && shownAspect <= kHighestAspect;
    int64_t shownWidth = width;
    int64_t shownHeight = height;
    if (corrected) {
        if (width < height) {
            shownWidth = static_cast<int64_t>(height * shownAspect);
        } else {
            shownHeight = static_cast<int64_t>(width / shownAspect);
        }
        if (shownWidth < 1 || shownHeight < 1) {
            shownWidth = width;
            shownHeight = height;
            corrected = false;
        }
    }

    int64_t left = 0;
    int64_t top = 0;
    int64_t destinationWidth = 0;
    int64_t destinationHeight = 0;
    if (scaleMode == 1 && width <= clientWidth && height <= clientHeight) {
        // Integer zoom: whole factors per side for the aspect, then one whole zoom for both.
        if (corrected) {
            shownWidth = width * WholeFactor(static_cast<double>(shownWidth) / width, clientWidth / width);
            shownHeight = height * WholeFactor(static_cast<double>(shownHeight) / height, clientHeight / height);
        }
        const int64_t zoom =
            std::min(WholeFactor(static_cast<double>(clientWidth) / shownWidth, clientWidth / shownWidth),
                     WholeFactor(static_cast<double>(clientHeight) / shownHeight, clientHeight / shownHeight));
        destinationWidth = shownWidth * zoom;
        destinationHeight = shownHeight * zoom;
        left = clientLeft + (clientWidth - destinationWidth) / 2;
        top = clientTop + (clientHeight - destinationHeight) / 2;
    } else {
        // Stretch: the limiting side fills the client area, the other is centred.
        const double scaleX = static_cast<double>(clientWidth) / shownWidth;
        const double scaleY = static_cast<double>(clientHeight) / shownHeight;
        if (scaleX > scaleY) {
            destinationWidth = RoundHalfAway(scaleY * shownWidth);
            destinationHeight = clientHeight;
            left = clientLeft + (clientWidth - destinationWidth) / 2;
            top = clientTop;
        } else {
            destinationWidth = clientWidth;
            destinationHeight = RoundHalfAway(scaleX * shownHeight);
            left = clientLeft;
            top = clientTop + (clientHeight - destinationHeight) / 2;
        }
    }
    layout.destination = {Clamped(left), Clamped(top), Clamped(left + destinationWidth),
                          Clamped(top + destinationHeight)};
    layout.scaleX = destinationWidth != 0 ? static_cast<double>(shownWidth) / destinationWidth : 1.0;
    layout.scaleY = destinationHeight != 0 ? static_cast<double>(shownHeight) / destinationHeight : 1.0;
    return layout;
}

} // namespace emu
