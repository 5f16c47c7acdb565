// A child control: it sits in a container, which places it by its dock mode (see ContainerBase) and owns it.
#pragma once

#include "gui/Window.h"

#include "common/WideString.h"

namespace gui {

class Font;

// Dock modes of the container layout.
enum DockMode : int32_t {
    kDockNone = 0,
    kDockLeft = 1,
    kDockRight = 2,
    kDockTop = 3,
    kDockBottom = 4,
    kDockCentre = 5,
    kDockFill = 6,
    kDockLeftCentred = 7,
    kDockRightCentred = 8,
    kDockTopCentred = 9,
    kDockBottomCentred = 10,
    kDockLeftTop = 11,
    kDockRightTop = 12,
    kDockLeftBottom = 13,
    kDockRightBottom = 14,
    kDockLeftFitted = 15,
};

class Control : public virtual Window {
public:
    // Only while the control is not created.
    virtual void SetParent(Container* parent) = 0;
    // Pushes the stored rectangle through SetBounds again.
    virtual void ApplyBounds() = 0;
    // Called by the layout on controls that are not docked.
    virtual void Refresh(Container* container) = 0;
    // The font of the nearest ancestor container that has one of its own, up to the top-level window.
    virtual Font* FindAncestor() = 0;
    virtual int32_t GetAlignment() const = 0;
    virtual void SetAlignment(int32_t mode) = 0;
    virtual int32_t GetGroup() const = 0;
    virtual void SetGroup(int32_t group) = 0;
    virtual bool IsEnabled(bool withAncestors) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual const common::WideString& GetTooltip() const = 0;
    virtual void SetTooltip(const common::String& text) = 0;

    // The rectangle the control was constructed with, in pixels; the layout's fitted width starts from it.
    void GetInitialBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const {
        x = initialX;
        y = initialY;
        w = initialWidth;
        h = initialHeight;
    }

protected:
    void SetInitialBounds(int32_t x, int32_t y, int32_t w, int32_t h) {
        initialX = x;
        initialY = y;
        initialWidth = w;
        initialHeight = h;
    }

private:
    int32_t initialX = 0;
    int32_t initialY = 0;
    int32_t initialWidth = 0;
    int32_t initialHeight = 0;
};

} // namespace gui
