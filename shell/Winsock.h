#pragma once

// Starts Windows Sockets 2.2 for the name lookups of the refresh workers. Returns 1 when it
// started, 0 when not (the reason goes to standard output). Never cleaned up: the process
// needs it until it ends.
int StartWinsock();
