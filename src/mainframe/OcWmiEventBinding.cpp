#include "mainframe/OcWmiEventBinding.h"

#include "mainframe/ExpectedEvents.h"
#include "state/WindowMessages.h"
#include "tuning/SafeLoadLibrary.h"

COcWmiEventBinding::~COcWmiEventBinding() { Unbind(); }

bool COcWmiEventBinding::Bind() {
    if (m_library.Loaded()) return true;
    m_library.Reset(LoadAppLibrary(L"OCWmiEvent.dll"));
    if (!m_library.Loaded()) return false;
    m_pfnStart = m_library.Proc<PFN_Start>("Start");
    m_pfnStop = m_library.Proc<PFN_Stop>("Stop");
    m_pfnSetOCFlag = m_library.Proc<PFN_SetOCFlag>("SetOCFlag");
    if (!m_pfnStart || !m_pfnStop || !m_pfnSetOCFlag) {
        Unbind();
        return false;
    }
    return true;
}

void COcWmiEventBinding::Unbind() {
    m_library.Reset();
    m_pfnStart = nullptr;
    m_pfnStop = nullptr;
    m_pfnSetOCFlag = nullptr;
}

int COcWmiEventBinding::EventToWindow(int value, void*, void* context) {
    CExpectedEvents::Post(static_cast<HWND>(context), UM_WMI_EVENT, static_cast<WPARAM>(value));
    return 1;
}

void COcWmiEventBinding::Start(HWND hWndTarget) {
    if (m_pfnStart) m_pfnStart(&COcWmiEventBinding::EventToWindow, hWndTarget);
}

void COcWmiEventBinding::Stop() {
    if (m_pfnStop) m_pfnStop();
}

void COcWmiEventBinding::SetOCFlag(int flag) {
    if (m_pfnSetOCFlag) m_pfnSetOCFlag(flag);
}
