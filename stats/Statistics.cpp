// The protocol counters of both families, read into the Statistics dialog's fields.
#include "stats/Statistics.h"

#include "common/Countof.h"
#include "res/resource.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <stddef.h>
#include <wchar.h>

namespace {

enum StatisticsQuery { QUERY_TCP, QUERY_UDP, QUERY_IP, QUERY_ICMP };

// One record for whichever query a group makes; counters are addressed by their offset in it.
union StatisticsRecord {
    MIB_TCPSTATS tcp;
    MIB_UDPSTATS udp;
    MIB_IPSTATS ip;
    MIB_ICMP_EX icmp;
};

struct StatisticsField {
    int identifier;
    size_t offset;
    const wchar_t *format;
};

struct StatisticsGroup {
    StatisticsQuery query;
    ULONG family;
    StatisticsField fields[5]; // unused entries have identifier 0
};

// The counters are unsigned: "%lu" keeps a counter past 2^31 from showing as negative. The
// outgoing ICMP fields carry one leading blank.
const StatisticsGroup StatisticsGroups[] = {
    {QUERY_TCP,
     AF_INET,
     {{IDC_TCP4_ACTIVE_OPENS, offsetof(MIB_TCPSTATS, dwActiveOpens), L"%lu"},
      {IDC_TCP4_PASSIVE_OPENS, offsetof(MIB_TCPSTATS, dwPassiveOpens), L"%lu"},
      {IDC_TCP4_NUM_CONNS, offsetof(MIB_TCPSTATS, dwNumConns), L"%lu"}}},
    {QUERY_TCP,
     AF_INET6,
     {{IDC_TCP6_ACTIVE_OPENS, offsetof(MIB_TCPSTATS, dwActiveOpens), L"%lu"},
      {IDC_TCP6_PASSIVE_OPENS, offsetof(MIB_TCPSTATS, dwPassiveOpens), L"%lu"},
      {IDC_TCP6_NUM_CONNS, offsetof(MIB_TCPSTATS, dwNumConns), L"%lu"}}},
    {QUERY_UDP,
     AF_INET,
     {{IDC_UDP4_NUM_ADDRS, offsetof(MIB_UDPSTATS, dwNumAddrs), L"%lu"},
      {IDC_UDP4_IN_DATAGRAMS, offsetof(MIB_UDPSTATS, dwInDatagrams), L"%lu"},
      {IDC_UDP4_OUT_DATAGRAMS, offsetof(MIB_UDPSTATS, dwOutDatagrams), L"%lu"},
      {IDC_UDP4_NO_PORTS, offsetof(MIB_UDPSTATS, dwNoPorts), L"%lu"}}},
    {QUERY_UDP,
     AF_INET6,
     {{IDC_UDP6_NUM_ADDRS, offsetof(MIB_UDPSTATS, dwNumAddrs), L"%lu"},
      {IDC_UDP6_IN_DATAGRAMS, offsetof(MIB_UDPSTATS, dwInDatagrams), L"%lu"},
      {IDC_UDP6_OUT_DATAGRAMS, offsetof(MIB_UDPSTATS, dwOutDatagrams), L"%lu"},
      {IDC_UDP6_NO_PORTS, offsetof(MIB_UDPSTATS, dwNoPorts), L"%lu"}}},
    {QUERY_IP,
     AF_INET,
     {{IDC_IP4_NUM_ADDR, offsetof(MIB_IPSTATS, dwNumAddr), L"%lu"},
      {IDC_IP4_NUM_IF, offsetof(MIB_IPSTATS, dwNumIf), L"%lu"},
      {IDC_IP4_IN_RECEIVES, offsetof(MIB_IPSTATS, dwInReceives), L"%lu"},
      {IDC_IP4_OUT_REQUESTS, offsetof(MIB_IPSTATS, dwOutRequests), L"%lu"},
      {IDC_IP4_DEFAULT_TTL, offsetof(MIB_IPSTATS, dwDefaultTTL), L"%lu"}}},
    {QUERY_IP,
     AF_INET6,
     {{IDC_IP6_NUM_ADDR, offsetof(MIB_IPSTATS, dwNumAddr), L"%lu"},
      {IDC_IP6_NUM_IF, offsetof(MIB_IPSTATS, dwNumIf), L"%lu"},
      {IDC_IP6_IN_RECEIVES, offsetof(MIB_IPSTATS, dwInReceives), L"%lu"},
      {IDC_IP6_OUT_REQUESTS, offsetof(MIB_IPSTATS, dwOutRequests), L"%lu"},
      {IDC_IP6_DEFAULT_TTL, offsetof(MIB_IPSTATS, dwDefaultTTL), L"%lu"}}},
    {QUERY_ICMP,
     AF_INET,
     {{IDC_ICMP4_IN_MSGS, offsetof(MIB_ICMP_EX, icmpInStats.dwMsgs), L"%lu"},
      {IDC_ICMP4_IN_ERRORS, offsetof(MIB_ICMP_EX, icmpInStats.dwErrors), L"%lu"},
      {IDC_ICMP4_OUT_MSGS, offsetof(MIB_ICMP_EX, icmpOutStats.dwMsgs), L" %lu"},
      {IDC_ICMP4_OUT_ERRORS, offsetof(MIB_ICMP_EX, icmpOutStats.dwErrors), L" %lu"}}},
    {QUERY_ICMP,
     AF_INET6,
     {{IDC_ICMP6_IN_MSGS, offsetof(MIB_ICMP_EX, icmpInStats.dwMsgs), L"%lu"},
      {IDC_ICMP6_IN_ERRORS, offsetof(MIB_ICMP_EX, icmpInStats.dwErrors), L"%lu"},
      {IDC_ICMP6_OUT_MSGS, offsetof(MIB_ICMP_EX, icmpOutStats.dwMsgs), L" %lu"},
      {IDC_ICMP6_OUT_ERRORS, offsetof(MIB_ICMP_EX, icmpOutStats.dwErrors), L" %lu"}}},
};

ULONG QueryStatistics(StatisticsQuery query, ULONG family, StatisticsRecord *record)
{
    switch (query) {
    case QUERY_TCP:
        return GetTcpStatisticsEx(&record->tcp, family);
    case QUERY_UDP:
        return GetUdpStatisticsEx(&record->udp, family);
    case QUERY_IP:
        return GetIpStatisticsEx(&record->ip, family);
    case QUERY_ICMP:
        return GetIcmpStatisticsEx(&record->icmp, family);
    }
    return ERROR_INVALID_PARAMETER;
}

bool StillWanted(const volatile LONG *opening, LONG own)
{
    return opening == NULL || *opening == own;
}

} // namespace

int FillStatistics(HWND dialog)
{
    return FillStatisticsWhile(dialog, NULL, 0);
}

int FillStatisticsWhile(HWND dialog, const volatile LONG *opening, LONG own)
{
    StatisticsRecord record;
    wchar_t text[512];
    ZeroMemory(text, sizeof(text));

    for (size_t group = 0; group < COUNTOF(StatisticsGroups); group++) {
        const StatisticsGroup &reading = StatisticsGroups[group];
        if (!StillWanted(opening, own))
            return 0;
        ZeroMemory(&record, sizeof(record));
        if (QueryStatistics(reading.query, reading.family, &record) != NO_ERROR)
            continue;
        for (size_t i = 0; i < COUNTOF(reading.fields) && reading.fields[i].identifier != 0; i++) {
            const StatisticsField &field = reading.fields[i];
            DWORD counter = *reinterpret_cast<const DWORD *>(reinterpret_cast<const BYTE *>(&record) + field.offset);
            ZeroMemory(text, sizeof(text));
            swprintf_s(text, COUNTOF(text), field.format, counter);
            if (!StillWanted(opening, own))
                return 0;
            SetDlgItemTextW(dialog, field.identifier, text);
        }
    }
    return 1;
}
