#pragma once

#include "snapshot/ConnectionRow.h"

// The pass a lookup belongs to; selects the owner-module platform call.
enum EndpointProtocol { PROTOCOL_TCP4, PROTOCOL_TCP6, PROTOCOL_UDP4, PROTOCOL_UDP6 };

// Asks the system which module owns `entry` (a MIB_TCPROW_OWNER_MODULE,
// MIB_TCP6ROW_OWNER_MODULE, MIB_UDPROW_OWNER_MODULE or MIB_UDP6ROW_OWNER_MODULE as fetched,
// by `protocol`). `size` is the pass's size variable, read for the block size and handed to
// the system as the in/out size. Returns the module information block (NULL when none could
// be had), which the caller frees with HeapFree(GetProcessHeap(), 0, block) once the list has
// copied the name; `*name` is the module name inside it, or an empty text.
// A 122 answer is followed by one more query with a block of the size the system asked for;
// the 122 message is written only if that one fails too. Where the system's IP Helper does
// not export the pass's function, no block is allocated, no query made and nothing written.
void *LookupOwnerModule(const void *entry, EndpointProtocol protocol, DWORD *size, const wchar_t **name);

// Host name of an IPv4 remote address (network byte order) from GetNameInfoW; empty for
// 0.0.0.0 (not looked up) and on failure (message on standard output).
void LookupRemoteName(DWORD remoteAddress, DWORD remotePortField, RowText name);

// Host name of an IPv6 remote address given as the bare InetNtopW text of FormatV6Endpoint;
// empty for the unspecified address :: (not looked up) and on failure.
void LookupRemoteName(const wchar_t *remoteAddressText, DWORD remotePortField, RowText name);

// Message texts, exactly as written to standard output.
const char *OwnerModuleMessage(DWORD code);  // NULL for codes without a message
const char *NameLookupMessage(int wsaError); // "Unknow error" for codes without their own
