#include "common/LogMessage.h"

#include <stdarg.h>
#include <stdio.h>

void LogMessage(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    // The C runtime's own formatting: the ISO one that MinGW would substitute for vprintf
    // weighs as much as the rest of the program's code.
    vprintf_s(format, args);
    va_end(args);
    // Diagnostics come from worker threads one after another; flush so a redirected log
    // shows each message as it happens rather than at exit (which may never come cleanly).
    fflush(stdout);
}
