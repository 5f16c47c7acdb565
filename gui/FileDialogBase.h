// The file dialog's data, and the filter text it shows: the system takes it with a zero character in place of
// every '\n'.
#pragma once

#include "gui/FileDialog.h"
#include "gui/ModalDialogBase.h"

#include "common/StringList.h"

namespace gui {

enum FileDialogMode : int32_t { kOpenFile = 0, kSaveFile = 1 };

// The UI texts of the catch-all entries.
constexpr int32_t kAllFilesTextId = 10000;
constexpr int32_t kAllSupportedFilesTextId = 10001;

// Pairs of entry name and patterns, each ended by '\n'. Adjacent filters with the same description share an
// entry. In open mode an entry of every pattern comes first; without any pattern there is only "All Files (*.*)".
common::WideString BuildFilterText(const common::StringList& extensions, const common::StringList& descriptions,
                                   int32_t mode);

class FileDialogBase : public virtual FileDialog, public virtual ModalDialogBase {
public:
    bool RunAtWithCallback(Window* owner, DialogCallback callback, const common::String& path) override;
    void AddFilter(const common::String& extension, const common::String& description) override;
    const common::PathString& GetPath() const override { return path; }
    void SetPath(const common::String& newPath) override { path.Assign(newPath); }
    bool RunInFolder(Window* owner, const common::String& folder, const common::String& fileName) override;
    bool RunModal(Window* owner) override { return Run(owner); }

    // Shows the dialog; nothing to show here.
    virtual bool Run(Window*) { return false; }

    // Open or save; a dialog in any other mode does not run.
    int32_t GetMode() const { return mode; }
    void SetMode(int32_t value) { mode = value; }
    common::WideString GetFilterText() const { return BuildFilterText(extensions, descriptions, mode); }

protected:
    FileDialogBase() = default;

private:
    int32_t mode = kOpenFile;
    common::StringList extensions;
    common::StringList descriptions;
    common::PathString path;
};

} // namespace gui
