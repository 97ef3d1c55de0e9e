#include "duilib/AccessibleIndex.h"

#include <oleacc.h>

#include "duilib/ControlUI.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/TabOrder.h"

namespace DuiLib {

namespace {
CDuiString (*g_textLookup)(LPCWSTR) = nullptr;

UINT ActionMessage() {
    static UINT s_msg = ::RegisterWindowMessageW(L"DuiLib.AccessibleAction");
    return s_msg;
}
}  // namespace

void CAccessibleIndex::SetTextLookup(CDuiString (*lookup)(LPCWSTR key)) { g_textLookup = lookup; }

CDuiString CAccessibleIndex::LookupText(LPCWSTR keyOrText) {
    if (!keyOrText || !*keyOrText) return CDuiString();
    if (g_textLookup) {
        CDuiString text = g_textLookup(keyOrText);
        if (!text.IsEmpty()) return text;
    }
    return CDuiString(keyOrText);
}

void CAccessibleIndex::AssignIds() {
    for (CControlUI* c : CTabOrder::Controls(m_manager.GetRoot())) {
        if (m_ids.count(c)) continue;
        m_controls.push_back(c);
        m_ids[c] = static_cast<LONG>(m_controls.size());
    }
}

LONG CAccessibleIndex::IdOf(CControlUI* pControl) {
    if (!pControl) return 0;
    auto it = m_ids.find(pControl);
    if (it == m_ids.end()) {
        AssignIds();
        it = m_ids.find(pControl);
    }
    return it == m_ids.end() ? 0 : it->second;
}

CControlUI* CAccessibleIndex::FromId(LONG id) {
    AssignIds();
    if (id < 1 || static_cast<size_t>(id) > m_controls.size()) return nullptr;
    return m_controls[static_cast<size_t>(id - 1)];
}

std::vector<CControlUI*> CAccessibleIndex::Children() {
    m_manager.UpdateLayout();
    AssignIds();
    std::vector<CControlUI*> shown;
    for (CControlUI* c : CTabOrder::Controls(m_manager.GetRoot()))
        if (c->GetAccessibleRole() != 0 && c->IsShownInTree()) shown.push_back(c);
    return shown;
}

void CAccessibleIndex::Forget(CControlUI* pControl) {
    auto it = m_ids.find(pControl);
    if (it == m_ids.end()) return;
    m_controls[static_cast<size_t>(it->second - 1)] = nullptr;
    m_ids.erase(it);
}

void CAccessibleIndex::Notify(DWORD event, CControlUI* pControl) {
    const HWND hwnd = m_manager.GetPaintWindow();
    if (!hwnd || !m_manager.GetRoot()) return;
    LONG id = pControl ? IdOf(pControl) : CHILDID_SELF;
    if (pControl && id == 0) return;
    ::NotifyWinEvent(event, hwnd, OBJID_CLIENT, id);
}

void CAccessibleIndex::PostAction(CControlUI* pControl) {
    LONG id = IdOf(pControl);
    const HWND hwnd = m_manager.GetPaintWindow();
    if (id && hwnd) ::PostMessageW(hwnd, ActionMessage(), static_cast<WPARAM>(id), 0);
}

bool CAccessibleIndex::OnMessage(UINT uMsg, WPARAM wParam) {
    if (uMsg != ActionMessage()) return false;
    CControlUI* c = FromId(static_cast<LONG>(wParam));
    if (c && c->IsShownInTree()) c->Activate();  // may close the window: nothing after this
    return true;
}

}  // namespace DuiLib
