#include "duilib/AccessibilityLibrary.h"

#include "duilib/DuiLog.h"

namespace DuiLib {

const CAccessibilityLibrary& CAccessibilityLibrary::Get() {
    static const CAccessibilityLibrary s_library;
    return s_library;
}

CAccessibilityLibrary::CAccessibilityLibrary() : m_oleacc(L"oleacc.dll"), m_oleaut(L"oleaut32.dll") {
    m_ready = m_oleacc.Find("LresultFromObject", &m_lresultFromObject) &&
              m_oleacc.Find("CreateStdAccessibleObject", &m_createStdAccessibleObject) &&
              m_oleaut.Find("SysAllocString", &m_sysAllocString) && m_oleaut.Find("SysFreeString", &m_sysFreeString);
    if (!m_ready)
        DUI_LOG("screen reader support off: %s",
                (m_oleacc.Problem().empty() ? m_oleaut.Problem() : m_oleacc.Problem()).c_str());
}

LRESULT CAccessibilityLibrary::ResultFromObject(REFIID iid, WPARAM wParam, IUnknown* object) const {
    return m_lresultFromObject ? m_lresultFromObject(iid, wParam, object) : 0;
}

HRESULT CAccessibilityLibrary::CreateStandardObject(HWND window, LONG objectId, REFIID iid, void** object) const {
    if (!m_createStdAccessibleObject) return E_NOTIMPL;
    return m_createStdAccessibleObject(window, objectId, iid, object);
}

BSTR CAccessibilityLibrary::AllocString(const wchar_t* text) const {
    return m_sysAllocString ? m_sysAllocString(text) : nullptr;
}

void CAccessibilityLibrary::FreeString(BSTR text) const {
    if (m_sysFreeString) m_sysFreeString(text);
}

}  // namespace DuiLib
