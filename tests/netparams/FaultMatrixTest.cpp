// The Network Data dialog opened as the program opens it while one of its platform calls
// fails: the size query, the block's allocation, or the query that fills the block. The heap
// is the shared counting fake, which also checks the zero-fill flag.
#include "netparams/NetworkDataDialog.h"
#include "common/Countof.h"
#include "res/resource.h"
#include "tests/common/DialogTesting.h"
#include "testsupport/FakePlatform.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

using namespace dialogtesting;

namespace {

struct NetworkScript {
    ULONG sizeQueryResult; // non-zero: the size query answers this and leaves the size alone
    ULONG fillResult;      // non-zero: the query with a block answers this
    int calls;
} net;

} // namespace

extern "C" DWORD WINAPI GetNetworkParams(PFIXED_INFO block, PULONG size)
{
    ++net.calls;
    if (block == NULL) {
        if (net.sizeQueryResult != 0)
            return net.sizeQueryResult;
        *size = sizeof(FIXED_INFO);
        return ERROR_BUFFER_OVERFLOW;
    }
    if (*size < sizeof(FIXED_INFO)) {
        *size = sizeof(FIXED_INFO);
        return ERROR_BUFFER_OVERFLOW;
    }
    if (net.fillResult != 0)
        return net.fillResult;
    snprintf(block->HostName, COUNTOF(block->HostName), "%s", "fakehost");
    snprintf(block->DnsServerList.IpAddress.String, COUNTOF(block->DnsServerList.IpAddress.String), "%s", "10.0.0.1");
    block->NodeType = HYBRID_NODETYPE;
    return ERROR_SUCCESS;
}

namespace {

struct Fault {
    const char *name;
    ULONG sizeQueryResult;
    int failAllocation;
    ULONG fillResult;
    int calls; // GetNetworkParams calls the opening makes
};

void PrintTo(const Fault &fault, std::ostream *os)
{
    *os << fault.name;
}

const Fault Faults[] = {
    // The size stays 0: the block is empty and the query with it answers 111.
    {"SizeQueryFails", ERROR_NOT_SUPPORTED, 0, 0, 2},
    {"AllocationFails", 0, 1, 0, 1},
    {"SecondQueryFindsMoreThanTheSizeSaid", 0, 0, ERROR_BUFFER_OVERFLOW, 2},
    {"SecondQueryFails", 0, 0, ERROR_NO_DATA, 2},
};

const int TextFields[] = {IDC_NET_HOST_NAME, IDC_NET_DOMAIN_NAME, IDC_NET_NODE_TYPE,  IDC_NET_SCOPE_ID,
                          IDC_NET_ROUTING,   IDC_NET_ARP_PROXY,   IDC_NET_DNS_ENABLED};

std::string Shown; // every field and list entry, as the open dialog showed them

void ReadAndPressOk(HWND dialog)
{
    Shown.clear();
    for (int id : TextFields) {
        char text[256] = "";
        GetDlgItemTextA(dialog, id, text, (int)COUNTOF(text));
        Shown += std::string(text) + "|";
    }
    LRESULT count = SendDlgItemMessageA(dialog, IDC_NET_DNS_SERVERS, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = "";
        SendDlgItemMessageA(dialog, IDC_NET_DNS_SERVERS, LB_GETTEXT, i, (LPARAM)text);
        Shown += std::string("dns ") + text + "|";
    }
    ClickButton(dialog, IDOK);
}

class NetworkDataFault : public testing::TestWithParam<Fault> {
protected:
    void SetUp() override
    {
        fake::Reset();
        net = NetworkScript{};
        owner = CreateOwner();
        ASSERT_NE(nullptr, owner);
    }
    void TearDown() override
    {
        DestroyWindow(owner);
        for (const std::string &fault : fake::Faults)
            ADD_FAILURE() << fault;
        EXPECT_TRUE(fake::LiveBlocks().empty()) << fake::LiveBlocks().size() << " heap block(s) not freed";
    }
    HWND owner = NULL;
};

TEST_P(NetworkDataFault, OpensEmptyAndClosesAsUsual)
{
    const Fault &fault = GetParam();
    net.sizeQueryResult = fault.sizeQueryResult;
    net.fillResult = fault.fillResult;
    fake::FailAllocation = fault.failAllocation;
    testing::internal::CaptureStdout();
    EXPECT_EQ(IDOK, RunModal(owner, IDD_NETWORKDATA, NetworkDataDlgProc, ReadAndPressOk));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ("|||||||", Shown);
    EXPECT_EQ(fault.calls, net.calls);

    // Opened again once the fault has passed, it is filled.
    net = NetworkScript{};
    fake::FailAllocation = 0;
    EXPECT_EQ(IDOK, RunModal(owner, IDD_NETWORKDATA, NetworkDataDlgProc, ReadAndPressOk));
    EXPECT_EQ("fakehost||Hybrid node.||disabled|disabled|disabled|dns 10.0.0.1|", Shown);
}

INSTANTIATE_TEST_SUITE_P(EachCall, NetworkDataFault, testing::ValuesIn(Faults),
                         [](const testing::TestParamInfo<Fault> &info) { return std::string(info.param.name); });

} // namespace
