#include "shell/AppSingleton.h"

#include "base/AdminOnlySecurity.h"
#include "base/RaiseWindow.h"
#include "log/BaseLog.h"
#include "settings/AppInfo.h"

const wchar_t AppSingleton::kGuardFileName[] = L"Velotune.lock";
const wchar_t AppSingleton::kWindowClass[] = L"Velotune";

namespace {
// A window that stops answering between the hung check and the restore
// command must not block this start for ever.
constexpr UINT kRestoreTimeoutMs = 5000;
}  // namespace

std::wstring AppSingleton::GuardPath() {
    const std::wstring folder = GetAppFolder();
    return folder.empty() ? std::wstring() : folder + L"\\" + kGuardFileName;
}

bool AppSingleton::Acquire() {
    m_hGuard.Reset();
    const std::wstring path = GuardPath();
    vt::AdminOnlySecurity security;
    if (path.empty() || !security.Valid()) {
        VLOG("AppSingleton: no guard file (no program folder or no security descriptor)");
        return false;
    }
    // No sharing: a second open fails while this one lives. Deleted on
    // close, so a copy that crashed leaves nothing behind.
    m_hGuard.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, security.Attributes(), OPEN_ALWAYS,
                               FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (m_hGuard) return true;
    const DWORD error = GetLastError();
    // Held by a running copy (sharing), or on its way out (delete pending).
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) {
        VLOG("AppSingleton: cannot open the guard file (error %lu)", error);
        return false;
    }
    HWND other = FindWindowW(kWindowClass, nullptr);
    if (other && !IsHungAppWindow(other)) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(other, WM_SYSCOMMAND, SC_RESTORE, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kRestoreTimeoutMs,
                            &result);
        vt::RaiseWindow(other);
    }
    return false;
}
