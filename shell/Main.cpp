#include <windows.h>

#include <stdio.h>

#include "common/Countof.h"
#include "res/resource.h"
#include "shell/DelayLoadTable.h"
#include "shell/MainWindow.h"

namespace {

// IP Helper and the common controls are not known DLLs, so the loader would look for them in
// the program's own folder first, where a planted copy would run with the user's rights. The
// program links them delay-loaded (shell/CMakeLists.txt); this runs before their first call
// and leaves only the system folder to search, for them and for whatever they load in turn.
const wchar_t *const DelayLoadedLibraries[] = {L"iphlpapi.dll", L"comctl32.dll"};
// Loaded ahead where the search cannot be narrowed; held for the life of the process.
HMODULE SystemLibraries[COUNTOF(DelayLoadedLibraries)];

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD);

void SearchSystemFolderOnly()
{
    // Windows 8 and later, or 7 and Vista with the loader update: looked up rather than
    // imported, so the program still starts without it.
    FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    SetDefaultDllDirectoriesFunction setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void *>(found));
    if (setDefaultDllDirectories != NULL && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;

    // Without it the program's folder cannot be taken out of the search. Instead the current
    // folder is, and each library is loaded now by its full system path, its own imports
    // searched from there: a later load by name finds the module already loaded, whatever
    // lies in the program's folder. Only these two are pinned so: a library that system code
    // loads later by bare name still looks in the program's folder first.
    SetDllDirectoryW(L"");
    for (size_t i = 0; i < COUNTOF(DelayLoadedLibraries); i++) {
        wchar_t path[MAX_PATH];
        UINT length = GetSystemDirectoryW(path, COUNTOF(path));
        if (length == 0 || length >= COUNTOF(path))
            return;
        // A path too long for the buffer is not loaded from (the call cuts it and says so).
        if (_snwprintf_s(path + length, COUNTOF(path) - length, _TRUNCATE, L"\\%s", DelayLoadedLibraries[i]) < 0)
            return;
        SystemLibraries[i] = LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    MakeImportAddressTableWritable();
    SearchSystemFolderOnly();
    LoadStringW(instance, IDS_APP_TITLE, MainTitle, COUNTOF(MainTitle));
    LoadStringW(instance, IDS_WINDOW_CLASS, MainClassName, COUNTOF(MainClassName));
    RegisterMainClass(instance);
    Instance = instance;

    HWND main = CreateWindowExW(0, MainClassName, MainTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                NULL, NULL, instance, NULL);
    if (main == NULL)
        return 0;
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
