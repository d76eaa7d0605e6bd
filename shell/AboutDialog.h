#pragma once

#include <windows.h>

// Dialog procedure of template IDD_ABOUTBOX.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
