// Runs the real Vantrel.exe in this test's own network namespace, next to sockets the test
// opens, and reads its window from outside the way a user would see it.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

typedef std::array<std::wstring, 6> Row;
typedef std::vector<Row> Rows;

const DWORD FILL_TIMEOUT_MS = 20000;

std::wstring Wide(const std::string &text)
{
    return std::wstring(text.begin(), text.end());
}

std::wstring Port(unsigned port)
{
    return std::to_wstring(port);
}

// ---- sockets of our own --------------------------------------------------------------

class Socket {
public:
    explicit Socket(SOCKET handle = INVALID_SOCKET) : handle_(handle) {}
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    ~Socket() { Close(); }
    void Reset(SOCKET handle)
    {
        Close();
        handle_ = handle;
    }
    void Close()
    {
        if (handle_ != INVALID_SOCKET)
            closesocket(handle_);
        handle_ = INVALID_SOCKET;
    }
    SOCKET get() const { return handle_; }
    unsigned LocalPort() const
    {
        sockaddr_storage address = {};
        int length = sizeof(address);
        getsockname(handle_, (sockaddr *)&address, &length);
        return ntohs(address.ss_family == AF_INET6 ? ((sockaddr_in6 &)address).sin6_port
                                                   : ((sockaddr_in &)address).sin_port);
    }

private:
    SOCKET handle_;
};

SOCKET Bound(int family, int type, bool listening)
{
    SOCKET s = socket(family, type, 0);
    if (s == INVALID_SOCKET)
        return s;
    int result;
    if (family == AF_INET) {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        result = bind(s, (sockaddr *)&address, sizeof(address));
    } else {
        sockaddr_in6 address = {};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        result = bind(s, (sockaddr *)&address, sizeof(address));
    }
    if (result != 0 || (listening && listen(s, 4) != 0)) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// A TCPv4 listener with one accepted loopback connection, a UDPv4 socket, a TCPv6 listener
// and a UDPv6 socket; the loopback ones are the only endpoints of the namespace.
class Endpoints {
public:
    Endpoints()
        : listener4(Bound(AF_INET, SOCK_STREAM, true)), udp4(Bound(AF_INET, SOCK_DGRAM, false)),
          listener6(Bound(AF_INET6, SOCK_STREAM, true)), udp6(Bound(AF_INET6, SOCK_DGRAM, false))
    {
        client.Reset(socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons((u_short)listener4.LocalPort());
        connected = connect(client.get(), (sockaddr *)&address, sizeof(address)) == 0;
        accepted.Reset(accept(listener4.get(), NULL, NULL));
    }

    // An abortive close leaves no TIME_WAIT endpoint behind for the next test's list.
    ~Endpoints()
    {
        linger abort = {1, 0};
        setsockopt(client.get(), SOL_SOCKET, SO_LINGER, (const char *)&abort, sizeof(abort));
        setsockopt(accepted.get(), SOL_SOCKET, SO_LINGER, (const char *)&abort, sizeof(abort));
    }

    bool Ready() const
    {
        return connected && listener4.get() != INVALID_SOCKET && udp4.get() != INVALID_SOCKET &&
               listener6.get() != INVALID_SOCKET && udp6.get() != INVALID_SOCKET && accepted.get() != INVALID_SOCKET;
    }

    // The rows Vantrel shows for these endpoints, in its group order (UDPv6, UDPv4, TCPv6,
    // TCPv4). Wine gives no module names, and reports ::1 with scope 4096, which the row
    // shows in network order as 1048576.
    Rows Expected() const
    {
        const std::wstring loopback4 = L"127.0.0.1:";
        const std::wstring loopback6 = L"::1[1048576]:";
        Rows rows;
        rows.push_back({L"", loopback6 + Port(udp6.LocalPort()), L"*.*", L"", L"", L"UDPv6"});
        if (udp4.get() != INVALID_SOCKET)
            rows.push_back({L"", loopback4 + Port(udp4.LocalPort()), L"*.*", L"", L"", L"UDPv4"});
        if (extraUdp4.get() != INVALID_SOCKET)
            rows.push_back({L"", loopback4 + Port(extraUdp4.LocalPort()), L"*.*", L"", L"", L"UDPv4"});
        rows.push_back({L"", loopback6 + Port(listener6.LocalPort()), L"::[0]:0", L"", L"Listen", L"TCPv6"});
        const std::wstring server = loopback4 + Port(listener4.LocalPort());
        const std::wstring peer = loopback4 + Port(client.LocalPort());
        rows.push_back({L"", server, L"0.0.0.0:0", L"", L"Listen", L"TCPv4"});
        rows.push_back({L"", server, peer, L"localhost", L"Establish", L"TCPv4"});
        rows.push_back({L"", peer, server, L"localhost", L"Establish", L"TCPv4"});
        return rows;
    }

    Socket listener4, udp4, listener6, udp6, client, accepted, extraUdp4;
    bool connected = false;
};

// Rows compared as a set within each group: the order inside a group is the system's.
Rows Sorted(Rows rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

int GroupRank(const std::wstring &protocol)
{
    const wchar_t *order[] = {L"UDPv6", L"UDPv4", L"TCPv6", L"TCPv4"};
    for (int i = 0; i < 4; ++i)
        if (protocol == order[i])
            return i;
    return -1;
}

// ---- the program, seen from outside -------------------------------------------------

std::wstring ProgramPath()
{
    // Wine hands us a Unix path; CreateProcess wants the drive form.
    std::wstring path = Wide(VANTREL_EXE);
    if (!path.empty() && path[0] == L'/') {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        path = L"Z:" + path;
    }
    return path;
}

class Vantrel {
public:
    Vantrel()
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        std::wstring path = ProgramPath();
        if (!CreateProcessW(path.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process_))
            return;
        WaitForInputIdle(process_.hProcess, 10000);
        for (int i = 0; i < 200 && main == NULL; ++i) {
            EnumWindows(FindMain, (LPARAM)this);
            if (main == NULL)
                Sleep(50);
        }
        if (main != NULL)
            list = FindWindowExW(main, NULL, WC_LISTVIEWW, NULL);
        remote_ = (BYTE *)VirtualAllocEx(process_.hProcess, NULL, 0x10000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    Vantrel(const Vantrel &) = delete;
    Vantrel &operator=(const Vantrel &) = delete;

    ~Vantrel()
    {
        if (process_.hProcess == NULL)
            return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    bool Running() const { return main != NULL && list != NULL && remote_ != NULL; }
    DWORD ThreadId() const { return process_.dwThreadId; }

    // The exit code, or STILL_ACTIVE when the process has not ended within `ms`.
    DWORD ExitCodeWithin(DWORD ms) const
    {
        WaitForSingleObject(process_.hProcess, ms);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

    LRESULT Send(UINT message, WPARAM wParam, const void *record, size_t size) const
    {
        WriteProcessMemory(process_.hProcess, remote_, record, size, NULL);
        DWORD_PTR result = (DWORD_PTR)-1;
        if (!SendMessageTimeoutW(list, message, wParam, (LPARAM)remote_, SMTO_NORMAL, 5000, &result))
            return -1;
        return (LRESULT)result;
    }

    std::wstring RemoteText() const
    {
        wchar_t text[512] = {};
        ReadProcessMemory(process_.hProcess, remote_ + TEXT_OFFSET, text, sizeof(text) - sizeof(wchar_t), NULL);
        return text;
    }

    Rows ReadRows() const
    {
        Rows rows;
        DWORD_PTR count = 0;
        SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &count);
        for (int item = 0; item < (int)count; ++item) {
            Row row;
            for (int column = 0; column < 6; ++column) {
                LVITEMW record = {};
                record.mask = LVIF_TEXT;
                record.iItem = item;
                record.iSubItem = column;
                record.pszText = (LPWSTR)(remote_ + TEXT_OFFSET);
                record.cchTextMax = 512;
                ClearRemoteText();
                Send(LVM_GETITEMTEXTW, item, &record, sizeof(record));
                row[column] = RemoteText();
            }
            rows.push_back(row);
        }
        return rows;
    }

    bool ReadColumn(int column, LVCOLUMNW &record, std::wstring &title) const
    {
        record = {};
        record.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        record.pszText = (LPWSTR)(remote_ + TEXT_OFFSET);
        record.cchTextMax = 512;
        ClearRemoteText();
        if (!Send(LVM_GETCOLUMNW, column, &record, sizeof(record)))
            return false;
        ReadProcessMemory(process_.hProcess, remote_, &record, sizeof(record), NULL);
        title = RemoteText();
        return true;
    }

    // Waits until the list holds `expected` (as a set) and reads the same twice in a row.
    Rows WaitForRows(const Rows &expected) const
    {
        Rows previous, rows;
        DWORD start = GetTickCount();
        while (GetTickCount() - start < FILL_TIMEOUT_MS) {
            rows = ReadRows();
            if (Sorted(rows) == Sorted(expected) && rows == previous)
                break;
            previous = rows;
            Sleep(300);
        }
        return rows;
    }

    void Command(WORD id) const { PostMessageW(main, WM_COMMAND, id, 0); }

    HWND main = NULL;
    HWND list = NULL;

private:
    static const size_t TEXT_OFFSET = 0x1000;

    void ClearRemoteText() const
    {
        static const wchar_t zeros[512] = {};
        WriteProcessMemory(process_.hProcess, remote_ + TEXT_OFFSET, zeros, sizeof(zeros), NULL);
    }

    static BOOL CALLBACK FindMain(HWND window, LPARAM parameter)
    {
        Vantrel *self = (Vantrel *)parameter;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        wchar_t className[64] = {};
        GetClassNameW(window, className, 64);
        if (pid == self->process_.dwProcessId && wcscmp(className, L"VANTREL") == 0) {
            self->main = window;
            return FALSE;
        }
        return TRUE;
    }

    PROCESS_INFORMATION process_ = {};
    BYTE *remote_ = NULL;
};

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
    DWORD start = GetTickCount();
    do {
        HWND dialog = FindWindowW(L"#32770", L"About Vantrel");
        if (dialog != NULL && GetWindow(dialog, GW_OWNER) == program.main)
            return dialog;
        Sleep(50);
    } while (GetTickCount() - start < ms);
    return NULL;
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
    Vantrel program;
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
        LVCOLUMNW record;
        std::wstring title;
        ASSERT_TRUE(program.ReadColumn(column, record, title)) << column;
        EXPECT_EQ(titles[column], title);
        EXPECT_EQ(100, record.cx) << column;
        EXPECT_EQ(column < 2 ? LVCFMT_LEFT : LVCFMT_RIGHT, record.fmt & LVCFMT_JUSTIFYMASK) << column;
    }
    LVCOLUMNW record;
    std::wstring title;
    EXPECT_FALSE(program.ReadColumn(6, record, title));

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
    Vantrel program;
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
    Vantrel program;
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
