#pragma once
// Where the log takes the time, the tick and the thread id. Tests pin both to
// reproduce a line byte for byte; the program never sets them.
#include <windows.h>

namespace LogClock {
void Now(SYSTEMTIME* out);
DWORD ThreadId();
DWORD Tick();
// Test seams: a fixed time and thread id (nullptr / 0 restores the real ones).
void PinForTests(const SYSTEMTIME* time, DWORD threadId);
// Test seam: a fixed tick (pinned false restores the real one).
void PinTickForTests(bool pinned, DWORD tick);
}  // namespace LogClock
