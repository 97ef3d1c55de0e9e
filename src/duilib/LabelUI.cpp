#include "duilib/LabelUI.h"

#include <algorithm>
#include <cstdarg>

#include "duilib/AttrParse.h"
#include "duilib/DuiLog.h"
#include "duilib/HighContrast.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/RenderEngine.h"
#include "base/Win32Owners.h"

namespace DuiLib {

CLabelUI::CLabelUI() = default;

LPCWSTR CLabelUI::GetClass() const { return L"LabelUI"; }

LPVOID CLabelUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CControlUI>(this, pstrName, L"Label"); }

void CLabelUI::SetFormatText(LPCWSTR pstrFormat, ...) {
    CDuiString text;
    va_list args;
    va_start(args, pstrFormat);
    text.FormatV(pstrFormat, args);
    va_end(args);
    SetText(text);
}

void CLabelUI::SetText(LPCWSTR pstrText) {
    if (m_sText == (pstrText ? pstrText : L"")) return;
    CControlUI::SetText(pstrText);
    if (m_bAutoWidth) NeedParentUpdate();
}

void CLabelUI::SetAutoWidth(bool on) {
    if (m_bAutoWidth == on) return;
    m_bAutoWidth = on;
    NeedParentUpdate();
}

SIZE CLabelUI::EstimateSize(SIZE szAvailable) {
    SIZE size = CControlUI::EstimateSize(szAvailable);
    if (!m_bAutoWidth || !m_pManager) return size;
    const RECT pad = m_pManager->Scale(m_rcTextPadding);
    vt::WindowDc screen(nullptr);
    const SIZE text = MeasureText(screen.Get(), GetText(), m_iFont, DT_SINGLELINE, 0);
    const int cx = std::min(std::max(static_cast<int>(text.cx + pad.left + pad.right), Scaled(m_cxyMin.cx)),
                            Scaled(m_cxyMax.cx));
    size.cx = std::max(cx, 1);  // 0 would mean "whatever the layout gives"
    return size;
}

bool CLabelUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const CDuiString name(pstrName);
    if (name == L"autowidth") {
        bool on = false;
        if (!CAttrParse::Bool(pstrName, pstrValue, on)) return false;
        SetAutoWidth(on);
    } else if (name == L"textcolor" || name == L"disabledtextcolor") {
        DWORD c = 0;
        if (!CAttrParse::Color(pstrName, pstrValue, c)) return false;
        if (name == L"textcolor") SetTextColor(c);
        else SetDisabledTextColor(c);
    } else if (name == L"font") {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v)) return false;
        SetFont(v);
    } else if (name == L"textpadding") {
        RECT rc;
        if (!CAttrParse::Rect(pstrName, pstrValue, rc)) return false;
        SetTextPadding(rc);
    } else if (name == L"align") {
        // Horizontal alignment words, optionally with a vertical one: "center", "left,top".
        CDuiString v(pstrValue);
        UINT horz = 0, vert = m_uTextStyle & (DT_TOP | DT_VCENTER | DT_BOTTOM);
        bool ok = true;
        int start = 0;
        while (start <= v.GetLength()) {
            int comma = v.Find(L',', start);
            CDuiString word = v.Mid(start, comma < 0 ? -1 : comma - start);
            if (word == L"left") horz = DT_LEFT;
            else if (word == L"center") horz = DT_CENTER;
            else if (word == L"right") horz = DT_RIGHT;
            else if (word == L"top") vert = DT_TOP;
            else if (word == L"vcenter") vert = DT_VCENTER;
            else if (word == L"bottom") vert = DT_BOTTOM;
            else ok = false;
            if (comma < 0) break;
            start = comma + 1;
        }
        if (!ok) {
            CAttrParse::SetError(L"bad align '%s' (left, center, right, top, vcenter, bottom)", pstrValue);
            return false;
        }
        m_uTextStyle = (m_uTextStyle & ~(DT_LEFT | DT_CENTER | DT_RIGHT | DT_TOP | DT_VCENTER | DT_BOTTOM)) |
                       horz | vert;
        Invalidate();
    } else if (name == L"valign") {
        UINT vert = 0;
        CDuiString v(pstrValue);
        if (v == L"top") vert = DT_TOP;
        else if (v == L"vcenter" || v == L"center") vert = DT_VCENTER;
        else if (v == L"bottom") vert = DT_BOTTOM;
        else {
            CAttrParse::SetError(L"bad valign '%s'", pstrValue);
            return false;
        }
        m_uTextStyle = (m_uTextStyle & ~(DT_TOP | DT_VCENTER | DT_BOTTOM)) | vert;
    } else if (name == L"endellipsis" || name == L"multiline" || name == L"wordbreak") {
        bool on = false;
        if (!CAttrParse::Bool(pstrName, pstrValue, on)) return false;
        if (name == L"endellipsis") {
            m_uTextStyle = on ? (m_uTextStyle | DT_END_ELLIPSIS) : (m_uTextStyle & ~DT_END_ELLIPSIS);
        } else if (on) {
            m_uTextStyle = (m_uTextStyle & ~DT_SINGLELINE) | DT_WORDBREAK;
        } else {
            m_uTextStyle = (m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE;
        }
    } else {
        return CControlUI::SetAttribute(pstrName, pstrValue);
    }
    return true;
}

void CLabelUI::DrawLabelText(HDC hDC, DWORD argb) {
    RECT rc = TextRect();
    UINT style = m_uTextStyle;
    if ((style & DT_WORDBREAK) && (style & (DT_VCENTER | DT_BOTTOM))) {
        // DrawText places single lines only: the wrapped block is moved itself.
        const int spare = (rc.bottom - rc.top) - MeasureText(hDC, GetText(), m_iFont, style, rc.right - rc.left).cy;
        if (spare > 0) rc.top += (style & DT_BOTTOM) ? spare : spare / 2;
        style &= ~(DT_VCENTER | DT_BOTTOM);
    }
    CRenderEngine::DrawText(hDC, m_pManager, rc, GetText(), argb, m_iFont, style);
    ReportIfClipped(hDC, rc, style, m_iFont, GetText());
}

SIZE CLabelUI::MeasureText(HDC hDC, const CDuiString& text, int font, UINT style, int width) const {
    if (!m_pManager || text.IsEmpty()) return SIZE{0, 0};
    vt::ScopedSelect sel(hDC, m_pManager->GetFont(font));
    RECT need = {0, 0, width, 0};
    ::DrawTextW(hDC, text, -1, &need, (style & (DT_WORDBREAK | DT_SINGLELINE)) | DT_CALCRECT | DT_NOPREFIX);
    return SIZE{need.right - need.left, need.bottom - need.top};
}

void CLabelUI::ReportIfClipped(HDC hDC, const RECT& rc, UINT style, int font, const CDuiString& text) {
    // Once per text, room and scale: a control too small for its text (a
    // longer translation, a larger display scale) is a skin fault no one
    // sees in a log otherwise. An ellipsis hides the rest of the text just
    // as well.
    const SIZE has = {rc.right - rc.left, rc.bottom - rc.top};
    const int dpi = m_pManager ? m_pManager->GetDpi() : 96;
    if (text == m_sFitChecked && has.cx == m_szFitChecked.cx && has.cy == m_szFitChecked.cy && dpi == m_nFitCheckedDpi)
        return;
    m_sFitChecked = text;
    m_szFitChecked = has;
    m_nFitCheckedDpi = dpi;
    if (!m_pManager || text.IsEmpty()) return;
    const SIZE need = MeasureText(hDC, text, font, style, has.cx);
    if (need.cx <= has.cx && need.cy <= has.cy) return;
    DUI_LOG("skin \"%s\": the text \"%s\" of <%s> \"%s\" is clipped: it needs %ldx%ld pixels and has %ldx%ld at %d DPI",
            m_pManager->GetSkinName().ToAnsi().c_str(), text.ToAnsi().c_str(), CDuiString(GetClass()).ToAnsi().c_str(),
            GetName().ToAnsi().c_str(), need.cx, need.cy, has.cx, has.cy, dpi);
}

void CLabelUI::PaintText(HDC hDC) {
    if (CHighContrast::IsOn()) DrawLabelText(hDC, CHighContrast::SysColor(IsEnabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    else DrawLabelText(hDC, IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor);
}

}  // namespace DuiLib
