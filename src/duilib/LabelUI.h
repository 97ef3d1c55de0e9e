#pragma once
// A control that shows a text in a font, colour and alignment.
#include "duilib/ControlUI.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
public:
    CLabelUI();
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    void SetTextColor(DWORD argb);
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetDisabledTextColor(DWORD argb);
    void SetFont(int index);
    int GetFont() const { return m_iFont; }
    void SetTextPadding(RECT rc);
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetTextStyle(UINT uStyle);
    UINT GetTextStyle() const { return m_uTextStyle; }
    // printf-style text.
    void SetFormatText(LPCWSTR pstrFormat, ...);

    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintText(HDC hDC) override;

protected:
    void DrawLabelText(HDC hDC, DWORD argb);
    void ReportIfClipped(HDC hDC, const RECT& rc, UINT style);

    DWORD m_dwTextColor = 0xFF000000;
    DWORD m_dwDisabledTextColor = 0xFFA0A0A0;
    int m_iFont = -1;
    UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
    RECT m_rcTextPadding = {0, 0, 0, 0};
    CDuiString m_sFitChecked;  // the text last measured against its room
};

}  // namespace DuiLib
