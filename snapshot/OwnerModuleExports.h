#pragma once

#include <windows.h>

#include "snapshot/Lookups.h"

// True when the system's IP Helper exports the owner-module function of `protocol`'s pass
// (GetOwnerModuleFromTcpEntry, ...Tcp6Entry, ...UdpEntry or ...Udp6Entry). Systems differ:
// some lack one or all of them, and a call to a missing one ends the process. Each function
// is looked up once, in IpHelperModule(). Kept in a file of its own, so a test program that
// defines its own OwnerModuleQueryExported links that one instead.
bool OwnerModuleQueryExported(EndpointProtocol protocol);

// The IP Helper module the program calls, as already loaded from the system folder; null when
// it is not loaded. Also a file of its own, for the same reason.
HMODULE IpHelperModule();
