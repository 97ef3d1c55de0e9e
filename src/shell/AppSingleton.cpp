#include "shell/AppSingleton.h"

const wchar_t AppSingleton::kMutexName[] = L"Global\\{23076CD6-9899-4539-9F69-66C00851251A}";
const wchar_t AppSingleton::kWindowClass[] = L"Velotune";

namespace {
// A window that stops answering between the hung check and the restore
// command must not block this start for ever.
constexpr UINT kRestoreTimeoutMs = 5000;
}  // namespace

bool AppSingleton::Acquire() {
    m_hMutex.Reset(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kMutexName));
    if (m_hMutex.Valid()) {
        HWND other = FindWindowW(kWindowClass, nullptr);
        if (other && !IsHungAppWindow(other)) {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(other, WM_SYSCOMMAND, SC_RESTORE, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                kRestoreTimeoutMs, &result);
            BringToFront(other);
        }
        return false;
    }
    HANDLE created = CreateMutexW(nullptr, FALSE, kMutexName);
    DWORD error = GetLastError();
    m_hMutex.Reset(created);
    return error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED;
}

void AppSingleton::BringToFront(HWND hwnd) {
    // Topmost and straight back: to the front without staying on top.
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW;
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
}
