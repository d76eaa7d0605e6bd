#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "bench/BenchHarness.h"

// Made-up endpoint tables of a given number of rows in all, spread over the four tables
// (TCPv4, TCPv6, UDPv4, UDPv6: 40, 10, 40 and 10 per cent), and the six texts the program
// should show for each row, made ahead of time for the floor and for checking the list.
struct SyntheticTables {
    void *table[BENCH_PASS_COUNT];
    DWORD tableBytes[BENCH_PASS_COUNT];
    FloorRows rows;
};

int MakeSyntheticTables(int totalRows, SyntheticTables *tables);
void FreeSyntheticTables(SyntheticTables *tables);

// The tables the platform fakes answer from; null makes every table query fail.
extern const SyntheticTables *ActiveTables;

// What the fakes answer for every owner-module and name query.
const wchar_t *FakeModuleName(DWORD processId);
extern const wchar_t FakeRemoteName[];
