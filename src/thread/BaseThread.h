#pragma once
// A worker thread that owns a message queue: the derived class supplies the
// body (Run), the owner starts it, posts thread messages to it and stops it.
#include <windows.h>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class base_thread : private vt::NonCopyable {
public:
    base_thread();
    // Not virtual: owners hold the derived object by value. A worker still
    // running here is terminated (exit code -1).
    ~base_thread();

    virtual void Stop(bool bNoWait);
    virtual int Run();

    // For a worker that only reads: signals the stop event, posts WM_QUIT and
    // waits up to `waitMs`; one still running then is left to end with the
    // process (StopWorker.h), never terminated. True when it ended in time.
    bool StopOrLeave(DWORD waitMs, const char* what);

    // Starts the thread unless one is held; true when a thread is held after the call.
    bool Start();
    // The first post waits until the worker's queue exists; lParam is always 0.
    bool PostToThread(UINT message, WPARAM wParam);

    DWORD ThreadId() const { return m_dwThreadId; }
    HANDLE ThreadHandle() const { return m_hThread.Get(); }
    HANDLE StopEvent() const { return m_hStopEvent.Get(); }

private:
    static unsigned __stdcall ThreadEntry(void* param);
    void WaitUntilReady();

    DWORD m_dwThreadId;
    vt::UniqueHandle m_hThread;
    vt::UniqueHandle m_hStopEvent;
    vt::UniqueHandle m_hReadyEvent;
};
