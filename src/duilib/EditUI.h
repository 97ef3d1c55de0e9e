#pragma once
// A one-line text field drawn by the toolkit itself: typing, Backspace,
// Delete, Home, End and the arrows edit at the caret; changes send
// "textchanged", Enter sends "return", losing the focus sends "killfocus".
#include "duilib/LabelUI.h"

namespace DuiLib {

class CEditUI : public CLabelUI {
public:
    CEditUI();
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    bool IsInteractive() const override { return true; }
    LPCWSTR GetCursorShape() const override { return IDC_IBEAM; }

    void SetText(LPCWSTR pstrText) override;
    // A field is named by "accname" or its tooltip; its text is its value.
    CDuiString GetAccessibleName() const override;
    DWORD GetAccessibleRole() const override;
    CDuiString GetAccessibleValue() const override { return Shown(); }
    void SetMaxChar(int n) { m_iMaxChar = n > 0 ? n : 255; }
    int GetMaxChar() const { return m_iMaxChar; }
    void SetReadOnly(bool on) { m_bReadOnly = on; }
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetPasswordMode(bool on) { m_bPassword = on; }

    void DoEvent(TEventUI& event) override;
    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

private:
    CDuiString Shown() const;
    void Changed();

    int m_iMaxChar = 255;
    int m_iCaret = 0;
    bool m_bReadOnly = false;
    bool m_bPassword = false;
    CDuiString m_sFocusedImage;
    CDuiString m_sDisabledImage;
    CDuiString m_sNormalImage;
    CDuiString m_sHotImage;
    bool m_bHot = false;
};

}  // namespace DuiLib
