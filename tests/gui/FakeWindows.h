// Small windows without a native side, for the portable toolkit's tests: a recording drawing context, a control,
// a panel (a container control) and a top-level frame window, each keeping a log of what reached it.
#pragma once

#include "gui/ContainerControlBase.h"
#include "gui/DrawingContext.h"
#include "gui/DrawingObjectProperties.h"
#include "gui/TitledWindowBase.h"
#include "gui/Units.h"

#include <string>
#include <vector>

namespace gui::testing {

// Records every Begin, End and face drawn; the clip is plain storage, as the drawing contexts keep it.
class RecordingContext : public DrawingContext {
public:
    struct Face {
        std::string window;
        Rect windowRect;
        Rect dirtyRect;
        bool clipped = false;
        Rect clip;
    };

    void OnFontChanged(uint32_t mask) override { fontChanges.push_back(mask); }
    void OnPenChanged(uint32_t mask) override { penChanges.push_back(mask); }
    void OnBrushChanged(uint32_t mask) override { brushChanges.push_back(mask); }
    Font* GetFont() override { return &font; }
    Pen* GetPen() override { return &pen; }
    Brush* GetBrush() override { return &brush; }
    bool Begin() override {
        ++begins;
        active = canBegin;
        return canBegin;
    }
    void End() override {
        ++ends;
        active = false;
    }
    bool IsActive() const override { return active; }
    void SetBounds(const Rect& bounds) override {
        clip = bounds.Normalised();
        clipped = true;
    }
    bool GetBounds(Rect& bounds) const override {
        if (clipped)
            bounds = clip;
        return clipped;
    }
    void ClearBounds() override { clipped = false; }
    bool CanDraw(const void*) override { return true; }
    bool MoveTo(int32_t, int32_t) override { return true; }
    bool LineTo(int32_t, int32_t) override { return true; }
    bool GetTextExtent(const common::String&, int32_t* width, int32_t* height) override {
        *width = 0;
        *height = 0;
        return false;
    }
    void DrawText(const common::String&, int32_t, int32_t) override {}
    void DrawTextInRect(const common::String&, const Rect&, uint32_t) override {}
    bool DrawRectangle(int32_t, int32_t, int32_t, int32_t) override { return true; }
    bool DrawFrame(int32_t, int32_t, int32_t, int32_t) override { return true; }
    bool FillRectangle(int32_t, int32_t, int32_t, int32_t) override { return true; }
    bool DrawImage(common::Image&, const Rect*, const Rect*, common::Image*) override { return true; }

    // Called by the fake windows' Draw.
    void Record(const std::string& window, const Rect& windowRect, const Rect& dirtyRect) {
        faces.push_back({window, windowRect, dirtyRect, clipped, clip});
    }

    bool canBegin = true;
    bool active = false;
    bool clipped = false;
    Rect clip;
    int begins = 0;
    int ends = 0;
    std::vector<Face> faces;
    std::vector<uint32_t> fontChanges;
    std::vector<uint32_t> penChanges;
    std::vector<uint32_t> brushChanges;
    FontProperties font{this};
    PenProperties pen{this};
    BrushProperties brush{this};
};

// What the fakes share: a name, a log of their calls, the answers of Draw, and the windowless client area.
template <typename Base>
class FakeWindow : public Base {
public:
    using Base::Base;

    bool Update(bool, bool, bool) override { return false; }
    bool Draw(DrawingContext* context, const Rect& windowRect, const Rect& dirtyRect, Rect* extent) override {
        if (extent != nullptr) {
            ++measures;
            if (measuredExtent == nullptr)
                return false;
            *extent = *measuredExtent;
            return true;
        }
        if (auto* recording = dynamic_cast<RecordingContext*>(context))
            recording->Record(name, windowRect, dirtyRect);
        return drawAnswer;
    }
    void Invalidate(int32_t, int32_t, int32_t, int32_t) override { ++invalidations; }
    bool Close() override { return false; }
    bool GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override {
        int32_t ignoredX = 0;
        int32_t ignoredY = 0;
        this->GetBounds(ignoredX, ignoredY, w, h);
        x = 0;
        y = 0;
        return true;
    }
    Cursor* GetCursor() override { return nullptr; }
    void Lock(bool lock) override {
        if (lock)
            ++locks;
        Base::Lock(lock);
    }
    bool SetBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t unit) override {
        ++boundsCalls;
        return Base::SetBounds(x, y, w, h, unit);
    }

    std::string name;
    bool drawAnswer = true;
    const Rect* measuredExtent = nullptr; // null: the window cannot measure itself
    int measures = 0;
    int invalidations = 0;
    int locks = 0;
    int boundsCalls = 0;
};

class FakeControl : public FakeWindow<ControlBase> {
public:
    // Visible, at (x, y, w, h), which is also its construction rectangle.
    FakeControl(const std::string& controlName, int32_t x, int32_t y, int32_t w, int32_t h,
                int32_t dockMode = kDockNone, bool windowless = true) {
        InitAlignment(dockMode);
        name = controlName;
        SetInitialBounds(x, y, w, h);
        StoreGeometry(x, y, w, h, true);
        SetWindowless(windowless);
    }
    ~FakeControl() override {
        MarkDestroying();
        if (deleted != nullptr)
            *deleted = true;
    }

    bool Create() override {
        if (refuseCreate)
            return false;
        ++creates;
        return ControlBase::Create();
    }
    void Destroy() override {
        ++destroys;
        ControlBase::Destroy();
    }

    bool refuseCreate = false;
    int creates = 0;
    int destroys = 0;
    bool* deleted = nullptr;
};

// Client area: the bounds less the margins, from (margin left, margin top).
template <typename Base>
class FakeContainerWindow : public FakeWindow<Base> {
public:
    using FakeWindow<Base>::FakeWindow;

    bool GetClientRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override {
        int32_t boundsX = 0;
        int32_t boundsY = 0;
        this->GetBounds(boundsX, boundsY, w, h);
        const Margins& margins = this->GetMargins();
        x = margins.left;
        y = margins.top;
        w = std::max(w - margins.left - margins.right, 0);
        h = std::max(h - margins.top - margins.bottom, 0);
        return true;
    }
    Font* GetFont() override { return &font; }

    FontProperties font;
};

class FakePanel : public FakeContainerWindow<ContainerControlBase> {
public:
    FakePanel(const std::string& panelName, int32_t x, int32_t y, int32_t w, int32_t h, int32_t dockMode = kDockNone) {
        InitAlignment(dockMode);
        name = panelName;
        SetInitialBounds(x, y, w, h);
        StoreGeometry(x, y, w, h, true);
        SetWindowless(true);
    }
    ~FakePanel() override {
        MarkDestroying();
        ReleaseChildren();
    }
    bool IsWindowless() const override { return ControlBase::IsWindowless(); }
};

// The top of a tree: paints through the context it is given, at origin (0, 0).
class FakeFrame : public FakeContainerWindow<FrameWindowBase> {
public:
    FakeFrame(int32_t w, int32_t h, common::TimerList::Counter* counter = nullptr)
        : FakeContainerWindow<FrameWindowBase>(0, counter) {
        name = "frame";
        StoreGeometry(0, 0, w, h, true);
    }
    ~FakeFrame() override {
        MarkDestroying();
        ReleaseChildren();
    }

    DrawingContext* GetGraphics(int32_t&, int32_t&) override { return context; }
    bool IsWindowless() const override { return false; }
    bool OnCreate() override { return true; }

    DrawingContext* context = nullptr;
};

} // namespace gui::testing
