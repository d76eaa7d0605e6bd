// RefreshConnections against the real endpoint tables under Wine. ctest runs this program in
// a network namespace of its own (NETNS), so the tables hold only the sockets opened here:
// a TCPv4 listener on 127.0.0.1 with an established loopback pair to it, a UDPv4 socket,
// a TCPv6 listener on ::1 and a UDPv6 socket. The product's own check of the system's exports
// is linked: this Wine exports none of the owner-module functions, so no query is made and
// every Module Name is empty.
#include "snapshot/OwnerModuleExports.h"
#include "snapshot/TablePasses.h"

#include "tests/snapshot/ListView.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::wstring> Lines;

unsigned LocalPort(SOCKET s)
{
    sockaddr_storage address = {};
    int length = sizeof(address);
    getsockname(s, (sockaddr *)&address, &length);
    return ntohs(address.ss_family == AF_INET ? ((sockaddr_in *)&address)->sin_port
                                              : ((sockaddr_in6 *)&address)->sin6_port);
}

SOCKET Bound(int family, int type, const char *address)
{
    SOCKET s = socket(family, type, type == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP);
    EXPECT_NE(INVALID_SOCKET, s);
    if (family == AF_INET) {
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = inet_addr(address);
        EXPECT_EQ(0, bind(s, (sockaddr *)&a, sizeof(a))) << WSAGetLastError();
    } else {
        sockaddr_in6 a = {};
        a.sin6_family = AF_INET6;
        EXPECT_EQ(1, inet_pton(AF_INET6, address, &a.sin6_addr));
        EXPECT_EQ(0, bind(s, (sockaddr *)&a, sizeof(a))) << WSAGetLastError();
    }
    return s;
}

// The scope text of the IPv6 endpoint on `port`, read from the system's table on a route of
// the test's own (the owner-pid tables): ntohl of the scope field, signed. Wine 8 reports a
// field of 0x1000 for ::1 (Windows reports 0), so the text reads ::1[1048576] there.
std::wstring ScopeText(bool tcp, unsigned port)
{
    std::vector<BYTE> block;
    DWORD size = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        block.assign(size ? size : 1, 0);
        DWORD result =
            tcp ? GetExtendedTcpTable(size ? block.data() : nullptr, &size, FALSE, AF_INET6, TCP_TABLE_OWNER_PID_ALL, 0)
                : GetExtendedUdpTable(size ? block.data() : nullptr, &size, FALSE, AF_INET6, UDP_TABLE_OWNER_PID, 0);
        if (result == NO_ERROR)
            break;
    }
    DWORD count = *(DWORD *)block.data();
    for (DWORD i = 0; i < count; ++i) {
        DWORD portField, scopeField;
        if (tcp) {
            const MIB_TCP6ROW_OWNER_PID &row = ((const MIB_TCP6TABLE_OWNER_PID *)block.data())->table[i];
            portField = row.dwLocalPort, scopeField = row.dwLocalScopeId;
        } else {
            const MIB_UDP6ROW_OWNER_PID &row = ((const MIB_UDP6TABLE_OWNER_PID *)block.data())->table[i];
            portField = row.dwLocalPort, scopeField = row.dwLocalScopeId;
        }
        if (ntohs((u_short)portField) == port)
            return std::to_wstring((int)ntohl(scopeField));
    }
    ADD_FAILURE() << "port " << port << " not in the " << (tcp ? "TCPv6" : "UDPv6") << " table";
    return L"?";
}

class RealTables : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    }
    void TearDown() override
    {
        for (SOCKET s : sockets)
            closesocket(s);
        if (list)
            DestroyWindow(list);
    }
    SOCKET Keep(SOCKET s)
    {
        sockets.push_back(s);
        return s;
    }
    std::vector<SOCKET> sockets;
    HWND list = nullptr;
};

TEST_F(RealTables, TheCheckFindsWhatThisSystemsIpHelperExports)
{
    HMODULE ipHelper = GetModuleHandleW(L"iphlpapi.dll");
    ASSERT_NE((HMODULE)NULL, ipHelper);
    EXPECT_EQ(ipHelper, IpHelperModule());
    const char *functions[] = {"GetOwnerModuleFromTcpEntry", "GetOwnerModuleFromTcp6Entry",
                               "GetOwnerModuleFromUdpEntry", "GetOwnerModuleFromUdp6Entry"};
    const EndpointProtocol protocols[] = {PROTOCOL_TCP4, PROTOCOL_TCP6, PROTOCOL_UDP4, PROTOCOL_UDP6};
    for (int i = 0; i < 4; ++i) {
        bool exported = GetProcAddress(ipHelper, functions[i]) != NULL;
        EXPECT_EQ(exported, OwnerModuleQueryExported(protocols[i])) << functions[i];
        // Wine 8, the suite's, exports none of them; the empty Module Names below rely on it.
        EXPECT_FALSE(exported) << functions[i];
    }
}

TEST_F(RealTables, RefreshFindsTheTestsOwnEndpointsWithTheRightTexts)
{
    SOCKET listener4 = Keep(Bound(AF_INET, SOCK_STREAM, "127.0.0.1"));
    ASSERT_EQ(0, listen(listener4, 4));
    unsigned listenPort = LocalPort(listener4);

    SOCKET client = Keep(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    to.sin_port = htons((u_short)listenPort);
    ASSERT_EQ(0, connect(client, (sockaddr *)&to, sizeof(to))) << WSAGetLastError();
    SOCKET accepted = Keep(accept(listener4, nullptr, nullptr));
    ASSERT_NE(INVALID_SOCKET, accepted);
    unsigned clientPort = LocalPort(client);

    SOCKET udp4 = Keep(Bound(AF_INET, SOCK_DGRAM, "127.0.0.1"));
    SOCKET listener6 = Keep(Bound(AF_INET6, SOCK_STREAM, "::1"));
    ASSERT_EQ(0, listen(listener6, 4));
    SOCKET udp6 = Keep(Bound(AF_INET6, SOCK_DGRAM, "::1"));

    const std::wstring p = std::to_wstring(listenPort), c = std::to_wstring(clientPort);
    // TCPv4 rows in the table's sort order: local port, then remote address and port.
    Lines tcp4;
    tcp4.push_back(L"|127.0.0.1:" + p + L"|0.0.0.0:0||Listen|TCPv4");
    tcp4.push_back(L"|127.0.0.1:" + p + L"|127.0.0.1:" + c + L"|localhost|Establish|TCPv4");
    Lines client4{L"|127.0.0.1:" + c + L"|127.0.0.1:" + p + L"|localhost|Establish|TCPv4"};
    if (clientPort < listenPort)
        tcp4.insert(tcp4.begin(), client4[0]);
    else
        tcp4.push_back(client4[0]);

    Lines expected;
    const unsigned udp6Port = LocalPort(udp6), tcp6Port = LocalPort(listener6);
    expected.push_back(L"|::1[" + ScopeText(false, udp6Port) + L"]:" + std::to_wstring(udp6Port) + L"|*.*|||UDPv6");
    expected.push_back(L"|127.0.0.1:" + std::to_wstring(LocalPort(udp4)) + L"|*.*|||UDPv4");
    expected.push_back(L"|::1[" + ScopeText(true, tcp6Port) + L"]:" + std::to_wstring(tcp6Port) +
                       L"|::[0]:0||Listen|TCPv6");
    expected.insert(expected.end(), tcp4.begin(), tcp4.end());

    list = CreateConnectionList();
    ASSERT_NE(nullptr, list);
    testing::internal::CaptureStdout();
    RefreshConnections(list);
    std::string out = testing::internal::GetCapturedStdout();

    Lines rows = RowLines(list);
    for (const std::wstring &row : rows)
        printf("row: %ls\n", row.c_str());
    // The namespace holds only this test's endpoints: the whole list is known.
    EXPECT_EQ(expected, rows);
    EXPECT_EQ("", out); // no owner-module query (this Wine lacks them), and every name lookup succeeds

    // A second refresh replaces the rows rather than adding to them.
    RefreshConnections(list);
    EXPECT_EQ(expected, RowLines(list));
}

} // namespace
