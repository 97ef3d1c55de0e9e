#pragma once
// Starts the installer the update window downloaded, for the main window's
// UM_RUN_INSTALLER. Only the update window's own path object is accepted:
// the message can be posted by anyone, and its wParam is otherwise never read.
#include <windows.h>

class CInstallerLauncher {
public:
    // True when wParam is the update window's installer path and the shell
    // started it; the main window then closes. Every refusal is logged.
    static bool RunFromUpdateWindow(WPARAM wParam);

private:
    typedef HINSTANCE(WINAPI* PFN_ShellExecuteW)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    // The shell call; only the tests' own seam class replaces it.
    static PFN_ShellExecuteW s_pfnShellExecute;
    friend class CInstallerLauncherTestSeam;
};
