// A resource compiled into this test program, copied out as bytes.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// Empty when there is no such resource. The neutral language lets the loader fall back as
// it does for the program; a test that pins the language passes its own.
inline std::string ResourceBytes(LPCWSTR type, int id, LANGID language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL))
{
    HRSRC found = FindResourceExW(NULL, type, MAKEINTRESOURCEW(id), language);
    if (found == NULL)
        return std::string();
    return std::string((const char *)LockResource(LoadResource(NULL, found)), SizeofResource(NULL, found));
}

} // namespace testsupport
