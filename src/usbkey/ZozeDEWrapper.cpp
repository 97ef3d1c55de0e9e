#include "usbkey/ZozeDEWrapper.h"

#include "log/BaseLog.h"
#include "tuning/SafeLoadLibrary.h"

namespace {

template <typename T>
T Export(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool CZozeDEWrapper::Init() {
    if (m_hModule) return true;
    // The program runs elevated: the key's library is taken only from the
    // program's own folder or the system folder, never from the current
    // directory or PATH.
    HMODULE module = LoadAppLibrary(L"UsbDll.dll");
    if (!module) return false;
    m_hModule = module;
    m_pfnRegisterOverLock = Export<PFN_Register>(module, "RegisterOverLock");
    m_pfnRegisterGetOverLockState = Export<PFN_Register>(module, "RegisterGetOverLockState");
    m_pfnRegisterGetCPU = Export<PFN_Register>(module, "RegisterGetCPU");
    m_pfnRegisterGetMode = Export<PFN_Register>(module, "RegisterGetMode");
    m_pfnSetOverLockState = Export<PFN_SetInt>(module, "SetOverLockState");
    m_pfnSetFq = Export<PFN_SetFloat>(module, "SetFq");
    m_pfnSetMode = Export<PFN_SetInt>(module, "SetMode");
    m_pfnInit = Export<PFN_Init>(module, "Init");
    m_pfnRelease = Export<PFN_Release>(module, "Release");

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
    m_pfnRegisterOverLock = nullptr;
    m_pfnRegisterGetOverLockState = nullptr;
    m_pfnRegisterGetCPU = nullptr;
    m_pfnRegisterGetMode = nullptr;
    m_pfnSetOverLockState = nullptr;
    m_pfnSetFq = nullptr;
    m_pfnSetMode = nullptr;
    m_pfnInit = nullptr;
    m_pfnRelease = nullptr;
    if (m_hModule) FreeLibrary(m_hModule);
    m_hModule = nullptr;
}
