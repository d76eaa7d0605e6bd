#pragma once
// The program's main window, unshown, over the shared fakes with every endpoint table empty:
// the fixture of the tests that drive the shell's first paint, Reload and refresh workers in
// this process. A test's own TearDown waits for the workers it started before calling this one.
#include <winsock2.h>
#include <windows.h>

#include "shell/ConnectionList.h"
#include "shell/MainWindow.h"
#include "tests/snapshot/Expect.h"

#include <wchar.h>

#include <vector>

class MainWindowFixture : public FakePlatformTest {
protected:
    void SetUp() override
    {
        FakePlatformTest::SetUp();
        for (bool tcp : {true, false})
            for (ULONG family : {2ul, 23ul})
                fake::Table(tcp, family).block = MakeTableBlock(0, nullptr, 0, 0);
        ConnectionList = NULL;
        RefreshWorkerHandle = NULL;
        Instance = GetModuleHandleW(NULL);
        wcscpy(MainClassName, L"VANTREL");
        static ATOM registered = RegisterMainClass(Instance);
        ASSERT_NE(0, registered);
        main = CreateWindowExW(0, MainClassName, L"Vantrel", WS_OVERLAPPEDWINDOW, 0, 0, 640, 400, NULL, NULL, Instance,
                               NULL);
        ASSERT_NE(nullptr, main);
    }
    void TearDown() override
    {
        DestroyWindow(main);
        if (RefreshWorkerHandle != NULL)
            CloseHandle(RefreshWorkerHandle);
        ConnectionList = NULL;
        RefreshWorkerHandle = NULL;
        FakePlatformTest::TearDown();
    }

    // Handles the workers' list messages until each of `workers` has ended (none for 10 s
    // means it has not), and closes them.
    static bool WorkersEnded(std::vector<HANDLE> &workers)
    {
        bool ended = true;
        for (HANDLE worker : workers) {
            for (;;) {
                DWORD woke = MsgWaitForMultipleObjects(1, &worker, FALSE, 10000, QS_ALLINPUT);
                if (woke != WAIT_OBJECT_0 + 1) {
                    ended = ended && woke == WAIT_OBJECT_0;
                    break;
                }
                MSG msg;
                while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
                    DispatchMessageW(&msg);
            }
            CloseHandle(worker);
        }
        workers.clear();
        return ended;
    }

    HWND main = NULL;
};
