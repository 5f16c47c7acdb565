// A container control with a button-face background and a 3-D edge on any of its sides; its client area leaves
// 2 pixels free on each bordered side, so that its children sit inside the edge.
#pragma once

#include "gui/ContainerControlBase.h"

namespace gui {

// 0 none, 1 raised, 2 sunken, 3 etched, 4 bump; any other style draws no edge.
enum BorderStyle : int32_t { kNoBorder = 0, kRaisedBorder = 1, kSunkenBorder = 2, kEtchedBorder = 3, kBumpBorder = 4 };

class BorderedPanel : public virtual ContainerControl {
public:
    virtual int32_t GetBorderStyle() const = 0;
    virtual void SetBorderStyle(int32_t style) = 0;
    virtual void SetBorders(bool left, bool top, bool right, bool bottom) = 0;
};

class BorderedPanelBase : public virtual BorderedPanel, public virtual ContainerControlBase {
public:
    int32_t GetBorderStyle() const override { return borderStyle; }
    // A change lays the children out again and repaints the panel.
    void SetBorderStyle(int32_t style) override;
    void SetBorders(bool left, bool top, bool right, bool bottom) override;

protected:
    BorderedPanelBase(int32_t dockMode, int32_t borderStyle) : borderStyle(borderStyle) { InitAlignment(dockMode); }
    ~BorderedPanelBase() override { MarkDestroying(); }

    // Takes the edge off a client rectangle: 2 pixels on each bordered side, never below 0 (the origin then
    // stays where it was).
    void RemoveBorders(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const;

    bool BorderLeft() const { return borderLeft; }
    bool BorderTop() const { return borderTop; }
    bool BorderRight() const { return borderRight; }
    bool BorderBottom() const { return borderBottom; }

private:
    void Changed();

    int32_t borderStyle;
    bool borderLeft = true;
    bool borderTop = true;
    bool borderRight = true;
    bool borderBottom = true;
};

} // namespace gui
