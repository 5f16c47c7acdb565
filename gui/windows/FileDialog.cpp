#include "gui/windows/FileDialog.h"

#include "common/Paths.h"

#include <commdlg.h>

#include <algorithm>
#include <array>
#include <vector>

namespace gui::Windows {

namespace {

constexpr size_t kFileBufferLength = 1024;
// Room for the name and the two zero characters that end it.
constexpr int kLongestInitialName = 1020;

const wchar_t* TextOf(const common::String& text) {
    return reinterpret_cast<const wchar_t*>(text.GetWide());
}

} // namespace

UINT_PTR CALLBACK FileDialogHookProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* info = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        auto* object = info != nullptr ? reinterpret_cast<FileDialog*>(info->lCustData) : nullptr;
        return ModalDialog::BindSystemDialog(object, dialog) ? 0 : 1;
    }
    if (message == WM_NOTIFY) {
        // The system arranges its controls after the hook's WM_INITDIALOG and may resize the dialog then.
        const auto* notice = reinterpret_cast<const OFNOTIFYW*>(lParam);
        if (notice != nullptr && notice->hdr.code == CDN_INITDONE && notice->lpOFN != nullptr) {
            auto* object = reinterpret_cast<FileDialog*>(notice->lpOFN->lCustData);
            if (object != nullptr && object->GetHandle() != nullptr) {
                object->Recentre();
            }
        }
    }
    return 0;
}

FileDialog::FileDialog() : systemSized(true) {
    MarkSystemDialog(true);
}

FileDialog::FileDialog(int32_t w, int32_t h) : ModalDialog(w, h), systemSized(false) {
    MarkSystemDialog(false);
}

void FileDialog::Recentre() {
    if (systemSized) {
        NativeWindow::Update(true, true, false);
    }
    CentreOnOwner();
}

bool FileDialog::Run(Window* owner) {
    HWND ownerWindow = nullptr;
    if (!BeginRun(owner, ownerWindow)) {
        return false;
    }
    const int32_t mode = GetMode();
    if (mode != kOpenFile && mode != kSaveFile) {
        EndRun();
        return false;
    }

    // The system takes the entries as zero-ended texts, the last one followed by one more zero.
    const common::WideString text = GetFilterText();
    std::vector<wchar_t> filter(static_cast<size_t>(text.Length()) + 1, L'\0');
    for (int index = 0; index < text.Length(); ++index) {
        const char16_t character = text.WideCharAt(index);
        filter[static_cast<size_t>(index)] = character == u'\n' ? L'\0' : static_cast<wchar_t>(character);
    }

    // The dialog starts on the path's file only when it exists.
    const common::PathString& path = GetPath();
    common::PathString name = common::GetFileName(path);
    if (!common::FileExists(path)) {
        name.Clear();
    }
    std::array<wchar_t, kFileBufferLength> file{};
    if (!name.IsEmpty() && name.Length() <= kLongestInitialName) {
        std::copy_n(TextOf(name), name.Length(), file.data());
    }

    OPENFILENAMEW info{};
    info.lStructSize = sizeof(info);
    info.hwndOwner = ownerWindow;
    info.lpstrFilter = filter.data();
    info.nFilterIndex = 1;
    info.lpstrFile = file.data();
    info.nMaxFile = static_cast<DWORD>(file.size());
    info.lpstrInitialDir = TextOf(path);
    info.Flags = (mode == kOpenFile ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
                                    : OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT) |
                 OFN_EXPLORER | OFN_ENABLEHOOK;
    info.lCustData = reinterpret_cast<LPARAM>(this);
    info.lpfnHook = FileDialogHookProc;
    const BOOL accepted = mode == kOpenFile ? GetOpenFileNameW(&info) : GetSaveFileNameW(&info);
    EndRun();

    if (accepted) {
        SetPath(common::WideString(reinterpret_cast<const char16_t*>(file.data())));
        SetResult(kAnswerOk);
    } else {
        SetResult(kAnswerCancel);
    }
    return true;
}

} // namespace gui::Windows
