// The table passes against a real SysListView32, including a table that grows between its
// size query and its fetch, an owner-module 122 within a pass, the TCPv6 address ::, the
// owner-module calls skipped where the system lacks them and an entry count that claims more than the block holds.
#include "snapshot/TablePasses.h"

#include "tests/snapshot/Expect.h"
#include "tests/snapshot/ListView.h"

#include <commctrl.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<std::wstring> Lines;

const char Message1168[] =
    "A element was no found.This value is returned if the dwOwningPid member of the MIB_TCPROW_OWNER_MODULE "
    "structure pointed to by the pTcpEntry parameter was zero or could not be found.";
const char Message299[] = "Only part of a request was completed.";
const char Wsa11001[] =
    "WSAHOST_NOT_FOUND,A service name was requested, but no port number was found in the structure pointed to "
    "by the sa parameter or no service name matching the port number was found.NI_NAMEREQD is set and the host "
    "name cannot be located, or both the host and serv parameters were NULL.";

class TablePassTest : public FakePlatformTest {
protected:
    void SetUp() override
    {
        FakePlatformTest::SetUp();
        list = CreateConnectionList();
        ASSERT_NE(nullptr, list);
        // Every table empty unless a test says otherwise.
        for (bool tcp : {true, false})
            for (ULONG family : {2ul, 23ul})
                fake::Table(tcp, family).block = MakeTableBlock(0, nullptr, 0, 0);
        RecordListOperations(&fake::Events, &fake::Faults);
    }
    void TearDown() override
    {
        RecordListOperations(nullptr, nullptr);
        DestroyWindow(list);
        FakePlatformTest::TearDown();
    }
    HWND list = nullptr;
};

const MIB_TCPROW_OWNER_MODULE ListeningA = Tcp4Row("0.0.0.0", 135, "0.0.0.0", 0, MIB_TCP_STATE_LISTEN, 4);
const MIB_TCPROW_OWNER_MODULE EstablishedB = Tcp4Row("127.0.0.1", 5000, "127.0.0.1", 6000, MIB_TCP_STATE_ESTAB, 8);

TEST_F(TablePassTest, Tcp4PassMakesExactlyTheCallsOfThePartInOrder)
{
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA, EstablishedB});
    int result = 0;
    EXPECT_EQ("", Stdout([&] { result = FillTcp4Rows(list); }));
    EXPECT_EQ(1, result);
    EXPECT_EQ(Events({"list: count",
                      "GetExtendedTcpTable(NULL, 0, 1, 2, 8, 0)",
                      "HeapAlloc(328)",
                      "GetExtendedTcpTable(block, 328, 1, 2, 8, 0)",
                      "HeapAlloc(328)",
                      "GetOwnerModuleFromTcpEntry(pid 4, 0, block of 328, 328)",
                      "list: insert 0.0 \"mod4.exe\"",
                      "HeapFree(328)",
                      "list: set 0.1 \"0.0.0.0:135\"",
                      "list: set 0.2 \"0.0.0.0:0\"",
                      "list: set 0.3 \"\"",
                      "list: set 0.4 \"Listen\"",
                      "list: set 0.5 \"TCPv4\"",
                      "HeapAlloc(328)",
                      "GetOwnerModuleFromTcpEntry(pid 8, 0, block of 328, 328)",
                      "list: insert 1.0 \"mod8.exe\"",
                      "HeapFree(328)",
                      "list: set 1.1 \"127.0.0.1:5000\"",
                      "list: set 1.2 \"127.0.0.1:6000\"",
                      "GetNameInfoW(family 2, 127.0.0.1, 16, 1025, 32, 8)",
                      "list: set 1.3 \"host-127.0.0.1\"",
                      "list: set 1.4 \"Establish\"",
                      "list: set 1.5 \"TCPv4\"",
                      "HeapFree(328)"}),
              fake::Events);
    EXPECT_EQ(Lines({L"mod4.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4",
                     L"mod8.exe|127.0.0.1:5000|127.0.0.1:6000|host-127.0.0.1|Establish|TCPv4"}),
              RowLines(list));
}

TEST_F(TablePassTest, EachPassQueriesItsOwnTableWithItsFamilyAndClassSorted)
{
    RefreshConnections(list);
    std::vector<std::string> tableCalls = EventsStartingWith("GetExtended");
    EXPECT_EQ(Events({"GetExtendedTcpTable(NULL, 0, 1, 2, 8, 0)", "GetExtendedTcpTable(block, 8, 1, 2, 8, 0)",
                      "GetExtendedTcpTable(NULL, 0, 1, 23, 8, 0)", "GetExtendedTcpTable(block, 8, 1, 23, 8, 0)",
                      "GetExtendedUdpTable(NULL, 0, 1, 2, 2, 0)", "GetExtendedUdpTable(block, 8, 1, 2, 2, 0)",
                      "GetExtendedUdpTable(NULL, 0, 1, 23, 2, 0)", "GetExtendedUdpTable(block, 8, 1, 23, 2, 0)"}),
              tableCalls);
    EXPECT_EQ("list: clear", fake::Events.front());
}

TEST_F(TablePassTest, RefreshListsTheUdpRowAboveTheTcpRowsInTableOrder)
{
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA, EstablishedB});
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 3)});
    RefreshConnections(list);
    EXPECT_EQ(Lines({L"mod3.exe|0.0.0.0:53|*.*|||UDPv4", L"mod4.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4",
                     L"mod8.exe|127.0.0.1:5000|127.0.0.1:6000|host-127.0.0.1|Establish|TCPv4"}),
              RowLines(list));
}

TEST_F(TablePassTest, RefreshClearsTheListAndEndsUdp6Udp4Tcp6Tcp4FromTheTop)
{
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA, EstablishedB});
    fake::Table(true, 23).block = TableOf(std::vector<MIB_TCP6ROW_OWNER_MODULE>{
        Tcp6Row("::", 445, "::", 0, MIB_TCP_STATE_LISTEN, 4),
        Tcp6Row("2001:db8::1", 50000, "2001:db8::2", 443, MIB_TCP_STATE_TIME_WAIT, 9)});
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 3)});
    fake::Table(false, 23).block =
        TableOf(std::vector<MIB_UDP6ROW_OWNER_MODULE>{Udp6Row("::1", 5353, 5), Udp6Row("fe80::1", 546, 6)});
    RefreshConnections(list); // twice: the second refresh starts from an empty list
    fake::Events.clear();
    std::string out = Stdout([&] { RefreshConnections(list); });
    EXPECT_EQ("", out);
    EXPECT_EQ(Lines({L"mod5.exe|::1[0]:5353|*.*|||UDPv6", L"mod6.exe|fe80::1[0]:546|*.*|||UDPv6",
                     L"mod3.exe|0.0.0.0:53|*.*|||UDPv4", L"mod4.exe|::[0]:445|::[0]:0||Listen|TCPv6",
                     L"mod9.exe|2001:db8::1[0]:50000|2001:db8::2[0]:443|host-2001:db8::2|Time Wait|TCPv6",
                     L"mod4.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4",
                     L"mod8.exe|127.0.0.1:5000|127.0.0.1:6000|host-127.0.0.1|Establish|TCPv4"}),
              RowLines(list));
    // iImage is the row count when the pass began: 0, 2, 4, 5 for TCPv4, TCPv6, UDPv4, UDPv6.
    std::vector<int> images;
    for (const ListRow &row : ReadRows(list))
        images.push_back(row.image);
    EXPECT_EQ(std::vector<int>({5, 5, 4, 2, 2, 0, 0}), images);
    // Only the established remote addresses are looked up: not 0.0.0.0, not ::.
    EXPECT_EQ(Events({"GetNameInfoW(family 2, 127.0.0.1, 16, 1025, 32, 8)",
                      "GetNameInfoW(family 23, 2001:db8::2 flow 0 scope 0, 28, 1025, 32, 8)"}),
              EventsStartingWith("GetNameInfoW"));
}

// The fill's wish to go on, as a worker that a newer one may outdate answers it: yes this many
// more times, then no. Each question is an event, so its place among the calls shows.
int WantedAnswers;

BOOL CountedWish(LONG ticket)
{
    fake::Events.push_back("wanted? " + std::to_string(ticket));
    return WantedAnswers-- > 0;
}

TEST_F(TablePassTest, AFillNoLongerWantedEndsAfterARowsLastTextAndFreesItsBlocks)
{
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA, EstablishedB});
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 3)});
    // Wanted for the clear, the first pass and its first row; no longer before the second row.
    WantedAnswers = 3;
    EXPECT_EQ("", Stdout([&] { RefreshConnectionsWhileWanted(list, CountedWish, 7); }));
    EXPECT_EQ(
        Events({"wanted? 7", "list: clear", "wanted? 7", "list: count", "GetExtendedTcpTable(NULL, 0, 1, 2, 8, 0)",
                "HeapAlloc(328)", "GetExtendedTcpTable(block, 328, 1, 2, 8, 0)", "wanted? 7", "HeapAlloc(328)",
                "GetOwnerModuleFromTcpEntry(pid 4, 0, block of 328, 328)", "list: insert 0.0 \"mod4.exe\"",
                "HeapFree(328)", "list: set 0.1 \"0.0.0.0:135\"", "list: set 0.2 \"0.0.0.0:0\"", "list: set 0.3 \"\"",
                "list: set 0.4 \"Listen\"", "list: set 0.5 \"TCPv4\"", "wanted? 7", "HeapFree(328)",
                // The later passes fetch nothing.
                "wanted? 7", "wanted? 7", "wanted? 7"}),
        fake::Events);
    EXPECT_EQ(Lines({L"mod4.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4"}), RowLines(list));

    // A fill outdated before it began leaves the list as it was, cleared of nothing.
    fake::Events.clear();
    WantedAnswers = 0;
    RefreshConnectionsWhileWanted(list, CountedWish, 8);
    EXPECT_EQ(Events({"wanted? 8"}), fake::Events);
    EXPECT_EQ(Lines({L"mod4.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4"}), RowLines(list));

    // Wanted throughout, it is the whole refresh.
    WantedAnswers = 1000;
    RefreshConnectionsWhileWanted(list, CountedWish, 9);
    EXPECT_EQ(Lines({L"mod3.exe|0.0.0.0:53|*.*|||UDPv4", L"mod4.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4",
                     L"mod8.exe|127.0.0.1:5000|127.0.0.1:6000|host-127.0.0.1|Establish|TCPv4"}),
              RowLines(list));
}

TEST_F(TablePassTest, EmptyTableAddsNoRowsAndReturnsOne)
{
    for (int (*pass)(HWND) : {FillTcp4Rows, FillTcp6Rows, FillUdp4Rows, FillUdp6Rows})
        EXPECT_EQ(1, pass(list));
    EXPECT_TRUE(RowLines(list).empty());
    EXPECT_TRUE(EventsStartingWith("GetOwnerModule").empty());
}

TEST_F(TablePassTest, ATableThatCannotBeFetchedLeavesNoTraceAndTheOtherRowsStay)
{
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA});
    fake::Table(true, 23).block =
        TableOf(std::vector<MIB_TCP6ROW_OWNER_MODULE>{Tcp6Row("::", 445, "::", 0, MIB_TCP_STATE_LISTEN, 4)});
    fake::Table(true, 23).fetchResult = ERROR_INVALID_PARAMETER;
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 3)});
    RefreshConnections(list);
    EXPECT_EQ(Lines({L"mod3.exe|0.0.0.0:53|*.*|||UDPv4", L"mod4.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4"}),
              RowLines(list));

    fake::Events.clear();
    EXPECT_EQ(0, FillTcp6Rows(list));
    EXPECT_EQ(Events({"list: count", "GetExtendedTcpTable(NULL, 0, 1, 23, 8, 0)", "HeapAlloc(200)",
                      "GetExtendedTcpTable(block, 200, 1, 23, 8, 0)", "HeapFree(200)"}),
              fake::Events);
    EXPECT_EQ(2u, RowLines(list).size());
}

TEST_F(TablePassTest, ATableBlockThatCannotBeAllocatedAddsNoRowsAndReturnsZero)
{
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 3)});
    fake::FailAllocation = 1;
    EXPECT_EQ(0, FillUdp4Rows(list));
    EXPECT_EQ(Events({"list: count", "GetExtendedUdpTable(NULL, 0, 1, 2, 2, 0)", "HeapAlloc(168) failed"}),
              fake::Events);
    EXPECT_TRUE(RowLines(list).empty());
}

TEST_F(TablePassTest, ATableThatGrewIsFetchedAgainWithTheSizeReturned)
{
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA});
    fake::Table(true, 2).growFetches = 2;
    fake::Table(true, 2).growBytes = 160;
    EXPECT_EQ(1, FillTcp4Rows(list));
    EXPECT_EQ(Events({"list: count", "GetExtendedTcpTable(NULL, 0, 1, 2, 8, 0)", "HeapAlloc(168)",
                      "GetExtendedTcpTable(block, 168, 1, 2, 8, 0)", "HeapFree(168)", "HeapAlloc(328)",
                      "GetExtendedTcpTable(block, 328, 1, 2, 8, 0)", "HeapFree(328)", "HeapAlloc(488)",
                      "GetExtendedTcpTable(block, 488, 1, 2, 8, 0)", "HeapAlloc(488)",
                      "GetOwnerModuleFromTcpEntry(pid 4, 0, block of 488, 488)"}),
              Events(fake::Events.begin(), fake::Events.begin() + 12));
    EXPECT_EQ(Lines({L"mod4.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4"}), RowLines(list));
}

TEST_F(TablePassTest, ATableThatKeepsGrowingIsGivenUpAfterFiveMoreFetches)
{
    fake::Table(false, 23).block = TableOf(std::vector<MIB_UDP6ROW_OWNER_MODULE>{Udp6Row("::1", 1, 1)});
    fake::Table(false, 23).growFetches = 1000;
    fake::Table(false, 23).growBytes = 176;
    EXPECT_EQ(0, FillUdp6Rows(list));
    EXPECT_EQ(7u, EventsStartingWith("GetExtendedUdpTable").size()); // size query, fetch, 5 more fetches
    EXPECT_EQ(6u, EventsStartingWith("HeapFree").size());
    EXPECT_TRUE(RowLines(list).empty());
}

TEST_F(TablePassTest, AGrownTableWhoseBlockCannotBeAllocatedReturnsZero)
{
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 3)});
    fake::Table(false, 2).growFetches = 1;
    fake::Table(false, 2).growBytes = 160;
    fake::FailAllocation = 2;
    EXPECT_EQ(0, FillUdp4Rows(list));
    EXPECT_TRUE(RowLines(list).empty());
}

TEST_F(TablePassTest, AnEntryCountPastTheBlockStopsAtTheLastWholeEntry)
{
    std::vector<MIB_TCPROW_OWNER_MODULE> rows{ListeningA, EstablishedB};
    fake::Table(true, 2).block = MakeTableBlock(5, rows.data(), sizeof(rows[0]), 2);
    fake::Table(true, 2).block.resize(fake::Table(true, 2).block.size() + 100); // and a part of a third
    EXPECT_EQ(1, FillTcp4Rows(list));
    EXPECT_EQ(2u, RowLines(list).size());

    std::vector<MIB_UDP6ROW_OWNER_MODULE> udp{Udp6Row("::1", 1, 1)};
    fake::Table(false, 23).block = MakeTableBlock(0xFFFFFFFF, udp.data(), sizeof(udp[0]), 1);
    EXPECT_EQ(1, FillUdp6Rows(list));
    EXPECT_EQ(3u, RowLines(list).size());
}

TEST_F(TablePassTest, AListeningTcp4RowHasNoRemoteNameAndNoLookup)
{
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA});
    EXPECT_EQ("", Stdout([&] { FillTcp4Rows(list); }));
    EXPECT_EQ(Lines({L"mod4.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4"}), RowLines(list));
    EXPECT_TRUE(EventsStartingWith("GetNameInfoW").empty());
}

TEST_F(TablePassTest, UdpRowsReadStarDotStarAndSetEmptyNameAndStatus)
{
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("10.1.2.3", 137, 2)});
    fake::Table(false, 23).block = TableOf(std::vector<MIB_UDP6ROW_OWNER_MODULE>{Udp6Row("::", 500, 2)});
    FillUdp4Rows(list);
    FillUdp6Rows(list);
    EXPECT_EQ(Lines({L"mod2.exe|::[0]:500|*.*|||UDPv6", L"mod2.exe|10.1.2.3:137|*.*|||UDPv4"}), RowLines(list));
    EXPECT_EQ(Events({"list: set 0.1 \"10.1.2.3:137\"", "list: set 0.2 \"*.*\"", "list: set 0.3 \"\"",
                      "list: set 0.4 \"\"", "list: set 0.5 \"UDPv4\"", "list: set 0.1 \"::[0]:500\"",
                      "list: set 0.2 \"*.*\"", "list: set 0.3 \"\"", "list: set 0.4 \"\"", "list: set 0.5 \"UDPv6\""}),
              EventsStartingWith("list: set"));
    EXPECT_TRUE(EventsStartingWith("GetNameInfoW").empty());
}

TEST_F(TablePassTest, Tcp6RowsLookUpTheRemoteAddressTextButNotTheUnspecifiedAddress)
{
    MIB_TCP6ROW_OWNER_MODULE scoped = Tcp6Row("fe80::1", 22, "fe80::2", 40000, MIB_TCP_STATE_CLOSE_WAIT, 3);
    BYTE scopeBytes[4] = {0, 0, 0, 7};
    memcpy(&scoped.dwLocalScopeId, scopeBytes, 4);
    memcpy(&scoped.dwRemoteScopeId, scopeBytes, 4);
    fake::Table(true, 23).block =
        TableOf(std::vector<MIB_TCP6ROW_OWNER_MODULE>{Tcp6Row("::", 80, "::", 0, MIB_TCP_STATE_LISTEN, 1), scoped});
    fake::Names["fe80::2"].host = L"peer";
    EXPECT_EQ("", Stdout([&] { EXPECT_EQ(1, FillTcp6Rows(list)); }));
    EXPECT_EQ(Lines({L"mod1.exe|::[0]:80|::[0]:0||Listen|TCPv6",
                     L"mod3.exe|fe80::1[7]:22|fe80::2[7]:40000|peer|Close Wait|TCPv6"}),
              RowLines(list));
    // The lookup starts from the bare address text: no scope in the socket address.
    EXPECT_EQ(Events({"GetNameInfoW(family 23, fe80::2 flow 0 scope 0, 28, 1025, 32, 8)"}),
              EventsStartingWith("GetNameInfoW"));
}

TEST_F(TablePassTest, TcpQueriesGetACopyOfTheEntryAndUdpQueriesTheEntryAsFetched)
{
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA});
    fake::Table(true, 23).block =
        TableOf(std::vector<MIB_TCP6ROW_OWNER_MODULE>{Tcp6Row("::", 445, "::", 0, MIB_TCP_STATE_LISTEN, 4)});
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 3)});
    fake::Table(false, 23).block = TableOf(std::vector<MIB_UDP6ROW_OWNER_MODULE>{Udp6Row("::1", 1, 1)});
    RefreshConnections(list);
    EXPECT_EQ(std::vector<bool>({false, false, true, true}), fake::EntryInTable);
}

TEST_F(TablePassTest, OneSizeVariablePerPassSharedByTheTableAndModuleQueries)
{
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA, EstablishedB});
    FillTcp4Rows(list);
    ASSERT_EQ(4u, fake::SizeAddresses.size());
    for (const DWORD *address : fake::SizeAddresses)
        EXPECT_EQ(fake::SizeAddresses.front(), address);
}

TEST_F(TablePassTest, AModuleBlockTooSmallForTheModuleIsAskedAgainAndLaterRowsUseTheGrownSize)
{
    // One TCPv4 entry: the table, and so the first module block, is 168 bytes.
    fake::Modules[4] = {L"svchost.exe", L"C:\\Windows\\System32\\" + std::wstring(120, L'x') + L"\\svchost.exe"};
    // The record's two pointers, then both texts: 338 bytes.
    DWORD needed = sizeof(TCPIP_OWNER_MODULE_BASIC_INFO) + (11 + 1 + 20 + 120 + 12 + 1) * 2;
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA});
    EXPECT_EQ("", Stdout([&] { FillTcp4Rows(list); }));
    EXPECT_EQ(Lines({L"svchost.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4"}), RowLines(list));
    EXPECT_EQ(std::vector<SIZE_T>({168, 168, needed}), fake::AllocationSizes());

    // Two entries: the second row's block already has the size the first query asked for.
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    fake::Reset();
    fake::Modules[4] = {L"svchost.exe", L"C:\\Windows\\System32\\" + std::wstring(220, L'x') + L"\\svchost.exe"};
    needed = sizeof(TCPIP_OWNER_MODULE_BASIC_INFO) + (11 + 1 + 20 + 220 + 12 + 1) * 2; // 538 on x86
    fake::Table(true, 2).block =
        TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA, Tcp4Row("0.0.0.0", 445, "0.0.0.0", 0, 2, 4)});
    EXPECT_EQ("", Stdout([&] { FillTcp4Rows(list); }));
    EXPECT_EQ(
        Lines({L"svchost.exe|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4", L"svchost.exe|0.0.0.0:445|0.0.0.0:0||Listen|TCPv4"}),
        RowLines(list));
    EXPECT_EQ(std::vector<SIZE_T>({328, 328, needed, needed}), fake::AllocationSizes());
}

TEST_F(TablePassTest, OwnerModuleAndNameFailuresLeaveTheirTextEmptyAndWriteTheirMessagesBackToBack)
{
    fake::Modules[4].result = 1168;
    fake::Modules[8].result = 299;
    fake::Names["127.0.0.1"].error = 11001;
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA, EstablishedB});
    std::string out = Stdout([&] { EXPECT_EQ(1, FillTcp4Rows(list)); });
    EXPECT_EQ(std::string(Message1168) + Message299 + Wsa11001, out);
    EXPECT_EQ(Lines({L"|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4", L"|127.0.0.1:5000|127.0.0.1:6000||Establish|TCPv4"}),
              RowLines(list));
}

TEST_F(TablePassTest, AModuleBlockThatCannotBeAllocatedGivesAnEmptyNameAndTheRowGoesOn)
{
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 3)});
    fake::FailAllocation = 2;
    EXPECT_EQ("", Stdout([&] { EXPECT_EQ(1, FillUdp4Rows(list)); }));
    EXPECT_EQ(Lines({L"|0.0.0.0:53|*.*|||UDPv4"}), RowLines(list));
}

TEST_F(TablePassTest, WithoutTheOwnerModuleFunctionsRowsHaveNoModuleNameNoQueryAndNoMessage)
{
    for (bool &exported : fake::OwnerModuleExported)
        exported = false;
    fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{ListeningA, EstablishedB});
    fake::Table(false, 23).block = TableOf(std::vector<MIB_UDP6ROW_OWNER_MODULE>{Udp6Row("::1", 1, 1)});
    EXPECT_EQ("", Stdout([&] { RefreshConnections(list); }));
    EXPECT_EQ(Lines({L"|::1[0]:1|*.*|||UDPv6", L"|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4",
                     L"|127.0.0.1:5000|127.0.0.1:6000|host-127.0.0.1|Establish|TCPv4"}),
              RowLines(list));
    EXPECT_TRUE(EventsStartingWith("GetOwnerModule").empty());
}

} // namespace
