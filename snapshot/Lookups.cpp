#include "snapshot/Lookups.h"

#include "common/Countof.h"
#include "common/LogMessage.h"
#include "snapshot/OwnerModuleExports.h"

#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <string.h>
#include <wchar.h>

const char *OwnerModuleMessage(DWORD code)
{
    switch (code) {
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough memory is available to complete the operation.";
    case ERROR_INVALID_PARAMETER:
        return "A parameter is incorrect.This value is returned if either of the pTcpEntry or pdwSize "
               "parameters are NULL.This value is also returned if the Class parameter is not equal to "
               "TCPIP_OWNER_MODULE_INFO_BASIC.";
    case ERROR_INSUFFICIENT_BUFFER:
        return "Insufficient space was allocated for the table.The size of the table is returned in the "
               "pdwSize parameter, and must be used in a subsequent call to this function in order to "
               "successfully retrieve the table.";
    case ERROR_PARTIAL_COPY:
        return "Only part of a request was completed.";
    case ERROR_NOT_FOUND:
        return "A element was no found.This value is returned if the dwOwningPid member of the "
               "MIB_TCPROW_OWNER_MODULE structure pointed to by the pTcpEntry parameter was zero or could "
               "not be found.";
    default:
        return NULL;
    }
}

const char *NameLookupMessage(int wsaError)
{
    switch (wsaError) {
    case WSA_NOT_ENOUGH_MEMORY:
        return "WSA_NOT_ENOUGH_MEMORY,A memory allocation failure occurred.";
    case WSAEINVAL:
        return "WSAEINVAL,One or more invalid parameters was passed to the getnameinfo function.This error "
               "is returned if a host name was requested but the hostlen parameter was zero or if a service "
               "name was requested, but the servlen parameter was zero.";
    case WSAEAFNOSUPPORT:
        return "WSAEAFNOSUPPORT,The sa_family member of socket address structure pointed to by the sa "
               "parameter is not supported.";
    case WSAHOST_NOT_FOUND:
        return "WSAHOST_NOT_FOUND,A service name was requested, but no port number was found in the "
               "structure pointed to by the sa parameter or no service name matching the port number was "
               "found.NI_NAMEREQD is set and the host name cannot be located, or both the host and serv "
               "parameters were NULL.";
    case WSATRY_AGAIN:
        return "WSATRY_AGAIN, A temporary failure in name resolution occurred.";
    case WSANO_RECOVERY:
        return "WSANO_RECOVERY,A nonrecoverable failure in name resolution occurred.";
    default:
        return "Unknow error";
    }
}

namespace {

DWORD QueryOwnerModule(const void *entry, EndpointProtocol protocol, void *block, DWORD *size)
{
    // The TCP calls take a copy of the entry, as fetched.
    switch (protocol) {
    case PROTOCOL_TCP4: {
        MIB_TCPROW_OWNER_MODULE row = *(const MIB_TCPROW_OWNER_MODULE *)entry;
        return GetOwnerModuleFromTcpEntry(&row, TCPIP_OWNER_MODULE_INFO_BASIC, block, size);
    }
    case PROTOCOL_TCP6: {
        MIB_TCP6ROW_OWNER_MODULE row = *(const MIB_TCP6ROW_OWNER_MODULE *)entry;
        return GetOwnerModuleFromTcp6Entry(&row, TCPIP_OWNER_MODULE_INFO_BASIC, block, size);
    }
    case PROTOCOL_UDP4:
        return GetOwnerModuleFromUdpEntry((MIB_UDPROW_OWNER_MODULE *)entry, TCPIP_OWNER_MODULE_INFO_BASIC, block, size);
    case PROTOCOL_UDP6:
        return GetOwnerModuleFromUdp6Entry((MIB_UDP6ROW_OWNER_MODULE *)entry, TCPIP_OWNER_MODULE_INFO_BASIC, block,
                                           size);
    }
    return ERROR_INVALID_PARAMETER;
}

const wchar_t *ModuleName(const void *block)
{
    if (!block)
        return L"";
    const wchar_t *name = ((const TCPIP_OWNER_MODULE_BASIC_INFO *)block)->pModuleName;
    return name ? name : L"";
}

} // namespace

void *LookupOwnerModule(const void *entry, EndpointProtocol protocol, DWORD *size, const wchar_t **name)
{
    *name = L"";
    if (!OwnerModuleQueryExported(protocol))
        return NULL; // treated as a failed query, with no message

    HANDLE heap = GetProcessHeap();
    void *block = HeapAlloc(heap, HEAP_ZERO_MEMORY, *size);
    if (!block)
        return NULL;
    DWORD result = QueryOwnerModule(entry, protocol, block, size);

    if (result == ERROR_INSUFFICIENT_BUFFER && !*ModuleName(block)) {
        // The size variable now holds the size the system asked for: one more query with it.
        HeapFree(heap, 0, block);
        block = HeapAlloc(heap, HEAP_ZERO_MEMORY, *size);
        if (block)
            result = QueryOwnerModule(entry, protocol, block, size);
    }

    *name = ModuleName(block);
    const char *message = OwnerModuleMessage(result);
    if (message && !(result == ERROR_INSUFFICIENT_BUFFER && **name))
        LogMessage("%s", message);
    return block;
}

namespace {

void ResolveName(const sockaddr *address, socklen_t length, RowText name, wchar_t *host, DWORD hostChars,
                 wchar_t *service, DWORD serviceChars)
{
    if (GetNameInfoW(address, length, host, hostChars, service, serviceChars, NI_NUMERICSERV) == 0) {
        CopyRowText(name, host);
        return;
    }
    LogMessage("%s", NameLookupMessage(WSAGetLastError()));
}

} // namespace

void LookupRemoteName(DWORD remoteAddress, DWORD remotePortField, RowText name)
{
    wchar_t host[NI_MAXHOST];
    wchar_t service[NI_MAXSERV];
    memset(name, 0, ROW_TEXT_CHARS * sizeof(wchar_t));
    memset(host, 0, sizeof(host));
    memset(service, 0, sizeof(service));

    in_addr inAddress;
    inAddress.S_un.S_addr = remoteAddress;
    const char *dotted = inet_ntoa(inAddress);
    if (!dotted || strcmp(dotted, "0.0.0.0") == 0)
        return;

    sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = (u_short)(remotePortField & 0xFFFF);
    address.sin_addr.S_un.S_addr = remoteAddress;
    ResolveName((const sockaddr *)&address, sizeof(address), name, host, COUNTOF(host), service, COUNTOF(service));
}

void LookupRemoteName(const wchar_t *remoteAddressText, DWORD remotePortField, RowText name)
{
    wchar_t host[NI_MAXHOST];
    wchar_t service[NI_MAXSERV];
    memset(name, 0, ROW_TEXT_CHARS * sizeof(wchar_t));
    memset(host, 0, sizeof(host));
    memset(service, 0, sizeof(service));

    // The unspecified address of a listening endpoint is not looked up, as 0.0.0.0 is not.
    if (wcscmp(remoteAddressText, L"::") == 0)
        return;

    UCHAR bytes[16];
    memset(bytes, 0, sizeof(bytes));
    if (InetPtonW(AF_INET6, remoteAddressText, bytes) != 1)
        return; // not an address text: nothing to look up

    sockaddr_in6 address; // flow information and scope identifier stay 0
    memset(&address, 0, sizeof(address));
    address.sin6_family = AF_INET6;
    address.sin6_port = (u_short)(remotePortField & 0xFFFF);
    memcpy(&address.sin6_addr, bytes, sizeof(bytes));
    ResolveName((const sockaddr *)&address, sizeof(address), name, host, COUNTOF(host), service, COUNTOF(service));
}
