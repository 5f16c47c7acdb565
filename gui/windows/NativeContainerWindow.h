// The Win32 layers of windows that hold controls. The container window creates and destroys its children with
// itself, keeps its drawing context pointed at its window, hands mouse input and cursors to its windowless
// children (which it paints) and passes owner-draw requests on to its native children. The titled window also
// shows its title as the window text.
#pragma once

#include "gui/ContainerBase.h"
#include "gui/DrawingObjectProperties.h"
#include "gui/TitledWindowBase.h"
#include "gui/windows/GdiDrawingContext.h"
#include "gui/windows/NativeWindow.h"

namespace gui::Windows {

class NativeContainerWindow : public virtual ContainerBase, public virtual NativeWindow {
public:
    // Binds the window, then creates the children not created yet and lays them out; a child that fails makes
    // the whole container destroy itself.
    bool Create() override;
    // The created children first, then the window.
    void Destroy() override;
    DrawingContext* GetGraphics(int32_t& x, int32_t& y) override;
    void OnMove() override;
    void OnResize() override;
    // A windowless child under the point gets it in its own coordinates; anywhere else the window's callback.
    int32_t OnMouse(int32_t x, int32_t y, int32_t event) override;
    // The window's client area less the margins, never below 0.
    bool GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override;
    Font* GetFont() override { return &font; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    GdiDrawingContext& GetContext() { return context; }

protected:
    NativeContainerWindow() = default;
    ~NativeContainerWindow() override;

    // After binding: points the context at the window, creates the children not created yet (one failing makes
    // the container destroy itself) and lays them out.
    bool CreateChildren();
    // The native window's client area, before the margins.
    virtual bool GetWindowClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h);
    // The windowless child under a point of the window's client area, and the point in the children's area.
    Control* WindowlessChildAt(int32_t& x, int32_t& y);

private:
    FontProperties font;
    GdiDrawingContext context;
};

class NativeTitledWindow : public virtual TitledWindowBase, public NativeContainerWindow {
public:
    bool Create() override;
    // Also the caption of a created window, an empty one too.
    void SetTitle(const common::String& title) override;

protected:
    NativeTitledWindow() = default;
    ~NativeTitledWindow() override { MarkDestroying(); }
};

} // namespace gui::Windows
