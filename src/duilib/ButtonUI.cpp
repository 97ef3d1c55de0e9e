#include "duilib/ButtonUI.h"

#include <oleacc.h>

#include <algorithm>

#include "duilib/AttrParse.h"
#include "duilib/NotifyUI.h"
#include "duilib/HighContrast.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/RenderEngine.h"

namespace DuiLib {

CButtonUI::CButtonUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    m_bKeyboardEnabled = true;
}

LPCWSTR CButtonUI::GetClass() const { return L"ButtonUI"; }

LPVOID CButtonUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CLabelUI>(this, pstrName, L"Button"); }

// A button that takes neither clicks nor keys is only a caption; a screen
// reader that calls it a button invites a press that does nothing.
DWORD CButtonUI::GetAccessibleRole() const {
    return IsMouseEnabled() || IsKeyboardEnabled() ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_STATICTEXT;
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
    return true;
}

void CButtonUI::SetEnabled(bool bEnable) {
    CControlUI::SetEnabled(bEnable);
    if (!bEnable) m_uButtonState &= ~(UISTATE_HOT | UISTATE_PUSHED | UISTATE_CAPTURED);
}

void CButtonUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            if (PtInRect(&m_rcItem, event.ptMouse) && IsEnabled()) {
                m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_uButtonState & UISTATE_CAPTURED) {
                bool inside = PtInRect(&m_rcItem, event.ptMouse) != FALSE;
                UINT old = m_uButtonState;
                if (inside) m_uButtonState |= UISTATE_PUSHED;
                else m_uButtonState &= ~UISTATE_PUSHED;
                if (old != m_uButtonState) Invalidate();
            }
            return;
        case UIEVENT_BUTTONUP:
            if (m_uButtonState & UISTATE_CAPTURED) {
                bool inside = PtInRect(&m_rcItem, event.ptMouse) != FALSE;
                m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
                Invalidate();
                if (inside) Activate();  // may close the window: nothing after this
            }
            return;
        case UIEVENT_MOUSEENTER:
            if (IsEnabled()) {
                m_uButtonState |= UISTATE_HOT;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSELEAVE:
            m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
            return;
        case UIEVENT_KEYDOWN:
            if (event.chKey == VK_SPACE || event.chKey == VK_RETURN) {
                Activate();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

bool CButtonUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const CDuiString name(pstrName);
    CDuiString* image = name == L"normalimage"     ? &m_sNormalImage
                        : name == L"hotimage"      ? &m_sHotImage
                        : name == L"pushedimage"   ? &m_sPushedImage
                        : name == L"focusedimage"  ? &m_sFocusedImage
                        : name == L"disabledimage" ? &m_sDisabledImage
                                                   : nullptr;
    if (image) return SetImageAttribute(*image, pstrValue);
    DWORD* color = name == L"hotbkcolor"         ? &m_dwHotBkColor
                   : name == L"pushedbkcolor"    ? &m_dwPushedBkColor
                   : name == L"hottextcolor"     ? &m_dwHotTextColor
                   : name == L"pushedtextcolor"  ? &m_dwPushedTextColor
                                                 : nullptr;
    if (color) {
        if (!CAttrParse::Color(pstrName, pstrValue, *color)) return false;
        Invalidate();
        return true;
    }
    return CLabelUI::SetAttribute(pstrName, pstrValue);
}

void CButtonUI::PaintBkColor(HDC hDC) {
    DWORD c = m_dwBkColor;
    if (IsEnabled()) {
        if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedBkColor) c = m_dwPushedBkColor;
        else if ((m_uButtonState & UISTATE_HOT) && m_dwHotBkColor) c = m_dwHotBkColor;
    }
    if (!c) return;
    if (CHighContrast::IsOn()) PaintHighContrastFace(hDC);
    else CRenderEngine::DrawColor(hDC, m_rcItem, c);
}

void CButtonUI::PaintHighContrastFace(HDC hDC) {
    // Outlined, so that it stands out from a window background of the same colour.
    CRenderEngine::DrawColor(hDC, m_rcItem, CHighContrast::SysColor(COLOR_BTNFACE));
    CRenderEngine::DrawBorder(hDC, m_rcItem, std::max(1, Scaled(1)), CHighContrast::SysColor(COLOR_BTNTEXT));
}

void CButtonUI::PaintHighContrastGlyph(HDC hDC) {
    // The normal image carries the bare glyph; the other states' own pictures
    // may paint a whole coloured square, so the state shows as a highlight.
    DWORD glyph = HighContrastTextColor();
    if (IsEnabled() && (m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED))) {
        CRenderEngine::DrawColor(hDC, m_rcItem, CHighContrast::SysColor(COLOR_HIGHLIGHT));
        glyph = CHighContrast::SysColor(COLOR_HIGHLIGHTTEXT);
    }
    wchar_t tint[32];
    swprintf(tint, 32, L"tint='#%08lX'", static_cast<unsigned long>(glyph));
    DrawImage(hDC, m_sNormalImage, tint);
}

bool CButtonUI::HasImageFace() const { return !m_sNormalImage.IsEmpty() && !GetText().IsEmpty(); }

bool CButtonUI::HasFace() const {
    return m_dwBkColor || HasImageFace() ||
           (IsEnabled() && (((m_uButtonState & UISTATE_PUSHED) && m_dwPushedBkColor) ||
                            ((m_uButtonState & UISTATE_HOT) && m_dwHotBkColor)));
}

DWORD CButtonUI::HighContrastTextColor() const {
    if (!IsEnabled()) return CHighContrast::SysColor(COLOR_GRAYTEXT);
    // On its own face the button's text colour, else on the window's background.
    return CHighContrast::SysColor(HasFace() ? COLOR_BTNTEXT : COLOR_WINDOWTEXT);
}

void CButtonUI::PaintStatusImage(HDC hDC) {
    // A button with a text whose images are its background takes the
    // system's face instead; one whose image is all it shows keeps it.
    if (CHighContrast::IsOn() && !m_sNormalImage.IsEmpty()) {
        if (HasImageFace()) PaintHighContrastFace(hDC);
        else PaintHighContrastGlyph(hDC);
        return;
    }
    // The first image the state has, falling back to the normal one.
    const CDuiString* pick = &m_sNormalImage;
    if (!IsEnabled()) {
        if (!m_sDisabledImage.IsEmpty()) pick = &m_sDisabledImage;
        // Without an image of its own a disabled button must still not look
        // clickable: its normal image, faded into the background.
        else if (!m_sNormalImage.IsEmpty()) pick = nullptr;
    } else if (m_uButtonState & UISTATE_PUSHED) {
        if (!m_sPushedImage.IsEmpty()) pick = &m_sPushedImage;
        else if (!m_sHotImage.IsEmpty()) pick = &m_sHotImage;
    } else if (m_uButtonState & UISTATE_HOT) {
        if (!m_sHotImage.IsEmpty()) pick = &m_sHotImage;
    } else if (m_bFocused && !m_sFocusedImage.IsEmpty()) {
        pick = &m_sFocusedImage;
    }
    if (!pick) DrawImage(hDC, m_sNormalImage, L"fade='80'");
    else if (!pick->IsEmpty()) DrawImage(hDC, *pick);
}

void CButtonUI::PaintText(HDC hDC) {
    DWORD c = m_dwTextColor;
    if (!IsEnabled()) c = m_dwDisabledTextColor;
    else if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) c = m_dwPushedTextColor;
    else if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) c = m_dwHotTextColor;
    DrawLabelText(hDC, CHighContrast::IsOn() ? HighContrastTextColor() : c);
}

}  // namespace DuiLib
