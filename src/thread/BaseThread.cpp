#include "thread/BaseThread.h"

#include <process.h>

#include <cerrno>

#include "base/ThreadStack.h"
#include "log/BaseLog.h"
#include "thread/StopWorker.h"

base_thread::base_thread()
    : m_dwThreadId(0), m_hStopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

base_thread::~base_thread() {
    // Terminate before the events go, so that a worker blocked on one of them
    // never sees its handle closed under it.
    if (m_hThread) {
        TerminateThread(m_hThread.Get(), 0xFFFFFFFF);
        WaitForSingleObject(m_hThread.Get(), INFINITE);
    }
    m_hStopEvent.Reset();
    m_hReadyEvent.Reset();
    m_hThread.Reset();
    m_dwThreadId = 0;
}

int base_thread::Run() { return 0; }

bool base_thread::Start() {
    if (m_hThread) return true;
    if (!m_hReadyEvent) m_hReadyEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (m_hReadyEvent) ResetEvent(m_hReadyEvent.Get());
    if (m_hStopEvent) ResetEvent(m_hStopEvent.Get());

    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, 0, &base_thread::ThreadEntry, this, 0, &id);
    if (h == 0) {
        VLOG("_beginthreadex failed errno=%d", errno);
        // No thread will ever signal readiness: drop the event so that later
        // posts and stops do not wait for ever.
        m_hReadyEvent.Reset();
        return false;
    }
    m_hThread.Reset(reinterpret_cast<HANDLE>(h));
    m_dwThreadId = id;
    return true;
}

unsigned __stdcall base_thread::ThreadEntry(void* param) {
    base_thread* self = static_cast<base_thread*>(param);
    if (self == nullptr) return static_cast<unsigned>(-1);
    vt::ReleaseUnusedStack();
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // makes the queue
    SetEvent(self->m_hReadyEvent.Get());
    return static_cast<unsigned>(self->Run());
}

void base_thread::WaitUntilReady() {
    if (!m_hReadyEvent) return;
    WaitForSingleObject(m_hReadyEvent.Get(), INFINITE);
    m_hReadyEvent.Reset();
}

bool base_thread::PostToThread(UINT message, WPARAM wParam) {
    WaitUntilReady();
    return PostThreadMessageW(m_dwThreadId, message, wParam, 0) != FALSE;
}

void base_thread::Stop(bool bNoWait) {
    if (m_hStopEvent) SetEvent(m_hStopEvent.Get());
    if (!m_hThread) return;
    WaitUntilReady();
    PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
    if (!bNoWait) WaitForSingleObject(m_hThread.Get(), INFINITE);
    m_hThread.Reset();
    m_dwThreadId = 0;
}

bool base_thread::StopOrLeave(DWORD waitMs, const char* what) {
    if (!m_hThread) return true;
    if (m_hStopEvent) SetEvent(m_hStopEvent.Get());
    PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
    m_dwThreadId = 0;
    if (WaitOrLeave(m_hThread, waitMs, what)) return true;
    // Left running: the events it may still wait on stay open for it.
    m_hStopEvent.Release();
    m_hReadyEvent.Release();
    return false;
}
