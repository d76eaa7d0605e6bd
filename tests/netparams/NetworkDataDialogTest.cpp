// The Network Data dialog against a fake GetNetworkParams and a counting process heap.
#include "netparams/NetworkDataDialog.h"
#include "common/Countof.h"
#include "res/resource.h"
#include "tests/common/DialogTemplate.h"
#include "tests/common/DialogTesting.h"

#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>
#include "testsupport/ImportSlot.h"

using namespace dialogtesting;

namespace {

struct FakeNetwork {
    FIXED_INFO info;
    std::vector<std::string> dnsServers; // in the order the system reports them
    bool sizeQueryFails;                 // never tells the size it needs
    DWORD fillResult;                    // result of a query whose buffer is large enough
    int calls;
} net;

struct FakeHeap {
    bool failAllocation;
    std::set<void *> live;
    int allocations;
    HANDLE heap;
    DWORD flags;
    SIZE_T size;
    bool freedFromOtherHeap;
} heap;

ULONG NeededSize()
{
    size_t chained = net.dnsServers.size() > 1 ? net.dnsServers.size() - 1 : 0;
    return (ULONG)(sizeof(FIXED_INFO) + chained * sizeof(IP_ADDR_STRING));
}

// The platform's layout: the first server inside the record, the others chained behind it
// in the same block.
void WriteParams(FIXED_INFO *block)
{
    *block = net.info;
    IP_ADDR_STRING *entry = &block->DnsServerList;
    IP_ADDR_STRING *spare = (IP_ADDR_STRING *)(block + 1);
    for (size_t i = 0; i < net.dnsServers.size(); ++i) {
        if (i > 0) {
            entry->Next = spare;
            entry = spare++;
            memset(entry, 0, sizeof *entry);
        }
        snprintf(entry->IpAddress.String, COUNTOF(entry->IpAddress.String), "%s", net.dnsServers[i].c_str());
    }
    entry->Next = NULL;
}

typedef LPVOID(WINAPI *HeapAllocFunction)(HANDLE, DWORD, SIZE_T);
typedef BOOL(WINAPI *HeapFreeFunction)(HANDLE, DWORD, LPVOID);

void *RealKernelFunction(const char *name)
{
    return (void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
}

} // namespace

// Fakes: the linker binds the product's imports of these names to the definitions below.
#ifdef __GNUC__
#pragma GCC diagnostic ignored "-Wattributes"
#endif

extern "C" DWORD WINAPI GetNetworkParams(PFIXED_INFO block, PULONG size)
{
    ++net.calls;
    if (block == NULL || *size < NeededSize() || net.sizeQueryFails) {
        if (!net.sizeQueryFails)
            *size = NeededSize();
        return net.sizeQueryFails ? ERROR_NOT_SUPPORTED : ERROR_BUFFER_OVERFLOW;
    }
    if (net.fillResult != ERROR_SUCCESS)
        return net.fillResult;
    WriteParams(block);
    return ERROR_SUCCESS;
}

extern "C" LPVOID WINAPI HeapAlloc(HANDLE heapHandle, DWORD flags, SIZE_T size)
{
    static HeapAllocFunction real = (HeapAllocFunction)RealKernelFunction("HeapAlloc");
    ++heap.allocations;
    heap.heap = heapHandle;
    heap.flags = flags;
    heap.size = size;
    if (heap.failAllocation)
        return NULL;
    void *block = real(heapHandle, flags, size);
    heap.live.insert(block);
    return block;
}

extern "C" BOOL WINAPI HeapFree(HANDLE heapHandle, DWORD flags, LPVOID block)
{
    static HeapFreeFunction real = (HeapFreeFunction)RealKernelFunction("HeapFree");
    if (heapHandle != heap.heap)
        heap.freedFromOtherHeap = true;
    heap.live.erase(block);
    return real(heapHandle, flags, block);
}

// The heap functions are declared as imports, so the product calls them through their
// import slots; filling the slots here keeps the import library's own copies out.
extern "C" void *const HeapAllocSlot __asm__(IMPORT_SLOT(HeapAlloc, 12)) = (void *)HeapAlloc;
extern "C" void *const HeapFreeSlot __asm__(IMPORT_SLOT(HeapFree, 12)) = (void *)HeapFree;

namespace {

INT_PTR CALLBACK InertDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

std::string FieldText(HWND dialog, int id)
{
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, (int)COUNTOF(text));
    return text;
}

std::vector<std::string> ListedServers(HWND dialog)
{
    std::vector<std::string> entries;
    LRESULT count = SendDlgItemMessageA(dialog, IDC_NET_DNS_SERVERS, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = "";
        SendDlgItemMessageA(dialog, IDC_NET_DNS_SERVERS, LB_GETTEXT, i, (LPARAM)text);
        entries.push_back(text);
    }
    return entries;
}

const int kTextFields[] = {IDC_NET_HOST_NAME, IDC_NET_DOMAIN_NAME, IDC_NET_NODE_TYPE,  IDC_NET_SCOPE_ID,
                           IDC_NET_ROUTING,   IDC_NET_ARP_PROXY,   IDC_NET_DNS_ENABLED};

class NetworkData : public testing::Test {
protected:
    void SetUp() override
    {
        net = FakeNetwork{};
        snprintf(net.info.HostName, COUNTOF(net.info.HostName), "%s", "fakehost");
        snprintf(net.info.DomainName, COUNTOF(net.info.DomainName), "%s", "corp.vantrel.example");
        snprintf(net.info.ScopeId, COUNTOF(net.info.ScopeId), "%s", "scope-7");
        net.info.NodeType = HYBRID_NODETYPE;
        net.dnsServers = {"192.168.0.1", "10.0.0.1"};
        heap = FakeHeap{};
        owner = CreateOwner();
        ASSERT_NE(nullptr, owner);
        dialog = CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_NETWORKDATA), owner, InertDlgProc, 0);
        ASSERT_NE(nullptr, dialog);
    }

    void TearDown() override
    {
        DestroyWindow(dialog);
        DestroyWindow(owner);
    }

    void SetFlags(UINT routing, UINT proxy, UINT dns)
    {
        net.info.EnableRouting = routing;
        net.info.EnableProxy = proxy;
        net.info.EnableDns = dns;
    }

    void ExpectDialogEmpty()
    {
        for (int id : kTextFields)
            EXPECT_EQ("", FieldText(dialog, id)) << "field " << id;
        EXPECT_EQ(0, SendDlgItemMessageA(dialog, IDC_NET_DNS_SERVERS, LB_GETCOUNT, 0, 0));
    }

    HWND owner = NULL;
    HWND dialog = NULL;
};

TEST_F(NetworkData, ShowsEveryParameterInItsField)
{
    SetFlags(1, 0, 1);
    EXPECT_EQ(1, FillNetworkData(dialog));

    EXPECT_EQ("fakehost", FieldText(dialog, IDC_NET_HOST_NAME));
    EXPECT_EQ("corp.vantrel.example", FieldText(dialog, IDC_NET_DOMAIN_NAME));
    EXPECT_EQ("Hybrid node.", FieldText(dialog, IDC_NET_NODE_TYPE));
    EXPECT_EQ("scope-7", FieldText(dialog, IDC_NET_SCOPE_ID));
    EXPECT_EQ("enabled.", FieldText(dialog, IDC_NET_ROUTING));
    EXPECT_EQ("disabled", FieldText(dialog, IDC_NET_ARP_PROXY));
    EXPECT_EQ("enabled", FieldText(dialog, IDC_NET_DNS_ENABLED));
    EXPECT_EQ((std::vector<std::string>{"10.0.0.1", "192.168.0.1"}), ListedServers(dialog));
}

TEST_F(NetworkData, EachFlagReadsItsOwnSettingAndOnlyRoutingEndsInAFullStop)
{
    SetFlags(0, 1, 0);
    FillNetworkData(dialog);
    EXPECT_EQ("disabled", FieldText(dialog, IDC_NET_ROUTING));
    EXPECT_EQ("enabled", FieldText(dialog, IDC_NET_ARP_PROXY));
    EXPECT_EQ("disabled", FieldText(dialog, IDC_NET_DNS_ENABLED));

    SetFlags(7, 7, 7); // any non-zero value counts as enabled
    FillNetworkData(dialog);
    EXPECT_EQ("enabled.", FieldText(dialog, IDC_NET_ROUTING));
    EXPECT_EQ("enabled", FieldText(dialog, IDC_NET_ARP_PROXY));
    EXPECT_EQ("enabled", FieldText(dialog, IDC_NET_DNS_ENABLED));
}

TEST_F(NetworkData, DnsServersFollowTheWholeChainAndSortAsText)
{
    net.dnsServers = {"192.168.0.1", "10.0.0.1", "9.9.9.9", "172.16.5.4"};
    FillNetworkData(dialog);
    EXPECT_EQ((std::vector<std::string>{"10.0.0.1", "172.16.5.4", "192.168.0.1", "9.9.9.9"}), ListedServers(dialog));
}

TEST_F(NetworkData, NoDnsServerListsOneEmptyEntry)
{
    net.dnsServers = {""};
    FillNetworkData(dialog);
    EXPECT_EQ((std::vector<std::string>{""}), ListedServers(dialog));
}

TEST_F(NetworkData, NodeTypeTexts)
{
    const struct {
        UINT nodeType;
        const char *text;
    } cases[] = {{0, "Unknown node."}, {1, "Broadcast node."}, {2, "Peer to Peer node."}, {3, "Unknown node."},
                 {4, "Mixed node."},   {5, "Unknown node."},   {8, "Hybrid node."},       {16, "Unknown node."}};
    for (const auto &c : cases) {
        net.info.NodeType = c.nodeType;
        FillNetworkData(dialog);
        EXPECT_EQ(c.text, FieldText(dialog, IDC_NET_NODE_TYPE)) << "node type " << c.nodeType;
    }
}

TEST_F(NetworkData, BlockIsZeroFilledFromTheProcessHeapAtTheReportedSizeAndFreed)
{
    net.dnsServers = {"10.1.1.1", "10.2.2.2", "10.3.3.3"};
    FillNetworkData(dialog);
    EXPECT_EQ(1, heap.allocations);
    EXPECT_EQ(GetProcessHeap(), heap.heap);
    EXPECT_TRUE(heap.flags & HEAP_ZERO_MEMORY);
    EXPECT_EQ(NeededSize(), heap.size);
    EXPECT_EQ(2, net.calls);
    EXPECT_TRUE(heap.live.empty());
    EXPECT_FALSE(heap.freedFromOtherHeap);
}

TEST_F(NetworkData, FailedAllocationLeavesTheDialogEmptyAndSkipsTheQuery)
{
    heap.failAllocation = true;
    EXPECT_EQ(0, FillNetworkData(dialog));
    EXPECT_EQ(1, net.calls);
    ExpectDialogEmpty();
}

TEST_F(NetworkData, FailedSecondQueryLeavesTheDialogEmptyAndFreesTheBlock)
{
    net.fillResult = ERROR_NO_DATA;
    EXPECT_EQ(1, FillNetworkData(dialog));
    EXPECT_EQ(2, net.calls);
    ExpectDialogEmpty();
    EXPECT_EQ(1, heap.allocations);
    EXPECT_TRUE(heap.live.empty());
}

TEST_F(NetworkData, FailedSizeQueryLeavesTheDialogEmptyAndFreesTheBlock)
{
    net.sizeQueryFails = true;
    EXPECT_EQ(1, FillNetworkData(dialog));
    ExpectDialogEmpty();
    EXPECT_TRUE(heap.live.empty());
}

// ---- The dialog as the main window opens it ---------------------------------------------

TEST_F(NetworkData, OpensFilledAndEndsWithOkOrCancelAsTheKeyOrButtonSays)
{
    const struct {
        const char *how;
        void (*act)(HWND);
        INT_PTR endCode;
    } cases[] = {
        {"Enter in a field", [](HWND d) { PressEnterIn(d, IDC_NET_HOST_NAME); }, IDOK},
        {"OK button", [](HWND d) { ClickButton(d, IDOK); }, IDOK},
        {"Escape", [](HWND d) { PressEscape(d); }, IDCANCEL},
        {"close box", [](HWND d) { CloseFromTitleBar(d); }, IDCANCEL},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.how);
        std::string hostShown;
        std::vector<std::string> serversShown;
        INT_PTR endCode = RunModal(owner, IDD_NETWORKDATA, NetworkDataDlgProc, [&](HWND open) {
            hostShown = FieldText(open, IDC_NET_HOST_NAME);
            serversShown = ListedServers(open);
            c.act(open);
        });
        EXPECT_EQ(c.endCode, endCode);
        EXPECT_EQ("fakehost", hostShown);
        EXPECT_EQ(2u, serversShown.size());
    }
    EXPECT_TRUE(heap.live.empty());
}

TEST(NetworkDataTemplate, MatchesTheLayout)
{
    DialogTemplate t = LoadDialogTemplate(IDD_NETWORKDATA);
    ASSERT_TRUE(t.extended);
    const ExpectedDialog header = {0x80C800C8u, 341, 134, L"Network Data...", 8, 400, L"MS Shell Dlg"};
    EXPECT_TRUE(t == header) << Describe(t);

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DWORD label = child | SS_LEFT | WS_GROUP;
    const DWORD field = child | ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP;
    const ExpectedControl expected[] = {
        {IDOK, L"button", L"OK", 145, 114, 50, 12, child | BS_DEFPUSHBUTTON | WS_TABSTOP},
        {-1, L"static", L"Host Name:", 13, 13, 38, 8, label},
        {-1, L"static", L"Domain Name:", 158, 14, 47, 8, label},
        {-1, L"button", L"DNS Servers:", 158, 47, 167, 60, child | BS_GROUPBOX},
        {IDC_NET_DNS_SERVERS, L"listbox", L"", 165, 58, 150, 40,
         child | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT},
        {-1, L"static", L"Node Type:", 13, 34, 38, 8, label},
        {-1, L"static", L"DHCP scope name:", 158, 31, 62, 8, label},
        {-1, L"static", L"Routing:", 13, 55, 28, 8, label},
        {-1, L"static", L"ARP proxy:", 13, 76, 38, 8, label},
        {-1, L"static", L"DNS:", 13, 97, 17, 8, label},
        {IDC_NET_HOST_NAME, L"edit", L"", 56, 13, 94, 12, field},
        {IDC_NET_DOMAIN_NAME, L"edit", L"", 225, 14, 94, 12, field},
        {IDC_NET_NODE_TYPE, L"edit", L"", 56, 34, 94, 12, field},
        {IDC_NET_SCOPE_ID, L"edit", L"", 225, 31, 94, 12, field},
        {IDC_NET_ROUTING, L"edit", L"", 56, 55, 94, 12, field},
        {IDC_NET_ARP_PROXY, L"edit", L"", 56, 76, 94, 12, field},
        {IDC_NET_DNS_ENABLED, L"edit", L"", 56, 97, 94, 12, field},
    };
    ASSERT_EQ(COUNTOF(expected), t.controls.size());
    for (size_t i = 0; i < COUNTOF(expected); ++i)
        EXPECT_TRUE(t.controls[i] == expected[i]) << "control " << i << ": " << Describe(t.controls[i]);
}

} // namespace
