#pragma once

#if defined(_MSC_VER)
#include <sal.h>
#endif

// Lets the compiler check a printf-style format against its arguments, so a wrong argument
// fails the build (warnings are errors) instead of printing garbage at run time.
#if defined(__GNUC__)
#define LOG_FORMAT_STRING
#define LOG_FORMAT_CHECK(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))
#elif defined(_MSC_VER)
#define LOG_FORMAT_STRING _Printf_format_string_
#define LOG_FORMAT_CHECK(formatIndex, firstArgument)
#else
#define LOG_FORMAT_STRING
#define LOG_FORMAT_CHECK(formatIndex, firstArgument)
#endif

// Writes printf-style text to standard output exactly as formatted: no prefix, level,
// timestamp or line break is added. A GUI process has no console, so the text is seen only
// when standard output is redirected.
void LogMessage(LOG_FORMAT_STRING const char *format, ...) LOG_FORMAT_CHECK(1, 2);
