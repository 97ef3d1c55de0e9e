#pragma once
// The installed Velotune.exe, started as a user starts it, on the simulated
// processor whose state file the test names; ended if still running when
// the object goes, so that a failed test leaves nothing behind.
#include <windows.h>

#include <string>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class CInstalledApp : private vt::NonCopyable {
public:
    explicit CInstalledApp(const std::wstring& folder) : m_folder(folder) {}
    ~CInstalledApp();

    bool Start();
    // The main window (class "Velotune") once the processor has been read
    // and shown; null on timeout.
    HWND WaitReady(DWORD timeoutMs);
    // Exit code, or -1 when it is still running after `timeoutMs`.
    int WaitExit(DWORD timeoutMs);

    std::wstring LogPath() const { return m_folder + L"\\log\\Velotune.log"; }
    std::string ReadLog() const;
    bool WaitLog(const std::string& needle, DWORD timeoutMs) const;

private:
    std::wstring m_folder;
    vt::UniqueHandle m_process;
    DWORD m_pid = 0;
};
