#pragma once

#include <windows.h>

// Reads the IP, TCP, UDP and ICMP counters of both families into the Statistics dialog's
// fields. Callable from any thread: each field write is a synchronous message. Returns 1.
int FillStatistics(HWND dialog);
