// Every platform call of a refresh made to fail in turn, against one endpoint in each of the
// four tables: what the list shows and what goes to standard output afterwards. The fakes'
// teardown checks that every heap block was freed.
#include "snapshot/TablePasses.h"

#include "tests/snapshot/Expect.h"
#include "tests/snapshot/ListView.h"

#include <string>
#include <vector>

namespace {

// Passes in the order RefreshConnections runs them.
enum Pass { TCP4, TCP6, UDP4, UDP6, PASS_COUNT };

const DWORD Pids[PASS_COUNT] = {8, 9, 3, 5};
const size_t EntryBytes[PASS_COUNT] = {sizeof(MIB_TCPROW_OWNER_MODULE), sizeof(MIB_TCP6ROW_OWNER_MODULE),
                                       sizeof(MIB_UDPROW_OWNER_MODULE), sizeof(MIB_UDP6ROW_OWNER_MODULE)};
const char *const PassNames[PASS_COUNT] = {"Tcp4", "Tcp6", "Udp4", "Udp6"};

// The row each pass makes when nothing fails: module, source, remote, remote name, status, protocol.
const wchar_t *const Rows[PASS_COUNT][6] = {
    {L"mod8.exe", L"127.0.0.1:5000", L"127.0.0.1:6000", L"host-127.0.0.1", L"Establish", L"TCPv4"},
    {L"mod9.exe", L"2001:db8::1[0]:50000", L"2001:db8::2[0]:443", L"host-2001:db8::2", L"Establish", L"TCPv6"},
    {L"mod3.exe", L"0.0.0.0:53", L"*.*", L"", L"", L"UDPv4"},
    {L"mod5.exe", L"::1[0]:5353", L"*.*", L"", L"", L"UDPv6"},
};

fake::TableScript &TableOfPass(int pass)
{
    return fake::Table(pass == TCP4 || pass == TCP6, pass == TCP6 || pass == UDP6 ? 23 : 2);
}

void FillTables()
{
    TableOfPass(TCP4).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{
        Tcp4Row("127.0.0.1", 5000, "127.0.0.1", 6000, MIB_TCP_STATE_ESTAB, Pids[TCP4])});
    TableOfPass(TCP6).block = TableOf(std::vector<MIB_TCP6ROW_OWNER_MODULE>{
        Tcp6Row("2001:db8::1", 50000, "2001:db8::2", 443, MIB_TCP_STATE_ESTAB, Pids[TCP6])});
    TableOfPass(UDP4).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, Pids[UDP4])});
    TableOfPass(UDP6).block = TableOf(std::vector<MIB_UDP6ROW_OWNER_MODULE>{Udp6Row("::1", 5353, Pids[UDP6])});
}

// What a fault does to the list.
enum Effect {
    ROWS_KEPT,          // the pass recovers: the list is complete
    ROWS_LOST,          // the faulted pass adds no row; the others' rows stay
    MODULE_NAMES_EMPTY, // every row lacks its module name
    REMOTE_NAMES_EMPTY, // the TCP rows lack their remote name
};

struct Fault {
    std::string name;
    int pass;   // the pass the fault is injected into; -1 for every pass
    int amount; // the fault's figure: a code, a count of answers, an allocation number
    void (*inject)(int pass, int amount);
    Effect effect;
    std::string out; // standard output of the refresh
};

void PrintTo(const Fault &fault, std::ostream *os)
{
    *os << fault.name;
}

// Allocations of a refresh without faults: each pass's table block, then its row's module block.
int TableAllocation(int pass)
{
    return 2 * pass + 1;
}

void FailSizeQuery(int pass, int)
{
    TableOfPass(pass).sizeAnswer = 0; // as a failed query that never wrote the size
}
void FailAllocation(int, int number)
{
    fake::FailAllocation = number;
}
void FailFetch(int pass, int code)
{
    TableOfPass(pass).fetchResult = (DWORD)code;
}
void GrowOnFetch(int pass, int times)
{
    TableOfPass(pass).growFetches = times;
    TableOfPass(pass).growBytes = (DWORD)EntryBytes[pass];
}
void GrowOnceThenFailAllocation(int pass, int)
{
    GrowOnFetch(pass, 1);
    fake::FailAllocation = TableAllocation(pass) + 1;
}
void FailOwnerModules(int, int code)
{
    for (DWORD pid : Pids)
        fake::Modules[pid].result = (DWORD)code;
}
void AnswerOwnerModules122(int, int)
{
    for (DWORD pid : Pids)
        fake::Modules[pid].answers122 = 100;
}
void FailNameLookups(int, int error)
{
    fake::Names["127.0.0.1"].error = error;
    fake::Names["2001:db8::2"].error = error;
}

std::string Times(const std::string &text, int count)
{
    std::string all;
    for (int i = 0; i < count; ++i)
        all += text;
    return all;
}

std::vector<Fault> Faults()
{
    std::vector<Fault> faults;
    for (int pass = TCP4; pass < PASS_COUNT; ++pass) {
        std::string name = PassNames[pass];
        // A size query that fails leaves the size at 0: the fetch then answers 122 with the
        // size, and the pass fetches again with it.
        faults.push_back({name + "SizeQueryFails", pass, 0, FailSizeQuery, ROWS_KEPT, ""});
        faults.push_back({name + "TableAllocationFails", pass, TableAllocation(pass), FailAllocation, ROWS_LOST, ""});
        faults.push_back({name + "FetchFails87", pass, ERROR_INVALID_PARAMETER, FailFetch, ROWS_LOST, ""});
        faults.push_back({name + "FetchFails50", pass, ERROR_NOT_SUPPORTED, FailFetch, ROWS_LOST, ""});
        faults.push_back({name + "FetchAnswers122FiveTimes", pass, 5, GrowOnFetch, ROWS_KEPT, ""});
        faults.push_back({name + "FetchAnswers122SixTimes", pass, 6, GrowOnFetch, ROWS_LOST, ""});
        faults.push_back({name + "GrownTableAllocationFails", pass, 0, GrowOnceThenFailAllocation, ROWS_LOST, ""});
    }

    const struct {
        int code;
        const char *message;
    } ownerCodes[] = {
        {8, "Not enough memory is available to complete the operation."},
        {87, "A parameter is incorrect.This value is returned if either of the pTcpEntry or pdwSize parameters are "
             "NULL.This value is also returned if the Class parameter is not equal to "
             "TCPIP_OWNER_MODULE_INFO_BASIC."},
        {299, "Only part of a request was completed."},
        {1168, "A element was no found.This value is returned if the dwOwningPid member of the "
               "MIB_TCPROW_OWNER_MODULE structure pointed to by the pTcpEntry parameter was zero or could not be "
               "found."},
        {5, ""}, // no message of its own
    };
    for (const auto &c : ownerCodes)
        faults.push_back({"OwnerModule" + std::to_string(c.code), -1, c.code, FailOwnerModules, MODULE_NAMES_EMPTY,
                          Times(c.message, PASS_COUNT)});
    // 122 on the query and again on the one more query with the size asked for: one message a row.
    faults.push_back({"OwnerModule122Twice", -1, 0, AnswerOwnerModules122, MODULE_NAMES_EMPTY,
                      Times("Insufficient space was allocated for the table.The size of the table is returned in "
                            "the pdwSize parameter, and must be used in a subsequent call to this function in "
                            "order to successfully retrieve the table.",
                            PASS_COUNT)});

    const struct {
        int error;
        const char *message;
    } nameErrors[] = {
        {8, "WSA_NOT_ENOUGH_MEMORY,A memory allocation failure occurred."},
        {10022, "WSAEINVAL,One or more invalid parameters was passed to the getnameinfo function.This error is "
                "returned if a host name was requested but the hostlen parameter was zero or if a service name "
                "was requested, but the servlen parameter was zero."},
        {10047, "WSAEAFNOSUPPORT,The sa_family member of socket address structure pointed to by the sa parameter "
                "is not supported."},
        {11001, "WSAHOST_NOT_FOUND,A service name was requested, but no port number was found in the structure "
                "pointed to by the sa parameter or no service name matching the port number was found.NI_NAMEREQD "
                "is set and the host name cannot be located, or both the host and serv parameters were NULL."},
        {11002, "WSATRY_AGAIN, A temporary failure in name resolution occurred."},
        {11003, "WSANO_RECOVERY,A nonrecoverable failure in name resolution occurred."},
        {10093, "Unknow error"},
    };
    for (const auto &c : nameErrors)
        faults.push_back({"NameLookup" + std::to_string(c.error), -1, c.error, FailNameLookups, REMOTE_NAMES_EMPTY,
                          Times(c.message, 2)}); // the TCPv4 row's, then the TCPv6 row's
    return faults;
}

std::vector<std::wstring> ExpectedLines(const Fault &fault)
{
    std::vector<std::wstring> lines;
    for (int pass : {UDP6, UDP4, TCP6, TCP4}) { // each pass inserts above the rows before it
        if (fault.effect == ROWS_LOST && fault.pass == pass)
            continue;
        ListRow row;
        for (int column = 0; column < 6; ++column)
            row.texts[column] = Rows[pass][column];
        if (fault.effect == MODULE_NAMES_EMPTY)
            row.texts[0].clear();
        if (fault.effect == REMOTE_NAMES_EMPTY)
            row.texts[3].clear();
        lines.push_back(RowLine(row));
    }
    return lines;
}

class SnapshotFaultTest : public FakePlatformTest, public testing::WithParamInterface<Fault> {
protected:
    void SetUp() override
    {
        FakePlatformTest::SetUp();
        list = CreateConnectionList();
        ASSERT_NE(nullptr, list);
        FillTables();
    }
    void TearDown() override
    {
        DestroyWindow(list);
        FakePlatformTest::TearDown();
    }
    HWND list = nullptr;
};

TEST_P(SnapshotFaultTest, ListAndOutputAreAsForThatFault)
{
    const Fault &fault = GetParam();
    fault.inject(fault.pass, fault.amount);
    std::string out = Stdout([&] { RefreshConnections(list); });
    EXPECT_EQ(fault.out, out);
    EXPECT_EQ(ExpectedLines(fault), RowLines(list));
    // A second refresh after the fault has passed finds everything again and adds nothing twice.
    fake::FailAllocation = 0;
    for (int pass = TCP4; pass < PASS_COUNT; ++pass)
        TableOfPass(pass) = fake::TableScript();
    FillTables();
    fake::Modules.clear();
    fake::Names.clear();
    EXPECT_EQ("", Stdout([&] { RefreshConnections(list); }));
    EXPECT_EQ(ExpectedLines(Fault{"", -1, 0, nullptr, ROWS_KEPT, ""}), RowLines(list));
}

INSTANTIATE_TEST_SUITE_P(EveryCall, SnapshotFaultTest, testing::ValuesIn(Faults()),
                         [](const testing::TestParamInfo<Fault> &info) { return info.param.name; });

} // namespace
