#include "frontend/OptionMenus.h"

#include "common/OptionNode.h"
#include "gui/PopupMenu.h"
#include "gui/UiText.h"

namespace emu {
namespace {

common::OptionNode* OptionOf(gui::MenuItem* item) {
    return item != nullptr ? reinterpret_cast<common::OptionNode*>(item->UserData()) : nullptr;
}

void Bind(gui::MenuItem& item, common::OptionNode& option, OptionHandler handler) {
    item.TextId() = option.TextId();
    if (item.IsChecked() != option.IsChecked()) {
        item.SetChecked(option.IsChecked());
    }
    item.UserData() = reinterpret_cast<uintptr_t>(&option);
    item.OnAny() = handler;
}

// The caption in the current language: the text id's text, else the option's own (a caption may be fixed).
common::WideString CaptionOf(const common::OptionNode& option) {
    if (option.TextId() >= 0) {
        common::WideString text = gui::GetUiText(option.TextId());
        if (!text.IsEmpty()) {
            return text;
        }
    }
    return option.Text();
}

} // namespace

bool BuildOptionMenu(common::OptionNode* node, gui::PopupMenu* popup, bool nested, OptionHandler handler) {
    if (node == nullptr || popup == nullptr) {
        return false;
    }
    const int32_t count = node->ChildCount();
    for (int32_t i = 0; i < count; ++i) {
        common::OptionNode* child = node->ChildAt(i);
        if (child == nullptr) {
            continue;
        }
        gui::MenuItem* item = nullptr;
        if (child->ChildCount() == 0) {
            if (child->IsSeparator()) {
                // Nor after a separator already there: a tree that opens with one follows the separator set
                // before it.
                common::OptionNode* next = node->ChildAt(i + 1);
                const int32_t last = popup->ItemCount() - 1;
                const bool afterSeparator = last >= 0 && popup->ItemAt(last)->IsSeparator();
                if (i + 1 < count && (next == nullptr || !next->IsSeparator()) && !afterSeparator) {
                    if (gui::MenuItem* separator = popup->AddSeparator(false)) {
                        separator->UserData() = reinterpret_cast<uintptr_t>(child);
                    }
                }
                continue;
            }
            if (child->IsRadioItem()) {
                item = popup->AddItem(child->Text(), true, true);
            } else if (child->HasCheckMark()) {
                item = popup->AddItem(child->Text(), true, false);
            } else {
                item = popup->AddItem(child->Text(), true);
            }
        } else {
            gui::PopupMenu* submenu =
                popup->AddSubmenu(child->Text(), child->IsEnabled(), child->HasCheckMark(), nested);
            if (submenu != nullptr) {
                submenu->TextId() = child->TextId();
                BuildOptionMenu(child, submenu, nested, handler);
            }
            item = submenu;
        }
        if (item != nullptr) {
            Bind(*item, *child, handler);
        }
    }
    return true;
}

bool BuildOptionTreeMenus(const std::vector<OptionTreeMenu>& trees, OptionHandler handler) {
    for (const OptionTreeMenu& tree : trees) {
        if (tree.popup == nullptr) {
            continue;
        }
        if (tree.root != nullptr && tree.root->ChildCount() > 0) {
            tree.popup->AddSeparator(true);
            if (!BuildOptionMenu(tree.root, tree.popup, tree.nested, handler)) {
                return false;
            }
        } else {
            const int32_t last = tree.popup->ItemCount() - 1;
            gui::MenuItem* tail = tree.popup->ItemAt(last);
            if (tail != nullptr && tail->IsSeparator()) {
                tree.popup->RemoveAt(last);
            }
        }
    }
    return true;
}

bool HandleDeviceOption(gui::MenuItem* item, int32_t position, int32_t kind, const ParkedRunner& runParked) {
    common::OptionNode* option = OptionOf(item);
    if (position >= 0 || option == nullptr || !runParked) {
        return false;
    }
    if (kind == gui::kMenuCommand) {
        // A device must not see its settings change under a running machine: a park that times out changes nothing.
        runParked([option] { option->Activate(); });
        const OptionHandler handler = item->OnAny();
        for (gui::MenuItem* current = item;
             current != nullptr && OptionOf(current) != nullptr && current->OnAny() == handler;
             current = current->GetParent()) {
            const common::WideString caption = CaptionOf(*OptionOf(current));
            if (caption.Compare(current->GetText()) != 0) {
                current->SetText(caption);
            }
        }
        item->UpdateAll();
        return true;
    }
    if (kind == gui::kMenuUpdate) {
        const bool enabled = option->IsEnabled();
        const bool checked = option->IsChecked();
        const bool visible = option->IsVisible();
        if (item->IsEnabled() != enabled) {
            item->SetEnabled(enabled);
        }
        if (item->IsChecked() != checked) {
            item->SetChecked(checked);
        }
        item->Visible() = visible;
        return true;
    }
    return false;
}

} // namespace emu
