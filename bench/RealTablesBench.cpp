// A refresh against the system's own endpoint tables, filled with loopback sockets that this
// program opens itself; run it alone in a network namespace so the tables hold only those.
//   RealTablesBench [tcpConnections [udpSockets [runs]]]   (default 2000 500 3)
// Each TCP connection is a connected client socket and its accepted peer: two table rows.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <stdio.h>
#include <stdlib.h>

#include "bench/Figures.h"
#include "snapshot/TablePasses.h"
#include "testsupport/ListHarness.h"

namespace {

enum { MAX_RUNS = 20 };

// The work a refresh does between its messages: the same refresh into no window.
void RefreshIntoNothingJob(HWND, void *)
{
    RefreshConnections(NULL);
}

double SecondsSince(LARGE_INTEGER from)
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)(now.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

DWORD QueryTable(int pass, void *table, DWORD *size)
{
    ULONG family = pass % 2 ? AF_INET6 : AF_INET;
    if (pass < 2)
        return GetExtendedTcpTable(table, size, TRUE, family, TCP_TABLE_OWNER_MODULE_ALL, 0);
    return GetExtendedUdpTable(table, size, TRUE, family, UDP_TABLE_OWNER_MODULE, 0);
}

// Times the platform calls a refresh makes, one at a time, without the list.
void ProfilePlatformCalls(int lookups)
{
    static const char *const names[4] = {"TCPv4", "TCPv6", "UDPv4", "UDPv6"};
    for (int pass = 0; pass < 4; pass++) {
        LARGE_INTEGER from;
        QueryPerformanceCounter(&from);
        DWORD size = 0;
        QueryTable(pass, NULL, &size);
        double sizeQuery = SecondsSince(from);
        void *table = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size ? size : 1);
        QueryPerformanceCounter(&from);
        DWORD result = table ? QueryTable(pass, table, &size) : ERROR_NOT_ENOUGH_MEMORY;
        double fetch = SecondsSince(from);
        DWORD entries = result == NO_ERROR ? *(DWORD *)table : 0;
        HeapFree(GetProcessHeap(), 0, table);
        printf("  %s table: size query %.1f ms, fetch %.1f ms (result %lu, %lu entries)\n", names[pass],
               sizeQuery * 1e3, fetch * 1e3, (unsigned long)result, (unsigned long)entries);
    }

    sockaddr_in address;
    ZeroMemory(&address, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    wchar_t host[NI_MAXHOST];
    wchar_t service[NI_MAXSERV];
    host[0] = L'\0';
    int failures = 0;
    LARGE_INTEGER from;
    QueryPerformanceCounter(&from);
    for (int i = 0; i < lookups; i++)
        if (GetNameInfoW((sockaddr *)&address, sizeof(address), host, NI_MAXHOST, service, NI_MAXSERV,
                         NI_NUMERICSERV) != 0)
            failures++;
    double lookupSeconds = SecondsSince(from);
    printf("  name lookup of 127.0.0.1 (\"%ls\"): %.1f us each over %d, %d failed\n", host,
           lookupSeconds * 1e6 / lookups, lookups, failures);
    fflush(stdout);
}

int OpenTcpConnections(int count)
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address;
    ZeroMemory(&address, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (listener == INVALID_SOCKET || bind(listener, (sockaddr *)&address, sizeof(address)) != 0 ||
        listen(listener, SOMAXCONN) != 0 || getsockname(listener, (sockaddr *)&address, &length) != 0) {
        printf("listening socket failed: %d\n", WSAGetLastError());
        return 0;
    }
    // Connect and accept in step, so the backlog never fills.
    for (int i = 0; i < count; i++) {
        SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (client == INVALID_SOCKET || connect(client, (sockaddr *)&address, sizeof(address)) != 0) {
            printf("connection %d failed: %d\n", i, WSAGetLastError());
            return 0;
        }
        if (accept(listener, NULL, NULL) == INVALID_SOCKET) {
            printf("accepting connection %d failed: %d\n", i, WSAGetLastError());
            return 0;
        }
    }
    return 1;
}

int OpenUdpSockets(int count)
{
    for (int i = 0; i < count; i++) {
        SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in address;
        ZeroMemory(&address, sizeof(address));
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (udp == INVALID_SOCKET || bind(udp, (sockaddr *)&address, sizeof(address)) != 0) {
            printf("UDP socket %d failed: %d\n", i, WSAGetLastError());
            return 0;
        }
    }
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    int connections = argc > 1 ? atoi(argv[1]) : 2000;
    int udpSockets = argc > 2 ? atoi(argv[2]) : 500;
    int runs = argc > 3 ? atoi(argv[3]) : 3;
    if (connections < 0 || udpSockets < 0 || runs < 1 || runs > MAX_RUNS) {
        printf("usage: RealTablesBench [tcpConnections [udpSockets [runs (1 to %d)]]]\n", MAX_RUNS);
        return 2;
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        printf("WSAStartup failed\n");
        return 1;
    }
    if (!OpenTcpConnections(connections) || !OpenUdpSockets(udpSockets))
        return 1;
    HWND list = CreateWorkerList();
    if (!list) {
        printf("could not create the list window\n");
        return 1;
    }
    // The listener and both ends of every connection, and the UDP sockets; anything else in
    // the tables belongs to other processes of the namespace.
    int expected = 2 * connections + 1 + udpSockets;
    printf("Real tables: %d loopback TCP connections (%d TCP rows with the listener), %d UDP sockets, "
           "median of %d runs\n",
           connections, 2 * connections + 1, udpSockets, runs);
    fflush(stdout);

    double refreshSeconds[MAX_RUNS];
    double refreshWait[MAX_RUNS];
    int rows = 0;
    for (int run = 0; run < runs; run++) {
        ClearList(list);
        WorkerRun result = RunOnWorker(list, RefreshJob, NULL, true);
        refreshSeconds[run] = result.seconds;
        refreshWait[run] = result.longestPostWaitMs;
        rows = ListRowCount(list);
        printf("run %d: %.3f s; posted messages: %u seen, %u waited over 50 ms, longest %.1f ms\n", run + 1,
               result.seconds, result.postsSeen, result.postsOver50Ms, result.longestPostWaitMs);
        fflush(stdout);
        if (rows < expected) {
            printf("the refresh listed %d rows, fewer than the %d sockets open: nothing to measure\n", rows, expected);
            return 1;
        }
    }

    FloorRows floor;
    if (!ReadFloorRowsFromList(list, &floor)) {
        printf("the list holds a row of no known protocol\n");
        return 1;
    }
    printf("rows listed: %d (TCPv4 %d, TCPv6 %d, UDPv4 %d, UDPv6 %d)\n", rows, floor.rowCount[0], floor.rowCount[1],
           floor.rowCount[2], floor.rowCount[3]);
    if (floor.rowCount[0] > 0) {
        const std::wstring *sample = &floor.text[0];
        printf("first TCPv4 row: \"%ls\" \"%ls\" \"%ls\" \"%ls\" \"%ls\" \"%ls\"\n", sample[0].c_str(),
               sample[1].c_str(), sample[2].c_str(), sample[3].c_str(), sample[4].c_str(), sample[5].c_str());
    }
    double floorSeconds[MAX_RUNS];
    for (int run = 0; run < runs; run++) {
        ClearList(list);
        floorSeconds[run] = RunOnWorker(list, SendFloorRows, &floor, false).seconds;
    }
    ClearList(list);
    double workSeconds[MAX_RUNS];
    for (int run = 0; run < runs; run++)
        workSeconds[run] = RunOnWorker(list, RefreshIntoNothingJob, NULL, false).seconds;

    double refresh = Median(refreshSeconds, runs);
    double floorTime = Median(floorSeconds, runs);
    printf("reload to complete list: %.3f s, %.1f us/row, %.0f rows/s\n", refresh, refresh * 1e6 / rows,
           rows / refresh);
    printf("floor (same texts, messages only): %.3f s, %.1f us/row; ratio %.3f\n", floorTime, floorTime * 1e6 / rows,
           refresh / floorTime);
    printf("longest wait of a message posted every %d ms during the refresh: %.1f ms\n", PROBE_INTERVAL_MS,
           Largest(refreshWait, runs));
    double work = Median(workSeconds, runs);
    printf("work between messages (refresh into no window): %.3f s, %.1f us/row\n", work, work * 1e6 / rows);
    ProfilePlatformCalls(500);
    return 0;
}
