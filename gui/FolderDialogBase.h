// The folder browser's data.
#pragma once

#include "gui/FolderDialog.h"
#include "gui/ModalDialogBase.h"

namespace gui {

class FolderDialogBase : public virtual FolderDialog, public virtual ModalDialogBase {
public:
    bool RunAtWithCallback(Window* owner, DialogCallback callback, const common::String& newPath) override {
        SetPath(newPath);
        return RunWithCallback(owner, callback, true);
    }
    const common::PathString& GetPath() const override { return path; }
    void SetPath(const common::String& newPath) override { path.Assign(newPath); }
    void SetPrompt(const common::String& newPrompt) override { prompt.Assign(newPrompt); }
    bool RunAt(Window* owner, const common::String& newPath) override {
        SetPath(newPath);
        return Run(owner);
    }
    bool RunModal(Window* owner) override { return Run(owner); }

    // Shows the dialog; nothing to show here.
    virtual bool Run(Window*) { return false; }

    const common::WideString& GetPrompt() const { return prompt; }

protected:
    FolderDialogBase() = default;

private:
    common::PathString path;
    common::WideString prompt;
};

} // namespace gui
