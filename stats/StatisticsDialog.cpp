// The Statistics dialog and the poller thread that keeps its counters current.
#include "stats/StatisticsDialog.h"

#include "stats/Statistics.h"

volatile LONG StatisticsRunning = 1;

namespace {

// The opening of the dialog that may still be read into: a new number each time the dialog
// opens, 0 from the moment its close begins. StatisticsRunning alone cannot stop a poller that
// sleeps through a close and a quick reopen, since the reopen sets it back to 1; such a poller
// finds a number other than its own here and ends without touching any window. The poller only
// ever tests this value, and the user-interface thread never waits for the poller, so a field
// write the poller has under way when the close begins cannot hold up the close.
volatile LONG StatisticsOpening = 0;
LONG StatisticsOpenings = 0;

// Handle and id of the latest poller. The handle is closed when the next opening starts its
// poller, as a refresh worker's is on the next Reload, so a long session holds one at most.
HANDLE StatisticsPollerThread = NULL;
DWORD StatisticsPollerId = 0;

INT_PTR OpenStatistics(HWND dialog)
{
    LONG opening = ++StatisticsOpenings;
    // Stored before the poller starts, so the poller learns which opening it belongs to
    // from its dialog, and learns nothing (0) if that dialog is already gone.
    SetWindowLongPtrW(dialog, DWLP_USER, opening);
    InterlockedExchange(&StatisticsOpening, opening);
    InterlockedExchange(&StatisticsRunning, 1);
    // Closing neither waits for that poller nor stops it.
    if (StatisticsPollerThread != NULL)
        CloseHandle(StatisticsPollerThread);
    StatisticsPollerThread = CreateThread(NULL, 0, StatisticsPoller, dialog, 0, &StatisticsPollerId);
    FillStatistics(dialog);
    return TRUE;
}

INT_PTR CloseStatistics(HWND dialog, int command)
{
    DWORD exitCode = 0;
    InterlockedExchange(&StatisticsOpening, 0);
    // A failed query means no poller was created: nothing to stop, nothing to wait for.
    if (GetExitCodeThread(StatisticsPollerThread, &exitCode) && exitCode == STILL_ACTIVE) {
        InterlockedExchange(&StatisticsRunning, 0);
        Sleep(1000);
    }
    EndDialog(dialog, command);
    return TRUE;
}

// A dialog destroyed without going through its close (its owner went first) is closed all
// the same as far as its poller is concerned.
INT_PTR ForgetStatistics(HWND dialog)
{
    LONG opening = static_cast<LONG>(GetWindowLongPtrW(dialog, DWLP_USER));
    InterlockedCompareExchange(&StatisticsOpening, 0, opening);
    return FALSE;
}

} // namespace

INT_PTR CALLBACK StatisticsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OpenStatistics(dialog);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            return CloseStatistics(dialog, LOWORD(wParam));
        return FALSE;
    case WM_DESTROY:
        return ForgetStatistics(dialog);
    }
    return FALSE;
}

DWORD WINAPI StatisticsPoller(LPVOID parameter)
{
    HWND dialog = static_cast<HWND>(parameter);
    LONG own = static_cast<LONG>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (own == 0)
        return 0;
    do {
        if (!FillStatisticsWhile(dialog, &StatisticsOpening, own))
            break;
        Sleep(2500);
    } while (StatisticsRunning != 0);
    return 0;
}
