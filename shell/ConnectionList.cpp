#include "shell/ConnectionList.h"

#include <commctrl.h>

#include "shell/MainWindow.h"
#include "snapshot/ConnectionRow.h"
#include "snapshot/TablePasses.h"

HWND ConnectionList = NULL;
HANDLE RefreshWorkerHandle = NULL;
DWORD RefreshWorkerId = 0;

namespace {

const DWORD REFRESH_DELAY_MS = 1500;
const int COLUMN_WIDTH = 100;

// Each pass inserts at positions counted from 0 and sets the other texts by position, so
// two fills running at once would mix their rows. Workers therefore fill one at a time.
SRWLOCK FillLock = SRWLOCK_INIT;

// Number of workers that have finished their delay and queued for the fill. Only the worker
// holding the latest ticket has a fill worth making: an older one still filling stops between
// two rows once a newer one queues, rather than making a Reload wait behind every one of its
// remaining name lookups (seconds each where the name service does not answer), and one still
// queued leaves the list alone.
volatile LONG FillTickets = 0;

BOOL IsLatestTicket(LONG ticket)
{
    return ticket == FillTickets;
}

void FillWhenNoOtherWorkerIs(HWND list)
{
    LONG ticket = InterlockedIncrement(&FillTickets);
    AcquireSRWLockExclusive(&FillLock);
    RefreshConnectionsWhileWanted(list, IsLatestTicket, ticket);
    ReleaseSRWLockExclusive(&FillLock);
}

} // namespace

HWND CreateConnectionList(HWND main)
{
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);

    RECT client;
    GetClientRect(main, &client);
    return CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT | LVS_EDITLABELS, 0, 0,
                           client.right - client.left, client.bottom - client.top, main, NULL, Instance, NULL);
}

int InsertConnectionColumns()
{
    for (int column = 0; column < CONNECTION_COLUMN_COUNT; ++column) {
        LVCOLUMNW record;
        ZeroMemory(&record, sizeof(record));
        record.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        // Addresses read best flush left; the rest line up on the right.
        record.fmt = column <= COLUMN_SOURCE_ADDRESS ? LVCFMT_LEFT : LVCFMT_RIGHT;
        record.cx = COLUMN_WIDTH;
        record.pszText = const_cast<LPWSTR>(ConnectionColumnTitles[column]);
        record.iSubItem = column;
        if (SendMessageW(ConnectionList, LVM_INSERTCOLUMNW, column, (LPARAM)&record) == -1)
            return 0;
    }
    return 1;
}

DWORD WINAPI RefreshWorker(LPVOID)
{
    Sleep(REFRESH_DELAY_MS);
    FillWhenNoOtherWorkerIs(ConnectionList);
    return 0;
}

int StartRefresh()
{
    if (RefreshWorkerHandle != NULL)
        CloseHandle(RefreshWorkerHandle);
    RefreshWorkerHandle = CreateThread(NULL, 0, RefreshWorker, ConnectionList, 0, &RefreshWorkerId);
    return RefreshWorkerHandle != NULL ? 1 : 0;
}
