#include "FakeStatistics.h"

ULONG FakeResult[4][2];
volatile LONG FakeGeneration = 1;
volatile LONG FakeDirtyRecords = 0;
void (*FakeDuringQuery)(const FakeCall &call) = nullptr;

namespace {

CRITICAL_SECTION *CallsLock()
{
    static CRITICAL_SECTION lock;
    static bool ready = (InitializeCriticalSection(&lock), true);
    (void)ready;
    return &lock;
}

std::vector<FakeCall> Calls;

template <typename Record> ULONG Answer(FakeQuery query, Record *record, ULONG family)
{
    FakeCall call = {query, family, GetCurrentThreadId(), GetTickCount()};
    EnterCriticalSection(CallsLock());
    Calls.push_back(call);
    LeaveCriticalSection(CallsLock());

    const BYTE *bytes = reinterpret_cast<const BYTE *>(record);
    for (size_t i = 0; i < sizeof(Record); i++) {
        if (bytes[i] != 0) {
            InterlockedIncrement(&FakeDirtyRecords);
            break;
        }
    }
    if (FakeDuringQuery)
        FakeDuringQuery(call);
    ULONG result = FakeResult[query][family == AF_INET6];
    if (result != NO_ERROR)
        return result;
    DWORD *words = reinterpret_cast<DWORD *>(record);
    for (size_t i = 0; i < sizeof(Record) / sizeof(DWORD); i++)
        words[i] = FakeCounter(query, family, i);
    return NO_ERROR;
}

} // namespace

DWORD FakeCounter(FakeQuery query, ULONG family, size_t index)
{
    return 0x80000000u + query * 0x1000000u + (family == AF_INET6) * 0x800000u + (FakeGeneration & 0xFF) * 0x1000u +
           static_cast<DWORD>(index);
}

std::vector<FakeCall> FakeCalls()
{
    EnterCriticalSection(CallsLock());
    std::vector<FakeCall> calls = Calls;
    LeaveCriticalSection(CallsLock());
    return calls;
}

void ResetFakeStatistics()
{
    EnterCriticalSection(CallsLock());
    Calls.clear();
    LeaveCriticalSection(CallsLock());
    ZeroMemory(FakeResult, sizeof(FakeResult));
    FakeGeneration = 1;
    FakeDirtyRecords = 0;
    FakeDuringQuery = nullptr;
}

ULONG WINAPI GetTcpStatisticsEx(PMIB_TCPSTATS statistics, ULONG family)
{
    return Answer(FAKE_TCP, statistics, family);
}

ULONG WINAPI GetUdpStatisticsEx(PMIB_UDPSTATS statistics, ULONG family)
{
    return Answer(FAKE_UDP, statistics, family);
}

ULONG WINAPI GetIpStatisticsEx(PMIB_IPSTATS statistics, ULONG family)
{
    return Answer(FAKE_IP, statistics, family);
}

ULONG WINAPI GetIcmpStatisticsEx(PMIB_ICMP_EX statistics, ULONG family)
{
    return Answer(FAKE_ICMP, statistics, family);
}
