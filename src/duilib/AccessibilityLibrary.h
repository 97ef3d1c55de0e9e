#pragma once
// What screen readers need from the system (oleacc for the window's object,
// oleaut32 for the texts handed to them), loaded at the first WM_GETOBJECT
// rather than at every start: most sessions never see a screen reader.
#include <windows.h>
#include <oleacc.h>

#include "base/SystemLibrary.h"

namespace DuiLib {

class CAccessibilityLibrary {
public:
    // The one instance, loaded at the first call from whichever thread.
    static const CAccessibilityLibrary& Get();

    // False when a library or one of its entries is missing (logged once):
    // the windows then leave WM_GETOBJECT to the system.
    bool Ready() const { return m_ready; }

    LRESULT ResultFromObject(REFIID iid, WPARAM wParam, IUnknown* object) const;
    HRESULT CreateStandardObject(HWND window, LONG objectId, REFIID iid, void** object) const;
    BSTR AllocString(const wchar_t* text) const;
    void FreeString(BSTR text) const;

private:
    CAccessibilityLibrary();

    vt::CSystemLibrary m_oleacc;
    vt::CSystemLibrary m_oleaut;
    decltype(&::LresultFromObject) m_lresultFromObject = nullptr;
    decltype(&::CreateStdAccessibleObject) m_createStdAccessibleObject = nullptr;
    decltype(&::SysAllocString) m_sysAllocString = nullptr;
    decltype(&::SysFreeString) m_sysFreeString = nullptr;
    bool m_ready = false;
};

}  // namespace DuiLib
