#include "tests/soak/ProcessFigures.h"

#include <psapi.h>

#include <unordered_set>
#include "testsupport/ImportSlot.h"

namespace {

CRITICAL_SECTION *HeapLock()
{
    static CRITICAL_SECTION lock;
    static bool ready = (InitializeCriticalSection(&lock), true);
    (void)ready;
    return &lock;
}

std::unordered_set<void *> &LiveBlocks()
{
    static std::unordered_set<void *> blocks(1 << 14);
    return blocks;
}

HeapCounts Counts;

template <typename Function> Function Kernel32(const char *name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

typedef LPVOID(WINAPI *HeapAllocFunction)(HANDLE, DWORD, SIZE_T);
typedef BOOL(WINAPI *HeapFreeFunction)(HANDLE, DWORD, LPVOID);
typedef VOID(WINAPI *SleepFunction)(DWORD);

LPVOID WINAPI CountingHeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    static HeapAllocFunction real = Kernel32<HeapAllocFunction>("HeapAlloc");
    LPVOID block = real(heap, flags, bytes);
    if (block != NULL) {
        EnterCriticalSection(HeapLock());
        LiveBlocks().insert(block);
        Counts.allocations++;
        LeaveCriticalSection(HeapLock());
    }
    return block;
}

BOOL WINAPI CountingHeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    static HeapFreeFunction real = Kernel32<HeapFreeFunction>("HeapFree");
    EnterCriticalSection(HeapLock());
    if (LiveBlocks().erase(block))
        Counts.frees++;
    else
        Counts.strayFrees++;
    LeaveCriticalSection(HeapLock());
    return real(heap, flags, block);
}

// The Statistics dialog's close waits 1000 ms and its poller 2500 ms between readings: at
// the real pace a hundred openings would take minutes. Their order is all that matters here.
VOID WINAPI FastSleep(DWORD milliseconds)
{
    RealSleep(milliseconds / 100);
}

} // namespace

// The system's code calls these through its import pointers (dllimport declarations).
extern "C" {
LPVOID(WINAPI *SoakImpHeapAlloc)(HANDLE, DWORD, SIZE_T) __asm__(IMPORT_SLOT(HeapAlloc, 12)) = CountingHeapAlloc;
BOOL(WINAPI *SoakImpHeapFree)(HANDLE, DWORD, LPVOID) __asm__(IMPORT_SLOT(HeapFree, 12)) = CountingHeapFree;
VOID(WINAPI *SoakImpSleep)(DWORD) __asm__(IMPORT_SLOT(Sleep, 4)) = FastSleep;
}

void RealSleep(DWORD milliseconds)
{
    static SleepFunction real = Kernel32<SleepFunction>("Sleep");
    real(milliseconds);
}

HeapCounts CountedHeapCalls()
{
    EnterCriticalSection(HeapLock());
    HeapCounts counts = Counts;
    counts.live = (LONG)LiveBlocks().size();
    LeaveCriticalSection(HeapLock());
    return counts;
}

ProcessFigures TakeProcessFigures()
{
    ProcessFigures figures = {};
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&memory, sizeof(memory)))
        figures.privateBytes = memory.PrivateUsage;
    if (!GetProcessHandleCount(GetCurrentProcess(), &figures.handles))
        figures.handles = 0;

    // Wine reports neither figure, so both are also taken the long way.
    MEMORY_BASIC_INFORMATION region;
    for (BYTE *at = NULL; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            figures.committedBytes += region.RegionSize;
        BYTE *next = (BYTE *)region.BaseAddress + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags;
        if (GetHandleInformation((HANDLE)value, &flags))
            figures.openHandles++;
    }
    return figures;
}
