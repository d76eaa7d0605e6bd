#include "snapshot/OwnerModuleExports.h"

HMODULE IpHelperModule()
{
    // Already loaded by the table query that comes before any owner-module lookup, from the
    // system folder (the entry function narrows the search first). Should it not be, it is
    // loaded from the system folder alone, never from the program's folder.
    HMODULE module = GetModuleHandleW(L"iphlpapi.dll");
    if (module == NULL)
        module = LoadLibraryExW(L"iphlpapi.dll", NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module;
}
