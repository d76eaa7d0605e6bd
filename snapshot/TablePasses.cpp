#include "snapshot/TablePasses.h"

#include "common/Countof.h"
#include "snapshot/ConnectionRow.h"
#include "snapshot/Lookups.h"

#include <commctrl.h>
#include <iphlpapi.h>

#include <stddef.h>
#include <string.h>

namespace {

// How often a table fetch that answers ERROR_INSUFFICIENT_BUFFER (the table grew since the
// size was learnt) is repeated with a block of the size the system returned.
enum { TABLE_FETCH_RETRIES = 5 };

// Offset of the first entry in every owner-module table block.
enum { TABLE_HEADER_BYTES = 8 };

// Per-row scratch shared by the column functions of one pass.
struct RowScratch {
    V6AddressText remoteAddressText; // bare text of column 2 (TCPv6), for the name lookup
};

// What distinguishes the four passes.
struct PassDescriptor {
    EndpointProtocol protocol;
    BOOL tcp; // GetExtendedTcpTable, else GetExtendedUdpTable
    ULONG family;
    int tableClass;
    size_t entryBytes;
    const wchar_t *label;
    // Text of column 1, 2, 3 or 4 of `entry`, into a zero-filled buffer.
    void (*ColumnText)(const void *entry, int column, RowText text, RowScratch *scratch);
};

void Tcp4ColumnText(const void *entry, int column, RowText text, RowScratch *)
{
    const MIB_TCPROW_OWNER_MODULE *row = (const MIB_TCPROW_OWNER_MODULE *)entry;
    switch (column) {
    case COLUMN_SOURCE_ADDRESS:
        FormatV4Endpoint(row->dwLocalAddr, row->dwLocalPort, text);
        break;
    case COLUMN_REMOTE_ADDRESS:
        FormatV4Endpoint(row->dwRemoteAddr, row->dwRemotePort, text);
        break;
    case COLUMN_REMOTE_NAME:
        LookupRemoteName(row->dwRemoteAddr, row->dwRemotePort, text);
        break;
    case COLUMN_STATUS:
        TcpStateName(row->dwState, text);
        break;
    }
}

void Tcp6ColumnText(const void *entry, int column, RowText text, RowScratch *scratch)
{
    const MIB_TCP6ROW_OWNER_MODULE *row = (const MIB_TCP6ROW_OWNER_MODULE *)entry;
    V6AddressText localAddressText;
    switch (column) {
    case COLUMN_SOURCE_ADDRESS:
        FormatV6Endpoint(row->ucLocalAddr, row->dwLocalScopeId, row->dwLocalPort, text, localAddressText);
        break;
    case COLUMN_REMOTE_ADDRESS:
        FormatV6Endpoint(row->ucRemoteAddr, row->dwRemoteScopeId, row->dwRemotePort, text, scratch->remoteAddressText);
        break;
    case COLUMN_REMOTE_NAME:
        LookupRemoteName(scratch->remoteAddressText, row->dwRemotePort, text);
        break;
    case COLUMN_STATUS:
        TcpStateName(row->dwState, text);
        break;
    }
}

void Udp4ColumnText(const void *entry, int column, RowText text, RowScratch *)
{
    const MIB_UDPROW_OWNER_MODULE *row = (const MIB_UDPROW_OWNER_MODULE *)entry;
    if (column == COLUMN_SOURCE_ADDRESS)
        FormatV4Endpoint(row->dwLocalAddr, row->dwLocalPort, text);
    else if (column == COLUMN_REMOTE_ADDRESS)
        CopyRowText(text, UdpRemoteAddress);
    // Remote Name and Status stay empty.
}

void Udp6ColumnText(const void *entry, int column, RowText text, RowScratch *)
{
    const MIB_UDP6ROW_OWNER_MODULE *row = (const MIB_UDP6ROW_OWNER_MODULE *)entry;
    if (column == COLUMN_SOURCE_ADDRESS) {
        V6AddressText localAddressText;
        FormatV6Endpoint(row->ucLocalAddr, row->dwLocalScopeId, row->dwLocalPort, text, localAddressText);
    } else if (column == COLUMN_REMOTE_ADDRESS) {
        CopyRowText(text, UdpRemoteAddress);
    }
}

const PassDescriptor Tcp4Pass = {
    PROTOCOL_TCP4, TRUE,          AF_INET, TCP_TABLE_OWNER_MODULE_ALL, sizeof(MIB_TCPROW_OWNER_MODULE),
    LabelTcp4,     Tcp4ColumnText};
const PassDescriptor Tcp6Pass = {
    PROTOCOL_TCP6, TRUE,          AF_INET6, TCP_TABLE_OWNER_MODULE_ALL, sizeof(MIB_TCP6ROW_OWNER_MODULE),
    LabelTcp6,     Tcp6ColumnText};
const PassDescriptor Udp4Pass = {
    PROTOCOL_UDP4, FALSE, AF_INET, UDP_TABLE_OWNER_MODULE, sizeof(MIB_UDPROW_OWNER_MODULE), LabelUdp4, Udp4ColumnText};
const PassDescriptor Udp6Pass = {
    PROTOCOL_UDP6, FALSE,         AF_INET6, UDP_TABLE_OWNER_MODULE, sizeof(MIB_UDP6ROW_OWNER_MODULE),
    LabelUdp6,     Udp6ColumnText};

DWORD QueryTable(const PassDescriptor *pass, void *table, DWORD *size)
{
    if (pass->tcp)
        return GetExtendedTcpTable(table, size, TRUE, pass->family, (TCP_TABLE_CLASS)pass->tableClass, 0);
    return GetExtendedUdpTable(table, size, TRUE, pass->family, (UDP_TABLE_CLASS)pass->tableClass, 0);
}

void SetRowText(HWND list, LVITEMW *item, int column, wchar_t *text)
{
    item->iSubItem = column;
    item->pszText = text;
    SendMessageW(list, LVM_SETITEMW, 0, (LPARAM)item);
}

// A whole fill: nothing newer can make it pointless.
BOOL AlwaysWanted(LONG)
{
    return TRUE;
}

int FillRows(HWND list, const PassDescriptor *pass, FillWantedFunction wanted, LONG ticket)
{
    if (!wanted(ticket))
        return 0;
    RowText text;
    wchar_t emptyName[1] = {0};
    RowScratch scratch;
    memset(text, 0, sizeof(text));
    memset(&scratch, 0, sizeof(scratch));

    LVITEMW item;
    memset(&item, 0, sizeof(item));
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    item.state = 0;
    item.stateMask = 0;
    item.iImage = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);

    // The size variable: set by the table query, then shared with every owner-module query.
    DWORD size = 0;
    QueryTable(pass, NULL, &size); // learns the size; the result is not examined

    HANDLE heap = GetProcessHeap();
    DWORD tableBytes = size;
    void *table = HeapAlloc(heap, HEAP_ZERO_MEMORY, tableBytes);
    if (!table)
        return 0;
    DWORD result = QueryTable(pass, table, &size);
    for (int retry = 0; result == ERROR_INSUFFICIENT_BUFFER && retry < TABLE_FETCH_RETRIES; ++retry) {
        // The table grew since its size was learnt: fetch again with the size returned.
        HeapFree(heap, 0, table);
        tableBytes = size;
        table = HeapAlloc(heap, HEAP_ZERO_MEMORY, tableBytes);
        if (!table)
            return 0;
        result = QueryTable(pass, table, &size);
    }
    if (result != NO_ERROR) {
        HeapFree(heap, 0, table);
        return 0;
    }

    // Never read past the block: stop at the last whole entry it holds.
    DWORD count = 0;
    if (tableBytes >= TABLE_HEADER_BYTES) {
        count = *(const DWORD *)table;
        DWORD whole = (DWORD)((tableBytes - TABLE_HEADER_BYTES) / pass->entryBytes);
        if (count > whole)
            count = whole;
    }

    const BYTE *entries = (const BYTE *)table + TABLE_HEADER_BYTES;
    DWORD i = 0;
    for (; i < count && wanted(ticket); ++i) {
        const void *entry = entries + (size_t)i * pass->entryBytes;

        const wchar_t *name = emptyName;
        // The block is freed below, so it is no pointer to const, whatever a checker's model of
        // HeapFree says.
        // cppcheck-suppress constVariablePointer
        void *module = LookupOwnerModule(entry, pass->protocol, &size, &name);
        item.iItem = (int)i;
        item.iSubItem = COLUMN_MODULE_NAME;
        item.pszText = *name ? (LPWSTR)name : emptyName;
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item); // the list copies the text
        if (module)
            HeapFree(heap, 0, module);

        for (int column = COLUMN_SOURCE_ADDRESS; column <= COLUMN_STATUS; ++column) {
            memset(text, 0, sizeof(text));
            pass->ColumnText(entry, column, text, &scratch);
            SetRowText(list, &item, column, text);
        }
        CopyRowText(text, pass->label);
        SetRowText(list, &item, COLUMN_PROTOCOL, text);
    }

    HeapFree(heap, 0, table);
    return i == count ? 1 : 0; // a fill no longer wanted stopped early
}

} // namespace

int FillTcp4Rows(HWND list)
{
    return FillRows(list, &Tcp4Pass, AlwaysWanted, 0);
}

int FillTcp6Rows(HWND list)
{
    return FillRows(list, &Tcp6Pass, AlwaysWanted, 0);
}

int FillUdp4Rows(HWND list)
{
    return FillRows(list, &Udp4Pass, AlwaysWanted, 0);
}

int FillUdp6Rows(HWND list)
{
    return FillRows(list, &Udp6Pass, AlwaysWanted, 0);
}

void RefreshConnections(HWND list)
{
    RefreshConnectionsWhileWanted(list, AlwaysWanted, 0);
}

void RefreshConnectionsWhileWanted(HWND list, FillWantedFunction wanted, LONG ticket)
{
    if (!wanted(ticket))
        return;
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    // Rows count from 0 in every pass, so each pass puts its rows above the previous ones.
    const PassDescriptor *const passes[] = {&Tcp4Pass, &Tcp6Pass, &Udp4Pass, &Udp6Pass};
    for (size_t i = 0; i < COUNTOF(passes); ++i)
        FillRows(list, passes[i], wanted, ticket);
}
