#include "DialogHarness.h"

#include "res/resource.h"

namespace {

struct Closing {
    CloseBy how;
    void (*whileOpen)(HWND dialog);
    DialogRun *run;
} Pending;

HWND Owner()
{
    // A real top-level window owns the dialog, as the main window does in the program.
    static HWND owner = NULL;
    if (owner == NULL) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(NULL);
        windowClass.lpszClassName = L"StatisticsTestOwner";
        RegisterClassW(&windowClass);
        owner = CreateWindowW(L"StatisticsTestOwner", L"Owner", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, NULL, NULL,
                              GetModuleHandleW(NULL), NULL);
        ShowWindow(owner, SW_SHOW);
    }
    return owner;
}

BOOL CALLBACK MatchDialog(HWND window, LPARAM found)
{
    wchar_t name[16] = L"";
    GetClassNameW(window, name, 16);
    // Not necessarily visible yet: the modal loop shows it only once it runs out of messages.
    if (lstrcmpW(name, L"#32770") != 0 || GetWindow(window, GW_OWNER) != Owner())
        return TRUE;
    *reinterpret_cast<HWND *>(found) = window;
    return FALSE;
}

void CALLBACK CloseWhenDue(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    HWND dialog = NULL;
    EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&dialog));
    Pending.run->dialog = dialog;
    if (Pending.whileOpen)
        Pending.whileOpen(dialog);
    Pending.run->closeStarted = GetTickCount();
    switch (Pending.how) {
    case CLOSE_BY_EXIT:
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        break;
    case CLOSE_BY_ESCAPE:
        PostMessageW(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        break;
    case CLOSE_BY_CLOSE_BOX:
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

} // namespace

DialogRun RunStatisticsDialog(DLGPROC procedure, DWORD openFor, CloseBy how, void (*whileOpen)(HWND dialog))
{
    DialogRun run = {};
    Pending = {how, whileOpen, &run};
    HWND owner = Owner();
    UINT_PTR timer = SetTimer(NULL, 0, openFor, CloseWhenDue);
    run.opened = GetTickCount();
    run.result = DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_STATISTICS), owner, procedure, 0);
    run.closed = GetTickCount();
    KillTimer(NULL, timer);
    return run;
}
