#pragma once

// Number of elements of a fixed-size array; every buffer size passed to a bounded call uses it.
#define COUNTOF(array) (sizeof(array) / sizeof((array)[0]))
