#include "duilib/MenuImplBase.h"

#include <algorithm>

#include "duilib/ListUI.h"
#include "duilib/DuiMessages.h"

namespace DuiLib {

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
    POINT pt;
    ::GetCursorPos(&pt);
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
    ::SetForegroundWindow(m_hWnd);
}

void CMenuImplBase::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_ITEMCLICK && msg.pSender && msg.pSender->IsEnabled() && !m_bClosing) {
        m_bClosing = true;
        if (m_hOwner && ::IsWindow(m_hOwner)) ::PostMessageW(m_hOwner, DUI_MSG_MENU_CLICK, msg.pSender->GetTag(), 0);
        Close(1);
        return;
    }
    WindowImplBaseNew::Notify(msg);
}

LRESULT CMenuImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if ((uMsg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) || (uMsg == WM_ACTIVATEAPP && !wParam)) {
        if (!m_bClosing) {
            m_bClosing = true;
            Close(0);
        }
    }
    return WindowImplBaseNew::HandleMessage(uMsg, wParam, lParam);
}

void CMenuImplBase::OnFinalMessage(HWND hWnd) { WindowImplBaseNew::OnFinalMessage(hWnd); }

}  // namespace DuiLib
