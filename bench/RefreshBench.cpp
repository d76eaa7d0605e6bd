// Refresh against its floor, on synthetic tables: how much a refresh costs beyond the list
// messages it cannot avoid, how that cost grows with the table, and how long the window's
// own messages wait meanwhile.
//   RefreshBench [runs]   (default 3 timed runs of each kind and size)
//   RefreshBench smoke    one small refresh and floor, which must list the same rows (ctest)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench/Figures.h"
#include "snapshot/ConnectionRow.h"
#include "snapshot/TablePasses.h"
#include "testsupport/FakePlatform.h"
#include "testsupport/ListHarness.h"
#include "testsupport/SyntheticTables.h"

namespace {

enum { MAX_RUNS = 50, SIZE_COUNT = 3 };

// Each row's owner-module block is as large as its pass's table, and Wine's heap serves blocks
// from about 190 KB up to where it maps them fresh (about 508 KB for x86) at close to a
// millisecond each. 6,000 rows put the two large tables (2,400 rows of 160 bytes) inside that
// band; 10,000 rows put them above it.
const int SizeRows[SIZE_COUNT] = {1000, 6000, 10000};

// Everything measured for one table size, run by run.
struct SizeRuns {
    SyntheticTables tables;
    FloorRows floor;
    int rows;
    double floorSeconds[MAX_RUNS];
    double refreshSeconds[MAX_RUNS];
    double workSeconds[MAX_RUNS];
    double refreshWaitMs[MAX_RUNS];
};

// The work a refresh does between its messages: the same refresh into no window, so every
// list message fails at once.
void RefreshIntoNothingJob(HWND, void *)
{
    RefreshConnections(NULL);
}

// A refresh of the tables the fakes answer with, read back as the floor's rows. False, saying
// why, unless every row of the tables was listed in its own pass with an owner module's name:
// a refresh that no longer reads the fakes would leave nothing to compare.
bool RefreshIntoFloorRows(HWND list, const SyntheticTables &tables, FloorRows *floor)
{
    ClearList(list);
    RunOnWorker(list, RefreshJob, NULL, false);
    if (!ReadFloorRowsFromList(list, floor)) {
        printf("the refresh listed a row of no known protocol\n");
        return false;
    }
    for (int pass = 0; pass < PASS_COUNT; pass++) {
        if (floor->rowCount[pass] != tables.rowCount[pass]) {
            printf("pass %d listed %d rows of the table's %d\n", pass + 1, floor->rowCount[pass],
                   tables.rowCount[pass]);
            return false;
        }
    }
    for (size_t cell = COLUMN_MODULE_NAME; cell < floor->text.size(); cell += CONNECTION_COLUMN_COUNT) {
        if (floor->text[cell].empty()) {
            printf("row %d was listed without its owner module's name\n", (int)(cell / CONNECTION_COLUMN_COUNT));
            return false;
        }
    }
    return true;
}

void TimeSize(HWND list, SizeRuns *size, int run)
{
    AnswerFromSyntheticTables(size->tables);
    ClearList(list);
    size->floorSeconds[run] = RunOnWorker(list, SendFloorRows, &size->floor, false).seconds;
    ClearList(list);
    size->refreshSeconds[run] = RunOnWorker(list, RefreshJob, NULL, false).seconds;
    size->workSeconds[run] = RunOnWorker(list, RefreshIntoNothingJob, NULL, false).seconds;
    ClearList(list);
    printf("%6d rows  run %d: floor %.3f s, refresh %.3f s\n", size->rows, run + 1, size->floorSeconds[run],
           size->refreshSeconds[run]);
    fflush(stdout);
}

void ProbeSize(HWND list, SizeRuns *size, int run)
{
    AnswerFromSyntheticTables(size->tables);
    ClearList(list);
    WorkerRun probed = RunOnWorker(list, RefreshJob, NULL, true);
    size->refreshWaitMs[run] = probed.longestPostWaitMs;
    printf("%6d rows  probed refresh %d: %.3f s, %u posts seen, %u waited over 50 ms, longest %.1f ms\n", size->rows,
           run + 1, probed.seconds, probed.postsSeen, probed.postsOver50Ms, probed.longestPostWaitMs);
    fflush(stdout);
}

double MicrosecondsPerRow(double seconds, int rows)
{
    return seconds * 1e6 / rows;
}

void PrintSize(const SizeRuns &size, int runs)
{
    double ratios[MAX_RUNS];
    for (int run = 0; run < runs; run++)
        ratios[run] = size.refreshSeconds[run] / size.floorSeconds[run];
    double floorSeconds = Median(size.floorSeconds, runs);
    double refreshSeconds = Median(size.refreshSeconds, runs);
    int rows = size.rows;
    DWORD largest = 0;
    for (DWORD bytes : size.tables.tableBytes)
        largest = bytes > largest ? bytes : largest;
    printf("\n%d rows, largest table %lu bytes\n", rows, (unsigned long)largest);
    printf("  floor   %6.0f rows/s  %7.1f us/row\n", rows / floorSeconds, MicrosecondsPerRow(floorSeconds, rows));
    printf("  refresh %6.0f rows/s  %7.1f us/row\n", rows / refreshSeconds, MicrosecondsPerRow(refreshSeconds, rows));
    double ratio = Median(ratios, runs);
    printf("  ratio of time, refresh to floor: %.3f (median of the runs' ratios; target <= 1.25: %s)\n", ratio,
           ratio <= 1.25 ? "met" : "MISSED");
    printf("  work between messages (refresh into no window): %.1f us/row\n",
           MicrosecondsPerRow(Median(size.workSeconds, runs), rows));
    double longestWait = Largest(size.refreshWaitMs, runs);
    printf("  longest wait of a message posted every %d ms during a refresh: %.1f ms (target <= 50: %s)\n",
           PROBE_INTERVAL_MS, longestWait, longestWait <= 50.0 ? "met" : "MISSED");
}

// Cost per row of a larger size against the smallest, each run against the same round's.
void PrintGrowth(const SizeRuns &small, const SizeRuns &large, int runs)
{
    double growth[MAX_RUNS];
    double floorGrowth[MAX_RUNS];
    for (int run = 0; run < runs; run++) {
        growth[run] = MicrosecondsPerRow(large.refreshSeconds[run], large.rows) /
                      MicrosecondsPerRow(small.refreshSeconds[run], small.rows);
        floorGrowth[run] = MicrosecondsPerRow(large.floorSeconds[run], large.rows) /
                           MicrosecondsPerRow(small.floorSeconds[run], small.rows);
    }
    double refreshGrowth = Median(growth, runs);
    printf("cost per row, %d against %d rows: refresh %.3f (target <= 1.2: %s), floor %.3f\n", large.rows, small.rows,
           refreshGrowth, refreshGrowth <= 1.2 ? "met" : "MISSED", Median(floorGrowth, runs));
}

// The sizes take turns run by run, so a busy spell of the machine hits them all alike; every
// ratio compares runs of the same round.
int MeasureSizes(HWND list, int runs)
{
    static SizeRuns sizes[SIZE_COUNT];
    for (int i = 0; i < SIZE_COUNT; i++) {
        sizes[i].rows = SizeRows[i];
        sizes[i].tables = MakeSyntheticTables(SizeRows[i]);
        AnswerFromSyntheticTables(sizes[i].tables);
        if (!RefreshIntoFloorRows(list, sizes[i].tables, &sizes[i].floor))
            return 1;
    }
    for (int run = 0; run < runs; run++)
        for (SizeRuns &size : sizes)
            TimeSize(list, &size, run);
    for (int run = 0; run < runs; run++)
        for (SizeRuns &size : sizes)
            ProbeSize(list, &size, run);
    for (const SizeRuns &size : sizes)
        PrintSize(size, runs);
    printf("\n");
    for (int i = 1; i < SIZE_COUNT; i++)
        PrintGrowth(sizes[0], sizes[i], runs);
    return 0;
}

// Fails unless a refresh lists every synthetic row and the floor then lists the same rows:
// guards the figures against measuring a refresh that no longer reads the fakes, or a floor
// that sends something else.
int Smoke(HWND list)
{
    SyntheticTables tables = MakeSyntheticTables(40);
    AnswerFromSyntheticTables(tables);
    FloorRows floor;
    if (!RefreshIntoFloorRows(list, tables, &floor))
        return 1;
    ClearList(list);
    WorkerRun run = RunOnWorker(list, SendFloorRows, &floor, true);
    FloorRows replayed;
    if (!ReadFloorRowsFromList(list, &replayed) || replayed.text != floor.text ||
        memcmp(replayed.rowCount, floor.rowCount, sizeof(floor.rowCount)) != 0) {
        printf("the floor listed other rows than the refresh did\n");
        return 1;
    }
    printf("refresh and floor listed the same %d rows; the floor took %.3f s, %u posted messages seen\n",
           ListRowCount(list), run.seconds, run.postsSeen);
    return run.seconds > 0.0 && run.postsSeen > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    bool smoke = argc > 1 && strcmp(argv[1], "smoke") == 0;
    int runs = argc > 1 && !smoke ? atoi(argv[1]) : 3;
    if (runs < 1 || runs > MAX_RUNS) {
        printf("usage: RefreshBench [runs (1 to %d) | smoke]\n", MAX_RUNS);
        return 2;
    }
    // Nothing is recorded: the figures are the refresh's, not the fakes' bookkeeping.
    fake::Record = fake::RECORD_NOTHING;
    HWND list = CreateWorkerList();
    if (!list) {
        printf("could not create the list window\n");
        return 1;
    }
    if (smoke)
        return Smoke(list);
    printf("Refresh against its floor, synthetic tables, median of %d runs of each size, taking turns; a message "
           "posted to the window every %d ms in the probed runs\n",
           runs, PROBE_INTERVAL_MS);
    fflush(stdout);
    return MeasureSizes(list, runs);
}
