// Owner-module and remote-name lookups, including the retry after an owner-module 122, the
// unlooked-up TCPv6 address :: and the owner-module calls skipped where the system lacks them.
#include "snapshot/Lookups.h"

#include "tests/snapshot/Expect.h"

#include <string>

namespace {

const char Message8[] = "Not enough memory is available to complete the operation.";
const char Message87[] =
    "A parameter is incorrect.This value is returned if either of the pTcpEntry or pdwSize parameters are "
    "NULL.This value is also returned if the Class parameter is not equal to TCPIP_OWNER_MODULE_INFO_BASIC.";
const char Message122[] =
    "Insufficient space was allocated for the table.The size of the table is returned in the pdwSize "
    "parameter, and must be used in a subsequent call to this function in order to successfully retrieve the "
    "table.";
const char Message299[] = "Only part of a request was completed.";
const char Message1168[] =
    "A element was no found.This value is returned if the dwOwningPid member of the MIB_TCPROW_OWNER_MODULE "
    "structure pointed to by the pTcpEntry parameter was zero or could not be found.";

const char Wsa8[] = "WSA_NOT_ENOUGH_MEMORY,A memory allocation failure occurred.";
const char Wsa10022[] =
    "WSAEINVAL,One or more invalid parameters was passed to the getnameinfo function.This error is returned if "
    "a host name was requested but the hostlen parameter was zero or if a service name was requested, but the "
    "servlen parameter was zero.";
const char Wsa10047[] =
    "WSAEAFNOSUPPORT,The sa_family member of socket address structure pointed to by the sa parameter is not "
    "supported.";
const char Wsa11001[] =
    "WSAHOST_NOT_FOUND,A service name was requested, but no port number was found in the structure pointed to "
    "by the sa parameter or no service name matching the port number was found.NI_NAMEREQD is set and the host "
    "name cannot be located, or both the host and serv parameters were NULL.";
const char Wsa11002[] = "WSATRY_AGAIN, A temporary failure in name resolution occurred.";
const char Wsa11003[] = "WSANO_RECOVERY,A nonrecoverable failure in name resolution occurred.";

class LookupOwnerModuleTest : public FakePlatformTest {
protected:
    // Runs one lookup; returns the name, frees the block as the pass does.
    std::wstring Lookup(const void *entry, EndpointProtocol protocol, DWORD *size, bool *gotBlock = nullptr)
    {
        const wchar_t *name = nullptr;
        void *block = LookupOwnerModule(entry, protocol, size, &name);
        EXPECT_NE(nullptr, name);
        std::wstring text = name ? name : L"(null)";
        if (gotBlock)
            *gotBlock = block != nullptr;
        if (block)
            HeapFree(GetProcessHeap(), 0, block);
        return text;
    }
};

TEST_F(LookupOwnerModuleTest, EachProtocolCallsItsFunctionWithClassBasicTheBlockAndTheSizeVariable)
{
    MIB_TCPROW_OWNER_MODULE tcp4 = Tcp4Row("10.0.0.1", 1, "10.0.0.2", 2, 5, 11);
    MIB_TCP6ROW_OWNER_MODULE tcp6 = Tcp6Row("::1", 1, "::1", 2, 5, 12);
    MIB_UDPROW_OWNER_MODULE udp4 = Udp4Row("10.0.0.1", 3, 13);
    MIB_UDP6ROW_OWNER_MODULE udp6 = Udp6Row("::1", 4, 14);
    DWORD size = 200;
    std::string out = Stdout([&] {
        EXPECT_EQ(L"mod11.exe", Lookup(&tcp4, PROTOCOL_TCP4, &size));
        EXPECT_EQ(L"mod12.exe", Lookup(&tcp6, PROTOCOL_TCP6, &size));
        EXPECT_EQ(L"mod13.exe", Lookup(&udp4, PROTOCOL_UDP4, &size));
        EXPECT_EQ(L"mod14.exe", Lookup(&udp6, PROTOCOL_UDP6, &size));
    });
    EXPECT_EQ("", out);
    EXPECT_EQ(Events({"HeapAlloc(200)", "GetOwnerModuleFromTcpEntry(pid 11, 0, block of 200, 200)", "HeapFree(200)",
                      "HeapAlloc(200)", "GetOwnerModuleFromTcp6Entry(pid 12, 0, block of 200, 200)", "HeapFree(200)",
                      "HeapAlloc(200)", "GetOwnerModuleFromUdpEntry(pid 13, 0, block of 200, 200)", "HeapFree(200)",
                      "HeapAlloc(200)", "GetOwnerModuleFromUdp6Entry(pid 14, 0, block of 200, 200)", "HeapFree(200)"}),
              fake::Events);
    for (const DWORD *address : fake::SizeAddresses)
        EXPECT_EQ(&size, address);
}

TEST_F(LookupOwnerModuleTest, EachListedCodeWritesItsMessageAndLeavesTheNameEmpty)
{
    const struct {
        DWORD code;
        const char *message;
    } cases[] = {{8, Message8}, {87, Message87}, {299, Message299}, {1168, Message1168}};
    for (const auto &c : cases) {
        fake::Modules[7].result = c.code;
        for (EndpointProtocol protocol : {PROTOCOL_TCP4, PROTOCOL_TCP6, PROTOCOL_UDP4, PROTOCOL_UDP6}) {
            MIB_TCP6ROW_OWNER_MODULE entry = Tcp6Row("::1", 1, "::1", 2, 5, 7); // large enough for any
            MIB_TCPROW_OWNER_MODULE tcp4 = Tcp4Row("10.0.0.1", 1, "10.0.0.2", 2, 5, 7);
            MIB_UDPROW_OWNER_MODULE udp4 = Udp4Row("10.0.0.1", 1, 7);
            MIB_UDP6ROW_OWNER_MODULE udp6 = Udp6Row("::1", 1, 7);
            const void *rows[] = {&tcp4, &entry, &udp4, &udp6};
            DWORD size = 100;
            bool gotBlock = false;
            std::wstring name;
            std::string out = Stdout([&] { name = Lookup(rows[protocol], protocol, &size, &gotBlock); });
            EXPECT_EQ(c.message, out) << c.code;
            EXPECT_EQ(L"", name);
            EXPECT_TRUE(gotBlock);
        }
    }
}

TEST_F(LookupOwnerModuleTest, OtherCodesAreSilent)
{
    MIB_TCPROW_OWNER_MODULE tcp4 = Tcp4Row("10.0.0.1", 1, "10.0.0.2", 2, 5, 7);
    for (DWORD code : {5u, 50u, 1167u, 0xFFFFFFFFu}) {
        fake::Modules[7].result = code;
        DWORD size = 100;
        std::wstring name;
        EXPECT_EQ("", Stdout([&] { name = Lookup(&tcp4, PROTOCOL_TCP4, &size); })) << code;
        EXPECT_EQ(L"", name);
    }
}

TEST_F(LookupOwnerModuleTest, An122AnswerIsQueriedOnceMoreWithTheSizeAskedForAndWritesNoMessage)
{
    MIB_TCPROW_OWNER_MODULE tcp4 = Tcp4Row("10.0.0.1", 1, "10.0.0.2", 2, 5, 7);
    fake::Modules[7] = {L"svchost.exe", std::wstring(150, L'p')};
    // The record's two pointers, then both texts: 334 bytes.
    DWORD needed = sizeof(TCPIP_OWNER_MODULE_BASIC_INFO) + (11 + 1 + 150 + 1) * 2;
    const std::string grown = std::to_string(needed);
    DWORD size = 168;
    std::wstring name;
    EXPECT_EQ("", Stdout([&] { name = Lookup(&tcp4, PROTOCOL_TCP4, &size); }));
    EXPECT_EQ(L"svchost.exe", name);
    EXPECT_EQ(needed, size); // the size variable keeps what the system asked for
    EXPECT_EQ(Events({"HeapAlloc(168)", "GetOwnerModuleFromTcpEntry(pid 7, 0, block of 168, 168)", "HeapFree(168)",
                      "HeapAlloc(" + grown + ")",
                      "GetOwnerModuleFromTcpEntry(pid 7, 0, block of " + grown + ", " + grown + ")",
                      "HeapFree(" + grown + ")"}),
              fake::Events);
}

TEST_F(LookupOwnerModuleTest, An122AnswerTwiceWritesThe122MessageOnce)
{
    MIB_UDPROW_OWNER_MODULE udp4 = Udp4Row("10.0.0.1", 1, 7);
    fake::Modules[7] = {L"a.exe", L"C:\\a.exe"};
    fake::Modules[7].answers122 = 2;
    DWORD size = 40;
    std::wstring name;
    EXPECT_EQ(Message122, Stdout([&] { name = Lookup(&udp4, PROTOCOL_UDP4, &size); }));
    EXPECT_EQ(L"", name);
    EXPECT_EQ(2u, EventsStartingWith("GetOwnerModuleFromUdpEntry").size());
}

TEST_F(LookupOwnerModuleTest, An122ThenAnotherCodeWritesTheOtherCodesMessage)
{
    MIB_UDPROW_OWNER_MODULE udp4 = Udp4Row("10.0.0.1", 1, 8);
    fake::Modules[8] = {L"b.exe", L"C:\\b.exe"};
    fake::Modules[8].answers122 = 1; // first query: 122; the retry: 1168 (the process is gone)
    fake::Modules[8].result = 1168;
    DWORD size = 20;
    std::wstring name;
    EXPECT_EQ(Message1168, Stdout([&] { name = Lookup(&udp4, PROTOCOL_UDP4, &size); }));
    EXPECT_EQ(L"", name);
    EXPECT_EQ(2u, EventsStartingWith("GetOwnerModuleFromUdpEntry").size());
}

TEST_F(LookupOwnerModuleTest, AllocationFailureGivesAnEmptyNameWithNoQueryAndNoMessage)
{
    MIB_TCPROW_OWNER_MODULE tcp4 = Tcp4Row("10.0.0.1", 1, "10.0.0.2", 2, 5, 7);
    fake::FailAllocation = 1;
    DWORD size = 100;
    bool gotBlock = true;
    std::wstring name;
    EXPECT_EQ("", Stdout([&] { name = Lookup(&tcp4, PROTOCOL_TCP4, &size, &gotBlock); }));
    EXPECT_EQ(L"", name);
    EXPECT_FALSE(gotBlock);
    EXPECT_EQ(Events({"HeapAlloc(100) failed"}), fake::Events);
}

TEST_F(LookupOwnerModuleTest, RetryBlockAllocationFailureWritesThe122Message)
{
    MIB_TCPROW_OWNER_MODULE tcp4 = Tcp4Row("10.0.0.1", 1, "10.0.0.2", 2, 5, 7);
    fake::FailAllocation = 2;
    DWORD size = 10;
    bool gotBlock = true;
    std::wstring name;
    EXPECT_EQ(Message122, Stdout([&] { name = Lookup(&tcp4, PROTOCOL_TCP4, &size, &gotBlock); }));
    EXPECT_EQ(L"", name);
    EXPECT_FALSE(gotBlock);
}

TEST_F(LookupOwnerModuleTest, WhereTheSystemLacksTheFunctionNoQueryIsMadeAndNothingIsWritten)
{
    for (bool &exported : fake::OwnerModuleExported)
        exported = false;
    MIB_TCPROW_OWNER_MODULE tcp4 = Tcp4Row("10.0.0.1", 1, "10.0.0.2", 2, 5, 7);
    MIB_UDP6ROW_OWNER_MODULE udp6 = Udp6Row("::1", 1, 7);
    DWORD size = 100;
    bool gotBlock = true;
    std::wstring name;
    EXPECT_EQ("", Stdout([&] {
                  name = Lookup(&tcp4, PROTOCOL_TCP4, &size, &gotBlock);
                  name += Lookup(&udp6, PROTOCOL_UDP6, &size, &gotBlock);
              }));
    EXPECT_EQ(L"", name);
    EXPECT_FALSE(gotBlock);
    EXPECT_TRUE(fake::Events.empty());
    EXPECT_EQ(100u, size);
}

TEST_F(LookupOwnerModuleTest, MessagesFollowEachOtherWithoutSeparator)
{
    fake::Modules[1].result = 1168;
    fake::Modules[2].result = 299;
    MIB_TCPROW_OWNER_MODULE a = Tcp4Row("10.0.0.1", 1, "10.0.0.2", 2, 5, 1);
    MIB_TCPROW_OWNER_MODULE b = Tcp4Row("10.0.0.1", 1, "10.0.0.2", 2, 5, 2);
    DWORD size = 100;
    EXPECT_EQ(std::string(Message1168) + Message299 + Message1168, Stdout([&] {
                  Lookup(&a, PROTOCOL_TCP4, &size);
                  Lookup(&b, PROTOCOL_TCP4, &size);
                  Lookup(&a, PROTOCOL_TCP4, &size);
              }));
}

class LookupRemoteNameTest : public FakePlatformTest {
protected:
    std::wstring V4(const char *address, unsigned port = 80)
    {
        RowText name;
        wmemset(name, L'X', ROW_TEXT_CHARS);
        LookupRemoteName((DWORD)inet_addr(address), PortField(port), name);
        return Checked(name);
    }
    std::wstring V6(const wchar_t *address, unsigned port = 80)
    {
        RowText name;
        wmemset(name, L'X', ROW_TEXT_CHARS);
        LookupRemoteName(address, PortField(port), name);
        return Checked(name);
    }
    static std::wstring Checked(const RowText name)
    {
        size_t length = wcsnlen(name, ROW_TEXT_CHARS);
        EXPECT_LT(length, (size_t)ROW_TEXT_CHARS);
        for (size_t i = length; i < ROW_TEXT_CHARS; ++i)
            if (name[i]) {
                ADD_FAILURE() << "result not zero-filled";
                break;
            }
        return name;
    }
};

TEST_F(LookupRemoteNameTest, V4AsksTheNameServiceWithTheExactArguments)
{
    fake::Names["192.0.2.7"].host = L"server.example";
    std::wstring name;
    EXPECT_EQ("", Stdout([&] { name = V4("192.0.2.7", 443); }));
    EXPECT_EQ(L"server.example", name);
    EXPECT_EQ(Events({"GetNameInfoW(family 2, 192.0.2.7, 16, 1025, 32, 8)"}), fake::Events);
}

TEST_F(LookupRemoteNameTest, V4NumericAnswerIsShownAsItIs)
{
    fake::Names["192.0.2.8"].host = L"192.0.2.8";
    EXPECT_EQ(L"192.0.2.8", V4("192.0.2.8"));
}

TEST_F(LookupRemoteNameTest, V4UnspecifiedAddressIsNotLookedUp)
{
    std::wstring name = L"?";
    EXPECT_EQ("", Stdout([&] { name = V4("0.0.0.0", 0); }));
    EXPECT_EQ(L"", name);
    EXPECT_TRUE(fake::Events.empty());
}

TEST_F(LookupRemoteNameTest, ResultIsBoundedTo511Characters)
{
    fake::Names["192.0.2.9"].host = std::wstring(1024, L'h');
    EXPECT_EQ(std::wstring(511, L'h'), V4("192.0.2.9"));
}

TEST_F(LookupRemoteNameTest, EveryErrorWritesItsMessageAndLeavesTheNameEmpty)
{
    const struct {
        int error;
        const char *message;
    } cases[] = {{8, Wsa8},         {10022, Wsa10022}, {10047, Wsa10047},       {11001, Wsa11001},
                 {11002, Wsa11002}, {11003, Wsa11003}, {10093, "Unknow error"}, {1, "Unknow error"}};
    for (const auto &c : cases) {
        fake::Events.clear();
        fake::Names["192.0.2.10"].error = c.error;
        fake::Names["2001:db8::10"].error = c.error;
        std::wstring name4, name6;
        EXPECT_EQ(std::string(c.message) + c.message, Stdout([&] {
                      name4 = V4("192.0.2.10");
                      name6 = V6(L"2001:db8::10");
                  }))
            << c.error;
        EXPECT_EQ(L"", name4);
        EXPECT_EQ(L"", name6);
        EXPECT_EQ(Events({"GetNameInfoW(family 2, 192.0.2.10, 16, 1025, 32, 8)", "WSAGetLastError",
                          "GetNameInfoW(family 23, 2001:db8::10 flow 0 scope 0, 28, 1025, 32, 8)", "WSAGetLastError"}),
                  fake::Events);
    }
}

TEST_F(LookupRemoteNameTest, MessagesFollowEachOtherWithoutSeparator)
{
    fake::Names["192.0.2.1"].error = 11001;
    fake::Names["192.0.2.2"].error = 11002;
    EXPECT_EQ(std::string(Wsa11001) + Wsa11002 + Wsa11001, Stdout([&] {
                  V4("192.0.2.1");
                  V4("192.0.2.2");
                  V4("192.0.2.1");
              }));
}

TEST_F(LookupRemoteNameTest, V6AsksTheNameServiceWithTheFullSocketAddress)
{
    fake::Names["2001:db8::5"].host = L"v6.example";
    fake::Names["::1"].host = L"localhost";
    EXPECT_EQ(L"v6.example", V6(L"2001:db8::5", 8080));
    EXPECT_EQ(L"localhost", V6(L"::1"));
    EXPECT_EQ(Events({"GetNameInfoW(family 23, 2001:db8::5 flow 0 scope 0, 28, 1025, 32, 8)",
                      "GetNameInfoW(family 23, ::1 flow 0 scope 0, 28, 1025, 32, 8)"}),
              fake::Events);
}

TEST_F(LookupRemoteNameTest, V6UnspecifiedAddressIsNotLookedUp)
{
    std::wstring name = L"?";
    EXPECT_EQ("", Stdout([&] { name = V6(L"::", 0); }));
    EXPECT_EQ(L"", name);
    EXPECT_TRUE(fake::Events.empty());
}

} // namespace
