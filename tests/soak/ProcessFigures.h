// What the soak watches: the process's private bytes and handles, and the heap blocks the
// system's code takes through HeapAlloc and gives back through HeapFree.
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

struct HeapCounts {
    LONG allocations; // successful HeapAlloc calls
    LONG frees;       // HeapFree calls for those blocks
    LONG strayFrees;  // HeapFree calls for anything else
    LONG live;        // blocks allocated and not yet freed
};

HeapCounts CountedHeapCalls();

// Sleep as the system's code sees it runs a hundred times fast in this program; this is the
// real one, for the soak's own waits.
void RealSleep(DWORD milliseconds);
