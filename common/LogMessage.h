#pragma once

// Writes printf-style text to standard output exactly as formatted: no prefix, level,
// timestamp or line break is added. A GUI process has no console, so the text is seen only
// when standard output is redirected.
void LogMessage(const char *format, ...);
