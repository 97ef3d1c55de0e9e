#include "thread/StopWorker.h"

bool StopWorker(vt::UniqueHandle& thread, vt::UniqueHandle& stopEvent, DWORD waitMs) {
    if (stopEvent) SetEvent(stopEvent.Get());
    bool ended = true;
    if (thread) {
        if (WaitForSingleObject(thread.Get(), waitMs) != WAIT_OBJECT_0) {
            ended = false;
            TerminateThread(thread.Get(), 0xFFFFFFFF);
            WaitForSingleObject(thread.Get(), INFINITE);
        }
        thread.Reset();
    }
    stopEvent.Reset();
    return ended;
}
