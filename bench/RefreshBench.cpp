// Refresh against its floor, on synthetic tables: how much a refresh costs beyond the list
// messages it cannot avoid, how that cost grows with the table, and how long the window's
// own messages wait meanwhile.
//   RefreshBench [runs]          (default 5 timed runs of each kind and size)
//   RefreshBench profile ROWS    where the time of the floor goes, for ROWS synthetic rows
//   RefreshBench smoke           one small refresh and floor, checked cell by cell (for ctest)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "bench/BenchHarness.h"
#include "bench/ListProfile.h"
#include "bench/SyntheticTables.h"
#include "common/Countof.h"
#include "snapshot/TablePasses.h"

enum { MAX_RUNS = 50 };

static void RefreshJob(HWND list, void *)
{
    RefreshConnections(list);
}

// The work a refresh does between its messages: the same refresh into no window, so every
// list message fails at once.
static void RefreshIntoNothingJob(HWND, void *)
{
    RefreshConnections(NULL);
}

// Compares every cell of the list with the texts made ahead of time. Returns the number of
// differing cells and prints the first few.
static int CountDifferingCells(HWND list, const FloorRows *rows)
{
    int differing = 0;
    wchar_t cell[512];
    int listRow = 0;
    for (int pass = BENCH_PASS_COUNT - 1; pass >= 0; pass--) {
        for (int i = 0; i < rows->rowCount[pass]; i++, listRow++) {
            const wchar_t **expected = rows->text + (size_t)(rows->firstRow[pass] + i) * BENCH_COLUMN_COUNT;
            for (int column = 0; column < BENCH_COLUMN_COUNT; column++) {
                ListCellText(list, listRow, column, cell, COUNTOF(cell));
                if (wcscmp(cell, expected[column]) != 0) {
                    if (differing < 5)
                        printf("  row %d column %d: list has \"%ls\", expected \"%ls\"\n", listRow, column, cell,
                               expected[column]);
                    differing++;
                }
            }
        }
    }
    return differing;
}

struct SizeFigures {
    int rows;
    double floorSeconds;
    double refreshSeconds;
    double workSeconds;
    double floorWaitMs;
    double refreshWaitMs;
};

static double MicrosecondsPerRow(double seconds, int rows)
{
    return seconds * 1e6 / rows;
}

static int MeasureSize(HWND list, int totalRows, int runs, SizeFigures *figures)
{
    SyntheticTables tables;
    if (!MakeSyntheticTables(totalRows, &tables)) {
        printf("could not make %d synthetic rows\n", totalRows);
        return 0;
    }
    ActiveTables = &tables;
    figures->rows = totalRows;

    // One refresh first, untimed: it must fill the list exactly as the floor does, or the
    // comparison means nothing.
    ClearList(list);
    RunOnWorker(list, RefreshJob, NULL, FALSE);
    int filled = ListRowCount(list);
    if (filled != totalRows) {
        printf("refresh of %d synthetic rows left %d rows in the list: nothing to measure\n", totalRows, filled);
        ActiveTables = NULL;
        FreeSyntheticTables(&tables);
        return 0;
    }
    int differing = CountDifferingCells(list, &tables.rows);
    if (differing)
        printf("warning: %d of %d cells differ from the expected texts\n", differing, totalRows * BENCH_COLUMN_COUNT);
    ClearList(list);
    RunOnWorker(list, SendFloorRows, &tables.rows, FALSE);
    filled = ListRowCount(list);
    if (filled != totalRows || CountDifferingCells(list, &tables.rows)) {
        printf("floor of %d rows did not fill the list as expected (%d rows)\n", totalRows, filled);
        ActiveTables = NULL;
        FreeSyntheticTables(&tables);
        return 0;
    }

    double floorSeconds[MAX_RUNS];
    double refreshSeconds[MAX_RUNS];
    double workSeconds[MAX_RUNS];
    double floorWait[MAX_RUNS];
    double refreshWait[MAX_RUNS];
    // Floor and refresh runs alternate, so a busy spell of the machine hits both alike.
    for (int run = 0; run < runs; run++) {
        ClearList(list);
        floorSeconds[run] = RunOnWorker(list, SendFloorRows, &tables.rows, FALSE).seconds;
        ClearList(list);
        refreshSeconds[run] = RunOnWorker(list, RefreshJob, NULL, FALSE).seconds;
        workSeconds[run] = RunOnWorker(list, RefreshIntoNothingJob, NULL, FALSE).seconds;
    }
    // Responsiveness runs: the same again with a message posted to the window every 2 ms.
    for (int run = 0; run < runs; run++) {
        ClearList(list);
        floorWait[run] = RunOnWorker(list, SendFloorRows, &tables.rows, TRUE).longestPostWaitMs;
        ClearList(list);
        BenchRun probed = RunOnWorker(list, RefreshJob, NULL, TRUE);
        refreshWait[run] = probed.longestPostWaitMs;
        printf("%6d rows  probed refresh %d: %.3f s, %u posts seen, %u waited over 50 ms, longest %.1f ms "
               "ending %.3f s in with %d rows listed\n",
               totalRows, run + 1, probed.seconds, probed.postsSeen, probed.postsOver50Ms,
               probed.longestPostWaitMs, probed.longestWaitEndedAtS, probed.rowsAtLongestWait);
        if (probed.postsSeen == 0)
            printf("warning: no probe message arrived during a refresh of %d rows\n", totalRows);
    }
    ClearList(list);
    ActiveTables = NULL;
    FreeSyntheticTables(&tables);

    figures->floorSeconds = Median(floorSeconds, runs);
    figures->refreshSeconds = Median(refreshSeconds, runs);
    figures->workSeconds = Median(workSeconds, runs);
    figures->floorWaitMs = Largest(floorWait, runs);
    figures->refreshWaitMs = Largest(refreshWait, runs);
    double medianRefreshWait = Median(refreshWait, runs);

    printf("%6d rows  floor   %8.0f rows/s  %7.1f us/row  (%.3f s)\n", totalRows,
           totalRows / figures->floorSeconds, MicrosecondsPerRow(figures->floorSeconds, totalRows),
           figures->floorSeconds);
    printf("%6d rows  refresh %8.0f rows/s  %7.1f us/row  (%.3f s)\n", totalRows,
           totalRows / figures->refreshSeconds, MicrosecondsPerRow(figures->refreshSeconds, totalRows),
           figures->refreshSeconds);
    printf("%6d rows  ratio floor/refresh rows/s: %.3f\n", totalRows, figures->refreshSeconds / figures->floorSeconds);
    printf("%6d rows  work between messages (refresh into no window): %.1f us/row\n", totalRows,
           MicrosecondsPerRow(figures->workSeconds, totalRows));
    printf("%6d rows  longest wait of a posted message: refresh %.1f ms (median of runs %.1f), floor %.1f ms\n",
           totalRows, figures->refreshWaitMs, medianRefreshWait, figures->floorWaitMs);
    fflush(stdout);
    return 1;
}

static int Profile(int totalRows)
{
    HWND list = CreateBenchList();
    SyntheticTables tables;
    if (!list || totalRows < 1 || !MakeSyntheticTables(totalRows, &tables)) {
        printf("could not set up the profile\n");
        return 1;
    }
    ProfileListMessages(list, &tables.rows);
    FreeSyntheticTables(&tables);
    return 0;
}

// Fails unless a refresh and the floor both fill the list with exactly the expected texts:
// guards the benchmark against measuring a refresh that no longer reads the stand-ins.
static int Smoke(void)
{
    enum { SMOKE_ROWS = 40 };
    HWND list = CreateBenchList();
    SyntheticTables tables;
    if (!list || !MakeSyntheticTables(SMOKE_ROWS, &tables)) {
        printf("could not set up the smoke run\n");
        return 1;
    }
    ActiveTables = &tables;
    int failed = 0;
    for (int kind = 0; kind < 2; kind++) {
        ClearList(list);
        BenchRun run = RunOnWorker(list, kind ? SendFloorRows : RefreshJob, &tables.rows, TRUE);
        int filled = ListRowCount(list);
        int differing = filled == SMOKE_ROWS ? CountDifferingCells(list, &tables.rows) : -1;
        printf("%s: %d rows in %.3f s, %d cells differing, longest posted wait %.1f ms\n",
               kind ? "floor" : "refresh", filled, run.seconds, differing, run.longestPostWaitMs);
        if (filled != SMOKE_ROWS || differing != 0 || run.seconds <= 0.0 || run.postsSeen == 0)
            failed = 1;
    }
    ActiveTables = NULL;
    FreeSyntheticTables(&tables);
    return failed;
}

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "smoke") == 0)
        return Smoke();
    if (argc > 2 && strcmp(argv[1], "profile") == 0)
        return Profile(atoi(argv[2]));
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    if (runs < 1 || runs > MAX_RUNS) {
        printf("runs must be 1 to %d\n", MAX_RUNS);
        return 2;
    }
    HWND list = CreateBenchList();
    if (!list) {
        printf("could not create the list window\n");
        return 1;
    }
    printf("Refresh against its floor, synthetic tables, median of %d runs\n", runs);
    fflush(stdout);

    SizeFigures small;
    SizeFigures large;
    if (!MeasureSize(list, 1000, runs, &small) || !MeasureSize(list, 10000, runs, &large))
        return 1;

    double ratio = large.refreshSeconds / large.floorSeconds;
    double growth = MicrosecondsPerRow(large.refreshSeconds, large.rows) /
                    MicrosecondsPerRow(small.refreshSeconds, small.rows);
    double floorGrowth = MicrosecondsPerRow(large.floorSeconds, large.rows) /
                         MicrosecondsPerRow(small.floorSeconds, small.rows);
    printf("\nratio at 10000 rows: %.3f (target <= 1.25: %s)\n", ratio, ratio <= 1.25 ? "met" : "MISSED");
    printf("cost per row, 10000 against 1000 rows: refresh %.3f (target <= 1.2: %s), floor %.3f\n", growth,
           growth <= 1.2 ? "met" : "MISSED", floorGrowth);
    printf("longest wait of a posted message during a refresh of 10000 rows: %.1f ms (target <= 50: %s)\n",
           large.refreshWaitMs, large.refreshWaitMs <= 50.0 ? "met" : "MISSED");
    return 0;
}
