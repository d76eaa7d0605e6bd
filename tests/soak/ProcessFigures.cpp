#include "tests/soak/ProcessFigures.h"

#include <psapi.h>

#include "testsupport/ImportSlot.h"

namespace {

template <typename Function> Function Kernel32(const char *name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

typedef VOID(WINAPI *SleepFunction)(DWORD);

// The Statistics dialog's close waits 1000 ms and its poller 2500 ms between readings: at
// the real pace a hundred openings would take minutes. Their order is all that matters here.
VOID WINAPI FastSleep(DWORD milliseconds)
{
    RealSleep(milliseconds / 100);
}

} // namespace

// The system's code calls it through its import pointer (a dllimport declaration).
extern "C" {
VOID(WINAPI *SoakImpSleep)(DWORD) __asm__(IMPORT_SLOT(Sleep, 4)) = FastSleep;
}

void RealSleep(DWORD milliseconds)
{
    static SleepFunction real = Kernel32<SleepFunction>("Sleep");
    real(milliseconds);
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
