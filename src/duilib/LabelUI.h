#pragma once
// A control that shows a text in a font, colour and alignment.
#include "duilib/ControlUI.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
public:
    CLabelUI();
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    void SetTextColor(DWORD argb) { SetAndRepaint(m_dwTextColor, argb); }
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetDisabledTextColor(DWORD argb) { SetAndRepaint(m_dwDisabledTextColor, argb); }
    void SetFont(int index) { SetAndRepaint(m_iFont, index); }
    int GetFont() const { return m_iFont; }
    void SetTextPadding(RECT rc) { SetAndRepaint(m_rcTextPadding, rc); }
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetTextStyle(UINT uStyle) { SetAndRepaint(m_uTextStyle, uStyle); }
    UINT GetTextStyle() const { return m_uTextStyle; }
    // printf-style text.
    void SetFormatText(LPCWSTR pstrFormat, ...);

    void SetText(LPCWSTR pstrText) override;
    // "autowidth": as wide as its text on one line and its text padding
    // (within minwidth and maxwidth), measured in its font at the window's
    // DPI; a longer translation or a larger scale widens it.
    void SetAutoWidth(bool on);
    bool IsAutoWidth() const { return m_bAutoWidth; }
    SIZE EstimateSize(SIZE szAvailable) override;

    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintText(HDC hDC) override;

protected:
    // Where the text goes: the item less the text padding.
    RECT TextRect() const { return ItemLess(m_rcTextPadding); }
    void DrawLabelText(HDC hDC, DWORD argb);
    // The size `text` takes in `font` (one line, or wrapped at `width` with
    // DT_WORDBREAK), in device pixels.
    SIZE MeasureText(HDC hDC, const CDuiString& text, int font, UINT style, int width) const;
    // Logs once per text, room and DPI when the text drawn into `rc` does
    // not fit there (also when an ellipsis hides the rest).
    void ReportIfClipped(HDC hDC, const RECT& rc, UINT style, int font, const CDuiString& text);

    DWORD m_dwTextColor = 0xFF000000;
    DWORD m_dwDisabledTextColor = 0xFFA0A0A0;
    int m_iFont = -1;
    UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
    RECT m_rcTextPadding = {0, 0, 0, 0};
    bool m_bAutoWidth = false;
    // The text, room and DPI last measured against each other.
    CDuiString m_sFitChecked;
    SIZE m_szFitChecked = {-1, -1};
    int m_nFitCheckedDpi = 0;
};

}  // namespace DuiLib
