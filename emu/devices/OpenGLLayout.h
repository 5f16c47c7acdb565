// The portable decisions of the OpenGL renderer: whether a driver's context can present frames, and where the
// pixel operations put the picture. Tested on their own; the renderer only makes the GL calls.
#pragma once

#include "emu/devices/FrameLayout.h"

#include <cstdint>
#include <string_view>

namespace emu {

// A driver with smaller textures cannot be trusted with a whole frame.
constexpr int32_t kMinGlTextureSize = 2048;

// Whether the space-separated extension list (null: none) names extension, as a whole name.
bool HasGlExtension(const char* extensions, std::string_view name);

// What an attachment learned of the driver. The swap interval is asked only of a driver that can draw frames
// (GlDriverDrawsFrames), and its getter only after the setter was called with 0.
struct GlDriverFacts {
    int32_t maxTextureSize = 0;
    // Null when the driver gives none.
    const char* extensions = nullptr;
    bool hasSwapSetter = false;
    bool hasSwapGetter = false;
    // What the getter read back.
    int32_t swapInterval = 0;
};

// What keeps a driver from drawing frames, for the console: textures too small, no extension list, or the first
// missing of the non-power-of-two and BGRA extensions; null when it has big enough textures and both.
const char* GlDriverLack(int32_t maxTextureSize, const char* extensions);
inline bool GlDriverDrawsFrames(int32_t maxTextureSize, const char* extensions) {
    return GlDriverLack(maxTextureSize, extensions) == nullptr;
}

struct GlAttachCheck {
    // Present through GL; otherwise through GDI for the rest of the attachment.
    bool useGl = false;
    // Whether the vertical-sync flag is to be set, and to what. A driver that cannot draw frames leaves it.
    bool setsVsync = false;
    bool vsync = false;
    // Why GL is not used, for the console; null when it is.
    const char* reason = nullptr;
};

// GL is used only with vertical sync off: the interval set to 0 and read back as 0.
GlAttachCheck CheckGlAttach(const GlDriverFacts& facts);

// The GL operations that put a width x height frame where ComputeLayout says, in a viewport of the client area
// whose projection has y growing downwards from the top row: glRasterPos2i (0, rasterY) starts inside the viewport,
// glBitmap's move (moveX, moveY) takes the raster position to the picture's top-left corner, and glPixelZoom (zoomX,
// zoomY) draws line 0 at the top, lines going down.
struct GlPlacement {
    // The destination and the point scale, exactly the GDI renderer's.
    FrameLayout layout;
    // Nothing is drawn for an empty frame, client area or destination.
    bool draws = false;
    int32_t rasterY = 0;
    int32_t moveX = 0;
    int32_t moveY = 0;
    float zoomX = 0.0F;
    float zoomY = 0.0F;
};

GlPlacement PlaceGlPicture(int32_t width, int32_t height, float aspect, const LayoutRect& client, int32_t scaleMode);

} // namespace emu
