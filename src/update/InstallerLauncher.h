#pragma once
// Starts the installer the update window downloaded and verified, for the
// main window's UM_RUN_INSTALLER. Only the update window's own path object
// is accepted: the message can be posted by anyone, and its wParam is
// otherwise never read. What is started is the file the update window
// checked and still holds open, by its full path, never through the shell.
#include <windows.h>

#include "update/VerifiedInstaller.h"

class CInstallerLauncher {
public:
    // True when wParam is the update window's installer path and its
    // verified file was started; the main window then closes. Every refusal
    // is logged.
    static bool RunFromUpdateWindow(WPARAM wParam);

private:
    // The process start; only the tests' own seam class replaces it.
    static CVerifiedInstaller::PFN_CreateProcessW s_pfnCreateProcess;
    friend class CInstallerLauncherTestSeam;
};
