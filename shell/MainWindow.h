#pragma once

#include <windows.h>

enum { MAIN_TEXT_CHARS = 100 };

// The instance the program was started with; dialogs and the list view are created from it.
extern HINSTANCE Instance;

// Class name and title of the main window, from the string table.
extern wchar_t MainClassName[MAIN_TEXT_CHARS];
extern wchar_t MainTitle[MAIN_TEXT_CHARS];

// Registers the main window class (named MainClassName) with its icons and menu.
ATOM RegisterMainClass(HINSTANCE instance);

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
