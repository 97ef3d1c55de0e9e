#include "duilib/MenuImplBase.h"

#include <oleacc.h>

#include <algorithm>
#include <cwctype>

#include "duilib/DuiLog.h"
#include "duilib/ListUI.h"
#include "duilib/DuiMessages.h"

namespace DuiLib {

namespace {

constexpr UINT_PTR kClickGuardTimer = 0x4D43;

bool IsButtonMessage(UINT m) {
    return (m >= WM_LBUTTONDOWN && m <= WM_MBUTTONDBLCLK) || (m >= WM_NCLBUTTONDOWN && m <= WM_NCMBUTTONDBLCLK);
}

}  // namespace

void CMenuImplBase::InitParam(HWND hOwner, LPCWSTR skinFile, IDialogBuilderCallback* factory) {
    m_hOwner = hOwner;
    m_pFactory = factory;
    InitWinParam(skinFile);
}

LPCWSTR CMenuImplBase::GetWindowClassName() const { return L"DuiLibMenu"; }

CListUI* CMenuImplBase::GetList() {
    if (CControlUI* named = m_PaintManager.FindControl(L"menu_list"))
        if (auto* list = static_cast<CListUI*>(named->GetInterface(L"List"))) return list;
    CListUI* first = nullptr;
    m_PaintManager.ForEachControl([&](CControlUI* c) {
        if (!first) first = static_cast<CListUI*>(c->GetInterface(L"List"));
    });
    return first;
}

bool CMenuImplBase::AddListItem(CControlUI* pItem) {
    CListUI* list = GetList();
    if (!list || !pItem) {
        delete pItem;  // ownership was handed over either way
        return false;
    }
    return list->Add(pItem);
}

void CMenuImplBase::InitItem() {}

void CMenuImplBase::InitAfterCreate() {
    WindowImplBaseNew::InitAfterCreate();
    InitItem();
}

void CMenuImplBase::AdjustPostion() {
    if (!::IsWindow(m_hWnd)) return;
    RECT wr;
    ::GetWindowRect(m_hWnd, &wr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (CListUI* list = GetList()) {
        // Height: whatever the skin puts around the list, plus the items.
        int items = 0;
        for (int i = 0; i < list->GetCount(); ++i) {
            CControlUI* c = list->GetItemAt(i);
            if (!c->IsVisible()) continue;
            RECT p = c->GetScaledPadding();
            items += c->Scaled(c->GetFixedHeight() > 0 ? c->GetFixedHeight() : 24) + p.top + p.bottom;
        }
        RECT inset = m_PaintManager.Scale(list->GetInset());
        m_PaintManager.UpdateLayout();
        const RECT& lr = list->GetPos();
        int around = std::max(0, h - static_cast<int>(lr.bottom - lr.top));
        h = std::max(static_cast<int>(items + inset.top + inset.bottom + around), m_PaintManager.Scale(8));
    }
    POINT pt = m_ptAnchor;
    if (!m_bAnchored) ::GetCursorPos(&pt);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& area = mi.rcWork;
    int x = pt.x, y = pt.y;
    if (x + w > area.right) x = pt.x - w;
    if (y + h > area.bottom) y = pt.y - h;
    x = std::max(x, static_cast<int>(area.left));
    y = std::max(y, static_cast<int>(area.top));
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, w, h, SWP_SHOWWINDOW);
    // A click that was meant for what lay here before the menu appeared
    // (or that another program timed to land on a row) chooses nothing:
    // the buttons are ignored for a double-click time. Keys are not.
    m_bClicksHeld = ::SetTimer(m_hWnd, kClickGuardTimer, ::GetDoubleClickTime(), nullptr) != 0;
    if (!m_bClicksHeld) DUI_LOG("menu takes clicks");
    ::SetForegroundWindow(m_hWnd);
    m_PaintManager.NotifyAccessible(EVENT_SYSTEM_MENUPOPUPSTART, nullptr);
    if (m_bFromKeyboard) {
        m_PaintManager.ShowFocusCues();
        OnMenuKey(VK_HOME);
    }
}

void CMenuImplBase::SetAnchor(POINT pt, bool fromKeyboard) {
    m_ptAnchor = pt;
    m_bAnchored = true;
    m_bFromKeyboard = fromKeyboard;
}

DWORD CMenuImplBase::GetAccessibleWindowRole() const { return ROLE_SYSTEM_MENUPOPUP; }

void CMenuImplBase::SelectRow(int index) {
    CListUI* list = GetList();
    if (!list || !list->SelectItem(index)) return;
    m_PaintManager.SetFocus(list->GetItemAt(index));
}

bool CMenuImplBase::OnMenuKey(WPARAM vk) {
    CListUI* list = GetList();
    if (!list) return false;
    std::vector<int> rows;  // the rows that can be chosen
    for (int i = 0; i < list->GetCount(); ++i)
        if (list->GetItemAt(i)->IsVisible() && list->GetItemAt(i)->IsEnabled()) rows.push_back(i);
    const int cur = list->GetCurSel();
    auto at = std::find(rows.begin(), rows.end(), cur);
    const int pos = at == rows.end() ? -1 : static_cast<int>(at - rows.begin());
    const int n = static_cast<int>(rows.size());
    switch (vk) {
        case VK_ESCAPE:
            if (!m_bClosing) {
                m_bClosing = true;
                OnCancelledByKey();
                Close(0);
            }
            return true;
        case VK_RETURN:
        case VK_SPACE:
            if (pos >= 0) list->GetItemAt(cur)->Activate();  // closes the menu: nothing after this
            return true;
        case VK_HOME: if (n) SelectRow(rows.front()); return true;
        case VK_END: if (n) SelectRow(rows.back()); return true;
        case VK_DOWN: if (n) SelectRow(rows[static_cast<size_t>((pos + 1) % n)]); return true;
        case VK_UP: if (n) SelectRow(rows[static_cast<size_t>(pos <= 0 ? n - 1 : pos - 1)]); return true;
        default: break;
    }
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        // The next row after the selection whose text starts with that letter.
        for (int step = 1; step <= n; ++step) {
            int row = rows[static_cast<size_t>((pos + step + n) % n)];
            CDuiString text = list->GetItemAt(row)->GetText();
            if (!text.IsEmpty() && std::towupper(text.GetAt(0)) == static_cast<wint_t>(vk)) {
                SelectRow(row);
                break;
            }
        }
        return true;
    }
    return false;
}

void CMenuImplBase::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_ITEMCLICK && msg.pSender && msg.pSender->IsEnabled() && !m_bClosing) {
        m_bClosing = true;
        // The owner hears of the choice once the menu is gone, as from a
        // system menu: a window it then brings forward is not pushed back
        // by the menu's own deactivation and destruction.
        m_bChosen = true;
        m_chosenTag = msg.pSender->GetTag();
        Close(1);
        return;
    }
    WindowImplBaseNew::Notify(msg);
}

LRESULT CMenuImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_TIMER && wParam == kClickGuardTimer) {
        ::KillTimer(m_hWnd, kClickGuardTimer);
        m_bClicksHeld = false;
        DUI_LOG("menu takes clicks");
        return 0;
    }
    if (m_bClicksHeld && IsButtonMessage(uMsg)) {
        DUI_LOG("menu click ignored: too soon after the menu appeared");
        return 0;
    }
    if (uMsg == WM_KEYDOWN) {
        m_PaintManager.ShowFocusCues();
        if (OnMenuKey(wParam)) return 0;
    }
    if (uMsg == WM_DESTROY) {
        m_PaintManager.NotifyAccessible(EVENT_SYSTEM_MENUPOPUPEND, nullptr);
        if (m_bChosen && m_hOwner && ::IsWindow(m_hOwner))
            ::PostMessageW(m_hOwner, DUI_MSG_MENU_CLICK, m_chosenTag, 0);
        m_bChosen = false;
    }
    if ((uMsg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) || (uMsg == WM_ACTIVATEAPP && !wParam)) {
        if (!m_bClosing) {
            m_bClosing = true;
            DUI_LOG("menu closed: another window took the activation, nothing chosen");
            Close(0);
        }
    }
    return WindowImplBaseNew::HandleMessage(uMsg, wParam, lParam);
}

void CMenuImplBase::OnFinalMessage(HWND hWnd) { WindowImplBaseNew::OnFinalMessage(hWnd); }

}  // namespace DuiLib
