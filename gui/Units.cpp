#include "gui/Units.h"

#include <cmath>

namespace gui {

namespace {

int32_t RoundHalfAway(double value) {
    return static_cast<int32_t>(value >= 0 ? std::floor(value + 0.5) : std::ceil(value - 0.5));
}

} // namespace

void Dpi::LayoutFor(int32_t screenX, int32_t screenY, int32_t& layoutX, int32_t& layoutY) {
    if (screenX < 1) {
        screenX = 96;
    }
    if (screenY < 1) {
        screenY = screenX;
    }
    double factor = 1.0381;
    if (screenX < 111 && screenY < 111) {
        factor = 1.43;
    } else if (screenX < 136 && screenY < 136) {
        factor = 1.15;
    }
    layoutX = RoundHalfAway(screenX * factor);
    layoutY = RoundHalfAway(screenY * factor);
}

bool Dpi::Fix(int32_t x, int32_t y) {
    if (fixed) {
        return false;
    }
    LayoutFor(x, y, layoutX, layoutY);
    screenX = x < 1 ? 96 : x;
    screenY = y < 1 ? screenX : y;
    fixed = true;
    return true;
}

Dpi& ProcessDpi() {
    static Dpi dpi;
    return dpi;
}

void ConvertUnitsToPixels(int32_t& a, int32_t& b, int32_t unit) {
    const Dpi& dpi = ProcessDpi();
    if (unit == kMillimetres) {
        a = (a * dpi.LayoutX() * 10 + 127) / 254;
        b = (b * dpi.LayoutY() * 10 + 127) / 254;
    } else if (unit == kTenthsOfMillimetre) {
        a = (a * dpi.LayoutX() + 127) / 254;
        b = (b * dpi.LayoutY() + 127) / 254;
    }
}

void ConvertUnitsToPixels(double& a, double& b, int32_t unit) {
    const Dpi& dpi = ProcessDpi();
    if (unit == kMillimetres) {
        a = a * dpi.LayoutX() / 25.4;
        b = b * dpi.LayoutY() / 25.4;
    } else if (unit == kTenthsOfMillimetre) {
        a = a * dpi.LayoutX() / 254.0;
        b = b * dpi.LayoutY() / 254.0;
    }
}

void ConvertPixelsToUnits(int32_t& a, int32_t& b, int32_t unit) {
    const Dpi& dpi = ProcessDpi();
    if (unit == kMillimetres) {
        a = (a * 254 - 127) / (dpi.LayoutX() * 10);
        b = (b * 254 - 127) / (dpi.LayoutY() * 10);
    } else if (unit == kTenthsOfMillimetre) {
        a = (a * 254 - 127) / dpi.LayoutX();
        b = (b * 254 - 127) / dpi.LayoutY();
    }
}

void ConvertPixelsToUnits(double& a, double& b, int32_t unit) {
    const Dpi& dpi = ProcessDpi();
    if (unit == kMillimetres) {
        a = a * 25.4 / dpi.LayoutX();
        b = b * 25.4 / dpi.LayoutY();
    } else if (unit == kTenthsOfMillimetre) {
        a = a * 254.0 / dpi.LayoutX();
        b = b * 254.0 / dpi.LayoutY();
    }
}

} // namespace gui
