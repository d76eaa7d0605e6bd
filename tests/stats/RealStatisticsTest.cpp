// The dialog with the system's own statistics queries and field writes.
#include "DialogHarness.h"
#include "stats/StatisticsDialog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Shown[32];

void ReadFields(HWND dialog)
{
    for (int i = 0; i < 32; i++) {
        wchar_t text[64] = L"";
        GetDlgItemTextW(dialog, 1000 + i, text, 64);
        Shown[i] = text;
    }
}

TEST(RealStatistics, EveryFieldHoldsANumber)
{
    DialogRun run = RunStatisticsDialog(StatisticsDlgProc, 800, CLOSE_BY_EXIT, ReadFields);
    EXPECT_EQ(IDOK, run.result);
    for (int i = 0; i < 32; i++) {
        int identifier = 1000 + i;
        bool outgoingIcmp = identifier == 1026 || identifier == 1027 || identifier == 1030 || identifier == 1031;
        std::wstring digits = outgoingIcmp && !Shown[i].empty() && Shown[i][0] == L' ' ? Shown[i].substr(1) : Shown[i];
        EXPECT_EQ(outgoingIcmp, digits.size() != Shown[i].size()) << "field " << identifier;
        EXPECT_FALSE(digits.empty()) << "field " << identifier;
        EXPECT_EQ(std::wstring::npos, digits.find_first_not_of(L"0123456789")) << "field " << identifier;
    }
}

} // namespace
