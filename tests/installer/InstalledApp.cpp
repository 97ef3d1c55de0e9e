#include "InstalledApp.h"

#include <vector>

#include "support/TestPaths.h"

namespace {

struct MainWindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<MainWindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 63);
    if (pid != search->pid || wcscmp(cls, L"Velotune") != 0) return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

CInstalledApp::~CInstalledApp() {
    if (m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process.Get(), 99);
        WaitForSingleObject(m_process.Get(), 5000);
    }
}

bool CInstalledApp::Start() {
    std::wstring exe = m_folder + L"\\Velotune.exe";
    std::wstring cmd = L"\"" + exe + L"\"";
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    m_process.Reset(pi.hProcess);
    m_pid = pi.dwProcessId;
    return true;
}

HWND CInstalledApp::WaitReady(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    MainWindowSearch search = {m_pid, nullptr};
    while (!search.found) {
        EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) break;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        if (WaitForSingleObject(m_process.Get(), 50) == WAIT_OBJECT_0) return nullptr;
    }
    const DWORD spent = GetTickCount() - start;
    if (!WaitLog("CMainFrame::InitViewInfo Exit", timeoutMs > spent ? timeoutMs - spent : 0)) return nullptr;
    return search.found;
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
