// Opens the Statistics dialog the way the program does, modally over a real top-level
// window, and closes it the way a user would.
#pragma once

#include <windows.h>

enum CloseBy { CLOSE_BY_EXIT, CLOSE_BY_ESCAPE, CLOSE_BY_CLOSE_BOX };

struct DialogRun {
    INT_PTR result;
    HWND dialog;
    DWORD opened;
    DWORD closeStarted; // when the closing input was posted
    DWORD closed;       // when the modal loop returned
};

// `whileOpen` (may be null) runs on the user-interface thread `openFor` ms after the dialog
// opened, just before the closing input is posted.
DialogRun RunStatisticsDialog(DLGPROC procedure, DWORD openFor, CloseBy how, void (*whileOpen)(HWND dialog) = nullptr);
