#include "access/WinEventLog.h"

#include "support/Pump.h"

namespace {
std::vector<WinEventRecord>* g_records = nullptr;  // the callback has no context of its own
}  // namespace

CWinEventLog::CWinEventLog(DWORD pid, DWORD eventMin, DWORD eventMax) {
    g_records = &m_records;
    m_hook = SetWinEventHook(eventMin, eventMax, nullptr, &CWinEventLog::OnEvent, pid, 0, WINEVENT_OUTOFCONTEXT);
}

CWinEventLog::~CWinEventLog() {
    if (m_hook) UnhookWinEvent(m_hook);
    g_records = nullptr;
}

void CALLBACK CWinEventLog::OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (g_records && object == OBJID_CLIENT) g_records->push_back(WinEventRecord{event, hwnd, object, child});
}

bool CWinEventLog::Has(DWORD event, LONG child) const {
    for (const WinEventRecord& r : m_records)
        if (r.event == event && (child == -1 || r.child == child)) return true;
    return false;
}

bool CWinEventLog::WaitFor(DWORD event, LONG child, DWORD timeoutMs) {
    return PumpUntil([&] { return Has(event, child); }, timeoutMs);
}
