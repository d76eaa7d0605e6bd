// A long run of the two things a user repeats most: refreshing the list and opening the
// Statistics dialog. After a warm-up, neither may leave memory, handles or heap blocks behind.
//
// The platform's own memory is not steady: under Wine 10 a list that is cleared and refilled
// commits more memory every few refreshes even in a program with none of our code. So each
// soak alternates stretches of our work with stretches of a control that makes the same
// platform calls without our code, in the same process and window, and our growth is judged
// against the control's over the same number of runs.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <vector>

#include "common/Countof.h"
#include "shell/ConnectionList.h"
#include "stats/StatisticsDialog.h"
#include "tests/soak/ProcessFigures.h"
#include "tests/stats/DialogHarness.h"
#include "tests/stats/FakeStatistics.h"
#include "testsupport/FakePlatform.h"
#include "testsupport/ListHarness.h"
#include "testsupport/SyntheticTables.h"

namespace {

const int WARM_UP = 4;

// How much more our stretches may grow than the control's before it counts as a leak. Under
// Wine 10 the process heap commits memory in steps, in a stretch of ours or of the control's
// alike: 64 KB at most where the list holds ten rows and around the dialog, but 128 to 384 KB
// at once where it holds a thousand, often in one stretch and not in its twin. Each slack
// takes the two largest steps seen there falling on our side and none on the control's. Ours
// minus the control's over a soak, Wine 8 and 10, x64 and x86: -320 to +128 KB for a
// thousand rows, -64 to +64 KB for ten, 0 for the dialog.
const LONGLONG SLACK = 128 * 1024;
const LONGLONG THOUSAND_ROW_SLACK = 768 * 1024;

// The heap keeps more or less memory committed according to which work ran last, and moves
// at the first run after a change: under Wine 8 a thousand rows refreshed sat 128 KB higher
// than the same rows sent with nothing allocated between them, and under Wine 10 the heap
// took a step of 64 to 192 KB at the first run after most changes of work. That step is no
// one's growth, so each stretch starts with runs that are not counted.
const int LEAD_IN = 1;

// What the leaking control leaves behind on every run, to show the verdict sees a leak: 2 MB
// over the eight runs of the thousand-row soak, so that even the platform's steps falling
// on the control's side alone would not hide it.
const SIZE_T LEAK_PER_RUN = 256 * 1024;

enum Kind { OURS, CONTROL, LEAKING_CONTROL, KIND_COUNT };
const char *const KindNames[KIND_COUNT] = {"ours", "control", "leaking control"};

// Stretches in an order that is the same read backwards, so that every kind has the same
// mean place in the run: a platform whose growth drifts over the run (a heap that settles,
// or one that fragments more and more) weighs on every kind alike.
const Kind BALANCED[] = {OURS, CONTROL, CONTROL, OURS};
const Kind BALANCED_WITH_LEAK[] = {OURS, CONTROL, LEAKING_CONTROL, LEAKING_CONTROL, CONTROL, OURS};

// The memory growth of one kind of run, summed over its stretches.
struct Growth {
    int runs;
    LONG heapAllocations; // counted HeapAlloc calls, for the control as for ours
    LONGLONG committedBytes;
    LONGLONG privateBytes;
    std::vector<LONGLONG> stretchCommittedBytes;
};

int Count(const char *name, int fallback)
{
    const char *value = getenv(name);
    return value ? atoi(value) : fallback;
}

// Figures the platform does not report read 0 every time, which counts as no growth.
bool Leaked(const Growth &subject, const Growth &control, LONGLONG slack)
{
    return subject.committedBytes - control.committedBytes > slack ||
           subject.privateBytes - control.privateBytes > slack;
}

long long Kb(LONGLONG bytes)
{
    return (long long)(bytes / 1024);
}

void Report(const char *what, const ProcessFigures &before, const ProcessFigures &after, DWORD elapsedMs)
{
    printf("%s: %lu ms\n", what, elapsedMs);
    printf("  private bytes (PrivateUsage)     %10lu -> %10lu\n", (unsigned long)before.privateBytes,
           (unsigned long)after.privateBytes);
    printf("  committed private memory         %10lu -> %10lu\n", (unsigned long)before.committedBytes,
           (unsigned long)after.committedBytes);
    printf("  handles (GetProcessHandleCount)  %10lu -> %10lu\n", before.handles, after.handles);
    printf("  open handle values               %10lu -> %10lu\n", before.openHandles, after.openHandles);
    fake::HeapCounts heap = fake::CountedHeapCalls();
    printf("  HeapAlloc %ld, HeapFree %ld, blocks live %ld, frees of other blocks %ld\n", heap.allocations, heap.frees,
           heap.live, heap.strayFrees);
    fflush(stdout);
}

void PrintGrowth(const char *name, const Growth &growth)
{
    printf("  %-16s %+7lld KB committed, %+7lld KB PrivateUsage over %d runs; stretches:", name,
           Kb(growth.committedBytes), Kb(growth.privateBytes), growth.runs);
    for (LONGLONG bytes : growth.stretchCommittedBytes)
        printf(" %+lld", Kb(bytes));
    printf(" KB\n");
}

void PrintVerdict(const char *subjectName, const Growth &subject, const Growth &control, LONGLONG slack)
{
    printf("  %s against control: %+lld KB committed, %+lld KB PrivateUsage (slack %lld KB): %s\n", subjectName,
           Kb(subject.committedBytes - control.committedBytes), Kb(subject.privateBytes - control.privateBytes),
           Kb(slack), Leaked(subject, control, slack) ? "a leak" : "no leak");
    fflush(stdout);
}

// Runs `count` stretches of `length` runs each, of the kinds in `order`, and adds each
// stretch's growth to its kind. `run` returns whether the run did its work; `quiet`, when
// given, waits until no other thread of the test is running.
void RunStretches(const char *what, const Kind *order, int count, int length, const std::function<bool(Kind)> &run,
                  const std::function<void()> &quiet, Growth growth[KIND_COUNT], int *failedRuns)
{
    for (int stretch = 0; stretch < count; ++stretch) {
        Kind kind = order[stretch];
        for (int i = 0; i < LEAD_IN; ++i)
            *failedRuns += !run(kind);
        if (quiet)
            quiet();
        ProcessFigures before = TakeProcessFigures();
        LONG allocationsBefore = fake::CountedHeapCalls().allocations;
        DWORD start = GetTickCount();
        for (int i = 0; i < length; ++i)
            *failedRuns += !run(kind);
        if (quiet)
            quiet();
        DWORD elapsed = GetTickCount() - start;
        ProcessFigures after = TakeProcessFigures();
        LONGLONG committed = (LONGLONG)after.committedBytes - (LONGLONG)before.committedBytes;
        LONGLONG privateBytes = (LONGLONG)after.privateBytes - (LONGLONG)before.privateBytes;
        growth[kind].runs += length;
        growth[kind].heapAllocations += fake::CountedHeapCalls().allocations - allocationsBefore;
        growth[kind].committedBytes += committed;
        growth[kind].privateBytes += privateBytes;
        growth[kind].stretchCommittedBytes.push_back(committed);
        printf("%s, stretch %d (%s, %d runs): %+lld KB committed, %lu ms\n", what, stretch + 1, KindNames[kind], length,
               Kb(committed), elapsed);
        fflush(stdout);
    }
}

// Judges our growth against the control's; with a leaking control among the kinds, also that
// the same verdict calls it a leak.
void ExpectNoLeakAgainstControl(const char *what, const Growth growth[KIND_COUNT], LONGLONG slack)
{
    printf("%s, side by side:\n", what);
    PrintGrowth("ours", growth[OURS]);
    PrintGrowth("control", growth[CONTROL]);
    PrintVerdict("ours", growth[OURS], growth[CONTROL], slack);
    ASSERT_EQ(growth[OURS].runs, growth[CONTROL].runs);
    EXPECT_GT(growth[OURS].runs, 0);
    EXPECT_FALSE(Leaked(growth[OURS], growth[CONTROL], slack))
        << "our stretches grew memory by " << Kb(growth[OURS].committedBytes) << " KB, the control's by "
        << Kb(growth[CONTROL].committedBytes) << " KB";
    if (growth[LEAKING_CONTROL].runs == 0)
        return;
    PrintGrowth("leaking control", growth[LEAKING_CONTROL]);
    PrintVerdict("leaking control", growth[LEAKING_CONTROL], growth[CONTROL], slack);
    ASSERT_EQ(growth[LEAKING_CONTROL].runs, growth[CONTROL].runs);
    EXPECT_TRUE(Leaked(growth[LEAKING_CONTROL], growth[CONTROL], slack))
        << "a leak of " << LEAK_PER_RUN / 1024 << " KB per run went unseen";
}

void ExpectHandlesUnchanged(const ProcessFigures &before, const ProcessFigures &after)
{
    EXPECT_EQ(before.handles, after.handles);
    EXPECT_EQ(before.openHandles, after.openHandles);
    EXPECT_GT(after.openHandles, 0u) << "the handle probe sees nothing";
}

void ExpectEveryBlockFreed()
{
    fake::HeapCounts heap = fake::CountedHeapCalls();
    EXPECT_EQ(heap.allocations, heap.frees);
    EXPECT_EQ(0, heap.live);
    EXPECT_EQ(0, heap.strayFrees);
}

std::vector<void *> LeakedBlocks;

// What the control sends and allocates: the texts a refresh of the same tables wrote, and the
// tables' sizes.
struct ControlWork {
    FloorRows rows;
    DWORD tableBytes[PASS_COUNT];
};

// The control: the floor's messages (clear, then per pass a row count and per row an insert
// and five texts, those a refresh of the same tables wrote), from the same kind of thread into the same
// list, and the heap calls a refresh makes, of the same sizes at the same points: a block the
// size of the pass's table held over the pass, and per row a block of that size again (the
// owner-module query is given the size the table query left) taken before the insert and
// given back after it. Under Wine 10 those blocks, taken between the list's own, are what
// makes the process heap grow: a control without them grew nothing over a hundred runs of a
// thousand rows while the refreshes beside it grew by 576 KB in sixteen, and one with them
// grows in the same steps as the refreshes.
void ControlJob(HWND list, void *context)
{
    const ControlWork *work = (const ControlWork *)context;
    SendFloorRowsWithHeapCalls(list, work->rows, work->tableBytes);
}

// The control's work, then memory that nobody frees until the test ends.
void LeakingControlJob(HWND list, void *context)
{
    ControlJob(list, context);
    LeakedBlocks.push_back(VirtualAlloc(NULL, LEAK_PER_RUN, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

HWND SoakList()
{
    static HWND list = NULL;
    if (list == NULL) {
        // Only the heap's blocks are kept: event lines kept over a long run would be growth.
        fake::Record = fake::RECORD_HEAP_BLOCKS;
        list = CreateWorkerList();
        // Hidden, the list still keeps every row and answers every message, but does not
        // repaint after each one: drawing is not what could leak, and it would make the run
        // ten times longer.
        if (list != NULL)
            ShowWindow(GetParent(list), SW_HIDE);
    }
    return list;
}

// Refreshes of `rows` synthetic rows, each on a worker thread of its own as Reload starts
// one, into a list whose thread pumps messages meanwhile.
void SoakRefreshes(const char *what, int rows, int refreshes, LONGLONG slack, bool withLeak)
{
    HWND list = SoakList();
    ASSERT_NE((HWND)NULL, list);
    SyntheticTables tables = MakeSyntheticTables(rows);
    AnswerFromSyntheticTables(tables);
    ControlWork control;
    memcpy(control.tableBytes, tables.tableBytes, sizeof(control.tableBytes));
    RunOnWorker(list, RefreshJob, NULL, false);
    ASSERT_EQ(rows, ListRowCount(list));
    ASSERT_TRUE(ReadFloorRowsFromList(list, &control.rows));

    auto run = [&](Kind kind) {
        static const WorkerJob jobs[KIND_COUNT] = {RefreshJob, ControlJob, LeakingControlJob};
        size_t leakedBefore = LeakedBlocks.size();
        RunOnWorker(list, jobs[kind], &control, false);
        if (kind == LEAKING_CONTROL && (LeakedBlocks.size() != leakedBefore + 1 || LeakedBlocks.back() == NULL))
            return false;
        return ListRowCount(list) == rows;
    };
    int failedRuns = 0;
    for (int i = 0; i < WARM_UP; ++i)
        failedRuns += !run(i % 2 ? CONTROL : OURS);

    const ProcessFigures first = TakeProcessFigures();
    DWORD start = GetTickCount();
    Growth growth[KIND_COUNT] = {};
    const Kind *order = withLeak ? BALANCED_WITH_LEAK : BALANCED;
    int stretches = withLeak ? (int)COUNTOF(BALANCED_WITH_LEAK) : (int)COUNTOF(BALANCED);
    RunStretches(what, order, stretches, refreshes / 2, run, nullptr, growth, &failedRuns);
    ProcessFigures last = TakeProcessFigures();
    Report(what, first, last, GetTickCount() - start);

    EXPECT_EQ(0, failedRuns) << "runs that did not leave " << rows << " rows";
    ExpectNoLeakAgainstControl(what, growth, slack);
    ExpectHandlesUnchanged(first, last);
    // At least one block per row, every time.
    EXPECT_GE(growth[OURS].heapAllocations, (LONG)growth[OURS].runs * rows)
        << "the HeapAlloc fake did not see the system's calls";
    ExpectEveryBlockFreed();

    for (void *block : LeakedBlocks)
        VirtualFree(block, 0, MEM_RELEASE);
    LeakedBlocks.clear();
}

// Under Wine every list message a worker sends costs a round trip through the server, about
// 1.3 ms per row in all (the list is hidden, so it draws no scroll bars and Wine's theme makes
// no difference): a thousand refreshes of a thousand rows take over twenty minutes
// (SOAK_LARGE_REFRESHES=1000 by hand), too long for the suite. The soak runs the refreshes
// and the rows apart instead: 400 refreshes, each a thread, four table fetches and a clear,
// over a small table, where a leak of more than 330 bytes per refresh exceeds the slack; and
// 8 refreshes of a thousand rows, where more than about 100 bytes per row does. A heap block
// or handle of ours left behind, of any size, fails its exact count at once.
TEST(Soak, RefreshesOfTenRowsLeaveMemoryHandlesAndHeapAsTheyWere)
{
    SoakRefreshes("refreshes of 10 rows", 10, Count("SOAK_REFRESHES", 400), SLACK, false);
}

TEST(Soak, RefreshesOfAThousandRowsLeaveMemoryHandlesAndHeapAsTheyWere)
{
    SoakRefreshes("refreshes of 1000 rows", 1000, Count("SOAK_LARGE_REFRESHES", 8), THOUSAND_ROW_SLACK, true);
}

// Reload as the main window runs it: a new worker whose handle the test keeps a copy of, to
// wait for.
HANDLE StartReload()
{
    HANDLE own = NULL;
    if (StartRefresh())
        DuplicateHandle(GetCurrentProcess(), RefreshWorkerHandle, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0);
    return own;
}

// Handles the list's messages until `done` says so or 60 s have passed.
template <class Condition> bool PumpUntil(Condition done)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 60000)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return true;
}

bool BothEnded(const HANDLE *workers)
{
    return WaitForMultipleObjects(2, workers, TRUE, 0) == WAIT_OBJECT_0;
}

// A user who chooses Reload again while the list is still filling: the newer worker ends the
// older one's fill between two rows, and the blocks that fill held and the handles of both
// workers must all be given back. The refresh delay runs at a hundredth of its length here.
TEST(Soak, ReloadsThatCutAFillShortLeaveNoHeapBlockOrHandleBehind)
{
    const int rows = 1000;
    const int cuts = Count("SOAK_CUT_RELOADS", 6);
    HWND list = SoakList();
    ASSERT_NE((HWND)NULL, list);
    ASSERT_EQ(list, ConnectionList);
    SyntheticTables tables = MakeSyntheticTables(rows);
    AnswerFromSyntheticTables(tables);
    LONG before = fake::CountedHeapCalls().allocations;
    RunOnWorker(list, RefreshJob, NULL, false);
    const LONG wholeFill = fake::CountedHeapCalls().allocations - before;
    ASSERT_GE(wholeFill, rows);

    // One run: a Reload, and another once the first has listed a tenth of the rows.
    auto run = [&] {
        ClearList(list);
        HANDLE first = StartReload();
        bool cutInTime = PumpUntil([&] { return ListRowCount(list) >= rows / 10; });
        HANDLE second = StartReload();
        HANDLE both[] = {first, second};
        bool ended = first != NULL && second != NULL && PumpUntil([&] { return BothEnded(both); });
        CloseHandle(first);
        CloseHandle(second);
        return cutInTime && ended && ListRowCount(list) == rows;
    };
    int failedRuns = 0;
    for (int i = 0; i < WARM_UP; ++i)
        failedRuns += !run();

    const ProcessFigures first = TakeProcessFigures();
    DWORD start = GetTickCount();
    LONG allocationsBefore = fake::CountedHeapCalls().allocations;
    for (int i = 0; i < cuts; ++i)
        failedRuns += !run();
    LONG allocations = fake::CountedHeapCalls().allocations - allocationsBefore;
    ProcessFigures last = TakeProcessFigures();
    Report("reloads cutting a fill of 1000 rows short", first, last, GetTickCount() - start);

    EXPECT_EQ(0, failedRuns) << "runs that did not end with " << rows << " rows";
    // Each run is one whole fill and a part of another: the first fill was cut, not finished.
    EXPECT_GT(allocations, (LONG)cuts * wholeFill);
    EXPECT_LT(allocations, (LONG)cuts * (wholeFill + wholeFill / 2));
    ExpectHandlesUnchanged(first, last);
    ExpectEveryBlockFreed();
}

// The same dialog from the same template, opened and closed the same way, with nothing of ours
// behind it.
INT_PTR CALLBACK PlainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// 40 openings: a leak of more than about 3 KB per opening exceeds the slack.
TEST(Soak, OpeningsOfTheStatisticsDialogLeaveMemoryHandlesAndHeapAsTheyWere)
{
    int openings = Count("SOAK_OPENINGS", 40);
    // Open long enough for the poller to read a few times; closed while it sleeps, so every
    // close takes the path that stops it.
    const DWORD openFor = 60;
    int ourOpenings = 0;
    auto run = [&](Kind kind) {
        ourOpenings += kind == OURS;
        DLGPROC procedure = kind == OURS ? StatisticsDlgProc : PlainDialogProc;
        return RunStatisticsDialog(procedure, openFor, CLOSE_BY_EXIT).result == IDOK;
    };
    // The last poller ends its sleep and sees the flag down.
    auto quiet = [] { RealSleep(200); };
    int failedRuns = 0;
    for (int i = 0; i < WARM_UP; ++i)
        failedRuns += !run(i % 2 ? CONTROL : OURS);
    quiet();
    ourOpenings = 0;
    size_t readingsBefore = FakeCalls().size();
    const ProcessFigures first = TakeProcessFigures();
    DWORD start = GetTickCount();
    Growth growth[KIND_COUNT] = {};
    RunStretches("statistics openings", BALANCED, (int)COUNTOF(BALANCED), openings / 2, run, quiet, growth,
                 &failedRuns);
    ProcessFigures last = TakeProcessFigures();
    Report("statistics openings", first, last, GetTickCount() - start);

    EXPECT_EQ(0, failedRuns);
    // Each opening reads once itself (eight queries). Its poller usually reads too, but on a
    // busy machine it may not be scheduled before the close, and then rightly reads nothing.
    size_t queries = FakeCalls().size() - readingsBefore;
    EXPECT_GE(queries, (size_t)ourOpenings * 8);
    EXPECT_GT(queries, (size_t)ourOpenings * 8) << "no poller ever read";
    ExpectNoLeakAgainstControl("statistics openings", growth, SLACK);
    ExpectHandlesUnchanged(first, last);
    ExpectEveryBlockFreed();
}

} // namespace
