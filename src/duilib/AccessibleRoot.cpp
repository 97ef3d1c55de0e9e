#include "duilib/AccessibleRoot.h"

#include <algorithm>
#include <vector>

#include "duilib/AccessibilityLibrary.h"
#include "duilib/ControlUI.h"
#include "duilib/ListLabelElementUI.h"
#include "duilib/OptionUI.h"
#include "duilib/PaintManagerUI.h"

namespace DuiLib {

namespace {

HRESULT Text(const CDuiString& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (text.IsEmpty()) return S_FALSE;
    *out = CAccessibilityLibrary::Get().AllocString(text.GetData());
    return *out ? S_OK : E_OUTOFMEMORY;
}

// What VariantInit does, without importing oleaut32 for it.
void Clear(VARIANT* v) { v->vt = VT_EMPTY; }

void SetId(VARIANT* v, LONG id) {
    Clear(v);
    v->vt = VT_I4;
    v->lVal = id;
}

}  // namespace

const IID& CAccessibleRoot::Iid() {
    static const IID iid = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    return iid;
}

CAccessibleRoot::CAccessibleRoot(HWND hWnd, CPaintManagerUI* manager, DWORD role)
    : m_hWnd(hWnd), m_pManager(manager), m_role(role) {}

CAccessibleRoot::~CAccessibleRoot() = default;

void CAccessibleRoot::Disconnect() {
    m_pManager = nullptr;
    m_standard.Reset();
}

IAccessible* CAccessibleRoot::Standard() {
    if (!m_standard && m_pManager)
        CAccessibilityLibrary::Get().CreateStandardObject(m_hWnd, OBJID_CLIENT, Iid(),
                                                          reinterpret_cast<void**>(m_standard.Put()));
    return m_standard.Get();
}

STDMETHODIMP CAccessibleRoot::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, Iid()))
        *ppv = static_cast<IAccessible*>(this);
    else if (IsEqualIID(riid, IID_IEnumVARIANT))
        *ppv = static_cast<IEnumVARIANT*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CAccessibleRoot::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CAccessibleRoot::Release() {
    LONG n = ::InterlockedDecrement(&m_refs);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP CAccessibleRoot::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
STDMETHODIMP CAccessibleRoot::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CAccessibleRoot::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
STDMETHODIMP CAccessibleRoot::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

HRESULT CAccessibleRoot::Resolve(const VARIANT& child, CControlUI** control) {
    *control = nullptr;
    if (!m_pManager || !::IsWindow(m_hWnd)) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) return S_OK;
    CControlUI* c = m_pManager->FromAccessibleId(child.lVal);
    if (!c || c->GetAccessibleRole() == 0 || !c->IsShownInTree()) return E_INVALIDARG;
    *control = c;
    return S_OK;
}

DWORD CAccessibleRoot::RoleOf(CControlUI* control) const {
    DWORD role = control->GetAccessibleRole();
    if (m_role == ROLE_SYSTEM_MENUPOPUP && role == ROLE_SYSTEM_LISTITEM) return ROLE_SYSTEM_MENUITEM;
    return role;
}

STDMETHODIMP CAccessibleRoot::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!m_pManager) return CO_E_OBJNOTCONNECTED;
    IAccessible* standard = Standard();
    return standard ? standard->get_accParent(parent) : S_FALSE;
}

STDMETHODIMP CAccessibleRoot::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    *count = 0;
    if (!m_pManager) return CO_E_OBJNOTCONNECTED;
    *count = static_cast<long>(m_pManager->GetAccessibleChildren().size());
    return S_OK;
}

STDMETHODIMP CAccessibleRoot::get_accChild(VARIANT child, IDispatch** disp) {
    if (!disp) return E_POINTER;
    *disp = nullptr;
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    // Controls are simple elements of this object, not objects of their own.
    return c ? S_FALSE : E_INVALIDARG;
}

STDMETHODIMP CAccessibleRoot::get_accName(VARIANT child, BSTR* name) {
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    if (c) return Text(c->GetAccessibleName(), name);
    wchar_t title[256] = {};
    ::GetWindowTextW(m_hWnd, title, 256);
    return Text(CDuiString(title), name);
}

STDMETHODIMP CAccessibleRoot::get_accValue(VARIANT child, BSTR* value) {
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    if (!c) {
        if (value) *value = nullptr;
        return S_FALSE;
    }
    return Text(c->GetAccessibleValue(), value);
}

STDMETHODIMP CAccessibleRoot::get_accDescription(VARIANT child, BSTR* text) {
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    return Text(c ? c->GetAccessibleDescription() : CDuiString(), text);
}

STDMETHODIMP CAccessibleRoot::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    Clear(role);
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    SetId(role, static_cast<LONG>(c ? RoleOf(c) : m_role));
    return S_OK;
}

STDMETHODIMP CAccessibleRoot::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    Clear(state);
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    LONG s = 0;
    if (!c) {
        s = STATE_SYSTEM_FOCUSABLE;
        if (!::IsWindowVisible(m_hWnd)) s |= STATE_SYSTEM_INVISIBLE;
        if (::GetFocus() == m_hWnd && !m_pManager->GetFocus()) s |= STATE_SYSTEM_FOCUSED;
    } else {
        if (!c->IsEnabled()) s |= STATE_SYSTEM_UNAVAILABLE;
        if (c->IsKeyboardEnabled()) s |= STATE_SYSTEM_FOCUSABLE;
        if (m_pManager->GetFocus() == c) s |= STATE_SYSTEM_FOCUSED;
        if (m_pManager->GetHot() == c) s |= STATE_SYSTEM_HOTTRACKED;
        if (c->IsDefaultButton()) s |= STATE_SYSTEM_DEFAULT;
        if (auto* option = static_cast<COptionUI*>(c->GetInterface(L"Option")))
            if (option->IsSelected()) s |= STATE_SYSTEM_CHECKED;
        if (auto* item = static_cast<CListLabelElementUI*>(c->GetInterface(L"ListItem"))) {
            s |= STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
            if (item->IsSelected()) s |= STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED;
        }
        const DWORD role = c->GetAccessibleRole();
        if (role == ROLE_SYSTEM_STATICTEXT || role == ROLE_SYSTEM_PROGRESSBAR) s |= STATE_SYSTEM_READONLY;
    }
    SetId(state, s);
    return S_OK;
}

STDMETHODIMP CAccessibleRoot::get_accHelp(VARIANT child, BSTR* help) {
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    return Text(CDuiString(), help);
}

STDMETHODIMP CAccessibleRoot::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (file) *file = nullptr;
    if (topic) *topic = -1;
    return m_pManager ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP CAccessibleRoot::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    return Text(c ? c->GetAccessibleShortcut() : CDuiString(), shortcut);
}

STDMETHODIMP CAccessibleRoot::get_accFocus(VARIANT* child) {
    if (!child) return E_POINTER;
    Clear(child);
    if (!m_pManager) return CO_E_OBJNOTCONNECTED;
    CControlUI* focus = m_pManager->GetFocus();
    if (focus && focus->GetAccessibleRole() != 0 && focus->IsShownInTree()) {
        SetId(child, m_pManager->GetAccessibleId(focus));
        return S_OK;
    }
    if (::GetFocus() == m_hWnd) {
        SetId(child, CHILDID_SELF);
        return S_OK;
    }
    return S_FALSE;
}

STDMETHODIMP CAccessibleRoot::get_accSelection(VARIANT* children) {
    if (!children) return E_POINTER;
    Clear(children);
    if (!m_pManager) return CO_E_OBJNOTCONNECTED;
    for (CControlUI* c : m_pManager->GetAccessibleChildren()) {
        auto* item = static_cast<CListLabelElementUI*>(c->GetInterface(L"ListItem"));
        if (item && item->IsSelected()) {
            SetId(children, m_pManager->GetAccessibleId(c));
            return S_OK;
        }
    }
    return S_FALSE;
}

STDMETHODIMP CAccessibleRoot::get_accDefaultAction(VARIANT child, BSTR* action) {
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    CDuiString verb;
    if (c) {
        switch (RoleOf(c)) {
            case ROLE_SYSTEM_PUSHBUTTON: verb = L"Press"; break;
            case ROLE_SYSTEM_CHECKBUTTON:
                verb = static_cast<COptionUI*>(c->GetInterface(L"Option"))->IsSelected() ? L"Uncheck" : L"Check";
                break;
            case ROLE_SYSTEM_RADIOBUTTON: verb = L"Check"; break;
            case ROLE_SYSTEM_MENUITEM: verb = L"Execute"; break;
            case ROLE_SYSTEM_LISTITEM: verb = L"Double Click"; break;
            default: break;
        }
    }
    return Text(verb, action);
}

STDMETHODIMP CAccessibleRoot::accSelect(long flags, VARIANT child) {
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    if (!c) {
        if (flags & SELFLAG_TAKEFOCUS) ::SetFocus(m_hWnd);
        return S_OK;
    }
    if ((flags & SELFLAG_TAKESELECTION))
        if (auto* item = static_cast<CListLabelElementUI*>(c->GetInterface(L"ListItem"))) item->Select(true);
    if (flags & SELFLAG_TAKEFOCUS) {
        if (!c->IsKeyboardEnabled() && !c->GetInterface(L"ListItem")) return DISP_E_MEMBERNOTFOUND;
        m_pManager->SetFocus(c);
    }
    return S_OK;
}

STDMETHODIMP CAccessibleRoot::accLocation(long* x, long* y, long* w, long* h, VARIANT child) {
    if (!x || !y || !w || !h) return E_POINTER;
    *x = *y = *w = *h = 0;
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    RECT rc;
    if (c) {
        m_pManager->UpdateLayout();
        rc = c->GetPos();
    } else {
        ::GetClientRect(m_hWnd, &rc);
    }
    POINT topLeft = {rc.left, rc.top};
    ::ClientToScreen(m_hWnd, &topLeft);
    *x = topLeft.x;
    *y = topLeft.y;
    *w = rc.right - rc.left;
    *h = rc.bottom - rc.top;
    return S_OK;
}

STDMETHODIMP CAccessibleRoot::accNavigate(long dir, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    Clear(end);
    CControlUI* from = nullptr;
    HRESULT hr = Resolve(start, &from);
    if (FAILED(hr)) return hr;
    std::vector<CControlUI*> children = m_pManager->GetAccessibleChildren();
    CControlUI* to = nullptr;
    if (!from) {
        if (dir == NAVDIR_FIRSTCHILD && !children.empty()) to = children.front();
        else if (dir == NAVDIR_LASTCHILD && !children.empty()) to = children.back();
        else if (dir != NAVDIR_FIRSTCHILD && dir != NAVDIR_LASTCHILD && Standard())
            return Standard()->accNavigate(dir, start, end);
    } else {
        auto it = std::find(children.begin(), children.end(), from);
        const bool next = dir == NAVDIR_NEXT || dir == NAVDIR_DOWN || dir == NAVDIR_RIGHT;
        const bool previous = dir == NAVDIR_PREVIOUS || dir == NAVDIR_UP || dir == NAVDIR_LEFT;
        if (next && it != children.end() && it + 1 != children.end()) to = *(it + 1);
        if (previous && it != children.end() && it != children.begin()) to = *(it - 1);
    }
    if (!to) return S_FALSE;
    SetId(end, m_pManager->GetAccessibleId(to));
    return S_OK;
}

STDMETHODIMP CAccessibleRoot::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    Clear(child);
    if (!m_pManager) return CO_E_OBJNOTCONNECTED;
    POINT pt = {x, y};
    ::ScreenToClient(m_hWnd, &pt);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (!::PtInRect(&client, pt)) return S_FALSE;
    std::vector<CControlUI*> children = m_pManager->GetAccessibleChildren();
    // The last one painted is the one on top.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (::PtInRect(&(*it)->GetPos(), pt)) {
            SetId(child, m_pManager->GetAccessibleId(*it));
            return S_OK;
        }
    }
    SetId(child, CHILDID_SELF);
    return S_OK;
}

STDMETHODIMP CAccessibleRoot::accDoDefaultAction(VARIANT child) {
    CControlUI* c = nullptr;
    HRESULT hr = Resolve(child, &c);
    if (FAILED(hr)) return hr;
    if (!c) return DISP_E_MEMBERNOTFOUND;
    BSTR verb = nullptr;
    const bool hasAction = get_accDefaultAction(child, &verb) == S_OK;
    CAccessibilityLibrary::Get().FreeString(verb);
    if (!hasAction) return DISP_E_MEMBERNOTFOUND;
    if (!c->IsEnabled()) return E_FAIL;
    m_pManager->PostAccessibleAction(c);
    return S_OK;
}

STDMETHODIMP CAccessibleRoot::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
STDMETHODIMP CAccessibleRoot::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

STDMETHODIMP CAccessibleRoot::Next(ULONG count, VARIANT* out, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (!out) return E_POINTER;
    if (!m_pManager) return CO_E_OBJNOTCONNECTED;
    std::vector<CControlUI*> children = m_pManager->GetAccessibleChildren();
    ULONG n = 0;
    while (n < count && m_enumPos < children.size()) {
        SetId(&out[n], m_pManager->GetAccessibleId(children[m_enumPos]));
        ++n;
        ++m_enumPos;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CAccessibleRoot::Skip(ULONG count) {
    if (!m_pManager) return CO_E_OBJNOTCONNECTED;
    const ULONG total = static_cast<ULONG>(m_pManager->GetAccessibleChildren().size());
    const ULONG skipped = std::min(count, total - std::min(total, m_enumPos));
    m_enumPos += skipped;
    return skipped == count ? S_OK : S_FALSE;
}

STDMETHODIMP CAccessibleRoot::Reset() {
    m_enumPos = 0;
    return m_pManager ? S_OK : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP CAccessibleRoot::Clone(IEnumVARIANT** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace DuiLib
