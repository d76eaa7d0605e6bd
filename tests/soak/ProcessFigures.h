// What the soak watches: the process's private bytes and handles. The heap blocks the system's
// code takes through HeapAlloc and gives back through HeapFree are counted by the shared heap
// fake (fake::CountedHeapCalls).
#pragma once

#include <windows.h>

struct ProcessFigures {
    SIZE_T privateBytes;   // PROCESS_MEMORY_COUNTERS_EX.PrivateUsage (0 where not reported)
    SIZE_T committedBytes; // committed private memory, summed over the address space
    DWORD handles;         // GetProcessHandleCount (0 where not reported)
    DWORD openHandles;     // handle values that answer GetHandleInformation
};

// Taken with no other thread of the test running.
ProcessFigures TakeProcessFigures();

// Sleep as the system's code sees it runs a hundred times fast in this program; this is the
// real one, for the soak's own waits.
void RealSleep(DWORD milliseconds);
