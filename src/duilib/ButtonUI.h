#pragma once
// A label that reacts to the mouse: hot, pushed, focused and disabled
// images and colours; a full press and release on it sends "click".
#include "duilib/LabelUI.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    bool IsInteractive() const override { return true; }
    LPCWSTR GetCursorShape() const override { return IDC_HAND; }
    DWORD GetAccessibleRole() const override;

    bool Activate() override;
    void SetEnabled(bool bEnable = true) override;
    void DoEvent(TEventUI& event) override;
    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintBkColor(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    UINT GetButtonState() const { return m_uButtonState; }

protected:
    // High contrast: whether a face colour is drawn under the text now, and
    // the system colour the text takes.
    bool HasFace() const;
    bool HasImageFace() const;  // images under a text: they carry its background
    DWORD HighContrastTextColor() const;
    void PaintHighContrastFace(HDC hDC);
    // An image with no text is a glyph: its shape in the system's colours.
    void PaintHighContrastGlyph(HDC hDC);

    UINT m_uButtonState = 0;
    CDuiString m_sNormalImage;
    CDuiString m_sHotImage;
    CDuiString m_sPushedImage;
    CDuiString m_sFocusedImage;
    CDuiString m_sDisabledImage;
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwPushedBkColor = 0;
    DWORD m_dwHotTextColor = 0;
    DWORD m_dwPushedTextColor = 0;
};

}  // namespace DuiLib
