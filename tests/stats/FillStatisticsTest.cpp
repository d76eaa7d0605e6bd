#include "FakeStatistics.h"
#include "res/resource.h"
#include "stats/Statistics.h"

#include <gtest/gtest.h>

#include <stddef.h>
#include <string>

namespace {

struct ExpectedField {
    int identifier;
    FakeQuery query;
    ULONG family;
    size_t offset;
    const wchar_t *prefix;
};

const ExpectedField Fields[] = {
    {1004, FAKE_TCP, AF_INET, offsetof(MIB_TCPSTATS, dwActiveOpens), L""},
    {1006, FAKE_TCP, AF_INET, offsetof(MIB_TCPSTATS, dwPassiveOpens), L""},
    {1007, FAKE_TCP, AF_INET, offsetof(MIB_TCPSTATS, dwNumConns), L""},
    {1008, FAKE_TCP, AF_INET6, offsetof(MIB_TCPSTATS, dwActiveOpens), L""},
    {1009, FAKE_TCP, AF_INET6, offsetof(MIB_TCPSTATS, dwPassiveOpens), L""},
    {1010, FAKE_TCP, AF_INET6, offsetof(MIB_TCPSTATS, dwNumConns), L""},
    {1016, FAKE_UDP, AF_INET, offsetof(MIB_UDPSTATS, dwNumAddrs), L""},
    {1017, FAKE_UDP, AF_INET, offsetof(MIB_UDPSTATS, dwInDatagrams), L""},
    {1018, FAKE_UDP, AF_INET, offsetof(MIB_UDPSTATS, dwOutDatagrams), L""},
    {1019, FAKE_UDP, AF_INET, offsetof(MIB_UDPSTATS, dwNoPorts), L""},
    {1020, FAKE_UDP, AF_INET6, offsetof(MIB_UDPSTATS, dwNumAddrs), L""},
    {1021, FAKE_UDP, AF_INET6, offsetof(MIB_UDPSTATS, dwInDatagrams), L""},
    {1022, FAKE_UDP, AF_INET6, offsetof(MIB_UDPSTATS, dwOutDatagrams), L""},
    {1023, FAKE_UDP, AF_INET6, offsetof(MIB_UDPSTATS, dwNoPorts), L""},
    {1000, FAKE_IP, AF_INET, offsetof(MIB_IPSTATS, dwNumAddr), L""},
    {1005, FAKE_IP, AF_INET, offsetof(MIB_IPSTATS, dwNumIf), L""},
    {1001, FAKE_IP, AF_INET, offsetof(MIB_IPSTATS, dwInReceives), L""},
    {1002, FAKE_IP, AF_INET, offsetof(MIB_IPSTATS, dwOutRequests), L""},
    {1003, FAKE_IP, AF_INET, offsetof(MIB_IPSTATS, dwDefaultTTL), L""},
    {1011, FAKE_IP, AF_INET6, offsetof(MIB_IPSTATS, dwNumAddr), L""},
    {1015, FAKE_IP, AF_INET6, offsetof(MIB_IPSTATS, dwNumIf), L""},
    {1012, FAKE_IP, AF_INET6, offsetof(MIB_IPSTATS, dwInReceives), L""},
    {1013, FAKE_IP, AF_INET6, offsetof(MIB_IPSTATS, dwOutRequests), L""},
    {1014, FAKE_IP, AF_INET6, offsetof(MIB_IPSTATS, dwDefaultTTL), L""},
    {1024, FAKE_ICMP, AF_INET, offsetof(MIB_ICMP_EX, icmpInStats.dwMsgs), L""},
    {1025, FAKE_ICMP, AF_INET, offsetof(MIB_ICMP_EX, icmpInStats.dwErrors), L""},
    {1026, FAKE_ICMP, AF_INET, offsetof(MIB_ICMP_EX, icmpOutStats.dwMsgs), L" "},
    {1027, FAKE_ICMP, AF_INET, offsetof(MIB_ICMP_EX, icmpOutStats.dwErrors), L" "},
    {1028, FAKE_ICMP, AF_INET6, offsetof(MIB_ICMP_EX, icmpInStats.dwMsgs), L""},
    {1029, FAKE_ICMP, AF_INET6, offsetof(MIB_ICMP_EX, icmpInStats.dwErrors), L""},
    {1030, FAKE_ICMP, AF_INET6, offsetof(MIB_ICMP_EX, icmpOutStats.dwMsgs), L" "},
    {1031, FAKE_ICMP, AF_INET6, offsetof(MIB_ICMP_EX, icmpOutStats.dwErrors), L" "},
};

INT_PTR CALLBACK InertDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class FillStatisticsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetFakeStatistics();
        dialog = CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_STATISTICS), NULL, InertDlgProc, 0);
        ASSERT_NE(nullptr, dialog);
    }
    void TearDown() override { DestroyWindow(dialog); }

    std::wstring Text(int identifier)
    {
        wchar_t text[64] = L"";
        GetDlgItemTextW(dialog, identifier, text, 64);
        return text;
    }
    // The text a field shows for the reading of generation `generation`.
    static std::wstring Shown(const ExpectedField &field, LONG generation)
    {
        LONG current = FakeGeneration;
        FakeGeneration = generation;
        std::wstring shown = field.prefix + std::to_wstring(FakeCounter(field.query, field.family, field.offset / 4));
        FakeGeneration = current;
        return shown;
    }

    HWND dialog = NULL;
};

TEST_F(FillStatisticsTest, EveryFieldGetsItsCounterAsAnUnsignedDecimal)
{
    EXPECT_EQ(1, FillStatistics(dialog));

    for (const ExpectedField &field : Fields)
        EXPECT_EQ(Shown(field, 1), Text(field.identifier)) << "field " << field.identifier;
    // Worked out by hand: ICMP, IPv4, reading 1, word 258 (icmpOutStats.dwMsgs) is 0x83001102.
    EXPECT_EQ(L" 2197819650", Text(IDC_ICMP4_OUT_MSGS));

    const FakeQuery queries[] = {FAKE_TCP, FAKE_UDP, FAKE_IP, FAKE_ICMP};
    std::vector<FakeCall> calls = FakeCalls();
    ASSERT_EQ(8u, calls.size());
    for (size_t i = 0; i < calls.size(); i++) {
        EXPECT_EQ(queries[i / 2], calls[i].query) << "call " << i;
        EXPECT_EQ(i % 2 ? AF_INET6 : AF_INET, calls[i].family) << "call " << i;
    }
    EXPECT_EQ(0, FakeDirtyRecords);
}

TEST_F(FillStatisticsTest, AFailingGroupKeepsItsTextsWhileTheOthersUpdate)
{
    FakeResult[FAKE_ICMP][0] = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(1, FillStatistics(dialog));
    for (const ExpectedField &field : Fields) {
        bool failed = field.query == FAKE_ICMP && field.family == AF_INET;
        EXPECT_EQ(failed ? L"" : Shown(field, 1), Text(field.identifier)) << "field " << field.identifier;
    }

    // The next reading: every IPv6 query and the IPv4 TCP query fail.
    ZeroMemory(FakeResult, sizeof(FakeResult));
    for (int query = FAKE_TCP; query <= FAKE_ICMP; query++)
        FakeResult[query][1] = ERROR_NOT_SUPPORTED;
    FakeResult[FAKE_TCP][0] = ERROR_NOT_SUPPORTED;
    FakeGeneration = 2;
    EXPECT_EQ(1, FillStatistics(dialog));
    for (const ExpectedField &field : Fields) {
        bool failed = field.family == AF_INET6 || field.query == FAKE_TCP;
        EXPECT_EQ(Shown(field, failed ? 1 : 2), Text(field.identifier)) << "field " << field.identifier;
    }
    EXPECT_EQ(16u, FakeCalls().size());
    EXPECT_EQ(0, FakeDirtyRecords);
}

volatile LONG Opening = 7;

TEST_F(FillStatisticsTest, AGuardedReadingStopsTheMomentItsOpeningIsOver)
{
    EXPECT_EQ(0, FillStatisticsWhile(dialog, &Opening, 6));
    EXPECT_TRUE(FakeCalls().empty());
    EXPECT_EQ(L"", Text(IDC_TCP4_ACTIVE_OPENS));

    // The opening ends while the IPv4 UDP query is under way: none of its fields is written,
    // and nothing is read after it.
    FakeDuringQuery = [](const FakeCall &call) {
        if (call.query == FAKE_UDP)
            Opening = 0;
    };
    EXPECT_EQ(0, FillStatisticsWhile(dialog, &Opening, 7));
    EXPECT_EQ(3u, FakeCalls().size());
    EXPECT_EQ(Shown(Fields[5], 1), Text(IDC_TCP6_NUM_CONNS));
    EXPECT_EQ(L"", Text(IDC_UDP4_NUM_ADDRS));
}

} // namespace
