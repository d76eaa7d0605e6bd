#pragma once

#include <windows.h>

// The four endpoint-table passes. Each writes one row per endpoint into the list view
// `list`, inserting at positions 0, 1, 2 ... Returns 0 when its table could not be read,
// otherwise 1 (also for an empty table).
int FillTcp4Rows(HWND list);
int FillTcp6Rows(HWND list);
int FillUdp4Rows(HWND list);
int FillUdp6Rows(HWND list);

// Clears the list, then runs the four passes: the list ends up reading UDPv6, UDPv4,
// TCPv6, TCPv4 rows from the top.
void RefreshConnections(HWND list);
