#include "log/LogClock.h"

namespace {
SYSTEMTIME g_pinnedTime;
volatile LONG g_timePinned = 0;
volatile LONG g_pinnedThread = 0;
volatile LONG g_tickPinned = 0;
volatile LONG g_pinnedTick = 0;
}  // namespace

void LogClock::Now(SYSTEMTIME* out) {
    if (g_timePinned) *out = g_pinnedTime;
    else GetLocalTime(out);
}

DWORD LogClock::ThreadId() {
    DWORD pinned = (DWORD)g_pinnedThread;
    return pinned ? pinned : GetCurrentThreadId();
}

void LogClock::PinForTests(const SYSTEMTIME* time, DWORD threadId) {
    if (time) g_pinnedTime = *time;
    InterlockedExchange(&g_timePinned, time ? 1 : 0);
    InterlockedExchange(&g_pinnedThread, (LONG)threadId);
}

DWORD LogClock::Tick() { return g_tickPinned ? (DWORD)g_pinnedTick : GetTickCount(); }

void LogClock::PinTickForTests(bool pinned, DWORD tick) {
    InterlockedExchange(&g_pinnedTick, (LONG)tick);
    InterlockedExchange(&g_tickPinned, pinned ? 1 : 0);
}
