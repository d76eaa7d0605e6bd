// The Module Name column of the program that ships, end to end. Wine's IP Helper has none of the
// four owner-module calls, so under Wine alone the program finds none and leaves the column
// empty. The test provider (OwnerModuleProvider.cpp) stands in for Windows' own: it is put in the
// system folder under IP Helper's name, with Wine's module beside it under the name its
// forwarders give, and a copy of the program under a name of its own is the one process Wine
// gives that file. The program runs unchanged and finds the four calls at run time, as on Windows.
#include "tests/shell/ProgramDriver.h"

#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <stddef.h>
#include <stdio.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "common/Countof.h"
#include "res/resource.h"

namespace {

using driver::Bound;
using driver::Endpoints;
using driver::Row;
using driver::Rows;
using driver::Socket;
using driver::Sorted;
using driver::Vantrel;
using driver::WindowsPath;

// How the program's messages for the two answers begin (snapshot/Lookups.cpp).
const char NotFoundMessage[] = "A element was no found.";
const char InsufficientBufferMessage[] = "Insufficient space was allocated for the table.";

std::wstring SystemFile(const wchar_t *name)
{
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, COUNTOF(folder));
    return std::wstring(folder) + L"\\" + name;
}

std::wstring OwnPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(NULL, path, COUNTOF(path));
    return path;
}

std::wstring FileName(const std::wstring &path)
{
    return path.substr(path.find_last_of(L'\\') + 1);
}

std::string Contents(const std::string &path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, NULL) && read > 0)
        text.append(buffer, read);
    CloseHandle(file);
    return text;
}

size_t Occurrences(const std::string &text, const char *part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

bool Within(DWORD ms, const std::function<bool()> &condition)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(100);
    }
    return true;
}

// ---- the provider, called in this process ----------------------------------------------------

typedef DWORD(WINAPI *OwnerModuleCall)(const void *entry, TCPIP_OWNER_MODULE_INFO_CLASS infoClass, void *block,
                                       DWORD *size);

// The four calls, each with where its kind of entry holds the owning process.
struct OwnerModuleFunction {
    const char *name;
    size_t pidOffset;
};
const OwnerModuleFunction Functions[] = {
    {"GetOwnerModuleFromTcpEntry", offsetof(MIB_TCPROW_OWNER_MODULE, dwOwningPid)},
    {"GetOwnerModuleFromTcp6Entry", offsetof(MIB_TCP6ROW_OWNER_MODULE, dwOwningPid)},
    {"GetOwnerModuleFromUdpEntry", offsetof(MIB_UDPROW_OWNER_MODULE, dwOwningPid)},
    {"GetOwnerModuleFromUdp6Entry", offsetof(MIB_UDP6ROW_OWNER_MODULE, dwOwningPid)},
};

// Asks `call` about an entry of its kind owned by `pid`.
DWORD Ask(OwnerModuleCall call, const OwnerModuleFunction &kind, DWORD pid, void *block, DWORD *size,
          TCPIP_OWNER_MODULE_INFO_CLASS infoClass = TCPIP_OWNER_MODULE_INFO_BASIC)
{
    BYTE entry[sizeof(MIB_TCP6ROW_OWNER_MODULE)] = {}; // the largest of the four
    *(DWORD *)(entry + kind.pidOffset) = pid;
    return call(entry, infoClass, block, size);
}

TEST(OwnerModuleProvider, NamesAProcessInTheCallersBlockAsksForTheSizeItNeedsAndKnowsNoOtherOwner)
{
    HMODULE provider = LoadLibraryW(WindowsPath(OWNER_MODULE_PROVIDER).c_str());
    ASSERT_NE((HMODULE)NULL, provider);
    const std::wstring path = OwnPath();
    const std::wstring name = FileName(path);
    const DWORD needed =
        (DWORD)(sizeof(TCPIP_OWNER_MODULE_BASIC_INFO) + (name.size() + path.size() + 2) * sizeof(wchar_t));
    for (const OwnerModuleFunction &kind : Functions) {
        SCOPED_TRACE(kind.name);
        OwnerModuleCall call = (OwnerModuleCall)(void *)GetProcAddress(provider, kind.name);
        ASSERT_NE((OwnerModuleCall)NULL, call);

        BYTE block[1024] = {};
        DWORD size = sizeof(block);
        ASSERT_EQ((DWORD)NO_ERROR, Ask(call, kind, GetCurrentProcessId(), block, &size));
        const TCPIP_OWNER_MODULE_BASIC_INFO *info = (const TCPIP_OWNER_MODULE_BASIC_INFO *)block;
        for (const wchar_t *text : {info->pModuleName, info->pModulePath})
            EXPECT_TRUE((const BYTE *)text >= block + sizeof(*info) && (const BYTE *)text < block + needed)
                << "a string outside the block";
        EXPECT_EQ(name, info->pModuleName);
        EXPECT_EQ(0, lstrcmpiW(path.c_str(), info->pModulePath)) << info->pModulePath;

        size = sizeof(*info);
        EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, Ask(call, kind, GetCurrentProcessId(), block, &size));
        EXPECT_EQ(needed, size);
        EXPECT_EQ((DWORD)NO_ERROR, Ask(call, kind, GetCurrentProcessId(), block, &size));

        size = sizeof(block);
        EXPECT_EQ((DWORD)ERROR_NOT_FOUND, Ask(call, kind, 0, block, &size));
        EXPECT_EQ((DWORD)ERROR_NOT_FOUND, Ask(call, kind, 0xFFFFFFFC, block, &size)) << "no such process";
        EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER,
                  Ask(call, kind, GetCurrentProcessId(), block, &size, (TCPIP_OWNER_MODULE_INFO_CLASS)1));
    }
    FreeLibrary(provider);
}

// ---- the program that ships, with the provider ------------------------------------------------

// The provider in the system folder under IP Helper's name, with Wine's module beside it under
// the name the forwarders give; Wine's module back in IP Helper's place afterwards. Only a
// program told to prefer a native IP Helper loads the file: Wine gives every other its own.
class InstalledProvider {
public:
    InstalledProvider()
    {
        ready_ = CopyFileW(WindowsPath(WINE_IP_HELPER).c_str(), SystemFile(L"WineIpHelper.dll").c_str(), FALSE) &&
                 CopyFileW(WindowsPath(OWNER_MODULE_PROVIDER).c_str(), SystemFile(L"iphlpapi.dll").c_str(), FALSE);
    }
    InstalledProvider(const InstalledProvider &) = delete;
    InstalledProvider &operator=(const InstalledProvider &) = delete;
    ~InstalledProvider()
    {
        CopyFileW(WindowsPath(WINE_IP_HELPER).c_str(), SystemFile(L"iphlpapi.dll").c_str(), FALSE);
        DeleteFileW(SystemFile(L"WineIpHelper.dll").c_str());
    }
    bool Ready() const { return ready_; }

private:
    bool ready_ = false;
};

// The program that ships, copied unchanged into a fresh folder under a name of its own, for
// which Wine is told to prefer a native IP Helper; the folder also holds the program's standard
// output and the provider's log.
class ProgramWithProvider {
public:
    ProgramWithProvider()
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(COUNTOF(temp), temp);
        folder_ = std::string(temp) + "vantrel-module-names-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), NULL);
        program_ = folder_ + "\\" + std::string(Name, Name + wcslen(Name));
        ready_ = CopyFileW(WindowsPath(VANTREL_EXE).c_str(), std::wstring(program_.begin(), program_.end()).c_str(),
                           FALSE) != 0 &&
                 loadOrder_.Ready();

        SECURITY_ATTRIBUTES inherited = {sizeof(inherited), NULL, TRUE};
        output_ = CreateFileA(Output().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        ready_ = ready_ && output_ != INVALID_HANDLE_VALUE;
    }
    ProgramWithProvider(const ProgramWithProvider &) = delete;
    ProgramWithProvider &operator=(const ProgramWithProvider &) = delete;
    ~ProgramWithProvider()
    {
        if (output_ != INVALID_HANDLE_VALUE)
            CloseHandle(output_);
        for (const std::string &file : {program_, Output(), Log()})
            DeleteFileA(file.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    bool Ready() const { return ready_; }
    const char *Program() const { return program_.c_str(); }
    HANDLE OutputHandle() const { return output_; }
    std::string Output() const { return folder_ + "\\output.txt"; }
    std::string Log() const { return folder_ + "\\provider.log"; }

    static constexpr const wchar_t *Name = L"VantrelModuleNames.exe";

private:
    driver::LoadOrder loadOrder_{Name, {L"iphlpapi"}, L"native"};
    std::string folder_, program_;
    HANDLE output_ = INVALID_HANDLE_VALUE;
    bool ready_ = false;
};

// One answer of the provider, as its log line gives it.
struct Answer {
    std::string function;
    unsigned localPort = 0, remotePort = 0;
    unsigned long pid = 0, given = 0, answer = 0, size = 0;
};

std::vector<Answer> Answers(const std::string &log)
{
    std::vector<Answer> answers;
    size_t start = 0;
    for (size_t end = log.find('\n'); end != std::string::npos; start = end + 1, end = log.find('\n', start)) {
        char function[64] = {};
        Answer answer;
        if (sscanf(log.substr(start, end - start).c_str(), "%63s %u %u %lu %lu %lu %lu", function, &answer.localPort,
                   &answer.remotePort, &answer.pid, &answer.given, &answer.answer, &answer.size) != 7)
            continue;
        answer.function = function;
        answers.push_back(answer);
    }
    return answers;
}

// Wine knows a socket's process only while that process holds the socket's Unix descriptor,
// which Wine hands it for some calls and not for others. Asking how many bytes wait is one that
// does, for the sockets a process made itself; Wine 8 still knows no owner of an accepted
// connection or of a TCPv6 socket. Windows knows them all.
bool Claimed(const Socket &socket)
{
    u_long pending = 0;
    return socket.get() != INVALID_SOCKET && ioctlsocket(socket.get(), FIONREAD, &pending) == 0;
}

// A connection to `listener` closed from the connecting end first, whose endpoint there stays in
// TIME_WAIT, owned by no process on any system. Returns the row it makes.
Row TimeWaitRow(const Socket &listener)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons((u_short)listener.LocalPort());
    Socket client(socket(AF_INET, SOCK_STREAM, 0));
    if (connect(client.get(), (sockaddr *)&address, sizeof(address)) != 0)
        return Row();
    Socket accepted(accept(listener.get(), NULL, NULL));
    const std::wstring local = L"127.0.0.1:" + std::to_wstring(client.LocalPort());
    shutdown(client.get(), SD_SEND);
    client.Close();
    char byte = 0;
    if (recv(accepted.get(), &byte, 1, 0) != 0) // the client's end of the stream, not data
        return Row();
    accepted.Close();
    const std::wstring remote = L"127.0.0.1:" + std::to_wstring(listener.LocalPort());
    return Row{L"", local, remote, L"localhost", L"Time Wait", L"TCPv4"};
}

// The owning process of each endpoint of the system's tables, by protocol label, local port and
// remote port (0 for UDP): what the program's passes read, in the table's own words.
typedef std::map<std::tuple<std::wstring, unsigned, unsigned>, DWORD> Owners;

std::vector<BYTE> Table(const std::function<DWORD(void *, DWORD *)> &query)
{
    std::vector<BYTE> table;
    DWORD size = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        size += 1024; // room for an endpoint or two opened meanwhile
        table.resize(size);
        if (query(table.data(), &size) == NO_ERROR)
            return table;
    }
    return std::vector<BYTE>();
}

unsigned PortOf(DWORD field)
{
    return ntohs((u_short)field);
}

template <typename TableType, typename RemotePort>
void AddOwners(Owners &owners, const wchar_t *label, const std::vector<BYTE> &block, RemotePort remotePort)
{
    if (block.size() < sizeof(TableType))
        return;
    const TableType *table = (const TableType *)block.data();
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
        owners[{label, PortOf(table->table[i].dwLocalPort), remotePort(table->table[i])}] = table->table[i].dwOwningPid;
}

Owners SystemOwners()
{
    Owners owners;
    auto tcp = [](const auto &row) { return PortOf(row.dwRemotePort); };
    auto udp = [](const auto &) { return 0u; };
    auto tcpTable = [](ULONG family) {
        return Table([family](void *table, DWORD *size) {
            return GetExtendedTcpTable(table, size, FALSE, family, TCP_TABLE_OWNER_PID_ALL, 0);
        });
    };
    auto udpTable = [](ULONG family) {
        return Table([family](void *table, DWORD *size) {
            return GetExtendedUdpTable(table, size, FALSE, family, UDP_TABLE_OWNER_PID, 0);
        });
    };
    AddOwners<MIB_TCPTABLE_OWNER_PID>(owners, L"TCPv4", tcpTable(AF_INET), tcp);
    AddOwners<MIB_TCP6TABLE_OWNER_PID>(owners, L"TCPv6", tcpTable(AF_INET6), tcp);
    AddOwners<MIB_UDPTABLE_OWNER_PID>(owners, L"UDPv4", udpTable(AF_INET), udp);
    AddOwners<MIB_UDP6TABLE_OWNER_PID>(owners, L"UDPv6", udpTable(AF_INET6), udp);
    return owners;
}

// The port at the end of an address text of the list; 0 for UDP's "*.*".
unsigned PortOf(const std::wstring &text)
{
    size_t colon = text.rfind(L':');
    return colon == std::wstring::npos ? 0 : (unsigned)std::stoul(text.substr(colon + 1));
}

// `rows` as the list should show them: this program's name where the system's table gives this
// process as the owner, no name where it knows none (process id 0); a row the system does not
// list at all (Wine 10 lists no socket without a Windows owner, such as one in TIME_WAIT) is
// not shown either. Counts the named and the unknown rows.
Rows Named(const Rows &rows, const Owners &owners, const std::wstring &ownName, size_t &named, size_t &unknown)
{
    named = unknown = 0;
    Rows listed;
    for (Row row : rows) {
        auto owner = owners.find({row[5], PortOf(row[1]), PortOf(row[2])});
        if (owner == owners.end())
            continue;
        EXPECT_TRUE(owner->second == GetCurrentProcessId() || owner->second == 0)
            << "owned by process " << owner->second << ": " << testing::PrintToString(row);
        row[0] = owner->second == 0 ? L"" : ownName;
        ++(owner->second == 0 ? unknown : named);
        listed.push_back(row);
    }
    return listed;
}

class ModuleNames : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

TEST_F(ModuleNames, OwnSocketsNamedAfterStartAndReloadOneLargerBlockAskedForOnceUnknownOwnersEmpty)
{
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    ASSERT_EQ(UNDER_WOW64, wow64) << "the prefix is not of the kind this test runs in";

    Endpoints endpoints;
    ASSERT_TRUE(endpoints.Ready());
    for (const Socket *socket : {&endpoints.listener4, &endpoints.udp4, &endpoints.listener6, &endpoints.udp6,
                                 &endpoints.client, &endpoints.accepted})
        ASSERT_TRUE(Claimed(*socket));
    Rows endpointRows = endpoints.Expected();
    endpointRows.push_back(TimeWaitRow(endpoints.listener4));
    ASSERT_EQ(L"Time Wait", endpointRows.back()[4]);
    const std::wstring ownName = FileName(OwnPath());
    size_t named = 0, unknown = 0;
    Rows expected = Named(endpointRows, SystemOwners(), ownName, named, unknown);
    ASSERT_GT(named, 0u) << "the system gives no socket of this program as its own: nothing to name";
    // Wine 8 knows no owner of an accepted connection, a TCPv6 socket or one in TIME_WAIT; Wine
    // 10 knows every listed socket's, so there no row can be left empty (the provider's own
    // answer for an unknown process is checked above) and no 1168 message may appear.
    if (unknown == 0)
        printf("The system knows the owner of every socket it lists: no row to leave empty.\n");

    InstalledProvider provider;
    ASSERT_TRUE(provider.Ready());
    ProgramWithProvider copy;
    ASSERT_TRUE(copy.Ready());
    // The copy takes the environment as it is when started: the provider's settings, then gone.
    SetEnvironmentVariableA("OWNER_MODULE_PROVIDER_LOG", copy.Log().c_str());
    SetEnvironmentVariableA("OWNER_MODULE_PROVIDER_FIRST_DEMAND", "1");
    Vantrel program(copy.Program(), 10000, copy.OutputHandle());
    SetEnvironmentVariableA("OWNER_MODULE_PROVIDER_LOG", NULL);
    SetEnvironmentVariableA("OWNER_MODULE_PROVIDER_FIRST_DEMAND", NULL);
    ASSERT_TRUE(program.Running());

    // After start: this program's sockets under its name, those of no known owner under none,
    // each of those with its message.
    EXPECT_EQ(Sorted(expected), Sorted(program.WaitForRows(expected)));
    EXPECT_TRUE(Within(5000, [&] { return Occurrences(Contents(copy.Output()), NotFoundMessage) == unknown; }))
        << Contents(copy.Output());

    // The provider was asked for each kind, so the program found all four calls; its first
    // naming answer asked for a larger block, which the program gave at once, and was answered.
    std::vector<Answer> answers = Answers(Contents(copy.Log()));
    for (const OwnerModuleFunction &kind : Functions) {
        auto askedFor = [&](const Answer &a) { return a.function == kind.name; };
        EXPECT_TRUE(std::any_of(answers.begin(), answers.end(), askedFor)) << kind.name;
    }
    auto demanded = std::find_if(answers.begin(), answers.end(),
                                 [](const Answer &a) { return a.answer == ERROR_INSUFFICIENT_BUFFER; });
    ASSERT_NE(answers.end(), demanded) << Contents(copy.Log());
    EXPECT_EQ(GetCurrentProcessId(), demanded->pid);
    EXPECT_GT(demanded->size, demanded->given);
    auto sameEntry = [&](const Answer &a) {
        return a.function == demanded->function && a.localPort == demanded->localPort &&
               a.remotePort == demanded->remotePort;
    };
    auto retried = std::find_if(demanded + 1, answers.end(), sameEntry);
    ASSERT_NE(answers.end(), retried) << Contents(copy.Log());
    EXPECT_EQ(demanded->size, retried->given);
    EXPECT_EQ((unsigned long)NO_ERROR, retried->answer);
    EXPECT_EQ(2, std::count_if(answers.begin(), answers.end(), sameEntry)) << "not one 122 and then the name";

    // After a Reload, with one more socket: the same once more.
    endpoints.extraUdp4.Reset(Bound(AF_INET, SOCK_DGRAM, false));
    ASSERT_TRUE(Claimed(endpoints.extraUdp4));
    endpointRows.push_back(
        {L"", L"127.0.0.1:" + std::to_wstring(endpoints.extraUdp4.LocalPort()), L"*.*", L"", L"", L"UDPv4"});
    const size_t unknownAtStart = unknown;
    expected = Named(endpointRows, SystemOwners(), ownName, named, unknown);
    program.Command(IDM_RELOAD);
    EXPECT_EQ(Sorted(expected), Sorted(program.WaitForRows(expected)));
    EXPECT_TRUE(Within(5000, [&] {
        return Occurrences(Contents(copy.Output()), NotFoundMessage) == unknownAtStart + unknown;
    })) << Contents(copy.Output());
    EXPECT_EQ(0u, Occurrences(Contents(copy.Output()), InsufficientBufferMessage));

    program.Command(IDM_EXIT);
    EXPECT_EQ(0u, program.ExitCodeWithin(10000));
}

} // namespace
