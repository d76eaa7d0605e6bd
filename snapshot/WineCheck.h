#pragma once

// True when the process runs under Wine (ntdll exports wine_get_version). Wine's
// GetOwnerModuleFrom*Entry exports abort the process, so the owner-module query is not made
// there. Kept in a file of its own: a test program that defines its own RunningUnderWine
// links that one instead of WineCheck.cpp.
bool RunningUnderWine();
