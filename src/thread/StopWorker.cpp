#include "thread/StopWorker.h"

#include <atomic>

#include "log/BaseLog.h"

namespace {

constexpr DWORD kReportEveryMs = 10000;
std::atomic<bool> g_readerLeft{false};

}  // namespace

bool WaitForWorkerEnd(HANDLE thread, DWORD waitMs, const char* what) {
    if (WaitForSingleObject(thread, waitMs) == WAIT_OBJECT_0) return true;
    for (DWORD waited = waitMs; WaitForSingleObject(thread, kReportEveryMs) != WAIT_OBJECT_0;) {
        waited += kReportEveryMs;
        VLOG("%s still running after %lu ms: waiting for it to end (never ended by force)", what, waited);
    }
    return false;
}

bool StopWorker(vt::UniqueHandle& thread, vt::UniqueHandle& stopEvent, DWORD waitMs, const char* what) {
    if (stopEvent) SetEvent(stopEvent.Get());
    bool ended = true;
    if (thread) {
        ended = WaitForWorkerEnd(thread.Get(), waitMs, what);
        thread.Reset();
    }
    stopEvent.Reset();
    return ended;
}

bool WaitOrLeave(vt::UniqueHandle& thread, DWORD waitMs, const char* what) {
    if (!thread || WaitForSingleObject(thread.Get(), waitMs) == WAIT_OBJECT_0) {
        thread.Reset();
        return true;
    }
    VLOG("%s still running after %lu ms: left to end with the process (never ended by force)", what, waitMs);
    g_readerLeft = true;
    thread.Release();
    return false;
}

bool StopOrLeaveReader(vt::UniqueHandle& thread, vt::UniqueHandle& stopEvent, DWORD waitMs, const char* what) {
    if (stopEvent) SetEvent(stopEvent.Get());
    if (WaitOrLeave(thread, waitMs, what)) {
        stopEvent.Reset();
        return true;
    }
    stopEvent.Release();  // the reader may still wait on it
    return false;
}

bool ReaderLeftRunning() { return g_readerLeft; }
