#pragma once
// Ends a worker thread that waits on a stop event: signals the event, waits
// up to `waitMs` for the thread, ends it by force only after that, then
// closes both handles. Either handle may be empty.
#include <windows.h>

#include "base/Win32Owners.h"

// True when the thread ended by itself within the wait.
bool StopWorker(vt::UniqueHandle& thread, vt::UniqueHandle& stopEvent, DWORD waitMs);
