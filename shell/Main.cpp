#include <windows.h>

#include "common/Countof.h"
#include "res/resource.h"
#include "shell/MainWindow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    LoadStringW(instance, IDS_APP_TITLE, MainTitle, COUNTOF(MainTitle));
    LoadStringW(instance, IDS_WINDOW_CLASS, MainClassName, COUNTOF(MainClassName));
    RegisterMainClass(instance);
    Instance = instance;

    HWND main = CreateWindowExW(0, MainClassName, MainTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                CW_USEDEFAULT, 0, NULL, NULL, instance, NULL);
    if (main == NULL) {
        return 0;
    }
    // Showing and updating paints the window at once, which creates the list before the loop.
    ShowWindow(main, showCommand);
    UpdateWindow(main);

    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_VANTREL));
    MSG msg;
    // Accelerators are translated for the window the key went to, so with the list focused
    // their command reaches the list, not the main window.
    while (GetMessageW(&msg, NULL, 0, 0)) {
        if (!TranslateAcceleratorW(msg.hwnd, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return (int)msg.wParam;
}
