// A control whose whole face is drawn by an owner callback through a drawing context of its own, optionally into
// a memory bitmap first.
#pragma once

#include "gui/ControlBase.h"

#include <memory>

namespace gui {

// Called with the picture control and its drawing context, between the context's Begin and End.
using PictureDrawHandler = bool (*)(Window* picture, DrawingContext* context);

class PictureControl : public virtual Control {
public:
    using Window::Draw;

    virtual bool& DoubleBuffered() = 0;
    virtual PictureDrawHandler& DrawCallback() = 0;
    // Runs the draw callback; not again from inside it.
    virtual void Draw(DrawingContext* context) = 0;
};

class PictureControlBase : public virtual PictureControl, public virtual ControlBase {
public:
    using PictureControl::Draw;

    bool& DoubleBuffered() override { return doubleBuffered; }
    PictureDrawHandler& DrawCallback() override { return onDraw; }
    void Draw(DrawingContext* context) override;

    DrawingContext* GetSurface() const { return surface.get(); }

protected:
    // The surface is the control's own drawing context.
    PictureControlBase(std::unique_ptr<DrawingContext> surface, int32_t dockMode);
    ~PictureControlBase() override;

private:
    bool closing = false;
    bool doubleBuffered = false;
    bool inDraw = false;
    std::unique_ptr<DrawingContext> surface;
    PictureDrawHandler onDraw = nullptr;
};

} // namespace gui
