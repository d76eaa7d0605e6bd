#include "tests/shell/ProgramDriver.h"

#include <algorithm>

namespace driver {

namespace {

std::wstring Port(unsigned port)
{
    return std::to_wstring(port);
}

const DWORD BLOCK_BYTES = 0x10000;
const size_t TEXT_OFFSET = 0x1000;
const int TEXT_CHARS = 512;

struct DialogSearch {
    HWND owner;
    const wchar_t *caption;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter)
{
    DialogSearch *search = (DialogSearch *)parameter;
    wchar_t className[16] = {}, caption[64] = {};
    GetClassNameW(window, className, 16);
    GetWindowTextW(window, caption, 64);
    if (GetWindow(window, GW_OWNER) == search->owner && wcscmp(className, L"#32770") == 0 &&
        wcscmp(caption, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

// Wine hands us a Unix path; CreateProcess wants the drive form.
std::wstring WindowsPath(const char *path)
{
    std::wstring wide(path, path + strlen(path));
    if (!wide.empty() && wide[0] == L'/') {
        std::replace(wide.begin(), wide.end(), L'/', L'\\');
        wide = L"Z:" + wide;
    }
    return wide;
}

LoadOrder::LoadOrder(const wchar_t *programName, std::initializer_list<const wchar_t *> libraries, const wchar_t *order)
    : key_(std::wstring(L"Software\\Wine\\AppDefaults\\") + programName)
{
    HKEY overrides = NULL;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL,
                        &overrides, NULL) != ERROR_SUCCESS)
        return;
    ready_ = true;
    DWORD bytes = (DWORD)((wcslen(order) + 1) * sizeof(wchar_t));
    for (const wchar_t *library : libraries)
        ready_ = ready_ && RegSetValueExW(overrides, library, 0, REG_SZ, (const BYTE *)order, bytes) == ERROR_SUCCESS;
    RegCloseKey(overrides);
}

LoadOrder::~LoadOrder()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
}

// ---- sockets of our own --------------------------------------------------------------

void Socket::Reset(SOCKET handle)
{
    Close();
    handle_ = handle;
    if (handle_ != INVALID_SOCKET)
        SetHandleInformation((HANDLE)handle_, HANDLE_FLAG_INHERIT, 0);
}

void Socket::Close()
{
    if (handle_ != INVALID_SOCKET)
        closesocket(handle_);
    handle_ = INVALID_SOCKET;
}

unsigned Socket::LocalPort() const
{
    sockaddr_storage address = {};
    int length = sizeof(address);
    getsockname(handle_, (sockaddr *)&address, &length);
    return ntohs(address.ss_family == AF_INET6 ? ((sockaddr_in6 &)address).sin6_port
                                               : ((sockaddr_in &)address).sin_port);
}

SOCKET Bound(int family, int type, bool listening)
{
    SOCKET s = socket(family, type, 0);
    if (s == INVALID_SOCKET)
        return s;
    int result;
    if (family == AF_INET) {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        result = bind(s, (sockaddr *)&address, sizeof(address));
    } else {
        sockaddr_in6 address = {};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        result = bind(s, (sockaddr *)&address, sizeof(address));
    }
    if (result != 0 || (listening && listen(s, 4) != 0)) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

Endpoints::Endpoints()
    : listener4(Bound(AF_INET, SOCK_STREAM, true)), udp4(Bound(AF_INET, SOCK_DGRAM, false)),
      listener6(Bound(AF_INET6, SOCK_STREAM, true)), udp6(Bound(AF_INET6, SOCK_DGRAM, false))
{
    client.Reset(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons((u_short)listener4.LocalPort());
    connected = connect(client.get(), (sockaddr *)&address, sizeof(address)) == 0;
    accepted.Reset(accept(listener4.get(), NULL, NULL));
}

Endpoints::~Endpoints()
{
    linger abort = {1, 0};
    setsockopt(client.get(), SOL_SOCKET, SO_LINGER, (const char *)&abort, sizeof(abort));
    setsockopt(accepted.get(), SOL_SOCKET, SO_LINGER, (const char *)&abort, sizeof(abort));
}

bool Endpoints::Ready() const
{
    return connected && listener4.get() != INVALID_SOCKET && udp4.get() != INVALID_SOCKET &&
           listener6.get() != INVALID_SOCKET && udp6.get() != INVALID_SOCKET && accepted.get() != INVALID_SOCKET;
}

Rows Endpoints::Expected() const
{
    const std::wstring loopback4 = L"127.0.0.1:";
    const std::wstring loopback6 = L"::1[1048576]:";
    Rows rows;
    rows.push_back({L"", loopback6 + Port(udp6.LocalPort()), L"*.*", L"", L"", L"UDPv6"});
    if (udp4.get() != INVALID_SOCKET)
        rows.push_back({L"", loopback4 + Port(udp4.LocalPort()), L"*.*", L"", L"", L"UDPv4"});
    if (extraUdp4.get() != INVALID_SOCKET)
        rows.push_back({L"", loopback4 + Port(extraUdp4.LocalPort()), L"*.*", L"", L"", L"UDPv4"});
    rows.push_back({L"", loopback6 + Port(listener6.LocalPort()), L"::[0]:0", L"", L"Listen", L"TCPv6"});
    const std::wstring server = loopback4 + Port(listener4.LocalPort());
    const std::wstring peer = loopback4 + Port(client.LocalPort());
    rows.push_back({L"", server, L"0.0.0.0:0", L"", L"Listen", L"TCPv4"});
    rows.push_back({L"", server, peer, L"localhost", L"Establish", L"TCPv4"});
    rows.push_back({L"", peer, server, L"localhost", L"Establish", L"TCPv4"});
    return rows;
}

Rows Sorted(Rows rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

int GroupRank(const std::wstring &protocol)
{
    const wchar_t *order[] = {L"UDPv6", L"UDPv4", L"TCPv6", L"TCPv4"};
    for (int i = 0; i < 4; ++i)
        if (protocol == order[i])
            return i;
    return -1;
}

// ---- the program, seen from outside -------------------------------------------------

Vantrel::Vantrel(const char *path, DWORD startMs, HANDLE output)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (output != NULL) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    std::wstring program = WindowsPath(path);
    if (!CreateProcessW(program.c_str(), NULL, NULL, NULL, output != NULL, 0, NULL, NULL, &startup, &process_))
        return;
    WaitForInputIdle(process_.hProcess, startMs);
    DWORD start = GetTickCount();
    do {
        EnumWindows(FindMain, (LPARAM)this);
        if (main == NULL)
            Sleep(50);
    } while (main == NULL && GetTickCount() - start < startMs);
    if (main != NULL)
        list = FindWindowExW(main, NULL, WC_LISTVIEWW, NULL);
    remote_ = (BYTE *)VirtualAllocEx(process_.hProcess, NULL, BLOCK_BYTES, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

Vantrel::~Vantrel()
{
    if (process_.hProcess != NULL)
        EndProcess(process_);
}

DWORD ExitCodeWithin(HANDLE process, DWORD ms)
{
    WaitForSingleObject(process, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

void EndProcess(const PROCESS_INFORMATION &started)
{
    if (WaitForSingleObject(started.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(started.hProcess, 99);
        WaitForSingleObject(started.hProcess, 5000);
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
}

int Vantrel::ItemCount() const
{
    DWORD_PTR count = 0;
    SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &count);
    return (int)count;
}

LRESULT Vantrel::Send(UINT message, WPARAM wParam, const void *record, size_t size) const
{
    WriteProcessMemory(process_.hProcess, remote_, record, size, NULL);
    DWORD_PTR result = (DWORD_PTR)-1;
    if (!SendMessageTimeoutW(list, message, wParam, (LPARAM)remote_, SMTO_NORMAL, 5000, &result))
        return -1;
    return (LRESULT)result;
}

std::wstring Vantrel::RemoteText() const
{
    wchar_t text[TEXT_CHARS] = {};
    ReadProcessMemory(process_.hProcess, remote_ + TEXT_OFFSET, text, sizeof(text) - sizeof(wchar_t), NULL);
    return text;
}

void Vantrel::ClearRemoteText() const
{
    static const wchar_t zeros[TEXT_CHARS] = {};
    WriteProcessMemory(process_.hProcess, remote_ + TEXT_OFFSET, zeros, sizeof(zeros), NULL);
}

Rows Vantrel::ReadRows() const
{
    Rows rows;
    int count = ItemCount();
    for (int item = 0; item < count; ++item) {
        Row row;
        for (int column = 0; column < 6; ++column) {
            ClearRemoteText();
            LVITEMW record = {};
            record.mask = LVIF_TEXT;
            record.iItem = item;
            record.iSubItem = column;
            record.pszText = (LPWSTR)(remote_ + TEXT_OFFSET);
            record.cchTextMax = TEXT_CHARS;
            Send(LVM_GETITEMTEXTW, item, &record, sizeof(record));
            row[column] = RemoteText();
        }
        rows.push_back(row);
    }
    return rows;
}

bool Vantrel::ReadColumn(int column, int &format, int &width, std::wstring &title) const
{
    ClearRemoteText();
    LVCOLUMNW record = {};
    record.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    record.pszText = (LPWSTR)(remote_ + TEXT_OFFSET);
    record.cchTextMax = TEXT_CHARS;
    if (Send(LVM_GETCOLUMNW, column, &record, sizeof(record)) <= 0)
        return false;
    ReadProcessMemory(process_.hProcess, remote_, &record, sizeof(record), NULL);
    format = record.fmt;
    width = record.cx;
    title = RemoteText();
    return true;
}

Rows Vantrel::WaitForRows(const Rows &expected, DWORD ms) const
{
    Rows previous, rows;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        rows = ReadRows();
        if (Sorted(rows) == Sorted(expected) && rows == previous)
            break;
        previous = rows;
        Sleep(300);
    }
    return rows;
}

HWND Vantrel::DialogWithin(const wchar_t *caption, DWORD ms) const
{
    DialogSearch search = {main, caption, NULL};
    DWORD start = GetTickCount();
    do {
        EnumWindows(FindDialog, (LPARAM)&search);
        if (search.found == NULL)
            Sleep(50);
    } while (search.found == NULL && GetTickCount() - start < ms);
    return search.found;
}

BOOL CALLBACK Vantrel::FindMain(HWND window, LPARAM parameter)
{
    Vantrel *self = (Vantrel *)parameter;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (pid == self->process_.dwProcessId && wcscmp(className, L"VANTREL") == 0) {
        self->main = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace driver
