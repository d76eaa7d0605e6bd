#include "testsupport/ListHarness.h"

#include <commctrl.h>
#include <wchar.h>

#include "common/Countof.h"
#include "shell/ConnectionList.h"
#include "shell/MainWindow.h"
#include "snapshot/ConnectionRow.h"
#include "snapshot/TablePasses.h"

namespace {

enum {
    WM_PROBE = WM_APP + 1, // wParam, lParam: low and high half of the posting time
    WM_JOB_DONE = WM_APP + 2
};

HWND MainWindow;
LARGE_INTEGER CounterFrequency;
volatile LONG ProbeStop;
WorkerRun ProbeFigures;

struct WorkerStart {
    HWND list;
    WorkerJob job;
    void *context;
    LARGE_INTEGER finished;
};

LRESULT CALLBACK HarnessWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PROBE)
        return DefWindowProcW(window, message, wParam, lParam);
    LARGE_INTEGER now;
    LARGE_INTEGER posted;
    QueryPerformanceCounter(&now);
    posted.LowPart = (DWORD)wParam;
    posted.HighPart = (LONG)lParam;
    double waitMs = (double)(now.QuadPart - posted.QuadPart) * 1000.0 / (double)CounterFrequency.QuadPart;
    if (waitMs > ProbeFigures.longestPostWaitMs)
        ProbeFigures.longestPostWaitMs = waitMs;
    if (waitMs > 50.0)
        ProbeFigures.postsOver50Ms++;
    ProbeFigures.postsSeen++;
    return 0;
}

void PumpPendingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

DWORD WINAPI Worker(LPVOID parameter)
{
    WorkerStart *start = (WorkerStart *)parameter;
    start->job(start->list, start->context);
    QueryPerformanceCounter(&start->finished);
    PostMessageW(MainWindow, WM_JOB_DONE, 0, 0);
    return 0;
}

DWORD WINAPI ProbePoster(LPVOID)
{
    while (!ProbeStop) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        PostMessageW(MainWindow, WM_PROBE, (WPARAM)now.LowPart, (LPARAM)now.HighPart);
        Sleep(PROBE_INTERVAL_MS);
    }
    return 0;
}

void StopProbe(HANDLE prober)
{
    InterlockedExchange(&ProbeStop, 1);
    if (!prober)
        return;
    WaitForSingleObject(prober, INFINITE);
    CloseHandle(prober);
}

} // namespace

HWND CreateWorkerList()
{
    QueryPerformanceFrequency(&CounterFrequency);
    Instance = GetModuleHandleW(NULL);
    WNDCLASSEXW windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = HarnessWndProc;
    windowClass.hInstance = Instance;
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"VantrelWorkerList";
    if (!RegisterClassExW(&windowClass))
        return NULL;
    MainWindow = CreateWindowExW(0, L"VantrelWorkerList", L"Vantrel worker list", WS_OVERLAPPEDWINDOW, 0, 0, 900, 600,
                                 NULL, NULL, Instance, NULL);
    if (!MainWindow)
        return NULL;
    ShowWindow(MainWindow, SW_SHOW);
    UpdateWindow(MainWindow);

    ConnectionList = CreateConnectionList(MainWindow);
    if (!ConnectionList || !InsertConnectionColumns())
        return NULL;
    ShowWindow(ConnectionList, SW_SHOW);
    // Let the window settle (first paints) before anything is timed.
    PumpPendingMessages();
    return ConnectionList;
}

WorkerRun RunOnWorker(HWND list, WorkerJob job, void *context, bool probe)
{
    WorkerRun run;
    ZeroMemory(&run, sizeof(run));
    run.seconds = -1.0;
    WorkerStart start = {list, job, context, {}};

    ZeroMemory(&ProbeFigures, sizeof(ProbeFigures));
    ProbeStop = 0;
    HANDLE prober = probe ? CreateThread(NULL, 0, ProbePoster, NULL, 0, NULL) : NULL;
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    HANDLE worker = CreateThread(NULL, 0, Worker, &start, 0, NULL);
    if (!worker) {
        StopProbe(prober);
        return run;
    }

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        if (msg.hwnd == MainWindow && msg.message == WM_JOB_DONE)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    run = ProbeFigures;
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    StopProbe(prober);
    // Probe messages posted after the job ended are not part of the run.
    PumpPendingMessages();
    run.seconds = (double)(start.finished.QuadPart - started.QuadPart) / (double)CounterFrequency.QuadPart;
    return run;
}

void RefreshJob(HWND list, void *)
{
    RefreshConnections(list);
}

void ClearList(HWND list)
{
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    PumpPendingMessages();
}

int ListRowCount(HWND list)
{
    return (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
}

namespace {

const wchar_t *const PassLabels[PASS_COUNT] = {LabelTcp4, LabelTcp6, LabelUdp4, LabelUdp6};

std::wstring CellText(HWND list, int row, int column)
{
    wchar_t text[ROW_TEXT_CHARS] = {0};
    LVITEMW item;
    ZeroMemory(&item, sizeof(item));
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = COUNTOF(text);
    SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item);
    text[COUNTOF(text) - 1] = L'\0';
    return text;
}

int PassOfProtocol(const std::wstring &label)
{
    for (int pass = 0; pass < PASS_COUNT; pass++)
        if (label == PassLabels[pass])
            return pass;
    return -1;
}

} // namespace

bool ReadFloorRowsFromList(HWND list, FloorRows *rows)
{
    int count = ListRowCount(list);
    std::vector<int> passOfRow(count);
    ZeroMemory(rows->rowCount, sizeof(rows->rowCount));
    for (int row = 0; row < count; row++) {
        passOfRow[row] = PassOfProtocol(CellText(list, row, COLUMN_PROTOCOL));
        if (passOfRow[row] < 0)
            return false;
        rows->rowCount[passOfRow[row]]++;
    }
    rows->firstRow[0] = 0;
    for (int pass = 1; pass < PASS_COUNT; pass++)
        rows->firstRow[pass] = rows->firstRow[pass - 1] + rows->rowCount[pass - 1];

    // Each pass inserted its rows at the top in table order, so within a protocol group the
    // list order is the pass's order.
    rows->text.assign((size_t)count * CONNECTION_COLUMN_COUNT, std::wstring());
    int filled[PASS_COUNT] = {0, 0, 0, 0};
    for (int row = 0; row < count; row++) {
        int pass = passOfRow[row];
        size_t slot = (size_t)(rows->firstRow[pass] + filled[pass]++) * CONNECTION_COLUMN_COUNT;
        for (int column = 0; column < CONNECTION_COLUMN_COUNT; column++)
            rows->text[slot + column] = CellText(list, row, column);
    }
    return true;
}

void SendFloorRowsWithHeapCalls(HWND list, const FloorRows &rows, const DWORD heapBlockBytes[PASS_COUNT])
{
    HANDLE heap = GetProcessHeap();
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (int pass = 0; pass < PASS_COUNT; pass++) {
        LVITEMW item;
        ZeroMemory(&item, sizeof(item));
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
        item.iImage = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        void *table = heapBlockBytes ? HeapAlloc(heap, HEAP_ZERO_MEMORY, heapBlockBytes[pass]) : NULL;
        const std::wstring *text = rows.text.data() + (size_t)rows.firstRow[pass] * CONNECTION_COLUMN_COUNT;
        for (int i = 0; i < rows.rowCount[pass]; i++, text += CONNECTION_COLUMN_COUNT) {
            void *module = heapBlockBytes ? HeapAlloc(heap, HEAP_ZERO_MEMORY, heapBlockBytes[pass]) : NULL;
            item.iItem = i;
            item.iSubItem = 0;
            item.pszText = (LPWSTR)text[0].c_str();
            SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
            if (module)
                HeapFree(heap, 0, module);
            for (int column = 1; column < CONNECTION_COLUMN_COUNT; column++) {
                item.iSubItem = column;
                item.pszText = (LPWSTR)text[column].c_str();
                SendMessageW(list, LVM_SETITEMW, 0, (LPARAM)&item);
            }
        }
        if (table)
            HeapFree(heap, 0, table);
    }
}

void SendFloorRows(HWND list, void *context)
{
    SendFloorRowsWithHeapCalls(list, *(const FloorRows *)context, NULL);
}
