#pragma once

#include <windows.h>

// Dialog procedure of template IDD_NETWORKDATA.
INT_PTR CALLBACK NetworkDataDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Reads the host's network parameters into the dialog's fields. Returns 0 when the
// parameters block could not be allocated, otherwise 1.
int FillNetworkData(HWND dialog);
