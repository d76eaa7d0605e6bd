// PLACEHOLDER until the snapshot lands: lets the shell link. Delete with the real passes.
#include "snapshot/ConnectionRow.h"
#include "snapshot/TablePasses.h"

const wchar_t *const ConnectionColumnTitles[CONNECTION_COLUMN_COUNT] = {
    L"Module Name", L"Source Address", L"Remote Address", L"Remote Name", L"Status", L"Protocol"};

void RefreshConnections(HWND) {}
