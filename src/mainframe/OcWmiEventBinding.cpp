#include "mainframe/OcWmiEventBinding.h"

#include "state/WindowMessages.h"
#include "tuning/SafeLoadLibrary.h"

COcWmiEventBinding::~COcWmiEventBinding() { Unbind(); }

bool COcWmiEventBinding::Bind() {
    if (m_hModule) return true;
    HMODULE module = LoadAppLibrary(L"OCWmiEvent.dll");
    if (!module) return false;
    m_hModule = module;
    m_pfnStart = reinterpret_cast<PFN_Start>(reinterpret_cast<void*>(GetProcAddress(module, "Start")));
    m_pfnStop = reinterpret_cast<PFN_Stop>(reinterpret_cast<void*>(GetProcAddress(module, "Stop")));
    m_pfnSetOCFlag = reinterpret_cast<PFN_SetOCFlag>(reinterpret_cast<void*>(GetProcAddress(module, "SetOCFlag")));
    if (!m_pfnStart || !m_pfnStop || !m_pfnSetOCFlag) {
        Unbind();
        return false;
    }
    return true;
}

void COcWmiEventBinding::Unbind() {
    if (m_hModule) FreeLibrary(m_hModule);
    m_hModule = nullptr;
    m_pfnStart = nullptr;
    m_pfnStop = nullptr;
    m_pfnSetOCFlag = nullptr;
}

int COcWmiEventBinding::EventToWindow(int value, void*, void* context) {
    if (context != nullptr)
        PostMessageW(static_cast<HWND>(context), UM_WMI_EVENT, static_cast<WPARAM>(value), 0);
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
