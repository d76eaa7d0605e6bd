// Stand-ins for the platform's endpoint tables and per-row lookups, so a refresh reads the
// synthetic tables and every lookup answers at once. The table and owner-module calls are
// plain imports: a definition of the same name here wins over the import library's. The name
// lookup is a dllimport call, made through its import pointer, which is defined here instead.
#include "bench/SyntheticTables.h"

#include <string.h>
#include <wchar.h>

#include "common/Countof.h"
#include "snapshot/OwnerModuleExports.h"
#include "testsupport/ImportSlot.h"

namespace {

DWORD AnswerTable(int pass, PVOID table, PDWORD size)
{
    if (!size)
        return ERROR_INVALID_PARAMETER;
    if (!ActiveTables)
        return ERROR_NOT_SUPPORTED;
    DWORD needed = ActiveTables->tableBytes[pass];
    if (!table || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    memcpy(table, ActiveTables->table[pass], needed);
    *size = needed;
    return NO_ERROR;
}

} // namespace

DWORD WINAPI GetExtendedTcpTable(PVOID table, PDWORD size, WINBOOL, ULONG family, TCP_TABLE_CLASS tableClass, ULONG)
{
    if (tableClass != TCP_TABLE_OWNER_MODULE_ALL)
        return ERROR_INVALID_PARAMETER;
    return AnswerTable(family == AF_INET6 ? 1 : 0, table, size);
}

DWORD WINAPI GetExtendedUdpTable(PVOID table, PDWORD size, WINBOOL, ULONG family, UDP_TABLE_CLASS tableClass, ULONG)
{
    if (tableClass != UDP_TABLE_OWNER_MODULE)
        return ERROR_INVALID_PARAMETER;
    return AnswerTable(family == AF_INET6 ? 3 : 2, table, size);
}

namespace {

// Fills the block as the system does: the record of two pointers, then the strings.
DWORD AnswerOwnerModule(DWORD processId, TCPIP_OWNER_MODULE_INFO_CLASS infoClass, PVOID buffer, PDWORD size)
{
    if (!size || infoClass != TCPIP_OWNER_MODULE_INFO_BASIC)
        return ERROR_INVALID_PARAMETER;
    static const wchar_t folder[] = L"C:\\Program Files\\Bench\\";
    const wchar_t *name = FakeModuleName(processId);
    size_t nameChars = wcslen(name) + 1;
    size_t folderChars = COUNTOF(folder) - 1;
    DWORD needed =
        (DWORD)(sizeof(TCPIP_OWNER_MODULE_BASIC_INFO) + (nameChars + folderChars + nameChars) * sizeof(wchar_t));
    if (!buffer || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    TCPIP_OWNER_MODULE_BASIC_INFO *info = (TCPIP_OWNER_MODULE_BASIC_INFO *)buffer;
    wchar_t *strings = (wchar_t *)(info + 1);
    info->pModuleName = strings;
    memcpy(strings, name, nameChars * sizeof(wchar_t));
    info->pModulePath = strings + nameChars;
    memcpy(info->pModulePath, folder, folderChars * sizeof(wchar_t));
    memcpy(info->pModulePath + folderChars, name, nameChars * sizeof(wchar_t));
    return NO_ERROR;
}

} // namespace

DWORD WINAPI GetOwnerModuleFromTcpEntry(PMIB_TCPROW_OWNER_MODULE entry, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                        PVOID buffer, PDWORD size)
{
    return entry ? AnswerOwnerModule(entry->dwOwningPid, infoClass, buffer, size) : ERROR_INVALID_PARAMETER;
}

DWORD WINAPI GetOwnerModuleFromTcp6Entry(PMIB_TCP6ROW_OWNER_MODULE entry, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                         PVOID buffer, PDWORD size)
{
    return entry ? AnswerOwnerModule(entry->dwOwningPid, infoClass, buffer, size) : ERROR_INVALID_PARAMETER;
}

DWORD WINAPI GetOwnerModuleFromUdpEntry(PMIB_UDPROW_OWNER_MODULE entry, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                        PVOID buffer, PDWORD size)
{
    return entry ? AnswerOwnerModule(entry->dwOwningPid, infoClass, buffer, size) : ERROR_INVALID_PARAMETER;
}

DWORD WINAPI GetOwnerModuleFromUdp6Entry(PMIB_UDP6ROW_OWNER_MODULE entry, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                         PVOID buffer, PDWORD size)
{
    return entry ? AnswerOwnerModule(entry->dwOwningPid, infoClass, buffer, size) : ERROR_INVALID_PARAMETER;
}

namespace {

INT WSAAPI FakeGetNameInfoW(const SOCKADDR *address, socklen_t addressLength, PWCHAR host, DWORD hostChars,
                            PWCHAR service, DWORD serviceChars, INT)
{
    size_t nameChars = wcslen(FakeRemoteName) + 1;
    if (!address || addressLength < (socklen_t)sizeof(sockaddr_in) || !host || hostChars < nameChars) {
        WSASetLastError(WSAEINVAL);
        return WSAEINVAL;
    }
    memcpy(host, FakeRemoteName, nameChars * sizeof(wchar_t));
    if (service && serviceChars > 0)
        service[0] = L'\0';
    return 0;
}

} // namespace

extern "C" {
INT(WSAAPI *FakeImpGetNameInfoW)
(const SOCKADDR *, socklen_t, PWCHAR, DWORD, PWCHAR, DWORD,
 INT) __asm__(IMPORT_SLOT(GetNameInfoW, 28)) = FakeGetNameInfoW;
}

// The owner-module query is made as where the system exports all four functions, against the
// stand-ins above.
bool OwnerModuleQueryExported(EndpointProtocol)
{
    return true;
}
