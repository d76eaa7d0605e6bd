#pragma once
// Made-up endpoint tables of a given number of rows in all, spread over the four tables
// (TCPv4, TCPv6, UDPv4, UDPv6: 40, 10, 40 and 10 per cent), for the platform fakes to answer
// with. What the list shows for them is the program's own to say: a refresh writes it, and
// ReadFloorRowsFromList reads it back.

#include <windows.h>

#include <vector>

#include "testsupport/ListHarness.h"

struct SyntheticTables {
    std::vector<BYTE> block[PASS_COUNT]; // each table as the system returns it
    DWORD tableBytes[PASS_COUNT];
    int rowCount[PASS_COUNT];
};

SyntheticTables MakeSyntheticTables(int totalRows);

// The fakes answer the table queries from `tables` and every owner-module query of their rows
// with one of a few module names. The other scripts are left as they are.
void AnswerFromSyntheticTables(const SyntheticTables &tables);
