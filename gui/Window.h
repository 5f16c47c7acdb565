// The root interface of every toolkit window, from the main window down to a windowless label. Geometry is in
// pixels relative to the parent's client area unless a unit is given (see Units.h).
#pragma once

#include "gui/Colour.h"
#include "gui/Geometry.h"

#include <cstdint>

namespace gui {

class Container;
class Cursor;
class DrawingContext;
class FrameWindow;
class TitledWindow;
class Window;

// The application's callbacks; the two user words let them reach the application's own objects.
using MoveHandler = void (*)(Window* window);
using KeyHandler = int32_t (*)(Window* window, int32_t keyCode, bool down);
using MouseHandler = int32_t (*)(Window* window, int32_t x, int32_t y, int32_t event);

// The mouse events every OnMouse receives.
enum MouseEvent : int32_t {
    kLeftDoubleClick = 0,
    kLeftDown = 1,
    kLeftUp = 2,
    kRightDoubleClick = 3,
    kRightDown = 4,
    kRightUp = 5,
    kMouseMove = 6,
    kMiddleDoubleClick = 7,
    kMiddleDown = 8,
    kMiddleUp = 9,
};

class Window {
public:
    virtual ~Window() = default;

    virtual bool Create() = 0;
    virtual void Destroy() = 0;
    // Paints the part (x, y, w, h) of the window (negative sizes reach the far edge); painted, when given, gets
    // the area painted in the drawing context's coordinates. True when anything was painted.
    virtual bool Redraw(int32_t x, int32_t y, int32_t w, int32_t h, Rect* painted) = 0;
    // Stores the geometry and visibility as they are; true when anything differed.
    virtual bool StoreGeometry(int32_t x, int32_t y, int32_t w, int32_t h, bool visible) = 0;
    // Reads the native window's geometry and visibility back into the store.
    virtual bool Update(bool position, bool size, bool visibility) = 0;
    // The drawing context this window paints through, and (added to x and y, which the caller presets) the
    // window's origin in it; null when there is none.
    virtual DrawingContext* GetGraphics(int32_t& x, int32_t& y) = 0;
    virtual void Lock(bool lock) = 0;
    virtual bool IsLocked() const = 0;
    virtual int32_t GetCachedBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) = 0;
    virtual void OnMove() = 0;
    virtual void OnResize() = 0;
    // Paints the window's own face; given an extent, measures it instead (false when it cannot).
    virtual bool Draw(DrawingContext* context, const Rect& window, const Rect& dirty, Rect* extent) = 0;
    virtual int32_t OnMouse(int32_t x, int32_t y, int32_t event) = 0;
    virtual bool IsCreated() const = 0;
    virtual bool IsWindowless() const = 0;
    virtual bool IsDialog() const = 0;
    virtual void Invalidate(int32_t x, int32_t y, int32_t w, int32_t h) = 0;
    virtual bool Close() = 0;
    virtual int32_t OnKey(int32_t keyCode, bool down) = 0;
    virtual void GetBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const = 0;
    // The client area's offset and size inside the window.
    virtual bool GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) = 0;
    virtual bool SetBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit) = 0;
    virtual void GetMinMax(int32_t& minWidth, int32_t& minHeight, int32_t& maxWidth, int32_t& maxHeight) const = 0;
    virtual bool SetMinMax(int32_t minWidth, int32_t minHeight, int32_t maxWidth, int32_t maxHeight) = 0;
    virtual bool IsVisible(bool withAncestors) = 0;
    virtual void Show(bool visible) = 0;
    virtual Window* GetParent() = 0;
    virtual TitledWindow* GetTopLevelWindow() = 0;
    virtual FrameWindow* GetFrameWindow() = 0;
    // The window that holds the point (in the parent's coordinates); the point becomes that window's own.
    virtual Window* ChildFromPoint(int32_t& x, int32_t& y) = 0;
    virtual void Repaint() = 0;
    virtual uintptr_t& UserData() = 0;
    virtual uintptr_t& UserData2() = 0;
    virtual Cursor* GetCursor() = 0;
    virtual void SetBackground(const Colour& colour) = 0;
    // False (colour untouched) when the window has no colour of its own.
    virtual bool GetBackground(Colour& colour) const = 0;
    virtual void SetEraseBackground(bool erase) = 0;
    virtual MoveHandler& MoveCallback() = 0;
    virtual MoveHandler& ResizeCallback() = 0;
    virtual KeyHandler& KeyCallback() = 0;
    virtual MouseHandler& MouseCallback() = 0;
};

} // namespace gui
