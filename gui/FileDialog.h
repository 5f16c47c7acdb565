// The open or save file dialog: filters by extension, and a path that is where the dialog starts before a run and
// the chosen file after an accepted one.
#pragma once

#include "gui/Dialog.h"

#include "common/PathString.h"

namespace gui {

class FileDialog : public virtual Dialog {
public:
    // SetPath, then RunWithCallback.
    virtual bool RunAtWithCallback(Window* owner, DialogCallback callback, const common::String& path) = 0;
    // An extension without "*."; an empty description shows the extension itself. An empty extension adds nothing.
    virtual void AddFilter(const common::String& extension, const common::String& description) = 0;
    virtual const common::PathString& GetPath() const = 0;
    virtual void SetPath(const common::String& path) = 0;
    // Starts on folder followed by file name (no separator is put between) when that file exists, else on the
    // folder.
    virtual bool RunInFolder(Window* owner, const common::String& folder, const common::String& fileName) = 0;
};

} // namespace gui
