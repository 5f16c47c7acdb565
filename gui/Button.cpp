#include "gui/Button.h"

#include "gui/Dialog.h"
#include "gui/DrawingObjects.h"

namespace gui {

ButtonBase::ButtonBase(const common::String& caption, int32_t kind, int32_t dockMode) : kind(kind) {
    InitAlignment(dockMode);
    text.Assign(caption);
}

ButtonBase::~ButtonBase() {
    MarkDestroying();
}

void ButtonBase::SetImage(common::Image* newImage) {
    if (newImage != image.get()) {
        image.reset(newImage);
    }
}

void ButtonBase::SetFlat(bool value) {
    if (value == flat) {
        return;
    }
    flat = value;
    Repaint();
}

void ButtonBase::SetLatched(bool value) {
    if (value == latched) {
        return;
    }
    latched = value;
    Repaint();
}

void ButtonBase::OnClick() {
    if (onClick == nullptr && kind != kPlainButton) {
        TitledWindow* topLevel = GetTopLevelWindow();
        auto* dialog = dynamic_cast<Dialog*>(topLevel);
        if (dialog != nullptr && dialog->IsDialog()) {
            dialog->EndModal(kind == kConfirmButton ? 1 : kind == kCancelButton ? 2 : result);
            return;
        }
    }
    if (onClick != nullptr) {
        onClick(this);
    }
}

Font* ButtonBase::GetEffectiveFont() {
    Font* own = GetFont();
    if (own != nullptr && !own->IsDefault()) {
        return own;
    }
    return FindAncestor();
}

} // namespace gui
