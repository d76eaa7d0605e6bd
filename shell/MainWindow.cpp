#include "shell/MainWindow.h"

#include "netparams/NetworkDataDialog.h"
#include "res/resource.h"
#include "shell/AboutDialog.h"
#include "shell/ConnectionList.h"
#include "shell/Winsock.h"
#include "stats/StatisticsDialog.h"

HINSTANCE Instance = NULL;
wchar_t MainClassName[MAIN_TEXT_CHARS];
wchar_t MainTitle[MAIN_TEXT_CHARS];

namespace {

// The list is made on the first paint rather than on WM_CREATE, so it takes the size the
// client area has once the window is shown. A failed attempt is retried on the next paint.
void CreateListOnFirstPaint(HWND main)
{
    ConnectionList = CreateConnectionList(main);
    if (ConnectionList == NULL)
        return;
    StartWinsock();
    ShowWindow(ConnectionList, SW_SHOW);
    InsertConnectionColumns();
    StartRefresh();
}

void PaintMainWindow(HWND main)
{
    PAINTSTRUCT paint;
    BeginPaint(main, &paint);
    if (ConnectionList == NULL)
        CreateListOnFirstPaint(main);
    EndPaint(main, &paint);
}

void ShowAboutBox(HWND main)
{
    DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_ABOUTBOX), main, AboutDlgProc, 0);
}

void ShowStatistics(HWND main)
{
    DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_STATISTICS), main, StatisticsDlgProc, 0);
}

void ShowNetworkData(HWND main)
{
    DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_NETWORKDATA), main, NetworkDataDlgProc, 0);
}

void ExitVantrel(HWND main)
{
    DestroyWindow(main);
}

LRESULT RunCommand(HWND main, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDM_ABOUT:
        ShowAboutBox(main);
        return 0;
    case IDM_EXIT:
        ExitVantrel(main);
        return 0;
    case IDM_STATISTICS:
        ShowStatistics(main);
        return 0;
    case IDM_RELOAD:
        StartRefresh();
        return 0;
    case IDM_NETWORKDATA:
        ShowNetworkData(main);
        return 0;
    default:
        return DefWindowProcW(main, WM_COMMAND, wParam, lParam);
    }
}

// The group's own image for the size the system draws at that place: LoadIconW would give the
// large size everywhere, which the caption then shrinks instead of showing the 16-pixel
// image drawn for it. Not shared: a shared icon may come from a cache filled at another size,
// and the class keeps these for the life of the process anyway.
HICON LoadIconOfSize(HINSTANCE instance, WORD group, int widthMetric, int heightMetric)
{
    return (HICON)LoadImageW(instance, MAKEINTRESOURCEW(group), IMAGE_ICON, GetSystemMetrics(widthMetric),
                             GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR);
}

} // namespace

ATOM RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconOfSize(instance, IDI_VANTREL, SM_CXICON, SM_CYICON);
    windowClass.hCursor = LoadCursorW(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDC_VANTREL);
    windowClass.lpszClassName = MainClassName;
    windowClass.hIconSm = LoadIconOfSize(instance, IDI_SMALL, SM_CXSMICON, SM_CYSMICON);
    return RegisterClassExW(&windowClass);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return RunCommand(window, wParam, lParam);
    case WM_PAINT:
        PaintMainWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
