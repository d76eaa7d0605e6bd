#pragma once

#include "bench/BenchHarness.h"

// Where the time of the floor goes: the bare cost of a message sent across threads, the list
// view's own work on each kind of message, and what showing the list adds. Prints one line
// per figure, in microseconds per message.
void ProfileListMessages(HWND list, FloorRows *rows);
