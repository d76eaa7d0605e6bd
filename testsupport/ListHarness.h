#pragma once
// The program's own connection list in a main window of the harness, a way to run a job on a
// worker thread while this thread pumps the window's messages (as a Reload runs its refresh),
// and the floor of a refresh: its list messages with nothing computed between them.

#include <windows.h>

#include <string>
#include <vector>

// The list of CreateConnectionList with the columns of InsertConnectionColumns, shown in a
// main window of its own, first paints done; null on failure. Once per program.
HWND CreateWorkerList();

typedef void (*WorkerJob)(HWND list, void *context);

struct WorkerRun {
    double seconds;           // from just before the worker starts until the job has returned
    double longestPostWaitMs; // longest wait of a timestamped message posted to the main window
    unsigned postsSeen;       // how many such messages arrived while the job ran
    unsigned postsOver50Ms;   // how many of them waited longer than 50 ms
};

// Every few milliseconds, but not so often that the probe's own messages queue up behind each
// other: the window serves about one posted message per list message it handles.
enum { PROBE_INTERVAL_MS = 5 };

// Runs job(list, context) on a new thread and pumps messages until it returns. With probe
// set, another thread posts a timestamped message to the main window every PROBE_INTERVAL_MS
// meanwhile.
WorkerRun RunOnWorker(HWND list, WorkerJob job, void *context, bool probe);

// RefreshConnections(list) as a job; the context is not used.
void RefreshJob(HWND list, void *context);

// Removes every row, from this (the window's own) thread.
void ClearList(HWND list);
int ListRowCount(HWND list);

// The six texts of each row, grouped by pass in the order the passes run (TCPv4, TCPv6, UDPv4,
// UDPv6). Pass p holds rowCount[p] rows from firstRow[p]; text[row * 6 + column] is a cell.
enum { PASS_COUNT = 4 };
struct FloorRows {
    int rowCount[PASS_COUNT];
    int firstRow[PASS_COUNT];
    std::vector<std::wstring> text;
};

// Reads every row of the list back, grouped by the protocol column, so the floor can replay
// exactly what a refresh wrote. False when a row's protocol is not one of the four.
bool ReadFloorRowsFromList(HWND list, FloorRows *rows);

// The floor: the message sequence of a refresh (clear, then per pass a row count and per row
// LVM_INSERTITEMW and five LVM_SETITEMW), the texts made beforehand. context is a FloorRows.
void SendFloorRows(HWND list, void *context);
// The same with a refresh's heap calls beside the messages, unless heapBlockBytes is null: a
// zero-filled block of the pass's size (one size per pass) held over the pass, and another
// taken before each row's insert and freed after it, as a refresh's table and owner-module
// blocks.
void SendFloorRowsWithHeapCalls(HWND list, const FloorRows &rows, const DWORD heapBlockBytes[PASS_COUNT]);
