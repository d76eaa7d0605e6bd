#include "common/DialogCommand.h"

INT_PTR EndDialogOnOkOrCancel(HWND dialog, WPARAM wParam)
{
    WORD command = LOWORD(wParam);
    if (command != IDOK && command != IDCANCEL)
        return FALSE;
    EndDialog(dialog, command);
    return TRUE;
}
