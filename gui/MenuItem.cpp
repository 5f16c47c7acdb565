#include "gui/MenuItem.h"

#include "gui/PopupMenu.h"
#include "gui/TitledWindow.h"
#include "gui/UiText.h"

namespace gui {

MenuItem::~MenuItem() {
    if (parent != nullptr && position >= 0 && parent->GetNativeHandle() != nullptr) {
        GetNativeMenus().DeleteAt(parent->GetNativeHandle(), position);
    }
}

void MenuItem::Update(bool state, bool newText) {
    if (parent == nullptr || position < 0 || separator || (!state && !newText)) {
        return;
    }
    NativeMenus& menus = GetNativeMenus();
    MenuHandle menu = parent->EnsureHandle();
    if (newText) {
        menus.SetText(menu, position, text);
    }
    menus.SetEnabled(menu, position, enabled);
    menus.SetChecked(menu, position, checked);
    parent->Changed(position);
}

void MenuItem::UpdateAll() {
    if (parent != nullptr) {
        parent->UpdateAll();
    } else if (!separator) {
        Dispatch(-1, kMenuUpdate, 0);
    }
}

WindowHandle MenuItem::GetWindowHandle() {
    return parent != nullptr ? parent->GetWindowHandle() : nullptr;
}

Window* MenuItem::GetOwnerWindow() {
    return parent != nullptr ? parent->GetOwnerWindow() : nullptr;
}

void MenuItem::Retranslate() {
    if (textId < 0 || separator) {
        return;
    }
    common::WideString translated = GetUiText(textId);
    if (!translated.IsEmpty() && translated.Compare(text) != 0) {
        text.Assign(translated);
        Update(false, true);
    }
}

void MenuItem::SetText(const common::String& newText) {
    if (separator || text.Compare(newText) == 0) {
        return;
    }
    text.Assign(newText);
    Update(false, true);
}

bool MenuItem::Dispatch(int32_t at, int32_t kind, int32_t argument) {
    MenuItem* current = this;
    for (;;) {
        if (current->separator || current->ItemCount() <= at) {
            return false;
        }
        const bool leaf = current->ItemCount() == 0;
        if (kind == kMenuCommand && current->commandCallback != nullptr && current->commandCallback(current, at)) {
            return true;
        }
        if (kind == kMenuUpdate && current->updateCallback != nullptr && current->updateCallback(current, at) && leaf) {
            return true;
        }
        if (current->anyCallback != nullptr && current->anyCallback(current, at, kind, argument) &&
            (kind != kMenuUpdate || leaf)) {
            return true;
        }
        if (at < 0) {
            bool taken = false;
            // Callbacks may change the menu: the count is read again for every item.
            for (int32_t index = 0; index < current->ItemCount(); ++index) {
                MenuItem* item = current->ItemAt(index);
                if (item != nullptr && item->Dispatch(-1, kind, argument)) {
                    taken = true;
                }
            }
            return taken;
        }
        current = current->ItemAt(at);
        if (current == nullptr) {
            return false;
        }
        at = -1;
    }
}

void MenuItem::OnMenuCommand(int32_t at) {
    if (!separator) {
        Dispatch(at, kMenuCommand, 0);
    }
}

void MenuItem::TriggerItem(int32_t at) {
    if (!separator) {
        Dispatch(at, kMenuUpdate, 0);
    }
}

TitledWindow* MenuItem::GetTopLevelWindow() {
    Window* owner = GetOwnerWindow();
    return owner != nullptr ? owner->GetTopLevelWindow() : nullptr;
}

FrameWindow* MenuItem::GetFrameWindow() {
    Window* owner = GetOwnerWindow();
    return owner != nullptr ? owner->GetFrameWindow() : nullptr;
}

void MenuItem::SetEnabled(bool value) {
    enabled = value;
    Update(true, false);
}

void MenuItem::SetChecked(bool value) {
    checked = value;
    Update(true, false);
}

} // namespace gui
