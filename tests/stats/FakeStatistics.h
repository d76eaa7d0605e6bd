// Stand-ins for the four statistics queries, linked into test programs in place of the
// system's: they log every call and fill every counter with a value that says which query,
// family and reading it came from.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <vector>

enum FakeQuery { FAKE_TCP, FAKE_UDP, FAKE_IP, FAKE_ICMP };

struct FakeCall {
    FakeQuery query;
    ULONG family;
    DWORD thread;
    DWORD time;
};

// Result of each query, per query and family (0 = AF_INET, 1 = AF_INET6); 0 means success.
extern ULONG FakeResult[4][2];
// Changes every counter value; bump it between readings to tell them apart.
extern volatile LONG FakeGeneration;
// Calls that found their record not zero-filled.
extern volatile LONG FakeDirtyRecords;
// Runs inside every query, after it was logged (null: nothing).
extern void (*FakeDuringQuery)(const FakeCall &call);

// The value a successful query puts into the record's 32-bit word `index`. Always 2^31 or more.
DWORD FakeCounter(FakeQuery query, ULONG family, size_t index);
std::vector<FakeCall> FakeCalls();
void ResetFakeStatistics();
