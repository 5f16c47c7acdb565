// A modal dialog: a titled window run on behalf of a top-level owner. Its answer stays in the result: 1 OK or
// yes, 2 cancel, 3 no, 0 no answer; the run operations tell only whether the dialog could be shown.
#pragma once

#include "gui/TitledWindow.h"

namespace gui {

using DialogCallback = void (*)(Window* dialog);

enum DialogResult : int32_t { kNoAnswer = 0, kAnswerOk = 1, kAnswerCancel = 2, kAnswerNo = 3 };

class Dialog : public virtual TitledWindow {
public:
    // RunModal, then the callback when it ran; false unless owner, callback and enabled are all given.
    virtual bool RunWithCallback(Window* owner, DialogCallback callback, bool enabled) = 0;
    virtual bool EndModal(int32_t result) = 0;
    virtual int32_t GetResult() const = 0;
    virtual int32_t GetPlacement() const = 0;
    virtual bool RunModal(Window* owner) = 0;
};

} // namespace gui
