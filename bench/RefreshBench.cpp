// Refresh against its floor, on synthetic tables: how much a refresh costs beyond the list
// messages it cannot avoid, how that cost grows with the table, and how long the window's
// own messages wait meanwhile.
//   RefreshBench [runs]          (default 3 timed runs of each kind and size)
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

namespace {

void RefreshJob(HWND list, void *)
{
    RefreshConnections(list);
}

// The work a refresh does between its messages: the same refresh into no window, so every
// list message fails at once.
void RefreshIntoNothingJob(HWND, void *)
{
    RefreshConnections(NULL);
}

// Compares every cell of the list with the texts made ahead of time. Returns the number of
// differing cells and prints the first few.
int CountDifferingCells(HWND list, const FloorRows *rows)
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

int ListHoldsExpectedRows(HWND list, const FloorRows *rows, const char *what)
{
    int expected = 0;
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++)
        expected += rows->rowCount[pass];
    int filled = ListRowCount(list);
    if (filled != expected) {
        printf("the %s of %d synthetic rows left %d rows in the list: nothing to measure\n", what, expected, filled);
        return 0;
    }
    int differing = CountDifferingCells(list, rows);
    if (differing)
        printf("warning: after the %s, %d of %d cells differ from the expected texts\n", what, differing,
               expected * BENCH_COLUMN_COUNT);
    return 1;
}

} // namespace

enum { SIZE_COUNT = 3 };
namespace {

// Each row's owner-module block is as large as its pass's table, and Wine's heap serves blocks
// from about 190 KB up to where it maps them fresh (about 508 KB for x86, 1 MB for x64) at close
// to a millisecond each. 6,000 rows put the two large tables (2,400 rows of 160 bytes) inside
// that band for both architectures; 10,000 rows put them above it for x86 and inside it for x64.
const int SizeRows[SIZE_COUNT] = {1000, 6000, 10000};

} // namespace

// Everything measured for one table size, run by run.
struct SizeRuns {
    SyntheticTables tables;
    int rows;
    double floorSeconds[MAX_RUNS];
    double refreshSeconds[MAX_RUNS];
    double workSeconds[MAX_RUNS];
    double refreshWaitMs[MAX_RUNS];
    double floorWaitMs;
};

namespace {

double MicrosecondsPerRow(double seconds, int rows)
{
    return seconds * 1e6 / rows;
}

// One timed floor and refresh of this size (and the refresh's work into no window). On the
// first run the list must hold exactly the expected rows afterwards, or the comparison means
// nothing.
int TimeSize(HWND list, SizeRuns *size, int run)
{
    ActiveTables = &size->tables;
    ClearList(list);
    size->floorSeconds[run] = RunOnWorker(list, SendFloorRows, &size->tables.rows, FALSE).seconds;
    if (run == 0 && !ListHoldsExpectedRows(list, &size->tables.rows, "floor"))
        return 0;
    ClearList(list);
    size->refreshSeconds[run] = RunOnWorker(list, RefreshJob, NULL, FALSE).seconds;
    if (run == 0 && !ListHoldsExpectedRows(list, &size->tables.rows, "refresh"))
        return 0;
    size->workSeconds[run] = RunOnWorker(list, RefreshIntoNothingJob, NULL, FALSE).seconds;
    ClearList(list);
    printf("%6d rows  run %d: floor %.3f s, refresh %.3f s\n", size->rows, run + 1, size->floorSeconds[run],
           size->refreshSeconds[run]);
    fflush(stdout);
    return 1;
}

void ProbeSize(HWND list, SizeRuns *size, int run)
{
    ActiveTables = &size->tables;
    ClearList(list);
    BenchRun probed = RunOnWorker(list, RefreshJob, NULL, TRUE);
    size->refreshWaitMs[run] = probed.longestPostWaitMs;
    printf("%6d rows  probed refresh %d: %.3f s, %u posts seen, %u waited over 50 ms, longest %.1f ms "
           "ending %.3f s in with %d rows listed\n",
           size->rows, run + 1, probed.seconds, probed.postsSeen, probed.postsOver50Ms, probed.longestPostWaitMs,
           probed.longestWaitEndedAtS, probed.rowsAtLongestWait);
    if (probed.postsSeen == 0)
        printf("warning: no probe message arrived during a refresh of %d rows\n", size->rows);
    fflush(stdout);
}

void ProbeFloor(HWND list, SizeRuns *size)
{
    ClearList(list);
    BenchRun probed = RunOnWorker(list, SendFloorRows, &size->tables.rows, TRUE);
    size->floorWaitMs = probed.longestPostWaitMs;
    printf("%6d rows  probed floor: %.3f s, %u posts seen, %u waited over 50 ms, longest %.1f ms\n", size->rows,
           probed.seconds, probed.postsSeen, probed.postsOver50Ms, probed.longestPostWaitMs);
    fflush(stdout);
}

void PrintSize(SizeRuns *size, int runs)
{
    double ratios[MAX_RUNS];
    for (int run = 0; run < runs; run++)
        ratios[run] = size->refreshSeconds[run] / size->floorSeconds[run];
    double floorSeconds = Median(size->floorSeconds, runs);
    double refreshSeconds = Median(size->refreshSeconds, runs);
    int rows = size->rows;
    printf("%6d rows  floor   %6.0f rows/s  %7.1f us/row\n", rows, rows / floorSeconds,
           MicrosecondsPerRow(floorSeconds, rows));
    printf("%6d rows  refresh %6.0f rows/s  %7.1f us/row\n", rows, rows / refreshSeconds,
           MicrosecondsPerRow(refreshSeconds, rows));
    printf("%6d rows  ratio of time, refresh to floor: %.3f (median of the runs' ratios)\n", rows,
           Median(ratios, runs));
    printf("%6d rows  work between messages (refresh into no window): %.1f us/row\n", rows,
           MicrosecondsPerRow(Median(size->workSeconds, runs), rows));
    printf("%6d rows  longest wait of a posted message: refresh %.1f ms, floor %.1f ms\n", rows,
           Largest(size->refreshWaitMs, runs), size->floorWaitMs);
}

DWORD LargestTableBytes(const SyntheticTables *tables)
{
    DWORD largest = 0;
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++)
        largest = tables->tableBytes[pass] > largest ? tables->tableBytes[pass] : largest;
    return largest;
}

// The targets of a larger size, each run of it against the same round's run of the smallest.
void PrintTargets(const SizeRuns *small, const SizeRuns *large, int runs)
{
    double ratios[MAX_RUNS];
    double growth[MAX_RUNS];
    double floorGrowth[MAX_RUNS];
    for (int run = 0; run < runs; run++) {
        ratios[run] = large->refreshSeconds[run] / large->floorSeconds[run];
        growth[run] = MicrosecondsPerRow(large->refreshSeconds[run], large->rows) /
                      MicrosecondsPerRow(small->refreshSeconds[run], small->rows);
        floorGrowth[run] = MicrosecondsPerRow(large->floorSeconds[run], large->rows) /
                           MicrosecondsPerRow(small->floorSeconds[run], small->rows);
    }
    double ratio = Median(ratios, runs);
    double refreshGrowth = Median(growth, runs);
    double longestWait = Largest(large->refreshWaitMs, runs);
    printf("\n%d rows, largest table %lu bytes\n", large->rows, (unsigned long)LargestTableBytes(&large->tables));
    printf("ratio of time, refresh to floor, at %d rows: %.3f (target <= 1.25: %s)\n", large->rows, ratio,
           ratio <= 1.25 ? "met" : "MISSED");
    printf("cost per row, %d against %d rows: refresh %.3f (target <= 1.2: %s), floor %.3f\n", large->rows, small->rows,
           refreshGrowth, refreshGrowth <= 1.2 ? "met" : "MISSED", Median(floorGrowth, runs));
    printf("longest wait of a posted message during a refresh of %d rows: %.1f ms (target <= 50: %s)\n", large->rows,
           longestWait, longestWait <= 50.0 ? "met" : "MISSED");
}

// The sizes take turns run by run, so a busy spell of the machine hits them all alike; every
// ratio compares runs of the same round.
int MeasureSizes(HWND list, int runs)
{
    static SizeRuns sizes[SIZE_COUNT];
    for (int i = 0; i < SIZE_COUNT; i++) {
        sizes[i].rows = SizeRows[i];
        if (!MakeSyntheticTables(SizeRows[i], &sizes[i].tables)) {
            printf("could not make %d synthetic rows\n", SizeRows[i]);
            return 0;
        }
    }
    int measured = 1;
    for (int run = 0; run < runs && measured; run++)
        for (int i = 0; i < SIZE_COUNT && measured; i++)
            measured = TimeSize(list, &sizes[i], run);
    if (measured) {
        for (int run = 0; run < runs; run++)
            for (int i = 0; i < SIZE_COUNT; i++)
                ProbeSize(list, &sizes[i], run);
        for (int i = 0; i < SIZE_COUNT; i++)
            ProbeFloor(list, &sizes[i]);
    }
    ActiveTables = NULL;
    if (measured) {
        printf("\n");
        for (int i = 0; i < SIZE_COUNT; i++)
            PrintSize(&sizes[i], runs);

        for (int i = 1; i < SIZE_COUNT; i++)
            PrintTargets(&sizes[0], &sizes[i], runs);
    }
    for (int i = 0; i < SIZE_COUNT; i++)
        FreeSyntheticTables(&sizes[i].tables);
    return measured;
}

// The owner-module block of every row is as large as the pass's table (the size variable the
// table query set), so its cost may grow with the table. Times the block alone: allocate it
// zero-filled, write a module record's worth into it, free it.
void ProfileModuleBlock(DWORD bytes)
{
    enum { BLOCKS = 2000 };
    HANDLE heap = GetProcessHeap();
    LARGE_INTEGER frequency;
    LARGE_INTEGER from;
    LARGE_INTEGER to;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&from);
    for (int i = 0; i < BLOCKS; i++) {
        BYTE *block = (BYTE *)HeapAlloc(heap, HEAP_ZERO_MEMORY, bytes);
        if (!block)
            break;
        memset(block, 1, bytes < 96 ? bytes : 96);
        HeapFree(heap, 0, block);
    }
    QueryPerformanceCounter(&to);
    printf("  module block of %7lu bytes, allocated and freed: %8.1f us/row\n", (unsigned long)bytes,
           (double)(to.QuadPart - from.QuadPart) * 1e6 / (double)frequency.QuadPart / BLOCKS);
}

int Profile(int totalRows)
{
    HWND list = CreateBenchList();
    SyntheticTables tables;
    if (!list || totalRows < 1 || !MakeSyntheticTables(totalRows, &tables)) {
        printf("could not set up the profile\n");
        return 1;
    }
    ProfileListMessages(list, &tables.rows);

    printf("Work between the messages, %d rows\n", totalRows);
    ActiveTables = &tables;
    double work[3];
    for (int run = 0; run < 3; run++)
        work[run] = RunOnWorker(list, RefreshIntoNothingJob, NULL, FALSE).seconds;
    ActiveTables = NULL;
    printf("  refresh into no window (median of 3): %8.1f us/row\n", Median(work, 3) * 1e6 / totalRows);
    for (int pass = 0; pass < BENCH_PASS_COUNT; pass++)
        ProfileModuleBlock(tables.tableBytes[pass]);
    ProfileModuleBlock(sizeof(TCPIP_OWNER_MODULE_BASIC_INFO) + 128);
    FreeSyntheticTables(&tables);
    return 0;
}

// Fails unless a refresh and the floor both fill the list with exactly the expected texts:
// guards the benchmark against measuring a refresh that no longer reads the stand-ins.
int Smoke(void)
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
        printf("%s: %d rows in %.3f s, %d cells differing, longest posted wait %.1f ms\n", kind ? "floor" : "refresh",
               filled, run.seconds, differing, run.longestPostWaitMs);
        if (filled != SMOKE_ROWS || differing != 0 || run.seconds <= 0.0 || run.postsSeen == 0)
            failed = 1;
    }
    ActiveTables = NULL;
    FreeSyntheticTables(&tables);
    return failed;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "smoke") == 0)
        return Smoke();
    if (argc > 2 && strcmp(argv[1], "profile") == 0)
        return Profile(atoi(argv[2]));
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    if (runs < 1 || runs > MAX_RUNS) {
        printf("runs must be 1 to %d\n", MAX_RUNS);
        return 2;
    }
    HWND list = CreateBenchList();
    if (!list) {
        printf("could not create the list window\n");
        return 1;
    }
    // Every few milliseconds, but not so often that the probe's own messages queue up behind
    // each other: the window serves about one posted message per list message it handles.
    ProbeIntervalMs = 5;
    printf("Refresh against its floor, synthetic tables, median of %d runs of each size, taking turns; a message "
           "posted to the window "
           "every %lu ms in the probed runs\n",
           runs, (unsigned long)ProbeIntervalMs);
    fflush(stdout);

    return MeasureSizes(list, runs) ? 0 : 1;
}
