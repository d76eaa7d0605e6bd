// The shell's own platform calls made to fail in turn: Windows Sockets start-up, the refresh
// worker's thread (at the first paint and on Reload), the list view's creation and a column
// insertion. The endpoint tables, heap and name service are the shared fakes, so the
// rows are known and every heap block can be accounted for.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include "res/resource.h"
#include "shell/ConnectionList.h"
#include "shell/MainWindow.h"
#include "tests/shell/MainWindowFixture.h"
#include "tests/snapshot/ListView.h"

#include <string>
#include <vector>
#include "testsupport/ImportSlot.h"

namespace {

int StartupResult; // what WSAStartup answers
int StartupCalls;
bool FailThreads;
int ThreadRequests;
std::vector<HANDLE> Threads; // every worker started, to wait for it
bool FailListCreation;
int FailColumn = -1; // the LVM_INSERTCOLUMNW of this column answers -1
int ColumnInsertions;
WNDPROC ListProcedure;

typedef HWND(WINAPI *CreateWindowExWFunction)(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU,
                                              HINSTANCE, LPVOID);
typedef HANDLE(WINAPI *CreateThreadFunction)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                                             LPDWORD);

void *Real(const wchar_t *module, const char *name)
{
    return (void *)GetProcAddress(GetModuleHandleW(module), name);
}

int WSAAPI FakeWSAStartup(WORD, LPWSADATA data)
{
    ++StartupCalls;
    data->wVersion = MAKEWORD(2, 2);
    return StartupResult;
}

HANDLE WINAPI FakeCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                               LPVOID parameter, DWORD flags, LPDWORD id)
{
    static CreateThreadFunction real = (CreateThreadFunction)Real(L"kernel32.dll", "CreateThread");
    if (start != RefreshWorker) // the test framework's own threads
        return real(security, stack, start, parameter, flags, id);
    ++ThreadRequests;
    if (FailThreads) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    HANDLE thread = real(security, stack, start, parameter, flags, id);
    HANDLE own = NULL;
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0);
    Threads.push_back(own);
    return thread;
}

LRESULT CALLBACK ColumnFailingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LVM_INSERTCOLUMNW) {
        ++ColumnInsertions;
        if ((int)wParam == FailColumn)
            return -1;
    }
    return CallWindowProcW(ListProcedure, window, message, wParam, lParam);
}

HWND WINAPI FakeCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                                int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter)
{
    static CreateWindowExWFunction real = (CreateWindowExWFunction)Real(L"user32.dll", "CreateWindowExW");
    bool listView = !IS_INTRESOURCE(className) && lstrcmpiW(className, WC_LISTVIEWW) == 0;
    if (listView && FailListCreation) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    HWND window = real(exStyle, className, title, style, x, y, width, height, parent, menu, instance, parameter);
    if (listView && window)
        ListProcedure = (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)ColumnFailingProc);
    return window;
}

} // namespace

// The shell calls these through their import slots.
extern "C" {
int(WSAAPI *FakeImpWSAStartup)(WORD, LPWSADATA) __asm__(IMPORT_SLOT(WSAStartup, 8)) = FakeWSAStartup;
CreateThreadFunction FakeImpCreateThread __asm__(IMPORT_SLOT(CreateThread, 24)) = FakeCreateThread;
CreateWindowExWFunction FakeImpCreateWindowExW __asm__(IMPORT_SLOT(CreateWindowExW, 48)) = FakeCreateWindowExW;
}

namespace {

typedef std::vector<std::wstring> Lines;

const MIB_TCPROW_OWNER_MODULE Established = Tcp4Row("127.0.0.1", 5000, "127.0.0.1", 6000, MIB_TCP_STATE_ESTAB, 8);
const MIB_UDPROW_OWNER_MODULE Udp = Udp4Row("0.0.0.0", 53, 3);
const Lines Filled = {L"mod3.exe|0.0.0.0:53|*.*|||UDPv4",
                      L"mod8.exe|127.0.0.1:5000|127.0.0.1:6000|host-127.0.0.1|Establish|TCPv4"};

class ShellFault : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        fake::Table(true, 2).block = TableOf(std::vector<MIB_TCPROW_OWNER_MODULE>{Established});
        fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp});
        StartupResult = 0;
        StartupCalls = 0;
        FailThreads = false;
        ThreadRequests = 0;
        FailListCreation = false;
        FailColumn = -1;
        ColumnInsertions = 0;
    }
    void TearDown() override
    {
        EXPECT_TRUE(WorkersEnded());
        MainWindowFixture::TearDown();
    }

    void FirstPaint()
    {
        ShowWindow(main, SW_SHOW);
        UpdateWindow(main);
    }
    void Repaint()
    {
        InvalidateRect(main, NULL, TRUE);
        UpdateWindow(main);
    }
    void Reload() { SendMessageW(main, WM_COMMAND, IDM_RELOAD, 0); }

    // Dispatches the workers' list messages until every worker started so far has ended.
    static bool WorkersEnded() { return MainWindowFixture::WorkersEnded(Threads); }

    static int ColumnCount(HWND list)
    {
        return (int)SendMessageW((HWND)SendMessageW(list, LVM_GETHEADER, 0, 0), HDM_GETITEMCOUNT, 0, 0);
    }
};

TEST_F(ShellFault, WinsockThatCannotStartIsReportedAndTheListStillFills)
{
    StartupResult = WSASYSNOTREADY;
    std::string out = Stdout([&] {
        FirstPaint();
        EXPECT_TRUE(WorkersEnded());
    });
    EXPECT_EQ("WSAStartup failed: 10091\n", out);
    ASSERT_NE(nullptr, ConnectionList);
    EXPECT_TRUE(IsWindowVisible(ConnectionList));
    EXPECT_EQ(6, ColumnCount(ConnectionList));
    EXPECT_EQ(Filled, RowLines(ConnectionList));
    EXPECT_EQ(1, StartupCalls);
}

TEST_F(ShellFault, AFirstWorkerThatCannotStartLeavesTheListEmptyUntilReload)
{
    FailThreads = true;
    EXPECT_EQ("", Stdout([&] { FirstPaint(); }));
    ASSERT_NE(nullptr, ConnectionList);
    EXPECT_TRUE(IsWindowVisible(ConnectionList));
    EXPECT_EQ(6, ColumnCount(ConnectionList));
    EXPECT_EQ(1, ThreadRequests);
    EXPECT_EQ(nullptr, RefreshWorkerHandle);
    EXPECT_TRUE(RowLines(ConnectionList).empty());

    FailThreads = false;
    Reload();
    EXPECT_NE(nullptr, RefreshWorkerHandle);
    EXPECT_TRUE(WorkersEnded());
    EXPECT_EQ(Filled, RowLines(ConnectionList));
}

TEST_F(ShellFault, AReloadWhoseWorkerCannotStartKeepsTheOldRows)
{
    FirstPaint();
    EXPECT_TRUE(WorkersEnded());
    ASSERT_EQ(Filled, RowLines(ConnectionList));

    fake::Table(false, 23).block = TableOf(std::vector<MIB_UDP6ROW_OWNER_MODULE>{Udp6Row("::1", 5353, 5)});
    FailThreads = true;
    EXPECT_EQ(0, StartRefresh());
    EXPECT_EQ(nullptr, RefreshWorkerHandle);
    Reload();
    EXPECT_EQ(nullptr, RefreshWorkerHandle);
    EXPECT_EQ(3, ThreadRequests);
    EXPECT_EQ(Filled, RowLines(ConnectionList));

    FailThreads = false;
    Reload();
    EXPECT_TRUE(WorkersEnded());
    Lines refilled = Filled;
    refilled.insert(refilled.begin(), L"mod5.exe|::1[0]:5353|*.*|||UDPv6");
    EXPECT_EQ(refilled, RowLines(ConnectionList));
}

TEST_F(ShellFault, AListThatCannotBeCreatedIsTriedAgainOnTheNextPaint)
{
    FailListCreation = true;
    EXPECT_EQ("", Stdout([&] { FirstPaint(); }));
    EXPECT_EQ(nullptr, ConnectionList);
    EXPECT_EQ(nullptr, GetWindow(main, GW_CHILD));
    // Nothing of the creation sequence after the list: no start-up, no columns, no worker.
    EXPECT_EQ(0, StartupCalls);
    EXPECT_EQ(0, ColumnInsertions);
    EXPECT_EQ(0, ThreadRequests);

    FailListCreation = false;
    Repaint();
    ASSERT_NE(nullptr, ConnectionList);
    EXPECT_EQ(ConnectionList, GetWindow(main, GW_CHILD));
    EXPECT_EQ(1, StartupCalls);
    EXPECT_EQ(6, ColumnCount(ConnectionList));
    EXPECT_TRUE(WorkersEnded());
    EXPECT_EQ(Filled, RowLines(ConnectionList));
    Repaint(); // the list exists: nothing is created again
    EXPECT_EQ(1, ThreadRequests);
}

TEST_F(ShellFault, AReloadWithoutAListStillLooksUpAndLogs)
{
    FailListCreation = true;
    FirstPaint();
    ASSERT_EQ(nullptr, ConnectionList);
    fake::Names["127.0.0.1"].error = WSAHOST_NOT_FOUND;
    fake::Modules[3].result = ERROR_NOT_FOUND;
    std::string out = Stdout([&] {
        Reload();
        EXPECT_TRUE(WorkersEnded());
    });
    EXPECT_EQ(1, ThreadRequests);
    EXPECT_EQ("WSAHOST_NOT_FOUND,A service name was requested, but no port number was found in the structure "
              "pointed to by the sa parameter or no service name matching the port number was found.NI_NAMEREQD "
              "is set and the host name cannot be located, or both the host and serv parameters were NULL."
              "A element was no found.This value is returned if the dwOwningPid member of the "
              "MIB_TCPROW_OWNER_MODULE structure pointed to by the pTcpEntry parameter was zero or could not be "
              "found.",
              out);
    EXPECT_EQ(2u, EventsStartingWith("GetOwnerModule").size());
    EXPECT_EQ(nullptr, GetWindow(main, GW_CHILD));
}

const wchar_t *const Titles[] = {L"Module Name", L"Source Address", L"Remote Address",
                                 L"Remote Name", L"Status",         L"Protocol"};

TEST_F(ShellFault, AColumnThatCannotBeInsertedEndsTheColumnsThere)
{
    for (int column = 0; column < 6; ++column) {
        FailColumn = column;
        ColumnInsertions = 0;
        ConnectionList = CreateConnectionList(main);
        ASSERT_NE(nullptr, ConnectionList);
        EXPECT_EQ(0, InsertConnectionColumns()) << column;
        EXPECT_EQ(column + 1, ColumnInsertions) << column;
        ASSERT_EQ(column, ColumnCount(ConnectionList)) << column;
        for (int shown = 0; shown < column; ++shown) {
            wchar_t title[100] = L"";
            LVCOLUMNW record = {};
            record.mask = LVCF_TEXT;
            record.pszText = title;
            record.cchTextMax = 100;
            SendMessageW(ConnectionList, LVM_GETCOLUMNW, shown, (LPARAM)&record);
            EXPECT_STREQ(Titles[shown], title) << column;
        }
        DestroyWindow(ConnectionList);
    }
}

TEST_F(ShellFault, RowsAreFilledAllTheSameWhenAColumnIsMissing)
{
    FailColumn = 2;
    EXPECT_EQ("", Stdout([&] {
                  FirstPaint();
                  EXPECT_TRUE(WorkersEnded());
              }));
    ASSERT_NE(nullptr, ConnectionList);
    EXPECT_EQ(2, ColumnCount(ConnectionList));
    EXPECT_EQ(1, ThreadRequests);
    std::vector<ListRow> rows = ReadRows(ConnectionList);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(L"mod3.exe", rows[0].texts[0]);
    EXPECT_EQ(L"0.0.0.0:53", rows[0].texts[1]);
    EXPECT_EQ(L"mod8.exe", rows[1].texts[0]);
    EXPECT_EQ(L"127.0.0.1:5000", rows[1].texts[1]);
}

} // namespace
