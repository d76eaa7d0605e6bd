// Runs the real Vantrel.exe in this test's own network namespace, next to sockets the test
// opens, and reads its window from outside the way a user would see it.
#include "tests/shell/ProgramDriver.h"

#include <gtest/gtest.h>

#include "res/resource.h"

namespace {

using driver::Bound;
using driver::Endpoints;
using driver::GroupRank;
using driver::Rows;
using driver::Sorted;
using driver::Vantrel;

// ---- real input -------------------------------------------------------------------------

void Key(WORD key, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = (WORD)MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
    Sleep(30);
}

// Alt with the "/" key, or with Shift+"/" for "?", as a user types them on a U.S. layout.
void TypeAltSlash(bool question)
{
    Key(VK_MENU, false);
    if (question)
        Key(VK_SHIFT, false);
    Key(VK_OEM_2, false);
    Key(VK_OEM_2, true);
    if (question)
        Key(VK_SHIFT, true);
    Key(VK_MENU, true);
}

void Click(POINT at)
{
    INPUT input[3] = {};
    for (INPUT &i : input) {
        i.type = INPUT_MOUSE;
        i.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        i.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    for (INPUT &i : input) {
        SendInput(1, &i, sizeof(i));
        Sleep(50);
    }
}

HWND FocusOf(const Vantrel &program)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(program.ThreadId(), &info);
    return info.hwndFocus;
}

bool BringToFront(const Vantrel &program)
{
    for (int i = 0; i < 50; ++i) {
        SetForegroundWindow(program.main);
        if (GetForegroundWindow() == program.main)
            return true;
        Sleep(100);
    }
    return false;
}

// The About box owned by the main window, if it opens within `ms`.
HWND AboutBoxWithin(const Vantrel &program, DWORD ms)
{
    return program.DialogWithin(L"About Vantrel", ms);
}

class EndToEnd : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

// ---- the tests ----------------------------------------------------------------------------

TEST_F(EndToEnd, ShowsTitledWindowColumnsAndOneRowPerEndpointInGroupOrder)
{
    Endpoints endpoints;
    ASSERT_TRUE(endpoints.Ready());
    Vantrel program(VANTREL_EXE);
    ASSERT_TRUE(program.Running());

    wchar_t text[100] = {};
    GetWindowTextW(program.main, text, 100);
    EXPECT_STREQ(L"Vantrel", text);
    EXPECT_EQ(0x40000201, GetWindowLongW(program.list, GWL_STYLE) & ~WS_VISIBLE);
    EXPECT_TRUE(IsWindowVisible(program.list));
    RECT client, listRect;
    GetClientRect(program.main, &client);
    GetWindowRect(program.list, &listRect);
    EXPECT_EQ(client.right, listRect.right - listRect.left);
    EXPECT_EQ(client.bottom, listRect.bottom - listRect.top);

    const wchar_t *titles[] = {L"Module Name", L"Source Address", L"Remote Address",
                               L"Remote Name", L"Status",         L"Protocol"};
    for (int column = 0; column < 6; ++column) {
        int format = 0, width = 0;
        std::wstring title;
        ASSERT_TRUE(program.ReadColumn(column, format, width, title)) << column;
        EXPECT_EQ(titles[column], title);
        EXPECT_EQ(100, width) << column;
        EXPECT_EQ(column < 2 ? LVCFMT_LEFT : LVCFMT_RIGHT, format & LVCFMT_JUSTIFYMASK) << column;
    }
    int format = 0, width = 0;
    std::wstring title;
    EXPECT_FALSE(program.ReadColumn(6, format, width, title));

    Rows rows = program.WaitForRows(endpoints.Expected());
    EXPECT_EQ(Sorted(endpoints.Expected()), Sorted(rows));
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(GroupRank(rows[i - 1][5]), GroupRank(rows[i][5])) << "row " << i;

    // File, Exit through the menu with the keyboard, as a user would.
    ASSERT_TRUE(BringToFront(program));
    Key(VK_MENU, false);
    Key('F', false);
    Key('F', true);
    Key(VK_MENU, true);
    Key('X', false);
    Key('X', true);
    EXPECT_EQ(0u, program.ExitCodeWithin(10000));
}

TEST_F(EndToEnd, ReloadFollowsTheEndpointsAndManyReloadsNeverMixRows)
{
    Endpoints endpoints;
    ASSERT_TRUE(endpoints.Ready());
    Vantrel program(VANTREL_EXE);
    ASSERT_TRUE(program.Running());
    program.WaitForRows(endpoints.Expected());

    endpoints.udp4.Close();
    endpoints.extraUdp4.Reset(Bound(AF_INET, SOCK_DGRAM, false));
    ASSERT_NE(INVALID_SOCKET, endpoints.extraUdp4.get());
    program.Command(IDM_RELOAD);
    EXPECT_EQ(Sorted(endpoints.Expected()), Sorted(program.WaitForRows(endpoints.Expected())));

    // Twenty Reloads within a second: their workers overlap, yet each row must be one
    // endpoint's and each endpoint must be listed once.
    for (int i = 0; i < 20; ++i) {
        program.Command(IDM_RELOAD);
        Sleep(i % 2 ? 0 : 80);
    }
    Sleep(2500);
    Rows rows = program.WaitForRows(endpoints.Expected());
    EXPECT_EQ(Sorted(endpoints.Expected()), Sorted(rows));

    // The close box ends the program like Exit.
    ASSERT_TRUE(BringToFront(program));
    RECT frame;
    GetWindowRect(program.main, &frame);
    int captionY = frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    POINT closeBox = {-1, captionY};
    for (int x = frame.right - 1; x > frame.right - 80 && closeBox.x < 0; --x)
        if (SendMessageW(program.main, WM_NCHITTEST, 0, MAKELPARAM(x, captionY)) == HTCLOSE)
            closeBox.x = x - 4;
    ASSERT_GE(closeBox.x, 0) << "no close box on the caption";
    Click(closeBox);
    EXPECT_EQ(0u, program.ExitCodeWithin(10000));
}

TEST_F(EndToEnd, AltQuestionMarkAndAltSlashSendTheAboutCommandToTheFocusedWindow)
{
    Vantrel program(VANTREL_EXE);
    ASSERT_TRUE(program.Running());
    ASSERT_TRUE(BringToFront(program));
    ASSERT_EQ(program.main, FocusOf(program));

    for (bool question : {true, false}) {
        TypeAltSlash(question);
        HWND about = AboutBoxWithin(program, 5000);
        ASSERT_NE((HWND)NULL, about) << (question ? "Alt+?" : "Alt+/");
        PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
        for (int i = 0; i < 100 && IsWindow(about); ++i)
            Sleep(50);
        ASSERT_FALSE(IsWindow(about));
        ASSERT_TRUE(BringToFront(program));
    }

    // With the list focused the command goes to the list, which has no use for it.
    RECT listRect;
    GetWindowRect(program.list, &listRect);
    Click({(listRect.left + listRect.right) / 2, listRect.bottom - 20});
    for (int i = 0; i < 40 && FocusOf(program) != program.list; ++i)
        Sleep(50);
    ASSERT_EQ(program.list, FocusOf(program));
    TypeAltSlash(true);
    TypeAltSlash(false);
    EXPECT_EQ((HWND)NULL, AboutBoxWithin(program, 1500));

    program.Command(IDM_EXIT);
    EXPECT_EQ(0u, program.ExitCodeWithin(10000));
}

} // namespace
