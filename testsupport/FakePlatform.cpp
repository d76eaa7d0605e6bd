#include "testsupport/FakePlatform.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include "common/Countof.h"
#include "testsupport/ImportSlot.h"

namespace fake {

Recording Record = RECORD_CALLS;
std::vector<std::string> Events;
std::vector<std::string> Faults;
std::vector<const DWORD *> SizeAddresses;
std::map<DWORD, ModuleScript> Modules;
std::vector<bool> EntryInTable;
std::map<std::string, NameScript> Names;
DWORD NameLookupMs;
int FailAllocation;
int AllocationCount;
bool OwnerModuleExported[4] = {true, true, true, true};

namespace {

std::map<std::pair<bool, ULONG>, TableScript> tables;
// The heap is called from the soak's worker and poller threads at once.
CRITICAL_SECTION *HeapLock()
{
    static CRITICAL_SECTION lock;
    static bool ready = (InitializeCriticalSection(&lock), true);
    (void)ready;
    return &lock;
}
std::map<void *, SIZE_T> liveBlocks;
HeapCounts heapCounts;
std::vector<SIZE_T> allocationSizes;
const BYTE *fetchedTable;
size_t fetchedTableBytes;
int lastWsaError;

} // namespace

TableScript &Table(bool tcp, ULONG family)
{
    return tables[std::make_pair(tcp, family)];
}

std::map<void *, SIZE_T> &LiveBlocks()
{
    return liveBlocks;
}

std::vector<SIZE_T> AllocationSizes()
{
    return allocationSizes;
}

HeapCounts CountedHeapCalls()
{
    EnterCriticalSection(HeapLock());
    HeapCounts counts = heapCounts;
    counts.live = (LONG)liveBlocks.size();
    LeaveCriticalSection(HeapLock());
    return counts;
}

void Reset()
{
    Events.clear();
    Faults.clear();
    SizeAddresses.clear();
    Modules.clear();
    EntryInTable.clear();
    Names.clear();
    NameLookupMs = 0;
    tables.clear();
    EnterCriticalSection(HeapLock());
    liveBlocks.clear();
    LeaveCriticalSection(HeapLock());
    allocationSizes.clear();
    FailAllocation = 0;
    AllocationCount = 0;
    for (bool &exported : OwnerModuleExported)
        exported = true;
    fetchedTable = NULL;
    fetchedTableBytes = 0;
    lastWsaError = 0;
}

namespace {

std::string Format(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

// The size of a live heap block of ours, or 0 when the block is none.
SIZE_T LiveBlockBytes(const void *block)
{
    EnterCriticalSection(HeapLock());
    auto live = liveBlocks.find(const_cast<void *>(block));
    SIZE_T bytes = live != liveBlocks.end() ? live->second : 0;
    LeaveCriticalSection(HeapLock());
    return bytes;
}

std::string Narrow(const wchar_t *text)
{
    std::string result;
    for (; *text; ++text)
        result += (char)*text;
    return result;
}

DWORD TableCall(const char *function, bool tcp, PVOID table, PDWORD size, WINBOOL order, ULONG family, int tableClass,
                ULONG reserved)
{
    bool recording = Record == RECORD_CALLS;
    if (recording) {
        Events.push_back(Format("%s(%s, %lu, %d, %lu, %d, %lu)", function, table ? "block" : "NULL", *size, order,
                                family, tableClass, reserved));
        SizeAddresses.push_back(size);
    }
    TableScript &script = Table(tcp, family);
    DWORD needed = script.sizeAnswer != ~0u ? script.sizeAnswer : (DWORD)script.block.size();
    if (!table) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    if (script.growFetches > 0) {
        --script.growFetches;
        script.block.resize(script.block.size() + script.growBytes); // grown: more room, same entries
        if (script.sizeAnswer != ~0u)
            script.sizeAnswer += script.growBytes;
        *size = script.sizeAnswer != ~0u ? script.sizeAnswer : (DWORD)script.block.size();
        return ERROR_INSUFFICIENT_BUFFER;
    }
    if (script.fetchResult)
        return script.fetchResult;
    if (*size < script.block.size()) {
        *size = (DWORD)script.block.size();
        return ERROR_INSUFFICIENT_BUFFER;
    }
    if (recording && LiveBlockBytes(table) < script.block.size())
        Faults.push_back("table fetched into a block that is not a live heap block of the size given");
    memcpy(table, script.block.data(), script.block.size());
    fetchedTable = (const BYTE *)table;
    fetchedTableBytes = *size;
    return NO_ERROR;
}

DWORD OwnerModuleCall(const char *function, const void *entry, DWORD pid, int infoClass, PVOID buffer, PDWORD size)
{
    if (Record == RECORD_CALLS) {
        SIZE_T blockBytes = LiveBlockBytes(buffer);
        if (!blockBytes)
            Faults.push_back(std::string(function) + ": block is not a live heap block");
        Events.push_back(
            Format("%s(pid %lu, %d, block of %lu, %lu)", function, pid, infoClass, (unsigned long)blockBytes, *size));
        SizeAddresses.push_back(size);
        const BYTE *at = (const BYTE *)entry;
        EntryInTable.push_back(fetchedTable && at >= fetchedTable && at < fetchedTable + fetchedTableBytes);
        if (blockBytes != *size)
            Faults.push_back(std::string(function) + ": block size differs from the size variable");
    }

    // Scripted modules are answered from the script itself, not a copy: the benchmark's rows
    // all have one.
    ModuleScript unscripted;
    auto scripted = Modules.find(pid);
    ModuleScript &script = scripted != Modules.end() ? scripted->second : unscripted;
    if (scripted == Modules.end())
        script.name = L"mod" + std::to_wstring(pid) + L".exe", script.path = L"C:\\bin\\" + script.name;
    DWORD needed = (DWORD)(sizeof(TCPIP_OWNER_MODULE_BASIC_INFO) +
                           (script.name.size() + 1 + script.path.size() + 1) * sizeof(wchar_t));
    if (script.answers122 > 0) {
        --script.answers122;
        *size = needed + 64; // asks for more than it needs at the moment, as a growing answer would
        return ERROR_INSUFFICIENT_BUFFER;
    }
    if (script.result)
        return script.result;
    if (*size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    TCPIP_OWNER_MODULE_BASIC_INFO *info = (TCPIP_OWNER_MODULE_BASIC_INFO *)buffer;
    wchar_t *strings = (wchar_t *)(info + 1);
    memcpy(strings, script.name.c_str(), (script.name.size() + 1) * sizeof(wchar_t));
    info->pModuleName = strings;
    strings += script.name.size() + 1;
    memcpy(strings, script.path.c_str(), (script.path.size() + 1) * sizeof(wchar_t));
    info->pModulePath = strings;
    return NO_ERROR;
}

} // namespace

// ---- heap (through the import pointers) ----
typedef LPVOID(WINAPI *HeapAllocFunction)(HANDLE, DWORD, SIZE_T);
typedef BOOL(WINAPI *HeapFreeFunction)(HANDLE, DWORD, LPVOID);

namespace {

HeapAllocFunction RealHeapAlloc()
{
    static HeapAllocFunction real =
        (HeapAllocFunction)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "HeapAlloc");
    return real;
}

HeapFreeFunction RealHeapFree()
{
    static HeapFreeFunction real =
        (HeapFreeFunction)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "HeapFree");
    return real;
}

LPVOID WINAPI FakeHeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    if (Record == RECORD_NOTHING)
        return RealHeapAlloc()(heap, flags, bytes);
    bool recording = Record == RECORD_CALLS;
    if (recording) {
        ++AllocationCount;
        allocationSizes.push_back(bytes);
        Events.push_back(Format("HeapAlloc(%lu)", (unsigned long)bytes));
        if (heap != GetProcessHeap())
            Faults.push_back("HeapAlloc: not the process heap");
        if (flags != HEAP_ZERO_MEMORY)
            Faults.push_back(Format("HeapAlloc: flags %lu, not HEAP_ZERO_MEMORY", flags));
        if (AllocationCount == FailAllocation) {
            Events.back() += " failed";
            return NULL;
        }
    }
    LPVOID block = RealHeapAlloc()(heap, recording ? 0 : flags, bytes);
    if (!block)
        return NULL;
    // Garbage unless the caller asked for zeroes, so a missing HEAP_ZERO_MEMORY shows.
    if (recording)
        memset(block, (flags & HEAP_ZERO_MEMORY) ? 0 : 0xCD, bytes);
    EnterCriticalSection(HeapLock());
    liveBlocks[block] = bytes;
    ++heapCounts.allocations;
    LeaveCriticalSection(HeapLock());
    return block;
}

BOOL WINAPI FakeHeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    if (Record == RECORD_NOTHING)
        return RealHeapFree()(heap, flags, block);
    EnterCriticalSection(HeapLock());
    auto live = liveBlocks.find(block);
    SIZE_T bytes = live != liveBlocks.end() ? live->second : 0;
    if (live != liveBlocks.end()) {
        liveBlocks.erase(live);
        ++heapCounts.frees;
    } else {
        ++heapCounts.strayFrees; // not one of ours (runtime or test)
    }
    LeaveCriticalSection(HeapLock());
    if (bytes && Record == RECORD_CALLS) {
        Events.push_back(Format("HeapFree(%lu)", (unsigned long)bytes));
        if (heap != GetProcessHeap())
            Faults.push_back("HeapFree: not the process heap");
    }
    return RealHeapFree()(heap, flags, block);
}

// ---- name service ----
INT WSAAPI FakeGetNameInfoW(const SOCKADDR *address, socklen_t length, PWCHAR host, DWORD hostChars, PWCHAR service,
                            DWORD serviceChars, INT flags)
{
    char text[64] = {0};
    wchar_t wide[64] = {0};
    const sockaddr_in6 *v6 = (const sockaddr_in6 *)address;
    if (address->sa_family == AF_INET) {
        const sockaddr_in *v4 = (const sockaddr_in *)address;
        strcpy(text, inet_ntoa(v4->sin_addr));
        for (int i = 0; text[i]; ++i)
            wide[i] = (wchar_t)text[i];
    } else if (address->sa_family == AF_INET6) {
        InetNtopW(AF_INET6, &v6->sin6_addr, wide, COUNTOF(wide));
        strcpy(text, Narrow(wide).c_str());
    }
    if (Record == RECORD_CALLS) {
        std::string extra;
        if (address->sa_family == AF_INET6)
            extra = Format(" flow %lu scope %lu", v6->sin6_flowinfo, v6->sin6_scope_id);
        Events.push_back(Format("GetNameInfoW(family %d, %s%s, %d, %lu, %lu, %d)", address->sa_family, text,
                                extra.c_str(), length, hostChars, serviceChars, flags));
        for (DWORD i = 0; i < hostChars; ++i)
            if (host[i])
                Faults.push_back("GetNameInfoW: host buffer not zero-filled");
        for (DWORD i = 0; i < serviceChars; ++i)
            if (service[i])
                Faults.push_back("GetNameInfoW: service buffer not zero-filled");
    }

    if (NameLookupMs != 0)
        Sleep(NameLookupMs);
    // Answered without copies of the script: the benchmark asks for thousands.
    auto scripted = Names.empty() ? Names.end() : Names.find(text);
    if (scripted != Names.end() && scripted->second.error) {
        lastWsaError = scripted->second.error;
        return SOCKET_ERROR;
    }
    wchar_t unscripted[80] = L"host-";
    wcscat(unscripted, wide);
    wcsncpy(host, scripted != Names.end() ? scripted->second.host.c_str() : unscripted, hostChars - 1);
    wcsncpy(service, L"80", serviceChars - 1);
    return 0;
}

int WSAAPI FakeWSAGetLastError()
{
    if (Record == RECORD_CALLS)
        Events.push_back("WSAGetLastError");
    return lastWsaError;
}

} // namespace

} // namespace fake

// The dllimport calls reach their function through these pointers.
typedef INT(WSAAPI *GetNameInfoWFunction)(const SOCKADDR *, socklen_t, PWCHAR, DWORD, PWCHAR, DWORD, INT);
extern "C" {
LPVOID(WINAPI *FakeImpHeapAlloc)(HANDLE, DWORD, SIZE_T) __asm__(IMPORT_SLOT(HeapAlloc, 12)) = fake::FakeHeapAlloc;
BOOL(WINAPI *FakeImpHeapFree)(HANDLE, DWORD, LPVOID) __asm__(IMPORT_SLOT(HeapFree, 12)) = fake::FakeHeapFree;
GetNameInfoWFunction FakeImpGetNameInfoW __asm__(IMPORT_SLOT(GetNameInfoW, 28)) = fake::FakeGetNameInfoW;
int(WSAAPI *FakeImpWSAGetLastError)(void) __asm__(IMPORT_SLOT(WSAGetLastError, 0)) = fake::FakeWSAGetLastError;

DWORD WINAPI GetExtendedTcpTable(PVOID table, PDWORD size, WINBOOL order, ULONG family, TCP_TABLE_CLASS tableClass,
                                 ULONG reserved)
{
    return fake::TableCall("GetExtendedTcpTable", true, table, size, order, family, tableClass, reserved);
}

DWORD WINAPI GetExtendedUdpTable(PVOID table, PDWORD size, WINBOOL order, ULONG family, UDP_TABLE_CLASS tableClass,
                                 ULONG reserved)
{
    return fake::TableCall("GetExtendedUdpTable", false, table, size, order, family, tableClass, reserved);
}

DWORD WINAPI GetOwnerModuleFromTcpEntry(PMIB_TCPROW_OWNER_MODULE entry, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                        PVOID buffer, PDWORD size)
{
    return fake::OwnerModuleCall("GetOwnerModuleFromTcpEntry", entry, entry->dwOwningPid, infoClass, buffer, size);
}

DWORD WINAPI GetOwnerModuleFromTcp6Entry(PMIB_TCP6ROW_OWNER_MODULE entry, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                         PVOID buffer, PDWORD size)
{
    return fake::OwnerModuleCall("GetOwnerModuleFromTcp6Entry", entry, entry->dwOwningPid, infoClass, buffer, size);
}

DWORD WINAPI GetOwnerModuleFromUdpEntry(PMIB_UDPROW_OWNER_MODULE entry, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                        PVOID buffer, PDWORD size)
{
    return fake::OwnerModuleCall("GetOwnerModuleFromUdpEntry", entry, entry->dwOwningPid, infoClass, buffer, size);
}

DWORD WINAPI GetOwnerModuleFromUdp6Entry(PMIB_UDP6ROW_OWNER_MODULE entry, TCPIP_OWNER_MODULE_INFO_CLASS infoClass,
                                         PVOID buffer, PDWORD size)
{
    return fake::OwnerModuleCall("GetOwnerModuleFromUdp6Entry", entry, entry->dwOwningPid, infoClass, buffer, size);
}
}

// ---- table blocks and entries ----
std::vector<BYTE> MakeTableBlock(DWORD numEntries, const void *entries, size_t entryBytes, size_t count)
{
    std::vector<BYTE> block(8 + entryBytes * count, 0);
    memcpy(block.data(), &numEntries, sizeof(numEntries));
    if (count)
        memcpy(block.data() + 8, entries, entryBytes * count);
    return block;
}

DWORD PortField(unsigned port, DWORD upperBits)
{
    return (upperBits << 16) | htons((u_short)port);
}

namespace {

void V6Bytes(const char *text, UCHAR bytes[16])
{
    wchar_t wide[64] = {0};
    for (int i = 0; text[i] && i < 63; ++i)
        wide[i] = (wchar_t)text[i];
    InetPtonW(AF_INET6, wide, bytes);
}

} // namespace

MIB_TCPROW_OWNER_MODULE Tcp4Row(const char *local, unsigned localPort, const char *remote, unsigned remotePort,
                                DWORD state, DWORD pid)
{
    MIB_TCPROW_OWNER_MODULE row;
    memset(&row, 0, sizeof(row));
    row.dwState = state;
    row.dwLocalAddr = inet_addr(local);
    row.dwLocalPort = PortField(localPort);
    row.dwRemoteAddr = inet_addr(remote);
    row.dwRemotePort = PortField(remotePort);
    row.dwOwningPid = pid;
    return row;
}

MIB_TCP6ROW_OWNER_MODULE Tcp6Row(const char *local, unsigned localPort, const char *remote, unsigned remotePort,
                                 DWORD state, DWORD pid)
{
    MIB_TCP6ROW_OWNER_MODULE row;
    memset(&row, 0, sizeof(row));
    V6Bytes(local, row.ucLocalAddr);
    row.dwLocalPort = PortField(localPort);
    V6Bytes(remote, row.ucRemoteAddr);
    row.dwRemotePort = PortField(remotePort);
    row.dwState = state;
    row.dwOwningPid = pid;
    return row;
}

MIB_UDPROW_OWNER_MODULE Udp4Row(const char *local, unsigned localPort, DWORD pid)
{
    MIB_UDPROW_OWNER_MODULE row;
    memset(&row, 0, sizeof(row));
    row.dwLocalAddr = inet_addr(local);
    row.dwLocalPort = PortField(localPort);
    row.dwOwningPid = pid;
    return row;
}

MIB_UDP6ROW_OWNER_MODULE Udp6Row(const char *local, unsigned localPort, DWORD pid)
{
    MIB_UDP6ROW_OWNER_MODULE row;
    memset(&row, 0, sizeof(row));
    V6Bytes(local, row.ucLocalAddr);
    row.dwLocalPort = PortField(localPort);
    row.dwOwningPid = pid;
    return row;
}
