#pragma once

#include <windows.h>

// 1 while the statistics poller is to go on, 0 to make it stop.
extern volatile LONG StatisticsRunning;

// Dialog procedure of template IDD_STATISTICS.
INT_PTR CALLBACK StatisticsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Thread procedure: re-reads the counters into the dialog `parameter` every 2500 ms.
DWORD WINAPI StatisticsPoller(LPVOID parameter);
