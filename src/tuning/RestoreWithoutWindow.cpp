#include "tuning/RestoreWithoutWindow.h"

#include "log/BaseLog.h"
#include "state/AppState.h"
#include "tuning/OverClockSdkInterface.h"
#include "tuning/OverClockThread.h"

CRestoreWithoutWindow::Outcome CRestoreWithoutWindow::Run(IOverClockSdkInterface* loader) {
    if (!loader) loader = IOverClockSdkInterface::Instance();
    VLOG("[RestoreOverclocking] bringing the tuning SDK up");
    switch (loader->BringUpSdk()) {
        case IOverClockSdkInterface::BringUp::Ready: break;
        case IOverClockSdkInterface::BringUp::NoLibrary:
            VLOG("[RestoreOverclocking] the tuning SDK library cannot be loaded");
            return Outcome::SdkUnavailable;
        case IOverClockSdkInterface::BringUp::NoRoot:
            VLOG("[RestoreOverclocking] the tuning SDK has no interface");
            return Outcome::SdkUnavailable;
        case IOverClockSdkInterface::BringUp::NotInitialised:
            VLOG("[RestoreOverclocking] the tuning SDK did not initialise");
            return Outcome::SdkUnavailable;
    }
    VLOG("[RestoreOverclocking] restoring the default core ratios");
    COverClockThread worker(loader);
    GetAppState().nStatus = STATUS_REOVERCLOCK_ING;
    // The run reads the ratios back after its apply: true only when every
    // one is at its default.
    bool ok = worker.Overclocking(false);
    if (ok) {
        VLOG("[RestoreOverclocking] defaults restored");
    } else if (worker.ReadCoreRatioState() == COverClockThread::RatioState::AtDefaults) {
        // Refused, but there was nothing to restore.
        VLOG("[RestoreOverclocking] nothing restored: the processor is at its defaults");
        ok = true;
    } else {
        VLOG("[RestoreOverclocking] restore failed");
    }
    GetAppState().nStatus = ok ? STATUS_OVERCLOCK_INIT : STATUS_OVERCLOCK_OK;
    return ok ? Outcome::AtDefaults : Outcome::Failed;
}
