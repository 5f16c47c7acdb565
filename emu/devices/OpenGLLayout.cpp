#include "emu/devices/OpenGLLayout.h"

#include <algorithm>

namespace emu {

bool HasGlExtension(const char* extensions, std::string_view name) {
    if (extensions == nullptr || name.empty()) {
        return false;
    }
    const std::string_view list(extensions);
    for (size_t start = 0; start < list.size();) {
        const size_t end = std::min(list.find(' ', start), list.size());
        if (list.substr(start, end - start) == name) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

const char* GlDriverLack(int32_t maxTextureSize, const char* extensions) {
    if (maxTextureSize < kMinGlTextureSize) {
        return "textures smaller than 2048 pixels";
    }
    if (extensions == nullptr) {
        return "no extension list";
    }
    if (!HasGlExtension(extensions, "GL_ARB_texture_non_power_of_two")) {
        return "no GL_ARB_texture_non_power_of_two";
    }
    if (!HasGlExtension(extensions, "GL_EXT_bgra")) {
        return "no GL_EXT_bgra";
    }
    return nullptr;
}

GlAttachCheck CheckGlAttach(const GlDriverFacts& facts) {
    GlAttachCheck check;
    check.reason = GlDriverLack(facts.maxTextureSize, facts.extensions);
    if (check.reason != nullptr) {
        return check;
    }
    check.setsVsync = true;
    // Without a getter nobody can tell the interval went to 0.
    check.vsync = !(facts.hasSwapSetter && facts.hasSwapGetter && facts.swapInterval == 0);
    check.useGl = !check.vsync;
    if (check.vsync) {
        check.reason = "vertical sync cannot be switched off";
    }
    return check;
}

GlPlacement PlaceGlPicture(int32_t width, int32_t height, float aspect, const LayoutRect& client, int32_t scaleMode) {
    GlPlacement placement;
    placement.layout = ComputeLayout(width, height, aspect, client, scaleMode);
    const LayoutRect& destination = placement.layout.destination;
    const int32_t clientHeight = client.Height();
    if (width <= 0 || height <= 0 || client.Width() <= 0 || clientHeight <= 0 || destination.Width() <= 0 ||
        destination.Height() <= 0) {
        return placement;
    }
    placement.draws = true;
    // The raster position must start inside the viewport: at the bottom of the picture when the stretch left
    // room above and below, else at the bottom row.
    const bool zoomed = scaleMode == 1 && width <= client.Width() && height <= clientHeight;
    const bool widthLimited = !zoomed && destination.Width() == client.Width() && destination.Height() < clientHeight;
    const int32_t start = widthLimited ? destination.Height() : clientHeight;
    placement.rasterY = start - 1;
    placement.moveX = destination.left - client.left;
    placement.moveY = start - (destination.top - client.top);
    placement.zoomX = static_cast<float>(destination.Width()) / static_cast<float>(width);
    placement.zoomY = -static_cast<float>(destination.Height()) / static_cast<float>(height);
    return placement;
}

} // namespace emu
