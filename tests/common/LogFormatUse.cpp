// Compiled, not run, by check-log-format.cmake: LogMessage calls whose arguments match their
// formats, and with WRONG_ARGUMENT one whose argument does not.
#include "common/LogMessage.h"

void UseLogMessage()
{
    LogMessage("WSAStartup failed: %d\n", 10091);
    LogMessage("%s", "text");
#ifdef WRONG_ARGUMENT
    LogMessage("WSAStartup failed: %d\n", "10091");
#endif
}
