#include "snapshot/ConnectionRow.h"

#include "common/Countof.h"

#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

const wchar_t *const ConnectionColumnTitles[CONNECTION_COLUMN_COUNT] = {
    L"Module Name", L"Source Address", L"Remote Address", L"Remote Name", L"Status", L"Protocol"};

const wchar_t LabelTcp4[] = L"TCPv4";
const wchar_t LabelTcp6[] = L"TCPv6";
const wchar_t LabelUdp4[] = L"UDPv4";
const wchar_t LabelUdp6[] = L"UDPv6";
const wchar_t UdpRemoteAddress[] = L"*.*";

namespace {

int PortNumber(DWORD portField)
{
    return ntohs((u_short)(portField & 0xFFFF));
}

} // namespace

void FormatV4Endpoint(DWORD address, DWORD portField, RowText text)
{
    char narrow[NARROW_TEXT_BYTES];
    memset(narrow, 0, sizeof(narrow));
    memset(text, 0, ROW_TEXT_CHARS * sizeof(wchar_t));

    in_addr inAddress;
    inAddress.S_un.S_addr = address;
    const char *dotted = inet_ntoa(inAddress);
    sprintf_s(narrow, COUNTOF(narrow), "%s:%d", dotted ? dotted : "", PortNumber(portField));

    // The terminator is not converted: the zero-filled wide buffer supplies it.
    MultiByteToWideChar(CP_ACP, 0, narrow, (int)strlen(narrow), text, ROW_TEXT_CHARS);
}

void FormatV6Endpoint(const UCHAR address[16], DWORD scopeField, DWORD portField, RowText text,
                      V6AddressText addressText)
{
    memset(addressText, 0, V6_ADDRESS_CHARS * sizeof(wchar_t));
    memset(text, 0, ROW_TEXT_CHARS * sizeof(wchar_t));

    InetNtopW(AF_INET6, address, addressText, V6_ADDRESS_CHARS);
    int scope = (int)ntohl(scopeField);
    // At most 64 characters: the bounded call cannot run out of room.
    swprintf_s(text, ROW_TEXT_CHARS, L"%s[%d]:%d", addressText, scope, PortNumber(portField));
}

void CopyRowText(RowText text, const wchar_t *source)
{
    memset(text, 0, ROW_TEXT_CHARS * sizeof(wchar_t));
    // A host name can be longer than the row text: cut it rather than fail.
    if (source)
        _snwprintf_s(text, ROW_TEXT_CHARS, _TRUNCATE, L"%s", source);
}

void TcpStateName(DWORD state, RowText text)
{
    // By MIB_TCP_STATE number, MIB_TCP_STATE_CLOSED (1) to MIB_TCP_STATE_DELETE_TCB (12); both
    // FIN-WAIT states read "Wait".
    static const wchar_t *const names[] = {L"Close",      L"Listen",   L"Send",      L"Recv",
                                           L"Establish",  L"Wait",     L"Wait",      L"Close Wait",
                                           L"Closing...", L"Last Ack", L"Time Wait", L"Delete"};
    bool known = state >= MIB_TCP_STATE_CLOSED && state <= MIB_TCP_STATE_DELETE_TCB;
    CopyRowText(text, known ? names[state - MIB_TCP_STATE_CLOSED] : L"");
}
