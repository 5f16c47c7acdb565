// Geometry units and the process-wide DPI they are converted with. Unit codes: 0 pixels, 1 millimetres,
// 2 tenths of a millimetre; any other code is taken as pixels.
#pragma once

#include <cstdint>

namespace gui {

enum Unit : int32_t { kPixels = 0, kMillimetres = 1, kTenthsOfMillimetre = 2 };

// The screen DPI and the layout DPI derived from it. Everything reads 96 until the first top-level window fixes
// the values from the screen; later windows leave them alone.
class Dpi {
public:
    // The layout DPI of a screen: x 1.43 when both axes are below 111, x 1.15 when both are below 136, else
    // x 1.0381, rounded half away from zero. A screen value below 1 counts as 96 (y: as the x value).
    static void LayoutFor(int32_t screenX, int32_t screenY, int32_t& layoutX, int32_t& layoutY);

    // Fixes all four values from the screen's, once; false (nothing changed) when they were fixed already.
    bool Fix(int32_t screenX, int32_t screenY);
    bool IsFixed() const { return fixed; }

    int32_t ScreenX() const { return screenX; }
    int32_t ScreenY() const { return screenY; }
    int32_t LayoutX() const { return layoutX; }
    int32_t LayoutY() const { return layoutY; }

private:
    int32_t screenX = 96;
    int32_t screenY = 96;
    int32_t layoutX = 96;
    int32_t layoutY = 96;
    bool fixed = false;
};

// The process's DPI, written only by the GUI thread.
Dpi& ProcessDpi();

// Units to pixels and back, on pairs (x and y, or width and height), with the process's layout DPI.
void ConvertUnitsToPixels(int32_t& a, int32_t& b, int32_t unit);
void ConvertUnitsToPixels(double& a, double& b, int32_t unit);
void ConvertPixelsToUnits(int32_t& a, int32_t& b, int32_t unit);
void ConvertPixelsToUnits(double& a, double& b, int32_t unit);

} // namespace gui
