#pragma once

#include <windows.h>

// A main window holding a list view made like the program's connection list (report view,
// six 100-pixel columns, WS_CHILD | LVS_REPORT | LVS_EDITLABELS), and a way to run a job on a
// worker thread while this thread pumps the window's messages, as the program's refresh does.

HWND CreateBenchList(void);

// Another list in the same main window, with extra styles, for finding where time goes.
HWND CreateExtraList(DWORD extraStyle);

typedef void (*BenchJob)(HWND list, void *context);

struct BenchRun {
    double seconds;             // from just before the worker starts until the job has returned
    double longestPostWaitMs;   // longest wait of a timestamped message posted to the window
    unsigned postsSeen;         // how many such messages arrived while the job ran
    unsigned postsOver50Ms;     // how many of them waited longer than 50 ms
    double longestWaitEndedAtS; // when the longest wait ended, counted from the start
    int rowsAtLongestWait;      // rows in the list at that moment
};

// Runs job(list, context) on a new thread and pumps messages until it returns. With probe
// set, another thread posts a timestamped message to the main window every ProbeIntervalMs
// (2 ms unless changed) meanwhile.
BenchRun RunOnWorker(HWND list, BenchJob job, void *context, BOOL probe);
extern DWORD ProbeIntervalMs;

// Removes every row, from this (the window's own) thread.
void ClearList(HWND list);
int ListRowCount(HWND list);

// Copies the text of one cell into text (capacity chars, terminated).
void ListCellText(HWND list, int row, int column, wchar_t *text, int capacity);

// Median of count values (0 for none); the values keep their order.
double Median(const double *values, int count);
double Largest(const double *values, int count);

// Rows made ahead of time for the floor: the six texts of each row, grouped by pass in the
// order the passes run (TCPv4, TCPv6, UDPv4, UDPv6). Pass p holds rowCount[p] rows starting
// at firstRow[p]; text[row * 6 + column] points at the cell's text.
enum { BENCH_PASS_COUNT = 4, BENCH_COLUMN_COUNT = 6 };
struct FloorRows {
    int rowCount[BENCH_PASS_COUNT];
    int firstRow[BENCH_PASS_COUNT];
    const wchar_t **text;
};

// The floor: the message sequence of a refresh (clear, then per pass a row count and per row
// LVM_INSERTITEMW and five LVM_SETITEMW) with nothing computed between the messages.
// context is a FloorRows.
void SendFloorRows(HWND list, void *context);
// The same, optionally giving up the worker's time slice after every row (for profiling), and
// optionally making a refresh's heap calls too: with heapBlockBytes (one size per pass), a
// zero-filled block of the pass's size held over the pass, and another taken before each
// row's insert and freed after it, as a refresh's table and owner-module blocks.
void SendFloorRowsWith(HWND list, const FloorRows *rows, BOOL yieldAfterRow, const DWORD *heapBlockBytes);

// Reads every row of the list back into rows, grouped by the protocol column, so the floor
// can replay exactly what a refresh wrote. Returns 0 when a row's protocol is not one of the
// four. Free with FreeFloorRows.
int ReadFloorRowsFromList(HWND list, FloorRows *rows);
void FreeFloorRows(FloorRows *rows);

// Index of a protocol label ("TCPv4" ... "UDPv6") in pass order, or -1.
int PassOfProtocol(const wchar_t *label);
