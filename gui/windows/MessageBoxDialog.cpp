#include "gui/windows/MessageBoxDialog.h"

namespace gui::Windows {

namespace {

UINT StyleOf(int32_t icon, bool errorForm) {
    if (errorForm) {
        return MB_OK | MB_ICONERROR;
    }
    switch (icon) {
    case kQuestionIcon:
        return MB_YESNO | MB_ICONQUESTION;
    case kInformationIcon:
        return MB_YESNO | MB_ICONINFORMATION;
    default:
        return MB_YESNO;
    }
}

} // namespace

MessageBoxDialog::MessageBoxDialog() {
    MarkSystemDialog(true);
}

bool MessageBoxDialog::Run(Window* owner) {
    HWND ownerWindow = nullptr;
    if (!BeginRun(owner, ownerWindow)) {
        return false;
    }
    const common::WideString text = Text();
    const common::WideString caption = GetTitle();
    MSGBOXPARAMSW params{};
    params.cbSize = sizeof(params);
    params.hwndOwner = ownerWindow;
    params.hInstance = GetInstance();
    params.lpszText = reinterpret_cast<const wchar_t*>(text.GetWide());
    params.lpszCaption = reinterpret_cast<const wchar_t*>(caption.GetWide());
    params.dwStyle = StyleOf(GetIcon(), IsErrorForm());
    const int answer = MessageBoxIndirectW(&params);
    EndRun();

    switch (answer) {
    case 0:
        SetResult(kNoAnswer);
        return false;
    case IDOK:
    case IDYES:
        SetResult(kAnswerOk);
        break;
    case IDCANCEL:
        SetResult(kAnswerCancel);
        break;
    case IDNO:
        SetResult(kAnswerNo);
        break;
    default:
        SetResult(kNoAnswer);
        break;
    }
    return true;
}

} // namespace gui::Windows
