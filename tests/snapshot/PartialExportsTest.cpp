// The owner-module queries where the system's IP Helper exports only some of the four
// functions. The product's own check (OwnerModuleExports.o) looks the functions up in the
// module IpHelperModule() gives, here PartialIpHelper.dll, which exports the TCPv6 and UDPv4
// ones alone; the queries it lets through reach the fakes of FakePlatform.cpp.
#include "snapshot/OwnerModuleExports.h"
#include "snapshot/TablePasses.h"

#include "tests/snapshot/Expect.h"
#include "tests/snapshot/ListView.h"

#include <string>
#include <vector>

namespace {

// The product looks a function up in this module only when it has no answer for it yet.
int ModuleRequests = 0;

} // namespace

HMODULE IpHelperModule()
{
    static HMODULE partial = LoadLibraryW(PARTIAL_IP_HELPER);
    ++ModuleRequests;
    return partial;
}

namespace {

typedef std::vector<std::wstring> Lines;

class PartialExports : public FakePlatformTest {
protected:
    void SetUp() override
    {
        FakePlatformTest::SetUp();
        ASSERT_NE((HMODULE)NULL, LoadLibraryW(PARTIAL_IP_HELPER));
        list = CreateConnectionList();
        ASSERT_NE(nullptr, list);
        fake::Table(true, 2).block = TableOf(
            std::vector<MIB_TCPROW_OWNER_MODULE>{Tcp4Row("0.0.0.0", 135, "0.0.0.0", 0, MIB_TCP_STATE_LISTEN, 4)});
        fake::Table(true, 23).block =
            TableOf(std::vector<MIB_TCP6ROW_OWNER_MODULE>{Tcp6Row("::", 445, "::", 0, MIB_TCP_STATE_LISTEN, 5)});
        fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 6)});
        fake::Table(false, 23).block = TableOf(std::vector<MIB_UDP6ROW_OWNER_MODULE>{Udp6Row("::1", 547, 7)});
    }
    void TearDown() override
    {
        DestroyWindow(list);
        FakePlatformTest::TearDown();
    }
    HWND list = nullptr;
};

TEST_F(PartialExports, OnlyThePassesWhoseFunctionIsExportedAskAndGetNames)
{
    EXPECT_EQ("", Stdout([&] { RefreshConnections(list); }));
    EXPECT_EQ(Lines({L"|::1[0]:547|*.*|||UDPv6", L"mod6.exe|0.0.0.0:53|*.*|||UDPv4",
                     L"mod5.exe|::[0]:445|::[0]:0||Listen|TCPv6", L"|0.0.0.0:135|0.0.0.0:0||Listen|TCPv4"}),
              RowLines(list));
    EXPECT_EQ(Events({"GetOwnerModuleFromTcp6Entry(pid 5, 0, block of 200, 200)",
                      "GetOwnerModuleFromUdpEntry(pid 6, 0, block of 168, 168)"}),
              EventsStartingWith("GetOwnerModule"));
    // The four tables and one module block for each query: none for the passes left out.
    EXPECT_EQ(6u, EventsStartingWith("HeapAlloc").size());
}

TEST_F(PartialExports, EachFunctionIsLookedUpOnceWhateverTheRowsAndRefreshes)
{
    fake::Table(false, 2).block =
        TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 6), Udp4Row("0.0.0.0", 67, 8)});
    for (int refresh = 0; refresh < 3; ++refresh)
        RefreshConnections(list);
    EXPECT_EQ(6u, EventsStartingWith("GetOwnerModuleFromUdpEntry").size());
    // Four functions, four lookups over every test of this program.
    EXPECT_EQ(4, ModuleRequests);
}

} // namespace
