#pragma once

#include <windows.h>

// For a modal dialog's WM_COMMAND: OK (Enter) and Cancel (Escape, the close box) end the
// dialog with their own identifier. Returns TRUE when the command was one of them.
INT_PTR EndDialogOnOkOrCancel(HWND dialog, WPARAM wParam);
