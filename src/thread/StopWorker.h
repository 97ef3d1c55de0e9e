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

// For a worker that only reads (never one that changes the processor):
// signals `stopEvent` and waits up to `waitMs`. A worker still running then
// is left to end with the process: never ended by force, never waited for
// again; both handles are given up unclosed, since it may still wait on the
// event. True when it ended in time.
bool StopOrLeaveReader(vt::UniqueHandle& thread, vt::UniqueHandle& stopEvent, DWORD waitMs, const char* what);
// The wait of StopOrLeaveReader alone: `thread` is reset either way (closed
// when it ended, given up unclosed when it was left running).
bool WaitOrLeave(vt::UniqueHandle& thread, DWORD waitMs, const char* what);
// True once any reader was left running: its object must outlive the process.
bool ReaderLeftRunning();

// Waits for `thread` to end: `waitMs` quietly, then for as long as it takes,
// saying so in the log every 10 s. True when it ended within `waitMs`.
bool WaitForWorkerEnd(HANDLE thread, DWORD waitMs, const char* what);
