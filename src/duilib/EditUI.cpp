#include "duilib/EditUI.h"

#include <oleacc.h>

#include <algorithm>

#include "duilib/AttrParse.h"
#include "duilib/NotifyUI.h"
#include "duilib/HighContrast.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/RenderEngine.h"
#include "base/Win32Owners.h"

namespace DuiLib {

CEditUI::CEditUI() {
    m_bKeyboardEnabled = true;
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    m_rcTextPadding = RECT{4, 2, 4, 2};
    m_dwBkColor = 0xFFFFFFFF;
}

LPCWSTR CEditUI::GetClass() const { return L"EditUI"; }

LPVOID CEditUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CLabelUI>(this, pstrName, L"Edit"); }

void CEditUI::SetText(LPCWSTR pstrText) {
    CDuiString t(pstrText);
    if (t.GetLength() > m_iMaxChar) t = t.Left(m_iMaxChar);
    const bool changed = t != m_sText;
    CLabelUI::SetText(t);
    m_iCaret = m_sText.GetLength();
    if (changed && m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_VALUECHANGE, this);
}

CDuiString CEditUI::GetAccessibleName() const {
    if (!m_sAccName.IsEmpty()) return CPaintManagerUI::LookupText(m_sAccName);
    return m_sToolTip;
}

DWORD CEditUI::GetAccessibleRole() const { return ROLE_SYSTEM_TEXT; }

CDuiString CEditUI::Shown() const {
    if (!m_bPassword) return m_sText;
    return CDuiString(std::wstring(static_cast<size_t>(m_sText.GetLength()), L'*'));
}

void CEditUI::Changed() {
    Invalidate();
    if (m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_VALUECHANGE, this);
    if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
}

void CEditUI::DoEvent(TEventUI& event) {
    const int len = m_sText.GetLength();
    m_iCaret = std::min(std::max(m_iCaret, 0), len);
    switch (event.Type) {
        case UIEVENT_SETFOCUS:
            m_bFocused = true;
            m_iCaret = len;
            Invalidate();
            if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_SETFOCUS);
            return;
        case UIEVENT_KILLFOCUS:
            m_bFocused = false;
            Invalidate();
            if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_KILLFOCUS);
            return;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
        case UIEVENT_BUTTONUP:
        case UIEVENT_MOUSEMOVE:
            return;
        case UIEVENT_MOUSEENTER:
        case UIEVENT_MOUSELEAVE:
            m_bHot = event.Type == UIEVENT_MOUSEENTER;
            Invalidate();
            return;
        case UIEVENT_KEYDOWN:
            switch (event.chKey) {
                case VK_LEFT: m_iCaret = std::max(0, m_iCaret - 1); break;
                case VK_RIGHT: m_iCaret = std::min(len, m_iCaret + 1); break;
                case VK_HOME: m_iCaret = 0; break;
                case VK_END: m_iCaret = len; break;
                case VK_DELETE:
                    if (!m_bReadOnly && m_iCaret < len) {
                        m_sText = m_sText.Left(m_iCaret) + m_sText.Mid(m_iCaret + 1);
                        Changed();
                    }
                    break;
                default: return;
            }
            Invalidate();
            return;
        case UIEVENT_CHAR: {
            wchar_t ch = event.chKey;
            if (ch == L'\r') {
                if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_RETURN);
                return;
            }
            if (m_bReadOnly) return;
            if (ch == L'\b') {
                if (m_iCaret > 0) {
                    m_sText = m_sText.Left(m_iCaret - 1) + m_sText.Mid(m_iCaret);
                    --m_iCaret;
                    Changed();
                }
                return;
            }
            if (ch < 32 || len >= m_iMaxChar) return;
            wchar_t one[2] = {ch, 0};
            m_sText = m_sText.Left(m_iCaret) + one + m_sText.Mid(m_iCaret);
            ++m_iCaret;
            Changed();
            return;
        }
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

bool CEditUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const CDuiString name(pstrName);
    if (name == L"maxchar") {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v)) return false;
        SetMaxChar(v);
    } else if (name == L"readonly" || name == L"password") {
        bool on = false;
        if (!CAttrParse::Bool(pstrName, pstrValue, on)) return false;
        (name == L"readonly" ? m_bReadOnly : m_bPassword) = on;
    } else if (name == L"normalimage" || name == L"hotimage" || name == L"focusedimage" ||
               name == L"disabledimage") {
        return SetImageAttribute(name == L"normalimage"    ? m_sNormalImage
                                 : name == L"hotimage"     ? m_sHotImage
                                 : name == L"focusedimage" ? m_sFocusedImage
                                                           : m_sDisabledImage,
                                 pstrValue);
    } else {
        return CLabelUI::SetAttribute(pstrName, pstrValue);
    }
    return true;
}

void CEditUI::PaintStatusImage(HDC hDC) {
    const CDuiString* pick = &m_sNormalImage;
    if (!IsEnabled() && !m_sDisabledImage.IsEmpty()) pick = &m_sDisabledImage;
    else if (m_bFocused && !m_sFocusedImage.IsEmpty()) pick = &m_sFocusedImage;
    else if (m_bHot && !m_sHotImage.IsEmpty()) pick = &m_sHotImage;
    if (CHighContrast::IsOn()) {
        // The skin's field images carry its background: the system's field instead.
        CRenderEngine::DrawColor(hDC, m_rcItem, CHighContrast::SysColor(COLOR_WINDOW));
        CRenderEngine::DrawBorder(hDC, m_rcItem, std::max(1, Scaled(1)), CHighContrast::SysColor(COLOR_WINDOWTEXT));
        return;
    }
    if (!pick->IsEmpty()) DrawImage(hDC, *pick);
}

void CEditUI::PaintText(HDC hDC) {
    const RECT rc = TextRect();
    CDuiString shown = Shown();
    DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if (CHighContrast::IsOn()) color = CHighContrast::SysColor(IsEnabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    CRenderEngine::DrawText(hDC, m_pManager, rc, shown, color, m_iFont, m_uTextStyle);
    ReportIfClipped(hDC, rc, m_uTextStyle, m_iFont, shown);
    if (!m_bFocused || !m_pManager) return;
    // The caret: a one-pixel bar after the text before it.
    vt::ScopedSelect sel(hDC, m_pManager->GetFont(m_iFont));
    SIZE sz = {0, 0};
    TEXTMETRICW tm = {};
    ::GetTextMetricsW(hDC, &tm);
    if (m_iCaret > 0) ::GetTextExtentPoint32W(hDC, shown.GetData(), m_iCaret, &sz);
    int x = rc.left + sz.cx;
    int h = tm.tmHeight > 0 ? tm.tmHeight : (rc.bottom - rc.top);
    int top = rc.top + ((rc.bottom - rc.top) - h) / 2;
    CRenderEngine::DrawColor(hDC, RECT{x, top, x + Scaled(1), top + h}, color | 0xFF000000);
}

}  // namespace DuiLib
