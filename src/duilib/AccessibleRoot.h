#pragma once
// What a screen reader sees of a toolkit window (MSAA): the client object,
// whose children are the window's shown controls, each a simple element
// named by the paint manager's id. What the root does not answer itself
// (parent, navigation out of the window) goes to the system's standard
// object. Once the window is gone every call answers CO_E_OBJNOTCONNECTED.
#include <windows.h>
#include <oleacc.h>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

class CAccessibleRoot final : public IAccessible, public IEnumVARIANT, private vt::NonCopyable {
public:
    // role: ROLE_SYSTEM_CLIENT for a window, ROLE_SYSTEM_MENUPOPUP for a menu
    // (whose list items are then menu items).
    CAccessibleRoot(HWND hWnd, CPaintManagerUI* manager, DWORD role);
    // The window is going: no control is reached any more.
    void Disconnect();
    // MinGW's x64 oleacc import library resolves IID_IAccessible to code,
    // not to the GUID.
    static const IID& Iid();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch: not scriptable.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** disp) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* child) override;
    STDMETHODIMP get_accSelection(VARIANT* children) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* x, long* y, long* w, long* h, VARIANT child) override;
    STDMETHODIMP accNavigate(long dir, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;
    STDMETHODIMP put_accName(VARIANT, BSTR) override;
    STDMETHODIMP put_accValue(VARIANT, BSTR) override;
    // IEnumVARIANT: the children, for AccessibleChildren.
    STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** out) override;

private:
    ~CAccessibleRoot();
    // S_OK with *control set (null for the root itself), E_INVALIDARG for an
    // unknown child, CO_E_OBJNOTCONNECTED once the window is gone.
    HRESULT Resolve(const VARIANT& child, CControlUI** control);
    DWORD RoleOf(CControlUI* control) const;
    IAccessible* Standard();

    LONG m_refs = 1;
    HWND m_hWnd;
    CPaintManagerUI* m_pManager;
    DWORD m_role;
    ULONG m_enumPos = 0;
    vt::ComPtr<IAccessible> m_standard;
};

}  // namespace DuiLib
