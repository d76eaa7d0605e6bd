#include "bench/ListProfile.h"

#include <commctrl.h>
#include <stdio.h>

namespace {

LARGE_INTEGER Frequency;

int TotalRows(const FloorRows *rows)
{
    int total = 0;
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++)
        total += rows->rowCount[pass];
    return total;
}

void SendItemCounts(HWND list, void *context)
{
    int count = TotalRows((const FloorRows *)context) * BENCH_COLUMN_COUNT;
    for (int i = 0; i < count; i++)
        SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
}

void SendInsertsOnly(HWND list, void *context)
{
    const FloorRows *rows = (const FloorRows *)context;
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++) {
        LVITEMW item;
        ZeroMemory(&item, sizeof(item));
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
        const wchar_t **text = rows->text + (size_t)rows->firstRow[pass] * BENCH_COLUMN_COUNT;
        for (int i = 0; i < rows->rowCount[pass]; i++, text += BENCH_COLUMN_COUNT) {
            item.iItem = i;
            item.pszText = (LPWSTR)text[0];
            SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
        }
    }
}

// Inserts every row at the end of the list, or every row at the top (rows below move down).
void SendInserts(HWND list, const FloorRows *rows, BOOL atTop)
{
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    LVITEMW item;
    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    int total = TotalRows(rows);
    for (int i = 0; i < total; i++) {
        item.iItem = atTop ? 0 : i;
        item.pszText = (LPWSTR)rows->text[(size_t)i * BENCH_COLUMN_COUNT];
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
    }
}

void SendInsertsAtEnd(HWND list, void *context)
{
    SendInserts(list, (const FloorRows *)context, FALSE);
}

void SendInsertsAtTop(HWND list, void *context)
{
    SendInserts(list, (const FloorRows *)context, TRUE);
}

// The floor, with the worker giving up the rest of its time slice after every row.
void SendFloorRowsYielding(HWND list, void *context)
{
    SendFloorRowsWith(list, (const FloorRows *)context, TRUE, NULL);
}

// Sets the five later texts of rows that exist already, in the refresh's order.
void SendSetsOnly(HWND list, void *context)
{
    const FloorRows *rows = (const FloorRows *)context;
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++) {
        LVITEMW item;
        ZeroMemory(&item, sizeof(item));
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
        const wchar_t **text = rows->text + (size_t)rows->firstRow[pass] * BENCH_COLUMN_COUNT;
        for (int i = 0; i < rows->rowCount[pass]; i++, text += BENCH_COLUMN_COUNT) {
            item.iItem = i;
            for (int column = 1; column < BENCH_COLUMN_COUNT; column++) {
                item.iSubItem = column;
                item.pszText = (LPWSTR)text[column];
                SendMessageW(list, LVM_SETITEMW, 0, (LPARAM)&item);
            }
        }
    }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    return (double)(to.QuadPart - from.QuadPart) / (double)Frequency.QuadPart;
}

void ReportWait(const char *what, BenchRun run)
{
    printf("  %-58s %8.1f ms longest wait, %u of %u posts over 50 ms\n", what, run.longestPostWaitMs, run.postsOver50Ms,
           run.postsSeen);
    fflush(stdout);
}

void Report(const char *what, double seconds, int messages)
{
    printf("  %-58s %8.1f us/message  (%.3f s)\n", what, seconds * 1e6 / messages, seconds);
    fflush(stdout);
}

} // namespace

void ProfileListMessages(HWND list, FloorRows *rows)
{
    QueryPerformanceFrequency(&Frequency);
    int total = TotalRows(rows);
    int messages = total * BENCH_COLUMN_COUNT;
    printf("Where the floor's time goes, %d rows (%d list messages)\n", total, messages);

    ClearList(list);
    Report("LVM_GETITEMCOUNT from a worker (bare cross-thread send)",
           RunOnWorker(list, SendItemCounts, rows, FALSE).seconds, messages);

    ClearList(list);
    Report("floor from a worker, list shown", RunOnWorker(list, SendFloorRows, rows, FALSE).seconds, messages);

    ClearList(list);
    ShowWindow(list, SW_HIDE);
    Report("floor from a worker, list hidden", RunOnWorker(list, SendFloorRows, rows, FALSE).seconds, messages);
    ShowWindow(list, SW_SHOW);

    ClearList(list);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    Report("floor from a worker, list shown, redraw off", RunOnWorker(list, SendFloorRows, rows, FALSE).seconds,
           messages);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);

    ClearList(list);
    LARGE_INTEGER from;
    LARGE_INTEGER to;
    QueryPerformanceCounter(&from);
    SendFloorRows(list, rows);
    QueryPerformanceCounter(&to);
    Report("floor from the window's own thread (list's own work)", Seconds(from, to), messages);

    ClearList(list);
    Report("LVM_INSERTITEMW only, from a worker, list shown", RunOnWorker(list, SendInsertsOnly, rows, FALSE).seconds,
           total);
    Report("LVM_SETITEMW only (rows exist), from a worker, list shown",
           RunOnWorker(list, SendSetsOnly, rows, FALSE).seconds, total * (BENCH_COLUMN_COUNT - 1));

    ClearList(list);
    Report("LVM_INSERTITEMW, every row at the end, from a worker, shown",
           RunOnWorker(list, SendInsertsAtEnd, rows, FALSE).seconds, total);
    ClearList(list);
    Report("LVM_INSERTITEMW, every row at the top, from a worker, shown",
           RunOnWorker(list, SendInsertsAtTop, rows, FALSE).seconds, total);

    ClearList(list);
    QueryPerformanceCounter(&from);
    SendInsertsOnly(list, rows);
    QueryPerformanceCounter(&to);
    Report("LVM_INSERTITEMW only, own thread", Seconds(from, to), total);
    QueryPerformanceCounter(&from);
    SendSetsOnly(list, rows);
    QueryPerformanceCounter(&to);
    Report("LVM_SETITEMW only (rows exist), own thread", Seconds(from, to), total * (BENCH_COLUMN_COUNT - 1));
    ClearList(list);

    // The same list without scroll bars: what keeping the scroll bars current costs.
    ShowWindow(list, SW_HIDE);
    HWND plain = CreateExtraList(LVS_NOSCROLL);
    if (plain) {
        Report("floor from a worker, list shown without scroll bars",
               RunOnWorker(plain, SendFloorRows, rows, FALSE).seconds, messages);
        ClearList(plain);
        ReportWait("posted messages during the floor, without scroll bars",
                   RunOnWorker(plain, SendFloorRows, rows, TRUE));
        ClearList(plain);
        QueryPerformanceCounter(&from);
        SendInsertsOnly(plain, rows);
        QueryPerformanceCounter(&to);
        Report("LVM_INSERTITEMW only, own thread, without scroll bars", Seconds(from, to), total);
        DestroyWindow(plain);
    }
    ClearList(list);
    ReportWait("posted messages during the floor, list hidden", RunOnWorker(list, SendFloorRows, rows, TRUE));
    ShowWindow(list, SW_SHOW);
    ClearList(list);
    ReportWait("posted messages during the floor, list shown", RunOnWorker(list, SendFloorRows, rows, TRUE));
    // Whether the waits come from a queue of probe messages building up: a slower probe
    // would then see much shorter waits.
    static const DWORD intervals[] = {5, 10, 20};
    for (size_t i = 0; i < sizeof(intervals) / sizeof(intervals[0]); i++) {
        char what[80];
        snprintf(what, sizeof(what), "posted messages during the floor, shown, one per %lu ms",
                 (unsigned long)intervals[i]);
        ProbeIntervalMs = intervals[i];
        ClearList(list);
        ReportWait(what, RunOnWorker(list, SendFloorRows, rows, TRUE));
    }
    ProbeIntervalMs = 2;
    ClearList(list);
    BenchRun yielding = RunOnWorker(list, SendFloorRowsYielding, rows, TRUE);
    ReportWait("posted messages during the floor, shown, worker yields per row", yielding);
    Report("floor, shown, worker yields per row (with the probe)", yielding.seconds, messages);
    ClearList(list);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ReportWait("posted messages during the floor, shown, redraw off", RunOnWorker(list, SendFloorRows, rows, TRUE));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
    ClearList(list);
}
