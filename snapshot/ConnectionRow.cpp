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
    const wchar_t *name = L"";
    switch (state) {
    case MIB_TCP_STATE_CLOSED:
        name = L"Close";
        break;
    case MIB_TCP_STATE_LISTEN:
        name = L"Listen";
        break;
    case MIB_TCP_STATE_SYN_SENT:
        name = L"Send";
        break;
    case MIB_TCP_STATE_SYN_RCVD:
        name = L"Recv";
        break;
    case MIB_TCP_STATE_ESTAB:
        name = L"Establish";
        break;
    case MIB_TCP_STATE_FIN_WAIT1:
        name = L"Wait";
        break;
    case MIB_TCP_STATE_FIN_WAIT2:
        name = L"Wait";
        break;
    case MIB_TCP_STATE_CLOSE_WAIT:
        name = L"Close Wait";
        break;
    case MIB_TCP_STATE_CLOSING:
        name = L"Closing...";
        break;
    case MIB_TCP_STATE_LAST_ACK:
        name = L"Last Ack";
        break;
    case MIB_TCP_STATE_TIME_WAIT:
        name = L"Time Wait";
        break;
    case MIB_TCP_STATE_DELETE_TCB:
        name = L"Delete";
        break;
    default:
        break;
    }
    CopyRowText(text, name);
}
