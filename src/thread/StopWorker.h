#pragma once
// Ends a worker thread that waits on a stop event: signals the event and
// waits for the thread, then closes both handles. Either handle may be empty.
// A worker is never ended by force: it may be inside the tuning SDK, whose
// locks and half-applied changes would stay behind.
#include <windows.h>

#include "base/Win32Owners.h"

// True when the thread ended by itself within `waitMs`; after that the wait
// goes on, with a log line every 10 s, until it has ended.
bool StopWorker(vt::UniqueHandle& thread, vt::UniqueHandle& stopEvent, DWORD waitMs, const char* what = "worker");

// Waits for `thread` to end: `waitMs` quietly, then for as long as it takes,
// saying so in the log every 10 s. True when it ended within `waitMs`.
bool WaitForWorkerEnd(HANDLE thread, DWORD waitMs, const char* what);
