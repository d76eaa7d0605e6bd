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

// Says whether the fill that holds `ticket` is still wanted.
typedef BOOL (*FillWantedFunction)(LONG ticket);

// RefreshConnections for a fill that a newer one may make pointless: `wanted` is asked before
// the clear, before each pass and before each row (after the previous row's last text, ahead
// of the next entry's lookups, which may each take seconds). Once it answers FALSE the fill
// ends there, its blocks freed, and the list keeps what it holds.
void RefreshConnectionsWhileWanted(HWND list, FillWantedFunction wanted, LONG ticket);
