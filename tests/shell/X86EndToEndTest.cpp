// The x86 Vantrel.exe that ships, run end to end by a 64-bit test program in a network
// namespace of its own. This is the one test of the x86 program on a machine that cannot
// execute 32-bit code, where the program runs under qemu-user: its start alone takes a minute
// or more, so every wait is generous and nothing is timed.
#include "tests/shell/ProgramDriver.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "res/resource.h"

namespace {

using driver::Endpoints;
using driver::GroupRank;
using driver::Rows;
using driver::Sorted;
using driver::Vantrel;

const DWORD LONG_WAIT_MS = 300000;

bool IsPe32(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    IMAGE_DOS_HEADER dos = {};
    IMAGE_NT_HEADERS32 nt = {};
    DWORD read = 0;
    bool pe32 = ReadFile(file, &dos, sizeof(dos), &read, NULL) && read == sizeof(dos) &&
                SetFilePointer(file, dos.e_lfanew, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                ReadFile(file, &nt, sizeof(nt), &read, NULL) && read == sizeof(nt) &&
                nt.Signature == IMAGE_NT_SIGNATURE && nt.FileHeader.Machine == IMAGE_FILE_MACHINE_I386 &&
                nt.OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    CloseHandle(file);
    return pe32;
}

std::wstring FieldText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

// The dialog's fields 1000 to 999 + count once every one shows something.
std::vector<std::wstring> FilledFields(HWND dialog, int count)
{
    std::vector<std::wstring> fields;
    DWORD start = GetTickCount();
    do {
        fields.clear();
        for (int id = 1000; id < 1000 + count; ++id)
            fields.push_back(FieldText(dialog, id));
        if (std::find(fields.begin(), fields.end(), L"") == fields.end())
            break;
        Sleep(500);
    } while (GetTickCount() - start < LONG_WAIT_MS);
    return fields;
}

bool ClosedWithin(HWND dialog, DWORD ms)
{
    DWORD start = GetTickCount();
    while (IsWindow(dialog) && GetTickCount() - start < ms)
        Sleep(100);
    return !IsWindow(dialog);
}

class X86EndToEnd : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

TEST_F(X86EndToEnd, ListsTheEndpointsReloadsOpensEveryDialogAndExits)
{
    ASSERT_TRUE(IsPe32(VANTREL_X86_EXE)) << VANTREL_X86_EXE << " is not a 32-bit x86 program";
    Endpoints endpoints;
    ASSERT_TRUE(endpoints.Ready());
    Vantrel program(VANTREL_X86_EXE, LONG_WAIT_MS);
    ASSERT_TRUE(program.Running()) << "no main window with its list";

    Rows rows = program.WaitForRows(endpoints.Expected(), LONG_WAIT_MS);
    EXPECT_EQ(Sorted(endpoints.Expected()), Sorted(rows));
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(GroupRank(rows[i - 1][5]), GroupRank(rows[i][5])) << "row " << i;

    // Reload follows a change of the endpoints.
    endpoints.udp4.Close();
    endpoints.extraUdp4.Reset(driver::Bound(AF_INET, SOCK_DGRAM, false));
    ASSERT_NE(INVALID_SOCKET, endpoints.extraUdp4.get());
    program.Command(IDM_RELOAD);
    EXPECT_EQ(Sorted(endpoints.Expected()), Sorted(program.WaitForRows(endpoints.Expected(), LONG_WAIT_MS)));

    // Statistics: all 32 counters, each a number (the four ICMP output ones with a blank before it).
    program.Command(IDM_STATISTICS);
    HWND statistics = program.DialogWithin(L"Network Statistics", LONG_WAIT_MS);
    ASSERT_NE((HWND)NULL, statistics) << "Statistics did not open";
    std::vector<std::wstring> counters = FilledFields(statistics, 32);
    for (size_t i = 0; i < counters.size(); ++i) {
        std::wstring digits = counters[i].substr(counters[i].find_first_not_of(L' ') == 1 ? 1 : 0);
        EXPECT_FALSE(digits.empty()) << "field " << 1000 + i;
        EXPECT_EQ(std::wstring::npos, digits.find_first_not_of(L"0123456789")) << "field " << 1000 + i;
    }
    PostMessageW(statistics, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(ClosedWithin(statistics, LONG_WAIT_MS)) << "Statistics did not close";

    // Network Data: the host's name, as the system gives it.
    program.Command(IDM_NETWORKDATA);
    HWND networkData = program.DialogWithin(L"Network Data...", LONG_WAIT_MS);
    ASSERT_NE((HWND)NULL, networkData) << "Network Data did not open";
    wchar_t host[256] = {};
    DWORD size = 256;
    ASSERT_TRUE(GetComputerNameExW(ComputerNameDnsHostname, host, &size));
    EXPECT_EQ(host, FilledFields(networkData, 1)[0]);
    PostMessageW(networkData, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(ClosedWithin(networkData, LONG_WAIT_MS)) << "Network Data did not close";

    program.Command(IDM_ABOUT);
    HWND about = program.DialogWithin(L"About Vantrel", LONG_WAIT_MS);
    ASSERT_NE((HWND)NULL, about) << "About did not open";
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(ClosedWithin(about, LONG_WAIT_MS)) << "About did not close";

    program.Command(IDM_EXIT);
    EXPECT_EQ(0u, program.ExitCodeWithin(LONG_WAIT_MS));
}

} // namespace
