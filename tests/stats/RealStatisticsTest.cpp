// The dialog with the system's own statistics queries and field writes: opened directly, and
// from the menu of the real program.
#include "DialogHarness.h"
#include "res/resource.h"
#include "stats/StatisticsDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::wstring Shown[32];

void ReadFields(HWND dialog)
{
    for (int i = 0; i < 32; i++) {
        wchar_t text[64] = L"";
        SendMessageTimeoutW(GetDlgItem(dialog, 1000 + i), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 5000, NULL);
        Shown[i] = text;
    }
}

// Each field holds a decimal number; the outgoing ICMP ones after one blank.
void ExpectNumbersInEveryField()
{
    for (int i = 0; i < 32; i++) {
        int identifier = 1000 + i;
        bool blank = identifier == 1026 || identifier == 1027 || identifier == 1030 || identifier == 1031;
        std::wstring digits = blank && !Shown[i].empty() && Shown[i][0] == L' ' ? Shown[i].substr(1) : Shown[i];
        EXPECT_EQ(blank, digits.size() != Shown[i].size()) << "field " << identifier;
        EXPECT_FALSE(digits.empty()) << "field " << identifier;
        EXPECT_EQ(std::wstring::npos, digits.find_first_not_of(L"0123456789")) << "field " << identifier;
    }
}

TEST(RealStatistics, EveryFieldHoldsANumber)
{
    DialogRun run = RunStatisticsDialog(StatisticsDlgProc, 800, CLOSE_BY_EXIT, ReadFields);
    EXPECT_EQ(IDOK, run.result);
    ExpectNumbersInEveryField();
}

template <typename Found> Found Within(DWORD ms, Found (*find)(DWORD process), DWORD process)
{
    DWORD start = GetTickCount();
    Found found = find(process);
    while (!found && GetTickCount() - start < ms) {
        Sleep(50);
        found = find(process);
    }
    return found;
}

HWND MainWindowOf(DWORD process)
{
    for (HWND window = FindWindowW(L"VANTREL", NULL); window; window = FindWindowExW(NULL, window, L"VANTREL", NULL)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process)
            return window;
    }
    return NULL;
}

HWND StatisticsDialogOf(DWORD process)
{
    HWND dialog = FindWindowW(L"#32770", L"Network Statistics");
    return dialog && GetWindow(dialog, GW_OWNER) == MainWindowOf(process) ? dialog : NULL;
}

bool Gone(DWORD process)
{
    return StatisticsDialogOf(process) == NULL;
}

TEST(RealStatistics, OpensFromTheProgramsMenuWithANumberInEveryField)
{
    std::wstring path = L"Z:" VANTREL_EXE;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION program = {};
    ASSERT_TRUE(CreateProcessW(path.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &program));

    HWND main = Within(10000, MainWindowOf, program.dwProcessId);
    ASSERT_NE(nullptr, main);
    PostMessageW(main, WM_COMMAND, IDM_STATISTICS, 0);
    HWND dialog = Within(5000, StatisticsDialogOf, program.dwProcessId);
    ASSERT_NE(nullptr, dialog);
    Sleep(800);
    ReadFields(dialog);
    ExpectNumbersInEveryField();

    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(Within(3000, Gone, program.dwProcessId));
    PostMessageW(main, WM_COMMAND, IDM_EXIT, 0);
    if (WaitForSingleObject(program.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(program.hProcess, 99);
    CloseHandle(program.hThread);
    CloseHandle(program.hProcess);
}

} // namespace
