#include "snapshot/OwnerModuleExports.h"

HMODULE IpHelperModule()
{
    // Every owner-module lookup comes after its pass's table query, which has loaded IP Helper
    // from the system folder (the entry function narrows the search first), so this only
    // finds it; it never loads a library itself.
    return GetModuleHandleW(L"iphlpapi.dll");
}
