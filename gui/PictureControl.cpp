#include "gui/PictureControl.h"

#include "gui/DrawingContext.h"

namespace gui {

PictureControlBase::PictureControlBase(std::unique_ptr<DrawingContext> surface, int32_t dockMode)
    : surface(std::move(surface)) {
    InitAlignment(dockMode);
}

PictureControlBase::~PictureControlBase() {
    MarkDestroying();
    closing = true;
}

void PictureControlBase::Draw(DrawingContext* context) {
    if (inDraw) {
        return;
    }
    inDraw = true;
    if (onDraw != nullptr && !closing) {
        onDraw(this, context);
    }
    inDraw = false;
}

} // namespace gui
