#include "emu/core/NullRenderer.h"

namespace emu {

bool NullRenderer::Resize(int32_t, int32_t, bool) {
    return false;
}

bool NullRenderer::SetTargetWindow(void*) {
    return false;
}

std::unique_ptr<RendererBase> NullRenderer::Clone() const {
    return std::make_unique<NullRenderer>();
}

} // namespace emu
