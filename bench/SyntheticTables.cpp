#include "bench/SyntheticTables.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "common/Countof.h"

const SyntheticTables *ActiveTables;

const wchar_t FakeRemoteName[] = L"peer-host.bench.example";

namespace {

const wchar_t *const ModuleNames[8] = {L"netservice.exe",  L"updater.exe", L"mailclient.exe",  L"webagent.exe",
                                       L"sync-daemon.exe", L"chat.exe",    L"backup-task.exe", L"media-server.exe"};

} // namespace

const wchar_t *FakeModuleName(DWORD processId)
{
    return ModuleNames[processId % COUNTOF(ModuleNames)];
}

namespace {

const wchar_t *StateText(DWORD state)
{
    static const wchar_t *const names[] = {L"",          L"Close",     L"Listen", L"Send",       L"Recv",
                                           L"Establish", L"Wait",      L"Wait",   L"Close Wait", L"Closing...",
                                           L"Last Ack",  L"Time Wait", L"Delete"};
    return state < COUNTOF(names) ? names[state] : L"";
}

wchar_t *V4Text(DWORD address, DWORD portField)
{
    const unsigned char *b = (const unsigned char *)&address;
    wchar_t text[64];
    swprintf(text, COUNTOF(text), L"%u.%u.%u.%u:%d", b[0], b[1], b[2], b[3], (int)ntohs((u_short)portField));
    return _wcsdup(text);
}

wchar_t *V6Text(const UCHAR *address, DWORD scopeField, DWORD portField)
{
    wchar_t bare[INET6_ADDRSTRLEN];
    wchar_t text[128];
    ZeroMemory(bare, sizeof(bare));
    InetNtopW(AF_INET6, (PVOID)address, bare, COUNTOF(bare));
    swprintf(text, COUNTOF(text), L"%ls[%d]:%d", bare, (int)ntohl(scopeField), (int)ntohs((u_short)portField));
    return _wcsdup(text);
}

DWORD V4Address(unsigned a, unsigned b, unsigned c, unsigned d)
{
    unsigned char bytes[4] = {(unsigned char)a, (unsigned char)b, (unsigned char)c, (unsigned char)d};
    DWORD address;
    memcpy(&address, bytes, sizeof(address));
    return address;
}

void V6Address(UCHAR *address, unsigned prefix, unsigned serial)
{
    ZeroMemory(address, 16);
    address[0] = 0x20;
    address[1] = 0x01;
    address[2] = 0x0d;
    address[3] = 0xb8;
    address[5] = (UCHAR)prefix;
    address[13] = (UCHAR)(serial >> 16);
    address[14] = (UCHAR)(serial >> 8);
    address[15] = (UCHAR)serial;
}

DWORD PortField(unsigned port)
{
    // The upper half is garbage the program must ignore.
    return (DWORD)htons((u_short)port) | 0xBEEF0000u;
}

} // namespace

int MakeSyntheticTables(int totalRows, SyntheticTables *tables)
{
    ZeroMemory(tables, sizeof(*tables));
    int counts[BENCH_PASS_COUNT];
    counts[0] = totalRows * 4 / 10;
    counts[1] = totalRows / 10;
    counts[2] = totalRows * 4 / 10;
    counts[3] = totalRows - counts[0] - counts[1] - counts[2];

    FloorRows *rows = &tables->rows;
    rows->text = (const wchar_t **)calloc((size_t)totalRows * BENCH_COLUMN_COUNT + 1, sizeof(const wchar_t *));
    if (!rows->text)
        return 0;
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++) {
        rows->rowCount[pass] = counts[pass];
        if (pass > 0)
            rows->firstRow[pass] = rows->firstRow[pass - 1] + counts[pass - 1];
    }

    tables->tableBytes[0] = (DWORD)(8 + counts[0] * sizeof(MIB_TCPROW_OWNER_MODULE));
    tables->tableBytes[1] = (DWORD)(8 + counts[1] * sizeof(MIB_TCP6ROW_OWNER_MODULE));
    tables->tableBytes[2] = (DWORD)(8 + counts[2] * sizeof(MIB_UDPROW_OWNER_MODULE));
    tables->tableBytes[3] = (DWORD)(8 + counts[3] * sizeof(MIB_UDP6ROW_OWNER_MODULE));
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++) {
        tables->table[pass] = calloc(1, tables->tableBytes[pass]);
        if (!tables->table[pass]) {
            FreeSyntheticTables(tables);
            return 0;
        }
        *(DWORD *)tables->table[pass] = (DWORD)counts[pass];
    }

    const wchar_t **text = rows->text;
    MIB_TCPTABLE_OWNER_MODULE *tcp4 = (MIB_TCPTABLE_OWNER_MODULE *)tables->table[0];
    for (int i = 0; i < counts[0]; i++, text += BENCH_COLUMN_COUNT) {
        MIB_TCPROW_OWNER_MODULE *row = &tcp4->table[i];
        row->dwOwningPid = 100 + i % 37;
        row->dwLocalPort = PortField(1024 + i % 60000);
        if (i % 5 == 0) {
            row->dwState = MIB_TCP_STATE_LISTEN;
            row->dwLocalAddr = V4Address(0, 0, 0, 0);
        } else {
            static const DWORD states[] = {MIB_TCP_STATE_ESTAB, MIB_TCP_STATE_CLOSE_WAIT, MIB_TCP_STATE_TIME_WAIT,
                                           MIB_TCP_STATE_ESTAB};
            row->dwState = states[i % COUNTOF(states)];
            row->dwLocalAddr = V4Address(10, 0, (i >> 8) & 255, i & 255);
            row->dwRemoteAddr = V4Address(192, 168, (i >> 8) & 255, i & 255);
            row->dwRemotePort = PortField(443);
        }
        text[0] = _wcsdup(FakeModuleName(row->dwOwningPid));
        text[1] = V4Text(row->dwLocalAddr, row->dwLocalPort);
        text[2] = V4Text(row->dwRemoteAddr, row->dwRemotePort);
        text[3] = _wcsdup(row->dwRemoteAddr ? FakeRemoteName : L"");
        text[4] = _wcsdup(StateText(row->dwState));
        text[5] = _wcsdup(L"TCPv4");
    }

    MIB_TCP6TABLE_OWNER_MODULE *tcp6 = (MIB_TCP6TABLE_OWNER_MODULE *)tables->table[1];
    for (int i = 0; i < counts[1]; i++, text += BENCH_COLUMN_COUNT) {
        MIB_TCP6ROW_OWNER_MODULE *row = &tcp6->table[i];
        row->dwOwningPid = 100 + i % 37;
        row->dwState = MIB_TCP_STATE_ESTAB;
        V6Address(row->ucLocalAddr, 0, (unsigned)i);
        V6Address(row->ucRemoteAddr, 1, (unsigned)i);
        row->dwLocalPort = PortField(20000 + i % 40000);
        row->dwRemotePort = PortField(8443);
        text[0] = _wcsdup(FakeModuleName(row->dwOwningPid));
        text[1] = V6Text(row->ucLocalAddr, row->dwLocalScopeId, row->dwLocalPort);
        text[2] = V6Text(row->ucRemoteAddr, row->dwRemoteScopeId, row->dwRemotePort);
        text[3] = _wcsdup(FakeRemoteName);
        text[4] = _wcsdup(StateText(row->dwState));
        text[5] = _wcsdup(L"TCPv6");
    }

    MIB_UDPTABLE_OWNER_MODULE *udp4 = (MIB_UDPTABLE_OWNER_MODULE *)tables->table[2];
    for (int i = 0; i < counts[2]; i++, text += BENCH_COLUMN_COUNT) {
        MIB_UDPROW_OWNER_MODULE *row = &udp4->table[i];
        row->dwOwningPid = 100 + i % 37;
        row->dwLocalAddr = i % 2 ? V4Address(127, 0, 0, 1) : V4Address(0, 0, 0, 0);
        row->dwLocalPort = PortField(1024 + i % 60000);
        text[0] = _wcsdup(FakeModuleName(row->dwOwningPid));
        text[1] = V4Text(row->dwLocalAddr, row->dwLocalPort);
        text[2] = _wcsdup(L"*.*");
        text[3] = _wcsdup(L"");
        text[4] = _wcsdup(L"");
        text[5] = _wcsdup(L"UDPv4");
    }

    MIB_UDP6TABLE_OWNER_MODULE *udp6 = (MIB_UDP6TABLE_OWNER_MODULE *)tables->table[3];
    for (int i = 0; i < counts[3]; i++, text += BENCH_COLUMN_COUNT) {
        MIB_UDP6ROW_OWNER_MODULE *row = &udp6->table[i];
        row->dwOwningPid = 100 + i % 37;
        row->dwLocalPort = PortField(1024 + i % 60000);
        text[0] = _wcsdup(FakeModuleName(row->dwOwningPid));
        text[1] = V6Text(row->ucLocalAddr, row->dwLocalScopeId, row->dwLocalPort);
        text[2] = _wcsdup(L"*.*");
        text[3] = _wcsdup(L"");
        text[4] = _wcsdup(L"");
        text[5] = _wcsdup(L"UDPv6");
    }

    for (int i = 0; i < totalRows * BENCH_COLUMN_COUNT; i++) {
        if (!rows->text[i]) {
            FreeSyntheticTables(tables);
            return 0;
        }
    }
    return 1;
}

void FreeSyntheticTables(SyntheticTables *tables)
{
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++)
        free(tables->table[pass]);
    FreeFloorRows(&tables->rows);
    ZeroMemory(tables, sizeof(*tables));
}
