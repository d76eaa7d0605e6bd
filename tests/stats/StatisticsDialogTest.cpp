#include "DialogHarness.h"
#include "FakeStatistics.h"
#include "stats/StatisticsDialog.h"

#include <gtest/gtest.h>

namespace {

DWORD UiThread = GetCurrentThreadId();

// Times of the readings (their first query, IPv4 TCP) made on the user-interface thread, or
// with `poller` set on any other thread.
std::vector<DWORD> ReadingTimes(bool poller)
{
    std::vector<DWORD> times;
    for (const FakeCall &call : FakeCalls())
        if (call.query == FAKE_TCP && call.family == AF_INET && (call.thread != UiThread) == poller)
            times.push_back(call.time);
    return times;
}

size_t ReadingsAfter(DWORD moment)
{
    size_t count = 0;
    for (const FakeCall &call : FakeCalls())
        count += static_cast<LONG>(call.time - moment) > 0;
    return count;
}

DialogRun OpenAndClose(DWORD openFor, CloseBy how)
{
    return RunStatisticsDialog(StatisticsDlgProc, openFor, how);
}

void SleepUntil(DWORD moment)
{
    LONG left = static_cast<LONG>(moment - GetTickCount());
    if (left > 0)
        Sleep(left);
}

class StatisticsDialogTest : public testing::Test {
protected:
    void SetUp() override { ResetFakeStatistics(); }
};

TEST_F(StatisticsDialogTest, PollsEveryTwoAndAHalfSecondsUntilExitClosesItAfterOneSecond)
{
    DialogRun run = OpenAndClose(5700, CLOSE_BY_EXIT);
    EXPECT_EQ(IDOK, run.result);
    EXPECT_GE(run.closed - run.closeStarted, 950u);
    EXPECT_LE(run.closed - run.closeStarted, 1600u);

    // One reading on the user-interface thread at opening, the poller's at once and then every 2.5 s.
    EXPECT_EQ(1u, ReadingTimes(false).size());
    std::vector<DWORD> polled = ReadingTimes(true);
    ASSERT_EQ(3u, polled.size());
    EXPECT_LE(polled[0] - run.opened, 500u);
    for (size_t i = 1; i < polled.size(); i++) {
        EXPECT_GE(polled[i] - polled[i - 1], 2450u);
        EXPECT_LE(polled[i] - polled[i - 1], 2900u);
    }

    // The poller wakes after the close, finds it is to stop and reads nothing more.
    SleepUntil(polled.back() + 2800);
    EXPECT_EQ(0u, ReadingsAfter(run.closeStarted));
}

TEST_F(StatisticsDialogTest, EscapeAndTheCloseBoxCloseLikeExit)
{
    for (CloseBy how : {CLOSE_BY_ESCAPE, CLOSE_BY_CLOSE_BOX}) {
        ResetFakeStatistics();
        DialogRun run = OpenAndClose(400, how);
        EXPECT_EQ(IDCANCEL, run.result) << "close " << how;
        EXPECT_GE(run.closed - run.closeStarted, 950u) << "close " << how;
        EXPECT_LE(run.closed - run.closeStarted, 1600u) << "close " << how;
        SleepUntil(run.opened + 2900);
        EXPECT_EQ(1u, ReadingTimes(true).size()) << "close " << how;
        EXPECT_EQ(0u, ReadingsAfter(run.closeStarted)) << "close " << how;
    }
}

// Every field write follows a query and is checked just like it, so a poller that reads
// nothing more writes nothing more.
TEST_F(StatisticsDialogTest, AReadingUnderWayWhenTheCloseBeginsGoesNoFurther)
{
    // The poller's first query takes 700 ms; the close begins 300 ms after opening.
    FakeDuringQuery = [](const FakeCall &call) {
        if (call.thread != UiThread && ReadingTimes(true).size() == 1 && call.query == FAKE_TCP)
            Sleep(700);
    };
    DialogRun run = OpenAndClose(300, CLOSE_BY_EXIT);
    EXPECT_EQ(IDOK, run.result);
    EXPECT_LE(run.closed - run.closeStarted, 1600u);
    SleepUntil(run.opened + 3600);
    EXPECT_EQ(1u, ReadingTimes(true).size());
    EXPECT_EQ(0u, ReadingsAfter(run.closeStarted));
}

TEST_F(StatisticsDialogTest, ReopeningAtOnceNeverReachesAClosedDialog)
{
    // Nine quick openings, then one that stays open while the pollers of the last ones wake.
    DialogRun run = {};
    for (int opening = 0; opening < 10; opening++) {
        run = OpenAndClose(opening < 9 ? 50 : 3000, CLOSE_BY_EXIT);
        ASSERT_EQ(IDOK, run.result) << "opening " << opening;
    }
    SleepUntil(run.closed + 2700);
    EXPECT_EQ(0u, ReadingsAfter(run.closeStarted));
    // The pollers of the openings before woke while the last dialog was open, with the running
    // flag set again; still only its own poller read: at once and 2.5 s later.
    size_t polled = 0;
    for (DWORD time : ReadingTimes(true))
        polled += static_cast<LONG>(time - run.opened) >= 0 && static_cast<LONG>(run.closeStarted - time) > 0;
    EXPECT_EQ(2u, polled);
}

} // namespace
