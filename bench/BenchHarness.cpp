#include "bench/BenchHarness.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "common/Countof.h"

enum {
    WM_BENCH_PROBE = WM_APP + 1, // wParam, lParam: low and high half of the posting time
    WM_BENCH_DONE = WM_APP + 2
};

namespace {

HWND MainWindow;
LARGE_INTEGER CounterFrequency;

} // namespace

DWORD ProbeIntervalMs = 2;

namespace {

volatile LONG ProbeStop;
HWND ProbedList;
LARGE_INTEGER RunStarted;
BenchRun ProbeFigures;

} // namespace

struct WorkerStart {
    HWND list;
    BenchJob job;
    void *context;
    LARGE_INTEGER finished;
};

namespace {

const wchar_t *const PassLabels[BENCH_PASS_COUNT] = {L"TCPv4", L"TCPv6", L"UDPv4", L"UDPv6"};

LRESULT CALLBACK BenchWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_BENCH_PROBE) {
        LARGE_INTEGER now;
        LARGE_INTEGER posted;
        QueryPerformanceCounter(&now);
        posted.LowPart = (DWORD)wParam;
        posted.HighPart = (LONG)lParam;
        double waitMs = (double)(now.QuadPart - posted.QuadPart) * 1000.0 / (double)CounterFrequency.QuadPart;
        if (waitMs > ProbeFigures.longestPostWaitMs) {
            ProbeFigures.longestPostWaitMs = waitMs;
            ProbeFigures.longestWaitEndedAtS =
                (double)(now.QuadPart - RunStarted.QuadPart) / (double)CounterFrequency.QuadPart;
            ProbeFigures.rowsAtLongestWait = (int)SendMessageW(ProbedList, LVM_GETITEMCOUNT, 0, 0);
        }
        if (waitMs > 50.0)
            ProbeFigures.postsOver50Ms++;
        ProbeFigures.postsSeen++;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateListWindow(DWORD extraStyle)
{
    RECT client;
    GetClientRect(MainWindow, &client);
    HWND list = CreateWindowExW(0, L"SysListView32", L"", WS_CHILD | LVS_REPORT | LVS_EDITLABELS | extraStyle, 0, 0,
                                client.right - client.left, client.bottom - client.top, MainWindow, NULL,
                                GetModuleHandleW(NULL), NULL);
    if (!list)
        return NULL;
    ShowWindow(list, SW_SHOW);

    static const wchar_t *const titles[BENCH_COLUMN_COUNT] = {L"Module Name", L"Source Address", L"Remote Address",
                                                              L"Remote Name", L"Status",         L"Protocol"};
    for (int column = 0; column < BENCH_COLUMN_COUNT; column++) {
        LVCOLUMNW record;
        ZeroMemory(&record, sizeof(record));
        record.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        record.fmt = column < 2 ? LVCFMT_LEFT : LVCFMT_RIGHT;
        record.cx = 100;
        record.pszText = (LPWSTR)titles[column];
        record.iSubItem = column;
        if (SendMessageW(list, LVM_INSERTCOLUMNW, column, (LPARAM)&record) == -1) {
            DestroyWindow(list);
            return NULL;
        }
    }

    // Let the window settle (first paints) before anything is timed.
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return list;
}

} // namespace

HWND CreateExtraList(DWORD extraStyle)
{
    return CreateListWindow(extraStyle);
}

HWND CreateBenchList(void)
{
    QueryPerformanceFrequency(&CounterFrequency);
    HINSTANCE instance = GetModuleHandleW(NULL);

    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = BenchWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"VantrelBenchWindow";
    if (!RegisterClassExW(&windowClass))
        return NULL;

    MainWindow = CreateWindowExW(0, L"VantrelBenchWindow", L"Vantrel bench", WS_OVERLAPPEDWINDOW, 0, 0, 900, 600, NULL,
                                 NULL, instance, NULL);
    if (!MainWindow)
        return NULL;
    ShowWindow(MainWindow, SW_SHOW);
    UpdateWindow(MainWindow);
    return CreateListWindow(0);
}

namespace {

DWORD WINAPI BenchWorker(LPVOID parameter)
{
    WorkerStart *start = (WorkerStart *)parameter;
    start->job(start->list, start->context);
    QueryPerformanceCounter(&start->finished);
    PostMessageW(MainWindow, WM_BENCH_DONE, 0, 0);
    return 0;
}

DWORD WINAPI ProbePoster(LPVOID)
{
    while (!ProbeStop) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        PostMessageW(MainWindow, WM_BENCH_PROBE, (WPARAM)now.LowPart, (LPARAM)now.HighPart);
        Sleep(ProbeIntervalMs);
    }
    return 0;
}

} // namespace

BenchRun RunOnWorker(HWND list, BenchJob job, void *context, BOOL probe)
{
    BenchRun run;
    ZeroMemory(&run, sizeof(run));
    run.seconds = -1.0;

    WorkerStart start;
    start.list = list;
    start.job = job;
    start.context = context;
    start.finished.QuadPart = 0;

    ZeroMemory(&ProbeFigures, sizeof(ProbeFigures));
    ProbedList = list;
    ProbeStop = 0;
    HANDLE prober = NULL;
    if (probe)
        prober = CreateThread(NULL, 0, ProbePoster, NULL, 0, NULL);

    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    RunStarted = started;
    HANDLE worker = CreateThread(NULL, 0, BenchWorker, &start, 0, NULL);
    if (!worker) {
        InterlockedExchange(&ProbeStop, 1);
        if (prober) {
            WaitForSingleObject(prober, INFINITE);
            CloseHandle(prober);
        }
        return run;
    }

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        if (msg.hwnd == MainWindow && msg.message == WM_BENCH_DONE)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    run.longestPostWaitMs = ProbeFigures.longestPostWaitMs;
    run.postsSeen = ProbeFigures.postsSeen;
    run.postsOver50Ms = ProbeFigures.postsOver50Ms;
    run.longestWaitEndedAtS = ProbeFigures.longestWaitEndedAtS;
    run.rowsAtLongestWait = ProbeFigures.rowsAtLongestWait;

    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    InterlockedExchange(&ProbeStop, 1);
    if (prober) {
        WaitForSingleObject(prober, INFINITE);
        CloseHandle(prober);
    }
    // Probe messages posted after the job ended are not part of the run.
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    run.seconds = (double)(start.finished.QuadPart - started.QuadPart) / (double)CounterFrequency.QuadPart;
    return run;
}

void ClearList(HWND list)
{
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int ListRowCount(HWND list)
{
    return (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
}

void ListCellText(HWND list, int row, int column, wchar_t *text, int capacity)
{
    LVITEMW item;
    ZeroMemory(&item, sizeof(item));
    text[0] = L'\0';
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = capacity;
    SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item);
    text[capacity - 1] = L'\0';
}

namespace {

int CompareDoubles(const void *left, const void *right)
{
    double a = *(const double *)left;
    double b = *(const double *)right;
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

double Median(const double *values, int count)
{
    if (count <= 0)
        return 0.0;
    double *sorted = (double *)malloc((size_t)count * sizeof(double));
    if (!sorted)
        return 0.0;
    memcpy(sorted, values, (size_t)count * sizeof(double));
    qsort(sorted, count, sizeof(sorted[0]), CompareDoubles);
    double median = count % 2 ? sorted[count / 2] : (sorted[count / 2 - 1] + sorted[count / 2]) / 2.0;
    free(sorted);
    return median;
}

double Largest(const double *values, int count)
{
    double largest = 0.0;
    for (int i = 0; i < count; i++)
        if (values[i] > largest)
            largest = values[i];
    return largest;
}

void SendFloorRowsWith(HWND list, const FloorRows *rows, BOOL yieldAfterRow, const DWORD *heapBlockBytes)
{
    HANDLE heap = GetProcessHeap();
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++) {
        LVITEMW item;
        ZeroMemory(&item, sizeof(item));
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
        item.iImage = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        void *table = heapBlockBytes ? HeapAlloc(heap, HEAP_ZERO_MEMORY, heapBlockBytes[pass]) : NULL;
        const wchar_t **text = rows->text + (size_t)rows->firstRow[pass] * BENCH_COLUMN_COUNT;
        for (int i = 0; i < rows->rowCount[pass]; i++, text += BENCH_COLUMN_COUNT) {
            void *module = heapBlockBytes ? HeapAlloc(heap, HEAP_ZERO_MEMORY, heapBlockBytes[pass]) : NULL;
            item.iItem = i;
            item.iSubItem = 0;
            item.pszText = (LPWSTR)text[0];
            SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
            if (module)
                HeapFree(heap, 0, module);
            for (int column = 1; column < BENCH_COLUMN_COUNT; column++) {
                item.iSubItem = column;
                item.pszText = (LPWSTR)text[column];
                SendMessageW(list, LVM_SETITEMW, 0, (LPARAM)&item);
            }
            if (yieldAfterRow)
                Sleep(0);
        }
        if (table)
            HeapFree(heap, 0, table);
    }
}

void SendFloorRows(HWND list, void *context)
{
    SendFloorRowsWith(list, (const FloorRows *)context, FALSE, NULL);
}

int PassOfProtocol(const wchar_t *label)
{
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++)
        if (wcscmp(label, PassLabels[pass]) == 0)
            return pass;
    return -1;
}

int ReadFloorRowsFromList(HWND list, FloorRows *rows)
{
    ZeroMemory(rows, sizeof(*rows));
    int count = ListRowCount(list);
    rows->text = (const wchar_t **)calloc((size_t)count * BENCH_COLUMN_COUNT + 1, sizeof(const wchar_t *));
    int *passOfRow = (int *)calloc((size_t)count + 1, sizeof(int));
    if (!rows->text || !passOfRow) {
        free(passOfRow);
        FreeFloorRows(rows);
        return 0;
    }
    wchar_t cell[512];
    for (int row = 0; row < count; row++) {
        ListCellText(list, row, BENCH_COLUMN_COUNT - 1, cell, COUNTOF(cell));
        passOfRow[row] = PassOfProtocol(cell);
        if (passOfRow[row] < 0) {
            free(passOfRow);
            FreeFloorRows(rows);
            return 0;
        }
        rows->rowCount[passOfRow[row]]++;
    }
    for (int pass = 1; pass < BENCH_PASS_COUNT; pass++)
        rows->firstRow[pass] = rows->firstRow[pass - 1] + rows->rowCount[pass - 1];

    // Each pass inserted its rows at the top in table order, so within a protocol group the
    // list order is the pass's order.
    int filled[BENCH_PASS_COUNT] = {0, 0, 0, 0};
    for (int row = 0; row < count; row++) {
        int pass = passOfRow[row];
        size_t slot = (size_t)(rows->firstRow[pass] + filled[pass]++) * BENCH_COLUMN_COUNT;
        for (int column = 0; column < BENCH_COLUMN_COUNT; column++) {
            ListCellText(list, row, column, cell, COUNTOF(cell));
            rows->text[slot + column] = _wcsdup(cell);
        }
    }
    free(passOfRow);
    return 1;
}

void FreeFloorRows(FloorRows *rows)
{
    if (rows->text) {
        int total = 0;
        for (int pass = 0; pass < BENCH_PASS_COUNT; pass++)
            total += rows->rowCount[pass];
        for (int i = 0; i < total * BENCH_COLUMN_COUNT; i++)
            free((void *)rows->text[i]);
        free(rows->text);
    }
    ZeroMemory(rows, sizeof(*rows));
}
