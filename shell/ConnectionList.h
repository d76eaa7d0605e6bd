#pragma once

#include <windows.h>

// The main window's list view; null until the first paint creates it. Written once on the
// user-interface thread before the first worker starts, read by the workers.
extern HWND ConnectionList;

// The most recently started refresh worker (null before the first) and its thread id.
extern HANDLE RefreshWorkerHandle;
extern DWORD RefreshWorkerId;

// Creates the hidden report-style list over the whole client area of `main`; null on failure.
HWND CreateConnectionList(HWND main);

// Inserts the six titled columns into ConnectionList. Returns 0 when an insertion failed (the
// later columns are then missing), otherwise 1.
int InsertConnectionColumns();

// Thread procedure: waits 1.5 s, then clears ConnectionList and fills it from the endpoint
// tables, never while another worker is filling it; a worker queued later ends this one's fill
// between two rows and fills the list itself. Returns 0.
DWORD WINAPI RefreshWorker(LPVOID parameter);

// Starts a new RefreshWorker, closing (not waiting for) the previous one's handle.
// Returns 1 when the worker started, otherwise 0.
int StartRefresh();
