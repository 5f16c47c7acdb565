// The folder browser: a prompt above the folder tree, and a path that is the first selection before a run and the
// chosen folder, ending with the separator, after an accepted one.
#pragma once

#include "gui/Dialog.h"

#include "common/PathString.h"

namespace gui {

class FolderDialog : public virtual Dialog {
public:
    // SetPath, then RunWithCallback.
    virtual bool RunAtWithCallback(Window* owner, DialogCallback callback, const common::String& path) = 0;
    virtual const common::PathString& GetPath() const = 0;
    virtual void SetPath(const common::String& path) = 0;
    virtual void SetPrompt(const common::String& prompt) = 0;
    // SetPath, then the run.
    virtual bool RunAt(Window* owner, const common::String& path) = 0;
};

} // namespace gui
