// The four owner-module calls of IP Helper, for tests only. Wine's IP Helper exports none of
// them, so under Wine the program that ships would never show a module name. The test that uses
// this puts it in the system folder under IP Helper's own name, for its copy of the program
// alone, with Wine's module beside it as WineIpHelper.dll: every other export is forwarded
// there (the export list is made from Wine's module when this is built).
// The answers follow the calls' documentation:
// - an entry whose owning process can be opened: a TCPIP_OWNER_MODULE_BASIC_INFO at the start of
//   the caller's block, pointing at the process's file name and full path stored after it;
// - a block too small for that: ERROR_INSUFFICIENT_BUFFER, with the size needed written back;
// - process id 0, or a process that cannot be opened: ERROR_NOT_FOUND.
// The loading process's environment steers two things the tests need:
// - OWNER_MODULE_PROVIDER_LOG: a file to which each answer is appended as a line
//   "function local-port remote-port pid size-given answer size-after";
// - OWNER_MODULE_PROVIDER_FIRST_DEMAND: when set, the first answer that would name a module asks
//   instead for a block larger than both the one given and the one needed.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "common/Countof.h"

namespace {

// What the demanded block holds beyond the larger of the two sizes.
const DWORD DEMAND_EXTRA_BYTES = 256;

// Whether the first naming answer has been given, for OWNER_MODULE_PROVIDER_FIRST_DEMAND.
volatile LONG FirstNamingAnswerGiven = 0;

// What the log tells of an entry.
struct Entry {
    DWORD pid;
    DWORD localPort;  // in network order, as the tables hold it
    DWORD remotePort; // 0 for UDP
};

// The full image path of process `pid`; false when it cannot be opened or has none.
bool ImagePath(DWORD pid, wchar_t *path, DWORD chars)
{
    if (pid == 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == NULL)
        return false;
    DWORD length = chars;
    BOOL found = QueryFullProcessImageNameW(process, 0, path, &length);
    CloseHandle(process);
    return found && length > 0;
}

bool FirstDemandWanted()
{
    return GetEnvironmentVariableW(L"OWNER_MODULE_PROVIDER_FIRST_DEMAND", NULL, 0) > 0 &&
           InterlockedExchange(&FirstNamingAnswerGiven, 1) == 0;
}

DWORD Fill(DWORD pid, void *block, DWORD *size)
{
    wchar_t path[1024];
    if (!ImagePath(pid, path, COUNTOF(path)))
        return ERROR_NOT_FOUND;
    const wchar_t *name = wcsrchr(path, L'\\');
    name = name != NULL ? name + 1 : path;
    size_t nameChars = wcslen(name) + 1;
    size_t pathChars = wcslen(path) + 1;
    DWORD needed = (DWORD)(sizeof(TCPIP_OWNER_MODULE_BASIC_INFO) + (nameChars + pathChars) * sizeof(wchar_t));

    if (FirstDemandWanted()) {
        *size = (*size > needed ? *size : needed) + DEMAND_EXTRA_BYTES;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    if (block == NULL || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    TCPIP_OWNER_MODULE_BASIC_INFO *info = (TCPIP_OWNER_MODULE_BASIC_INFO *)block;
    wchar_t *strings = (wchar_t *)(info + 1);
    memcpy(strings, name, nameChars * sizeof(wchar_t));
    memcpy(strings + nameChars, path, pathChars * sizeof(wchar_t));
    info->pModuleName = strings;
    info->pModulePath = strings + nameChars;
    return NO_ERROR;
}

void Record(const char *function, const Entry &entry, DWORD given, DWORD answer, DWORD size)
{
    wchar_t log[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"OWNER_MODULE_PROVIDER_LOG", log, COUNTOF(log));
    if (length == 0 || length >= COUNTOF(log))
        return;
    char line[160];
    int chars =
        _snprintf_s(line, COUNTOF(line), _TRUNCATE, "%s %u %u %lu %lu %lu %lu\r\n", function,
                    ntohs((u_short)entry.localPort), ntohs((u_short)entry.remotePort), entry.pid, given, answer, size);
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    if (chars > 0)
        WriteFile(file, line, (DWORD)chars, &written, NULL);
    CloseHandle(file);
}

DWORD RemotePort(const MIB_TCPROW_OWNER_MODULE &row)
{
    return row.dwRemotePort;
}

DWORD RemotePort(const MIB_TCP6ROW_OWNER_MODULE &row)
{
    return row.dwRemotePort;
}

DWORD RemotePort(const MIB_UDPROW_OWNER_MODULE &)
{
    return 0;
}

DWORD RemotePort(const MIB_UDP6ROW_OWNER_MODULE &)
{
    return 0;
}

template <typename Row>
DWORD Answer(const char *function, const Row *row, TCPIP_OWNER_MODULE_INFO_CLASS infoClass, void *block, DWORD *size)
{
    if (row == NULL || size == NULL || infoClass != TCPIP_OWNER_MODULE_INFO_BASIC)
        return ERROR_INVALID_PARAMETER;
    Entry entry = {row->dwOwningPid, row->dwLocalPort, RemotePort(*row)};
    DWORD given = *size;
    DWORD answer = Fill(entry.pid, block, size);
    Record(function, entry, given, answer, *size);
    return answer;
}

} // namespace

extern "C" {

DWORD WINAPI GetOwnerModuleFromTcpEntry(PMIB_TCPROW_OWNER_MODULE row, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                        PVOID block, PDWORD size)
{
    return Answer(__func__, row, infoClass, block, size);
}

DWORD WINAPI GetOwnerModuleFromTcp6Entry(PMIB_TCP6ROW_OWNER_MODULE row, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                         PVOID block, PDWORD size)
{
    return Answer(__func__, row, infoClass, block, size);
}

DWORD WINAPI GetOwnerModuleFromUdpEntry(PMIB_UDPROW_OWNER_MODULE row, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                        PVOID block, PDWORD size)
{
    return Answer(__func__, row, infoClass, block, size);
}

DWORD WINAPI GetOwnerModuleFromUdp6Entry(PMIB_UDP6ROW_OWNER_MODULE row, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                         PVOID block, PDWORD size)
{
    return Answer(__func__, row, infoClass, block, size);
}

} // extern "C"
