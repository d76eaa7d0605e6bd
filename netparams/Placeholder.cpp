// PLACEHOLDER until the Network Data dialog lands: lets the shell link. Delete with the real dialog.
#include "netparams/NetworkDataDialog.h"

INT_PTR CALLBACK NetworkDataDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}
