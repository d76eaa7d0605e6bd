#include "tests/snapshot/ListView.h"

#include <commctrl.h>

#include <stdio.h>

namespace {

WNDPROC listProcedure;
std::vector<std::string> *recordedEvents;
std::vector<std::string> *recordedFaults;

std::string Narrow(const wchar_t *text)
{
    std::string result;
    for (; text && *text; ++text)
        result += *text < 128 ? (char)*text : '?';
    return result;
}

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (recordedEvents) {
        char line[1200];
        const LVITEMW *item = (const LVITEMW *)lParam;
        line[0] = 0;
        switch (message) {
        case LVM_GETITEMCOUNT:
            snprintf(line, sizeof(line), "list: count");
            break;
        case LVM_DELETEALLITEMS:
            snprintf(line, sizeof(line), "list: clear");
            break;
        case LVM_INSERTITEMW:
        case LVM_SETITEMW:
            snprintf(line, sizeof(line), "list: %s %d.%d \"%s\"", message == LVM_INSERTITEMW ? "insert" : "set",
                     item->iItem, item->iSubItem, Narrow(item->pszText).c_str());
            if (item->mask != (LVIF_TEXT | LVIF_IMAGE | LVIF_STATE) || item->state || item->stateMask)
                recordedFaults->push_back("list item record: mask, state or stateMask not as the Part says");
            break;
        }
        if (line[0])
            recordedEvents->push_back(line);
    }
    return CallWindowProcW(listProcedure, window, message, wParam, lParam);
}

} // namespace

HWND CreateConnectionList()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 800, 600, NULL, NULL,
                                GetModuleHandleW(NULL), NULL);
    if (!list)
        return NULL;
    static const wchar_t *titles[6] = {L"Module Name", L"Source Address", L"Remote Address",
                                       L"Remote Name", L"Status",         L"Protocol"};
    for (int i = 0; i < 6; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = 120;
        column.pszText = (LPWSTR)titles[i];
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, (LPARAM)&column);
    }
    listProcedure = (WNDPROC)SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)RecordingProc);
    return list;
}

void RecordListOperations(std::vector<std::string> *events, std::vector<std::string> *faults)
{
    recordedEvents = events;
    recordedFaults = faults;
}

std::vector<ListRow> ReadRows(HWND list)
{
    std::vector<std::string> *was = recordedEvents;
    recordedEvents = NULL;
    std::vector<ListRow> rows;
    int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        ListRow row;
        for (int column = 0; column < 6; ++column) {
            wchar_t text[600] = {0};
            LVITEMW item = {};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 600;
            SendMessageW(list, LVM_GETITEMTEXTW, i, (LPARAM)&item);
            row.texts[column] = text;
        }
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)&item);
        row.image = item.iImage;
        rows.push_back(row);
    }
    recordedEvents = was;
    return rows;
}

std::wstring RowLine(const ListRow &row)
{
    std::wstring line;
    for (int column = 0; column < 6; ++column)
        line += (column ? L"|" : L"") + row.texts[column];
    return line;
}

std::vector<std::wstring> RowLines(HWND list)
{
    std::vector<std::wstring> lines;
    for (const ListRow &row : ReadRows(list))
        lines.push_back(RowLine(row));
    return lines;
}
