// The image indicator's Win32 side: the current image centred on the button face of an owner-drawn "STATIC".
#pragma once

#include "gui/ImageIndicator.h"
#include "gui/windows/NativeControl.h"

namespace gui::Windows {

class ImageIndicator : public ImageIndicatorBase, public NativeControl {
public:
    // The rectangle in the unit given; the indicator owns the first image, when there is one.
    ImageIndicator(const Bounds& bounds, int32_t unit, common::Image* firstImage, int32_t dockMode, bool visible);
    ~ImageIndicator() override;

    bool Create() override;
    void RefreshImage() override { Invalidate(0, 0, -1, -1); }
    // The button face, and the current image centred on it; false without one. It does not measure itself.
    bool Draw(DrawingContext* context, const Rect& window, const Rect& dirty, Rect* extent) override;

private:
    bool closing = false;
    bool painting = false;
};

} // namespace gui::Windows
