#include "usbkey/ZozeDEWrapper.h"

#include "log/BaseLog.h"
#include "tuning/SafeLoadLibrary.h"

bool CZozeDEWrapper::Init() {
    if (m_library.Loaded()) return true;
    // The program runs elevated: the key's library is taken only from the
    // program's own folder or the system folder, never from the current
    // directory or PATH.
    m_library.Reset(LoadAppLibrary(L"UsbDll.dll"));
    if (!m_library.Loaded()) return false;
    m_pfnRegisterOverLock = m_library.Proc<PFN_Register>("RegisterOverLock");
    m_pfnRegisterGetOverLockState = m_library.Proc<PFN_Register>("RegisterGetOverLockState");
    m_pfnRegisterGetCPU = m_library.Proc<PFN_Register>("RegisterGetCPU");
    m_pfnRegisterGetMode = m_library.Proc<PFN_Register>("RegisterGetMode");
    m_pfnSetOverLockState = m_library.Proc<PFN_SetInt>("SetOverLockState");
    m_pfnSetFq = m_library.Proc<PFN_SetFloat>("SetFq");
    m_pfnSetMode = m_library.Proc<PFN_SetInt>("SetMode");
    m_pfnInit = m_library.Proc<PFN_Init>("Init");
    m_pfnRelease = m_library.Proc<PFN_Release>("Release");

    int nRet = m_pfnInit ? m_pfnInit() : -1;
    if (nRet == 0) {
        VLOG("[CZozeDEWrapper] Init true");
        return true;
    }
    VLOG("[CZozeDEWrapper] Init false nRet=%d", nRet);
    Unload();
    return false;
}

void CZozeDEWrapper::Unload() {
    ForgetEntryPoints();
    m_library.Reset();
}

void CZozeDEWrapper::KeepLoadedForGood() {
    ForgetEntryPoints();
    // Deliberately never freed (see Release): the handle is let go of, not closed.
    m_library.Release();
}

void CZozeDEWrapper::ForgetEntryPoints() {
    m_pfnRegisterOverLock = nullptr;
    m_pfnRegisterGetOverLockState = nullptr;
    m_pfnRegisterGetCPU = nullptr;
    m_pfnRegisterGetMode = nullptr;
    m_pfnSetOverLockState = nullptr;
    m_pfnSetFq = nullptr;
    m_pfnSetMode = nullptr;
    m_pfnInit = nullptr;
    m_pfnRelease = nullptr;
}
