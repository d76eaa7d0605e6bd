// The program's delay-loaded calls (iphlpapi, comctl32: shell/CMakeLists.txt) go through
// MinGW-w64's delay-load helper the first time each function is used. The helper writes the
// function's address into the function's slot of the import address table, where later calls
// find it. Newer linkers (binutils 2.44 and later) map the section that holds that table
// read-only, as only the loader writes an ordinary import table, so the helper's first write
// would fault. The table is therefore made writable once, before any such call, in one place
// and with no thread about; where the section is writable already, nothing changes.
#include "shell/DelayLoadTable.h"

#include <windows.h>

void MakeImportAddressTableWritable()
{
    BYTE *image = (BYTE *)GetModuleHandleW(NULL);
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)image;
    const IMAGE_NT_HEADERS *headers = (const IMAGE_NT_HEADERS *)(image + dos->e_lfanew);
    // GNU ld's table directory spans every slot of .idata$5, the delay-load slots among them.
    const IMAGE_DATA_DIRECTORY &table = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    DWORD protection = 0;
    if (table.VirtualAddress != 0 && table.Size != 0)
        VirtualProtect(image + table.VirtualAddress, table.Size, PAGE_READWRITE, &protection);
}
