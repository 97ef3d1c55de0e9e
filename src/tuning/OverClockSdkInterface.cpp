#include "tuning/OverClockSdkInterface.h"

#include "log/BaseLog.h"
#include "tuning/SafeLoadLibrary.h"
#include "tuning/SdkGuard.h"

IOverClockSdkInterface* IOverClockSdkInterface::Instance() {
    // Never destroyed: workers may still ask for the root while the process ends.
    static IOverClockSdkInterface* instance =
        new IOverClockSdkInterface(L"OverclockingSdkWrapper.dll");
    return instance;
}

IOverClockSdkInterface::IOverClockSdkInterface(const wchar_t* libraryName)
    : m_libraryName(libraryName), m_hModule(nullptr), m_GetInterface(nullptr) {}

IOverClockSdkInterface::~IOverClockSdkInterface() = default;

bool IOverClockSdkInterface::LoadDll() {
    vt::LockGuard hold(m_lock);
    if (m_hModule == nullptr) {
        m_hModule = LoadAppLibrary(m_libraryName);
        if (m_hModule == nullptr)
            VLOG("[zqzq] load OverclockingSdkWrapper.dll  errorcode:%d", (int)GetLastError());
    }
    if (m_hModule != nullptr && m_GetInterface.load() == nullptr) {
        m_GetInterface.store(vt::ProcAddress<PFN_OverclockingSdkGetInterface>(m_hModule, OCSDK_EXPORT_GETINTERFACE));
    }
    return m_hModule != nullptr && m_GetInterface.load() != nullptr;
}

IOverclockingSdk* IOverClockSdkInterface::GetInterface() {
    PFN_OverclockingSdkGetInterface fn = m_GetInterface.load();
    if (fn == nullptr) {
        VLOG("[zqzq] NULL == m_GetInterface");
        return nullptr;
    }
    return CSdkGuard::Value("GetInterface", (IOverclockingSdk*)nullptr, [&] { return fn(); });
}

IOverClockSdkInterface::BringUp IOverClockSdkInterface::BringUpSdk() {
    bool loaded = LoadDll();
    IOverclockingSdk* sdk = GetInterface();
    if (!sdk) return loaded ? BringUp::NoRoot : BringUp::NoLibrary;
    if (!CSdkGuard::Run("Init", [&] { sdk->Init(); }) ||
        !CSdkGuard::Value("IsInitOK", SdkBool(0), [&] { return sdk->IsInitOK(); }))
        return BringUp::NotInitialised;
    return BringUp::Ready;
}
