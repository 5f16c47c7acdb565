// The property layer under every toolkit window: geometry, size limits, visibility, update lock, background and
// the application's callbacks. Properties set before the native window exists are only stored, and pushed to it
// when it is created; the native layers override what touches the native window.
#pragma once

#include "gui/Window.h"

namespace gui {

class WindowBase : public virtual Window {
public:
    // Marks the window created and lets what was asked before creation win over the native window's state.
    bool Create() override;
    void Destroy() override;
    bool StoreGeometry(int32_t x, int32_t y, int32_t w, int32_t h, bool visible) override;
    // Without a parent, none; a windowless window adds its place in the parent's client area.
    DrawingContext* GetGraphics(int32_t& x, int32_t& y) override;
    void Lock(bool lock) override;
    bool IsLocked() const override { return updateLock != 0; }
    // No layer keeps a cached rectangle: the stored bounds, and tag 0.
    int32_t GetCachedBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override;
    void OnMove() override;
    void OnResize() override;
    int32_t OnMouse(int32_t x, int32_t y, int32_t event) override;
    bool IsCreated() const override { return created; }
    bool IsDialog() const override { return false; }
    int32_t OnKey(int32_t keyCode, bool down) override;
    void GetBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const override;
    // Converts the unit, keeps a negative width or height as it is, clamps the size into the limits and calls
    // OnMove before OnResize for what changed.
    bool SetBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit) override;
    void GetMinMax(int32_t& minWidth, int32_t& minHeight, int32_t& maxWidth, int32_t& maxHeight) const override;
    // Negative limits become 0 (and the answer false); a maximum below its minimum swaps with it.
    bool SetMinMax(int32_t minWidth, int32_t minHeight, int32_t maxWidth, int32_t maxHeight) override;
    // With ancestors, every ancestor up to and including the top-level window must be visible.
    bool IsVisible(bool withAncestors) override;
    void Show(bool visible) override { this->visible = visible; }
    Window* GetParent() override { return nullptr; }
    TitledWindow* GetTopLevelWindow() override;
    FrameWindow* GetFrameWindow() override;
    void Repaint() override { Invalidate(0, 0, -1, -1); }
    uintptr_t& UserData() override { return userWord1; }
    uintptr_t& UserData2() override { return userWord2; }
    void SetBackground(const Colour& colour) override;
    bool GetBackground(Colour& colour) const override;
    void SetEraseBackground(bool erase) override { eraseBackground = erase; }
    MoveHandler& MoveCallback() override { return moveCallback; }
    MoveHandler& ResizeCallback() override { return resizeCallback; }
    KeyHandler& KeyCallback() override { return keyCallback; }
    MouseHandler& MouseCallback() override { return mouseCallback; }

    // SetBounds with the current size or position; true when the position or the size changed.
    bool SetPosition(int32_t x, int32_t y);
    bool SetSize(int32_t w, int32_t h);
    bool GetEraseBackground() const { return eraseBackground; }

protected:
    WindowBase() = default;
    ~WindowBase() override { destroying = true; }

    // Every layer's destructor calls this first, so that the callbacks stay silent while the layers below tear
    // the window down.
    void MarkDestroying() { destroying = true; }

private:
    uintptr_t userWord1 = 0;
    uintptr_t userWord2 = 0;
    bool created = false;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t minWidth = 0;
    int32_t minHeight = 0;
    int32_t maxWidth = 0;
    int32_t maxHeight = 0;
    bool visible = false;
    int32_t updateLock = 0;
    Colour background;
    bool eraseBackground = true;
    bool destroying = false;
    MoveHandler moveCallback = nullptr;
    MoveHandler resizeCallback = nullptr;
    KeyHandler keyCallback = nullptr;
    MouseHandler mouseCallback = nullptr;
};

// Whether the window is visible (its own flag) and its bounds hold the point, in the parent's coordinates.
bool HoldsPoint(Window& window, int32_t x, int32_t y);
// The same, and the point made the window's own when it does.
bool TakePoint(Window& window, int32_t& x, int32_t& y);

// Clears a window's move and resize callbacks for the life of a block, so that a native layer can move the
// window and report the change once itself.
class SilencedCallbacks {
public:
    explicit SilencedCallbacks(Window& window);
    ~SilencedCallbacks();
    SilencedCallbacks(const SilencedCallbacks&) = delete;
    SilencedCallbacks& operator=(const SilencedCallbacks&) = delete;

private:
    Window& window;
    MoveHandler move;
    MoveHandler resize;
};

} // namespace gui
