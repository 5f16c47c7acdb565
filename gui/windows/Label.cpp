#include "gui/windows/Label.h"

#include "gui/DrawingContext.h"

namespace gui::Windows {

namespace {

constexpr int32_t kHighlight = 2;
constexpr int32_t kGreyText = 1;

} // namespace

Label::Label(int32_t x, int32_t y, int32_t w, int32_t h, const common::String& caption, int32_t dockMode, bool visible)
    : LabelBase(caption, dockMode), NativeControl(x, y, w, h, dockMode, visible) {}

Label::~Label() {
    MarkDestroying();
    closing = true;
}

bool Label::Draw(DrawingContext* context, const Rect& window, const Rect&, Rect* extent) {
    if (extent != nullptr || inDraw || closing || GetText().IsEmpty() || context == nullptr) {
        return false;
    }
    inDraw = true;
    Font* font = context->GetFont();
    font->Assign(GetEffectiveFont());
    // Inclusive corners; the text takes the whole control.
    const Rect area{window.left, window.top, window.right + 1, window.bottom + 1};
    if (IsEnabled(true)) {
        context->DrawTextInRect(GetText(), area, GetTextAlignment());
    } else {
        font->SetColour(GetSystemColour(kHighlight));
        context->DrawTextInRect(GetText(), Rect{area.left + 1, area.top + 1, area.right, area.bottom},
                                GetTextAlignment());
        font->SetColour(GetSystemColour(kGreyText));
        context->DrawTextInRect(GetText(), area, GetTextAlignment());
    }
    inDraw = false;
    return true;
}

} // namespace gui::Windows
