#include "common/EventThread.h"

namespace simcommon {

CEventThread::Start CEventThread::Run(const std::wstring& eventName, void (*onSet)()) {
    m_onSet = onSet;
    m_event.Reset(CreateEventW(nullptr, FALSE, FALSE, eventName.c_str()));
    m_stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_event || !m_stop) return Start::NoEvent;
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
    CEventThread* t = static_cast<CEventThread*>(self);
    HANDLE handles[2] = {t->m_stop.Get(), t->m_event.Get()};
    while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) t->m_onSet();
    return 0;
}

}  // namespace simcommon
