// The list's timing as a user meets it, with the real main window, list and refresh workers
// over the shared fakes: the first rows 1.5 s after the window appears, a Reload's clear 1.5 s
// after the command, and a Reload in the middle of a slow fill (every name lookup taking its
// time) that does not wait for that fill to end. Each list message is stamped when the window's
// thread handles it, which this thread does while it waits.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include "res/resource.h"
#include "tests/shell/MainWindowFixture.h"
#include "tests/snapshot/ListView.h"

#include <stdio.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<std::wstring> Lines;

LARGE_INTEGER CounterFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency;
}

double NowMs()
{
    static const LARGE_INTEGER frequency = CounterFrequency();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * (double)now.QuadPart / (double)frequency.QuadPart;
}

// When the list handled each clear and each row insertion, in order.
std::vector<double> Clears;
std::vector<double> Inserts;
WNDPROC ListProcedure;

LRESULT CALLBACK StampingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LVM_DELETEALLITEMS)
        Clears.push_back(NowMs());
    else if (message == LVM_INSERTITEMW)
        Inserts.push_back(NowMs());
    return CallWindowProcW(ListProcedure, window, message, wParam, lParam);
}

// Established connections to 10.0.0.1, 10.0.0.2 ..., owned by processes 100, 101 ..., each
// with a remote name to look up.
std::vector<MIB_TCPROW_OWNER_MODULE> Connections(int count)
{
    std::vector<MIB_TCPROW_OWNER_MODULE> rows;
    for (int i = 0; i < count; ++i) {
        std::string remote = "10.0.0." + std::to_string(i + 1);
        rows.push_back(Tcp4Row("127.0.0.1", 50000 + i, remote.c_str(), 443, MIB_TCP_STATE_ESTAB, 100 + i));
    }
    return rows;
}

// The list one whole fill of Connections(count) leaves, in list order.
Lines WholeFill(int count)
{
    Lines lines;
    for (int i = 0; i < count; ++i) {
        std::wstring remote = L"10.0.0." + std::to_wstring(i + 1);
        lines.push_back(L"mod" + std::to_wstring(100 + i) + L".exe|127.0.0.1:" + std::to_wstring(50000 + i) + L"|" +
                        remote + L":443|host-" + remote + L"|Establish|TCPv4");
    }
    return lines;
}

class RefreshWorkers : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        Clears.clear();
        Inserts.clear();
    }
    void TearDown() override
    {
        EXPECT_TRUE(WorkersEnded());
        MainWindowFixture::TearDown();
    }

    // Shows the window, whose first paint creates the list and starts the first worker;
    // returns when the window appeared.
    double ShowMainWindow()
    {
        double shown = NowMs();
        ShowWindow(main, SW_SHOW);
        UpdateWindow(main);
        if (ConnectionList != NULL)
            ListProcedure = (WNDPROC)SetWindowLongPtrW(ConnectionList, GWLP_WNDPROC, (LONG_PTR)StampingProc);
        KeepWorker();
        return shown;
    }
    // Chooses Reload; returns when.
    double Reload()
    {
        double chosen = NowMs();
        SendMessageW(main, WM_COMMAND, IDM_RELOAD, 0);
        KeepWorker();
        return chosen;
    }
    // A handle of the worker just started, which a later Reload closes, to wait for it.
    void KeepWorker()
    {
        HANDLE own = NULL;
        if (RefreshWorkerHandle != NULL &&
            DuplicateHandle(GetCurrentProcess(), RefreshWorkerHandle, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0))
            workers.push_back(own);
    }

    // Handles the workers' list messages for `ms`, or until `until` says so.
    template <class Condition> static bool PumpUntil(double ms, Condition until)
    {
        double end = NowMs() + ms;
        while (!until()) {
            double left = end - NowMs();
            if (left <= 0)
                return false;
            MsgWaitForMultipleObjects(0, NULL, FALSE, left < 10 ? (DWORD)left + 1 : 10, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
        return true;
    }
    static bool Never() { return false; }
    static void PumpFor(double ms) { PumpUntil(ms, Never); }

    // Handles the workers' list messages until every worker started so far has ended.
    bool WorkersEnded() { return MainWindowFixture::WorkersEnded(workers); }

    std::vector<HANDLE> workers;
};

// How late a message may be handled after the moment it is due: a thread's start and wake-up,
// and the round trip of a sent message, under Wine also where 32-bit code runs through qemu-user.
const double LATE_MS = 1000;
// Sleep never wakes a thread early; the window's thread may stamp a message a little before
// the moment measured from after the command returned.
const double EARLY_MS = 50;

TEST_F(RefreshWorkers, TheFirstRowsComeOneAndAHalfSecondsAfterTheWindowAppears)
{
    fake::Table(true, 2).block = TableOf(Connections(3));
    double shown = ShowMainWindow();
    ASSERT_NE(nullptr, ConnectionList);
    ASSERT_TRUE(WorkersEnded());
    ASSERT_EQ(WholeFill(3), RowLines(ConnectionList));
    ASSERT_EQ(3u, Inserts.size());
    printf("first row %.0f ms after the window appeared\n", Inserts[0] - shown);
    EXPECT_GE(Inserts[0] - shown, 1500 - EARLY_MS);
    EXPECT_LE(Inserts[0] - shown, 1500 + LATE_MS);
}

TEST_F(RefreshWorkers, AReloadClearsTheListOneAndAHalfSecondsAfterTheCommand)
{
    fake::Table(true, 2).block = TableOf(Connections(3));
    ShowMainWindow();
    ASSERT_TRUE(WorkersEnded());
    ASSERT_EQ(1u, Clears.size());

    fake::Table(true, 2).block = TableOf(Connections(2));
    double chosen = Reload();
    // Until then the list keeps the rows of the fill before.
    PumpFor(1200);
    EXPECT_EQ(WholeFill(3), RowLines(ConnectionList));
    ASSERT_TRUE(WorkersEnded());
    ASSERT_EQ(2u, Clears.size());
    printf("cleared %.0f ms after Reload\n", Clears[1] - chosen);
    EXPECT_GE(Clears[1] - chosen, 1500 - EARLY_MS);
    EXPECT_LE(Clears[1] - chosen, 1500 + LATE_MS);
    EXPECT_EQ(WholeFill(2), RowLines(ConnectionList));
}

// Where the name service answers slowly, each row waits for its lookup: 40 rows of 300 ms each
// take 12 s. A Reload 3 s into that fill clears the list once its own delay is over and the row
// under way is done, not when the outdated fill would have ended.
TEST_F(RefreshWorkers, AReloadDuringASlowFillStartsItsOwnAfterTheRowUnderWay)
{
    const DWORD LOOKUP_MS = 300;
    const double MARGIN_MS = 400;
    fake::NameLookupMs = LOOKUP_MS;
    fake::Table(true, 2).block = TableOf(Connections(40));
    ShowMainWindow();
    ASSERT_TRUE(PumpUntil(10000, [] { return !Inserts.empty(); }));
    PumpFor(3000);
    ASSERT_EQ(1u, Clears.size());
    size_t rowsBeforeReload = Inserts.size();
    ASSERT_LT(rowsBeforeReload, 30u) << "the fill was not slow";

    double chosen = Reload();
    ASSERT_TRUE(PumpUntil(20000, [] { return Clears.size() == 2; }));
    printf("cleared %.0f ms after Reload, %u rows into the fill before\n", Clears[1] - chosen,
           (unsigned)rowsBeforeReload);
    EXPECT_GE(Clears[1] - chosen, 1500 - EARLY_MS);
    EXPECT_LE(Clears[1] - chosen, 1500 + LOOKUP_MS + MARGIN_MS);

    ASSERT_TRUE(WorkersEnded());
    EXPECT_EQ(WholeFill(40), RowLines(ConnectionList));
    // The outdated fill looked up no row after the one under way; the new one every row.
    size_t lookups = EventsStartingWith("GetNameInfoW").size();
    size_t rowsOfTheOutdatedFill = Inserts.size() - 40;
    EXPECT_EQ(rowsOfTheOutdatedFill + 40, lookups);
    EXPECT_LE(rowsOfTheOutdatedFill, rowsBeforeReload + (size_t)((1500 + LOOKUP_MS + MARGIN_MS) / LOOKUP_MS));
}

TEST_F(RefreshWorkers, TwentyReloadsWithinASecondDuringFillsEndWithOneWholeFill)
{
    fake::NameLookupMs = 50;
    fake::Table(true, 2).block = TableOf(Connections(40));
    fake::Table(false, 2).block = TableOf(std::vector<MIB_UDPROW_OWNER_MODULE>{Udp4Row("0.0.0.0", 53, 3)});
    ShowMainWindow();
    ASSERT_TRUE(PumpUntil(10000, [] { return Inserts.size() >= 10; }));
    for (int i = 0; i < 20; ++i) {
        Reload();
        PumpFor(i % 2 ? 20 : 80);
    }
    ASSERT_TRUE(WorkersEnded());
    Lines expected = WholeFill(40);
    expected.insert(expected.begin(), L"mod3.exe|0.0.0.0:53|*.*|||UDPv4");
    EXPECT_EQ(expected, RowLines(ConnectionList));
}

} // namespace
