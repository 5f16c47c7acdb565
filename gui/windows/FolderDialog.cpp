#include "gui/windows/FolderDialog.h"

#include "common/ProgramFolders.h"

#include <shlobj.h>

#include <array>

namespace gui::Windows {

int CALLBACK FolderDialogCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message != BFFM_INITIALIZED) {
        return 0;
    }
    auto* object = reinterpret_cast<FolderDialog*>(data);
    if (!ModalDialog::BindSystemDialog(object, window)) {
        return 1;
    }
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(object->GetPath().GetWide()));
    return 0;
}

FolderDialog::FolderDialog() {
    MarkSystemDialog(true);
}

bool FolderDialog::Run(Window* owner) {
    HWND ownerWindow = nullptr;
    if (!BeginRun(owner, ownerWindow)) {
        return false;
    }
    const common::WideString prompt = GetPrompt();
    BROWSEINFOW info{};
    info.hwndOwner = ownerWindow;
    info.lpszTitle = reinterpret_cast<const wchar_t*>(prompt.GetWide());
    info.lpfn = FolderDialogCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    EndRun();

    if (chosen == nullptr) {
        SetResult(kAnswerCancel);
        return true;
    }
    std::array<wchar_t, MAX_PATH> buffer{};
    const bool inFileSystem = SHGetPathFromIDListW(chosen, buffer.data()) != FALSE;
    CoTaskMemFree(chosen);
    // A choice outside the file system (the computer itself, say) names no folder: as a cancel.
    if (!inFileSystem || buffer[0] == L'\0') {
        SetResult(kAnswerCancel);
        return true;
    }
    common::PathString path(reinterpret_cast<const char16_t*>(buffer.data()));
    const char16_t last = path.WideCharAt(path.Length() - 1);
    if (last != u'\\' && last != u'/') {
        path.Append(common::GetPathSeparator());
    }
    SetPath(path);
    SetResult(kAnswerOk);
    return true;
}

} // namespace gui::Windows
