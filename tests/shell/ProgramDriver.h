#pragma once
// The real Vantrel.exe driven from outside, the way a user sees it: loopback sockets of the
// test's own, the program started as a process of its own, its list read through the
// program's memory, whose list records are laid out as the driver's own: both are 32-bit.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

namespace driver {

typedef std::array<std::wstring, 6> Row;
typedef std::vector<Row> Rows;

class Socket {
public:
    // The socket is kept from the programs the test starts: one that inherits it holds it too,
    // and Wine 10 then lists it once more, as that program's.
    explicit Socket(SOCKET handle = INVALID_SOCKET) : handle_(INVALID_SOCKET) { Reset(handle); }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    ~Socket() { Close(); }
    void Reset(SOCKET handle);
    void Close();
    SOCKET get() const { return handle_; }
    unsigned LocalPort() const;

private:
    SOCKET handle_;
};

// A loopback socket of the family and type, bound to a port of the system's choice.
SOCKET Bound(int family, int type, bool listening);

// A TCPv4 listener with one accepted loopback connection, a UDPv4 socket, a TCPv6 listener
// and a UDPv6 socket; the loopback ones are the only endpoints of the namespace.
class Endpoints {
public:
    Endpoints();
    // An abortive close leaves no TIME_WAIT endpoint behind for the next test's list.
    ~Endpoints();
    bool Ready() const;
    // The rows Vantrel shows for these endpoints, in its group order (UDPv6, UDPv4, TCPv6,
    // TCPv4). Wine gives no module names, and reports ::1 with scope 4096, which the row
    // shows in network order as 1048576.
    Rows Expected() const;

    Socket listener4, udp4, listener6, udp6, client, accepted, extraUdp4;
    bool connected = false;
};

// Rows compared as a set within each group: the order inside a group is the system's.
Rows Sorted(Rows rows);
// 0 for UDPv6 to 3 for TCPv4; -1 for any other text.
int GroupRank(const std::wstring &protocol);

// The drive form of a path the build gives as a Unix one; any other path unchanged.
std::wstring WindowsPath(const char *path);

// Wine's load order for some libraries of one program (by its file name), as Windows' search
// would have it or as a test needs: set while the object lives. Wine takes it from the process's
// Unix environment or, per program name, from its registry; a Windows parent can only set the
// latter.
class LoadOrder {
public:
    LoadOrder(const wchar_t *programName, std::initializer_list<const wchar_t *> libraries, const wchar_t *order);
    LoadOrder(const LoadOrder &) = delete;
    LoadOrder &operator=(const LoadOrder &) = delete;
    ~LoadOrder();
    bool Ready() const { return ready_; }

private:
    std::wstring key_;
    bool ready_ = false;
};

// A process's exit code, or STILL_ACTIVE when it has not ended within `ms`.
DWORD ExitCodeWithin(HANDLE process, DWORD ms);
// Ends a started process that is still running (exit code 99) and closes both its handles.
void EndProcess(const PROCESS_INFORMATION &started);

// The program at `path` (a Unix path, as the build gives it), started and found on screen.
class Vantrel {
public:
    // Waits up to `startMs` for the main window (under qemu-user a 32-bit program starts
    // several times slower). With `output`, an inheritable handle, the program writes its
    // standard output and error there.
    explicit Vantrel(const char *path, DWORD startMs = 10000, HANDLE output = NULL);
    Vantrel(const Vantrel &) = delete;
    Vantrel &operator=(const Vantrel &) = delete;
    ~Vantrel();

    bool Running() const { return main != NULL && list != NULL && remote_ != NULL; }
    DWORD ThreadId() const { return process_.dwThreadId; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    HANDLE Process() const { return process_.hProcess; }
    // The exit code, or STILL_ACTIVE when the process has not ended within `ms`.
    DWORD ExitCodeWithin(DWORD ms) const { return driver::ExitCodeWithin(process_.hProcess, ms); }
    Rows ReadRows() const;
    // The column's format, width and title; false when the list has no such column.
    bool ReadColumn(int column, int &format, int &width, std::wstring &title) const;
    // Waits up to `ms` until the list holds `expected` (as a set) and reads the same twice in
    // a row.
    Rows WaitForRows(const Rows &expected, DWORD ms = 20000) const;
    void Command(WORD id) const { PostMessageW(main, WM_COMMAND, id, 0); }
    // A dialog of the program with this caption, owned by the main window, once it is open.
    HWND DialogWithin(const wchar_t *caption, DWORD ms) const;

    HWND main = NULL;
    HWND list = NULL;

private:
    LRESULT Send(UINT message, WPARAM wParam, const void *record, size_t size) const;
    std::wstring RemoteText() const;
    void ClearRemoteText() const;
    static BOOL CALLBACK FindMain(HWND window, LPARAM parameter);
    int ItemCount() const;

    PROCESS_INFORMATION process_ = {};
    BYTE *remote_ = NULL; // where the list's records and texts pass, in the program
};

} // namespace driver
