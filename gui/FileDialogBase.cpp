#include "gui/FileDialogBase.h"

#include "gui/UiText.h"

#include "common/Paths.h"

namespace gui {

common::WideString BuildFilterText(const common::StringList& extensions, const common::StringList& descriptions,
                                   int32_t mode) {
    common::WideString groups;
    common::WideString label;
    common::WideString patterns;
    common::WideString all;
    common::WideString lastDescription;
    auto closeGroup = [&] {
        if (patterns.IsEmpty() && label.IsEmpty()) {
            return;
        }
        groups.Append(label);
        groups.Append(")\n");
        groups.Append(patterns);
        groups.Append("\n");
        label.Clear();
        patterns.Clear();
    };
    for (int index = 0; index < extensions.Count(); ++index) {
        const common::String& extension = *extensions.At(index);
        const common::String* description = descriptions.At(index);
        common::WideString current;
        if (description != nullptr) {
            current.Assign(*description);
        }
        if (current.Compare(lastDescription) == 0) {
            label.Append(",*.");
            label.Append(extension);
            patterns.Append(";*.");
        } else {
            closeGroup();
            lastDescription.Assign(current);
            label.Assign(current);
            label.Append(" (*.");
            label.Append(extension);
            patterns.Assign("*.");
        }
        patterns.Append(extension);
        if (!all.IsEmpty()) {
            all.Append(";");
        }
        if (extension.Compare("*") != 0) {
            all.Append("*.");
            all.Append(extension);
        }
    }
    closeGroup();

    common::WideString text;
    if (all.IsEmpty()) {
        text.Assign(GetUiText(kAllFilesTextId));
        text.Append(" (*.*)\n*.*\n");
    } else if (mode == kOpenFile) {
        text.Assign(GetUiText(kAllSupportedFilesTextId));
        text.Append("\n");
        text.Append(all);
        text.Append("\n");
        text.Append(groups);
    } else {
        text.Assign(groups);
    }
    return text;
}

bool FileDialogBase::RunAtWithCallback(Window* owner, DialogCallback callback, const common::String& newPath) {
    SetPath(newPath);
    return RunWithCallback(owner, callback, true);
}

void FileDialogBase::AddFilter(const common::String& extension, const common::String& description) {
    if (extension.IsEmpty()) {
        return;
    }
    extensions.Add(extension);
    descriptions.Add(description.IsEmpty() ? extension : description);
}

bool FileDialogBase::RunInFolder(Window* owner, const common::String& folder, const common::String& fileName) {
    common::PathString candidate;
    candidate.Assign(folder);
    candidate.Append(fileName);
    SetPath(common::FileExists(candidate) ? static_cast<const common::String&>(candidate) : folder);
    return Run(owner);
}

} // namespace gui
