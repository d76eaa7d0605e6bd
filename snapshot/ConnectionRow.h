#pragma once

#include <winsock2.h>
#include <windows.h>
#include <stddef.h>

// One list row: six texts in column order. The passes never hold a row as one
// record: they insert column 0 and then set the other five one by one.
enum ConnectionColumn {
    COLUMN_MODULE_NAME,
    COLUMN_SOURCE_ADDRESS,
    COLUMN_REMOTE_ADDRESS,
    COLUMN_REMOTE_NAME,
    COLUMN_STATUS,
    COLUMN_PROTOCOL,
    CONNECTION_COLUMN_COUNT
};

// Capacity, in wide characters, of every row and counter text buffer.
enum { ROW_TEXT_CHARS = 512 };
// Capacity of a narrow IPv4 text buffer, in bytes.
enum { NARROW_TEXT_BYTES = 512 };
// Capacity of the bare IPv6 address text (INET6_ADDRSTRLEN), in wide characters.
enum { V6_ADDRESS_CHARS = 46 };

typedef wchar_t RowText[ROW_TEXT_CHARS];
typedef wchar_t V6AddressText[V6_ADDRESS_CHARS];

// Column titles, by column number; each at most 99 characters.
extern const wchar_t *const ConnectionColumnTitles[CONNECTION_COLUMN_COUNT];

// Protocol labels (column 5) and the UDP placeholder of column 2.
extern const wchar_t LabelTcp4[];
extern const wchar_t LabelTcp6[];
extern const wchar_t LabelUdp4[];
extern const wchar_t LabelUdp6[];
extern const wchar_t UdpRemoteAddress[]; // "*.*"

// "a.b.c.d:port": `address` in network byte order, port = ntohs of the low 16 bits of
// `portField`. Zero-fills `text` first.
void FormatV4Endpoint(DWORD address, DWORD portField, RowText text);

// "address[scope]:port": address from InetNtopW, scope = ntohl(scopeField) as a signed
// number, port as in FormatV4Endpoint. The bare address text is handed back in
// `addressText` (the IPv6 name lookup starts from it). Zero-fills both buffers first.
void FormatV6Endpoint(const UCHAR address[16], DWORD scopeField, DWORD portField, RowText text,
                      V6AddressText addressText);

// Text of a MIB_TCP_STATE number; empty outside 1..12. Zero-fills `text` first.
void TcpStateName(DWORD state, RowText text);

// Zero-fills `text`, then copies `source` into it, bounded by ROW_TEXT_CHARS - 1 characters.
void CopyRowText(RowText text, const wchar_t *source);
