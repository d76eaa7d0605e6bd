#include "shell/AboutDialog.h"

#include "common/DialogCommand.h"
#include "res/resource.h"

namespace {

// Shown in a read-only edit rather than a static so the user can select and copy it.
const wchar_t ToolUrlLine[] = L"Tool URL:  https://vantrel.example/";

} // namespace

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextW(dialog, IDC_ABOUT_URL, ToolUrlLine);
        return TRUE;
    case WM_COMMAND:
        return EndDialogOnOkOrCancel(dialog, wParam);
    default:
        return FALSE;
    }
}
