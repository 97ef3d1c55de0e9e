#include "thread/StopWorker.h"

#include "log/BaseLog.h"

namespace {

constexpr DWORD kReportEveryMs = 10000;

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
