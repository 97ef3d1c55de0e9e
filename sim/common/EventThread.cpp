#include "common/EventThread.h"

#include "base/AdminOnlySecurity.h"
#include "base/ThreadStack.h"

namespace simcommon {

CEventThread::Start CEventThread::Run(const std::wstring& eventName, void (*onSet)()) {
    m_onSet = onSet;
    vt::AdminOnlySecurity security;
    if (!security.Valid()) return Start::NoEvent;
    m_event.Reset(CreateEventW(security.Attributes(), FALSE, FALSE, eventName.c_str()));
    // Read before anything else can change the last error.
    const DWORD created = GetLastError();
    if (m_event && created == ERROR_ALREADY_EXISTS) {
        m_event.Reset();
        return Start::Taken;
    }
    m_stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_event || !m_stop) {
        m_event.Reset();
        return created == ERROR_INVALID_HANDLE || created == ERROR_ACCESS_DENIED ? Start::Taken : Start::NoEvent;
    }
    m_thread.Reset(CreateThread(nullptr, 0, &CEventThread::Loop, this, 0, nullptr));
    return m_thread ? Start::Started : Start::NoThread;
}

void CEventThread::Stop() {
    if (m_thread) {
        SetEvent(m_stop.Get());
        WaitForSingleObject(m_thread.Get(), 5000);
        m_thread.Reset();
    }
    m_event.Reset();
    m_stop.Reset();
}

DWORD WINAPI CEventThread::Loop(void* self) {
    vt::ReleaseUnusedStack();
    CEventThread* t = static_cast<CEventThread*>(self);
    HANDLE handles[2] = {t->m_stop.Get(), t->m_event.Get()};
    while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) t->m_onSet();
    return 0;
}

}  // namespace simcommon
