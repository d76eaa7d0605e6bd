// The Network Data dialog with the platform's own GetNetworkParams.
#include "common/Countof.h"
#include "netparams/NetworkDataDialog.h"
#include "res/resource.h"
#include "tests/common/DialogTesting.h"

#include <gtest/gtest.h>

#include <string>

using namespace dialogtesting;

namespace {

TEST(NetworkDataOnThisHost, HostNameFieldShowsTheMachinesHostName)
{
    char expected[256] = "";
    DWORD size = COUNTOF(expected);
    ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsHostname, expected, &size));
    ASSERT_STRNE("", expected);

    HWND owner = CreateOwner();
    std::string shown;
    INT_PTR endCode = RunModal(owner, IDD_NETWORKDATA, NetworkDataDlgProc, [&](HWND dialog) {
        char text[256] = "";
        GetDlgItemTextA(dialog, IDC_NET_HOST_NAME, text, (int)COUNTOF(text));
        shown = text;
        PressEnterIn(dialog, IDC_NET_DOMAIN_NAME);
    });
    DestroyWindow(owner);

    EXPECT_EQ(IDOK, endCode);
    EXPECT_EQ(expected, shown);
}

} // namespace
