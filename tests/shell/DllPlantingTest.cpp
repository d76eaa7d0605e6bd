// A DLL planted in the program's folder under the name of a system library that is not a
// known DLL must never be loaded. Wine, unlike Windows, prefers its own built-in copy of a
// system library to a file in the program's folder; the runs below ask it to prefer the file
// (native first), as Windows would, so that only the program's own defence keeps the plant out.
// A control program that loads the libraries by name without that defence shows that the
// plant is loaded when nothing stops it.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/shell/ProgramDriver.h"

namespace {

const wchar_t *const PlantedNames[] = {L"iphlpapi.dll", L"comctl32.dll"};

std::wstring Lower(std::wstring text)
{
    for (wchar_t &c : text)
        c = (wchar_t)towlower(c);
    return text;
}

bool Exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder holding `program` and the plant under each planted name.
class PlantedFolder {
public:
    PlantedFolder(const char *program, const wchar_t *programName)
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"vantrel-planting-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(++serial_);
        CreateDirectoryW(folder_.c_str(), NULL);
        ready_ = CopyFileW(driver::WindowsPath(program).c_str(), Path(programName).c_str(), FALSE) != 0;
        files_.push_back(programName);
        for (const wchar_t *name : PlantedNames) {
            ready_ = ready_ && CopyFileW(driver::WindowsPath(PLANTED_LIBRARY).c_str(), Path(name).c_str(), FALSE);
            files_.push_back(name);
            files_.push_back(std::wstring(name) + L".loaded");
        }
    }
    PlantedFolder(const PlantedFolder &) = delete;
    PlantedFolder &operator=(const PlantedFolder &) = delete;
    ~PlantedFolder()
    {
        for (const std::wstring &file : files_)
            DeleteFileW(Path(file).c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    bool Ready() const { return ready_; }
    std::wstring Path(const std::wstring &name) const { return folder_ + L"\\" + name; }
    bool PlantRan(const wchar_t *name) const { return Exists(Path(std::wstring(name) + L".loaded")); }

private:
    static int serial_;
    std::wstring folder_;
    std::vector<std::wstring> files_;
    bool ready_ = false;
};
int PlantedFolder::serial_ = 0;

// Starts the program `name` of `folder` with Wine told to prefer a library file in the
// program's folder to its own copy, as Windows' search would without the program's defence.
class Started {
public:
    Started(const PlantedFolder &folder, const wchar_t *name)
        : loadOrder_(name, {L"iphlpapi", L"comctl32"}, L"native,builtin")
    {
        if (!loadOrder_.Ready())
            return;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        std::wstring program = folder.Path(name);
        std::wstring commandLine = L"\"" + program + L"\"";
        started_ = CreateProcessW(program.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                  &process_) != 0;
    }
    Started(const Started &) = delete;
    Started &operator=(const Started &) = delete;
    ~Started()
    {
        if (started_)
            driver::EndProcess(process_);
    }

    bool Ok() const { return started_; }
    DWORD Id() const { return process_.dwProcessId; }
    HANDLE Handle() const { return process_.hProcess; }

    DWORD ExitCodeWithin(DWORD ms) const { return driver::ExitCodeWithin(process_.hProcess, ms); }

    // Full paths of the modules loaded in the process, lower-cased.
    std::vector<std::wstring> Modules() const
    {
        std::vector<std::wstring> paths;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_.dwProcessId);
        if (snapshot == INVALID_HANDLE_VALUE)
            return paths;
        MODULEENTRY32W module = {};
        module.dwSize = sizeof(module);
        for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module))
            paths.push_back(Lower(module.szExePath));
        CloseHandle(snapshot);
        return paths;
    }

private:
    driver::LoadOrder loadOrder_;
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
};

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM parameter)
{
    WindowSearch *search = (WindowSearch *)parameter;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (process != search->process || wcscmp(name, L"VANTREL") != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND MainWindowOf(const Started &program)
{
    WindowSearch search = {program.Id(), NULL};
    for (int i = 0; i < 200 && search.found == NULL; ++i) {
        EnumWindows(MatchMainWindow, (LPARAM)&search);
        if (search.found == NULL)
            Sleep(50);
    }
    return search.found;
}

// The protocol column of every row of another process's list, once it holds `rows` rows.
std::vector<std::wstring> ProtocolsOnceFilled(const Started &program, HWND list, size_t rows)
{
    BYTE *remote = (BYTE *)VirtualAllocEx(program.Handle(), NULL, 0x2000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    std::vector<std::wstring> protocols;
    if (remote == NULL)
        return protocols;
    DWORD start = GetTickCount();
    DWORD_PTR count = 0;
    while (GetTickCount() - start < 20000) {
        if (SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &count) && count == rows)
            break;
        Sleep(200);
    }
    for (int item = 0; item < (int)count; ++item) {
        LVITEMW record = {};
        record.iSubItem = 5;
        record.pszText = (LPWSTR)(remote + 0x1000);
        record.cchTextMax = 64;
        static const wchar_t zeros[64] = {};
        WriteProcessMemory(program.Handle(), remote + 0x1000, zeros, sizeof(zeros), NULL);
        WriteProcessMemory(program.Handle(), remote, &record, sizeof(record), NULL);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(list, LVM_GETITEMTEXTW, item, (LPARAM)remote, SMTO_NORMAL, 5000, &ignored);
        wchar_t text[64] = {};
        ReadProcessMemory(program.Handle(), remote + 0x1000, text, sizeof(text) - sizeof(wchar_t), NULL);
        protocols.push_back(text);
    }
    VirtualFreeEx(program.Handle(), remote, 0, MEM_RELEASE);
    return protocols;
}

SOCKET LoopbackSocket(int type)
{
    SOCKET s = socket(AF_INET, type, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s != INVALID_SOCKET &&
        (bind(s, (sockaddr *)&address, sizeof(address)) != 0 || (type == SOCK_STREAM && listen(s, 1) != 0))) {
        closesocket(s);
        s = INVALID_SOCKET;
    }
    return s;
}

TEST(DllPlanting, APlantLoadedByNameWithoutTheDefenceRunsButVantrelNeverLoadsItAndStillFillsItsList)
{
    // Control: the plant, the native-first load order and the markers together catch a
    // program that searches its own folder.
    {
        PlantedFolder folder(PLANT_CONTROL_EXE, L"PlantControl.exe");
        ASSERT_TRUE(folder.Ready());
        Started control(folder, L"PlantControl.exe");
        ASSERT_TRUE(control.Ok());
        EXPECT_EQ(2u, control.ExitCodeWithin(20000));
        for (const wchar_t *name : PlantedNames)
            ASSERT_TRUE(folder.PlantRan(name))
                << "the control did not load the planted " << name << ", so the check below could not fail";
    }

    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    SOCKET listener = LoopbackSocket(SOCK_STREAM);
    SOCKET datagrams = LoopbackSocket(SOCK_DGRAM);
    ASSERT_NE(INVALID_SOCKET, listener);
    ASSERT_NE(INVALID_SOCKET, datagrams);

    // Under a name of its own, so the load-order setting touches no other run of the program.
    PlantedFolder folder(VANTREL_EXE, L"VantrelBesidePlant.exe");
    ASSERT_TRUE(folder.Ready());
    Started program(folder, L"VantrelBesidePlant.exe");
    ASSERT_TRUE(program.Ok());
    HWND main = MainWindowOf(program);
    ASSERT_NE((HWND)NULL, main);
    // The two endpoints of this namespace, read through the system's IP Helper. (A program
    // that took the planted common controls has no list; the checks of the plant still run.)
    HWND list = NULL;
    for (int i = 0; i < 100 && list == NULL; ++i) {
        list = FindWindowExW(main, NULL, WC_LISTVIEWW, NULL);
        if (list == NULL)
            Sleep(50);
    }
    EXPECT_NE((HWND)NULL, list);
    EXPECT_EQ((std::vector<std::wstring>{L"UDPv4", L"TCPv4"}),
              list != NULL ? ProtocolsOnceFilled(program, list, 2) : std::vector<std::wstring>());

    // Both libraries are in use, and from the system folder: for a 32-bit program on 64-bit
    // Windows that is the folder the system one is redirected to, which its module list names.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    wchar_t redirected[MAX_PATH] = {};
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    ASSERT_EQ(UNDER_WOW64, wow64) << "the prefix is not of the kind this test runs in";
    if (wow64)
        GetSystemWow64DirectoryW(redirected, MAX_PATH);
    std::vector<std::wstring> modules = program.Modules();
    for (const wchar_t *name : PlantedNames) {
        std::wstring expected = Lower(std::wstring(system) + L"\\" + name);
        std::wstring expectedRedirected = Lower(std::wstring(redirected) + L"\\" + name);
        EXPECT_TRUE(std::count(modules.begin(), modules.end(), expected) ||
                    (wow64 && std::count(modules.begin(), modules.end(), expectedRedirected)))
            << "not loaded from the system folder: " << name;
        EXPECT_FALSE(std::count(modules.begin(), modules.end(), Lower(folder.Path(name))))
            << "loaded from the program's folder: " << name;
        EXPECT_FALSE(folder.PlantRan(name)) << "the planted " << name << " was loaded";
    }

    PostMessageW(main, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(0u, program.ExitCodeWithin(10000));
    closesocket(listener);
    closesocket(datagrams);
}

} // namespace
