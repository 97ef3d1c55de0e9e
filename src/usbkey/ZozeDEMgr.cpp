#include "usbkey/ZozeDEMgr.h"

#include "log/BaseLog.h"

namespace {

// Hands `value` to the key's library when it has the export: the nRet the
// log shows, 0, or -1 without it.
template <class Fn, class V>
int CallIfBound(Fn fn, V value) {
    if (!fn) return -1;
    fn(value);
    return 0;
}

}  // namespace

std::atomic<LONG> CZozeDEMgr::s_nState{0};
std::atomic<float> CZozeDEMgr::s_fFq{0.0f};
std::atomic<LONG> CZozeDEMgr::s_nMode{0};
std::atomic<HWND> CZozeDEMgr::s_hWindow{nullptr};
std::atomic<CZozeDEMgr::EventCallback> CZozeDEMgr::s_pfnEvent{nullptr};

int CZozeDEMgr::Init(HWND window, EventCallback onEvent) {
    if (!CZozeDEWrapper::Init()) {
        VLOG("[CZozeDEMgr] Init FAILED");
        return 0;
    }
    s_hWindow = window;
    s_pfnEvent = onEvent;
    if (m_pfnRegisterGetCPU) m_pfnRegisterGetCPU(&CZozeDEMgr::CPUCallbackFunction, 0);
    if (m_pfnRegisterGetMode) m_pfnRegisterGetMode(&CZozeDEMgr::ModeCallbackFunction, 0);
    if (m_pfnRegisterGetOverLockState) m_pfnRegisterGetOverLockState(&CZozeDEMgr::StateCallbackFunction, 0);
    if (m_pfnRegisterOverLock) m_pfnRegisterOverLock(&CZozeDEMgr::OverLockCallbackFunction, 0);
    return 1;
}

CZozeDEMgr::~CZozeDEMgr() { Release(); }

void CZozeDEMgr::Release() {
    // A callback already running sees either the window or nothing.
    s_pfnEvent = nullptr;
    s_hWindow = nullptr;
    if (!m_library.Loaded()) return;
    for (PFN_Register unregister :
         {m_pfnRegisterGetCPU, m_pfnRegisterGetMode, m_pfnRegisterGetOverLockState, m_pfnRegisterOverLock})
        if (unregister) unregister(nullptr, 0);
    if (m_pfnRelease) m_pfnRelease();
    // The library stays mapped until the process ends: its own thread may
    // still be on its way out after Release returns, and unmapping the code
    // under it would crash the program at its exit.
    KeepLoadedForGood();
    VLOG("[CZozeDEMgr] Release");
}

void CZozeDEMgr::SetOverLockState(int state) {
    s_nState = state;
    const int nRet = CallIfBound(m_pfnSetOverLockState, state);
    VLOG("[CZozeDEMgr] SetOverLockState state=%d nRet=%d", state, nRet);
}

void CZozeDEMgr::SetFq(float fq) {
    s_fFq = fq;
    const int nRet = CallIfBound(m_pfnSetFq, fq);
    VLOG("[CZozeDEMgr] SetFq fq=%f nRet=%d", static_cast<double>(fq), nRet);
}

void CZozeDEMgr::SetMode(int mode) {
    s_nMode = mode;
    const int nRet = CallIfBound(m_pfnSetMode, mode);
    VLOG("[CZozeDEMgr] SetMode mode=%d nRet=%d", mode, nRet);
}

int __stdcall CZozeDEMgr::OverLockCallbackFunction(int dwType, int, void*) {
    VLOG("[OverLockCallbackFunction] dwType=%d", dwType);
    EventCallback event = s_pfnEvent;
    if (event) event(1, 0, s_hWindow);
    return 0;
}

int __stdcall CZozeDEMgr::CPUCallbackFunction(int dwType, int, void* answer) {
    VLOG("[CPUCallbackFunction] dwType=%d", dwType);
    if (answer) *static_cast<float*>(answer) = s_fFq;
    return 0;
}

int __stdcall CZozeDEMgr::ModeCallbackFunction(int dwType, int, void* answer) {
    VLOG("[ModeCallbackFunction] dwType=%d", dwType);
    if (answer) *static_cast<int*>(answer) = static_cast<int>(s_nMode.load());
    return 0;
}

int __stdcall CZozeDEMgr::StateCallbackFunction(int dwType, int, void* answer) {
    VLOG("[StateCallbackFunction] dwType=%d", dwType);
    if (answer) *static_cast<int*>(answer) = static_cast<int>(s_nState.load());
    return 0;
}
