// The Win32 base of every child control. A control is native (it owns a child window, which the concrete control
// makes before it calls Create here) or windowless (its parent paints it and gives it its mouse input). Positions
// are in the parent's client area, inside the parent's margins; a docked control that moves, resizes or changes
// visibility has its parent lay out again.
#pragma once

#include "gui/ContainerControlBase.h"
#include "gui/ControlBase.h"
#include "gui/windows/NativeContainerWindow.h"

namespace gui::Windows {

class NativeControl : public virtual ControlBase, public virtual NativeWindow {
public:
    // False (and nothing made) while the parent is missing or not created.
    bool Create() override;
    void Destroy() override { NativeWindow::Destroy(); }
    bool Redraw(int32_t x, int32_t y, int32_t w, int32_t h, Rect* painted) override {
        return ControlBase::Redraw(x, y, w, h, painted);
    }
    bool Update(bool position, bool size, bool visibility) override;
    void OnMove() override;
    void OnResize() override;
    bool IsWindowless() const override { return ControlBase::IsWindowless(); }
    // The whole control: a windowless one through its parent, whatever rectangle is passed.
    void Invalidate(int32_t x, int32_t y, int32_t w, int32_t h) override;
    bool SetBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit) override;
    void Show(bool visible) override;
    Window* GetParent() override { return ControlBase::GetParent(); }
    void Refresh(Container*) override { Invalidate(0, 0, -1, -1); }
    void SetEnabled(bool enabled) override;
    void SetTooltip(const common::String& text) override;
    // The parent's module instance.
    HINSTANCE GetInstance() override;

protected:
    // The rectangle in pixels, or in a unit; the control starts at it with the visibility given.
    NativeControl(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dockMode, bool visible);
    NativeControl(const Bounds& bounds, int32_t dockMode, bool visible, int32_t unit);
    ~NativeControl() override { MarkDestroying(); }

    bool ReadNativeBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override;
    void MoveNative(int32_t x, int32_t y, int32_t w, int32_t h) override;
    // The parent's native window, null without one.
    HWND GetParentHandle();
    // What a concrete control needs to make its window: a created parent with a window and an instance.
    bool CanMakeWindow();
    // Makes the control's child window in the parent's, at the stored place; false when it cannot.
    bool MakeWindow(const wchar_t* className, DWORD style);
    void UpdateTooltip();

private:
    void Place(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit, bool visible);
    // The parent's client origin (inside its margins) in its window's client area.
    void ParentOrigin(int32_t& x, int32_t& y);

    HWND tooltip = nullptr;
    bool toolAdded = false;
};

// A control that holds controls.
class NativeContainerControl : public virtual ContainerControlBase, public NativeControl, public NativeContainerWindow {
public:
    bool Create() override;
    void Destroy() override { NativeContainerWindow::Destroy(); }
    bool Redraw(int32_t x, int32_t y, int32_t w, int32_t h, Rect* painted) override {
        return ContainerBase::Redraw(x, y, w, h, painted);
    }
    bool Update(bool position, bool size, bool visibility) override {
        return NativeControl::Update(position, size, visibility);
    }
    DrawingContext* GetGraphics(int32_t& x, int32_t& y) override { return NativeContainerWindow::GetGraphics(x, y); }
    void OnMove() override { NativeContainerWindow::OnMove(); }
    void OnResize() override { NativeContainerWindow::OnResize(); }
    int32_t OnMouse(int32_t x, int32_t y, int32_t event) override {
        return NativeContainerWindow::OnMouse(x, y, event);
    }
    bool IsWindowless() const override { return ControlBase::IsWindowless(); }
    void Invalidate(int32_t x, int32_t y, int32_t w, int32_t h) override { NativeControl::Invalidate(x, y, w, h); }
    bool GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override {
        return NativeContainerWindow::GetClientRect(x, y, w, h);
    }
    bool SetBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit) override {
        return NativeControl::SetBounds(x, y, w, h, unit);
    }
    void Show(bool visible) override { NativeControl::Show(visible); }
    Window* GetParent() override { return ControlBase::GetParent(); }
    Window* ChildFromPoint(int32_t& x, int32_t& y) override { return ContainerBase::ChildFromPoint(x, y); }
    // Each child applies its stored place again.
    void SetEnabled(bool enabled) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        return NativeContainerWindow::HandleMessage(message, wParam, lParam);
    }
    bool ReadNativeBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override {
        return NativeControl::ReadNativeBounds(x, y, w, h);
    }
    void MoveNative(int32_t x, int32_t y, int32_t w, int32_t h) override { NativeControl::MoveNative(x, y, w, h); }

protected:
    NativeContainerControl(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dockMode, bool visible)
        : NativeControl(x, y, w, h, dockMode, visible) {}
    NativeContainerControl(const Bounds& bounds, int32_t dockMode, bool visible, int32_t unit)
        : NativeControl(bounds, dockMode, visible, unit) {}
    ~NativeContainerControl() override { MarkDestroying(); }
};

} // namespace gui::Windows
