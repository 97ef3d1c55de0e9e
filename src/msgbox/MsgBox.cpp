#include "msgbox/MsgBox.h"

#include <memory>

#include "duilib/ControlUI.h"
#include "log/BaseLog.h"
#include "settings/Settings.h"

using namespace DuiLib;

namespace {
CMsgBox::TextSource g_textSource = nullptr;
}

void CMsgBox::SetTextSource(TextSource source) { g_textSource = source; }

std::wstring CMsgBox::Text(const wchar_t* key) {
    return g_textSource ? g_textSource(key) : GetLanguageString(key);
}

CMsgBox::~CMsgBox() = default;

int CMsgBox::Show(HWND hParent, LPCWSTR title, LPCWSTR text, int kind, HWND hPlaceOver) {
    std::unique_ptr<CMsgBox> box(new CMsgBox);
    box->m_nKind = kind;
    box->m_sText = text;
    box->m_sTitle = title;
    box->InitWinParam(L"Velotune_xml\\MsgBox.xml");
    // Made hidden and shown (by the modal loop) once in its place: created
    // visible, it would flash at the screen's corner first.
    box->CreateDuiWindow(hParent, Text(L"STR_REMINDER").c_str(), nullptr, 0, 0);
    HWND hWnd = box->GetHWND();
    if (!::IsWindow(hWnd)) return 0;
    if (!box->m_pOk) {
        // Without its ok button a box cannot be answered, and it swallows
        // Escape: showing it modally would trap the user.
        VLOG("the message box skin has no \"msgbox_ok\": not shown");
        ::DestroyWindow(hWnd);
        return 0;
    }
    HWND over = hPlaceOver ? hPlaceOver : hParent;
    box->CenterOver(over);
    // The main window stays on top of others: a box placed over it must be
    // above it too, or the user never sees it.
    if (over && ::IsWindow(over) && (::GetWindowLongW(over, GWL_EXSTYLE) & WS_EX_TOPMOST))
        ::SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    VLOG("[MsgBox] title \"%S\" text \"%S\"", title ? title : L"", text ? text : L"");
    int result = static_cast<int>(box->ShowModal());
    if (::IsWindow(hWnd)) ::DestroyWindow(hWnd);  // the loop ended early (quit): do not leave it behind
    return result;
}

void CMsgBox::InitAfterCreate() {
    WindowImplBaseNew::InitAfterCreate();
    m_pTitle = m_PaintManager.FindControl(L"msgbox_title");
    m_pText = m_PaintManager.FindControl(L"msgbox_text");
    m_pOk = m_PaintManager.FindControl(L"msgbox_ok");
    m_pCancel = m_PaintManager.FindControl(L"msgbox_cancel");
    m_pSep = m_PaintManager.FindControl(L"msgbox_sep");
    if (CControlUI* close = m_PaintManager.FindControl(L"msgbox_close")) close->SetToolTip(Text(L"STR_TIPCLOSE").c_str());
    if (m_pTitle) m_pTitle->SetText(m_sTitle);
    if (m_pText) m_pText->SetText(m_sText);
    if (m_nKind == 0 || m_nKind == 2) {
        if (m_pCancel) m_pCancel->SetVisible(false);
        if (m_pSep) m_pSep->SetVisible(false);
    }
    const wchar_t* okKey = nullptr;
    const wchar_t* cancelKey = nullptr;
    if (m_nKind == 0 || m_nKind == 1) {
        okKey = L"STR_OK";
        cancelKey = L"STR_YES";
    } else if (m_nKind == 2 || m_nKind == 3) {
        okKey = L"STR_Y";
        cancelKey = L"STR_N";
    }
    if (okKey && m_pOk) m_pOk->SetText(Text(okKey).c_str());
    if (cancelKey && m_pCancel) m_pCancel->SetText(Text(cancelKey).c_str());
}

void CMsgBox::ClickNotify(TNotifyUI& msg) {
    WindowImplBaseNew::ClickNotify(msg);
    if (msg.pSender && msg.pSender == m_pOk) m_nResult = 1;
    Close(static_cast<UINT>(m_nResult));
}

LRESULT CMsgBox::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_ESCAPE) return 0;
    return WindowImplBaseNew::ResponseDefaultKeyEvent(wParam);
}
