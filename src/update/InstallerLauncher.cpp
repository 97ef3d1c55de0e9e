#include "update/InstallerLauncher.h"

#include <shellapi.h>

#include "log/BaseLog.h"
#include "update/WndManualUpdateClient.h"

CInstallerLauncher::PFN_ShellExecuteW CInstallerLauncher::s_pfnShellExecute = &::ShellExecuteW;

bool CInstallerLauncher::RunFromUpdateWindow(WPARAM wParam) {
    if (!CWndManualUpdateClient::IsOwnInstallerPath(wParam)) {
        VLOG("UM_RUN_INSTALLER ignored: wParam is not the update window's path");
        return false;
    }
    const wchar_t* path = reinterpret_cast<const wchar_t*>(wParam);
    HINSTANCE result = s_pfnShellExecute(nullptr, L"open", path, nullptr, nullptr, SW_SHOWNORMAL);
    // Values up to 32 are the shell's error codes.
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        VLOG("installer not started (%d): %ls", static_cast<int>(reinterpret_cast<INT_PTR>(result)), path);
        return false;
    }
    VLOG("installer started: %ls", path);
    return true;
}
