#pragma once

#include <windows.h>

// Reads the IP, TCP, UDP and ICMP counters of both families into the Statistics dialog's
// fields. Callable from any thread: each field write is a synchronous message. Returns 1.
int FillStatistics(HWND dialog);

// FillStatistics for a reader that may outlive its dialog: before every reading and every
// field write it checks that `*opening` still holds `own`, and returns 0 the moment it does not.
// A null `opening` checks nothing.
int FillStatisticsWhile(HWND dialog, const volatile LONG *opening, LONG own);
