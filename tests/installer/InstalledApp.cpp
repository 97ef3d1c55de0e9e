#include "InstalledApp.h"

#include <vector>

#include "InstallProbe.h"
#include "support/ChildRun.h"
#include "support/TestPaths.h"
#include "support/TopWindows.h"

CInstalledApp::~CInstalledApp() {
    if (m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process.Get(), 99);
        WaitForSingleObject(m_process.Get(), 5000);
    }
}

bool CInstalledApp::Start() {
    PROCESS_INFORMATION pi;
    if (!ChildRun::Start(m_folder + L"\\Velotune.exe", L"", m_folder, 0, pi)) return false;
    vt::UniqueHandle thread(pi.hThread);
    m_process.Reset(pi.hProcess);
    m_pid = pi.dwProcessId;
    return true;
}

HWND CInstalledApp::WaitReady(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    HWND found = nullptr;
    for (;;) {
        std::vector<HWND> windows = TopWindowsOf(m_pid, L"Velotune");
        if (!windows.empty()) {
            found = windows.front();
            break;
        }
        if (GetTickCount() - start > timeoutMs) return nullptr;
        if (WaitForSingleObject(m_process.Get(), 50) == WAIT_OBJECT_0) return nullptr;
    }
    const DWORD spent = GetTickCount() - start;
    if (!WaitLog("CMainFrame::InitViewInfo Exit", timeoutMs > spent ? timeoutMs - spent : 0)) return nullptr;
    return found;
}

int CInstalledApp::WaitExit(DWORD timeoutMs) {
    if (!m_process || WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(m_process.Get(), &code);
    return static_cast<int>(code);
}

std::string CInstalledApp::ReadLog() const { return TestPaths::ReadFileBytes(LogPath()); }

bool CInstalledApp::WaitLog(const std::string& needle, DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    while (ReadLog().find(needle) == std::string::npos) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}
