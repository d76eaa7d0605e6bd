// The compiled dialog template 129, read back from the program's resources.
#include "res/resource.h"
#include "tests/common/DialogTemplate.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

using dialogtesting::ControlTemplate;
using dialogtesting::DialogTemplate;
using dialogtesting::ExpectedDialog;

namespace {

const DWORD ExitStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
const DWORD GroupStyle = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
const DWORD LabelStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
const DWORD EditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL | ES_READONLY;

struct Field {
    int identifier;
    const wchar_t *label;
    short labelX, labelY, labelWidth, editX, editY, editWidth;
};

const Field Fields[] = {
    {1000, L"IP Addresses (count):", 12, 17, 71, 94, 17, 46},
    {1001, L"Receives: ", 12, 47, 34, 64, 47, 76},
    {1002, L"Out Requests: ", 12, 62, 50, 64, 62, 76},
    {1003, L"Default TTL:  ", 12, 77, 44, 64, 77, 76},
    {1004, L"Active Opens:", 13, 110, 46, 91, 110, 50},
    {1005, L"Interfaces (count):", 12, 32, 62, 94, 32, 46},
    {1006, L"Passive Opens:", 13, 125, 50, 91, 125, 50},
    {1007, L"Total Connections:", 13, 140, 61, 91, 140, 50},
    {1008, L"Active Opens:", 163, 110, 46, 241, 110, 50},
    {1009, L"Passive Opens:", 163, 125, 50, 241, 125, 50},
    {1010, L"Total Connections:", 163, 140, 61, 241, 140, 50},
    {1011, L"IP Addresses (count):", 163, 17, 71, 245, 17, 46},
    {1012, L"Receives: ", 163, 46, 34, 215, 46, 76},
    {1013, L"Out Requests: ", 163, 62, 50, 215, 62, 76},
    {1014, L"Default TTL:  ", 163, 77, 44, 215, 77, 76},
    {1015, L"Interfaces (count):", 163, 32, 62, 245, 32, 46},
    {1016, L"IP Address (count): ", 13, 175, 66, 90, 175, 50},
    {1017, L"In Datagrams: ", 13, 190, 49, 90, 190, 50},
    {1018, L"Out Datagrams:", 13, 205, 52, 90, 205, 50},
    {1019, L"Number of Ports: ", 13, 220, 58, 90, 220, 50},
    {1020, L"IP Address (count): ", 163, 175, 66, 239, 175, 50},
    {1021, L"In Datagrams: ", 163, 191, 49, 239, 191, 50},
    {1022, L"Out Datagrams:", 163, 206, 52, 239, 206, 50},
    {1023, L"Number of Ports: ", 163, 221, 58, 239, 221, 50},
    {1024, L"Incoming:", 13, 252, 32, 90, 252, 50},
    {1025, L"Incoming Erros:", 13, 268, 51, 90, 268, 50},
    {1026, L"Outgoing:", 13, 283, 33, 90, 283, 50},
    {1027, L"Outgoing Erros:", 13, 298, 52, 90, 298, 50},
    {1028, L"Incoming:", 163, 252, 32, 239, 252, 50},
    {1029, L"Incoming Errrors: ", 163, 268, 58, 239, 268, 50},
    {1030, L"Outgoing:", 163, 284, 33, 239, 284, 50},
    {1031, L"Outgoing Errors:", 163, 299, 54, 239, 299, 50},
};

const ControlTemplate Groups[] = {
    {L"button", L"IP V4 Statistics:", -1, 6, 3, 143, 90, GroupStyle, 0},
    {L"button", L"IP V6 Statistics:", -1, 157, 3, 143, 90, GroupStyle, 0},
    {L"button", L"TCP V4 Statistics:", -1, 7, 96, 143, 64, GroupStyle, 0},
    {L"button", L"TCP V6 Statistics:", -1, 157, 96, 143, 64, GroupStyle, 0},
    {L"button", L"UDP V4 Statistics:", -1, 7, 162, 143, 75, GroupStyle, 0},
    {L"button", L"UDP V6 Statistics:", -1, 157, 162, 143, 75, GroupStyle, 0},
    {L"button", L"ICMP V4 Statistics:", -1, 7, 239, 143, 75, GroupStyle, 0},
    {L"button", L"ICMP V6 Statistics:", -1, 157, 239, 143, 75, GroupStyle, 0},
};

TEST(StatisticsTemplate, MatchesTheLayoutControlByControl)
{
    DialogTemplate t = dialogtesting::LoadDialogTemplate(IDD_STATISTICS);
    ASSERT_TRUE(t.extended);
    const ExpectedDialog header = {0x80C800C8u, 307, 339, L"Network Statistics", 8, 400, L"MS Shell Dlg"};
    EXPECT_TRUE(t == header) << Describe(t);

    // Exit first, then the fields in identifier order with the labels and group boxes among them.
    std::vector<ControlTemplate> expectedFields, expectedOthers(std::begin(Groups), std::end(Groups));
    for (const Field &field : Fields) {
        expectedFields.push_back(
            {L"edit", L"", field.identifier, field.editX, field.editY, field.editWidth, 12, EditStyle, 0});
        expectedOthers.push_back(
            {L"static", field.label, -1, field.labelX, field.labelY, field.labelWidth, 8, LabelStyle, 0});
    }
    const std::vector<ControlTemplate> &controls = t.controls;
    ASSERT_EQ(1 + expectedFields.size() + expectedOthers.size(), controls.size());
    EXPECT_EQ((ControlTemplate{L"button", L"Exit", IDOK, 128, 318, 50, 12, ExitStyle, 0}), controls[0]);
    std::vector<ControlTemplate> fields, others;
    for (size_t i = 1; i < controls.size(); i++)
        (controls[i].className == L"edit" ? fields : others).push_back(controls[i]);
    EXPECT_EQ(expectedFields, fields);
    std::sort(expectedOthers.begin(), expectedOthers.end());
    std::sort(others.begin(), others.end());
    EXPECT_EQ(expectedOthers, others);
}

} // namespace
