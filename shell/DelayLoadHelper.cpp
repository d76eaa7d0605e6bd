// The program's delay-loaded calls (iphlpapi, comctl32: shell/CMakeLists.txt) go through
// MinGW-w64's delay-load helper the first time each function is used. The helper loads the
// library if need be, looks the function up and writes its address into the function's slot
// of the delay-load import table, where later calls find it. That table lies in the image's
// import section, which newer linkers (binutils 2.44 and later) map read-only, so the write
// would fault at the first delay-loaded call. The link therefore sends the stubs here
// (--wrap), and the slot is made writable for the helper's write and given its protection back
// after; where the section is writable already, nothing changes. Nothing calls this by name,
// so it has no header.
#include <windows.h>
#include <delayimp.h>

extern "C" FARPROC WINAPI __real___delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC *slot);

namespace {

// One slot unprotected at a time: two threads making the same page writable would otherwise
// each restore the protection while the other may still be writing.
SRWLOCK SlotLock = SRWLOCK_INIT;

} // namespace

extern "C" FARPROC WINAPI __wrap___delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC *slot)
{
    AcquireSRWLockExclusive(&SlotLock);
    DWORD protection = 0;
    BOOL unprotected = VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
    FARPROC function = __real___delayLoadHelper2(descriptor, slot);
    if (unprotected)
        VirtualProtect(slot, sizeof(*slot), protection, &protection);
    ReleaseSRWLockExclusive(&SlotLock);
    return function;
}
