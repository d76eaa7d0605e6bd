// The statistics calls made to fail in turn: each group's query, and the poller's thread.
#include "DialogHarness.h"
#include "FakeStatistics.h"
#include "res/resource.h"
#include "stats/Statistics.h"
#include "stats/StatisticsDialog.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>
#include "testsupport/ImportSlot.h"

namespace {

bool FailThreads;
int ThreadRequests;

HANDLE WINAPI FakeCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                               LPVOID parameter, DWORD flags, LPDWORD id)
{
    typedef HANDLE(WINAPI * Function)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD);
    static Function real = (Function)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateThread");
    if (start != StatisticsPoller) // the test framework's own threads
        return real(security, stack, start, parameter, flags, id);
    ++ThreadRequests;
    if (FailThreads) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    return real(security, stack, start, parameter, flags, id);
}

} // namespace

// CreateThread is declared as an import: the dialog reaches it through this slot.
typedef HANDLE(WINAPI *CreateThreadFunction)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                                             LPDWORD);
extern "C" {
CreateThreadFunction FakeImpCreateThread __asm__(IMPORT_SLOT(CreateThread, 24)) = FakeCreateThread;
}

namespace {

struct Group {
    const char *name;
    FakeQuery query;
    int family; // 0 IPv4, 1 IPv6
    std::vector<int> fields;
};

const Group Groups[] = {
    {"Tcp4", FAKE_TCP, 0, {1004, 1006, 1007}},           {"Tcp6", FAKE_TCP, 1, {1008, 1009, 1010}},
    {"Udp4", FAKE_UDP, 0, {1016, 1017, 1018, 1019}},     {"Udp6", FAKE_UDP, 1, {1020, 1021, 1022, 1023}},
    {"Ip4", FAKE_IP, 0, {1000, 1005, 1001, 1002, 1003}}, {"Ip6", FAKE_IP, 1, {1011, 1015, 1012, 1013, 1014}},
    {"Icmp4", FAKE_ICMP, 0, {1024, 1025, 1026, 1027}},   {"Icmp6", FAKE_ICMP, 1, {1028, 1029, 1030, 1031}},
};

void PrintTo(const Group &group, std::ostream *os)
{
    *os << group.name;
}

INT_PTR CALLBACK InertDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

typedef std::map<int, std::wstring> Texts;

Texts FieldTexts(HWND dialog)
{
    Texts texts;
    for (int id = IDC_IP4_NUM_ADDR; id <= IDC_IP4_NUM_ADDR + 31; ++id) {
        wchar_t text[64] = L"";
        GetDlgItemTextW(dialog, id, text, 64);
        texts[id] = text;
    }
    return texts;
}

HWND CreateStatisticsDialog()
{
    return CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_STATISTICS), NULL, InertDlgProc, 0);
}

// What the fields show after readings 1 .. `generation`, none of them failing.
Texts Reference(LONG generation)
{
    HWND dialog = CreateStatisticsDialog();
    LONG was = FakeGeneration;
    FakeGeneration = generation;
    FillStatistics(dialog);
    FakeGeneration = was;
    Texts texts = FieldTexts(dialog);
    DestroyWindow(dialog);
    return texts;
}

class FailingGroup : public testing::TestWithParam<Group> {
protected:
    void SetUp() override { ResetFakeStatistics(); }
};

TEST_P(FailingGroup, KeepsItsFieldsWhileTheOthersTakeTheReading)
{
    const Group &group = GetParam();
    Texts first = Reference(1), second = Reference(2);
    ASSERT_NE(first, second);
    HWND dialog = CreateStatisticsDialog();
    ASSERT_NE(nullptr, dialog);
    size_t before = FakeCalls().size();

    // The first reading fails for the group: its fields stay empty.
    FakeResult[group.query][group.family] = ERROR_NOT_SUPPORTED;
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, FillStatistics(dialog));
    Texts expected = first;
    for (int id : group.fields)
        expected[id] = L"";
    EXPECT_EQ(expected, FieldTexts(dialog));

    // A good reading, then one that fails for the group again: its fields keep the good one.
    FakeResult[group.query][group.family] = NO_ERROR;
    FillStatistics(dialog);
    EXPECT_EQ(first, FieldTexts(dialog));
    FakeResult[group.query][group.family] = ERROR_INVALID_PARAMETER;
    FakeGeneration = 2;
    EXPECT_EQ(1, FillStatistics(dialog));
    expected = second;
    for (int id : group.fields)
        expected[id] = first[id];
    EXPECT_EQ(expected, FieldTexts(dialog));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    // Every reading asked all eight groups, the failing one included.
    EXPECT_EQ(before + 3 * 8, FakeCalls().size());
    DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(EachGroup, FailingGroup, testing::ValuesIn(Groups),
                         [](const testing::TestParamInfo<Group> &info) { return std::string(info.param.name); });

Texts Shown;

void KeepTexts(HWND dialog)
{
    Shown = FieldTexts(dialog);
}

TEST(PollerThread, ThatCannotBeCreatedLeavesOneReadingAndAnImmediateClose)
{
    ResetFakeStatistics();
    Texts first = Reference(1);
    size_t before = FakeCalls().size();
    FailThreads = true;
    ThreadRequests = 0;
    testing::internal::CaptureStdout();
    // Open across what would be the poller's second reading.
    DialogRun run = RunStatisticsDialog(StatisticsDlgProc, 2800, CLOSE_BY_EXIT, KeepTexts);
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(1, ThreadRequests);
    EXPECT_EQ(first, Shown);
    EXPECT_EQ(before + 8, FakeCalls().size()); // the one reading taken on opening
    // No poller to stop: no pause before the dialog ends.
    EXPECT_LT(run.closed - run.closeStarted, 500u);

    // The next opening starts its poller as usual, and its close waits for it.
    FailThreads = false;
    run = RunStatisticsDialog(StatisticsDlgProc, 400, CLOSE_BY_ESCAPE);
    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_EQ(2, ThreadRequests);
    EXPECT_EQ(before + 24, FakeCalls().size()); // on opening, and the poller's first
    EXPECT_GE(run.closed - run.closeStarted, 950u);
}

} // namespace
