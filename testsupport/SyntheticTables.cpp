#include "testsupport/SyntheticTables.h"

#include <string.h>

#include "common/Countof.h"
#include "testsupport/FakePlatform.h"

namespace {

// Owning processes: rows share them, as connections of one program do.
enum { FIRST_PID = 100, PROCESS_COUNT = 37 };

const wchar_t *const ModuleNames[8] = {L"netservice.exe",  L"updater.exe", L"mailclient.exe",  L"webagent.exe",
                                       L"sync-daemon.exe", L"chat.exe",    L"backup-task.exe", L"media-server.exe"};

DWORD V4Address(unsigned a, unsigned b, unsigned c, unsigned d)
{
    unsigned char bytes[4] = {(unsigned char)a, (unsigned char)b, (unsigned char)c, (unsigned char)d};
    DWORD address;
    memcpy(&address, bytes, sizeof(address));
    return address;
}

void V6Address(UCHAR *address, unsigned prefix, unsigned serial)
{
    static const UCHAR documentation[4] = {0x20, 0x01, 0x0d, 0xb8};
    ZeroMemory(address, 16);
    memcpy(address, documentation, sizeof(documentation));
    address[5] = (UCHAR)prefix;
    address[13] = (UCHAR)(serial >> 16);
    address[14] = (UCHAR)(serial >> 8);
    address[15] = (UCHAR)serial;
}

// The upper half is garbage the program must ignore.
const DWORD PORT_GARBAGE = 0xBEEF;

template <class Table> Table *NewTable(SyntheticTables *tables, int pass, size_t rowBytes)
{
    tables->tableBytes[pass] = (DWORD)(8 + tables->rowCount[pass] * rowBytes);
    tables->block[pass].assign(tables->tableBytes[pass], 0);
    Table *table = (Table *)tables->block[pass].data();
    table->dwNumEntries = (DWORD)tables->rowCount[pass];
    return table;
}

} // namespace

SyntheticTables MakeSyntheticTables(int totalRows)
{
    SyntheticTables tables;
    tables.rowCount[0] = totalRows * 4 / 10;
    tables.rowCount[1] = totalRows / 10;
    tables.rowCount[2] = totalRows * 4 / 10;
    tables.rowCount[3] = totalRows - tables.rowCount[0] - tables.rowCount[1] - tables.rowCount[2];

    MIB_TCPTABLE_OWNER_MODULE *tcp4 = NewTable<MIB_TCPTABLE_OWNER_MODULE>(&tables, 0, sizeof(MIB_TCPROW_OWNER_MODULE));
    for (int i = 0; i < tables.rowCount[0]; i++) {
        MIB_TCPROW_OWNER_MODULE *row = &tcp4->table[i];
        row->dwOwningPid = FIRST_PID + i % PROCESS_COUNT;
        row->dwLocalPort = PortField(1024 + i % 60000, PORT_GARBAGE);
        if (i % 5 == 0) {
            row->dwState = MIB_TCP_STATE_LISTEN;
            continue;
        }
        static const DWORD states[] = {MIB_TCP_STATE_ESTAB, MIB_TCP_STATE_CLOSE_WAIT, MIB_TCP_STATE_TIME_WAIT,
                                       MIB_TCP_STATE_ESTAB};
        row->dwState = states[i % COUNTOF(states)];
        row->dwLocalAddr = V4Address(10, 0, (i >> 8) & 255, i & 255);
        row->dwRemoteAddr = V4Address(192, 168, (i >> 8) & 255, i & 255);
        row->dwRemotePort = PortField(443, PORT_GARBAGE);
    }

    MIB_TCP6TABLE_OWNER_MODULE *tcp6 =
        NewTable<MIB_TCP6TABLE_OWNER_MODULE>(&tables, 1, sizeof(MIB_TCP6ROW_OWNER_MODULE));
    for (int i = 0; i < tables.rowCount[1]; i++) {
        MIB_TCP6ROW_OWNER_MODULE *row = &tcp6->table[i];
        row->dwOwningPid = FIRST_PID + i % PROCESS_COUNT;
        row->dwState = MIB_TCP_STATE_ESTAB;
        V6Address(row->ucLocalAddr, 0, (unsigned)i);
        V6Address(row->ucRemoteAddr, 1, (unsigned)i);
        row->dwLocalPort = PortField(20000 + i % 40000, PORT_GARBAGE);
        row->dwRemotePort = PortField(8443, PORT_GARBAGE);
    }

    MIB_UDPTABLE_OWNER_MODULE *udp4 = NewTable<MIB_UDPTABLE_OWNER_MODULE>(&tables, 2, sizeof(MIB_UDPROW_OWNER_MODULE));
    for (int i = 0; i < tables.rowCount[2]; i++) {
        MIB_UDPROW_OWNER_MODULE *row = &udp4->table[i];
        row->dwOwningPid = FIRST_PID + i % PROCESS_COUNT;
        row->dwLocalAddr = i % 2 ? V4Address(127, 0, 0, 1) : V4Address(0, 0, 0, 0);
        row->dwLocalPort = PortField(1024 + i % 60000, PORT_GARBAGE);
    }

    MIB_UDP6TABLE_OWNER_MODULE *udp6 =
        NewTable<MIB_UDP6TABLE_OWNER_MODULE>(&tables, 3, sizeof(MIB_UDP6ROW_OWNER_MODULE));
    for (int i = 0; i < tables.rowCount[3]; i++) {
        MIB_UDP6ROW_OWNER_MODULE *row = &udp6->table[i];
        row->dwOwningPid = FIRST_PID + i % PROCESS_COUNT;
        row->dwLocalPort = PortField(1024 + i % 60000, PORT_GARBAGE);
    }
    return tables;
}

void AnswerFromSyntheticTables(const SyntheticTables &tables)
{
    fake::Table(true, AF_INET).block = tables.block[0];
    fake::Table(true, AF_INET6).block = tables.block[1];
    fake::Table(false, AF_INET).block = tables.block[2];
    fake::Table(false, AF_INET6).block = tables.block[3];
    for (DWORD pid = FIRST_PID; pid < FIRST_PID + PROCESS_COUNT; pid++) {
        fake::ModuleScript &module = fake::Modules[pid];
        module.name = ModuleNames[pid % COUNTOF(ModuleNames)];
        module.path = L"C:\\Program Files\\Synthetic\\" + module.name;
    }
}
