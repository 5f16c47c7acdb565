// The message box: a question answered Yes (1) or No (3), with the title as its caption; or, in its error form, a
// message confirmed with OK (1).
#pragma once

#include "gui/Dialog.h"

#include "common/WideString.h"

namespace gui {

// Icon kinds; any other value shows no icon.
enum MessageBoxIcon : int32_t { kNoIcon = 0, kQuestionIcon = 1, kInformationIcon = 2 };

class MessageBoxDialog : public virtual Dialog {
public:
    // SetText and SetTitle, then RunWithCallback.
    virtual bool ShowWithCallback(Window* owner, DialogCallback callback, const common::String& text,
                                  const common::String& title) = 0;
    virtual common::WideString Text() const = 0;
    virtual void SetText(const common::String& text) = 0;
    virtual int32_t GetIcon() const = 0;
    virtual void SetIcon(int32_t icon) = 0;
    // SetText and SetTitle, then the run.
    virtual bool Show(Window* owner, const common::String& text, const common::String& title) = 0;
};

} // namespace gui
