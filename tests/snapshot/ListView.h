#pragma once
// A real SysListView32 in report view with the six connection columns, for the pass tests.
// Its window procedure is subclassed so that every list operation the passes send can be
// recorded in an event list (the fakes' one, so that list operations and platform calls
// appear in one order).

#include <windows.h>

#include <string>

#include <vector>

struct ListRow {
    std::wstring texts[6];
    int image;
};

HWND CreateConnectionList(); // hidden, owns nothing else; destroy with DestroyWindow
// Records list operations into `events` and broken item-record rules into `faults`;
// NULL stops recording.
void RecordListOperations(std::vector<std::string> *events, std::vector<std::string> *faults);
std::vector<ListRow> ReadRows(HWND list);
// A row as "name|source|remote|remote name|status|protocol".
std::wstring RowLine(const ListRow &row);
std::vector<std::wstring> RowLines(HWND list);
