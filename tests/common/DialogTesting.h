// A modal run of one of the program's dialogs that acts on the open dialog from inside its
// own modal loop, as a user would.
#pragma once

#include <windows.h>

#include <cwchar>
#include <functional>
#include <utility>

namespace dialogtesting {

// Ends a dialog that the action under test failed to close, so the run cannot hang.
const INT_PTR kLeftOpen = 0x7E57;

struct ModalRun {
    HWND owner;
    std::function<void(HWND)> action;
    UINT_PTR actionTimer;
    UINT_PTR watchdog;
};

inline ModalRun &CurrentRun()
{
    static ModalRun run;
    return run;
}

inline BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM found)
{
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    if (GetWindow(window, GW_OWNER) == CurrentRun().owner && wcscmp(className, L"#32770") == 0) {
        *(HWND *)found = window;
        return FALSE;
    }
    return TRUE;
}

inline HWND OpenDialog()
{
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindOwnedDialog, (LPARAM)&found);
    return found;
}

inline void CALLBACK EndLeftOpenDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    if (HWND dialog = OpenDialog())
        EndDialog(dialog, kLeftOpen);
}

inline void CALLBACK ActOnOpenDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    HWND dialog = OpenDialog();
    if (dialog == NULL) {
        CurrentRun().actionTimer = SetTimer(NULL, 0, 20, ActOnOpenDialog);
        return;
    }
    CurrentRun().actionTimer = 0;
    CurrentRun().watchdog = SetTimer(NULL, 0, 3000, EndLeftOpenDialog);
    CurrentRun().action(dialog);
}

// Owner window for the dialogs, as the main window is in the program.
inline HWND CreateOwner()
{
    return CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, NULL, NULL,
                           GetModuleHandleW(NULL), NULL);
}

// Opens the dialog modally over `owner`, lets `action` act on it from inside the modal
// loop, and returns the dialog's end code (kLeftOpen when the action did not end it).
inline INT_PTR RunModal(HWND owner, int templateId, DLGPROC proc, std::function<void(HWND)> action)
{
    CurrentRun() = ModalRun{owner, std::move(action), 0, 0};
    CurrentRun().actionTimer = SetTimer(NULL, 0, 20, ActOnOpenDialog);
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(templateId), owner, proc, 0);
    if (CurrentRun().actionTimer != 0)
        KillTimer(NULL, CurrentRun().actionTimer);
    if (CurrentRun().watchdog != 0)
        KillTimer(NULL, CurrentRun().watchdog);
    return result;
}

// Keys go through the modal loop, where the dialog manager turns them into commands.
inline void PressKey(HWND dialog, UINT key)
{
    HWND focus = GetFocus();
    PostMessageW(focus != NULL ? focus : dialog, WM_KEYDOWN, key, 1);
}

inline void PressEnterIn(HWND dialog, int controlId)
{
    SetFocus(GetDlgItem(dialog, controlId));
    PressKey(dialog, VK_RETURN);
}

inline void PressEscape(HWND dialog)
{
    PressKey(dialog, VK_ESCAPE);
}

inline void ClickButton(HWND dialog, int buttonId)
{
    SendDlgItemMessageW(dialog, buttonId, BM_CLICK, 0, 0);
}

inline void CloseFromTitleBar(HWND dialog)
{
    SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace dialogtesting
