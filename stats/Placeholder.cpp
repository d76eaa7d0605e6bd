// PLACEHOLDER until the Statistics dialog lands: lets the shell link. Delete with the real dialog.
#include "stats/StatisticsDialog.h"

volatile LONG StatisticsRunning = 1;

INT_PTR CALLBACK StatisticsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}
