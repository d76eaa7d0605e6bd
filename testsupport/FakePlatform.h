#pragma once
// Same-named fakes of the platform calls the snapshot makes, for the unit tests, the soak and
// the benchmark: GetExtendedTcpTable, GetExtendedUdpTable, GetOwnerModuleFrom{Tcp,Tcp6,Udp,Udp6}Entry
// (plain imports: defined here under their own names), and HeapAlloc, HeapFree,
// GetNameInfoW, WSAGetLastError (dllimport calls: their import pointers, IMPORT_SLOT(Name, N), are
// defined here). Every call is recorded, in order, in fake::Events, unless Record says less.
// FakeOwnerModuleExports.cpp says which of the owner-module functions the system exports
// (OwnerModuleExported). Both are linked as objects (vantrel_fake_platform,
// vantrel_fake_owner_module_exports), so they win over the import libraries and the product's
// own OwnerModuleExports wherever those stand on the link line.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>

#include <map>
#include <string>
#include <vector>

namespace fake {

// What the fakes keep of each call. They answer the same in every mode.
enum Recording {
    RECORD_CALLS,       // everything below: the unit tests (the default)
    RECORD_HEAP_BLOCKS, // only the heap blocks and CountedHeapCalls: the soak, whose long runs
                        // would otherwise grow the records they are measuring
    RECORD_NOTHING      // the benchmark, whose per-row figures would carry the bookkeeping
};
extern Recording Record;

// One line per platform call (and per list operation, see ListView.h), in call order.
extern std::vector<std::string> Events;
// Call records that are awkward to put into an event line.
extern std::vector<std::string> Faults; // broken rules seen by the fakes (wrong heap, flags, ...)

// ---- endpoint tables ----
struct TableScript {
    std::vector<BYTE> block; // the table as the system would return it (header + entries)
    DWORD fetchResult = 0;   // non-zero: every fetch with a buffer answers this
    int growFetches = 0;     // this many fetches find the table grown by growBytes (answer 122)
    DWORD growBytes = 0;
    DWORD sizeAnswer = ~0u; // not ~0: what the size query (and 122 answers) report instead
};
TableScript &Table(bool tcp, ULONG family);

// Size-variable addresses seen by the table fetches and the owner-module queries.
extern std::vector<const DWORD *> SizeAddresses;

// ---- owner modules ----
struct ModuleScript {
    std::wstring name; // written into the block on success
    std::wstring path;
    DWORD result = 0;   // non-zero: answer this without writing anything
    int answers122 = 0; // first this many queries answer 122 whatever the block size (asking
                        // for 64 bytes more than needed), before `result` or success
};
// By owning process id; a pid without a script gets name "mod<pid>.exe", path C:\bin\mod<pid>.exe.
extern std::map<DWORD, ModuleScript> Modules;
// Entry pointers lay inside the fetched table block (true) or elsewhere, e.g. a copy (false).
extern std::vector<bool> EntryInTable;

// ---- name service ----
// By address text (inet_ntop form): host text to answer, or an error for WSAGetLastError.
struct NameScript {
    std::wstring host;
    int error = 0;
};
extern std::map<std::string, NameScript> Names; // unscripted addresses answer "host-<address>"
// How long every lookup takes before it answers, as a name service that is slow to give up.
extern DWORD NameLookupMs;

// ---- heap ----
extern int FailAllocation; // 1-based number of the HeapAlloc call to fail; 0: none
extern int AllocationCount;
std::map<void *, SIZE_T> &LiveBlocks(); // blocks handed out and not yet freed
std::vector<SIZE_T> AllocationSizes();  // sizes of all HeapAlloc calls, in order

// Heap calls since the program started, from any thread, in every mode but RECORD_NOTHING.
struct HeapCounts {
    LONG allocations; // successful HeapAlloc calls
    LONG frees;       // HeapFree calls for those blocks
    LONG strayFrees;  // HeapFree calls for anything else
    LONG live;        // blocks allocated and not yet freed
};
HeapCounts CountedHeapCalls();

// ---- the system's exports ----
// By EndpointProtocol: whether the system exports that pass's owner-module function (all do
// at the start and after Reset). Read by the OwnerModuleQueryExported of FakeOwnerModuleExports.cpp.
extern bool OwnerModuleExported[4];

// Clears every script and record for the next test, the live blocks among them; leaves Record
// and the totals of CountedHeapCalls alone.
void Reset();

} // namespace fake

// Table blocks and entries for the tests.
std::vector<BYTE> MakeTableBlock(DWORD numEntries, const void *entries, size_t entryBytes, size_t count);
template <class Row> std::vector<BYTE> TableOf(const std::vector<Row> &rows)
{
    return MakeTableBlock((DWORD)rows.size(), rows.data(), sizeof(Row), rows.size());
}
DWORD PortField(unsigned port, DWORD upperBits = 0);
MIB_TCPROW_OWNER_MODULE Tcp4Row(const char *local, unsigned localPort, const char *remote, unsigned remotePort,
                                DWORD state, DWORD pid);
MIB_TCP6ROW_OWNER_MODULE Tcp6Row(const char *local, unsigned localPort, const char *remote, unsigned remotePort,
                                 DWORD state, DWORD pid);
MIB_UDPROW_OWNER_MODULE Udp4Row(const char *local, unsigned localPort, DWORD pid);
MIB_UDP6ROW_OWNER_MODULE Udp6Row(const char *local, unsigned localPort, DWORD pid);
