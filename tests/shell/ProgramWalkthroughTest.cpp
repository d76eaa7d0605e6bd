// A Vantrel.exe (PROGRAM_EXE) walked through by a user, in a network namespace of its own: the
// list with the namespace's endpoints, a Reload, each dialog, Exit. Every platform library the
// program loads late is used on the way. On a machine that cannot execute 32-bit code it runs
// under qemu-user, several times slower, so every wait is generous and nothing is timed. Two
// tests run it:
// - shell_wow64_end_to_end_tests (UNDER_WOW64=1): the program that ships, in a 64-bit prefix,
//   as a 32-bit program on 64-bit Windows;
// - shell_read_only_imports_tests (READ_ONLY_IMPORTS): the program with its import section
//   mapped read-only, as newer linkers lay it out, so its delay-loaded calls must not rely on
//   writing there.
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

const DWORD LONG_WAIT_MS = 120000;

// What the walk-through relies on in the program's image: its machine, and whether its import
// section is mapped writable.
struct ImageFacts {
    WORD machine = 0;
    bool importsWritable = false;
    bool hasImports = false;
};

ImageFacts ReadImage(const char *path)
{
    ImageFacts facts;
    std::vector<BYTE> image;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return facts;
    image.resize(GetFileSize(file, NULL));
    DWORD read = 0;
    if (!ReadFile(file, image.data(), (DWORD)image.size(), &read, NULL) || read != image.size())
        image.clear();
    CloseHandle(file);
    if (image.size() < sizeof(IMAGE_DOS_HEADER))
        return facts;
    LONG nt = ((const IMAGE_DOS_HEADER *)image.data())->e_lfanew;
    if (nt <= 0 || image.size() < nt + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER))
        return facts;
    const IMAGE_FILE_HEADER *header = (const IMAGE_FILE_HEADER *)(image.data() + nt + sizeof(DWORD));
    size_t sections = nt + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER) + header->SizeOfOptionalHeader;
    if (image.size() < sections + header->NumberOfSections * sizeof(IMAGE_SECTION_HEADER))
        return facts;
    facts.machine = header->Machine;
    for (WORD i = 0; i < header->NumberOfSections; ++i) {
        const IMAGE_SECTION_HEADER *section = (const IMAGE_SECTION_HEADER *)(image.data() + sections) + i;
        if (memcmp(section->Name, ".idata\0", 7) == 0) {
            facts.hasImports = true;
            facts.importsWritable = (section->Characteristics & IMAGE_SCN_MEM_WRITE) != 0;
        }
    }
    return facts;
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

class Walkthrough : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

TEST_F(Walkthrough, ListsTheEndpointsReloadsOpensEveryDialogAndExits)
{
    ImageFacts image = ReadImage(PROGRAM_EXE);
    ASSERT_EQ(IMAGE_FILE_MACHINE_I386, image.machine) << PROGRAM_EXE << " is not a 32-bit x86 program";
    // The prefix is what the test is about: a 32-bit program on 64-bit Windows, or on 32-bit.
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    ASSERT_EQ(UNDER_WOW64, wow64) << "the prefix is not of the kind this test runs in";
#ifdef READ_ONLY_IMPORTS
    ASSERT_TRUE(image.hasImports && !image.importsWritable) << PROGRAM_EXE << ": its import section is writable";
#endif
    Endpoints endpoints;
    ASSERT_TRUE(endpoints.Ready());
    Vantrel program(PROGRAM_EXE, LONG_WAIT_MS);
    ASSERT_TRUE(program.Running()) << "no main window with its list";
    ASSERT_TRUE(IsWow64Process(program.Process(), &wow64));
    EXPECT_EQ(UNDER_WOW64, wow64) << "the program does not run as the test does";

    Rows rows = program.WaitForRows(endpoints.Expected(), LONG_WAIT_MS);
    EXPECT_EQ(Sorted(endpoints.Expected()), Sorted(rows));
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(GroupRank(rows[i - 1][5]), GroupRank(rows[i][5])) << "row " << i;

    // Reload follows a new endpoint.
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
