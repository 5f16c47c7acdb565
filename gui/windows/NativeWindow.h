// The Win32 layer under every toolkit window that owns a native window: it binds one object to one HWND, routes
// every message of the window through one window procedure into the object, and keeps the stored properties and
// the native window in step both ways. Everything here runs on the GUI thread.
#pragma once

#include "gui/WindowBase.h"
#include "gui/windows/NativeCursor.h"
#include "gui/windows/Win32.h"

#include "common/WideString.h"

#include <memory>

namespace gui::Windows {

class GdiDrawingContext;

// The window procedure of every toolkit window class and every native control the toolkit binds.
LRESULT CALLBACK ToolkitWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The primary button (the left one unless the buttons are swapped) is held.
bool IsPrimaryMouseButtonDown();

// Registers a window class of its own for a top-level window: the program's name and two random numbers. Empty
// when a hundred tries fail.
common::WideString RegisterUniqueWindowClass(HINSTANCE instance, uint32_t iconId);

// Fixes the process's screen and layout DPI from the screen, the first time only.
void FixProcessDpi();

class NativeWindow : public virtual WindowBase {
public:
    // Binds the window made already; false (and destroyed) when it is missing or will not take the binding.
    bool Create() override;
    // Destroys the native window; its WM_DESTROY unbinds it.
    void Destroy() override;
    bool Update(bool position, bool size, bool visibility) override;
    DrawingContext* GetGraphics(int32_t& x, int32_t& y) override;
    bool Draw(DrawingContext*, const Rect&, const Rect&, Rect*) override { return true; }
    bool IsWindowless() const override { return false; }
    // The whole window, its children with it, at once; the rectangle is not used.
    void Invalidate(int32_t x, int32_t y, int32_t w, int32_t h) override;
    bool Close() override;
    bool GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override;
    // Moves the native window and reports OnMove and OnResize once, after it has moved.
    bool SetBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit) override;
    void Show(bool visible) override;
    Cursor* GetCursor() override;

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A WM_NOTIFY its parent received from this window; true when answered.
    virtual bool HandleNotify(NMHDR* header, LRESULT* result);
    virtual HINSTANCE GetInstance() { return nullptr; }
    // 0 button text, 1 grey text, 2 button highlight, 3 button shadow, from the frame window.
    virtual Colour GetSystemColour(int32_t kind);
    // Relative mouse input: the pointer's offset from the window's centre, and the pointer put back there.
    virtual bool TakeMouseDelta(int32_t& x, int32_t& y);

    HWND GetHandle() const { return window; }
    void SetHandle(HWND handle) { window = handle; }
    // The object bound to a window, null when none is.
    static NativeWindow* FromHandle(HWND handle);

protected:
    NativeWindow() = default;
    // A window still bound is unbound and destroyed, so that no message reaches the object afterwards.
    ~NativeWindow() override;

    // The native window's rectangle in the coordinates the stored bounds use (the screen's here), and the move
    // of the native window to stored bounds.
    virtual bool ReadNativeBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h);
    virtual void MoveNative(int32_t x, int32_t y, int32_t w, int32_t h);
    // What the window does with a message it leaves: the previous procedure's answer, or 0.
    LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);
    // Binding alone: the window takes the object and the toolkit's procedure.
    bool Bind();
    // Unbinds a window that is going; its own procedure gets it back.
    void Unbind();
    void SetPreviousProcedure(WNDPROC procedure) { previousProcedure = procedure; }
    WNDPROC GetPreviousProcedure() const { return previousProcedure; }
    bool IsInDestroy() const { return inDestroy; }
    void SetDetached(bool value) { detached = value; }
    // Moves or sizes the native window without feeding the change back through WM_MOVE and WM_SIZE.
    template <typename Move>
    void MoveOwn(Move move) {
        ownMove = true;
        move();
        ownMove = false;
    }

private:
    LRESULT HandleKey(WPARAM wParam, LPARAM lParam, bool down, UINT message);
    static void ApplyCursor(void* context, NativeCursor* cursor, int changing);

    std::unique_ptr<NativeCursor> cursor;
    HWND window = nullptr;
    WNDPROC previousProcedure = nullptr;
    bool subclassed = false; // the window's own procedure was replaced and comes back on unbinding
    bool inDestroy = false;
    bool ownMove = false;
    bool detached = true;
};

} // namespace gui::Windows
