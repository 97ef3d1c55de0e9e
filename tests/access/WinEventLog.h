#pragma once
// The accessibility events a process raises, as a screen reader hears
// them: an out-of-context SetWinEventHook, delivered while this thread
// pumps its messages.
#include <windows.h>

#include <vector>

struct WinEventRecord {
    DWORD event;
    HWND hwnd;
    LONG object, child;
};

class CWinEventLog {
public:
    CWinEventLog(DWORD pid, DWORD eventMin, DWORD eventMax);
    ~CWinEventLog();
    CWinEventLog(const CWinEventLog&) = delete;
    CWinEventLog& operator=(const CWinEventLog&) = delete;
    bool IsHooked() const { return m_hook != nullptr; }
    // Pumps messages until an event of that kind for that child (any child
    // for -1) has arrived since Clear; false after the safety net.
    bool WaitFor(DWORD event, LONG child = -1, DWORD timeoutMs = 30000);
    bool Has(DWORD event, LONG child = -1) const;
    void Clear() { m_records.clear(); }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD);
    HWINEVENTHOOK m_hook = nullptr;
    std::vector<WinEventRecord> m_records;
};
