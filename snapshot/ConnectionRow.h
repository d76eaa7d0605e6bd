#pragma once

#include <stddef.h>

// One list row: six texts in column order.
enum ConnectionColumn {
    COLUMN_MODULE_NAME,
    COLUMN_SOURCE_ADDRESS,
    COLUMN_REMOTE_ADDRESS,
    COLUMN_REMOTE_NAME,
    COLUMN_STATUS,
    COLUMN_PROTOCOL,
    CONNECTION_COLUMN_COUNT
};

// Capacity, in wide characters, of every row and counter text buffer.
enum { ROW_TEXT_CHARS = 512 };

// Column titles, by column number.
extern const wchar_t *const ConnectionColumnTitles[CONNECTION_COLUMN_COUNT];
