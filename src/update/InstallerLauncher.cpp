#include "update/InstallerLauncher.h"

#include <memory>

#include "log/BaseLog.h"
#include "update/WndManualUpdateClient.h"

CVerifiedInstaller::PFN_CreateProcessW CInstallerLauncher::s_pfnCreateProcess = &::CreateProcessW;

bool CInstallerLauncher::RunFromUpdateWindow(WPARAM wParam) {
    if (!CWndManualUpdateClient::IsOwnInstallerPath(wParam)) {
        VLOG("UM_RUN_INSTALLER ignored: wParam is not the update window's path");
        return false;
    }
    std::unique_ptr<CVerifiedInstaller> installer = CWndManualUpdateClient::TakeVerifiedInstaller();
    if (!installer) {
        VLOG("installer not started: it was not verified");
        return false;
    }
    return installer->Start(s_pfnCreateProcess);
}
